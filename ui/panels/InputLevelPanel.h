// The input level panel of a channel pane's "Level" group: gain fader, level
// label, signal meter, Mute and Priority, and on the second pane the ERLE and
// ERL echo meters. Channel 0 of the second pane shows only fader and meter.
#pragma once

#include "ui/panels/LevelPanel.h"

namespace brevant {

class InputLevelPanel : public LevelPanel {
    Q_OBJECT
public:
    static constexpr int kPriorityId = 1004;
    static constexpr int kErlId = 1005;
    static constexpr int kErleId = 1006;

    InputLevelPanel(PanelContext& context, int channelIndex, ModelFamily paneFamily,
                    QWidget* parent = nullptr);
    ~InputLevelPanel() override;

    ImageCheckButton& Priority() { return *priority_; }
    LevelMeter& Erle() { return *erle_; }
    LevelMeter& Erl() { return *erl_; }

    void OnPriorityClicked();
    // Shows what the model has changed (PanelModel::changed).
    void OnModelChanged(unsigned what);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    ImageCheckButton* priority_;
    LevelMeter* erle_;
    LevelMeter* erl_;
};

}  // namespace brevant
