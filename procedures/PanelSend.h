// How a panel sends a change: refused at once with "Cannot connect" when no
// device is connected (or its link is lost), and with WriteRefusal's text
// ("unknown model K999: connected read-only, …") for a model the program does
// not know; otherwise, on the command queue's thread, the new values go into
// the mirror and the commands are sent in order, each tried up to eight
// times. A change the device still did not confirm is not left standing: the
// setting is queried, so the mirror holds what the device reports, and the
// outcome names it for the user. On an output that has a delay, the device
// runs either the delay or the low-pass filter and decides what a set of one
// does to the other: after a set of the delay, the low-pass or the high-pass
// limit there, the other setting is queried too (ReadAlong), so the mirror
// holds what the device kept.
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
    // The settings queried along with the changes (ReadAlong) that answered.
    std::vector<SettingRef> reread;
    bool Confirmed() const { return unconfirmed.empty(); }
};

// What the device may have changed along with `change` on a model of
// `family`: on an output with a delay, the low-pass limit for a delay, the
// delay for a low-pass or high-pass limit; nothing otherwise.
std::vector<SettingRef> ReadAlong(const SettingChange& change, ModelFamily family);

// "Output 3 delay: the device did not confirm 150"
std::string UnconfirmedText(const SettingChange& change);

// Returns false (after reporting why) when nothing was sent.
// `done` runs on the queue's thread once every command was tried.
bool PanelSend(DeviceLink& link, CommandQueue& queue, std::vector<SettingChange> changes,
               const Report& report, std::function<void(const SendOutcome&)> done = {});

}  // namespace brevant
