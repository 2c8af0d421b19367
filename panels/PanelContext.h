// What every panel shares: the device link and the command queue it sends
// through, the way it tells the user something, and where the other panels
// are, so that group mode can reach the same control on every channel.
//
// Panes register themselves here when they are built; the live pane of a
// channel window is the first one for device family 1 and the second one for
// family 2.
//
// The context also holds the panel model, the copy of the device every panel
// shows (see PanelModel.h).
//
// Thread-safety: UI thread only. Send() hands the commands to the queue's
// thread and brings its outcome back to the UI thread; the mirror and the
// flags it reads are atomics.
#pragma once

#include "CommandQueue.h"
#include "DeviceLink.h"
#include "PanelModel.h"
#include "PanelSend.h"

#include <QObject>
#include <QString>

#include <array>
#include <functional>
#include <string_view>
#include <vector>

namespace brevant {

class CChannelPane;
class CMatrixDlg;

enum class Direction { Input = 1, Output = 2 };

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

    DeviceLink& Link() { return m_link; }
    CommandQueue& Queue() { return m_queue; }
    DeviceParams& Params() { return m_link.State().params; }
    LinkFlags& Flags() { return m_link.State().flags; }
    PanelModel& Model() { return m_model; }
    const PanelModel& Model() const { return m_model; }

    bool Connected() const { return m_link.State().flags.Connected; }
    bool Group() const { return m_link.State().flags.GroupMode; }
    // 1 or 2; any other value of the mirror reads as 1.
    int Family() const;
    // The pane kind (1 first, 2 second) that is live for the current family.
    int LivePaneKind() const { return Family() == 2 ? 2 : 1; }

    // The channels (0..3) a change of a control on `channelIndex` reaches:
    // that channel alone, or in group mode every channel, without channel 0
    // on family 2 when `absentOnFirstChannel` (the second pane of channel 0
    // does not show that control).
    std::vector<int> ChannelsReached(int channelIndex, bool absentOnFirstChannel) const;

    // Refuses with "Cannot connect" (and returns false) without a device;
    // otherwise stores the values in the mirror, queues the commands (each
    // tried up to eight times) and returns true. Once the device has answered,
    // on the UI thread: the model takes the settings as the mirror then holds
    // them (what the device reported for a change it did not confirm), marks
    // those it could not read back unknown, and names an unconfirmed change
    // in its notice; then `done` runs with the outcome.
    bool Send(std::vector<SettingChange> changes, std::function<void(const SendOutcome&)> done = {});
    void TellUser(std::string_view text) const;

    // Where the panes and the matrix dialog are.
    void RegisterPane(Direction direction, int channelIndex, int paneKind, CChannelPane* pane);
    void UnregisterPane(const CChannelPane* pane);
    CChannelPane* Pane(Direction direction, int channelIndex, int paneKind) const;
    CChannelPane* LivePane(Direction direction, int channelIndex) const
    {
        return Pane(direction, channelIndex, LivePaneKind());
    }
    void SetMatrix(CMatrixDlg* matrix) { m_matrix = matrix; }
    CMatrixDlg* Matrix() const { return m_matrix; }

private:
    void TakeOutcome(const std::vector<SettingRef>& sent, const SendOutcome& outcome);
    static int Slot(Direction direction, int channelIndex, int paneKind);

    DeviceLink& m_link;
    CommandQueue& m_queue;
    Tell m_tell;
    PanelModel m_model;
    std::array<CChannelPane*, 2 * kChannels * 2> m_panes{};
    CMatrixDlg* m_matrix = nullptr;
};

}  // namespace brevant
