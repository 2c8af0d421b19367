// The SaveDevice command: tells the device to keep its present setting in its
// own memory.
#pragma once

#include "core/DeviceLink.h"
#include "procedures/Messages.h"

namespace brevant {

inline constexpr int kSaveDeviceSends = 10;

// Refuses an unknown model ("Save device fail", WriteRefusal's text as the
// detail) with nothing sent. Otherwise holds the polling back (the meter
// polling stands back; the port lock lets a meter exchange already on the
// line finish first), sends SSs1 up to ten times until the device confirms
// it, and reports the outcome. True when confirmed.
bool SaveDevice(DeviceLink& link, const Report& report);

}  // namespace brevant
