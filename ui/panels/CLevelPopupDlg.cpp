#include "ui/panels/CLevelPopupDlg.h"

#include "ui/controls/CImageCheckButton.h"
#include "ui/panels/CPanelDialog.h"
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

CLevelPopupDlg::CLevelPopupDlg(PanelContext& context, Direction direction, int channelIndex, QWidget* parent)
    : QDialog(parent)
    , m_context(context)
    , m_direction(direction)
    , m_channelIndex(channelIndex)
    , m_strip(this, ScaleFor(direction), ScaleFor(direction).maxPosition,
              DbText(ScaleFor(direction).GainAt(ScaleFor(direction).maxPosition)))
    , m_mute(new CImageCheckButton(kMuteId, QStringLiteral("Mute"), this))
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

    connect(&m_strip.Fader(), &CBitmapFader::sliderMoved, this, &CLevelPopupDlg::OnFaderMoving);
    connect(&m_strip.Fader(), &CBitmapFader::changeFinished, this, &CLevelPopupDlg::OnFaderMoved);
    connect(&m_strip.Trackbar(), &CSkinnedTrackbar::changeFinished, this, &CLevelPopupDlg::OnTrackbarScrolled);
    connect(m_mute, &CImageCheckButton::clicked, this, &CLevelPopupDlg::OnMuteClicked);
    connect(&context.Model(), &PanelModel::changed, this, &CLevelPopupDlg::OnModelChanged);
}

CLevelPopupDlg::~CLevelPopupDlg() = default;

void CLevelPopupDlg::OnFaderMoving(int value)
{
    m_strip.ShowGain(m_strip.Scale().GainAt(value));
}

void CLevelPopupDlg::OnFaderMoved(int value)
{
    SendGain(value);
}

void CLevelPopupDlg::OnTrackbarScrolled(int position)
{
    SendGain(position);
}

void CLevelPopupDlg::SendGain(int position)
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

void CLevelPopupDlg::OnMuteClicked()
{
    m_context.Send({{IsInput() ? Op::MM : Op::OM, {m_channelIndex + 1}, m_mute->GetCheck() ? 1 : 0}});
}

void CLevelPopupDlg::OnModelChanged(unsigned what)
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

void CLevelPopupDlg::paintEvent(QPaintEvent* /*event*/)
{
    if (m_background.devicePixelRatio() != devicePixelRatioF())
        m_background = QPixmap::fromImage(res::Bitmap(184, devicePixelRatioF()));
    QPainter painter(this);
    painter.drawTiledPixmap(rect(), m_background);
}

}  // namespace brevant
