// The Save to File and Open From File commands around the preset file, and
// undoing an Open From File.
#pragma once

#include "Connection.h"
#include "Preset.h"

#include <optional>
#include <string>

namespace brevant {

// Writes the mirror to `path`; reports "Save successfully" once the file is
// completely written, or why it could not be.
bool SaveToFile(const DeviceParams& params, const std::string& path, const Report& report);

// Reads and checks the preset in `path`; reports why it is not one (naming
// the file and the first bad line) and returns nothing then.
std::optional<Preset> LoadPresetFile(const std::string& path, const Report& report);

// The device's present setting, when the mirror holds it whole: connected,
// the link not lost, and every setting read back. What an upload is undone with.
std::optional<Preset> DeviceSnapshot(const Connection& connection);

// Sends a checked preset to the device: stops the worker, finds the port if
// none is known (one probe per port), opens it, reads the version; only then
// stores the preset into the mirror (entries it does not name keep the
// mirror's values), shows the panes of its family and sends every setting.
// True when every step up to the last command was carried out.
bool ApplyPreset(Connection& connection, const Preset& preset, const Report& report,
                 const ProgressFn& progress = {});

// LoadPresetFile, then ApplyPreset.
bool ApplyPresetFile(Connection& connection, const std::string& path, const Report& report,
                     const ProgressFn& progress = {});

// ApplyPreset, then Connect, then "Open successfully" (with the number of
// values brought into range, if any). `progress` follows the commands sent.
bool OpenPreset(Connection& connection, const Preset& preset, const Report& report,
                const ProgressFn& progress = {});

// LoadPresetFile, then OpenPreset. With `before`, the device's setting as it
// was (DeviceSnapshot) is kept there, so the upload can be undone.
bool OpenFromFile(Connection& connection, const std::string& path, const Report& report,
                  const ProgressFn& progress = {}, std::optional<Preset>* before = nullptr);

}  // namespace brevant
