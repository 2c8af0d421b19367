// The Upgrade command around the firmware transfer. The program splits it:
// PrepareUpgrade runs before the file is chosen, RunUpgrade after, on a worker.
#pragma once

#include "Connection.h"
#include "FirmwareTransfer.h"

#include <string>

namespace brevant {

// Refuses while connected ("Already connect,please disconnect") or while an
// upgrade runs; finds the port if none is known; opens and configures it.
// True when a file may be chosen and sent.
bool PrepareUpgrade(Connection& connection, const Report& report);

// Sends the image with Upgrading raised (a second upgrade is refused, Connect
// answers "Updating"), then reports "update successfully" or "update fail"
// with the reason. True on success.
bool RunUpgrade(Connection& connection, const std::string& path, const ProgressFn& progress,
                const Report& report);

}  // namespace brevant
