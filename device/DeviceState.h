// The one state object of a running program: the device mirror and the link
// flags beside it. The application owns one and passes it down; tests build
// their own.
//
// Thread-safety: all flags are atomics; see DeviceParams.h for the mirror.
#pragma once

#include "DeviceParams.h"

#include <atomic>

namespace brevant {

struct LinkFlags {
    std::atomic<int> PortNumber{-1};      // COM port in use; below 1 = none
    std::atomic<bool> Connected{false};   // a known model answered the model query
    std::atomic<bool> LinkBusy{false};    // a user command owns the port; polling stands back
    std::atomic<bool> Upgrading{false};   // a firmware transfer owns the port
    std::atomic<bool> GroupMode{false};   // panel changes apply to all four channels
};

struct DeviceState {
    DeviceParams params;
    LinkFlags flags;
};

}  // namespace brevant
