#include "SettingRange.h"

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

}  // namespace brevant
