#include "ui/panels/LevelPanel.h"

#include "ui/controls/ImageCheckButton.h"
#include "ui/panels/InputLevelPanel.h"
#include "ui/panels/OutputLevelPanel.h"

namespace brevant {

LevelPanel::LevelPanel(PanelContext& context, Direction direction, int channelIndex_, ModelFamily paneFamily_,
                       GainScale scale, const QString& initialLabel, QWidget* parent)
    : ControlPanel(context, parent), direction_(direction),
      strip_(this, scale, scale.maxPosition, initialLabel), mute_(AddCheck(kMuteId, tr("Mute")))
{
    channelIndex = channelIndex_;
    paneFamily = paneFamily_;
    strip_.Name(direction, Channel());
    connect(&strip_, &GainStrip::gainChosen, this, &LevelPanel::SendGain);
    connect(mute_, &ImageCheckButton::clicked, this, &LevelPanel::OnMuteClicked);
}

LevelPanel::~LevelPanel() = default;

void LevelPanel::SendGain(int gain)
{
    PanelContext& context = Context();
    std::vector<SettingChange> changes;
    // Gain changes reach every channel in group mode, on both families; the
    // other channels' panels follow the model.
    for (int k : context.ChannelsReached(channelIndex, false))
        changes.push_back({GainOp(), {k + 1}, gain});
    // Refused (a drag that a Disconnect ended, say): the strip goes back to
    // what the model holds.
    if (!context.Send(std::move(changes)))
        ShowLevel(true);
}

void LevelPanel::OnMuteClicked()
{
    PanelContext& context = Context();
    const int s = mute_->isChecked() ? 1 : 0;
    if (!context.Connected())
        return;
    // Channel 0 of the second pane shows no Mute; group mode leaves it out.
    std::vector<SettingChange> changes;
    for (int k : context.ChannelsReached(channelIndex, true))
        changes.push_back({MuteOp(), {k + 1}, s});
    context.Send(std::move(changes));
}

void LevelPanel::ShowLevel(bool fader)
{
    const PanelModel& model = Context().Model();
    const ShownValues& v = model.Values();
    const int n = Channel();
    const bool input = direction_ == Direction::Input;
    const int reading = input ? v.At(Op::ML, n) : v.At(Op::OL, n);
    // The meter stays empty until a polling pass of this connection has read it.
    if (model.MetersLive()) {
        strip_.ShowReading(reading);
        strip_.ColourFrom(reading);
    } else {
        EmptyMeter();
    }
    const bool unknown = UnknownHere(GainOp());
    strip_.Fader().setEnabled(!unknown);
    if (unknown) {
        // Before the read-back the label shows nothing; "?" is a gain the
        // device did not give.
        strip_.ShowNoGain(model.HasValues() ? QStringLiteral("?") : QString());
        return;
    }
    // A thumb the user holds, or has just moved, stays where they put it,
    // and the label says what it stands for, whatever the device said since.
    const BitmapFader& held = strip_.Fader();
    if (held.isSliderDown() || held.ChangePending()) {
        strip_.ShowGain(strip_.Scale().GainAt(held.value()));
        return;
    }
    const int gain = input ? v.At(Op::MG, n) : v.At(Op::OV, n);
    strip_.ShowGain(gain);
    if (fader)
        strip_.SetPosition(strip_.Scale().PositionFor(gain));
}

}  // namespace brevant
