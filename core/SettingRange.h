// The values each setting accepts and a reply of it may carry, from the
// catalogue's rows.
//
// Thread-safety: pure functions; any thread may use them.
#pragma once

#include "core/Catalogue.h"

#include <cstdint>
#include <optional>

namespace brevant {

// The range of a settable setting; nullopt for meters, actions and blocks.
std::optional<SettingRange> RangeOf(Op op);

// The values a reply of a setting or meter may carry, and how many digits
// they take at most; nullopt for actions and blocks. A setting whose reply is
// stored clamped (OD, OF, OH) may carry any value of as many digits as its
// range, a negative one too; so may a meter, on its scale. The switch form of
// MR is answered as MR. Every other setting's reply must lie within its range.
struct ReplyValues {
    SettingRange range;
    int digits;
};
std::optional<ReplyValues> ReplyValuesOf(Op op);

}  // namespace brevant
