// The "Filter" group of an input channel pane: the high-pass switch, sent to
// the device, and the EQ and FBK indicators, which are kept in step across
// the channels in group mode but never sent.
#pragma once

#include "ui/panels/ControlPanel.h"

class QPushButton;

namespace brevant {

class InputFilterPanel : public ControlPanel {
    Q_OBJECT
public:
    static constexpr int kEqId = 1003;
    static constexpr int kFbkId = 1004;
    static constexpr int kEditId = 1005;
    static constexpr int kHighpassId = 1006;

    InputFilterPanel(PanelContext& context, int channelIndex, QWidget* parent = nullptr);
    ~InputFilterPanel() override;

    ImageCheckButton& Highpass() { return *highpass_; }
    ImageCheckButton& Eq() { return *eq_; }
    ImageCheckButton& Fbk() { return *fbk_; }

    void OnHighpassClicked();
    void OnEqClicked();
    void OnFbkClicked();
    // Shows what the model has changed (PanelModel::changed).
    void OnModelChanged(unsigned what);

private:
    ImageCheckButton* highpass_;
    ImageCheckButton* eq_;
    ImageCheckButton* fbk_;
    QPushButton* edit_;
};

}  // namespace brevant
