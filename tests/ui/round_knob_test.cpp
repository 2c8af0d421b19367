// The round knob through its widget: the range with its gap, dragging (one
// step per mouse event towards the pointer), clicks that change nothing, the
// keys and how they go round the dial, the wheel, the mirrored knob, the
// press-on-the-knob-only mode, the round mask, and where the dot is drawn.
// Every notification is checked as the parent sees it: delivered later from
// the event loop, never from inside the handler.
#include "CRoundSliderCtrl.h"
#include "Notifications.h"

#include <QApplication>
#include <QColor>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <utility>
#include <vector>

namespace {

using brevant::CRoundSliderCtrl;
using Notice = std::pair<int, int>;  // scroll code, position

constexpr int kSide = 100;

// Delivers what the knob has posted to its parent.
void Drain()
{
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
}

std::vector<Notice> Taken(QSignalSpy& spy)
{
    std::vector<Notice> notices;
    for (const QList<QVariant>& args : spy)
        notices.emplace_back(args.at(0).toInt(), args.at(1).toInt());
    spy.clear();
    return notices;
}

// The point `distance` pixels from the knob's centre, `degrees` clockwise
// from the top.
QPoint PointAt(const CRoundSliderCtrl& knob, double degrees, double distance)
{
    const double a = degrees * std::numbers::pi / 180.0;
    const QPoint c = knob.KnobCentre();
    return {static_cast<int>(std::lround(c.x() + distance * std::sin(a))),
            static_cast<int>(std::lround(c.y() - distance * std::cos(a)))};
}

void Press(CRoundSliderCtrl& knob, QPoint p)
{
    QTest::mousePress(&knob, Qt::LeftButton, Qt::NoModifier, p);
}

void Release(CRoundSliderCtrl& knob, QPoint p)
{
    QTest::mouseRelease(&knob, Qt::LeftButton, Qt::NoModifier, p);
}

// A move with the left button held, as the widget receives it while dragging.
void Move(CRoundSliderCtrl& knob, QPoint p)
{
    QMouseEvent event(QEvent::MouseMove, QPointF(p), QPointF(knob.mapToGlobal(p)), Qt::NoButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(&knob, &event);
}

void Wheel(CRoundSliderCtrl& knob, QPoint p, int delta)
{
    QWheelEvent event(QPointF(p), QPointF(knob.mapToGlobal(p)), QPoint(), QPoint(0, delta), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(&knob, &event);
}

void AutoRepeatRelease(CRoundSliderCtrl& knob, Qt::Key key)
{
    QKeyEvent event(QEvent::KeyRelease, key, Qt::NoModifier, QString(), true);
    QApplication::sendEvent(&knob, &event);
}

class RoundKnob : public ::testing::Test {
protected:
    void SetUp() override
    {
        knob.resize(kSide, kSide);
        knob.SetRange(-30, 0);
        knob.SetPos(-30);
    }

    // The angle on the dial of position `pos` for the range -30..0 (31 steps
    // round the whole dial), moved half a step on so a point there lies well
    // inside that step.
    static double AngleOfStep(int pos)
    {
        return 220.0 + (pos + 30 + 0.5) * 360.0 / 31.0;
    }

    CRoundSliderCtrl knob;
    QSignalSpy spy{&knob, &CRoundSliderCtrl::scrolled};
};

TEST_F(RoundKnob, RangeReachesThirtyPercentPastTheUserMaximum)
{
    CRoundSliderCtrl fresh;
    EXPECT_EQ(fresh.GetUserMin(), 0);
    EXPECT_EQ(fresh.GetUserMax(), 359);
    EXPECT_EQ(fresh.GetRangeMin(), 0);
    EXPECT_EQ(fresh.GetRangeMax(), 466);
    EXPECT_EQ(fresh.GetLineSize(), 1);
    EXPECT_EQ(fresh.GetPageSize(), 10);

    // A maximum of zero leaves no gap.
    EXPECT_EQ(knob.GetRangeMin(), -30);
    EXPECT_EQ(knob.GetRangeMax(), 0);

    fresh.SetRange(0, 100);
    EXPECT_EQ(fresh.GetUserMax(), 100);
    EXPECT_EQ(fresh.GetRangeMax(), 130);
    fresh.SetPos(500);
    EXPECT_EQ(fresh.GetPos(), 130);
    EXPECT_EQ(fresh.Text(), QStringLiteral("130"));
    fresh.SetRange(0, 10);
    EXPECT_EQ(fresh.GetPos(), 13);
}

TEST_F(RoundKnob, DragTowardsTheOppositeSideMovesOneStepPerMouseEvent)
{
    // Pressed right on the minimum: nothing to move.
    Press(knob, PointAt(knob, AngleOfStep(-30), 35));
    Drain();
    EXPECT_TRUE(knob.IsDragging());
    EXPECT_EQ(knob.GetPos(), -30);
    EXPECT_TRUE(Taken(spy).empty());

    // The point opposite the minimum is step -15; every move goes one step
    // towards it, however far the pointer is.
    const QPoint opposite = PointAt(knob, 220.0 + 180.0, 35);
    for (int i = 1; i <= 20; ++i) {
        Move(knob, opposite);
        EXPECT_EQ(knob.GetPos(), std::min(-30 + i, -15)) << "after move " << i;
    }
    // Nothing has reached the parent from inside the mouse handler.
    EXPECT_EQ(spy.count(), 0);
    Drain();
    std::vector<Notice> expected;
    for (int pos = -29; pos <= -15; ++pos)
        expected.emplace_back(brevant::kScrollThumbTrack, pos);
    EXPECT_EQ(Taken(spy), expected);

    Release(knob, opposite);
    EXPECT_FALSE(knob.IsDragging());
    Drain();
    EXPECT_EQ(Taken(spy), (std::vector<Notice>{{brevant::kScrollThumbPosition, -15}}));

    // Once released, moves do nothing.
    Move(knob, PointAt(knob, AngleOfStep(-5), 35));
    Drain();
    EXPECT_EQ(knob.GetPos(), -15);
    EXPECT_TRUE(Taken(spy).empty());
}

TEST_F(RoundKnob, DragBackDownAndAPressThatMovesAStep)
{
    knob.SetPos(-10);
    // A press below the position moves one step down at once.
    Press(knob, PointAt(knob, AngleOfStep(-20), 30));
    EXPECT_EQ(knob.GetPos(), -11);
    Move(knob, PointAt(knob, AngleOfStep(-20), 30));
    Move(knob, PointAt(knob, AngleOfStep(-20), 30));
    // Reversing the pointer reverses the step.
    Move(knob, PointAt(knob, AngleOfStep(-5), 30));
    Release(knob, PointAt(knob, AngleOfStep(-12), 30));
    Drain();
    EXPECT_EQ(Taken(spy), (std::vector<Notice>{{brevant::kScrollThumbTrack, -11},
                                               {brevant::kScrollThumbTrack, -12},
                                               {brevant::kScrollThumbTrack, -13},
                                               {brevant::kScrollThumbTrack, -12},
                                               {brevant::kScrollThumbPosition, -12}}));
}

TEST_F(RoundKnob, AClickOnTheCurrentPositionPostsNothing)
{
    knob.SetPos(-10);
    const QPoint here = PointAt(knob, AngleOfStep(-10), 30);
    Press(knob, here);
    Release(knob, here);
    Drain();
    EXPECT_EQ(knob.GetPos(), -10);
    EXPECT_TRUE(Taken(spy).empty());
    // A drag that comes back to where it started, though, has moved.
    Press(knob, here);
    Move(knob, PointAt(knob, AngleOfStep(-3), 30));
    Move(knob, here);
    Release(knob, here);
    Drain();
    EXPECT_EQ(Taken(spy), (std::vector<Notice>{{brevant::kScrollThumbTrack, -9},
                                               {brevant::kScrollThumbTrack, -10},
                                               {brevant::kScrollThumbPosition, -10}}));
}

TEST_F(RoundKnob, KeysStepAndGoRoundTheDial)
{
    knob.SetPos(0);
    QTest::keyPress(&knob, Qt::Key_PageDown);
    EXPECT_EQ(knob.GetPos(), -21);  // 0 + 10 is past 0: 10 - 31
    EXPECT_EQ(spy.count(), 0);
    Drain();
    EXPECT_EQ(Taken(spy), (std::vector<Notice>{{brevant::kScrollPageDown, -21}}));
    QTest::keyRelease(&knob, Qt::Key_PageDown);
    Drain();
    EXPECT_EQ(Taken(spy), (std::vector<Notice>{{brevant::kScrollEnd, -21}}));

    knob.SetPos(-25);
    QTest::keyClick(&knob, Qt::Key_PageUp);  // -35 is below -30: -35 + 31
    EXPECT_EQ(knob.GetPos(), -4);
    QTest::keyClick(&knob, Qt::Key_Down);
    EXPECT_EQ(knob.GetPos(), -3);
    QTest::keyClick(&knob, Qt::Key_Left);
    EXPECT_EQ(knob.GetPos(), -4);
    knob.SetPos(0);
    QTest::keyClick(&knob, Qt::Key_Right);
    EXPECT_EQ(knob.GetPos(), -30);
    QTest::keyClick(&knob, Qt::Key_Up);
    EXPECT_EQ(knob.GetPos(), 0);
    Drain();
    EXPECT_EQ(Taken(spy), (std::vector<Notice>{{brevant::kScrollPageUp, -4},
                                               {brevant::kScrollEnd, -4},
                                               {brevant::kScrollLineDown, -3},
                                               {brevant::kScrollEnd, -3},
                                               {brevant::kScrollLineUp, -4},
                                               {brevant::kScrollEnd, -4},
                                               {brevant::kScrollLineDown, -30},
                                               {brevant::kScrollEnd, -30},
                                               {brevant::kScrollLineUp, 0},
                                               {brevant::kScrollEnd, 0}}));
}

TEST_F(RoundKnob, LineAndPageSizesSetTheKeySteps)
{
    knob.SetPos(-20);
    knob.SetLineSize(3);
    knob.SetPageSize(5);
    QTest::keyClick(&knob, Qt::Key_Right);
    EXPECT_EQ(knob.GetPos(), -17);
    QTest::keyClick(&knob, Qt::Key_PageUp);
    EXPECT_EQ(knob.GetPos(), -22);
}

TEST_F(RoundKnob, AHeldKeyEndsTheScrollOnlyWhenLetGo)
{
    knob.SetPos(-20);
    QTest::keyPress(&knob, Qt::Key_Right);
    AutoRepeatRelease(knob, Qt::Key_Right);
    QTest::keyPress(&knob, Qt::Key_Right, Qt::NoModifier);
    QTest::keyRelease(&knob, Qt::Key_Right);
    Drain();
    EXPECT_EQ(Taken(spy), (std::vector<Notice>{{brevant::kScrollLineDown, -19},
                                               {brevant::kScrollLineDown, -18},
                                               {brevant::kScrollEnd, -18}}));
}

TEST_F(RoundKnob, HomeEndAndOtherKeysDoNothing)
{
    knob.SetPos(-12);
    QTest::keyClick(&knob, Qt::Key_Home);
    QTest::keyClick(&knob, Qt::Key_End);
    QTest::keyClick(&knob, Qt::Key_A);
    Drain();
    EXPECT_EQ(knob.GetPos(), -12);
    EXPECT_TRUE(Taken(spy).empty());
}

TEST_F(RoundKnob, WheelStepsALineLikeATrackbar)
{
    knob.SetPos(-12);
    const QPoint centre = knob.KnobCentre();
    Wheel(knob, centre, 120);
    EXPECT_EQ(knob.GetPos(), -13);
    Wheel(knob, centre, -240);
    EXPECT_EQ(knob.GetPos(), -11);
    // Half notches add up.
    Wheel(knob, centre, -60);
    EXPECT_EQ(knob.GetPos(), -11);
    Wheel(knob, centre, -60);
    EXPECT_EQ(knob.GetPos(), -10);
    Drain();
    EXPECT_EQ(Taken(spy), (std::vector<Notice>{{brevant::kScrollLineUp, -13},
                                               {brevant::kScrollLineDown, -11},
                                               {brevant::kScrollLineDown, -10}}));
    // The wheel stops at the ends rather than going round.
    knob.SetPos(0);
    Wheel(knob, centre, -120);
    Drain();
    EXPECT_EQ(knob.GetPos(), 0);
    EXPECT_TRUE(Taken(spy).empty());
}

TEST_F(RoundKnob, DragOnKnobOnlyIgnoresAPressAwayFromTheCentre)
{
    knob.SetDragOnKnobOnly(true);
    const QPoint far = PointAt(knob, 220.0 + 180.0, 35);
    Press(knob, far);
    EXPECT_FALSE(knob.IsDragging());
    Move(knob, far);
    Release(knob, far);
    Drain();
    EXPECT_EQ(knob.GetPos(), -30);
    EXPECT_TRUE(Taken(spy).empty());

    // Within the dot radius of the centre the drag starts.
    Press(knob, knob.KnobCentre() + QPoint(knob.DotRadius() - 2, 0));
    EXPECT_TRUE(knob.IsDragging());
    Move(knob, far);
    Move(knob, far);
    Release(knob, far);
    Drain();
    const std::vector<Notice> notices = Taken(spy);
    ASSERT_FALSE(notices.empty());
    EXPECT_EQ(notices.back(), (Notice{brevant::kScrollThumbPosition, knob.GetPos()}));
    EXPECT_GT(knob.GetPos(), -30);
}

TEST_F(RoundKnob, InvertedMirrorsThePointer)
{
    CRoundSliderCtrl mirrored;
    mirrored.resize(kSide, kSide);
    mirrored.SetRange(-30, 0);
    mirrored.SetInverted(true);

    // A point and its mirror image move the two knobs alike ...
    for (const double angle : {30.0, 95.0, 170.0, 250.0, 300.0}) {
        knob.SetPos(-15);
        mirrored.SetPos(-15);
        for (int i = 0; i < 40; ++i) {
            Press(knob, PointAt(knob, angle, 35));
            Release(knob, PointAt(knob, angle, 35));
            Press(mirrored, PointAt(mirrored, 360.0 - angle, 35));
            Release(mirrored, PointAt(mirrored, 360.0 - angle, 35));
        }
        EXPECT_EQ(mirrored.GetPos(), knob.GetPos()) << "at " << angle << " degrees";
    }
    // ... while the same point moves them opposite ways.
    knob.SetPos(-15);
    mirrored.SetPos(-15);
    Press(knob, PointAt(knob, 300.0, 35));
    Press(mirrored, PointAt(mirrored, 300.0, 35));
    EXPECT_EQ(knob.GetPos(), -16);
    EXPECT_EQ(mirrored.GetPos(), -14);
}

TEST_F(RoundKnob, TheWidgetIsRound)
{
    knob.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&knob));
    knob.resize(80, 60);
    const QRegion mask = knob.mask();
    EXPECT_EQ(knob.KnobCentre(), QPoint(30, 30));
    EXPECT_TRUE(mask.contains(QPoint(30, 30)));
    EXPECT_TRUE(mask.contains(QPoint(30, 2)));
    EXPECT_FALSE(mask.contains(QPoint(0, 0)));
    EXPECT_FALSE(mask.contains(QPoint(59, 59)));
    EXPECT_FALSE(mask.contains(QPoint(70, 30)));  // beyond the square of the shorter side

    knob.resize(40, 40);
    EXPECT_EQ(knob.mask().boundingRect(), QRect(0, 0, 40, 40));
    EXPECT_FALSE(knob.mask().contains(QPoint(1, 1)));
    EXPECT_EQ(knob.KnobRadius(), 20 - knob.DotRadius() - 1);
}

TEST_F(RoundKnob, TheDotIsDrawnAtThePosition)
{
    // The dot is in the palette's accent colour; the groove it runs in is grey.
    auto bluish = [](const QImage& image, QPoint p) {
        const qreal ratio = image.devicePixelRatio();
        const QColor c = image.pixelColor(static_cast<int>(p.x() * ratio), static_cast<int>(p.y() * ratio));
        return c.blue() - c.red() > 40;
    };
    const int r = knob.KnobRadius();
    const QPoint atMiddle = PointAt(knob, 220.0 + 15 * 360.0 / 31.0, r);

    knob.SetPos(-30);
    QImage image = knob.grab().toImage();
    EXPECT_TRUE(bluish(image, PointAt(knob, 220.0, r)));
    EXPECT_FALSE(bluish(image, atMiddle));

    knob.SetPos(-15);
    image = knob.grab().toImage();
    EXPECT_TRUE(bluish(image, atMiddle));

    // Mirrored, the dot is on the other side (and the filled groove runs
    // counter-clockwise from the mirrored minimum to it).
    knob.SetPos(-25);
    const double angle = 220.0 + 5 * 360.0 / 31.0;
    image = knob.grab().toImage();
    EXPECT_TRUE(bluish(image, PointAt(knob, angle, r)));
    knob.SetInverted(true);
    image = knob.grab().toImage();
    EXPECT_TRUE(bluish(image, PointAt(knob, 360.0 - angle, r)));
    EXPECT_FALSE(bluish(image, PointAt(knob, angle, r)));
}

TEST_F(RoundKnob, KeepsItsControlIdInTheProperty)
{
    CRoundSliderCtrl numbered(2301);
    EXPECT_EQ(numbered.ControlId(), 2301);
    EXPECT_EQ(numbered.property("controlId").toInt(), 2301);
}

}  // namespace
