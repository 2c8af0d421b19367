#include "ui/soundtest/SoundTestMonitor.h"

#include "procedures/SoundTest.h"
#include "ui/controls/BitmapFader.h"
#include "ui/controls/ImageCheckButton.h"
#include "ui/controls/LevelMeter.h"
#include "ui/controls/SkinnedTrackbar.h"
#include "ui/panels/ControlPanel.h"
#include "ui/panels/GainStrip.h"
#include "ui/res/ResourceRegistry.h"

#include <QGridLayout>
#include <QLabel>

namespace brevant {

namespace {

constexpr int kFaderTravel = 180;
constexpr QSize kFaderSize{40, kFaderTravel};
constexpr int kMeterWidth = 18;

QLabel* AddLabel(QWidget* parent, int controlId, const QString& text)
{
    auto* label = new QLabel(text, parent);
    TagControl(label, controlId);
    label->setAlignment(Qt::AlignCenter);
    return label;
}

}  // namespace

SoundTestMonitor::SoundTestMonitor(QWidget* parent)
    : QGroupBox(tr("Monitor"), parent), inputMeter_(new LevelMeter(kInputMeterId, Qt::Vertical, this)),
      outputMeter_(new LevelMeter(kOutputMeterId, Qt::Vertical, this)),
      fader_(new BitmapFader(kFaderId, this)), trackbar_(new SkinnedTrackbar(kTrackbarId, this)),
      gainText_(AddLabel(this, kGainTextId, DbText(0))),
      phantom_(new ImageCheckButton(kPhantomId, tr("Phantom power"), this))
{
    TagControl(this, kBoxId);
    TagControl(inputMeter_, kInputMeterId);
    TagControl(outputMeter_, kOutputMeterId);
    TagControl(fader_, kFaderId);
    TagControl(trackbar_, kTrackbarId);
    TagControl(phantom_, kPhantomId);

    // The meters show a reading r at r + 100 as the number r.
    for (LevelMeter* meter : {inputMeter_, outputMeter_}) {
        SetUpSignalMeter(*meter);
        meter->setFixedSize(kMeterWidth, kFaderTravel);
    }
    inputMeter_->SetTooltipText(tr("channel"), true);
    outputMeter_->SetTooltipText(tr("LineOut"), true);

    fader_->setFixedSize(kFaderSize);
    fader_->setOrientation(Qt::Vertical);
    fader_->LoadKnobImages(res::kFaderCap, res::kFaderCap, true, BitmapFader::kColourFromPixel, 0, 0);
    fader_->SetInsets(3, 0, 3, 0);
    fader_->setRange(0, kMaxTestGain);
    LoadFaderImages();
    trackbar_->setOrientation(Qt::Vertical);
    trackbar_->setRange(0, kMaxTestGain);
    trackbar_->setSingleStep(1);
    trackbar_->hide();
    SetGain(0);
    phantom_->LoadImages(res::kCheckOn, res::kCheckOff);

    auto* grid = new QGridLayout(this);
    grid->setHorizontalSpacing(10);
    grid->setVerticalSpacing(4);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(4, 1);
    grid->addWidget(inputMeter_, 0, 1, Qt::AlignHCenter);
    grid->addWidget(outputMeter_, 0, 2, Qt::AlignHCenter);
    grid->addWidget(fader_, 0, 3, Qt::AlignHCenter);
    grid->addWidget(AddLabel(this, kInCaptionId, tr("In")), 1, 1);
    grid->addWidget(AddLabel(this, kOutCaptionId, tr("Out")), 1, 2);
    grid->addWidget(gainText_, 1, 3);
    grid->addWidget(phantom_, 2, 0, 1, 5, Qt::AlignHCenter);
}

SoundTestMonitor::~SoundTestMonitor() = default;

int SoundTestMonitor::GainAt(int faderValue)
{
    return kMaxTestGain - faderValue;
}

void SoundTestMonitor::ShowGain(int gain)
{
    gainText_->setText(DbText(gain));
}

void SoundTestMonitor::SetGain(int gain)
{
    fader_->setValue(FaderValueFor(gain));
    trackbar_->setValue(FaderValueFor(gain));
    ShowGain(gain);
}

void SoundTestMonitor::ShowLevels(int input, int output)
{
    inputMeter_->SetValue(input + 100);
    outputMeter_->SetValue(output + 100);
    inputMeter_->SetBarColour(LevelColour(input));
    outputMeter_->SetBarColour(LevelColour(output));
}

void SoundTestMonitor::Reset()
{
    for (LevelMeter* meter : {inputMeter_, outputMeter_}) {
        meter->SetValue(0);
        meter->SetBarColour(kZoneGreen);
    }
    LoadFaderImages();
    SetGain(0);
}

void SoundTestMonitor::LoadFaderImages()
{
    // The channel image drawn at the height of the fader, at the screen's scale.
    const qreal ratio = fader_->devicePixelRatioF();
    fader_->LoadTrackImages(res::Bitmap(res::kFaderChannel, ratio, kFaderSize),
                            res::Bitmap(res::kFaderChannelLit, ratio, kFaderSize), false);
}

}  // namespace brevant
