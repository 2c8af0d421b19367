// The image check button and the image trackbar through their widgets: what
// they report, in which order and when.
#include "tests/ui/UiTestHelpers.h"
#include "ui/controls/ImageCheckButton.h"
#include "ui/controls/SkinnedTrackbar.h"
#include "ui/res/ResourceRegistry.h"

#include <QApplication>
#include <QColor>
#include <QKeyEvent>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>
#include <vector>

namespace brevant {
namespace {

using test::Solid;
using test::Take;
using Values = std::vector<int>;

constexpr QRgb kChecked = 0xFF00A000;
constexpr QRgb kUnchecked = 0xFF808080;
constexpr QRgb kThumb = 0xFFC80000;

TEST(CheckButton, AClickChangesTheStateBeforeClickedAndSetCheckEmitsNoClicked)
{
    ImageCheckButton button(2201, QStringLiteral("Phantom power"));
    button.SetImages(Solid(16, 16, kChecked), Solid(16, 16, kUnchecked));
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
    EXPECT_EQ(test::Grab(button).pixel(8, button.height() / 2), kChecked);

    QSignalSpy toggled(&button, &QAbstractButton::toggled);
    button.setChecked(true);
    button.setChecked(false);
    test::Deliver();
    EXPECT_EQ(toggled.count(), 1);
    EXPECT_EQ(seenByHandler.size(), 3u) << "setChecked emitted clicked";
    EXPECT_EQ(test::Grab(button).pixel(8, button.height() / 2), kUnchecked);
}

// The panels' own check images (197 ticked, 198 unticked): the unticked box is
// one even face, the ticked one has a tick that loses its colour when disabled.
TEST(CheckButton, TheUntickedImageIsAnEmptyBoxAndTheTickedOneHasATick)
{
    ImageCheckButton button(2202, QStringLiteral("Mute"));
    ASSERT_TRUE(button.LoadImages(res::kCheckOn, res::kCheckOff));
    button.resize(button.sizeHint());
    // The face inside the bezel, clear of the rounded corners.
    const QRect face(3, (button.height() - 16) / 2 + 3, 10, 10);
    const auto spread = [&](const QImage& image) {  // between the darkest and the lightest pixel
        int low = 255, high = 0;
        for (int y = face.top(); y <= face.bottom(); ++y)
            for (int x = face.left(); x <= face.right(); ++x) {
                const int lightness = QColor::fromRgb(image.pixel(x, y)).lightness();
                low = std::min(low, lightness);
                high = std::max(high, lightness);
            }
        return high - low;
    };
    const auto saturated = [](QRgb c) { return QColor::fromRgb(c).hsvSaturation() > 60; };

    EXPECT_LT(spread(test::Grab(button)), 30) << "something is drawn in the unticked box";
    button.setChecked(true);
    EXPECT_GT(spread(test::Grab(button)), 80) << "no tick in the ticked box";
    EXPECT_GT(test::Find(test::Grab(button), face, saturated).count, 0);
    button.setEnabled(false);
    EXPECT_GT(spread(test::Grab(button)), 80) << "no tick in the disabled box";
    EXPECT_EQ(test::Find(test::Grab(button), face, saturated).count, 0) << "a disabled tick keeps its colour";
}

// A horizontal trackbar 110 pixels long with a 10-pixel thumb, so over 0..100
// the thumb's centre lies at 5 + position.
class Trackbar : public ::testing::Test {
protected:
    void SetUp() override
    {
        bar.SetImages(Solid(10, 20, kThumb), Solid(110, 8, kChecked), Solid(110, 8, kUnchecked));
        bar.resize(bar.sizeHint());
    }

    SkinnedTrackbar bar{3301};
    QSignalSpy moved{&bar, &SkinnedTrackbar::sliderMoved};
    QSignalSpy finished{&bar, &SkinnedTrackbar::changeFinished};
};

TEST_F(Trackbar, DragAndClicksFinishFromTheEventLoopAClickOnTheChannelMovingAPage)
{
    QTest::mousePress(&bar, Qt::LeftButton, {}, QPoint(7, 10));  // 2 right of the centre
    QTest::mouseMove(&bar, QPoint(27, 10));
    EXPECT_EQ(bar.value(), 20);
    QTest::mouseMove(&bar, QPoint(47, 3));
    QTest::mouseMove(&bar, QPoint(400, 10));
    QTest::mouseRelease(&bar, Qt::LeftButton, {}, QPoint(400, 10));
    EXPECT_EQ(finished.count(), 0) << "delivered from inside the mouse handler";
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
}

TEST_F(Trackbar, KeysStepByLinesPagesAndToTheEndsAndFinishWhenLetGo)
{
    bar.setSingleStep(5);
    bar.setPageStep(30);
    bar.setValue(50);
    const std::pair<Qt::Key, int> keys[] = {{Qt::Key_Down, 55},      {Qt::Key_PageDown, 85},
                                            {Qt::Key_PageDown, 100}, {Qt::Key_PageUp, 70},
                                            {Qt::Key_Home, 0},       {Qt::Key_End, 100}};
    Values expected;
    for (const auto& [key, value] : keys) {
        QTest::keyPress(&bar, key);
        EXPECT_EQ(bar.value(), value) << "key " << int(key);
        QTest::keyRelease(&bar, key);
        expected.push_back(value);
    }
    EXPECT_EQ(finished.count(), 0) << "delivered from inside the key handler";
    EXPECT_EQ(Take(finished), expected);

    // A held key repeats press and release; the change finishes once, when let go.
    for (const bool last : {false, false, true}) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Left, Qt::NoModifier);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_Left, Qt::NoModifier, QString(), !last);
        QApplication::sendEvent(&bar, &press);
        QApplication::sendEvent(&bar, &release);
    }
    EXPECT_EQ(Take(finished), Values{85});
}

}  // namespace
}  // namespace brevant
