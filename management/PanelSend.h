// How a panel sends a change: refused at once with "Cannot connect" when no
// device is connected; otherwise the new values go into the mirror at once
// and the commands are sent in order on the command queue, each tried up to
// eight times and then dropped (the mirror keeps the new value, so the next
// save carries it).
#pragma once

#include "CommandQueue.h"
#include "DeviceLink.h"
#include "Messages.h"

#include <functional>
#include <vector>

namespace brevant {

inline constexpr int kPanelAttempts = 8;

struct SettingChange {
    Op op;
    Address at;  // channel (1..4), or input and output
    int32_t value;
};

// Returns false (after reporting "Cannot connect") when nothing was sent.
// `done` runs on the queue's thread once every command was tried, with true
// when the device confirmed them all.
bool PanelSend(DeviceLink& link, CommandQueue& queue, std::vector<SettingChange> changes,
               const Report& report, std::function<void(bool confirmed)> done = {});

}  // namespace brevant
