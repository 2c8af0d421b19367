// The channel-gain fader through its widget: mouse and keys with the signals
// they give (a finished change always after the event, from the event loop),
// and what it draws.
#include "tests/ui/UiTestHelpers.h"
#include "ui/controls/BitmapFader.h"

#include <QTest>

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace brevant {
namespace {

using test::Solid;
using test::Take;
using Values = std::vector<int>;

constexpr QRgb kChannel = 0xFF808080;
constexpr QRgb kActiveChannel = 0xFF00A000;
constexpr QRgb kThumb = 0xFFC80000;

// A horizontal fader on a host window: a 120 x 20 channel and a 20 x 10
// thumb, so over 0..100 the thumb's centre lies at 10 + value.
class Fader : public ::testing::Test {
protected:
    void SetUp() override
    {
        host.resize(200, 150);
        fader->LoadTrackImages(Solid(120, 20, kChannel));
        fader->LoadKnobImages(Solid(20, 10, kThumb));
    }

    QRgb Pixel(int x, int y) { return test::Grab(host).pixel(x, y); }

    QWidget host;
    BitmapFader* fader = new BitmapFader(1042, &host);
    QSignalSpy moved{fader, &BitmapFader::sliderMoved};
    QSignalSpy finished{fader, &BitmapFader::changeFinished};
};

TEST_F(Fader, NewLimitsBringTheValueIntoRangeAndFinishNothing)
{
    fader->setValue(80);
    fader->setRange(0, 50);
    EXPECT_EQ(fader->value(), 50);
    EXPECT_EQ(Take(moved), Values{});
    EXPECT_EQ(Take(finished), Values{});
}

TEST_F(Fader, ClickAwayFromTheThumbJumpsThereAndFinishesFromTheEventLoop)
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
    const std::pair<Qt::Key, int> steps[] = {{Qt::Key_PageUp, 25},    {Qt::Key_Down, 26},
                                             {Qt::Key_Left, 25},      {Qt::Key_End, 100},
                                             {Qt::Key_PageDown, 100}, {Qt::Key_Home, 0}};
    Values expected;
    for (const auto& [key, value] : steps) {
        QTest::keyPress(fader, key);
        EXPECT_EQ(fader->value(), value) << "key " << int(key);
        expected.push_back(value);
    }
    EXPECT_EQ(finished.count(), 0) << "delivered from inside the key handler";
    EXPECT_EQ(Take(finished), expected);
}

TEST_F(Fader, DisablingFinishesADragThenIgnoresMouseAndKeysAndShowsNoThumb)
{
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
    EXPECT_EQ(Pixel(30, 10), kChannel);
    fader->setEnabled(true);
    EXPECT_EQ(Pixel(30, 10), kThumb);
}

TEST_F(Fader, VerticalHasItsMinimumAtTheTopAndGrowsDownwards)
{
    fader->setOrientation(Qt::Vertical);  // 20 x 120 with a 10 x 20 thumb: the centre at 10 + value
    fader->LoadTrackImages(Solid(20, 120, kChannel));
    fader->LoadKnobImages(Solid(10, 20, kThumb));
    fader->setRange(-40, 10);
    fader->setValue(-40);
    // 30 of the 100 pixels of travel are 15 of the 50 steps.
    QTest::mousePress(fader, Qt::LeftButton, {}, QPoint(10, 10));
    QTest::mouseMove(fader, QPoint(10, 40));
    QTest::mouseRelease(fader, Qt::LeftButton, {}, QPoint(10, 40));
    EXPECT_EQ(Take(moved), Values{-25});
    EXPECT_EQ(Take(finished), Values{-25});
    EXPECT_EQ(Pixel(10, 49), kThumb);
}

TEST_F(Fader, ActiveChannelShowsFromTheMinimumUpToTheThumbCentreWhileEnabled)
{
    fader->LoadTrackImages(Solid(120, 20, kChannel), Solid(120, 20, kActiveChannel));
    fader->setValue(50);  // centre at 60; the thumb covers rows 5..14 only
    const QImage image = test::Grab(host);
    EXPECT_EQ(image.pixel(59, 1), kActiveChannel);
    EXPECT_EQ(image.pixel(60, 1), kChannel);
    fader->setEnabled(false);
    EXPECT_EQ(Pixel(5, 1), kChannel);
}

}  // namespace
}  // namespace brevant
