// The EQ and FBK indicators of an output channel, kept in step across the
// channels in group mode, and an "Edit" button without action. Every pane
// holds one; none places it.
#pragma once

#include "ui/panels/ControlPanel.h"

class QPushButton;

namespace brevant {

class OutputFilterPanel : public ControlPanel {
    Q_OBJECT
public:
    static constexpr int kEqId = 1003;
    static constexpr int kFbkId = 1004;
    static constexpr int kEditId = 1005;

    OutputFilterPanel(PanelContext& context, int channelIndex, QWidget* parent = nullptr);
    ~OutputFilterPanel() override;

    ImageCheckButton& Eq() { return *eq_; }
    ImageCheckButton& Fbk() { return *fbk_; }

    void OnEqClicked();
    void OnFbkClicked();
    // Shows what the model has changed (PanelModel::changed).
    void OnModelChanged(unsigned what);

private:
    ImageCheckButton* eq_;
    ImageCheckButton* fbk_;
    QPushButton* edit_;
};

}  // namespace brevant
