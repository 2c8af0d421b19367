// The image check button and the image trackbar through their widgets: clicks
// and keys, what they report and when, and what they draw.
#include "CImageCheckButton.h"
#include "CSkinnedTrackbar.h"
#include "Notifications.h"
#include "ResourceRegistry.h"

#include <QApplication>
#include <QCoreApplication>
#include <QImage>
#include <QKeyEvent>
#include <QPalette>
#include <QPixmap>
#include <QSignalSpy>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace brevant {
namespace {

constexpr QRgb kBackground = 0xFFFF00FF;
constexpr QRgb kChecked = 0xFF00A000;
constexpr QRgb kUnchecked = 0xFF808080;
constexpr QRgb kThumb = 0xFFC80000;
constexpr QRgb kBefore = 0xFF0000FF;
constexpr QRgb kAfter = 0xFFA0A0A0;

QImage Solid(int width, int height, QRgb colour)
{
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(colour);
    return image;
}

QImage Grab(QWidget& widget)
{
    return widget.grab().toImage().convertToFormat(QImage::Format_ARGB32);
}

void PaintBackground(QWidget& host)
{
    host.setAutoFillBackground(true);
    QPalette palette = host.palette();
    palette.setColor(QPalette::Window, QColor::fromRgb(kBackground));
    host.setPalette(palette);
}

int MissingBitmapId()
{
    int id = 60000;
    while (res::HasBitmap(id))
        ++id;
    return id;
}

// ---- check button ----------------------------------------------------------

// A check button with 16 x 16 images and a caption, in a magenta window.
class CheckButton : public ::testing::Test {
protected:
    void SetUp() override
    {
        host.resize(200, 40);
        PaintBackground(host);
        button = new CImageCheckButton(2201, QStringLiteral("Phantom power"), &host);
        button->SetImages(Solid(16, 16, kChecked), Solid(16, 16, kUnchecked));
        button->resize(button->sizeHint());
    }

    QWidget host;
    CImageCheckButton* button = nullptr;
};

TEST_F(CheckButton, ClickChangesTheStateBeforeTheClickedHandlerRuns)
{
    std::vector<bool> seenByHandler;
    std::vector<bool> passedToHandler;
    QObject::connect(button, &QAbstractButton::clicked, button, [&](bool checked) {
        seenByHandler.push_back(button->GetCheck());
        passedToHandler.push_back(checked);
    });

    EXPECT_FALSE(button->GetCheck());
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(8, 8));
    EXPECT_TRUE(button->GetCheck());
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(40, 8));  // on the caption
    EXPECT_FALSE(button->GetCheck());
    QTest::keyClick(button, Qt::Key_Space);
    EXPECT_TRUE(button->GetCheck());

    EXPECT_EQ(seenByHandler, (std::vector<bool>{true, false, true}));
    EXPECT_EQ(passedToHandler, seenByHandler);
}

TEST_F(CheckButton, SetCheckChangesTheStateWithoutClicked)
{
    QSignalSpy clicked(button, &QAbstractButton::clicked);
    QSignalSpy toggled(button, &QAbstractButton::toggled);
    button->SetCheck(true);
    EXPECT_TRUE(button->GetCheck());
    button->SetCheck(true);
    button->SetCheck(false);
    EXPECT_FALSE(button->GetCheck());
    QCoreApplication::processEvents();
    EXPECT_EQ(clicked.count(), 0);
    EXPECT_EQ(toggled.count(), 2);
}

TEST_F(CheckButton, DrawsTheImageOfItsStateWithTheCaptionBeside)
{
    const QImage unchecked = Grab(host);
    EXPECT_EQ(unchecked.pixel(8, button->height() / 2), kUnchecked);
    button->SetCheck(true);
    const QImage checked = Grab(host);
    EXPECT_EQ(checked.pixel(8, button->height() / 2), kChecked);
    EXPECT_NE(checked, unchecked);

    // The caption is drawn to the right of the image.
    bool captionDrawn = false;
    for (int y = 0; y < button->height(); ++y)
        for (int x = 20; x < button->width(); ++x)
            captionDrawn = captionDrawn || checked.pixel(x, y) != kBackground;
    EXPECT_TRUE(captionDrawn);
    EXPECT_GT(button->sizeHint().width(), 16 + 20);
    EXPECT_GE(button->sizeHint().height(), 16);
}

TEST_F(CheckButton, DisabledIgnoresClicks)
{
    QSignalSpy clicked(button, &QAbstractButton::clicked);
    button->setEnabled(false);
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(8, 8));
    EXPECT_FALSE(button->GetCheck());
    EXPECT_EQ(clicked.count(), 0);
}

TEST_F(CheckButton, KeepsItsControlIdAndRejectsMissingImages)
{
    EXPECT_EQ(button->ControlId(), 2201);
    EXPECT_EQ(button->property("controlId").toInt(), 2201);
    button->SetControlId(2202);
    EXPECT_EQ(button->property("controlId").toInt(), 2202);

    const int missing = MissingBitmapId();
    EXPECT_FALSE(button->LoadImages(missing, missing));
    const QImage image = Grab(host);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            ASSERT_TRUE(image.pixel(x, y) != kChecked && image.pixel(x, y) != kUnchecked) << x << "," << y;
}

// ---- trackbar --------------------------------------------------------------

using Report = std::pair<int, int>;  // scroll code, position

// Collects the trackbar's reports in the order they arrive.
struct ScrollRecorder {
    explicit ScrollRecorder(CSkinnedTrackbar& bar)
    {
        QObject::connect(&bar, &CSkinnedTrackbar::scrolled, &context,
                         [this](int code, int position) { reports.emplace_back(code, position); });
    }
    std::vector<Report> Delivered()
    {
        QCoreApplication::processEvents();
        return reports;
    }

    QObject context;
    std::vector<Report> reports;
};

// A horizontal trackbar 110 pixels long with a 10-pixel thumb, so over 0..100
// the thumb's centre lies at 5 + position.
class Trackbar : public ::testing::Test {
protected:
    void SetUp() override
    {
        host.resize(200, 150);
        PaintBackground(host);
        bar = new CSkinnedTrackbar(3301, &host);
        bar->SetImages(Solid(10, 20, kThumb), Solid(110, 8, kBefore), Solid(110, 8, kAfter));
        bar->resize(bar->sizeHint());
    }

    void MakeVertical()
    {
        bar->SetOrientation(true);
        bar->SetImages(Solid(20, 10, kThumb), Solid(8, 110, kBefore), Solid(8, 110, kAfter));
        bar->resize(bar->sizeHint());
    }

    QWidget host;
    CSkinnedTrackbar* bar = nullptr;
};

TEST_F(Trackbar, TakesItsSizeFromTheImagesAndMapsPositionsToPixels)
{
    EXPECT_EQ(bar->size(), QSize(110, 20));
    EXPECT_EQ(bar->PosToPixel(0), 5);
    EXPECT_EQ(bar->PosToPixel(100), 105);
    EXPECT_EQ(bar->PixelToPos(-20), 0);
    EXPECT_EQ(bar->PixelToPos(500), 100);
    for (int position = 0; position <= 100; ++position)
        EXPECT_EQ(bar->PixelToPos(bar->PosToPixel(position)), position) << position;
}

TEST_F(Trackbar, SetPosAndSetRangeClampAndReportNothing)
{
    ScrollRecorder recorder(*bar);
    bar->SetPos(40);
    EXPECT_EQ(bar->GetPos(), 40);
    bar->SetPos(140);
    EXPECT_EQ(bar->GetPos(), 100);
    bar->SetRange(10, 20);
    EXPECT_EQ(bar->GetPos(), 20);
    bar->SetPos(-5);
    EXPECT_EQ(bar->GetPos(), 10);
    bar->SetRange(30, 5);
    EXPECT_EQ(bar->GetRangeMin(), 5);
    EXPECT_EQ(bar->GetRangeMax(), 30);
    EXPECT_TRUE(recorder.Delivered().empty());
}

TEST_F(Trackbar, DragReportsTrackingThenPositionThenEnd)
{
    ScrollRecorder recorder(*bar);
    QTest::mousePress(bar, Qt::LeftButton, {}, QPoint(7, 10));  // 2 right of the centre
    QTest::mouseMove(bar, QPoint(27, 10));
    EXPECT_EQ(bar->GetPos(), 20);
    QTest::mouseMove(bar, QPoint(47, 3));
    QTest::mouseMove(bar, QPoint(47, 15));  // across only: no change
    QTest::mouseMove(bar, QPoint(400, 10));
    EXPECT_EQ(bar->GetPos(), 100);
    EXPECT_TRUE(recorder.reports.empty()) << "reports must arrive after the event";
    QTest::mouseRelease(bar, Qt::LeftButton, {}, QPoint(400, 10));
    EXPECT_FALSE(bar->IsDragging());

    EXPECT_EQ(recorder.Delivered(), (std::vector<Report>{{kScrollThumbTrack, 20},
                                                        {kScrollThumbTrack, 40},
                                                        {kScrollThumbTrack, 100},
                                                        {kScrollThumbPosition, 100},
                                                        {kScrollEnd, 100}}));
}

TEST_F(Trackbar, ClickOnTheThumbReportsPositionAndEnd)
{
    bar->SetPos(30);
    ScrollRecorder recorder(*bar);
    QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(33, 10));
    EXPECT_EQ(bar->GetPos(), 30);
    EXPECT_EQ(recorder.Delivered(),
              (std::vector<Report>{{kScrollThumbPosition, 30}, {kScrollEnd, 30}}));
}

TEST_F(Trackbar, ClickOnTheChannelMovesAPageTowardsIt)
{
    bar->SetPageSize(25);
    bar->SetPos(50);  // thumb over x 50..59
    ScrollRecorder recorder(*bar);
    QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_EQ(bar->GetPos(), 25);
    QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(100, 10));
    EXPECT_EQ(bar->GetPos(), 50);
    EXPECT_EQ(recorder.Delivered(), (std::vector<Report>{{kScrollPageUp, 25},
                                                        {kScrollEnd, 25},
                                                        {kScrollPageDown, 50},
                                                        {kScrollEnd, 50}}));
}

TEST_F(Trackbar, HeldOnTheChannelItPagesUntilTheThumbIsUnderTheMouse)
{
    ScrollRecorder recorder(*bar);
    QTest::mousePress(bar, Qt::LeftButton, {}, QPoint(100, 10));
    QTRY_COMPARE_WITH_TIMEOUT(bar->GetPos(), 100, 3000);
    QTest::qWait(300);  // the thumb is under the mouse: no further pages
    QTest::mouseRelease(bar, Qt::LeftButton, {}, QPoint(100, 10));
    EXPECT_EQ(recorder.Delivered(), (std::vector<Report>{{kScrollPageDown, 20},
                                                        {kScrollPageDown, 40},
                                                        {kScrollPageDown, 60},
                                                        {kScrollPageDown, 80},
                                                        {kScrollPageDown, 100},
                                                        {kScrollEnd, 100}}));
}

TEST_F(Trackbar, KeysReportLineAndPageCodesAndEndWhenReleased)
{
    bar->SetLineSize(5);
    bar->SetPageSize(30);
    bar->SetPos(50);
    ScrollRecorder recorder(*bar);
    const std::vector<std::pair<Qt::Key, Report>> keys = {
        {Qt::Key_Right, {kScrollLineDown, 55}},
        {Qt::Key_Down, {kScrollLineDown, 60}},
        {Qt::Key_Left, {kScrollLineUp, 55}},
        {Qt::Key_Up, {kScrollLineUp, 50}},
        {Qt::Key_PageDown, {kScrollPageDown, 80}},
        {Qt::Key_PageDown, {kScrollPageDown, 100}},
        {Qt::Key_PageUp, {kScrollPageUp, 70}},
        {Qt::Key_Home, {CSkinnedTrackbar::kScrollTop, 0}},
        {Qt::Key_Up, {kScrollLineUp, 0}},
        {Qt::Key_End, {CSkinnedTrackbar::kScrollBottom, 100}},
    };
    std::vector<Report> expected;
    for (const auto& [key, report] : keys) {
        QTest::keyClick(bar, key);
        EXPECT_EQ(bar->GetPos(), report.second) << "key " << int(key);
        expected.push_back(report);
        expected.emplace_back(kScrollEnd, report.second);
    }
    EXPECT_TRUE(recorder.reports.empty()) << "reports must arrive after the event";
    EXPECT_EQ(recorder.Delivered(), expected);
}

TEST_F(Trackbar, AHeldKeyRepeatsItsStepAndEndsOnce)
{
    bar->SetPos(10);
    ScrollRecorder recorder(*bar);
    auto send = [this](QEvent::Type type, bool repeat) {
        QKeyEvent event(type, Qt::Key_Right, Qt::NoModifier, QString(), repeat);
        QApplication::sendEvent(bar, &event);
    };
    send(QEvent::KeyPress, false);
    send(QEvent::KeyRelease, true);
    send(QEvent::KeyPress, true);
    send(QEvent::KeyRelease, true);
    send(QEvent::KeyPress, true);
    send(QEvent::KeyRelease, false);
    EXPECT_EQ(recorder.Delivered(), (std::vector<Report>{{kScrollLineDown, 11},
                                                        {kScrollLineDown, 12},
                                                        {kScrollLineDown, 13},
                                                        {kScrollEnd, 13}}));
}

TEST_F(Trackbar, VerticalHasItsMinimumAtTheTop)
{
    MakeVertical();
    EXPECT_EQ(bar->size(), QSize(20, 110));
    QImage image = Grab(host);
    EXPECT_EQ(image.pixel(10, 0), kThumb);
    EXPECT_EQ(image.pixel(10, 9), kThumb);
    EXPECT_EQ(image.pixel(10, 10), kAfter);

    ScrollRecorder recorder(*bar);
    QTest::mousePress(bar, Qt::LeftButton, {}, QPoint(10, 5));
    QTest::mouseMove(bar, QPoint(10, 65));
    QTest::mouseRelease(bar, Qt::LeftButton, {}, QPoint(10, 65));
    QTest::keyClick(bar, Qt::Key_Down);
    EXPECT_EQ(recorder.Delivered(), (std::vector<Report>{{kScrollThumbTrack, 60},
                                                        {kScrollThumbPosition, 60},
                                                        {kScrollEnd, 60},
                                                        {kScrollLineDown, 61},
                                                        {kScrollEnd, 61}}));
    image = Grab(host);
    EXPECT_EQ(image.pixel(10, 40), kBefore);
    EXPECT_EQ(image.pixel(10, 66), kThumb);
    EXPECT_EQ(image.pixel(10, 90), kAfter);
}

TEST_F(Trackbar, DrawsTheChannelBeforeAndAfterTheThumb)
{
    bar->SetPos(50);  // centre at 55, thumb over x 50..59; channel over y 6..13
    const QImage image = Grab(host);
    EXPECT_EQ(image.pixel(0, 10), kBefore);
    EXPECT_EQ(image.pixel(49, 10), kBefore);
    EXPECT_EQ(image.pixel(50, 10), kThumb);
    EXPECT_EQ(image.pixel(59, 0), kThumb);
    EXPECT_EQ(image.pixel(60, 10), kAfter);
    EXPECT_EQ(image.pixel(109, 13), kAfter);
    EXPECT_EQ(image.pixel(20, 5), kBackground);
    EXPECT_EQ(image.pixel(20, 14), kBackground);
}

TEST_F(Trackbar, DisabledIgnoresMouseAndKeys)
{
    bar->setEnabled(false);
    ScrollRecorder recorder(*bar);
    QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(80, 10));
    QTest::mousePress(bar, Qt::LeftButton, {}, QPoint(5, 10));
    QTest::mouseMove(bar, QPoint(60, 10));
    QTest::mouseRelease(bar, Qt::LeftButton, {}, QPoint(60, 10));
    QTest::keyClick(bar, Qt::Key_End);
    EXPECT_EQ(bar->GetPos(), 0);
    EXPECT_TRUE(recorder.Delivered().empty());
}

TEST_F(Trackbar, MissingImagesLeaveNone)
{
    const int missing = MissingBitmapId();
    EXPECT_FALSE(bar->LoadImages(missing, missing, missing));
    EXPECT_EQ(Grab(host).pixel(5, 10), kBackground);
}

}  // namespace
}  // namespace brevant
