// The body of a channel window: a task pane of captioned groups, each holding
// one panel. Kind 1 and 2 are the first and second pane of an input channel,
// kind 3 and 4 those of an output channel; the first pane serves a K225,
// the second a K217 or K218.
//
//   kind 1: "Level" (input level, 150), "Filter" (60), "Dynamics" (180)
//   kind 2: "Level" (432 on channel 0, else 150); "Filter" and "Dynamics"
//           only on channels 1..3
//   kind 3, 4: "Level" (output level, 432)
//
// Every pane also holds an output filter panel that it never places. Its
// panels follow the panel model; group mode reaches the other channels
// through the model too.
#pragma once

#include "ui/look/TaskPane.h"
#include "ui/panels/PanelContext.h"

namespace brevant {

class InputLevelPanel;
class InputFilterPanel;
class DynamicsPanel;
class OutputLevelPanel;
class OutputFilterPanel;

class ChannelPane : public TaskPane {
    Q_OBJECT
public:
    ChannelPane(PanelContext& context, int kind, int channelIndex, int channelFlag = 1,
                QWidget* parent = nullptr);
    ~ChannelPane() override;

    int Kind() const { return kind_; }
    int ChannelIndex() const { return channelIndex_; }
    int ChannelFlag() const { return channelFlag_; }
    Direction PaneDirection() const { return kind_ <= 2 ? Direction::Input : Direction::Output; }
    // The family the pane serves: a K225 for the first pane (kinds 1 and 3).
    ModelFamily PaneFamily() const
    {
        return kind_ == 1 || kind_ == 3 ? ModelFamily::K225 : ModelFamily::K217K218;
    }

    // The panels this pane shows; null for those it has none of.
    InputLevelPanel* InputLevel() const { return inputLevel_; }
    InputFilterPanel* InputFilter() const { return inputFilter_; }
    DynamicsPanel* Dynamics() const { return dynamics_; }
    OutputLevelPanel* OutputLevel() const { return outputLevel_; }
    // Built in every pane, never shown.
    OutputFilterPanel* OutputFilter() const { return outputFilter_; }

    // Enabled while the link is up (the live pane only) or down by a
    // disconnect; disabled, its values kept but stale, while the link is lost.
    void OnModelChanged(unsigned what);

private:
    PanelContext& context_;
    int kind_;
    int channelIndex_;
    int channelFlag_;
    InputLevelPanel* inputLevel_ = nullptr;
    InputFilterPanel* inputFilter_ = nullptr;
    DynamicsPanel* dynamics_ = nullptr;
    OutputLevelPanel* outputLevel_ = nullptr;
    OutputFilterPanel* outputFilter_ = nullptr;
};

}  // namespace brevant
