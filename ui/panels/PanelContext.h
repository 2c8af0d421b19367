// What every panel shares: the panel model it reads (see PanelModel.h), the
// one way to send a change to the device, the way it tells the user
// something, and, for the dialogs that run procedures of their own (the sound
// test), a way to run work on the command queue's thread. The link and the
// mirror stay behind this class: the window never writes the mirror, and
// reaches the link only through work that runs on the queue's thread.
//
// Thread-safety: UI thread only. Send() and Run() hand their work to the
// queue's thread and bring the outcome back to the UI thread; the link flags
// Connected() reads are atomics.
#pragma once

#include "core/DeviceLink.h"
#include "procedures/CommandQueue.h"
#include "procedures/PanelSend.h"
#include "ui/panels/PanelModel.h"

#include <QObject>
#include <QString>

#include <functional>
#include <string_view>
#include <vector>

namespace brevant {

class PanelContext : public QObject {
    Q_OBJECT
public:
    // Shows a text to the user; the program uses a plain message box with an
    // OK button, tests record the text.
    using Tell = std::function<void(const QString& text)>;
    static void ShowMessageBox(const QString& text);

    PanelContext(DeviceLink& link, CommandQueue& queue, Tell tell = &PanelContext::ShowMessageBox,
                 QObject* parent = nullptr);
    ~PanelContext() override;
    PanelContext(const PanelContext&) = delete;
    PanelContext& operator=(const PanelContext&) = delete;

    PanelModel& Model() { return model_; }
    const PanelModel& Model() const { return model_; }

    bool Connected() const { return link_.State().flags.Connected; }
    bool Group() const { return model_.Group(); }
    // The connected model's family; a model of no known family reads as a K225.
    ModelFamily Family() const
    {
        return model_.Family() == ModelFamily::K217K218 ? ModelFamily::K217K218 : ModelFamily::K225;
    }

    // The channels (0..3) a change of a control on `channelIndex` reaches:
    // that channel alone, or in group mode every channel, without channel 0
    // on a K217 or K218 when `absentOnFirstChannel` (the second pane of channel 0
    // does not show that control).
    std::vector<int> ChannelsReached(int channelIndex, bool absentOnFirstChannel) const;

    // Refuses silently (returns false) without a device, or when a change is
    // of a setting whose value the model does not hold (TakesInput): nothing
    // the user did not choose goes out. Leaves out the changes of settings
    // the connected model (of a known family) does not have, returning false
    // when none is left. Otherwise the model shows the new values at once and
    // returns true; the commands are queued (each tried up to eight times;
    // the queue's thread stores the values in the mirror), unless a send for
    // one of the same settings is still on its way: then the change waits
    // for its answer, and a newer change of the same settings replaces it
    // (steps coalesce; the newest always goes out). Once the device has
    // answered, on the UI thread: the model takes the settings as the mirror
    // then holds them (what the device reported for a change it did not
    // confirm, and what it holds of the settings read along, PanelSend.h),
    // the user's newest choice still standing for a setting with sends
    // outstanding; those it could not read back are marked unknown and an
    // unconfirmed change is named in its notice; then `done` runs with the
    // outcome. A waiting change replaced by a newer one never runs its `done`.
    bool Send(std::vector<SettingChange> changes, std::function<void(const SendOutcome&)> done = {});
    void TellUser(std::string_view text) const;

    // Work that needs the link itself (the sound test's procedures): `work`
    // runs on the command queue's thread, then `finish` with its result on
    // the UI thread, unless `receiver` is gone by then.
    using Work = std::function<std::function<void()>(DeviceLink& link)>;
    void Run(QObject* receiver, Work work);

private:
    struct Batch {
        std::vector<SettingChange> changes;
        std::function<void(const SendOutcome&)> done;
    };
    bool InFlight(const SettingRef& setting) const;
    bool Waiting(const SettingRef& setting) const;
    // Queues `batch` now; false (its choices dropped) when it was refused.
    bool Dispatch(Batch batch);
    // Sends the waiting batches none of whose settings is on its way any more.
    void SendWaiting();
    void TakeOutcome(const std::vector<SettingRef>& sent, const SendOutcome& outcome);

    DeviceLink& link_;
    CommandQueue& queue_;
    Tell tell_;
    PanelModel model_;
    // One entry per setting per send on the queue, not yet answered.
    std::vector<SettingRef> inFlight_;
    // Steps held back until the sends before them for the same settings are
    // answered; at most one per set of settings, the newest.
    std::vector<Batch> waiting_;
};

}  // namespace brevant
