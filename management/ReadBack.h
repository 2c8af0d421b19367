// The read-back queries and one polling pass over the meters, as plain steps
// on a link; the Connection runs them on its worker.
#pragma once

#include "DeviceLink.h"

#include <atomic>

namespace brevant {

// Phase 1: queries every setting of `family` in the device's order (results
// ignored), then sets MRon from MR. Returns the number of exchanges made.
int ReadBackSettings(DeviceLink& link, int family);

// Reads the meters of `family` once: ML and OL of each input/output, and for
// family 2 ERLE and ERL of inputs 2..4. Stops early (false) as soon as `busy`
// is raised between two exchanges.
bool PollMetersOnce(DeviceLink& link, int family, const std::atomic<bool>& busy);

}  // namespace brevant
