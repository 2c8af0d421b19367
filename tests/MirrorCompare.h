// Compares the program's device mirror with the simulator's own settings
// (as its state file holds them), setting by setting.
#pragma once

#include "core/DeviceParams.h"
#include "core/SettingName.h"
#include "programs/sim/DeviceSettings.h"

#include <string>
#include <vector>

namespace brevant::test {

// The simulator's key for a catalogue setting.
sim::SettingKey SimKey(const SettingRef& setting);

// The value the mirror holds for `setting`.
int32_t MirrorValue(DeviceParams& mirror, const SettingRef& setting);

// A value in the device's range for `setting`, other than `notThis`, that
// varies with `step` (for runs of sets that each change something).
int32_t SampleValue(const SettingRef& setting, int step, int32_t notThis);

// A device setting with every setting of `which` away from its factory value.
sim::DeviceSettings SettingsAwayFromFactory(const std::vector<SettingRef>& which);

// One line per setting of `which` whose mirror value is not the device's:
// "Input 2 gain: mirror 5, device 7".
std::vector<std::string> MirrorDivergences(DeviceParams& mirror, const sim::DeviceSettings& device,
                                           const std::vector<SettingRef>& which);

}  // namespace brevant::test
