// The drawn controls through their widgets: what mouse, keys and wheel make of
// them (a finished change always from the event loop), what they draw and tell.
#include "tests/ui/UiTestHelpers.h"
#include "ui/controls/BitmapFader.h"
#include "ui/controls/FormZoom.h"
#include "ui/controls/ImageCheckButton.h"
#include "ui/controls/LevelMeter.h"
#include "ui/controls/ReadingLabel.h"
#include "ui/controls/RoundKnob.h"
#include "ui/controls/SkinnedTrackbar.h"
#include "ui/res/ResourceRegistry.h"

#include <QAccessible>
#include <QApplication>
#include <QColor>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdlib>
#include <utility>
#include <vector>

namespace brevant {
namespace {

using test::Solid;
using test::Take;
using Values = std::vector<int>;

constexpr QRgb kGrey = 0xFF808080;   // a channel, an unticked box
constexpr QRgb kGreen = 0xFF00A000;  // an active channel, a ticked box
constexpr QRgb kThumb = 0xFFC80000;

// A horizontal fader on a host window: a 120 x 20 channel and a 20 x 10
// thumb, so over 0..100 the thumb's centre lies at 10 + value.
class Fader : public ::testing::Test {
protected:
    void SetUp() override
    {
        host.resize(200, 150);
        fader->LoadTrackImages(Solid(120, 20, kGrey));
        fader->LoadKnobImages(Solid(20, 10, kThumb));
    }

    QRgb Pixel(int x, int y) { return test::Grab(host).pixel(x, y); }

    QWidget host;
    BitmapFader* fader = new BitmapFader(1042, &host);
    QSignalSpy moved{fader, &BitmapFader::sliderMoved};
    QSignalSpy finished{fader, &BitmapFader::changeFinished};
};

TEST_F(Fader, AClickJumpsThereADragKeepsItsGripAndEachFinishesFromTheEventLoop)
{
    QTest::mousePress(fader, Qt::LeftButton, {}, QPoint(70, 10));
    EXPECT_EQ(fader->value(), 60);
    QTest::mouseRelease(fader, Qt::LeftButton, {}, QPoint(70, 10));
    EXPECT_EQ(finished.count(), 0) << "delivered from inside the mouse handler";
    EXPECT_EQ(Take(moved), Values{60});
    EXPECT_EQ(Take(finished), Values{60});

    QTest::mouseClick(fader, Qt::LeftButton, {}, QPoint(68, 10));  // on the thumb: still finishes
    EXPECT_EQ(Take(moved), Values{});
    EXPECT_EQ(Take(finished), Values{60});

    // Dragged by the thumb, the grab offset is kept and the ends hold.
    fader->setValue(50);  // centre at 60, grabbed 5 right of it
    QTest::mousePress(fader, Qt::LeftButton, {}, QPoint(65, 10));
    const std::pair<int, int> moves[] = {{75, 60}, {300, 100}, {-80, 0}, {40, 25}};
    for (const auto& [x, value] : moves) {
        QTest::mouseMove(fader, QPoint(x, 10));
        EXPECT_EQ(fader->value(), value) << "at x " << x;
    }
    QTest::mouseRelease(fader, Qt::LeftButton, {}, QPoint(40, 10));
    EXPECT_EQ(Take(moved), (Values{60, 100, 0, 25}));
    EXPECT_EQ(Take(finished), Values{25});
}

TEST_F(Fader, EachKeyStepsWithinTheLimitsAndFinishesAtOnce)
{
    fader->setPageStep(25);
    fader->setValue(50);
    const std::pair<Qt::Key, int> steps[] = {{Qt::Key_PageUp, 25},    {Qt::Key_Down, 26},
                                             {Qt::Key_Left, 25},      {Qt::Key_End, 100},
                                             {Qt::Key_PageDown, 100}, {Qt::Key_Home, 0}};
    Values expected;
    for (const auto& [key, value] : steps) {
        QTest::keyPress(fader, key);
        EXPECT_EQ(fader->value(), value) << "key " << int(key);
        expected.push_back(value);
    }
    EXPECT_EQ(Take(finished), expected);
}

TEST_F(Fader, DisablingFinishesADragThenIgnoresMouseAndKeysAndShowsNoThumbNorActiveChannel)
{
    fader->LoadTrackImages(Solid(120, 20, kGrey), Solid(120, 20, kGreen));
    QTest::mousePress(fader, Qt::LeftButton, {}, QPoint(10, 10));
    QTest::mouseMove(fader, QPoint(30, 10));
    fader->setEnabled(false);
    EXPECT_FALSE(fader->IsDragging());
    EXPECT_EQ(Take(moved), Values{20});
    EXPECT_EQ(Take(finished), Values{20});
    QTest::mousePress(fader, Qt::LeftButton, {}, QPoint(60, 10));
    QTest::mouseRelease(fader, Qt::LeftButton, {}, QPoint(60, 10));
    QTest::keyClick(fader, Qt::Key_End);
    EXPECT_EQ(fader->value(), 20);
    EXPECT_EQ(Take(moved), Values{});
    EXPECT_EQ(Take(finished), Values{});
    EXPECT_EQ(Pixel(30, 10), kGrey);
    EXPECT_EQ(Pixel(5, 1), kGrey);
    fader->setEnabled(true);  // active up to the thumb's centre at 30; the thumb on rows 5..14
    const QImage image = test::Grab(host);
    EXPECT_EQ(image.pixel(30, 10), kThumb);
    EXPECT_EQ(image.pixel(29, 1), kGreen);
    EXPECT_EQ(image.pixel(30, 1), kGrey);
}

TEST_F(Fader, VerticalHasItsMinimumAtTheTopAndNewLimitsFinishNothing)
{
    fader->setOrientation(Qt::Vertical);  // 20 x 120 with a 10 x 20 thumb: the centre at 10 + value
    fader->LoadTrackImages(Solid(20, 120, kGrey));
    fader->LoadKnobImages(Solid(10, 20, kThumb));
    fader->setValue(80);
    fader->setRange(-40, 10);
    EXPECT_EQ(fader->value(), 10);
    EXPECT_EQ(Take(finished), Values{}) << "new limits are not the user's change";
    fader->setValue(-40);
    // 30 of the 100 pixels of travel are 15 of the 50 steps.
    QTest::mousePress(fader, Qt::LeftButton, {}, QPoint(10, 10));
    QTest::mouseMove(fader, QPoint(10, 40));
    QTest::mouseRelease(fader, Qt::LeftButton, {}, QPoint(10, 40));
    EXPECT_EQ(Take(moved), Values{-25});
    EXPECT_EQ(Take(finished), Values{-25});
    EXPECT_EQ(Pixel(10, 49), kThumb);
}

class RoundKnobTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        knob.resize(100, 100);
        knob.setRange(-30, 0);
        knob.setValue(-15);
    }

    void Press(QPoint p, Qt::KeyboardModifiers m = {}) { QTest::mousePress(&knob, Qt::LeftButton, m, p); }
    void Move(QPoint p, Qt::KeyboardModifiers m = {})
    {
        QMouseEvent event(QEvent::MouseMove, p, knob.mapToGlobal(p), Qt::NoButton, Qt::LeftButton, m);
        QApplication::sendEvent(&knob, &event);
    }
    void Release(QPoint p, Qt::KeyboardModifiers m = {}) { QTest::mouseRelease(&knob, Qt::LeftButton, m, p); }

    RoundKnob knob;
    QSignalSpy moved{&knob, &RoundKnob::sliderMoved};
    QSignalSpy finished{&knob, &RoundKnob::changeFinished};
};

TEST_F(RoundKnobTest, DraggingUpRaisesAStepPerFourPixelsOrFinerWithShift)
{
    const QPoint start = knob.KnobCentre();
    Press(start);
    for (int dy = 1; dy <= 12; ++dy)
        Move(start - QPoint(0, dy));
    // Sideways changes nothing; down goes back below where it began.
    Move(start + QPoint(30, -12));
    Move(start + QPoint(0, 8));
    Release(start + QPoint(0, 8));
    EXPECT_EQ(Take(moved), (Values{-14, -13, -12, -17}));
    EXPECT_EQ(Take(finished), Values{-17});

    // Shift drags in fine steps; the ends hold.
    knob.setValue(-15);
    Press(start, Qt::ShiftModifier);
    Move(start - QPoint(0, 15), Qt::ShiftModifier);
    Move(start - QPoint(0, 32), Qt::ShiftModifier);
    Move(start - QPoint(0, 33));  // without Shift: on from there at the coarse rate
    Move(start - QPoint(0, 41));
    Move(start - QPoint(0, 400));
    Release(start - QPoint(0, 400));
    EXPECT_EQ(Take(moved), (Values{-13, -11, 0}));
    EXPECT_EQ(Take(finished), Values{0});
    Press(start);  // a click where the dot is finishes nothing
    Release(start);
    EXPECT_EQ(Take(finished), Values{});
}

TEST_F(RoundKnobTest, KeysStepAtOnceAndFinishWhenLetGo)
{
    const struct {
        int from;
        Qt::Key key;
        int to;  // Home is not the knob's key
    } cases[] = {{-4, Qt::Key_PageUp, 0},  {-25, Qt::Key_PageDown, -30}, {-4, Qt::Key_Right, -3},
                 {-4, Qt::Key_Down, -5},   {0, Qt::Key_Up, 0},  // the ends hold: no wrapping round
                 {-30, Qt::Key_Down, -30}, {-12, Qt::Key_Home, -12}};
    for (const auto& c : cases) {
        knob.setValue(c.from);
        QTest::keyPress(&knob, c.key);
        EXPECT_EQ(knob.value(), c.to) << "key " << int(c.key) << " from " << c.from;
        EXPECT_EQ(Take(finished), Values{}) << "key " << int(c.key);
        QTest::keyRelease(&knob, c.key);
        EXPECT_EQ(Take(finished), (c.key == Qt::Key_Home ? Values{} : Values{c.to})) << "key " << int(c.key);
    }

    // A held key repeats press and release; the change finishes once, when let go.
    knob.setValue(-20);
    QTest::keyPress(&knob, Qt::Key_Up);
    QKeyEvent repeated(QEvent::KeyRelease, Qt::Key_Up, Qt::NoModifier, QString(), true);
    QApplication::sendEvent(&knob, &repeated);
    QTest::keyClick(&knob, Qt::Key_Up);
    EXPECT_EQ(Take(finished), Values{-18});
}

TEST_F(RoundKnobTest, WheelUpRaisesALinePerNotchAndFinishesAtOnce)
{
    knob.setValue(-12);
    for (const int delta : {120, -240, 60, 60, 360})  // half notches add up; a fast wheel keeps them all
        test::Wheel(knob, delta);
    EXPECT_EQ(finished.count(), 0) << "delivered from inside the wheel handler";
    EXPECT_EQ(Take(finished), (Values{-11, -13, -12, -9}));
}

TEST(CheckButton, AClickChangesTheStateBeforeClickedAndSetCheckEmitsNoClicked)
{
    ImageCheckButton button(2201, QStringLiteral("Phantom power"));
    button.SetImages(Solid(16, 16, kGreen), Solid(16, 16, kGrey));
    button.resize(button.sizeHint());
    std::vector<bool> seenByHandler;
    QObject::connect(&button, &QAbstractButton::clicked, &button, [&](bool checked) {
        EXPECT_EQ(checked, button.isChecked());
        seenByHandler.push_back(button.isChecked());
    });
    QTest::mouseClick(&button, Qt::LeftButton, {}, QPoint(8, 8));
    QTest::mouseClick(&button, Qt::LeftButton, {}, QPoint(40, 8));  // on the caption
    QTest::keyClick(&button, Qt::Key_Space);
    EXPECT_EQ(seenByHandler, (std::vector<bool>{true, false, true}));
    EXPECT_EQ(test::Grab(button).pixel(8, button.height() / 2), kGreen);

    QSignalSpy toggled(&button, &QAbstractButton::toggled);
    button.setChecked(true);
    button.setChecked(false);
    test::Deliver();
    EXPECT_EQ(toggled.count(), 1);
    EXPECT_EQ(seenByHandler.size(), 3u) << "setChecked emitted clicked";
    EXPECT_EQ(test::Grab(button).pixel(8, button.height() / 2), kGrey);
}

// The panels' own check images (197 ticked, 198 unticked): the unticked box is
// one even face, the ticked one has a tick that loses its colour when disabled.
TEST(CheckButton, TheUntickedImageIsAnEmptyBoxAndTheTickedOneHasATick)
{
    ImageCheckButton button(2202, QStringLiteral("Mute"));
    ASSERT_TRUE(button.LoadImages(res::kCheckOn, res::kCheckOff));
    button.resize(button.sizeHint());
    const QRect face(3, (button.height() - 16) / 2 + 3, 10, 10);  // inside the bezel
    // How many pixels of the face are far lighter or darker than its centre.
    const auto spread = [&](const QImage& image) {
        const int centre = QColor::fromRgb(image.pixel(face.center())).lightness();
        return test::Find(image, face,
                          [&](QRgb c) { return std::abs(QColor::fromRgb(c).lightness() - centre) > 40; })
            .count;
    };
    const auto saturated = [](QRgb c) { return QColor::fromRgb(c).hsvSaturation() > 60; };

    EXPECT_EQ(spread(test::Grab(button)), 0) << "something is drawn in the unticked box";
    button.setChecked(true);
    EXPECT_GT(spread(test::Grab(button)), 0) << "no tick in the ticked box";
    EXPECT_GT(test::Find(test::Grab(button), face, saturated).count, 0);
    button.setEnabled(false);
    EXPECT_GT(spread(test::Grab(button)), 0) << "no tick in the disabled box";
    EXPECT_EQ(test::Find(test::Grab(button), face, saturated).count, 0) << "a disabled tick keeps its colour";
}

// A horizontal trackbar 110 pixels long with a 10-pixel thumb, so over 0..100
// the thumb's centre lies at 5 + position.
class Trackbar : public ::testing::Test {
protected:
    void SetUp() override
    {
        bar.SetImages(Solid(10, 20, kThumb), Solid(110, 8, kGreen), Solid(110, 8, kGrey));
        bar.resize(bar.sizeHint());
    }

    SkinnedTrackbar bar{3301};
    QSignalSpy moved{&bar, &SkinnedTrackbar::sliderMoved};
    QSignalSpy finished{&bar, &SkinnedTrackbar::changeFinished};
};

TEST_F(Trackbar, DragClicksAndKeysFinishFromTheEventLoopAClickOnTheChannelMovingAPage)
{
    QTest::mousePress(&bar, Qt::LeftButton, {}, QPoint(7, 10));  // 2 right of the centre
    QTest::mouseMove(&bar, QPoint(27, 10));
    QTest::mouseMove(&bar, QPoint(47, 3));
    QTest::mouseMove(&bar, QPoint(400, 10));
    QTest::mouseRelease(&bar, Qt::LeftButton, {}, QPoint(400, 10));
    EXPECT_EQ(Take(moved), (Values{20, 40, 100}));
    EXPECT_EQ(Take(finished), Values{100});

    bar.setPageStep(25);
    const struct {
        int from, x, to;
    } clicks[] = {{30, 33, 30}, {50, 10, 25}, {50, 100, 75}};  // from 50 the thumb covers 50..59
    for (const auto& click : clicks) {
        bar.setValue(click.from);
        QTest::mouseClick(&bar, Qt::LeftButton, {}, QPoint(click.x, 10));
        EXPECT_EQ(Take(finished), Values{click.to}) << "from " << click.from << " at x " << click.x;
    }
    EXPECT_EQ(Take(moved), Values{});

    // Keys step by lines and pages and go to the ends.
    bar.setSingleStep(5);
    bar.setPageStep(30);
    bar.setValue(50);
    for (const Qt::Key key : {Qt::Key_Down, Qt::Key_PageDown, Qt::Key_PageDown, Qt::Key_PageUp, Qt::Key_Home,
                              Qt::Key_End, Qt::Key_Left}) {
        QTest::keyPress(&bar, key);
        QTest::keyRelease(&bar, key);
    }
    EXPECT_EQ(finished.count(), 0) << "delivered from inside the key handler";
    EXPECT_EQ(Take(finished), (Values{55, 85, 100, 70, 0, 100, 95}));
}

// Gold under the gloss keeps far more red than blue; grey and gloss are neutral.
bool IsBar(QRgb c)
{
    return qRed(c) - qBlue(c) > 80;
}

// The last column of row `y` in the run of bar colour that starts within the
// first tenth of the meter; -1 when there is none.
int FillEnd(LevelMeter& meter, int y)
{
    const test::Extent run = test::Find(test::Grab(meter), QRect(0, y, meter.width(), 1), IsBar);
    if (run.count == 0 || run.box.left() > meter.width() / 10)
        return -1;
    EXPECT_EQ(run.count, run.box.width()) << "the fill has a gap";
    return run.box.right();
}

// The signal meter (14 wide), the echo meters (12 wide) and a bar across write
// their position plus their offset; the widest number fits, at twice the pixels.
TEST(LevelMeter, WritesThePositionPlusTheOffsetAndTheWidestNumberFitsAtTwoTimes)
{
    const struct {
        Qt::Orientation orientation;
        QSize size;
        int offset, value;
        const char* shown;
    } meters[] = {{Qt::Vertical, {14, 140}, -100, 0, "-100"},
                  {Qt::Vertical, {12, 140}, 0, 100, "100"},
                  {Qt::Horizontal, {120, 14}, -100, 40, "-60"}};
    for (const auto& m : meters) {
        LevelMeter meter(0, m.orientation);
        meter.resize(m.size);
        meter.SetLimits(0, 100);
        meter.SetDisplayOffset(m.offset);
        meter.SetValue(m.value);
        const QString text = meter.DisplayText();
        EXPECT_EQ(text, m.shown);
        const bool upright = m.orientation == Qt::Vertical;
        SCOPED_TRACE(text.toStdString() + (upright ? " upright" : " across"));
        const QRectF area = meter.NumberArea();
        QFont font = meter.NumberFont();
        font.setPointSizeF(font.pointSizeF() * 2);
        const QFontMetricsF metrics(font);
        EXPECT_LE(metrics.horizontalAdvance(text) / 2, upright ? area.height() : area.width());
        EXPECT_LE(metrics.tightBoundingRect(text).height() / 2, upright ? area.width() : area.height());
        const QImage with = test::Grab(meter);
        meter.SetShowText(false);
        EXPECT_NE(test::Grab(meter), with) << "no number drawn";
    }
}

TEST(LevelMeter, FillsTheBarInProportionToThePositionInTheColourGiven)
{
    LevelMeter meter;
    meter.resize(300, 24);
    const struct {
        int lower, upper, value, end;  // end -1: nothing filled
    } cases[] = {{0, 100, 40, 120}, {-60, 0, -45, 75}, {0, 100, 0, -1}, {0, 0, 5, -1}};
    for (const auto& c : cases) {
        meter.SetLimits(c.lower, c.upper);
        meter.SetValue(c.value);
        EXPECT_NEAR(FillEnd(meter, 5), c.end, c.end < 0 ? 0 : 3)
            << c.value << " in " << c.lower << ".." << c.upper;
    }
    meter.SetLimits(0, 100);
    meter.SetValue(50);
    meter.SetBarColour(kZoneGreen);
    const QRgb green = test::Grab(meter).pixel(75, 5);
    meter.SetBarColour(kZoneRed);
    const QRgb red = test::Grab(meter).pixel(75, 5);
    EXPECT_TRUE(qGreen(green) > qRed(green) + 60 && qRed(red) > qGreen(red) + 60);

    // Upright, the bar fills from the bottom.
    LevelMeter upright(0, Qt::Vertical);
    upright.resize(18, 121);
    upright.SetShowText(false);
    upright.SetValue(30);
    const test::Extent bar = test::Find(test::Grab(upright), QRect(9, 0, 1, 121), IsBar);
    EXPECT_NEAR(bar.count, 36, 3);
    EXPECT_GE(bar.box.bottom(), 118);
}

// A reading keeps the layout of every number it showed: it still shows the
// newest text, and a new font lays the numbers out again.
TEST(ReadingLabel, ShowsItsNewestTextInItsFont)
{
    ReadingLabel reading;
    reading.resize(40, 16);
    const auto shown = [&reading](const char* text) {
        reading.setText(QString::fromLatin1(text));
        return test::Grab(reading);
    };
    const QImage first = shown("-12");
    EXPECT_NE(shown("-30"), first);
    EXPECT_EQ(shown("-12"), first);
    QFont larger = reading.font();
    larger.setPointSizeF(larger.pointSizeF() * 1.5);
    reading.setFont(larger);
    EXPECT_NE(test::Grab(reading), first);
    EXPECT_NE(shown(""), first);
}

// The share of the pixels of `one` that `two`, drawn at twice the size and
// halved again, does not show (beyond what a smoothed edge differs by).
double ShareUnlike(const QImage& one, const QImage& two)
{
    if (two.size() != one.size() * 2)
        return 1.0;
    const QImage halved = two.scaled(one.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    int unlike = 0;
    for (int y = 0; y < one.height(); ++y) {
        for (int x = 0; x < one.width(); ++x) {
            const QRgb a = one.pixel(x, y);
            const QRgb b = halved.pixel(x, y);
            unlike += std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) +
                          std::abs(qBlue(a) - qBlue(b)) >
                      96;
        }
    }
    return double(unlike) / (one.width() * one.height());
}

// In a form zoomed to 2 each control shows its picture at 100 % twice the
// size, and the mouse acts where that picture shows the control's parts.
TEST(Zoom, ControlsDrawTheirPictureTwiceTheSizeAndTakeTheMouseWhereItShows)
{
    QWidget form;
    auto* fader = new BitmapFader(1, &form);
    fader->LoadTrackImages(Solid(120, 20, kGrey));
    fader->LoadKnobImages(Solid(20, 10, kThumb));
    auto* bar = new SkinnedTrackbar(2, &form);
    bar->SetImages(Solid(10, 20, kThumb), Solid(110, 8, kGreen), Solid(110, 8, kGrey));
    auto* knob = new RoundKnob(3, &form);
    knob->setRange(-30, 0);
    auto* meter = new LevelMeter(4, Qt::Vertical, &form);
    meter->SetShowText(false);
    zoom::Place(*fader, 0, 0, 120, 20);
    zoom::Place(*bar, 0, 30, 110, 20);
    zoom::Place(*knob, 130, 0, 48, 48);
    zoom::Place(*meter, 190, 0, 18, 121);
    fader->setValue(30);
    bar->setValue(70);
    knob->setValue(-10);
    meter->SetValue(30);
    const std::vector<QWidget*> controls{fader, bar, knob, meter};
    std::vector<QImage> at100;
    for (QWidget* control : controls)
        at100.push_back(test::Grab(*control));
    zoom::Set(form, 2.0);
    for (std::size_t i = 0; i < controls.size(); ++i)
        EXPECT_LT(ShareUnlike(at100[i], test::Grab(*controls[i])), 0.03)
            << controls[i]->metaObject()->className();

    // The fader's thumb centre for 60 is at 70 at 100 %; the trackbar's thumb
    // for 70 covers 70..79 and is dragged by 30; the knob moves a step for
    // every 4 it is dragged up, and takes the wheel over its middle.
    QTest::mouseClick(fader, Qt::LeftButton, {}, QPoint(140, 20));
    EXPECT_EQ(fader->value(), 60);
    QTest::mousePress(bar, Qt::LeftButton, {}, QPoint(150, 20));
    QTest::mouseMove(bar, QPoint(90, 20));
    QTest::mouseRelease(bar, Qt::LeftButton, {}, QPoint(90, 20));
    EXPECT_EQ(bar->value(), 40);
    const QPoint centre(48, 48);
    QTest::mousePress(knob, Qt::LeftButton, {}, centre);
    QTest::mouseMove(knob, centre - QPoint(0, 24));
    QTest::mouseRelease(knob, Qt::LeftButton, {}, centre - QPoint(0, 24));
    EXPECT_EQ(knob->value(), -7);
    test::Wheel(*knob, 120);
    EXPECT_EQ(knob->value(), -6);
}

// What assistive technology reads: kind, state and value with its unit (names:
// panels_test); a value set from there moves a slider as the user would.
TEST(Accessibility, ControlsTellKindStateAndValueAndTakeAValueAsTheUserWould)
{
    QWidget host;
    auto* fader = new BitmapFader(1072, &host);
    fader->setRange(0, 48);
    fader->SetValueReading(47, -1, QStringLiteral("dB"));  // the top position is 47 dB
    fader->setValue(35);
    QSignalSpy finished(fader, &BitmapFader::changeFinished);
    QAccessibleInterface* slider = QAccessible::queryAccessibleInterface(fader);
    QAccessibleValueInterface& gain = *slider->valueInterface();
    EXPECT_EQ(slider->role(), QAccessible::Slider);
    EXPECT_EQ(slider->text(QAccessible::Value), "12 dB");
    EXPECT_EQ(
        (Values{gain.minimumValue().toInt(), gain.maximumValue().toInt(), gain.minimumStepSize().toInt()}),
        (Values{-1, 47, 1}));
    gain.setCurrentValue(20.4);
    EXPECT_EQ(fader->value(), 27);
    gain.setCurrentValue(99);  // beyond the top: the top
    fader->setEnabled(false);
    gain.setCurrentValue(20);
    EXPECT_TRUE(slider->state().disabled);
    EXPECT_EQ(Take(finished), (Values{27, 0}));
    RoundKnob knob;
    EXPECT_EQ(QAccessible::queryAccessibleInterface(&knob)->role(), QAccessible::Dial);

    ImageCheckButton check(2201, QStringLiteral("&Phantom"));  // unnamed, it reads its caption
    QSignalSpy clicked(&check, &ImageCheckButton::clicked);
    QAccessibleInterface* box = QAccessible::queryAccessibleInterface(&check);
    EXPECT_EQ(box->role(), QAccessible::CheckBox);
    EXPECT_EQ(box->text(QAccessible::Name), "Phantom");
    box->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    check.setEnabled(false);
    box->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    EXPECT_TRUE(box->state().checked && box->state().disabled);
    EXPECT_EQ(clicked.count(), 1);

    LevelMeter meter;  // only the device moves a meter
    meter.SetValue(40);
    QAccessibleInterface* bar = QAccessible::queryAccessibleInterface(&meter);
    bar->valueInterface()->setCurrentValue(10);
    EXPECT_TRUE(bar->role() == QAccessible::ProgressBar && bar->state().readOnly);
    EXPECT_EQ(meter.GetValue(), 40);
}

}  // namespace
}  // namespace brevant
