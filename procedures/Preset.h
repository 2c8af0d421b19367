// A preset as a value of its own: what a preset file says, checked, kept apart
// from the device mirror until an upload begins. A file is a preset when it
// is text of at least nineteen lines, line k beginning with the key of row k
// ("DeviceType:", "MG:", ... "XG:") followed by integers. Values outside a
// setting's range are brought into it as the device would, and each is kept
// with what the file said.
//
// Also the device's present setting as a preset (the snapshot an upload can
// be undone with), and the differences between a preset and the device.
#pragma once

#include "core/DeviceParams.h"
#include "core/SettingName.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace brevant {

struct PresetEntry {
    SettingRef setting;  // device-wide settings have address {0, 0}
    int32_t value;
};

// A value of the file that was outside its setting's range.
struct BroughtIn {
    int line;  // its line in the file (2..19)
    SettingRef setting;
    int32_t inFile;  // as the file wrote it; the entry holds it brought into range
};

struct Preset {
    int32_t family = 1;                // the DeviceType line
    std::vector<PresetEntry> entries;  // in file order; only the entries the file names
    std::vector<BroughtIn> broughtIn;  // in file order
};

struct PresetCheck {
    std::optional<Preset> preset;
    std::string error;  // e.g. `line 2: expected "MG:", found "XX:5,5,5,5,"`
};

// Checks and reads a preset text. Any bytes are safe.
PresetCheck ParsePresetText(std::string_view text);

// Every setting a preset holds, as the mirror holds it now; a setting the
// mirror's family does not have is 0.
Preset PresetFromMirror(const DeviceParams& params);

// Stores the preset's entries into the mirror; entries the preset does not
// name keep their values, and so do those the mirror's family does not have.
// The family stays the device's: a preset never changes which commands are sent.
void StorePreset(const Preset& preset, DeviceParams& params);

// The settings the mirror's family has whose preset value differs from the
// mirror's, one line each:
// "Input 2 gain: −5 dB → 3 dB", "Crosspoint 1→3: off → on"; a value brought
// into range says what the file wrote:
// "Input 1 gain: 0 dB → 47 dB (99 in the file, brought into range)".
std::vector<std::string> DiffPreset(const Preset& preset, const DeviceParams& params);

// The nineteen lines of a preset file holding `preset` (entries it does not
// name as 0), each ending in CR CR LF.
std::string FormatPreset(const Preset& preset);

inline constexpr std::size_t kPresetLines = 19;

// "2 values were outside their range and were brought into it"; empty when none.
std::string ClampedText(const Preset& preset);

}  // namespace brevant
