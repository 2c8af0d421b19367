// The channel-gain fader through its widget: values and range, the two
// mappings between values and thumb positions, mouse and keys with the
// notifications they post, and what it draws.
#include "CBitmapFader.h"
#include "Notifications.h"
#include "ResourceRegistry.h"

#include <QApplication>
#include <QCoreApplication>
#include <QImage>
#include <QPainter>
#include <QPalette>
#include <QPixmap>
#include <QSignalSpy>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include <ostream>
#include <utility>
#include <vector>

namespace brevant {
namespace {

constexpr int kId = 1042;

constexpr QRgb kBackground = 0xFFFF00FF;
constexpr QRgb kChannel = 0xFF808080;
constexpr QRgb kActiveChannel = 0xFF00A000;
constexpr QRgb kThumb = 0xFFC80000;
constexpr QRgb kActiveThumb = 0xFFE6C800;
constexpr QRgb kKey = 0xFF0000FF;

QImage Solid(int width, int height, QRgb colour, qreal ratio = 1.0)
{
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(colour);
    image.setDevicePixelRatio(ratio);
    return image;
}

QImage Grab(QWidget& widget)
{
    return widget.grab().toImage().convertToFormat(QImage::Format_ARGB32);
}

// One notification as the owner receives it.
struct Notice {
    int message;
    int controlId;
    int value;
    bool operator==(const Notice&) const = default;
};

void PrintTo(const Notice& notice, std::ostream* out)
{
    *out << "{" << notice.message << ", " << notice.controlId << ", " << notice.value << "}";
}

// Collects both notifications of a fader, in the order they arrive.
struct Recorder {
    explicit Recorder(CBitmapFader& fader)
    {
        QObject::connect(&fader, &CBitmapFader::moving, &context, [this](int id, int value) {
            notices.push_back({kFaderMoving, id, value});
        });
        QObject::connect(&fader, &CBitmapFader::moved, &context, [this](int id, int value) {
            notices.push_back({kFaderMoved, id, value});
        });
    }
    // What has arrived once the posted notifications have been delivered.
    std::vector<Notice> Delivered()
    {
        QCoreApplication::processEvents();
        return notices;
    }

    QObject context;
    std::vector<Notice> notices;
};

// A horizontal fader in a magenta window: a 120 x 20 channel and a 20 x 10
// thumb, so over 0..100 the thumb's centre lies at 10 + value.
class FaderBase : public ::testing::Test {
protected:
    void SetUp() override
    {
        host.resize(200, 150);
        host.setAutoFillBackground(true);
        QPalette palette = host.palette();
        palette.setColor(QPalette::Window, QColor::fromRgb(kBackground));
        host.setPalette(palette);
        fader = new CBitmapFader(kId, &host);
        ASSERT_TRUE(fader->LoadTrackImages(Solid(120, 20, kChannel)));
        ASSERT_TRUE(fader->LoadKnobImages(Solid(20, 10, kThumb)));
    }

    void MakeVertical()
    {
        fader->SetOrientation(true);
        ASSERT_TRUE(fader->LoadTrackImages(Solid(20, 120, kChannel)));
        ASSERT_TRUE(fader->LoadKnobImages(Solid(10, 20, kThumb)));
    }

    QRgb HostPixel(int x, int y)
    {
        const QImage image = Grab(host);
        return image.pixel(x, y);
    }

    QWidget host;
    CBitmapFader* fader = nullptr;
};

// ---- value and range ---------------------------------------------------

class FaderValue : public FaderBase {};

TEST_F(FaderValue, StartsAtZeroOverZeroToHundredAndTakesTheChannelSize)
{
    EXPECT_EQ(fader->GetValue(), 0);
    EXPECT_EQ(fader->GetLower(), 0);
    EXPECT_EQ(fader->GetUpper(), 100);
    EXPECT_EQ(fader->GetPageStep(), 20);
    EXPECT_FALSE(fader->IsVertical());
    EXPECT_EQ(fader->size(), QSize(120, 20));
    EXPECT_EQ(fader->sizeHint(), QSize(120, 20));
}

TEST_F(FaderValue, SetValueOutsideTheRangeStoresTheNearestBoundAndPostsNothing)
{
    Recorder recorder(*fader);
    QSignalSpy moving(fader, &CBitmapFader::moving);
    QSignalSpy moved(fader, &CBitmapFader::moved);

    fader->SetLimits(-60, 10, true);
    fader->SetValue(250);
    EXPECT_EQ(fader->GetValue(), 10);
    fader->SetValue(-61);
    EXPECT_EQ(fader->GetValue(), -60);
    fader->SetValue(-7);
    EXPECT_EQ(fader->GetValue(), -7);

    EXPECT_TRUE(recorder.Delivered().empty());
    EXPECT_EQ(moving.count(), 0);
    EXPECT_EQ(moved.count(), 0);
}

TEST_F(FaderValue, MaximumIsAppliedBeforeMinimumWhenTheLimitsAreCrossed)
{
    fader->SetLimits(50, 10, true);
    fader->SetValue(30);
    EXPECT_EQ(fader->GetValue(), 50);
    fader->SetValue(0);
    EXPECT_EQ(fader->GetValue(), 50);
}

TEST_F(FaderValue, NewLimitsBringTheValueIntoRange)
{
    fader->SetValue(80);
    fader->SetLimits(0, 50, false);
    EXPECT_EQ(fader->GetValue(), 50);
    fader->SetLimits(60, 90, true);
    EXPECT_EQ(fader->GetValue(), 60);
}

TEST_F(FaderValue, ControlIdComesFromConstructionOrSetControlId)
{
    EXPECT_EQ(fader->ControlId(), kId);
    EXPECT_EQ(fader->property("controlId").toInt(), kId);
    fader->SetControlId(7);
    EXPECT_EQ(fader->ControlId(), 7);
    EXPECT_EQ(fader->property("controlId").toInt(), 7);

    Recorder recorder(*fader);
    QTest::keyClick(fader, Qt::Key_Right);
    EXPECT_EQ(recorder.Delivered(), (std::vector<Notice>{{kFaderMoved, 7, 1}}));
}

// ---- mapping between values and pixels -----------------------------------

class FaderMapping : public FaderBase {};

TEST_F(FaderMapping, EndsOfTheRangeSitHalfAThumbFromTheEnds)
{
    EXPECT_EQ(fader->ValueToPixel(0), 10);
    EXPECT_EQ(fader->ValueToPixel(100), 110);
    EXPECT_EQ(fader->PixelToValue(10), 0);
    EXPECT_EQ(fader->PixelToValue(110), 100);
    for (int value = 0; value <= 100; ++value)
        EXPECT_EQ(fader->PixelToValue(fader->ValueToPixel(value)), value) << value;
}

TEST_F(FaderMapping, InsetsNarrowTheTravelAndFractionsAreTruncated)
{
    // Travel: 120 - 15 - 20 - 5 = 80 pixels for 100 steps.
    fader->SetInsets(5, 30, 15, 30);
    EXPECT_EQ(fader->ValueToPixel(0), 15);
    EXPECT_EQ(fader->ValueToPixel(100), 95);
    EXPECT_EQ(fader->ValueToPixel(1), 15);   // 0.8 pixel
    EXPECT_EQ(fader->ValueToPixel(50), 55);
    EXPECT_EQ(fader->PixelToValue(15), 0);
    EXPECT_EQ(fader->PixelToValue(95), 100);
    EXPECT_EQ(fader->PixelToValue(16), 1);   // 1.25
    EXPECT_EQ(fader->PixelToValue(94), 98);  // 98.75
}

TEST_F(FaderMapping, NegativeValuesAreTruncatedTowardsZero)
{
    fader->SetLimits(-60, 0, true);
    fader->SetInsets(5, 0, 15, 0);
    EXPECT_EQ(fader->PixelToValue(16), -59);  // -59.25
    EXPECT_EQ(fader->ValueToPixel(-60), 15);
    EXPECT_EQ(fader->ValueToPixel(0), 95);
}

TEST_F(FaderMapping, VerticalUsesHeightsAndTopBottomInsets)
{
    MakeVertical();
    fader->SetInsets(40, 5, 40, 15);
    EXPECT_EQ(fader->size(), QSize(20, 120));
    EXPECT_EQ(fader->ValueToPixel(0), 15);
    EXPECT_EQ(fader->ValueToPixel(100), 95);
    EXPECT_EQ(fader->PixelToValue(55), 50);
}

TEST_F(FaderMapping, EqualLimitsAndZeroTravelAreSafe)
{
    fader->SetLimits(7, 7, true);
    EXPECT_EQ(fader->ValueToPixel(7), 10);
    EXPECT_EQ(fader->PixelToValue(60), 7);

    // A channel no longer than the thumb leaves the thumb nowhere to go.
    fader->SetLimits(0, 100, true);
    fader->SetValue(50);
    ASSERT_TRUE(fader->LoadTrackImages(Solid(20, 20, kChannel)));
    EXPECT_EQ(fader->ValueToPixel(50), 10);
    EXPECT_EQ(fader->PixelToValue(15), 0);
    Recorder recorder(*fader);
    QTest::mouseClick(fader, Qt::LeftButton, {}, QPoint(18, 10));
    EXPECT_EQ(fader->GetValue(), 50);
    EXPECT_EQ(recorder.Delivered(), (std::vector<Notice>{{kFaderMoved, kId, 50}}));
}

// ---- mouse ---------------------------------------------------------------

class FaderMouse : public FaderBase {};

TEST_F(FaderMouse, ClickAwayFromTheThumbJumpsThereAndPostsOneMovingThenOneMoved)
{
    Recorder recorder(*fader);
    QTest::mousePress(fader, Qt::LeftButton, {}, QPoint(70, 10));
    EXPECT_EQ(fader->GetValue(), 60);
    EXPECT_TRUE(fader->IsDragging());
    EXPECT_TRUE(recorder.notices.empty()) << "notifications must arrive after the event";
    QTest::mouseRelease(fader, Qt::LeftButton, {}, QPoint(70, 10));
    EXPECT_FALSE(fader->IsDragging());
    EXPECT_TRUE(recorder.notices.empty()) << "notifications must arrive after the event";

    EXPECT_EQ(recorder.Delivered(),
              (std::vector<Notice>{{kFaderMoving, kId, 60}, {kFaderMoved, kId, 60}}));
}

TEST_F(FaderMouse, ClickOnTheThumbWithoutMovingPostsOnlyMoved)
{
    fader->SetValue(50);  // centre at 60
    Recorder recorder(*fader);
    QTest::mouseClick(fader, Qt::LeftButton, {}, QPoint(68, 10));
    EXPECT_EQ(fader->GetValue(), 50);
    EXPECT_EQ(recorder.Delivered(), (std::vector<Notice>{{kFaderMoved, kId, 50}}));
}

TEST_F(FaderMouse, DraggingByTheThumbKeepsTheGrabOffsetAndStopsAtTheEnds)
{
    fader->SetValue(50);  // centre at 60
    Recorder recorder(*fader);
    QTest::mousePress(fader, Qt::LeftButton, {}, QPoint(65, 10));
    QTest::mouseMove(fader, QPoint(75, 10));
    EXPECT_EQ(fader->GetValue(), 60);
    QTest::mouseMove(fader, QPoint(300, 10));
    EXPECT_EQ(fader->GetValue(), 100);
    QTest::mouseMove(fader, QPoint(-80, 10));
    EXPECT_EQ(fader->GetValue(), 0);
    QTest::mouseMove(fader, QPoint(40, 10));
    EXPECT_EQ(fader->GetValue(), 25);
    QTest::mouseRelease(fader, Qt::LeftButton, {}, QPoint(40, 10));

    EXPECT_EQ(recorder.Delivered(), (std::vector<Notice>{{kFaderMoving, kId, 60},
                                                         {kFaderMoving, kId, 100},
                                                         {kFaderMoving, kId, 0},
                                                         {kFaderMoving, kId, 25},
                                                         {kFaderMoved, kId, 25}}));
}

TEST_F(FaderMouse, MovingWithoutAPressOrWithTheRightButtonDoesNothing)
{
    Recorder recorder(*fader);
    QTest::mouseClick(fader, Qt::RightButton, {}, QPoint(90, 10));
    QTest::mousePress(fader, Qt::RightButton, {}, QPoint(90, 10));
    QTest::mouseMove(fader, QPoint(100, 10));
    QTest::mouseRelease(fader, Qt::RightButton, {}, QPoint(100, 10));
    EXPECT_EQ(fader->GetValue(), 0);
    EXPECT_TRUE(recorder.Delivered().empty());
}

TEST_F(FaderMouse, VerticalDragFollowsTheMouseDownwardsToTheMaximum)
{
    MakeVertical();
    Recorder recorder(*fader);
    QTest::mousePress(fader, Qt::LeftButton, {}, QPoint(10, 10));  // on the thumb
    QTest::mouseMove(fader, QPoint(10, 40));
    EXPECT_EQ(fader->GetValue(), 30);
    QTest::mouseRelease(fader, Qt::LeftButton, {}, QPoint(10, 40));
    EXPECT_EQ(recorder.Delivered(),
              (std::vector<Notice>{{kFaderMoving, kId, 30}, {kFaderMoved, kId, 30}}));
}

// ---- keyboard ------------------------------------------------------------

class FaderKeys : public FaderBase {};

TEST_F(FaderKeys, EachKeyStepsClampsAndPostsMoved)
{
    fader->SetValue(50);
    Recorder recorder(*fader);
    const std::vector<std::pair<Qt::Key, int>> steps = {
        {Qt::Key_PageUp, 30}, {Qt::Key_PageDown, 50}, {Qt::Key_Right, 51}, {Qt::Key_Down, 52},
        {Qt::Key_Left, 51},   {Qt::Key_Up, 50},       {Qt::Key_End, 100},  {Qt::Key_Right, 100},
        {Qt::Key_PageDown, 100}, {Qt::Key_Home, 0},   {Qt::Key_Up, 0},     {Qt::Key_PageUp, 0},
    };
    std::vector<Notice> expected;
    for (const auto& [key, value] : steps) {
        QTest::keyClick(fader, key);
        EXPECT_EQ(fader->GetValue(), value) << "key " << int(key);
        expected.push_back({kFaderMoved, kId, value});
    }
    EXPECT_TRUE(recorder.notices.empty()) << "notifications must arrive after the event";
    EXPECT_EQ(recorder.Delivered(), expected);
}

TEST_F(FaderKeys, PageStepAndLimitsAreHonoured)
{
    fader->SetLimits(-60, 10, true);
    fader->SetPageStep(25);
    fader->SetValue(0);
    Recorder recorder(*fader);
    QTest::keyClick(fader, Qt::Key_PageUp);
    QTest::keyClick(fader, Qt::Key_PageUp);
    QTest::keyClick(fader, Qt::Key_PageUp);
    QTest::keyClick(fader, Qt::Key_PageDown);
    EXPECT_EQ(recorder.Delivered(), (std::vector<Notice>{{kFaderMoved, kId, -25},
                                                         {kFaderMoved, kId, -50},
                                                         {kFaderMoved, kId, -60},
                                                         {kFaderMoved, kId, -35}}));
}

TEST_F(FaderKeys, OtherKeysAreLeftAlone)
{
    fader->SetValue(40);
    Recorder recorder(*fader);
    QKeyEvent letter(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
    QApplication::sendEvent(fader, &letter);
    EXPECT_FALSE(letter.isAccepted());
    EXPECT_EQ(fader->GetValue(), 40);
    EXPECT_TRUE(recorder.Delivered().empty());
}

// ---- disabled ------------------------------------------------------------

class FaderDisabled : public FaderBase {};

TEST_F(FaderDisabled, IgnoresMouseAndKeysAndShowsNoThumb)
{
    fader->SetValue(50);
    fader->SetEnabled(false);
    Recorder recorder(*fader);
    QTest::mouseClick(fader, Qt::LeftButton, {}, QPoint(100, 10));
    QTest::mousePress(fader, Qt::LeftButton, {}, QPoint(60, 10));
    QTest::mouseMove(fader, QPoint(20, 10));
    QTest::mouseRelease(fader, Qt::LeftButton, {}, QPoint(20, 10));
    for (Qt::Key key : {Qt::Key_Home, Qt::Key_End, Qt::Key_PageUp, Qt::Key_Right})
        QTest::keyClick(fader, key);
    EXPECT_EQ(fader->GetValue(), 50);
    EXPECT_FALSE(fader->IsDragging());
    EXPECT_TRUE(recorder.Delivered().empty());
    EXPECT_EQ(HostPixel(60, 10), kChannel);

    fader->SetEnabled(true);
    EXPECT_EQ(HostPixel(60, 10), kThumb);
    QTest::keyClick(fader, Qt::Key_Home);
    EXPECT_EQ(recorder.Delivered(), (std::vector<Notice>{{kFaderMoved, kId, 0}}));
}

TEST_F(FaderDisabled, DisablingDuringADragEndsItWithMoved)
{
    Recorder recorder(*fader);
    QTest::mousePress(fader, Qt::LeftButton, {}, QPoint(10, 10));
    QTest::mouseMove(fader, QPoint(30, 10));
    fader->SetEnabled(false);
    EXPECT_FALSE(fader->IsDragging());
    EXPECT_EQ(recorder.Delivered(),
              (std::vector<Notice>{{kFaderMoving, kId, 20}, {kFaderMoved, kId, 20}}));
}

// ---- drawing -------------------------------------------------------------

class FaderDrawing : public FaderBase {};

TEST_F(FaderDrawing, ThumbIsDrawnCentredOnItsPosition)
{
    fader->SetValue(50);  // thumb over x 50..69, y 5..14
    const QImage image = Grab(host);
    EXPECT_EQ(image.pixel(50, 5), kThumb);
    EXPECT_EQ(image.pixel(69, 14), kThumb);
    EXPECT_EQ(image.pixel(49, 10), kChannel);
    EXPECT_EQ(image.pixel(70, 10), kChannel);
    EXPECT_EQ(image.pixel(60, 4), kChannel);
    EXPECT_EQ(image.pixel(60, 15), kChannel);
    EXPECT_EQ(image.pixel(60, 25), kBackground);
}

TEST_F(FaderDrawing, VerticalFaderAtItsLowerLimitShowsTheThumbAtTheTop)
{
    MakeVertical();
    fader->SetLimits(-40, 10, true);
    fader->SetValue(-40);
    QImage image = Grab(host);
    EXPECT_EQ(image.pixel(10, 0), kThumb);
    EXPECT_EQ(image.pixel(10, 19), kThumb);
    EXPECT_EQ(image.pixel(10, 20), kChannel);
    EXPECT_EQ(image.pixel(10, 110), kChannel);

    fader->SetValue(10);
    image = Grab(host);
    EXPECT_EQ(image.pixel(10, 10), kChannel);
    EXPECT_EQ(image.pixel(10, 100), kThumb);
    EXPECT_EQ(image.pixel(10, 119), kThumb);
}

TEST_F(FaderDrawing, ActiveChannelShowsFromTheMinimumUpToTheThumbCentre)
{
    ASSERT_TRUE(fader->LoadTrackImages(Solid(120, 20, kChannel), Solid(120, 20, kActiveChannel)));
    fader->SetValue(50);  // centre at 60; the thumb covers y 5..14 only
    QImage image = Grab(host);
    EXPECT_EQ(image.pixel(0, 1), kActiveChannel);
    EXPECT_EQ(image.pixel(59, 1), kActiveChannel);
    EXPECT_EQ(image.pixel(60, 1), kChannel);
    EXPECT_EQ(image.pixel(119, 18), kChannel);

    fader->SetValue(0);
    image = Grab(host);
    EXPECT_EQ(image.pixel(9, 1), kActiveChannel);
    EXPECT_EQ(image.pixel(10, 1), kChannel);

    fader->SetEnabled(false);
    image = Grab(host);
    EXPECT_EQ(image.pixel(5, 1), kChannel) << "a disabled fader shows the normal channel only";
}

TEST_F(FaderDrawing, VerticalActiveChannelShowsAboveTheThumbCentre)
{
    MakeVertical();
    ASSERT_TRUE(fader->LoadTrackImages(Solid(20, 120, kChannel), Solid(20, 120, kActiveChannel)));
    fader->SetValue(30);  // centre at y 40; the thumb covers x 5..14
    const QImage image = Grab(host);
    EXPECT_EQ(image.pixel(1, 39), kActiveChannel);
    EXPECT_EQ(image.pixel(1, 40), kChannel);
    EXPECT_EQ(image.pixel(18, 2), kActiveChannel);
    EXPECT_EQ(image.pixel(18, 118), kChannel);
}

TEST_F(FaderDrawing, ActiveThumbOnlyWhileDragging)
{
    ASSERT_TRUE(fader->LoadKnobImages(Solid(20, 10, kThumb), Solid(20, 10, kActiveThumb)));
    EXPECT_EQ(HostPixel(10, 10), kThumb);
    QTest::mousePress(fader, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_EQ(HostPixel(10, 10), kActiveThumb);
    QTest::mouseRelease(fader, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_EQ(HostPixel(10, 10), kThumb);
}

TEST_F(FaderDrawing, ColourPickedFromAPixelIsSeeThrough)
{
    // A channel with a key-coloured band along its top; the pick point lies
    // in the band.
    QImage channel = Solid(120, 20, kChannel);
    {
        QPainter painter(&channel);
        painter.fillRect(0, 0, 120, 4, QColor::fromRgb(kKey));
    }
    ASSERT_TRUE(fader->LoadTrackImages(channel, QImage(), true, CBitmapFader::kColourFromPixel, 3, 2));
    QImage image = Grab(host);
    EXPECT_EQ(image.pixel(80, 0), kBackground);
    EXPECT_EQ(image.pixel(80, 3), kBackground);
    EXPECT_EQ(image.pixel(80, 4), kChannel);

    // Without the switch the key colour is drawn as it is.
    ASSERT_TRUE(fader->LoadTrackImages(channel, QImage(), false, CBitmapFader::kColourFromPixel, 3, 2));
    image = Grab(host);
    EXPECT_EQ(image.pixel(80, 0), kKey);
}

TEST_F(FaderDrawing, ExplicitTransparentColourOnTheThumbShowsTheChannel)
{
    // A thumb with a one-pixel key-coloured frame.
    QImage thumb = Solid(20, 10, kKey);
    {
        QPainter painter(&thumb);
        painter.fillRect(1, 1, 18, 8, QColor::fromRgb(kThumb));
    }
    ASSERT_TRUE(fader->LoadKnobImages(thumb, QImage(), true, kKey & RGB_MASK));
    const QImage image = Grab(host);  // the thumb covers x 0..19, y 5..14
    EXPECT_EQ(image.pixel(0, 5), kChannel);
    EXPECT_EQ(image.pixel(19, 14), kChannel);
    EXPECT_EQ(image.pixel(1, 6), kThumb);
}

TEST_F(FaderDrawing, ImagesAtDoubleRatioKeepTheirLogicalSizeAndStayCrisp)
{
    // Columns alternating black and white at device-pixel width.
    QImage channel(240, 40, QImage::Format_ARGB32);
    for (int y = 0; y < channel.height(); ++y)
        for (int x = 0; x < channel.width(); ++x)
            channel.setPixel(x, y, x % 2 ? 0xFFFFFFFF : 0xFF000000);
    channel.setDevicePixelRatio(2.0);
    ASSERT_TRUE(fader->LoadTrackImages(channel));
    ASSERT_TRUE(fader->LoadKnobImages(Solid(40, 20, kThumb, 2.0)));
    EXPECT_EQ(fader->size(), QSize(120, 20));
    EXPECT_EQ(fader->ValueToPixel(100), 110);

    QImage target(240, 40, QImage::Format_ARGB32);
    target.setDevicePixelRatio(2.0);
    target.fill(Qt::transparent);
    fader->render(&target);
    for (int x = 40; x < 240; ++x)
        EXPECT_EQ(target.pixel(x, 1), x % 2 ? 0xFFFFFFFFu : 0xFF000000u) << x;
    EXPECT_EQ(target.pixel(0, 10), kThumb);
    EXPECT_EQ(target.pixel(39, 29), kThumb);
    EXPECT_EQ(target.pixel(40, 20), 0xFF000000u);
}

TEST_F(FaderDrawing, FocusFrameOnlyWhileFocusedAndWanted)
{
    host.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&host));
    host.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&host));
    fader->SetValue(50);
    fader->clearFocus();
    ASSERT_FALSE(fader->hasFocus());
    const QImage unfocused = Grab(host);

    QTest::mouseClick(fader, Qt::LeftButton, {}, QPoint(60, 10));
    QTRY_VERIFY(fader->hasFocus());
    const QImage focused = Grab(host);
    bool frameDrawn = false;
    for (int x = 0; x < 120; ++x)
        frameDrawn = frameDrawn || focused.pixel(x, 0) != unfocused.pixel(x, 0);
    EXPECT_TRUE(frameDrawn);
    EXPECT_EQ(focused.pixel(60, 10), kThumb);

    fader->ShowFocusFrame(false);
    EXPECT_EQ(Grab(host), unfocused);
    fader->ShowFocusFrame(true);
    EXPECT_EQ(Grab(host), focused);
    fader->SetEnabled(false);
    fader->SetEnabled(true);
    fader->clearFocus();
    EXPECT_EQ(Grab(host), unfocused);
}

// ---- images by number ----------------------------------------------------

class FaderImages : public FaderBase {};

TEST_F(FaderImages, IdZeroRemovesTheChannelAndAMissingImageLeavesNothing)
{
    EXPECT_TRUE(fader->LoadTrackImages(0));
    EXPECT_EQ(HostPixel(100, 1), kBackground);

    int missing = 60000;
    while (res::HasBitmap(missing))
        ++missing;
    ASSERT_TRUE(fader->LoadTrackImages(Solid(120, 20, kChannel)));
    EXPECT_FALSE(fader->LoadTrackImages(missing));
    EXPECT_EQ(HostPixel(100, 1), kBackground);
    EXPECT_FALSE(fader->LoadKnobImages(missing));
    EXPECT_EQ(HostPixel(10, 10), kBackground);
}

TEST_F(FaderImages, MissingActiveImageUnloadsTheNormalOne)
{
    const std::vector<int> ids = res::BitmapIds();
    if (ids.empty())
        GTEST_SKIP() << "the program has no images yet";
    int missing = 60000;
    while (res::HasBitmap(missing))
        ++missing;
    EXPECT_TRUE(fader->LoadTrackImages(ids.front()));
    EXPECT_EQ(fader->size(), res::BitmapSize(ids.front()));
    EXPECT_FALSE(fader->LoadTrackImages(ids.front(), missing));
    fader->resize(120, 20);
    EXPECT_EQ(HostPixel(100, 1), kBackground);
}

}  // namespace
}  // namespace brevant
