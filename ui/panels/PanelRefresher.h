// Brings what the connection procedures and the read-back worker report to
// the UI thread and writes it into the panel model, the one copy of the
// device the panels show; the panels follow the model's change signal. Also
// tells the user which settings the read-back could not read. It reads the
// mirror (atomics) on the UI thread and never writes it.
//
// Every observer call is replayed on the UI thread in the order it was made;
// the model folds the polling passes that arrive faster than the screen
// needs them.
//
// Thread-safety: the ConnectionObserver calls may come from any thread;
// the rest is for the UI thread.
#pragma once

#include "procedures/ConnectionObserver.h"
#include "ui/panels/PanelContext.h"

#include <QObject>

namespace brevant {

class PanelRefresher : public QObject, public ConnectionObserver {
    Q_OBJECT
public:
    PanelRefresher(PanelContext& context, const DeviceParams& mirror, QObject* parent = nullptr);
    ~PanelRefresher() override;

    void ModelPanesShown(ModelFamily family) override;
    void ChannelViewShown() override;
    void ReadBackIncomplete(const std::vector<SettingRef>& unread) override;
    void ReadBackRefreshed(ModelFamily family) override;
    void PollPassCompleted(ModelFamily family) override;
    void SettingsChanged(const std::vector<SettingRef>& changed) override;
    void LinkLost(int port) override;
    void LinkRestored(int port) override;
    void PanelsReset(ModelFamily family) override;
    void ReadBackEnded() override;

    // Polling passes written into the model.
    int PollPassesApplied() const { return pollPassesApplied_; }

signals:
    // For the main form: the channel view should come up; the worker has ended.
    void channelViewShown();
    void readBackEnded();

private:
    // Runs `apply` on the UI thread, after the calls made before it.
    template <typename F>
    void OnUiThread(F apply);

    PanelContext& context_;
    const DeviceParams& mirror_;
    int pollPassesApplied_ = 0;
};

}  // namespace brevant
