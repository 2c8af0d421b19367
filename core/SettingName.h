// The name a user reads for a setting (a catalogue row and where it points):
// "Input 2 gain", "Output 3 delay", "Crosspoint 1→3 gain", "AutoMix"; and
// how its value reads: "−5 dB", "off", "input 2".
//
// Thread-safety: pure functions; any thread may use them.
#pragma once

#include "core/Catalogue.h"

#include <string>
#include <vector>

namespace brevant {

std::string SettingName(const SettingRef& setting);

// A value of the setting `op` as people read it, with its unit.
std::string ValueText(Op op, int32_t value);

// The unit a value of `op` is counted in: "dB", "ms", "Hz"; empty for none.
std::string_view UnitText(Op op);

// The range and unit a value box of `op` takes, for its hint:
// "300–20000 Hz, 0 = off", "0–200 ms"; empty for a setting without a range.
std::string RangeHint(Op op);

// What becomes of a typed value of `op` when it is sent, when that is not the
// value itself or when it means off: "5 Hz is below 300 Hz: low-pass off",
// "9999 ms is above 200 ms: 200 ms sent", "0 Hz: low-pass off"; empty when the
// value is sent as typed.
std::string TypedValueNotice(Op op, int32_t typed);

// "3 settings could not be read: Input 1 gain, Crosspoint 2→4, AutoMix"
// ("1 setting could not be read: …"); empty for an empty list.
std::string UnreadSummary(const std::vector<SettingRef>& unread);

}  // namespace brevant
