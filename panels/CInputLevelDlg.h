// The input level panel of a channel pane's "Level" group: gain fader, level
// label, signal meter, Mute and Priority, and on the second pane the ERLE and
// ERL echo meters. Channel 0 of the second pane shows only fader and meter.
#pragma once

#include "CPanelDialog.h"
#include "GainStrip.h"

#include <QTimer>

namespace brevant {

class CInputLevelDlg : public CPanelDialog {
    Q_OBJECT
public:
    static constexpr int kMuteId = 1003;
    static constexpr int kPriorityId = 1004;
    static constexpr int kErlId = 1005;
    static constexpr int kErleId = 1006;
    static constexpr int kTickMs = 100;

    CInputLevelDlg(PanelContext& context, int channelIndex, int paneKind, QWidget* parent = nullptr);
    ~CInputLevelDlg() override;

    // The gain the label shows, and whether the timer still has to apply it.
    int gainDb = -1;
    bool refreshPending = false;

    GainStrip& Strip() { return m_strip; }
    CImageCheckButton& Mute() { return *m_mute; }
    CImageCheckButton& Priority() { return *m_priority; }
    CLevelMeter& Erle() { return *m_erle; }
    CLevelMeter& Erl() { return *m_erl; }

    // Group mode: this panel shows `gain` at `position` (fader, or the
    // hidden trackbar when the change came from the trackbar).
    void TakeGroupGain(int position, int gain, bool fromTrackbar);

    void OnFaderMoving(int controlId, int value);
    void OnFaderMoved(int controlId, int value);
    void OnTrackbarScrolled(int code, int position);
    void OnMuteClicked();
    void OnPriorityClicked();
    // What the 100 ms timer does: applies a pending refresh.
    void ApplyPendingRefresh();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void SendGain(int position, bool fromTrackbar);

    GainStrip m_strip;
    CImageCheckButton* m_mute;
    CImageCheckButton* m_priority;
    CLevelMeter* m_erle;
    CLevelMeter* m_erl;
    QTimer m_timer;
};

}  // namespace brevant
