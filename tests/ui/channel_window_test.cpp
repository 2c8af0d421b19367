// The skinned channel windows: the theme recolouring, how the title buttons
// draw their states, showing the window and its panes, and what it paints.
#include "tests/ui/PanelFixture.h"
#include "tests/ui/UiTestHelpers.h"
#include "ui/panels/ChannelPane.h"
#include "ui/skin/InputChannelWindow.h"
#include "ui/skin/OutputChannelWindow.h"
#include "ui/skin/SkinButton.h"
#include "ui/skin/SkinTheme.h"

#include <QEnterEvent>
#include <QFontInfo>
#include <QFontMetricsF>

#include <gtest/gtest.h>

#include <array>
#include <vector>

namespace brevant {
namespace {

using test::Deliver;
using test::Grab;

TEST(ChannelWindowTheme, RecolourExchangesRedOrGreenWithBlueIn32BitPixels)
{
    QImage image(2, 1, QImage::Format_ARGB32);
    image.setPixel(0, 0, qRgba(10, 20, 30, 200));
    image.setPixel(1, 0, qRgba(255, 0, 0, 255));

    const QImage inputs = SkinTheme::Recolour(image, 'r');
    EXPECT_EQ(inputs.pixel(0, 0), qRgba(30, 20, 10, 200));
    EXPECT_EQ(inputs.pixel(1, 0), qRgba(0, 0, 255, 255));
    const QImage outputs = SkinTheme::Recolour(image, 'g');
    EXPECT_EQ(outputs.pixel(0, 0), qRgba(10, 30, 20, 200));
    EXPECT_EQ(outputs.pixel(1, 0), qRgba(255, 0, 0, 255));
    EXPECT_EQ(image.pixel(0, 0), qRgba(10, 20, 30, 200)) << "the original stays as it was";
}

TEST(ChannelWindowTheme, RecolourWorksOnThe565FieldsOf16BitPixels)
{
    const auto pack = [](int r5, int g6, int b5) {
        return static_cast<quint16>((r5 << 11) | (g6 << 5) | b5);
    };
    QImage image(2, 1, QImage::Format_RGB16);
    auto* pixels = reinterpret_cast<quint16*>(image.scanLine(0));
    pixels[0] = pack(3, 40, 17);
    pixels[1] = pack(0, 0, 31);  // full blue

    const QImage inputs = SkinTheme::Recolour(image, 'r');
    ASSERT_EQ(inputs.format(), QImage::Format_RGB16);
    const auto* in = reinterpret_cast<const quint16*>(inputs.constScanLine(0));
    EXPECT_EQ(in[0], pack(17, 40, 3));
    EXPECT_EQ(in[1], pack(31, 0, 0));

    const QImage outputs = SkinTheme::Recolour(image, 'g');
    const auto* out = reinterpret_cast<const quint16*>(outputs.constScanLine(0));
    EXPECT_EQ(out[0], pack(3, 17 * 63 / 31, 40 / 2)) << "blue widened into green, green halved";
    EXPECT_EQ(out[1], pack(0, 63, 0));
}

TEST(SkinButton, DrawsNormalOverDownAndGreyedDifferently)
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
    QEnterEvent enter(QPointF(4, 4), QPointF(4, 4), QPointF(4, 4));
    QCoreApplication::sendEvent(&button, &enter);
    looks.push_back(Grab(button));
    button.setDown(true);
    looks.push_back(Grab(button));
    button.setDown(false);
    button.setEnabled(false);
    looks.push_back(Grab(button));
    for (std::size_t a = 0; a < looks.size(); ++a) {
        for (std::size_t b = a + 1; b < looks.size(); ++b)
            EXPECT_NE(looks[a], looks[b]) << "states " << a << " and " << b << " look alike";
    }
}

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

TEST_F(ChannelWindowTest, ShowsAndHidesItselfAndEitherOfItsTwoPanes)
{
    for (ChannelWindow* window :
         {static_cast<ChannelWindow*>(&input), static_cast<ChannelWindow*>(&output)}) {
        SCOPED_TRACE(window->ThemeCode());
        ChannelPane* first = window->FirstPane();
        ChannelPane* second = window->SecondPane();

        window->ShowChannel();
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
        EXPECT_FALSE(window->isVisible());
    }
}

TEST_F(ChannelWindowTest, PaintsTheTitleStripInItsThemeWithTheCaption)
{
    const QRect strip(20, 2, 80, 12);  // between the buttons, below the outline
    const auto dark = [](QRgb c) { return qRed(c) < 60 && qGreen(c) < 60 && qBlue(c) < 60; };
    for (ChannelWindow* window :
         {static_cast<ChannelWindow*>(&input), static_cast<ChannelWindow*>(&output)}) {
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
        EXPECT_GT(test::Find(image, strip, dark).count, 10) << "the caption is drawn";
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
        const QFont font = pane.CaptionFont(group);
        // At twice the pixels the text is laid out with a font of twice the size.
        EXPECT_GT(room.width(), 0) << caption.toStdString();
        QFont scaled = font;
        scaled.setPixelSize(QFontInfo(font).pixelSize() * 2);
        EXPECT_LE(QFontMetricsF(scaled).horizontalAdvance(caption) / 2, room.width())
            << caption.toStdString();
    }
}

}  // namespace
}  // namespace brevant
