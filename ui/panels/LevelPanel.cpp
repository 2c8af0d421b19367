#include "ui/panels/LevelPanel.h"

#include "ui/controls/ImageCheckButton.h"
#include "ui/panels/InputLevelPanel.h"
#include "ui/panels/OutputLevelPanel.h"

namespace brevant {

LevelPanel::LevelPanel(PanelContext& context, Direction direction, int channelIndex_, int paneKind_,
                         GainScale scale, const QString& initialLabel, QWidget* parent)
    : ControlPanel(context, parent)
    , m_direction(direction)
    , m_strip(this, scale, scale.maxPosition, initialLabel)
    , m_mute(AddCheck(kMuteId, QStringLiteral("Mute")))
{
    channelIndex = channelIndex_;
    paneKind = paneKind_;
    connect(&m_strip.Fader(), &BitmapFader::sliderMoved, this, &LevelPanel::OnFaderMoving);
    connect(&m_strip.Fader(), &BitmapFader::changeFinished, this, &LevelPanel::OnFaderMoved);
    connect(&m_strip.Trackbar(), &SkinnedTrackbar::changeFinished, this, &LevelPanel::OnTrackbarScrolled);
    connect(m_mute, &ImageCheckButton::clicked, this, &LevelPanel::OnMuteClicked);
}

LevelPanel::~LevelPanel() = default;

void LevelPanel::OnFaderMoving(int value)
{
    m_strip.ShowGain(m_strip.Scale().GainAt(value));
}

void LevelPanel::OnFaderMoved(int value)
{
    SendGain(value);
}

void LevelPanel::OnTrackbarScrolled(int position)
{
    SendGain(position);
}

void LevelPanel::ShowGainAt(int gain)
{
    m_strip.SetPosition(m_strip.Scale().PositionFor(gain));
    m_strip.ShowGain(gain);
}

void LevelPanel::SendGain(int position)
{
    const int gain = m_strip.Scale().GainAt(position);
    m_strip.ShowGain(gain);
    PanelContext& context = Context();
    if (!context.Connected()) {
        context.TellUser(msg::kCannotConnect);
        return;
    }
    const Op op = m_direction == Direction::Input ? Op::MG : Op::OV;
    std::vector<SettingChange> changes;
    // Gain changes reach every channel in group mode, on both families; the
    // other channels' panels follow the model.
    for (int k : context.ChannelsReached(channelIndex, false))
        changes.push_back({op, {k + 1}, gain});
    context.Send(std::move(changes));
}

void LevelPanel::OnMuteClicked()
{
    PanelContext& context = Context();
    const int s = m_mute->GetCheck() ? 1 : 0;
    if (!context.Connected()) {
        context.TellUser(msg::kCannotConnect);
        return;
    }
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
    const auto n = static_cast<std::size_t>(Channel());
    const bool input = m_direction == Direction::Input;
    const int reading = input ? v.ML[n] : v.OL[n];
    if (model.Connected()) {
        m_strip.ShowReading(reading);
        m_strip.ColourFrom(reading);
    } else {
        EmptyMeter();
    }
    if (UnknownHere(GainOp())) {
        m_strip.Label().setText(QStringLiteral("?"));
        return;
    }
    const int gain = input ? v.MG[n] : v.OV[n];
    m_strip.ShowGain(gain);
    if (fader)
        m_strip.SetPosition(m_strip.Scale().PositionFor(gain));
}

void LevelPanel::ShowIdle()
{
    EmptyMeter();
    ShowGainAt(0);
    ShowSwitch(*m_mute, false, false);
}

}  // namespace brevant
