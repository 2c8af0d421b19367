// The read-back queries and one polling pass over the meters, as plain steps
// on a link; the Connection runs them on its worker.
#pragma once

#include "core/DeviceLink.h"
#include "core/SettingName.h"

#include <atomic>
#include <vector>

namespace brevant {

// How often the read-back asks for a setting before it counts it as unread.
inline constexpr int kReadBackTries = 4;
// This many settings in a row that got no answer at all mean the device is
// gone, not merely flaky: the read-back gives up.
inline constexpr int kReadBackSilentLimit = 3;

struct ReadBackResult {
    int exchanges = 0;               // every exchange made, retries included
    std::vector<SettingRef> unread;  // settings no try could read (meters not counted)
    bool stopped = false;            // the stop request ended it early
    bool lost = false;               // the port vanished, the device fell silent, or no valid
                                     // reply came for ReplyWatch::kGiveUp (DeviceLink::ReplyOverdue)
};

// Phase 1: queries every setting and meter of `family` in the device's order
// (ReadBackList), each setting up to kReadBackTries times, then sets MRon from MR where MR was read. Looks
// at `stop` before every exchange.
ReadBackResult ReadBackSettings(DeviceLink& link, ModelFamily family, const std::atomic<bool>& stop);

struct PollResult {
    bool completed = false;  // every meter was asked (not abandoned)
    int answered = 0;        // exchanges that got a valid reply
    bool portGone = false;
    bool overdue = false;  // no valid reply for ReplyWatch::kGiveUp: the link is lost
};

// Reads the meters of `family` once, channel by channel, in the order of
// their steps (PollingPass): ML and OL, and on a K217/K218 ERLE and ERL of
// inputs 2..4. Abandons the pass as soon as the
// polling is held back, or `stop` is raised, between two exchanges, and at
// once when the port is gone or a failed exchange finds the reply overdue.
PollResult PollMetersOnce(DeviceLink& link, ModelFamily family, const std::atomic<bool>& stop);
// Asks one meter (the first of input 1 the model has), to learn whether the
// device still answers; `completed` once asked, counted as PollMetersOnce counts.
PollResult CheckAnswering(DeviceLink& link, ModelFamily family, const std::atomic<bool>& stop);

struct SettingsPassResult {
    bool completed = false;           // every setting was asked (not abandoned)
    std::vector<SettingRef> changed;  // settings whose reply changed the mirror, even when abandoned
    bool portGone = false;
    bool overdue = false;
};

// Asks every setting of `family` once, in the read-back's order, and names
// those whose reply changed the mirror. For a service's shared port, which
// answers them from its own mirror without using the device's line: a change
// made by another client shows here. A setting that is not answered keeps
// its value. Abandoned as PollMetersOnce is.
SettingsPassResult ReadSettingsOnce(DeviceLink& link, ModelFamily family, const std::atomic<bool>& stop);

}  // namespace brevant
