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

#include "core/Catalogue.h"
#include "ui/panels/ControlPanel.h"

class QComboBox;
class QLabel;

namespace brevant {

class SkinnedTrackbar;

class DynamicsPanel : public ControlPanel {
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

    DynamicsPanel(PanelContext& context, int channelIndex, ModelFamily paneFamily, QWidget* parent = nullptr);
    ~DynamicsPanel() override;

    ImageCheckButton& AutoMix() { return *autoMix_; }
    ImageCheckButton& Agc() { return *agc_; }
    ImageCheckButton& Afc() { return *afc_; }
    ImageCheckButton& Aec() { return *aec_; }
    ImageCheckButton& Nr() { return *nr_; }
    ImageCheckButton& Phantom() { return *phantom_; }
    SkinnedTrackbar& NrSlider() { return *nrSlider_; }
    SkinnedTrackbar& FilterSlider() { return *filterSlider_; }
    QComboBox& Filter() { return *filter_; }
    // Shows the NR depth on the slider and beside it ("?" when unknown).
    void SetNrDepth(int depth, bool unknown = false);

    void OnAutoMixClicked();
    void OnAgcClicked();
    void OnAfcClicked();
    void OnAecClicked();
    void OnPhantomClicked();
    void OnNrClicked();
    // The user finished moving the NR depth slider at `depth`, or chose
    // filter `index` in the list or on the hidden filter slider.
    void OnNrDepthChosen(int depth);
    void OnFilterChosen(int index);
    // Shows what the model has changed (PanelModel::changed).
    void OnModelChanged(unsigned what);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    using ButtonOf = ImageCheckButton& (DynamicsPanel::*)();
    // A per-channel switch: `button` of this panel (and in group mode of the
    // other channels' panels) sends `op` with its state.
    void SendSwitch(ButtonOf button, Op op, bool everyChannelOnSecondPane = false);

    ImageCheckButton* autoMix_;
    ImageCheckButton* agc_;
    ImageCheckButton* afc_;
    ImageCheckButton* aec_;
    ImageCheckButton* nr_;
    ImageCheckButton* phantom_;
    SkinnedTrackbar* nrSlider_;
    QLabel* nrDepth_;
    SkinnedTrackbar* filterSlider_;
    QLabel* filterCaption_;
    QComboBox* filter_;
};

}  // namespace brevant
