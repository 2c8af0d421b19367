// The Upgrade command around the firmware transfer. The program splits it:
// PrepareUpgrade runs before the file is chosen, RunUpgrade after, on a worker.
// The transfer has the port alone: no reconnect worker and no polling run
// beside it. Afterwards the caller connects again as after Connect.
#pragma once

#include "procedures/Connection.h"
#include "procedures/FirmwareTransfer.h"

#include <string>

namespace brevant {

// Refuses while connected ("Already connect,please disconnect") or while an
// upgrade runs; ends a worker still seeking a lost device as Disconnect does
// (and waits for it), so nothing scans, closes or reopens the port any more; finds the port if
// none is known; opens it; asks the model and refuses an unknown one
// ("update fail", WriteRefusal's text) unless WritesForced. True when a file
// may be chosen and sent.
bool PrepareUpgrade(Connection& connection, const Report& report);

// Sends the image with Upgrading raised (a second upgrade is refused, Connect
// answers "Updating") and the polling held, after ending any worker started
// since PrepareUpgrade; then reports bytes of the image that were not sent,
// if any, and "update successfully" or "update fail" with the reason. True
// on success.
bool RunUpgrade(Connection& connection, const std::string& path, const ProgressFn& progress,
                const Report& report);

}  // namespace brevant
