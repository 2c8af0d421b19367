// The Save to File and Open From File commands around the preset file, and
// undoing an Open From File.
#pragma once

#include "procedures/Connection.h"
#include "procedures/Preset.h"
#include "procedures/PresetFile.h"

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

// Sends a checked preset to the device. A connected device that is of an
// unknown model (unless WritesForced) or of another family than the preset's
// refuses it before anything is stopped or sent. Then: stops the worker,
// finds the port if none is known (one probe per port), opens it, reads the
// version and, when no device was connected, asks the model and refuses what
// does not fit it; only then stores the preset's entries into the mirror
// (entries it does not name keep the mirror's values; the family stays the
// device's), shows the panes of its family and sends every setting (UploadPreset).
// A refusal or a device not found is reported and sends nothing (total 0).
// `stop`, once set, ends the upload before its next setting (UploadPreset).
PresetLoad ApplyPreset(Connection& connection, const Preset& preset, const Report& report,
                       const ProgressFn& progress = {}, const std::atomic<bool>* stop = nullptr);

// LoadPresetFile, then ApplyPreset.
PresetLoad ApplyPresetFile(Connection& connection, const std::string& path, const Report& report,
                           const ProgressFn& progress = {});

// ApplyPreset, then Connect, then "Open successfully" (with the number of
// values brought into range, if any). An upload that ended early reports how
// far it got (PartlyLoadedText, with `undo`, the way back the caller offers)
// and connects again quietly, so the screen shows what the device holds; a
// complete upload after which Connect fails is no success either. `progress`
// follows the commands sent; `stop` cancels the upload (ApplyPreset), which
// is then reported as one that ended early.
PresetLoad OpenPreset(Connection& connection, const Preset& preset, const Report& report,
                      const ProgressFn& progress = {}, std::string_view undo = {},
                      const std::atomic<bool>* stop = nullptr);

// LoadPresetFile, then OpenPreset. With `before`, the device's setting as it
// was (DeviceSnapshot) is kept there, so the upload can be undone.
PresetLoad OpenFromFile(Connection& connection, const std::string& path, const Report& report,
                        const ProgressFn& progress = {}, std::optional<Preset>* before = nullptr);

}  // namespace brevant
