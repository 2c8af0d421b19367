// What the input and the output level panel share: the gain strip with its
// "%ddb" label, the Mute switch, the gain shown and the refresh flag, and how
// a fader release or a Mute click is sent, alone or in group mode to the
// level panel in the live pane of every channel window of the same direction.
#pragma once

#include "CPanelDialog.h"
#include "GainStrip.h"
#include "PanelContext.h"

namespace brevant {

class CLevelPanel : public CPanelDialog {
    Q_OBJECT
public:
    static constexpr int kMuteId = 1003;

    ~CLevelPanel() override;

    // The gain the label shows, and whether the timer still has to apply it.
    int gainDb;
    bool refreshPending = false;

    GainStrip& Strip() { return m_strip; }
    CImageCheckButton& Mute() { return *m_mute; }

    // Group mode: this panel shows `gain` at `position` (fader, or the
    // hidden trackbar when the change came from the trackbar).
    void TakeGroupGain(int position, int gain, bool fromTrackbar);

    // The fader's notifications; only those of the gain fader count.
    void OnFaderMoving(int controlId, int value);
    void OnFaderMoved(int controlId, int value);
    void OnTrackbarScrolled(int code, int position);
    void OnMuteClicked();

protected:
    CLevelPanel(PanelContext& context, Direction direction, int channelIndex, int paneKind, GainScale scale,
                const QString& initialLabel, QWidget* parent);
    // A pending refresh: the label from gainDb, the trackbar repainted, the
    // bar coloured for the channel's last level reading.
    void ApplyGainRefresh();

private:
    void SendGain(int position, bool fromTrackbar);
    CLevelPanel* LiveLevel(int k) const;

    Direction m_direction;
    GainStrip m_strip;
    CImageCheckButton* m_mute;
};

}  // namespace brevant
