// What the connection procedures and the read-back worker tell the user
// interface. Nothing here touches a widget: the observer is told what changed
// and reads the values from the device mirror itself.
//
// Thread-safety: every call may come from the read-back worker or from the
// thread that runs a procedure; a user interface hands them over to its own
// thread (and may coalesce PollPassCompleted).
#pragma once

namespace brevant {

class ConnectionObserver {
public:
    virtual ~ConnectionObserver() = default;
    // Every channel window shows the panes of `family` (1: first pane, 2: second).
    virtual void ModelPanesShown(int /*family*/) {}
    // The form switches to the blank page and then to the channel view.
    virtual void ChannelViewShown() {}
    // Phase 2 of the read-back: every setting has been read; refresh all panels.
    virtual void ReadBackRefreshed(int /*family*/) {}
    // One polling pass has read every meter of `family`.
    virtual void PollPassCompleted(int /*family*/) {}
    // Disconnect: the panels of `family` go back to their idle display.
    virtual void PanelsReset(int /*family*/) {}
    // The read-back worker has ended.
    virtual void ReadBackEnded() {}
};

}  // namespace brevant
