// How a panel sends a change: refused at once with "Cannot connect" when no
// device is connected (or its link is lost), and with WriteRefusal's text
// ("unknown model K999: connected read-only, …") for a model the program does
// not know; otherwise, on the command queue's thread, the new values go into
// the mirror and the commands are sent in order, each tried up to eight
// times. A change the device still did not confirm is not left standing: the
// setting is queried, so the mirror holds what the device reports, and the
// outcome names it for the user.
#pragma once

#include "core/DeviceLink.h"
#include "core/SettingName.h"
#include "procedures/CommandQueue.h"
#include "procedures/Messages.h"

#include <functional>
#include <string>
#include <vector>

namespace brevant {

inline constexpr int kPanelAttempts = 8;

struct SettingChange {
    Op op;
    Address at;  // channel (1..4), or input and output
    int32_t value;
    bool storeOnly = false;  // only kept in the mirror, not sent
};

struct SendOutcome {
    // The changes the device did not confirm; the mirror holds what the
    // device reported for each instead.
    std::vector<SettingChange> unconfirmed;
    // Of those, the settings whose query got no answer either: the mirror
    // still holds the unconfirmed value, so the screen must not show it as
    // the device's.
    std::vector<SettingRef> unknown;
    bool Confirmed() const { return unconfirmed.empty(); }
};

// "Output 3 delay: the device did not confirm 150"
std::string UnconfirmedText(const SettingChange& change);

// Returns false (after reporting why) when nothing was sent.
// `done` runs on the queue's thread once every command was tried.
bool PanelSend(DeviceLink& link, CommandQueue& queue, std::vector<SettingChange> changes,
               const Report& report, std::function<void(const SendOutcome&)> done = {});

}  // namespace brevant
