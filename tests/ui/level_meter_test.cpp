// The bar meter through its widget: limits and clamping, the number it writes
// (position plus offset), how far the bar is filled in the rendered picture,
// the scale ticks of an upright meter, and that setters which change nothing
// visible cost no repaint while the cached drawing is reused.
#include "CLevelMeter.h"

#include <QApplication>
#include <QColor>
#include <QEvent>
#include <QImage>
#include <QObject>
#include <QTest>

#include <gtest/gtest.h>

#include <set>

namespace {

using brevant::CLevelMeter;

// Counts the paint events a widget receives.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(QWidget* widget)
    {
        widget->installEventFilter(this);
    }
    int Count() const { return m_count; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++m_count;
        return QObject::eventFilter(watched, event);
    }

private:
    int m_count = 0;
};

// Lets the event loop deliver any repaint that was asked for.
void Settle()
{
    QTest::qWait(60);
}

// The widget as drawn, and its pixels addressed in logical coordinates, so the
// checks hold at any device pixel ratio.
struct Picture {
    QImage image;
    qreal ratio = 1.0;

    explicit Picture(QWidget& widget)
        : image(widget.grab().toImage())
        , ratio(image.devicePixelRatio())
    {
    }
    QColor At(int x, int y) const
    {
        return image.pixelColor(static_cast<int>(x * ratio), static_cast<int>(y * ratio));
    }
};

// Gold (or red, orange) under the gloss keeps far more red than blue; the grey
// of the empty part and the gloss itself are neutral.
bool IsBarColour(const QColor& c)
{
    return c.red() - c.blue() > 80;
}

bool IsTickBlue(const QColor& c)
{
    return c.blue() == 255 && c.red() == 0 && c.green() == 0;
}

// The x of the last bar-coloured pixel of row y, scanning from the left edge
// while the bar colour lasts; -1 when the row starts with none.
int FillEnd(const Picture& picture, int width, int y)
{
    int x = 0;
    while (x < width && !IsBarColour(picture.At(x, y)))
        ++x;
    if (x == width || x > width / 10)
        return -1;
    while (x + 1 < width && IsBarColour(picture.At(x + 1, y)))
        ++x;
    return x;
}

class LevelMeter : public ::testing::Test {
protected:
    void SetUp() override
    {
        meter.resize(kWidth, kHeight);
    }

    static constexpr int kWidth = 300;
    static constexpr int kHeight = 24;
    CLevelMeter meter;
};

TEST_F(LevelMeter, StartsAsAPanelExpects)
{
    int lower = -1;
    int upper = -1;
    meter.GetLimits(lower, upper);
    EXPECT_EQ(lower, 0);
    EXPECT_EQ(upper, 100);
    EXPECT_EQ(meter.GetValue(), 0);
    EXPECT_EQ(meter.BarColour(), 0xFFFFD700u);
    EXPECT_EQ(meter.FrameColour(), 0xFFD3D3D3u);
    EXPECT_TRUE(meter.ShowText());
    EXPECT_EQ(meter.Orientation(), Qt::Horizontal);
    EXPECT_EQ(meter.DisplayText(), QStringLiteral("0"));
}

TEST_F(LevelMeter, EqualLimitsKeepASpanOfOneAndStillPaint)
{
    meter.SetLimits(0, 0);
    EXPECT_EQ(meter.Span(), 1);
    meter.SetValue(5);
    EXPECT_EQ(meter.GetValue(), 0);
    EXPECT_EQ(meter.FilledPercent(), 0);
    const Picture picture(meter);
    ASSERT_FALSE(picture.image.isNull());
    EXPECT_EQ(FillEnd(picture, kWidth, 5), -1);

    // Limits given the other way round still measure their distance.
    meter.SetLimits(100, 0);
    EXPECT_EQ(meter.Span(), 100);
}

TEST_F(LevelMeter, LimitsAreSixteenBitNumbersAndClampThePosition)
{
    meter.SetLimits(-32768, 32767);
    EXPECT_EQ(meter.Span(), 65535);
    meter.SetLimits(0, 65536 + 40);  // kept as 16 bits: 40
    int lower = -1;
    int upper = -1;
    meter.GetLimits(lower, upper);
    EXPECT_EQ(upper, 40);

    meter.SetLimits(-60, 0);
    meter.SetValue(-90);
    EXPECT_EQ(meter.GetValue(), -60);
    meter.SetValue(-20);
    // New limits bring a position outside them back inside.
    meter.SetLimits(-60, -30);
    EXPECT_EQ(meter.GetValue(), -30);
}

TEST_F(LevelMeter, WritesThePositionPlusTheOffset)
{
    meter.SetLimits(0, 100);
    meter.SetDisplayOffset(-100);
    meter.SetUnitText(QStringLiteral("db"));

    meter.SetValue(100);
    EXPECT_EQ(meter.DisplayText(), QStringLiteral("0"));
    meter.SetValue(40);
    EXPECT_EQ(meter.DisplayText(), QStringLiteral("-60"));
    // The unit is kept for the panel, not written on the bar.
    EXPECT_EQ(meter.UnitText(), QStringLiteral("db"));
    EXPECT_EQ(meter.DisplayText(), QStringLiteral("-60"));
}

TEST_F(LevelMeter, TheNumberIsDrawnOnlyWhenShown)
{
    meter.SetValue(40);
    auto darkPixels = [this] {
        const Picture picture(meter);
        int dark = 0;
        for (int y = 0; y < kHeight; ++y)
            for (int x = kWidth / 2 - 20; x < kWidth / 2 + 20; ++x)
                dark += picture.At(x, y).lightness() < 90 ? 1 : 0;
        return dark;
    };
    EXPECT_GT(darkPixels(), 5);
    meter.SetShowText(false);
    EXPECT_EQ(darkPixels(), 0);
}

TEST_F(LevelMeter, FillsTheBarInProportionToThePosition)
{
    meter.SetLimits(0, 100);
    meter.SetDisplayOffset(-100);
    meter.SetValue(40);
    EXPECT_EQ(meter.FilledPercent(), 40);
    {
        const Picture picture(meter);
        const int end = FillEnd(picture, kWidth, 5);
        EXPECT_NEAR(end, kWidth * 40 / 100, 3);
        // The empty part is the neutral grey.
        EXPECT_FALSE(IsBarColour(picture.At(kWidth * 3 / 4, 5)));
    }

    // Limits that do not start at zero: a quarter of -60..0.
    meter.SetLimits(-60, 0);
    meter.SetValue(-45);
    EXPECT_EQ(meter.FilledPercent(), 25);
    EXPECT_NEAR(FillEnd(Picture(meter), kWidth, 5), kWidth / 4, 3);

    meter.SetLimits(0, 100);
    meter.SetValue(0);
    EXPECT_EQ(FillEnd(Picture(meter), kWidth, 5), -1);
}

TEST_F(LevelMeter, APositionBeyondTheUpperLimitIsDrawnAsTheUpperLimit)
{
    meter.SetLimits(0, 100);
    meter.SetValue(100);
    const QImage atUpper = meter.grab().toImage();
    meter.SetValue(10);
    meter.SetValue(150);
    EXPECT_EQ(meter.GetValue(), 100);
    EXPECT_EQ(meter.DisplayText(), QStringLiteral("100"));
    const QImage beyond = meter.grab().toImage();
    EXPECT_EQ(beyond, atUpper);
    // Filled to the right-hand end.
    EXPECT_GE(FillEnd(Picture(meter), kWidth, kHeight / 2 - 6), kWidth - 12);
}

TEST_F(LevelMeter, DrawsTheBarInTheColourGiven)
{
    meter.SetValue(50);
    meter.SetBarColour(brevant::kZoneGreen);
    const QColor green = Picture(meter).At(kWidth / 4, 5);
    EXPECT_GT(green.green(), green.red() + 60);
    EXPECT_GT(green.green(), green.blue() + 60);

    meter.SetBarColour(brevant::kZoneRed);
    const QColor red = Picture(meter).At(kWidth / 4, 5);
    EXPECT_GT(red.red(), red.green() + 60);
}

TEST_F(LevelMeter, TooltipOnlyWhileActive)
{
    meter.SetTooltipText(QStringLiteral("Input 1 level"), true);
    EXPECT_EQ(meter.toolTip(), QStringLiteral("Input 1 level"));
    meter.SetTooltipText(QStringLiteral("Input 2 level"), false);
    EXPECT_TRUE(meter.toolTip().isEmpty());
    EXPECT_EQ(meter.TooltipText(), QStringLiteral("Input 2 level"));
}

TEST_F(LevelMeter, KeepsItsControlIdInTheProperty)
{
    CLevelMeter numbered(1207);
    EXPECT_EQ(numbered.ControlId(), 1207);
    EXPECT_EQ(numbered.property("controlId").toInt(), 1207);
    numbered.SetControlId(1208);
    EXPECT_EQ(numbered.property("controlId").toInt(), 1208);
}

// Many meters are refreshed several times a second, most often with the value
// they already show.
class LevelMeterRepaint : public ::testing::Test {
protected:
    void SetUp() override
    {
        meter.resize(160, 16);
        meter.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&meter));
        meter.SetValue(30);
        Settle();
    }

    CLevelMeter meter;
    PaintCounter paints{&meter};
};

TEST_F(LevelMeterRepaint, AnUnchangedValueOrColourDoesNotRepaint)
{
    const int before = paints.Count();
    const int renders = meter.RenderCount();
    for (int i = 0; i < 20; ++i) {
        meter.SetValue(30);
        meter.SetBarColour(CLevelMeter::kDefaultBarColour);
        meter.SetFrameColour(CLevelMeter::kDefaultFrameColour);
        meter.SetDisplayOffset(0);
    }
    meter.SetValue(500);  // clamped to 100 ...
    Settle();
    const int afterFirstClamp = paints.Count();
    EXPECT_EQ(afterFirstClamp, before + 1);
    meter.SetValue(700);  // ... and clamped to 100 again: nothing new to draw
    Settle();
    EXPECT_EQ(paints.Count(), afterFirstClamp);
    EXPECT_EQ(meter.RenderCount(), renders + 1);
}

TEST_F(LevelMeterRepaint, AChangedValueRepaintsOnce)
{
    const int before = paints.Count();
    const int renders = meter.RenderCount();
    meter.SetValue(31);
    Settle();
    EXPECT_EQ(paints.Count(), before + 1);
    EXPECT_EQ(meter.RenderCount(), renders + 1);
}

TEST_F(LevelMeterRepaint, ARepaintForAnotherReasonReusesTheDrawing)
{
    const int before = paints.Count();
    const int renders = meter.RenderCount();
    meter.update();
    Settle();
    meter.repaint();
    EXPECT_EQ(paints.Count(), before + 2);
    EXPECT_EQ(meter.RenderCount(), renders);

    // Rebuild drops the drawing, a resize makes a new one at the new size.
    meter.Rebuild(true);
    Settle();
    EXPECT_EQ(meter.RenderCount(), renders + 1);
    meter.resize(200, 16);
    Settle();
    EXPECT_EQ(meter.RenderCount(), renders + 2);
    EXPECT_EQ(Picture(meter).image.width(), static_cast<int>(200 * meter.devicePixelRatioF()));
}

TEST_F(LevelMeterRepaint, AColourSetWithoutRedrawShowsAtTheNextPaint)
{
    meter.SetValue(80);
    Settle();
    const int before = paints.Count();
    meter.SetBarColour(brevant::kZoneRed, false);
    Settle();
    EXPECT_EQ(paints.Count(), before);
    const QColor bar = Picture(meter).At(40, 5);
    EXPECT_GT(bar.red(), bar.green() + 60);
}

TEST(LevelMeterUpright, DrawsElevenPairsOfBlueTicks)
{
    CLevelMeter meter(0, Qt::Vertical);
    meter.resize(18, 121);
    const Picture picture(meter);
    std::set<int> leftRows;
    std::set<int> rightRows;
    for (int y = 0; y < meter.height(); ++y) {
        if (IsTickBlue(picture.At(0, y)) && IsTickBlue(picture.At(1, y)))
            leftRows.insert(y);
        if (IsTickBlue(picture.At(16, y)) && IsTickBlue(picture.At(17, y)))
            rightRows.insert(y);
    }
    EXPECT_EQ(leftRows.size(), 11u);
    EXPECT_EQ(leftRows, rightRows);
    EXPECT_EQ(leftRows.count(0), 1u);
    EXPECT_EQ(leftRows.count(60), 1u);
    EXPECT_EQ(leftRows.count(120), 1u);
    // The ticks stay outside the bar.
    EXPECT_FALSE(IsTickBlue(picture.At(9, 60)));

    // A lying meter has no scale.
    CLevelMeter lying;
    lying.resize(120, 16);
    const Picture flat(lying);
    int blue = 0;
    for (int y = 0; y < lying.height(); ++y)
        for (int x = 0; x < lying.width(); ++x)
            blue += IsTickBlue(flat.At(x, y)) ? 1 : 0;
    EXPECT_EQ(blue, 0);
}

TEST(LevelMeterUpright, FillsFromTheBottomUp)
{
    CLevelMeter meter(0, Qt::Vertical);
    meter.resize(18, 121);
    meter.SetShowText(false);
    meter.SetValue(30);
    const Picture picture(meter);
    // From just above the frame at the bottom, up to where the bar colour stops.
    int top = meter.height();
    for (int y = meter.height() - 3; y >= 0 && IsBarColour(picture.At(9, y)); --y)
        top = y;
    ASSERT_LT(top, meter.height());
    EXPECT_NEAR(meter.height() - top, meter.height() * 30 / 100, 3);
    EXPECT_FALSE(IsBarColour(picture.At(9, 10)));
}

}  // namespace
