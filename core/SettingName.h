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

// "3 settings could not be read: Input 1 gain, Crosspoint 2→4, AutoMix"
// ("1 setting could not be read: …"); empty for an empty list.
std::string UnreadSummary(const std::vector<SettingRef>& unread);

}  // namespace brevant
