#include "ui/panels/GainStrip.h"

#include "ui/controls/FormZoom.h"

#include "ui/controls/ReadingLabel.h"
#include "ui/panels/ControlPanel.h"
#include "ui/res/ResourceRegistry.h"

#include <QCoreApplication>
#include <QFont>

#include <algorithm>

namespace brevant {

namespace {

constexpr int kFaderWidth = 40;
constexpr int kMeterWidth = 14;
constexpr int kGap = 4;
constexpr int kLabelHeight = 16;
constexpr int kMinFaderHeight = 60;
constexpr int kReadoutWidth = 26;

}  // namespace

QString DbText(int gain)
{
    return QStringLiteral("%1 dB").arg(gain);
}

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
    meter.SetUnitText(QStringLiteral("dB"));
    meter.SetTooltipText(QCoreApplication::translate("brevant::GainStrip", "signal level"), true);
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
    : scale_(scale), fader_(new BitmapFader(kFaderId, panel)),
      trackbar_(new SkinnedTrackbar(kHiddenTrackbarId, panel)),
      meter_(new LevelMeter(kSignalMeterId, Qt::Vertical, panel)), label_(new ReadingLabel(panel)),
      readout_(new ReadingLabel(panel)), labelText_(new QLineEdit(initialLabel, panel))
{
    fader_->setOrientation(Qt::Vertical);
    fader_->LoadTrackImages(res::kFaderChannel, res::kFaderChannelLit, false);
    fader_->LoadKnobImages(res::kFaderCap, res::kFaderCap, true, BitmapFader::kColourFromPixel, 0, 0);
    fader_->SetInsets(3, 0, 3, 0);
    fader_->setRange(0, scale.maxPosition);
    fader_->setValue(startPosition);
    fader_->SetValueReading(scale.top, -1, QStringLiteral("dB"));

    // The trackbar only keeps the fader's position; it is never shown.
    trackbar_->setOrientation(Qt::Vertical);
    trackbar_->setRange(0, scale.maxPosition);
    trackbar_->setSingleStep(1);
    trackbar_->setValue(startPosition);
    trackbar_->SetValueReading(scale.top, -1, QStringLiteral("dB"));
    trackbar_->hide();

    TagControl(label_, kLevelLabelId);
    label_->setText(initialLabel);
    TagControl(labelText_, kLabelTextId);
    labelText_->setEnabled(false);
    labelText_->hide();

    SetUpSignalMeter(*meter_);
    // Figures turned on their side inside a 14-pixel bar are hard to read:
    // the reading stands upright under the meter instead.
    meter_->SetShowText(false);
    readout_->setAlignment(Qt::AlignCenter);
    QFont small = readout_->font();
    small.setPixelSize(10);
    readout_->setFont(small);

    connect(fader_, &BitmapFader::sliderMoved, this,
            [this](int position) { ShowGain(scale_.GainAt(position)); });
    connect(fader_, &BitmapFader::changeFinished, this, &GainStrip::FinishChange);
    connect(trackbar_, &SkinnedTrackbar::changeFinished, this, &GainStrip::FinishChange);
}

void GainStrip::FinishChange(int position)
{
    const int gain = scale_.GainAt(position);
    ShowGain(gain);
    emit gainChosen(gain);
}

void GainStrip::ShowGain(int gain)
{
    // Refreshed with every polling pass; an unchanged text costs nothing.
    const QString text = DbText(gain);
    if (label_->text() == text)
        return;
    label_->setText(text);
    labelText_->setText(text);
}

void GainStrip::ShowNoGain(const QString& text)
{
    label_->setText(text);
    labelText_->setText(text);
}

void GainStrip::ShowReading(int reading)
{
    meter_->SetValue(reading + 100);
    const QString text = QString::number(reading);
    if (readout_->text() != text)  // every polling pass; an unchanged text costs nothing
        readout_->setText(text);
}

void GainStrip::ShowNoReading()
{
    meter_->SetValue(0);
    readout_->clear();
}

void GainStrip::SetPosition(int position)
{
    fader_->setValue(position);
    trackbar_->setValue(position);
}

void GainStrip::SetGain(int gain)
{
    SetPosition(scale_.PositionFor(gain));
    ShowGain(gain);
}

void GainStrip::Name(Direction direction, int channel)
{
    fader_->setAccessibleName(ControlName(direction, channel, tr("gain")));
    trackbar_->setAccessibleName(fader_->accessibleName());
    meter_->setAccessibleName(ControlName(direction, channel, tr("level")));
}

void GainStrip::Place(QRect area)
{
    const int faderHeight = std::max(area.height() - kLabelHeight - kGap, kMinFaderHeight);
    const int left = area.left() + (area.width() - kFaderWidth - kGap - kMeterWidth) / 2;
    // The fader's travel is the length of its channel image: draw the channel
    // at the height the panel has for it.
    const qreal ratio = fader_->devicePixelRatioF() * zoom::Of(*fader_);
    const QSize channel(kFaderWidth, faderHeight);
    fader_->LoadTrackImages(res::Bitmap(res::kFaderChannel, ratio, channel),
                            res::Bitmap(res::kFaderChannelLit, ratio, channel), false);
    zoom::Place(*fader_, left, area.top(), kFaderWidth, faderHeight);
    zoom::Place(*trackbar_, zoom::PlacedAt(*fader_));
    zoom::Place(*meter_, left + kFaderWidth + kGap, area.top(), kMeterWidth, faderHeight);
    // The gain under the fader, the reading under the meter: "-100" is wider
    // than the meter, so its box reaches past it on both sides.
    const int row = area.top() + faderHeight + kGap;
    zoom::Place(*label_, left - kGap, row, kFaderWidth + kGap, kLabelHeight);
    const int meterCentre = left + kFaderWidth + kGap + kMeterWidth / 2;
    zoom::Place(*readout_, meterCentre - kReadoutWidth / 2, row, kReadoutWidth, kLabelHeight);
}

}  // namespace brevant
