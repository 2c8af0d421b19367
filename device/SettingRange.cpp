#include "SettingRange.h"

#include <algorithm>

namespace brevant {

int32_t SettingRange::Clamp(int32_t v) const
{
    if (v < min)
        return belowMinIsOff ? 0 : min;
    return v > max ? max : v;
}

std::string SettingRange::Text() const
{
    const std::string span = std::to_string(min) + ".." + std::to_string(max);
    return belowMinIsOff ? "0 or " + span : span;
}

std::optional<SettingRange> RangeOf(Op op)
{
    switch (op) {
    case Op::MG: return SettingRange{-10, 47};
    case Op::MR: return SettingRange{0, 15};
    case Op::MA:
    case Op::MF:
    case Op::MRSwitch:
    case Op::MI:
    case Op::MT:
    case Op::MM:
    case Op::MC:
    case Op::OM:
    case Op::MX:
    case Op::MB: return SettingRange{0, 1};
    case Op::OV: return SettingRange{-20, 20};
    case Op::OD: return SettingRange{0, 200};
    case Op::OF: return SettingRange{300, 20000, true};
    case Op::OH: return SettingRange{30, 600, true};
    case Op::XG: return SettingRange{-30, 0};
    case Op::MP: return SettingRange{0, 4};
    case Op::SN: return SettingRange{0, 5};
    case Op::CN: return SettingRange{1, 4};
    case Op::CP: return SettingRange{1, 5};
    case Op::CT: return SettingRange{2, 5};
    default: return std::nullopt;
    }
}

namespace {

int DigitsOf(int32_t v)
{
    int digits = 1;
    for (int64_t rest = v < 0 ? -int64_t{v} : v; rest >= 10; rest /= 10)
        ++digits;
    return digits;
}

// Any value of at most as many digits as the widest end of `scale`, either sign.
ReplyValues DigitSpan(SettingRange scale)
{
    const int digits = std::max(DigitsOf(scale.min), DigitsOf(scale.max));
    int32_t widest = 0;
    for (int i = 0; i < digits; ++i)
        widest = widest * 10 + 9;
    return {{-widest, widest}, digits};
}

}  // namespace

std::optional<ReplyValues> ReplyValuesOf(Op op)
{
    switch (op) {
    case Op::ML:
    case Op::OL: return DigitSpan({-100, 0});
    case Op::ME:
    case Op::MS: return DigitSpan({0, 100});
    case Op::OD:
    case Op::OF:
    case Op::OH: return DigitSpan(*RangeOf(op));
    case Op::MRSwitch: return ReplyValuesOf(Op::MR);
    default: break;
    }
    const std::optional<SettingRange> range = RangeOf(op);
    if (!range)
        return std::nullopt;
    return ReplyValues{*range, std::max(DigitsOf(range->min), DigitsOf(range->max))};
}

}  // namespace brevant
