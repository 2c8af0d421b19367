// What the input and the output level panel share: the gain strip with its
// "%ddb" label (empty before the read-back, "?" when the device's gain could
// not be read), the Mute switch, how
// they show the panel model, and how a gain the user chose on the strip or a
// Mute click is sent, alone or in group mode to the level panel in the live
// pane of every channel window of the same direction.
#pragma once

#include "ui/panels/ControlPanel.h"
#include "ui/panels/GainStrip.h"
#include "ui/panels/PanelContext.h"

namespace brevant {

class LevelPanel : public ControlPanel {
    Q_OBJECT
public:
    static constexpr int kMuteId = 1003;

    ~LevelPanel() override;

    GainStrip& Strip() { return strip_; }
    ImageCheckButton& Mute() { return *mute_; }

    void OnMuteClicked();

protected:
    LevelPanel(PanelContext& context, Direction direction, int channelIndex, ModelFamily paneFamily,
               GainScale scale, const QString& initialLabel, QWidget* parent);
    // From the model: the meter and its colour (empty until a polling pass
    // of this connection), the gain label (empty before the read-back), and
    // the fader too when `fader`, unless the user holds it.
    void ShowLevel(bool fader);
    // The meter empty (the link is gone).
    void EmptyMeter() { strip_.ShowNoReading(); }
    Op GainOp() const { return direction_ == Direction::Input ? Op::MG : Op::OV; }
    Op MuteOp() const { return direction_ == Direction::Input ? Op::MM : Op::OM; }

private:
    void SendGain(int gain);

    Direction direction_;
    GainStrip strip_;
    ImageCheckButton* mute_;
};

}  // namespace brevant
