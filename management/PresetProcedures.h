// The Save to File and Open From File commands around the preset file.
#pragma once

#include "Connection.h"

#include <string>

namespace brevant {

// Writes the mirror to `path`; reports "Save successfully" once the file is
// completely written, or why it could not be.
bool SaveToFile(const DeviceParams& params, const std::string& path, const Report& report);

// Reads `path` into the mirror and sends it to the device: stops the worker,
// finds the port if none is known (one probe per port), opens it, reads the
// version, shows the panes of the file's family and sends every setting.
// True when every step up to the last command was carried out.
bool ApplyPresetFile(Connection& connection, const std::string& path, const Report& report,
                     const ProgressFn& progress = {});

// `progress` follows the commands sent.
// ApplyPresetFile, then Connect, then "Open successfully".
bool OpenFromFile(Connection& connection, const std::string& path, const Report& report,
                  const ProgressFn& progress = {});

}  // namespace brevant
