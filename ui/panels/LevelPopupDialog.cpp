#include "ui/panels/LevelPopupDialog.h"

#include "ui/controls/ImageCheckButton.h"
#include "ui/panels/ControlPanel.h"
#include "ui/res/ResourceRegistry.h"
#include "ui/look/VisualManager.h"

#include <QPainter>

namespace brevant {

namespace {

constexpr QSize kClientSize{180, 300};

GainScale ScaleFor(Direction direction)
{
    return direction == Direction::Input ? kPopupInputScale : kOutputScale;
}

}  // namespace

LevelPopupDialog::LevelPopupDialog(PanelContext& context, Direction direction, int channelIndex, QWidget* parent)
    : QDialog(parent)
    , m_context(context)
    , m_direction(direction)
    , m_channelIndex(channelIndex)
    , m_strip(this, ScaleFor(direction), ScaleFor(direction).maxPosition,
              DbText(ScaleFor(direction).GainAt(ScaleFor(direction).maxPosition)))
    , m_mute(new ImageCheckButton(kMuteId, QStringLiteral("Mute"), this))
{
    VisualManager::SetDefault(VisualManager::Look::Modern2007);
    const int n = channelIndex + 1;
    setWindowTitle((IsInput() ? QStringLiteral("Input%1") : QStringLiteral("Output%1")).arg(n));
    setModal(true);
    setFixedSize(kClientSize);
    m_background = QPixmap::fromImage(res::Bitmap(184, devicePixelRatioF()));
    // Light text on the dark strip artwork, whatever the look.
    QPalette onArtwork = palette();
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::ButtonText, QPalette::Text})
        onArtwork.setColor(role, QColor(0xE8, 0xEC, 0xF0));
    setPalette(onArtwork);

    TagControl(m_mute, kMuteId);
    m_mute->LoadImages(197, 198);

    // The strip opens on what the model shows for this channel.
    const ShownValues& v = context.Model().Values();
    if (IsChannel(n)) {
        const auto i = static_cast<std::size_t>(n);
        m_strip.ShowReading(IsInput() ? v.ML[i] : v.OL[i]);
        m_gainDb = IsInput() ? v.MG[i] : v.OV[i];
        m_strip.ShowGain(m_gainDb);
        m_strip.SetPosition(m_strip.Scale().PositionFor(m_gainDb));
        m_mute->SetCheck((IsInput() ? v.MM[i] : v.OM[i]) != 0);
    }

    m_strip.Place(QRect(20, 16, 100, 240));
    m_mute->setGeometry(40, 266, 100, 20);

    connect(&m_strip.Fader(), &BitmapFader::sliderMoved, this, &LevelPopupDialog::OnFaderMoving);
    connect(&m_strip.Fader(), &BitmapFader::changeFinished, this, &LevelPopupDialog::OnFaderMoved);
    connect(&m_strip.Trackbar(), &SkinnedTrackbar::changeFinished, this, &LevelPopupDialog::OnTrackbarScrolled);
    connect(m_mute, &ImageCheckButton::clicked, this, &LevelPopupDialog::OnMuteClicked);
    connect(&context.Model(), &PanelModel::changed, this, &LevelPopupDialog::OnModelChanged);
}

LevelPopupDialog::~LevelPopupDialog() = default;

void LevelPopupDialog::OnFaderMoving(int value)
{
    m_strip.ShowGain(m_strip.Scale().GainAt(value));
}

void LevelPopupDialog::OnFaderMoved(int value)
{
    SendGain(value);
}

void LevelPopupDialog::OnTrackbarScrolled(int position)
{
    SendGain(position);
}

void LevelPopupDialog::SendGain(int position)
{
    const int gain = m_strip.Scale().GainAt(position);
    m_strip.ShowGain(gain);
    if (!m_context.Connected()) {
        m_context.TellUser(msg::kCannotConnect);
        return;
    }
    m_gainDb = gain;
    m_context.Send({{IsInput() ? Op::MG : Op::OV, {m_channelIndex + 1}, gain}});
}

void LevelPopupDialog::OnMuteClicked()
{
    m_context.Send({{IsInput() ? Op::MM : Op::OM, {m_channelIndex + 1}, m_mute->GetCheck() ? 1 : 0}});
}

void LevelPopupDialog::OnModelChanged(unsigned what)
{
    const PanelModel& model = m_context.Model();
    const auto n = static_cast<std::size_t>(m_channelIndex + 1);
    if (!IsChannel(m_channelIndex + 1))
        return;
    if (!model.Connected()) {
        m_strip.Meter().SetValue(0);
        return;
    }
    if (!(what & (model::kReadBack | model::kPoll | model::kSettings)))
        return;
    const ShownValues& v = model.Values();
    m_strip.ShowReading(IsInput() ? v.ML[n] : v.OL[n]);
    m_gainDb = IsInput() ? v.MG[n] : v.OV[n];
    m_mute->SetCheck((IsInput() ? v.MM[n] : v.OM[n]) != 0);
}

void LevelPopupDialog::paintEvent(QPaintEvent* /*event*/)
{
    if (m_background.devicePixelRatio() != devicePixelRatioF())
        m_background = QPixmap::fromImage(res::Bitmap(184, devicePixelRatioF()));
    QPainter painter(this);
    painter.drawTiledPixmap(rect(), m_background);
}

}  // namespace brevant
