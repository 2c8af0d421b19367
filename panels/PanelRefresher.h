// Brings what the connection procedures and the read-back worker report to
// the panels, on the UI thread: the panes that suit the model, the first
// refresh after the read-back, every polling pass, and the idle display
// after a disconnect. Which panels and controls each refresh touches:
//
//   read-back: everything the device holds, faders included, the matrix;
//   polling pass: meters, gains (label only, the faders stay), switches;
//   reset: meters, gains and switches back to idle, the matrix rows too.
//
// Polling passes arrive faster than the screen needs them; while one is
// waiting to be applied, further ones are folded into it.
//
// Thread-safety: the ConnectionObserver calls may come from any thread;
// the Apply/Reset functions are for the UI thread.
#pragma once

#include "ConnectionObserver.h"
#include "PanelContext.h"

#include <QObject>

#include <atomic>

namespace brevant {

class PanelRefresher : public QObject, public ConnectionObserver {
    Q_OBJECT
public:
    explicit PanelRefresher(PanelContext& context, QObject* parent = nullptr);
    ~PanelRefresher() override;

    void ModelPanesShown(int family) override;
    void ChannelViewShown() override;
    void ReadBackRefreshed(int family) override;
    void PollPassCompleted(int family) override;
    void PanelsReset(int family) override;
    void ReadBackEnded() override;

    // On the UI thread.
    void ShowModelPanes(int family);
    void ApplyReadBack(int family);
    void ApplyPollPass(int family);
    void ResetPanels(int family);
    int PollPassesApplied() const { return m_pollPassesApplied; }

signals:
    // For the main form: the channel windows should show the panes of
    // `family`; the channel view should come up; the worker has ended.
    void panesChosen(int family);
    void channelViewShown();
    void readBackEnded();

private:
    void Priority() const;

    PanelContext& m_context;
    std::atomic<bool> m_pollQueued{false};
    std::atomic<int> m_pollFamily{0};
    int m_pollPassesApplied = 0;
};

}  // namespace brevant
