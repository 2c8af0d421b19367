// The bar meter through its widget: the number it writes, how far the bar is
// filled, across and upright, and that a value that changes nothing visible
// costs no repaint.
#include "tests/ui/UiTestHelpers.h"
#include "ui/controls/LevelMeter.h"

#include <QEvent>
#include <QFontMetricsF>
#include <QTest>

#include <gtest/gtest.h>

namespace brevant {
namespace {

// Gold under the gloss keeps far more red than blue; the empty grey and the
// gloss are neutral.
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

// The meters as the panels have them: the signal meter (14 wide, -100..0),
// the echo meters (12 wide, 0..100) and a bar across. Each writes its position
// plus its offset; the number (the widest, "-100", in the narrowest) fits inside its bar at twice
// the pixels, and is drawn.
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

TEST(LevelMeter, FillsTheBarInProportionToThePosition)
{
    LevelMeter meter;
    meter.resize(300, 24);
    const struct {
        int lower, upper, value, end;  // end -1: nothing filled
    } cases[] = {{0, 100, 40, 120}, {-60, 0, -45, 75}, {0, 100, 0, -1}, {0, 0, 5, -1}};
    for (const auto& c : cases) {
        meter.SetLimits(c.lower, c.upper);
        meter.SetValue(c.value);
        const int end = FillEnd(meter, 5);
        if (c.end < 0)
            EXPECT_EQ(end, -1) << c.value << " in " << c.lower << ".." << c.upper;
        else
            EXPECT_NEAR(end, c.end, 3) << c.value << " in " << c.lower << ".." << c.upper;
    }
}

TEST(LevelMeter, DrawsTheBarInTheZoneColourGiven)
{
    LevelMeter meter;
    meter.resize(300, 24);
    meter.SetValue(50);
    meter.SetBarColour(kZoneGreen);
    const QRgb green = test::Grab(meter).pixel(75, 5);
    meter.SetBarColour(kZoneRed);
    const QRgb red = test::Grab(meter).pixel(75, 5);
    EXPECT_TRUE(qGreen(green) > qRed(green) + 60 && qRed(red) > qGreen(red) + 60);
}

TEST(LevelMeter, UprightFillsFromTheBottom)
{
    LevelMeter meter(0, Qt::Vertical);
    meter.resize(18, 121);
    meter.SetShowText(false);
    meter.SetValue(30);
    const QImage image = test::Grab(meter);
    const test::Extent bar = test::Find(image, QRect(9, 0, 1, 121), IsBar);
    EXPECT_NEAR(bar.count, 121 * 30 / 100, 3);
    EXPECT_GE(bar.box.bottom(), 121 - 3);
}

// Many meters are refreshed several times a second, mostly with the value
// they already show.
TEST(LevelMeter, OnlyAChangeThatShowsRepaints)
{
    struct PaintCounter : QObject {
        int paints = 0;
        bool eventFilter(QObject* watched, QEvent* event) override
        {
            paints += event->type() == QEvent::Paint ? 1 : 0;
            return QObject::eventFilter(watched, event);
        }
    } counter;
    LevelMeter meter;
    meter.resize(160, 16);
    meter.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&meter));
    meter.SetValue(30);
    QTest::qWait(60);
    meter.installEventFilter(&counter);
    const auto repaintsAfter = [&](auto change) {
        const int before = counter.paints;
        change();
        QTest::qWait(60);
        return counter.paints - before;
    };

    const auto same = [&] {
        meter.SetValue(30);
        meter.SetBarColour(LevelMeter::kDefaultBarColour);
        meter.SetDisplayOffset(0);
    };
    EXPECT_EQ(repaintsAfter(same), 0);
    EXPECT_EQ(repaintsAfter([&] { meter.SetValue(500); }), 1);  // clamped to 100 ...
    EXPECT_EQ(meter.DisplayText(), QStringLiteral("100"));
    EXPECT_EQ(repaintsAfter([&] { meter.SetValue(700); }), 0);  // ... and to 100 again
    EXPECT_EQ(repaintsAfter([&] { meter.SetValue(31); }), 1);

    // A repaint for another reason copies the drawing rather than redrawing it.
    const int renders = meter.RenderCount();
    EXPECT_EQ(repaintsAfter([&] { meter.update(); }), 1);
    EXPECT_EQ(meter.RenderCount(), renders);
}

}  // namespace
}  // namespace brevant
