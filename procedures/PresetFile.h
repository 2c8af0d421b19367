// Preset files: the whole setting of the device (every input, output and
// crosspoint value and the device-wide values) as nineteen text lines, saved
// from and loaded into the mirror, and the upload that sends the mirror's
// setting to the device.
//
// On disk every line ends in the three bytes CR CR LF, the form presets have
// always had; reading accepts CR CR LF, CR LF and LF alike.
#pragma once

#include "procedures/Messages.h"

#include "core/DeviceLink.h"
#include "core/DeviceParams.h"
#include "procedures/Preset.h"

#include <atomic>
#include <string>
#include <string_view>

namespace brevant {

struct PresetResult {
    bool ok = false;
    std::string error;  // names the file and the reason, e.g. "cannot create /x/y.lg: Permission denied"
};

// The exact bytes of a preset file holding the mirror's setting.
std::string FormatPreset(const DeviceParams& params);

// Writes FormatPreset(params) to `path` with WriteFileAtomically: a failure
// never leaves a half-written preset (an existing preset stays as it was),
// and only a regular file or a new name is written.
PresetResult WritePresetFile(const std::string& path, const DeviceParams& params);

// The largest preset file read: its nineteen lines take about 1 KiB.
inline constexpr std::size_t kMaxPresetBytes = std::size_t{64} * 1024;

// Reads and checks the preset in `path` (lines after the nineteenth are
// ignored). The error names the file and the reason: it is no regular file
// ("/dev/zero is a character device, not a file"), larger than
// kMaxPresetBytes, cannot be opened, or is no preset ("room.lg: line 2:
// expected "MG:", found …").
PresetCheck ReadPresetFile(const std::string& path);

// How far sending a preset got.
struct PresetLoad {
    bool ok = false;      // every setting went (and, after OpenPreset, the device was connected again)
    int sent = 0;         // settings the device confirmed, from the first on
    int total = 0;        // settings the upload holds; 0 when nothing was sent
    std::string failure;  // the setting that was not taken and why: "Output 3 delay: no reply"
    explicit operator bool() const { return ok; }
};

// Tries for each setting of an upload before it is given up.
inline constexpr int kUploadAttempts = 3;

// Sends the setting held in the mirror to the device, each value with its set
// command (tried up to kUploadAttempts times until the device confirms it):
// every setting the mirror's family has (UploadList), channel by channel and
// then the device-wide values; 81 commands for a K225, 82 for a K217/K218.
// The first setting the device does not confirm, or a port that is gone,
// ends the upload; so does `stop` once set (looked at before each setting,
// the failure then "cancelled").
PresetLoad UploadPreset(DeviceLink& link, const ProgressFn& progress = {},
                        const std::atomic<bool>* stop = nullptr);

// "the preset was only partly loaded: 43 of 81 settings (Output 3 delay: no
// reply)", then "; " and `undo` when there is one.
std::string PartlyLoadedText(const PresetLoad& load, std::string_view undo);

// What an undo of a preset load says it did: "Restored the 81 settings the
// device held before /home/a/hall.lg".
std::string RestoredText(int sent, std::string_view file);

}  // namespace brevant
