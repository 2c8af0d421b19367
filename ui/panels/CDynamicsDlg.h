// The dynamics panel of an input channel pane: AGC, AFC, AEC (second pane
// only), NR with its depth slider and Phantom for the channel, and two
// settings of the whole device, AutoMix and the filter selection, which
// every input channel showing this panel keeps in step.
//
// NR off sends depth 0 through the switch form of MR, which leaves the
// stored depth alone; NR on sends the stored depth, or 1 when that is 0,
// since the device keeps NR off at depth 0. Moving the slider while
// NR is off only stores the new depth.
#pragma once

#include "ui/panels/CPanelDialog.h"
#include "core/Catalogue.h"

class QComboBox;
class QLabel;

namespace brevant {

class CSkinnedTrackbar;

class CDynamicsDlg : public CPanelDialog {
    Q_OBJECT
public:
    static constexpr int kNrSliderId = 1000;
    static constexpr int kFilterSliderId = 1001;
    static constexpr int kAutoMixId = 1003;
    static constexpr int kAgcId = 1004;
    static constexpr int kAecId = 1005;
    static constexpr int kAfcId = 1006;
    static constexpr int kNrId = 1007;
    static constexpr int kPhantomId = 1008;
    static constexpr int kFilterComboId = 1009;
    static constexpr int kMaxNrDepth = 15;

    CDynamicsDlg(PanelContext& context, int channelIndex, int paneKind, QWidget* parent = nullptr);
    ~CDynamicsDlg() override;

    CImageCheckButton& AutoMix() { return *m_autoMix; }
    CImageCheckButton& Agc() { return *m_agc; }
    CImageCheckButton& Afc() { return *m_afc; }
    CImageCheckButton& Aec() { return *m_aec; }
    CImageCheckButton& Nr() { return *m_nr; }
    CImageCheckButton& Phantom() { return *m_phantom; }
    CSkinnedTrackbar& NrSlider() { return *m_nrSlider; }
    CSkinnedTrackbar& FilterSlider() { return *m_filterSlider; }
    QComboBox& Filter() { return *m_filter; }
    // Shows the NR depth on the slider and beside it ("?" when unknown).
    void SetNrDepth(int depth, bool unknown = false);

    void OnAutoMixClicked();
    void OnAgcClicked();
    void OnAfcClicked();
    void OnAecClicked();
    void OnPhantomClicked();
    void OnNrClicked();
    void OnNrSliderScrolled(int position);
    void OnFilterChanged(int index);
    void OnFilterSliderScrolled(int position);
    // Shows what the model has changed (PanelModel::changed).
    void OnModelChanged(unsigned what);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    using ButtonOf = CImageCheckButton& (CDynamicsDlg::*)();
    // A per-channel switch: `button` of this panel (and in group mode of the
    // other channels' panels) sends `op` with its state.
    void SendSwitch(ButtonOf button, Op op, bool everyChannelOnSecondPane = false);

    CImageCheckButton* m_autoMix;
    CImageCheckButton* m_agc;
    CImageCheckButton* m_afc;
    CImageCheckButton* m_aec;
    CImageCheckButton* m_nr;
    CImageCheckButton* m_phantom;
    CSkinnedTrackbar* m_nrSlider;
    QLabel* m_nrDepth;
    CSkinnedTrackbar* m_filterSlider;
    QLabel* m_filterCaption;
    QComboBox* m_filter;
};

}  // namespace brevant
