// The bar meter through its widget: the number it writes, how far the bar is
// filled in the rendered picture, across and upright, and that a value that
// changes nothing visible costs no repaint.
#include "ui/controls/LevelMeter.h"
#include "tests/ui/UiTestHelpers.h"

#include <QEvent>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdlib>

namespace brevant {
namespace {

// Gold under the gloss keeps far more red than blue; the empty grey and the
// gloss are neutral.
bool IsBar(QRgb c) { return qRed(c) - qBlue(c) > 80; }

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

TEST(LevelMeter, WritesThePositionPlusTheOffset)
{
    LevelMeter meter;
    meter.SetDisplayOffset(-100);
    meter.SetValue(100);
    EXPECT_EQ(meter.DisplayText(), QStringLiteral("0"));
    meter.SetValue(40);
    EXPECT_EQ(meter.DisplayText(), QStringLiteral("-60"));
}

// The meters as the panels have them: the signal meter (14 wide, -100..0),
// the echo meters (12 wide, 0..100) and a bar across. Every number they can
// show fits inside the bar, at one and at twice the pixels, and is drawn
// there whole, not cut at the bar's edge.
TEST(LevelMeter, EveryNumberFitsInsideTheBarAtOneAndTwoTimes)
{
    const struct {
        Qt::Orientation orientation;
        QSize size;
        int offset;
    } meters[] = {{Qt::Vertical, {14, 140}, -100}, {Qt::Vertical, {12, 140}, 0}, {Qt::Horizontal, {120, 14}, -100}};
    for (const auto& m : meters) {
        LevelMeter meter(0, m.orientation);
        meter.resize(m.size);
        meter.SetLimits(0, 100);
        meter.SetDisplayOffset(m.offset);
        const bool upright = m.orientation == Qt::Vertical;
        const QRectF area = meter.NumberArea();
        ASSERT_FALSE(area.isEmpty());
        const qreal run = upright ? area.height() : area.width();
        const qreal across = upright ? area.width() : area.height();
        for (const int value : {0, 9, 100}) {
            meter.SetValue(value);
            const QString text = meter.DisplayText();
            SCOPED_TRACE(text.toStdString() + (upright ? " upright" : " across"));
            // At twice the pixels (at one the drawn pixels below tell).
            QFont font = meter.NumberFont();
            font.setPointSizeF(font.pointSizeF() * 2);
            const QFontMetricsF metrics(font);
            EXPECT_LE(metrics.horizontalAdvance(text) / 2, run);
            EXPECT_LE(metrics.tightBoundingRect(text).height() / 2, across);
            EXPECT_GE(QFontInfo(meter.NumberFont()).pixelSize(), 5) << "too small to read";

            // The number's pixels: where the meter differs from itself without it.
            const QImage with = test::Grab(meter);
            meter.SetShowText(false);
            const QImage without = test::Grab(meter);
            meter.SetShowText(true);
            const auto differs = [&](QRgb c) { return c != 0; };
            QImage diff(with.size(), QImage::Format_ARGB32);
            for (int y = 0; y < with.height(); ++y)
                for (int x = 0; x < with.width(); ++x) {
                    const QRgb a = with.pixel(x, y), b = without.pixel(x, y);
                    const int d = std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) +
                                  std::abs(qBlue(a) - qBlue(b));
                    diff.setPixel(x, y, d > 60 ? 0xFFFFFFFF : 0);
                }
            const test::Extent drawn = test::Find(diff, diff.rect(), differs);
            ASSERT_GT(drawn.count, 6);
            const QRect inside = area.toAlignedRect();
            EXPECT_TRUE(inside.contains(drawn.box)) << "drawn outside the bar";
            const QRect box = drawn.box;
            EXPECT_GT(upright ? box.top() : box.left(), upright ? inside.top() : inside.left()) << "cut at the start";
            EXPECT_LT(upright ? box.bottom() : box.right(), upright ? inside.bottom() : inside.right())
                << "cut at the end";
        }
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
    QRgb drawn = test::Grab(meter).pixel(75, 5);
    EXPECT_GT(qGreen(drawn), qRed(drawn) + 60);
    meter.SetBarColour(kZoneRed);
    drawn = test::Grab(meter).pixel(75, 5);
    EXPECT_GT(qRed(drawn), qGreen(drawn) + 60);
}

TEST(LevelMeter, APositionBeyondTheUpperLimitIsDrawnAsTheUpperLimit)
{
    LevelMeter meter;
    meter.resize(300, 24);
    meter.SetValue(100);
    const QImage atUpper = test::Grab(meter);
    meter.SetValue(10);
    meter.SetValue(150);
    EXPECT_EQ(meter.DisplayText(), QStringLiteral("100"));
    EXPECT_EQ(test::Grab(meter), atUpper);
    EXPECT_GE(FillEnd(meter, 6), 300 - 12);
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

    EXPECT_EQ(repaintsAfter([&] {
                  for (int i = 0; i < 20; ++i) {
                      meter.SetValue(30);
                      meter.SetBarColour(LevelMeter::kDefaultBarColour);
                      meter.SetDisplayOffset(0);
                  }
              }),
              0);
    EXPECT_EQ(repaintsAfter([&] { meter.SetValue(500); }), 1);  // clamped to 100 ...
    EXPECT_EQ(repaintsAfter([&] { meter.SetValue(700); }), 0);  // ... and to 100 again
    EXPECT_EQ(repaintsAfter([&] { meter.SetValue(31); }), 1);

    // A repaint for another reason copies the drawing rather than redrawing it.
    const int renders = meter.RenderCount();
    EXPECT_EQ(repaintsAfter([&] { meter.update(); }), 1);
    EXPECT_EQ(meter.RenderCount(), renders);
}

}  // namespace
}  // namespace brevant
