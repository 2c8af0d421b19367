// The channel-gain fader through its widget: clamping, the two mappings
// between values and thumb positions, mouse and keys with the signals they
// give (a finished change always after the event, from the event loop), and
// what it draws.
#include "ui/controls/BitmapFader.h"
#include "tests/ui/UiTestHelpers.h"

#include <QMargins>
#include <QPainter>
#include <QPalette>
#include <QTest>

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace brevant {
namespace {

using test::Solid;
using test::Take;
using Values = std::vector<int>;

constexpr QRgb kBackground = 0xFFFF00FF;
constexpr QRgb kChannel = 0xFF808080;
constexpr QRgb kActiveChannel = 0xFF00A000;
constexpr QRgb kThumb = 0xFFC80000;
constexpr QRgb kKey = 0xFF0000FF;

// A horizontal fader in a magenta window: a 120 x 20 channel and a 20 x 10
// thumb, so over 0..100 the thumb's centre lies at 10 + value.
class Fader : public ::testing::Test {
protected:
    void SetUp() override
    {
        host.resize(200, 150);
        host.setAutoFillBackground(true);
        QPalette palette = host.palette();
        palette.setColor(QPalette::Window, QColor::fromRgb(kBackground));
        host.setPalette(palette);
        fader->LoadTrackImages(Solid(120, 20, kChannel));
        fader->LoadKnobImages(Solid(20, 10, kThumb));
    }

    // 20 x 120 with a 10 x 20 thumb: the centre lies at 10 + value.
    void MakeVertical()
    {
        fader->setOrientation(Qt::Vertical);
        fader->LoadTrackImages(Solid(20, 120, kChannel));
        fader->LoadKnobImages(Solid(10, 20, kThumb));
    }

    QRgb Pixel(int x, int y) { return test::Grab(host).pixel(x, y); }

    QWidget host;
    BitmapFader* fader = new BitmapFader(1042, &host);
    QSignalSpy moved{fader, &BitmapFader::sliderMoved};
    QSignalSpy finished{fader, &BitmapFader::changeFinished};
};

TEST_F(Fader, SetValueClampsAgainstTheMaximumFirstAndFinishesNothing)
{
    const struct {
        int lower, upper, value, expected;
    } cases[] = {
        {-60, 10, 250, 10}, {-60, 10, -61, -60}, {-60, 10, -7, -7},
        // Crossed limits show the order: the maximum first, then the minimum.
        {50, 10, 30, 50}, {50, 10, 0, 50},
    };
    for (const auto& c : cases) {
        fader->setRange(c.lower, c.upper);
        fader->setValue(c.value);
        EXPECT_EQ(fader->value(), c.expected) << c.lower << ".." << c.upper << " set to " << c.value;
    }
    // New limits bring the value into range.
    fader->setRange(0, 100);
    fader->setValue(80);
    fader->setRange(0, 50);
    EXPECT_EQ(fader->value(), 50);
    EXPECT_EQ(Take(moved), Values{});
    EXPECT_EQ(Take(finished), Values{});
}

TEST_F(Fader, MappingsKeepTheEndsHalfAThumbPlusTheInsetInAndTruncateTowardsZero)
{
    const struct {
        bool vertical;
        int lower, upper;
        QMargins insets;
        std::vector<std::pair<int, int>> valueToPixel, pixelToValue;
    } cases[] = {
        // Travel 120 - 15 - 20 - 5 = 80 pixels for 100 steps.
        {false, 0, 100, {5, 30, 15, 30}, {{0, 15}, {1, 15}, {50, 55}, {100, 95}},
         {{15, 0}, {16, 1}, {94, 98}, {95, 100}}},
        {false, -60, 0, {5, 0, 15, 0}, {{-60, 15}, {0, 95}}, {{16, -59}}},
        {false, 7, 7, {}, {{7, 10}}, {{60, 7}}},
        {true, 0, 100, {40, 5, 40, 15}, {{0, 15}, {100, 95}}, {{55, 50}}},
    };
    for (const auto& c : cases) {
        if (c.vertical)
            MakeVertical();
        fader->setRange(c.lower, c.upper);
        fader->SetInsets(c.insets.left(), c.insets.top(), c.insets.right(), c.insets.bottom());
        for (const auto& [value, pixel] : c.valueToPixel)
            EXPECT_EQ(fader->ValueToPixel(value), pixel) << c.lower << ".." << c.upper << " value " << value;
        for (const auto& [pixel, value] : c.pixelToValue)
            EXPECT_EQ(fader->PixelToValue(pixel), value) << c.lower << ".." << c.upper << " pixel " << pixel;
    }
}

TEST_F(Fader, ClickAwayFromTheThumbJumpsThereAndFinishesFromTheEventLoop)
{
    QTest::mousePress(fader, Qt::LeftButton, {}, QPoint(70, 10));
    EXPECT_EQ(fader->value(), 60);
    QTest::mouseRelease(fader, Qt::LeftButton, {}, QPoint(70, 10));
    EXPECT_EQ(finished.count(), 0) << "delivered from inside the mouse handler";
    EXPECT_EQ(Take(moved), Values{60});
    EXPECT_EQ(Take(finished), Values{60});

    // A click on the thumb that leaves it where it is still finishes.
    QTest::mouseClick(fader, Qt::LeftButton, {}, QPoint(68, 10));
    EXPECT_EQ(Take(moved), Values{});
    EXPECT_EQ(Take(finished), Values{60});
}

TEST_F(Fader, DraggingByTheThumbKeepsTheGrabOffsetAndStopsAtTheEnds)
{
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
    const std::pair<Qt::Key, int> steps[] = {
        {Qt::Key_PageUp, 25}, {Qt::Key_PageDown, 50}, {Qt::Key_Right, 51}, {Qt::Key_Down, 52}, {Qt::Key_Left, 51},
        {Qt::Key_Up, 50}, {Qt::Key_End, 100}, {Qt::Key_PageDown, 100}, {Qt::Key_Home, 0}, {Qt::Key_PageUp, 0},
    };
    Values expected;
    for (const auto& [key, value] : steps) {
        QTest::keyPress(fader, key);
        EXPECT_EQ(fader->value(), value) << "key " << int(key);
        expected.push_back(value);
    }
    EXPECT_EQ(finished.count(), 0) << "delivered from inside the key handler";
    EXPECT_EQ(Take(finished), expected);
}

TEST_F(Fader, DisabledIgnoresMouseAndKeysAndShowsNoThumb)
{
    fader->setValue(50);
    fader->setEnabled(false);
    QTest::mouseClick(fader, Qt::LeftButton, {}, QPoint(100, 10));
    QTest::mousePress(fader, Qt::LeftButton, {}, QPoint(60, 10));
    QTest::mouseMove(fader, QPoint(20, 10));
    QTest::mouseRelease(fader, Qt::LeftButton, {}, QPoint(20, 10));
    for (Qt::Key key : {Qt::Key_Home, Qt::Key_End, Qt::Key_PageUp, Qt::Key_Right})
        QTest::keyClick(fader, key);
    EXPECT_EQ(fader->value(), 50);
    EXPECT_EQ(Take(moved), Values{});
    EXPECT_EQ(Take(finished), Values{});
    EXPECT_EQ(Pixel(60, 10), kChannel);
    fader->setEnabled(true);
    EXPECT_EQ(Pixel(60, 10), kThumb);
}

TEST_F(Fader, DisablingDuringADragFinishesIt)
{
    QTest::mousePress(fader, Qt::LeftButton, {}, QPoint(10, 10));
    QTest::mouseMove(fader, QPoint(30, 10));
    fader->setEnabled(false);
    EXPECT_FALSE(fader->IsDragging());
    EXPECT_EQ(Take(moved), Values{20});
    EXPECT_EQ(Take(finished), Values{20});
}

TEST_F(Fader, VerticalHasItsMinimumAtTheTopAndGrowsDownwards)
{
    MakeVertical();
    fader->setRange(-40, 10);
    fader->setValue(-40);

    // 30 of the 100 pixels of travel are 15 of the 50 steps.
    QTest::mousePress(fader, Qt::LeftButton, {}, QPoint(10, 10));
    QTest::mouseMove(fader, QPoint(10, 40));
    QTest::mouseRelease(fader, Qt::LeftButton, {}, QPoint(10, 40));
    EXPECT_EQ(Take(moved), Values{-25});
    EXPECT_EQ(Take(finished), Values{-25});
    EXPECT_EQ(Pixel(10, 49), kThumb);
    EXPECT_EQ(Pixel(10, 10), kChannel);
}

TEST_F(Fader, ActiveChannelShowsFromTheMinimumUpToTheThumbCentreWhileEnabled)
{
    fader->LoadTrackImages(Solid(120, 20, kChannel), Solid(120, 20, kActiveChannel));
    fader->setValue(50);  // centre at 60; the thumb covers rows 5..14 only
    const QImage image = test::Grab(host);
    EXPECT_EQ(image.pixel(0, 1), kActiveChannel);
    EXPECT_EQ(image.pixel(59, 1), kActiveChannel);
    EXPECT_EQ(image.pixel(60, 1), kChannel);
    EXPECT_EQ(image.pixel(119, 18), kChannel);
    fader->setEnabled(false);
    EXPECT_EQ(Pixel(5, 1), kChannel);
}

TEST_F(Fader, KeyColourIsSeeThroughPickedFromAPixelOrGiven)
{
    // A channel with a key-coloured band along its top, the key picked from a
    // pixel in the band; a thumb in a key-coloured frame, the key given.
    QImage channel = Solid(120, 20, kChannel);
    QPainter{&channel}.fillRect(0, 0, 120, 4, QColor::fromRgb(kKey));
    QImage thumb = Solid(20, 10, kKey);
    QPainter{&thumb}.fillRect(1, 1, 18, 8, QColor::fromRgb(kThumb));
    fader->LoadTrackImages(channel, QImage(), true, BitmapFader::kColourFromPixel, 3, 2);
    fader->LoadKnobImages(thumb, QImage(), true, kKey & RGB_MASK);
    const QImage image = test::Grab(host);  // the thumb covers 0..19 x 5..14
    EXPECT_EQ(image.pixel(80, 0), kBackground);
    EXPECT_EQ(image.pixel(80, 3), kBackground);
    EXPECT_EQ(image.pixel(80, 4), kChannel);
    EXPECT_EQ(image.pixel(0, 5), kChannel);
    EXPECT_EQ(image.pixel(1, 6), kThumb);

    // Without the switch the key colour is drawn as it is.
    fader->LoadTrackImages(channel, QImage(), false, BitmapFader::kColourFromPixel, 3, 2);
    EXPECT_EQ(Pixel(80, 0), kKey);
}

}  // namespace
}  // namespace brevant
