#include "programs/gallery/GalleryScenes.h"

#include "ui/controls/BitmapFader.h"
#include "ui/controls/ImageCheckButton.h"
#include "ui/controls/LevelMeter.h"
#include "ui/controls/RoundKnob.h"
#include "ui/controls/SkinnedTrackbar.h"
#include "ui/res/ResourceRegistry.h"
#include "ui/soundtest/LevelGraph.h"

#include <QColor>
#include <QGridLayout>
#include <QImage>
#include <QPaintEvent>
#include <QPainter>
#include <QPalette>

#include <algorithm>
#include <cmath>
#include <utility>

namespace brevant::gallery {

namespace {

// The strip colour of the panels, for backdrops without panel artwork.
constexpr QRgb kStripColour = 0xFF1E2228;

// Room around a control on its backdrop.
constexpr int kMargin = 12;

// The fader range the gallery shows, with its three stops.
constexpr int kFaderLow = 0;
constexpr int kFaderHigh = 100;
constexpr int kFaderMiddle = (kFaderLow + kFaderHigh) / 2;

// The meters read 0..100 and write the position minus 100, so the number is
// the level in dB.
constexpr int kMeterLow = 0;
constexpr int kMeterHigh = 100;
constexpr int kMeterOffset = -100;

// The crosspoint gain knob, in dB.
constexpr int kKnobLow = -30;
constexpr int kKnobHigh = 0;

// The sound test graph: level range and the measured frequencies
// 10 + 200 k Hz for k = 0..99.
constexpr double kGraphLow = -100.0;
constexpr double kGraphHigh = 100.0;
constexpr double kFirstFrequency = 10.0;
constexpr double kFrequencyStep = 200.0;

// A control on a piece of panel artwork (or the plain strip colour), with a
// margin all round; the artwork is stretched to the backdrop's size.
class Backdrop : public QWidget {
public:
    Backdrop(int panelId, QWidget* parent) : QWidget(parent), panelId_(panelId)
    {
        auto* layout = new QGridLayout(this);
        layout->setContentsMargins(kMargin, kMargin, kMargin, kMargin);
        layout->setSpacing(8);
        // The panel artwork is dark: captions are light on it, as they are
        // on the popup strip that uses the same artwork.
        if (panelId != 0) {
            QPalette onArtwork = palette();
            for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::ButtonText, QPalette::Text})
                onArtwork.setColor(role, QColor(0xE8, 0xEC, 0xF0));
            setPalette(onArtwork);
        }
    }

    // Puts `control` into the next cell of row `row`, at its preferred size.
    template <typename Control>
    Control* Place(Control* control, int row = 0)
    {
        auto* grid = static_cast<QGridLayout*>(layout());
        int column = 0;
        while (grid->itemAtPosition(row, column) != nullptr)
            ++column;
        control->setFixedSize(control->sizeHint());
        grid->addWidget(control, row, column, Qt::AlignCenter);
        return control;
    }

protected:
    void paintEvent(QPaintEvent* /*event*/) override
    {
        QPainter painter(this);
        const QImage panel = panelId_ != 0 ? res::Bitmap(panelId_, devicePixelRatioF()) : QImage();
        if (panel.isNull()) {
            painter.fillRect(rect(), QColor::fromRgba(kStripColour));
            return;
        }
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(QRectF(rect()), panel);
    }

private:
    int panelId_;
};

// A scene of one control on a backdrop; `make` builds the control as a child
// of the backdrop and returns it, `focused` gives it the keyboard focus.
template <typename Make>
Scene OnBackdrop(QString name, QString group, QString caption, int panelId, Make make, bool focused = false)
{
    return Scene{std::move(name), std::move(group), std::move(caption),
                 [panelId, make, focused](QWidget* parent) {
                     auto* backdrop = new Backdrop(panelId, parent);
                     QWidget* control = backdrop->Place(make(backdrop));
                     return Stage{backdrop, focused ? control : nullptr};
                 }};
}

struct FaderLook {
    const char* name;
    bool vertical;
    int channel;
    int channelLit;
    int thumb;
};

constexpr FaderLook kVerticalFader{"vertical", true, res::kFaderChannel, res::kFaderChannelLit,
                                   res::kFaderCap};
constexpr FaderLook kHorizontalFader{"horizontal", false, res::kDynamicsChannel, res::kDynamicsChannelLit,
                                     res::kDynamicsThumb};

void AddFaderScenes(std::vector<Scene>& scenes, const FaderLook& look)
{
    enum class State { Plain, Disabled, Focused };
    const auto add = [&](const QString& state, int value, State how, const QString& caption) {
        const QString name = QStringLiteral("fader-%1-%2").arg(QLatin1String(look.name), state);
        scenes.push_back(OnBackdrop(
            name, QStringLiteral("Faders"), caption, res::kInputPanelBackground,
            [look, value, how](QWidget* parent) {
                auto* fader = new BitmapFader(parent);
                fader->setOrientation(look.vertical ? Qt::Vertical : Qt::Horizontal);
                fader->LoadTrackImages(look.channel, look.channelLit);
                fader->LoadKnobImages(look.thumb);
                fader->setRange(kFaderLow, kFaderHigh);
                fader->setValue(value);
                if (how == State::Disabled)
                    fader->setEnabled(false);
                fader->ShowFocusFrame(how == State::Focused);
                return fader;
            },
            how == State::Focused));
    };
    const QString kind = QLatin1String(look.name);
    add(QStringLiteral("min"), kFaderLow, State::Plain, kind + QStringLiteral(", minimum"));
    add(QStringLiteral("mid"), kFaderMiddle, State::Plain, kind + QStringLiteral(", middle"));
    add(QStringLiteral("max"), kFaderHigh, State::Plain, kind + QStringLiteral(", maximum"));
    add(QStringLiteral("disabled"), kFaderMiddle, State::Disabled, kind + QStringLiteral(", disabled"));
    add(QStringLiteral("focused"), kFaderMiddle, State::Focused, kind + QStringLiteral(", focused"));
}

void AddTrackbarScenes(std::vector<Scene>& scenes)
{
    enum class State { Plain, Disabled, Focused };
    const auto add = [&](const QString& state, int value, State how, const QString& caption) {
        scenes.push_back(OnBackdrop(
            QStringLiteral("trackbar-horizontal-%1").arg(state), QStringLiteral("Dynamics trackbar"), caption,
            res::kInputPanelBackground,
            [value, how](QWidget* parent) {
                auto* trackbar = new SkinnedTrackbar(parent);
                trackbar->LoadImages(res::kDynamicsThumb, res::kDynamicsChannelLit, res::kDynamicsChannel);
                trackbar->setRange(kFaderLow, kFaderHigh);
                trackbar->setValue(value);
                if (how == State::Disabled)
                    trackbar->setEnabled(false);
                return trackbar;
            },
            how == State::Focused));
    };
    add(QStringLiteral("min"), kFaderLow, State::Plain, QStringLiteral("minimum"));
    add(QStringLiteral("mid"), kFaderMiddle, State::Plain, QStringLiteral("middle"));
    add(QStringLiteral("max"), kFaderHigh, State::Plain, QStringLiteral("maximum"));
    add(QStringLiteral("disabled"), kFaderMiddle, State::Disabled, QStringLiteral("disabled"));
    add(QStringLiteral("focused"), kFaderMiddle, State::Focused, QStringLiteral("focused"));
}

void AddMeterScenes(std::vector<Scene>& scenes)
{
    struct Level {
        const char* colourName;
        QRgb colour;
        int position;
    };
    constexpr Level kLevels[] = {
        {"green", kZoneGreen, 0},    {"green", kZoneGreen, 30}, {"green", kZoneGreen, 60},
        {"orange", kZoneOrange, 85}, {"red", kZoneRed, 97},
    };
    for (const Qt::Orientation orientation : {Qt::Vertical, Qt::Horizontal}) {
        const QString kind =
            orientation == Qt::Vertical ? QStringLiteral("vertical") : QStringLiteral("horizontal");
        for (const Level& level : kLevels) {
            const QString colourName = QLatin1String(level.colourName);
            scenes.push_back(
                OnBackdrop(QStringLiteral("meter-%1-%2-%3").arg(kind, colourName).arg(level.position),
                           QStringLiteral("Meters"),
                           QStringLiteral("%1 %2 dB").arg(colourName).arg(level.position + kMeterOffset),
                           res::kOutputPanelBackground, [orientation, level](QWidget* parent) {
                               auto* meter = new LevelMeter(parent);
                               meter->SetOrientation(orientation);
                               meter->SetLimits(kMeterLow, kMeterHigh);
                               meter->SetDisplayOffset(kMeterOffset);
                               meter->SetUnitText(QStringLiteral("dB"));
                               meter->SetBarColour(level.colour);
                               meter->SetValue(level.position);
                               return meter;
                           }));
        }
    }
}

void AddKnobScenes(std::vector<Scene>& scenes)
{
    const auto add = [&](const QString& state, int position, bool focused) {
        scenes.push_back(OnBackdrop(
            QStringLiteral("knob-%1").arg(state), QStringLiteral("Crosspoint gain knob"),
            QStringLiteral("%1 dB%2").arg(position).arg(focused ? QStringLiteral(", focused") : QString()),
            res::kOutputPanelBackground,
            [position](QWidget* parent) {
                auto* knob = new RoundKnob(parent);
                knob->setRange(kKnobLow, kKnobHigh);
                knob->setValue(position);
                return knob;
            },
            focused));
    };
    add(QStringLiteral("minus30"), -30, false);
    add(QStringLiteral("minus15"), -15, false);
    add(QStringLiteral("0"), 0, false);
    add(QStringLiteral("focused"), -15, true);
}

void AddCheckScenes(std::vector<Scene>& scenes)
{
    enum class State { Plain, Disabled, Focused };
    const auto add = [&](const QString& name, const QString& caption, int panelId, int onId, int offId,
                         const QString& text, bool checked, State how) {
        scenes.push_back(OnBackdrop(
            name, QStringLiteral("Check buttons"), caption, panelId,
            [onId, offId, text, checked, how](QWidget* parent) {
                auto* button = new ImageCheckButton(parent);
                button->setText(text);
                button->LoadImages(onId, offId);
                button->setChecked(checked);
                if (how == State::Disabled)
                    button->setEnabled(false);
                return button;
            },
            how == State::Focused));
    };
    const QString mute = QStringLiteral("Mute");
    add(QStringLiteral("check-on"), QStringLiteral("on"), res::kInputPanelBackground, res::kCheckOn,
        res::kCheckOff, mute, true, State::Plain);
    add(QStringLiteral("check-off"), QStringLiteral("off"), res::kInputPanelBackground, res::kCheckOn,
        res::kCheckOff, mute, false, State::Plain);
    add(QStringLiteral("check-on-disabled"), QStringLiteral("on, disabled"), res::kInputPanelBackground,
        res::kCheckOn, res::kCheckOff, mute, true, State::Disabled);
    add(QStringLiteral("check-off-disabled"), QStringLiteral("off, disabled"), res::kInputPanelBackground,
        res::kCheckOn, res::kCheckOff, mute, false, State::Disabled);
    add(QStringLiteral("check-off-focused"), QStringLiteral("off, focused"), res::kInputPanelBackground,
        res::kCheckOn, res::kCheckOff, mute, false, State::Focused);
    add(QStringLiteral("crosspoint-on"), QStringLiteral("crosspoint on"), res::kOutputPanelBackground,
        res::kCrosspointOn, res::kCrosspointOff, QString(), true, State::Plain);
    add(QStringLiteral("crosspoint-off"), QStringLiteral("crosspoint off"), res::kOutputPanelBackground,
        res::kCrosspointOn, res::kCrosspointOff, QString(), false, State::Plain);
}

// A plausible measured response: a gentle bass lift, a low-frequency roll-off,
// some room ripple and a treble roll-off, kept within -10..+6 dB.
double ResponseAt(double frequency)
{
    const double decade = std::log10(frequency);
    const double bass = 6.0 * std::exp(-std::pow((decade - 2.4) / 0.3, 2.0));
    const double rollOff = -10.0 * (1.0 - 1.0 / (1.0 + std::pow(30.0 / frequency, 2.0)));
    const double ripple = 1.5 * std::sin(7.0 * decade);
    const double treble = -7.0 * std::pow(frequency / 20000.0, 2.0);
    return std::clamp(bass + rollOff + ripple + treble, -10.0, 6.0);
}

// The noise floor: about -40 dB, drifting slowly with frequency, with a
// little deterministic jitter from point to point.
double FloorAt(double frequency, int index)
{
    const double decade = std::log10(frequency);
    return -40.0 + 1.8 * std::sin(2.3 * decade + 0.5) + 0.5 * std::sin(2.7 * index);
}

void AddGraphScenes(std::vector<Scene>& scenes)
{
    const auto add = [&](const QString& name, const QString& caption, bool curves, bool smallest) {
        scenes.push_back(
            Scene{name, QStringLiteral("Sound test graph"), caption, [curves, smallest](QWidget* parent) {
                      auto* backdrop = new Backdrop(0, parent);
                      auto* graph = backdrop->Place(new LevelGraph(backdrop));
                      if (smallest)
                          graph->setFixedSize(graph->minimumSizeHint());
                      graph->SetYMin(kGraphLow);
                      graph->SetYMax(kGraphHigh);
                      // Without frequencies no point lies on the axis, so the
                      // empty graph shows the grid alone.
                      if (curves) {
                          for (int k = 0; k < LevelGraph::kPointCount; ++k) {
                              const double frequency = kFirstFrequency + kFrequencyStep * k;
                              graph->SetXValue(frequency, k);
                              graph->SetCurvePoint(ResponseAt(frequency), k, 1);
                              graph->SetCurvePoint(FloorAt(frequency, k), k, 2);
                          }
                      }
                      graph->update();
                      return Stage{backdrop, nullptr};
                  }});
    };
    add(QStringLiteral("graph-curves"), QStringLiteral("response and floor"), true, false);
    add(QStringLiteral("graph-empty"), QStringLiteral("empty grid"), false, false);
    add(QStringLiteral("graph-smallest"), QStringLiteral("at its smallest: every second level labelled"),
        true, true);
}

}  // namespace

std::vector<Scene> Scenes()
{
    std::vector<Scene> scenes;
    AddFaderScenes(scenes, kVerticalFader);
    AddFaderScenes(scenes, kHorizontalFader);
    AddTrackbarScenes(scenes);
    AddMeterScenes(scenes);
    AddKnobScenes(scenes);
    AddCheckScenes(scenes);
    AddGraphScenes(scenes);
    AddPanelScenes(scenes);
    AddFormScenes(scenes);
    AddTraceScenes(scenes);
    AddConnectScenes(scenes);
    AddLanguageScenes(scenes);
    return scenes;
}

QPalette ConsolePalette()
{
    const QColor window(0x1e, 0x22, 0x28);
    const QColor button(0x2a, 0x2f, 0x36);
    const QColor base(0x15, 0x18, 0x1c);
    const QColor text(0xe6, 0xe9, 0xed);
    const QColor dimText(0x6b, 0x74, 0x80);
    const QColor highlight(0x3d, 0x9b, 0xff);

    QPalette palette(button, window);
    palette.setColor(QPalette::Window, window);
    palette.setColor(QPalette::WindowText, text);
    palette.setColor(QPalette::Button, button);
    palette.setColor(QPalette::ButtonText, text);
    palette.setColor(QPalette::Base, base);
    palette.setColor(QPalette::AlternateBase, window);
    palette.setColor(QPalette::Text, text);
    palette.setColor(QPalette::Highlight, highlight);
    palette.setColor(QPalette::HighlightedText, Qt::white);
    for (const QPalette::ColorRole role : {QPalette::WindowText, QPalette::ButtonText, QPalette::Text})
        palette.setColor(QPalette::Disabled, role, dimText);
    return palette;
}

}  // namespace brevant::gallery
