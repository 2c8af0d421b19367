#include "ui/soundtest/SoundTestMonitor.h"

#include "ui/controls/BitmapFader.h"
#include "ui/controls/ImageCheckButton.h"
#include "ui/controls/LevelMeter.h"
#include "ui/panels/ControlPanel.h"
#include "ui/controls/SkinnedTrackbar.h"
#include "ui/panels/GainStrip.h"
#include "ui/res/ResourceRegistry.h"
#include "procedures/SoundTest.h"

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
    : QGroupBox(QStringLiteral("Monitor"), parent)
    , m_inputMeter(new LevelMeter(kInputMeterId, Qt::Vertical, this))
    , m_outputMeter(new LevelMeter(kOutputMeterId, Qt::Vertical, this))
    , m_fader(new BitmapFader(kFaderId, this))
    , m_trackbar(new SkinnedTrackbar(kTrackbarId, this))
    , m_gainText(AddLabel(this, kGainTextId, DbText(0)))
    , m_phantom(new ImageCheckButton(kPhantomId, QStringLiteral("Phantom power"), this))
{
    TagControl(this, kBoxId);
    TagControl(m_inputMeter, kInputMeterId);
    TagControl(m_outputMeter, kOutputMeterId);
    TagControl(m_fader, kFaderId);
    TagControl(m_trackbar, kTrackbarId);
    TagControl(m_phantom, kPhantomId);

    // The meters show a reading r at r + 100 as the number r.
    for (LevelMeter* meter : {m_inputMeter, m_outputMeter}) {
        SetUpSignalMeter(*meter);
        meter->setFixedSize(kMeterWidth, kFaderTravel);
    }
    m_inputMeter->SetTooltipText(QStringLiteral("channel"), true);
    m_outputMeter->SetTooltipText(QStringLiteral("LineOut"), true);

    m_fader->setFixedSize(kFaderSize);
    m_fader->SetOrientation(true);
    m_fader->LoadKnobImages(183, 183, true, BitmapFader::kColourFromPixel, 0, 0);
    m_fader->SetInsets(3, 0, 3, 0);
    m_fader->SetLimits(0, kMaxTestGain);
    LoadFaderImages();
    m_trackbar->SetOrientation(true);
    m_trackbar->SetRange(0, kMaxTestGain);
    m_trackbar->SetLineSize(1);
    m_trackbar->hide();
    SetGain(0);
    m_phantom->LoadImages(197, 198);

    auto* grid = new QGridLayout(this);
    grid->setHorizontalSpacing(10);
    grid->setVerticalSpacing(4);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(4, 1);
    grid->addWidget(m_inputMeter, 0, 1, Qt::AlignHCenter);
    grid->addWidget(m_outputMeter, 0, 2, Qt::AlignHCenter);
    grid->addWidget(m_fader, 0, 3, Qt::AlignHCenter);
    grid->addWidget(AddLabel(this, kInCaptionId, QStringLiteral("In")), 1, 1);
    grid->addWidget(AddLabel(this, kOutCaptionId, QStringLiteral("Out")), 1, 2);
    grid->addWidget(m_gainText, 1, 3);
    grid->addWidget(m_phantom, 2, 0, 1, 5, Qt::AlignHCenter);
}

SoundTestMonitor::~SoundTestMonitor() = default;

int SoundTestMonitor::GainAt(int faderValue)
{
    return kMaxTestGain - faderValue;
}

void SoundTestMonitor::ShowGain(int gain)
{
    m_gainText->setText(DbText(gain));
}

void SoundTestMonitor::SetGain(int gain)
{
    m_fader->SetValue(FaderValueFor(gain));
    m_trackbar->SetPos(FaderValueFor(gain));
    ShowGain(gain);
}

void SoundTestMonitor::ShowLevels(int input, int output)
{
    m_inputMeter->SetValue(input + 100);
    m_outputMeter->SetValue(output + 100);
    m_inputMeter->SetBarColour(LevelColour(input));
    m_outputMeter->SetBarColour(LevelColour(output));
}

void SoundTestMonitor::Reset()
{
    for (LevelMeter* meter : {m_inputMeter, m_outputMeter}) {
        meter->SetValue(0);
        meter->SetBarColour(kZoneGreen);
    }
    LoadFaderImages();
    SetGain(0);
}

void SoundTestMonitor::LoadFaderImages()
{
    // The channel image drawn at the height of the fader, at the screen's scale.
    const qreal ratio = m_fader->devicePixelRatioF();
    m_fader->LoadTrackImages(res::Bitmap(181, ratio, kFaderSize), res::Bitmap(182, ratio, kFaderSize), false);
}

}  // namespace brevant
