#include "ui/panels/GainStrip.h"

#include "ui/panels/ControlPanel.h"
#include "ui/res/ResourceRegistry.h"

#include <algorithm>

namespace brevant {

namespace {

constexpr int kFaderWidth = 40;
constexpr int kMeterWidth = 14;
constexpr int kGap = 4;
constexpr int kLabelHeight = 16;
constexpr int kMinFaderHeight = 60;

}  // namespace

QString DbText(int gain) { return QStringLiteral("%1db").arg(gain); }

QRgb LevelColour(int reading)
{
    if (reading >= -5)
        return kZoneRed;
    if (reading > -15)
        return kZoneOrange;
    return kZoneGreen;
}

void SetUpSignalMeter(LevelMeter& meter)
{
    meter.SetLimits(0, 100);
    meter.SetDisplayOffset(-100);
    meter.SetUnitText(QStringLiteral("db"));
    meter.SetTooltipText(QStringLiteral("signal level"), true);
    meter.SetBarColour(0xFF008000);
    meter.SetFrameColour(0xFF000000);
    meter.SetValue(0);
}

void SetUpEchoMeter(LevelMeter& meter, const QString& tooltip)
{
    meter.SetLimits(0, 100);
    meter.SetDisplayOffset(0);
    meter.SetUnitText(QString());
    meter.SetTooltipText(tooltip, true);
    meter.SetValue(0);
}

GainStrip::GainStrip(QWidget* panel, GainScale scale, int startPosition, const QString& initialLabel)
    : m_scale(scale)
    , m_fader(new BitmapFader(kFaderId, panel))
    , m_trackbar(new SkinnedTrackbar(kHiddenTrackbarId, panel))
    , m_meter(new LevelMeter(kSignalMeterId, Qt::Vertical, panel))
    , m_label(new QLabel(initialLabel, panel))
    , m_labelText(new QLineEdit(initialLabel, panel))
{
    m_fader->SetOrientation(true);
    m_fader->LoadTrackImages(181, 182, false);
    m_fader->LoadKnobImages(183, 183, true, BitmapFader::kColourFromPixel, 0, 0);
    m_fader->SetInsets(3, 0, 3, 0);
    m_fader->SetLimits(0, scale.maxPosition);
    m_fader->SetValue(startPosition);

    // The trackbar only keeps the fader's position; it is never shown.
    m_trackbar->SetOrientation(true);
    m_trackbar->SetRange(0, scale.maxPosition);
    m_trackbar->SetLineSize(1);
    m_trackbar->SetPos(startPosition);
    m_trackbar->hide();

    TagControl(m_label, kLevelLabelId);
    m_label->setAlignment(Qt::AlignCenter);
    TagControl(m_labelText, kLabelTextId);
    m_labelText->setEnabled(false);
    m_labelText->hide();

    SetUpSignalMeter(*m_meter);
}

void GainStrip::ShowGain(int gain)
{
    // Refreshed with every polling pass; an unchanged text costs nothing.
    const QString text = DbText(gain);
    if (m_label->text() == text)
        return;
    m_label->setText(text);
    m_labelText->setText(text);
}

void GainStrip::SetPosition(int position)
{
    m_fader->SetValue(position);
    m_trackbar->SetPos(position);
}

void GainStrip::Place(QRect area)
{
    const int faderHeight = std::max(area.height() - kLabelHeight - kGap, kMinFaderHeight);
    const int left = area.left() + (area.width() - kFaderWidth - kGap - kMeterWidth) / 2;
    // The fader's travel is the length of its channel image: draw the channel
    // at the height the panel has for it.
    const qreal ratio = m_fader->devicePixelRatioF();
    const QSize channel(kFaderWidth, faderHeight);
    m_fader->LoadTrackImages(res::Bitmap(181, ratio, channel), res::Bitmap(182, ratio, channel), false);
    m_fader->setGeometry(left, area.top(), kFaderWidth, faderHeight);
    m_trackbar->setGeometry(m_fader->geometry());
    m_meter->setGeometry(left + kFaderWidth + kGap, area.top(), kMeterWidth, faderHeight);
    m_label->setGeometry(area.left(), area.top() + faderHeight + kGap, area.width(), kLabelHeight);
}

}  // namespace brevant
