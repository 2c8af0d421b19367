// The skinned channel windows: the theme recolouring, the title buttons and
// how they draw their states, the colours given to edit boxes and labels,
// showing and hiding the window and its panes, and what the window paints.
#include "ui/panels/ChannelPane.h"
#include "ui/skin/InputChannelWindow.h"
#include "ui/skin/OutputChannelWindow.h"
#include "ui/skin/SkinButton.h"
#include "tests/ui/PanelFixture.h"
#include "ui/skin/SkinTheme.h"
#include "tests/ui/UiTestHelpers.h"

#include <QEnterEvent>
#include <QFontInfo>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <QLineEdit>

#include <gtest/gtest.h>

#include <array>
#include <vector>

namespace brevant {
namespace {

using test::Deliver;
using test::Grab;

// --- Recolouring -----------------------------------------------------------

TEST(ChannelWindowTheme, RecolourExchangesRedOrGreenWithBlueIn32BitPixels)
{
    QImage image(2, 1, QImage::Format_ARGB32);
    image.setPixel(0, 0, qRgba(10, 20, 30, 200));
    image.setPixel(1, 0, qRgba(255, 0, 0, 255));
    image.setDevicePixelRatio(2.0);

    const QImage inputs = SkinTheme::Recolour(image, 'r');
    EXPECT_EQ(inputs.pixel(0, 0), qRgba(30, 20, 10, 200));
    EXPECT_EQ(inputs.pixel(1, 0), qRgba(0, 0, 255, 255));
    EXPECT_DOUBLE_EQ(inputs.devicePixelRatio(), 2.0);
    const QImage outputs = SkinTheme::Recolour(image, 'g');
    EXPECT_EQ(outputs.pixel(0, 0), qRgba(10, 30, 20, 200));
    EXPECT_EQ(outputs.pixel(1, 0), qRgba(255, 0, 0, 255));
    EXPECT_EQ(SkinTheme::Recolour(image, 'b'), image);
    EXPECT_EQ(image.pixel(0, 0), qRgba(10, 20, 30, 200)) << "the original stays as it was";

    // A 24-bit image is worked on through 32-bit pixels.
    QImage packed(1, 1, QImage::Format_RGB888);
    packed.setPixel(0, 0, qRgb(1, 2, 3));
    EXPECT_EQ(SkinTheme::Recolour(packed, 'r').pixel(0, 0), qRgb(3, 2, 1));
}

TEST(ChannelWindowTheme, RecolourWorksOnThe565FieldsOf16BitPixels)
{
    const auto pack = [](int r5, int g6, int b5) { return static_cast<quint16>((r5 << 11) | (g6 << 5) | b5); };
    QImage image(3, 1, QImage::Format_RGB16);
    auto* pixels = reinterpret_cast<quint16*>(image.scanLine(0));
    pixels[0] = pack(3, 40, 17);
    pixels[1] = pack(0, 0, 31);  // full blue
    pixels[2] = pack(0, 63, 0);  // full green

    const QImage inputs = SkinTheme::Recolour(image, 'r');
    ASSERT_EQ(inputs.format(), QImage::Format_RGB16);
    const auto* in = reinterpret_cast<const quint16*>(inputs.constScanLine(0));
    EXPECT_EQ(in[0], pack(17, 40, 3));
    EXPECT_EQ(in[1], pack(31, 0, 0));

    const QImage outputs = SkinTheme::Recolour(image, 'g');
    const auto* out = reinterpret_cast<const quint16*>(outputs.constScanLine(0));
    EXPECT_EQ(out[0], pack(3, 17 * 63 / 31, 40 / 2)) << "blue widened into green, green halved";
    EXPECT_EQ(out[1], pack(0, 63, 0));
    EXPECT_EQ(out[2], pack(0, 0, 31));
}

// --- Title buttons ---------------------------------------------------------

TEST(SkinButton, FollowsThePointerAndThePressAndDrawsEachStateDifferently)
{
    std::array<QColor, 12> colours;
    for (int i = 0; i < 12; ++i)
        colours[static_cast<std::size_t>(i)] = QColor(20 * i, 255 - 20 * i, 100);
    QWidget host;  // away from where the pointer rests
    host.resize(60, 60);
    SkinButton& button = *new SkinButton(&host);
    button.SetSkinName(QStringLiteral("exit_mini"));
    button.SetColours(colours);
    button.setGeometry(30, 30, 9, 9);
    host.show();
    Deliver();

    std::vector<QImage> looks{Grab(button)};
    EXPECT_EQ(button.State(), SkinButton::DrawState::Normal);
    QEnterEvent enter(QPointF(4, 4), QPointF(4, 4), QPointF(4, 4));
    QCoreApplication::sendEvent(&button, &enter);
    EXPECT_EQ(button.State(), SkinButton::DrawState::Over);
    looks.push_back(Grab(button));
    button.setDown(true);
    EXPECT_EQ(button.State(), SkinButton::DrawState::Down);
    looks.push_back(Grab(button));
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(&button, &leave);
    EXPECT_EQ(button.State(), SkinButton::DrawState::Normal) << "pressed but no longer over it";
    button.setDown(false);
    button.setEnabled(false);
    EXPECT_EQ(button.State(), SkinButton::DrawState::Gray);
    looks.push_back(Grab(button));
    for (std::size_t a = 0; a < looks.size(); ++a) {
        for (std::size_t b = a + 1; b < looks.size(); ++b)
            EXPECT_NE(looks[a], looks[b]) << "states " << a << " and " << b << " look alike";
    }
}

// --- The windows -----------------------------------------------------------

// The windows on a host, as the main view holds them.
class ChannelWindowTest : public test::PanelFixture {
protected:
    ChannelWindowTest()
    {
        host.resize(400, 600);
        output.move(130, 0);
        host.show();
    }

    QWidget host;
    InputChannelWindow input{context, 1, 1, &host};
    OutputChannelWindow output{context, 2, 1, &host};
};

TEST_F(ChannelWindowTest, HasOnlyTheExitAndMenuButtonsAndTheExitKeepsToTheRightEnd)
{
    for (ChannelWindow* window : {static_cast<ChannelWindow*>(&input), static_cast<ChannelWindow*>(&output)}) {
        SCOPED_TRACE(window->ThemeCode());
        EXPECT_EQ(window->findChildren<SkinButton*>().size(), 2);
        for (int id = ChannelWindow::kMinButton; id <= ChannelWindow::kPlusButton; ++id) {
            if (id != ChannelWindow::kExitButton) {
                EXPECT_EQ(window->TitleButton(id), nullptr) << id;
            }
        }
        SkinButton* exit = window->TitleButton(ChannelWindow::kExitButton);
        SkinButton* menu = window->TitleButton(ChannelWindow::kMenuButton);
        ASSERT_NE(exit, nullptr);
        ASSERT_NE(menu, nullptr);
        window->ShowChannel();
        window->resize(150, 400);
        EXPECT_EQ(exit->pos(), QPoint(150 - 8 - 9, 4));
        EXPECT_EQ(menu->pos(), QPoint(9, 4));
    }
}

TEST_F(ChannelWindowTest, OnlyDirectChildEditBoxesTakeTheThemesColours)
{
    auto* inputEdit = new QLineEdit(&input);
    auto* outputEdit = new QLineEdit;
    outputEdit->setParent(&output);  // added after construction
    auto* nested = new QLineEdit(output.FirstPane());
    input.ShowChannel();
    output.ShowChannel();
    outputEdit->show();
    nested->show();
    Deliver();
    const QColor plain = nested->palette().color(QPalette::Base);
    EXPECT_NE(inputEdit->palette().color(QPalette::Base), plain);
    EXPECT_NE(outputEdit->palette().color(QPalette::Base), plain);
}

TEST_F(ChannelWindowTest, ShowsAndHidesItselfAndEitherOfItsTwoPanes)
{
    for (ChannelWindow* window : {static_cast<ChannelWindow*>(&input), static_cast<ChannelWindow*>(&output)}) {
        SCOPED_TRACE(window->ThemeCode());
        ChannelPane* first = window->FirstPane();
        ChannelPane* second = window->SecondPane();
        ASSERT_NE(first, nullptr);
        ASSERT_NE(second, nullptr);

        EXPECT_FALSE(window->Shown());
        window->ShowChannel();
        EXPECT_TRUE(window->Shown());
        EXPECT_TRUE(window->isVisible());
        EXPECT_TRUE(first->isVisible());
        EXPECT_FALSE(second->isVisible());

        window->ShowPane(ModelFamily::K217K218);
        EXPECT_FALSE(first->isVisible());
        EXPECT_TRUE(second->isVisible());
        window->ShowPane(ModelFamily::Unknown);
        EXPECT_TRUE(second->isVisible());
        EXPECT_FALSE(first->isVisible());
        window->ShowPane(ModelFamily::K225);
        EXPECT_TRUE(first->isVisible());
        EXPECT_FALSE(second->isVisible());

        window->HideChannel();
        EXPECT_FALSE(window->Shown());
        EXPECT_FALSE(window->isVisible());
    }
}

TEST_F(ChannelWindowTest, PaintsTheTitleStripInItsThemeWithTheCaptionAndCutsItsCorners)
{
    const QRect strip(20, 2, 80, 12);  // between the buttons, below the outline
    const auto dark = [](QRgb c) { return qRed(c) < 60 && qGreen(c) < 60 && qBlue(c) < 60; };
    for (ChannelWindow* window : {static_cast<ChannelWindow*>(&input), static_cast<ChannelWindow*>(&output)}) {
        const bool isInput = window == &input;
        SCOPED_TRACE(window->ThemeCode());
        window->ShowChannel();
        Deliver();

        QImage image = Grab(*window);
        const QRgb title = image.pixel(60, 8);
        const int themed = isInput ? qRed(title) : qGreen(title);
        EXPECT_GT(themed, qBlue(title) + 40) << "the blue skin turned " << (isInput ? "red" : "green");
        EXPECT_EQ(test::Find(image, strip, dark).count, 0);

        window->SetChannelName(QStringLiteral("CH 1"));
        image = Grab(*window);
        const test::Extent caption = test::Find(image, strip, dark);
        EXPECT_GT(caption.count, 10);
        EXPECT_NEAR(caption.box.center().x(), 60, 3) << "centred in the strip";

        // The corners are cut at whatever size.
        window->resize(140, 300);
        EXPECT_FALSE(window->mask().contains(QPoint(139, 299)));
        EXPECT_TRUE(window->mask().contains(QPoint(139, 150)));
    }
}

TEST_F(ChannelWindowTest, EveryGroupCaptionOfTheInputPaneFitsItsBarAtOneAndTwoTimes)
{
    input.ShowChannel();
    Deliver();
    ChannelPane& pane = *input.FirstPane();
    const QStringList captions{QStringLiteral("Level"), QStringLiteral("Filter"), QStringLiteral("Dynamics")};
    ASSERT_EQ(pane.GroupCount(), captions.size());
    for (int group = 0; group < pane.GroupCount(); ++group) {
        const QString& caption = captions[group];
        const QRect room = pane.CaptionTextRect(group);
        ASSERT_GT(room.width(), 0) << caption.toStdString();
        EXPECT_TRUE(pane.CaptionRect(group).contains(room.translated(pane.CaptionRect(group).topLeft())));
        const QFont font = pane.CaptionFont(group);
        EXPECT_TRUE(font.bold());
        EXPECT_GE(QFontInfo(font).pixelSize(), 9) << caption.toStdString() << " shrunk past reading";
        EXPECT_EQ(QFontMetrics(font).elidedText(caption, Qt::ElideRight, room.width()), caption);
        // At twice the pixels the text is laid out with a font of twice the size.
        QFont scaled = font;
        scaled.setPixelSize(QFontInfo(font).pixelSize() * 2);
        EXPECT_LE(QFontMetricsF(scaled).horizontalAdvance(caption) / 2, room.width()) << caption.toStdString();
    }
}

}  // namespace
}  // namespace brevant
