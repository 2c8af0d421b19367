// The round knob through its widget: vertical dragging with its fine steps,
// the keys and the wheel, with the values it reports while the user moves it
// and when the change is finished.
#include "tests/ui/UiTestHelpers.h"
#include "ui/controls/RoundKnob.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTest>
#include <QWheelEvent>

#include <gtest/gtest.h>

namespace brevant {
namespace {

using test::Take;
using Values = std::vector<int>;

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
    void Turn(int delta)
    {
        const QPointF centre(knob.KnobCentre());
        QWheelEvent event(centre, knob.mapToGlobal(centre), QPoint(), QPoint(0, delta), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(&knob, &event);
    }

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
    EXPECT_EQ(knob.value(), -12);
    // Sideways changes nothing; down goes back below where it began.
    Move(start + QPoint(30, -12));
    Move(start + QPoint(0, 8));
    Release(start + QPoint(0, 8));
    EXPECT_EQ(knob.value(), -17);
    EXPECT_EQ(finished.count(), 0) << "delivered from inside the mouse handler";
    EXPECT_EQ(Take(moved), (Values{-14, -13, -12, -17}));
    EXPECT_EQ(Take(finished), Values{-17});

    // Shift drags in fine steps; the ends hold.
    knob.setValue(-15);
    Press(start, Qt::ShiftModifier);
    Move(start - QPoint(0, 15), Qt::ShiftModifier);
    Move(start - QPoint(0, 32), Qt::ShiftModifier);
    EXPECT_EQ(knob.value(), -13);
    // Letting go of Shift keeps the value and goes on at the coarse rate.
    Move(start - QPoint(0, 33));
    Move(start - QPoint(0, 41));
    EXPECT_EQ(knob.value(), -11);
    // Far past the top stops at the maximum and stays there.
    Move(start - QPoint(0, 400));
    EXPECT_EQ(knob.value(), 0);
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
    } cases[] = {{-4, Qt::Key_PageUp, 0},
                 {-25, Qt::Key_PageDown, -30},
                 {-4, Qt::Key_Right, -3},
                 {-4, Qt::Key_Down, -5},
                 {-12, Qt::Key_Home, -12}};
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
        Turn(delta);
    EXPECT_EQ(finished.count(), 0) << "delivered from inside the wheel handler";
    EXPECT_EQ(Take(finished), (Values{-11, -13, -12, -9}));
}

}  // namespace
}  // namespace brevant
