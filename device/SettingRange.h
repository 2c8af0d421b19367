// The values the device accepts for each setting, and how it brings a value
// outside them into range: up to the lowest or down to the highest, except
// the two frequency limits, where a value below the lowest switches the
// filter off (0).
#pragma once

#include "Catalogue.h"

#include <cstdint>
#include <optional>
#include <string>

namespace brevant {

struct SettingRange {
    int32_t min;
    int32_t max;
    bool belowMinIsOff = false;  // OF, OH: below min means off, stored as 0

    bool Contains(int32_t v) const { return (v >= min && v <= max) || (belowMinIsOff && v == 0); }
    int32_t Clamp(int32_t v) const;
    // "-10..47", "0 or 300..20000"
    std::string Text() const;
};

// The range of a settable setting; nullopt for meters, actions and blocks.
std::optional<SettingRange> RangeOf(Op op);

// The values a reply of a setting or meter may carry, and how many digits
// they take at most; nullopt for actions and blocks. A setting whose reply is
// stored clamped (OD, OF, OH) may carry any value of as many digits as its
// range, a negative one too; so may a meter, whose scale is -100..0 dB
// (levels) or 0..100 (echo readings). The switch form of MR is answered as
// MR. Every other setting's reply must lie within its range.
struct ReplyValues {
    SettingRange range;
    int digits;
};
std::optional<ReplyValues> ReplyValuesOf(Op op);

}  // namespace brevant
