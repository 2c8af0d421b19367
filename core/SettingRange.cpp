#include "core/SettingRange.h"

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
    const Command& command = CommandFor(op);
    return command.settable ? command.setting.range : std::nullopt;
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
    if (op == Op::MRSwitch)
        return ReplyValuesOf(Op::MR);
    const Command& command = CommandFor(op);
    const std::optional<SettingRange> range = command.setting.range;
    if (!range)
        return std::nullopt;
    if (command.IsMeter() || command.setting.clampsReply)
        return DigitSpan(*range);
    return ReplyValues{*range, std::max(DigitsOf(range->min), DigitsOf(range->max))};
}

}  // namespace brevant
