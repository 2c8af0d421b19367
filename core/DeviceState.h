// The one state object of a running program: the device mirror and the link
// flags beside it. The application owns one and passes it down; tests build
// their own.
//
// Thread-safety: all flags are atomics; see DeviceParams.h for the mirror.
#pragma once

#include "core/DeviceParams.h"

#include <atomic>

namespace brevant {

struct LinkFlags {
    std::atomic<int> PortNumber{-1};     // COM port in use; below 1 = none
    std::atomic<bool> Connected{false};  // a model answered and the link is live
    // The model that answered is none this program knows (SA holds its text):
    // the link is read-only, so read-back and meters work, but nothing that
    // writes to the device (sets, preset load, save to device, upgrade) is sent
    // unless the user forces it.
    std::atomic<bool> UnknownModel{false};
    // The user allows writing to an unknown model all the same (brevantctl --force).
    std::atomic<bool> WritesForced{false};
    std::atomic<bool> Upgrading{false};  // a firmware transfer owns the port
    // The port is a service's shared port, not the device's own line: the
    // service answered its query (wire::kServiceQuery) at connect.
    std::atomic<bool> Shared{false};

    // Polling stands back while any user work holds the link: the command
    // queue while it has jobs, save to device, Disconnect, a CLI command.
    // Each holder takes one count (PollingHold), so one holder ending never
    // lets polling slip in while another still works.
    bool PollingHeld() const { return pollingHolds.load() > 0; }
    std::atomic<int> pollingHolds{0};
};

// Holds the polling back for as long as it lives.
class PollingHold {
public:
    explicit PollingHold(LinkFlags& flags) : flags_(&flags) { ++flags_->pollingHolds; }
    ~PollingHold() { Release(); }
    PollingHold(const PollingHold&) = delete;
    PollingHold& operator=(const PollingHold&) = delete;
    // Ends the hold early; harmless when already released.
    void Release()
    {
        if (flags_ != nullptr)
            --flags_->pollingHolds;
        flags_ = nullptr;
    }

private:
    LinkFlags* flags_;
};

struct DeviceState {
    DeviceParams params;
    LinkFlags flags;
};

}  // namespace brevant
