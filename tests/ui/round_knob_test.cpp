// The round knob through its widget: the range with its gap, dragging one step
// per mouse event, a click that changes nothing, the keys going round the
// dial and the wheel.
// Every notification is checked as the parent sees it: from the event loop.
#include "CRoundSliderCtrl.h"
#include "Notifications.h"
#include "UiTestHelpers.h"

#include <QApplication>
#include <QKeyEvent>
#include <QTest>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <optional>

namespace brevant {
namespace {

using test::Calls;

class RoundKnob : public ::testing::Test {
protected:
    void SetUp() override
    {
        knob.resize(100, 100);
        knob.SetRange(-30, 0);
        knob.SetPos(-30);
        notices.Watch(&knob, &CRoundSliderCtrl::scrolled);
    }

    // The point 35 pixels from the centre of `on`, `degrees` clockwise from the top.
    static QPoint At(const CRoundSliderCtrl& on, double degrees)
    {
        const double a = degrees * std::numbers::pi / 180.0;
        const QPoint c = on.KnobCentre();
        return {static_cast<int>(std::lround(c.x() + 35 * std::sin(a))),
                static_cast<int>(std::lround(c.y() - 35 * std::cos(a)))};
    }
    // The middle of the step of `pos` on the dial of -30..0 (31 steps from 220 degrees).
    static double AngleOfStep(int pos) { return 220.0 + (pos + 30 + 0.5) * 360.0 / 31.0; }

    static void Press(CRoundSliderCtrl& on, QPoint p) { QTest::mousePress(&on, Qt::LeftButton, {}, p); }
    static void Move(CRoundSliderCtrl& on, QPoint p) { QTest::mouseMove(&on, p); }
    static void Release(CRoundSliderCtrl& on, QPoint p) { QTest::mouseRelease(&on, Qt::LeftButton, {}, p); }

    CRoundSliderCtrl knob;
    test::SignalLog notices;
};

TEST_F(RoundKnob, TheRangeReachesThirtyPercentPastAPositiveMaximum)
{
    EXPECT_EQ(knob.GetRangeMax(), 0);
    knob.SetRange(0, 100);
    EXPECT_EQ(knob.GetRangeMax(), 130);
    knob.SetPos(500);
    EXPECT_EQ(knob.GetPos(), 130);
}

TEST_F(RoundKnob, DragMovesOneStepPerMouseEventAndEndsWithThePositionOnRelease)
{
    // The point opposite the minimum is step -15; every move goes one step
    // towards it, however far the pointer is.
    const QPoint opposite = At(knob, 220.0 + 180.0);
    Press(knob, At(knob, AngleOfStep(-30)));
    for (int i = 1; i <= 20; ++i) {
        Move(knob, opposite);
        EXPECT_EQ(knob.GetPos(), std::min(-30 + i, -15)) << "after move " << i;
    }
    Release(knob, opposite);
    EXPECT_TRUE(notices.Arrived().empty()) << "delivered from inside the mouse handler";
    Calls expected;
    for (int pos = -29; pos <= -15; ++pos)
        expected.push_back({kScrollThumbTrack, pos});
    expected.push_back({kScrollThumbPosition, -15});
    EXPECT_EQ(notices.Take(), expected);

    // Once released, moves do nothing.
    Move(knob, At(knob, AngleOfStep(-5)));
    EXPECT_EQ(knob.GetPos(), -15);
    EXPECT_TRUE(notices.Take().empty());
}

TEST_F(RoundKnob, AClickOnTheCurrentPositionPostsNothingButADragBackToItHasMoved)
{
    knob.SetPos(-10);
    const QPoint here = At(knob, AngleOfStep(-10));
    Press(knob, here);
    Release(knob, here);
    EXPECT_EQ(knob.GetPos(), -10);
    EXPECT_TRUE(notices.Take().empty());

    Press(knob, here);
    Move(knob, At(knob, AngleOfStep(-3)));
    Move(knob, here);
    Release(knob, here);
    EXPECT_EQ(notices.Take(),
              (Calls{{kScrollThumbTrack, -9}, {kScrollThumbTrack, -10}, {kScrollThumbPosition, -10}}));
}

TEST_F(RoundKnob, KeysStepGoRoundTheDialAndEndWhenLetGo)
{
    const struct {
        int from;
        Qt::Key key;
        int to;
        std::optional<int> code;  // none: the key is not the knob's
    } cases[] = {
        {0, Qt::Key_PageDown, -21, kScrollPageDown},  // 0 + 10 is past 0: 10 - 31
        {-25, Qt::Key_PageUp, -4, kScrollPageUp},     // -35 is below -30: -35 + 31
        {-4, Qt::Key_Down, -3, kScrollLineDown},
        {-4, Qt::Key_Left, -5, kScrollLineUp},
        {0, Qt::Key_Right, -30, kScrollLineDown},
        {-30, Qt::Key_Up, 0, kScrollLineUp},
        {-12, Qt::Key_Home, -12, std::nullopt},
        {-12, Qt::Key_End, -12, std::nullopt},
    };
    for (const auto& c : cases) {
        knob.SetPos(c.from);
        QTest::keyPress(&knob, c.key);
        EXPECT_EQ(knob.GetPos(), c.to) << "key " << int(c.key) << " from " << c.from;
        EXPECT_EQ(notices.Take(), (c.code ? Calls{{*c.code, c.to}} : Calls{})) << "key " << int(c.key);
        QTest::keyRelease(&knob, c.key);
        EXPECT_EQ(notices.Take(), (c.code ? Calls{{kScrollEnd, c.to}} : Calls{})) << "key " << int(c.key);
    }

    // A held key repeats press and release; the scroll ends once, when let go.
    knob.SetPos(-20);
    QTest::keyPress(&knob, Qt::Key_Right);
    QKeyEvent repeated(QEvent::KeyRelease, Qt::Key_Right, Qt::NoModifier, QString(), true);
    QApplication::sendEvent(&knob, &repeated);
    QTest::keyClick(&knob, Qt::Key_Right);
    EXPECT_EQ(notices.Take(), (Calls{{kScrollLineDown, -19}, {kScrollLineDown, -18}, {kScrollEnd, -18}}));
}

TEST_F(RoundKnob, EachWheelStepIsALineThatEndsAtOnceAndStopsAtTheEnds)
{
    const auto turn = [this](int delta) {
        const QPointF centre(knob.KnobCentre());
        QWheelEvent event(centre, knob.mapToGlobal(centre), QPoint(), QPoint(0, delta), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(&knob, &event);
    };
    knob.SetPos(-12);
    for (const int delta : {120, -240, -60, -60})  // half notches add up
        turn(delta);
    EXPECT_EQ(notices.Take(), (Calls{{kScrollLineUp, -13},
                                     {kScrollEnd, -13},
                                     {kScrollLineDown, -11},
                                     {kScrollEnd, -11},
                                     {kScrollLineDown, -10},
                                     {kScrollEnd, -10}}));
    knob.SetPos(0);
    turn(-120);
    EXPECT_EQ(knob.GetPos(), 0);
    EXPECT_TRUE(notices.Take().empty());
}

}  // namespace
}  // namespace brevant
