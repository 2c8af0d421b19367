// What the connection procedures and the read-back worker tell the user
// interface. Nothing here touches a widget: the observer is told what changed
// and reads the values from the device mirror itself.
//
// The life of a connection as the observer sees it:
//   ModelPanesShown, ChannelViewShown, [ReadBackIncomplete], ReadBackRefreshed,
//   PollPassCompleted... (through a shared port each may be followed by
//   SettingsChanged),
//   then either Disconnect's PanelsReset and ReadBackEnded, or LinkLost and,
//   once the device answers again, LinkRestored followed by a new read-back
//   (ModelPanesShown, [ReadBackIncomplete], ReadBackRefreshed, ...).
// After PanelsReset no call about that connection follows but ReadBackEnded.
//
// Thread-safety: every call may come from the read-back worker or from the
// thread that runs a procedure; a user interface hands them over to its own
// thread (and may coalesce PollPassCompleted).
#pragma once

#include "core/Catalogue.h"
#include "core/SettingName.h"

#include <vector>

namespace brevant {

class ConnectionObserver {
public:
    virtual ~ConnectionObserver() = default;
    // Every channel window shows the panes of `family` (K225: the first pane,
    // K217K218: the second; Unknown: none).
    virtual void ModelPanesShown(ModelFamily /*family*/) {}
    // The form switches to the blank page and then to the channel view.
    virtual void ChannelViewShown() {}
    // The read-back could not read these settings even after its retries:
    // their mirror entries hold nothing the device said. Comes just before
    // ReadBackRefreshed.
    virtual void ReadBackIncomplete(const std::vector<SettingRef>& /*unread*/) {}
    // Phase 2 of the read-back: every setting has been read; refresh all panels.
    virtual void ReadBackRefreshed(ModelFamily /*family*/) {}
    // One polling pass has read every meter of `family`.
    virtual void PollPassCompleted(ModelFamily /*family*/) {}
    // Through a service's shared port, a pass over the settings after a
    // polling pass found these changed (by another client of the service):
    // their mirror entries hold the new values.
    virtual void SettingsChanged(const std::vector<SettingRef>& /*changed*/) {}
    // The device stopped answering (or its port vanished) on COM`port`;
    // Connected is cleared. The connection keeps trying to reach it again
    // unless it was told not to.
    virtual void LinkLost(int /*port*/) {}
    // The device answers its model query again on COM`port` (perhaps another
    // number than the lost one); a full read-back follows.
    virtual void LinkRestored(int /*port*/) {}
    // Disconnect: the panels of `family` keep the values last read, greyed.
    virtual void PanelsReset(ModelFamily /*family*/) {}
    // The read-back worker has ended.
    virtual void ReadBackEnded() {}
};

}  // namespace brevant
