// The skinned channel windows (theme, panes, painting), the
// task pane's folding and the look switch changing the palette.
#include "tests/ui/PanelFixture.h"
#include "tests/ui/UiTestHelpers.h"
#include "ui/controls/FormZoom.h"
#include "ui/look/TaskPane.h"
#include "ui/look/VisualManager.h"
#include "ui/panels/ChannelPane.h"
#include "ui/panels/GainStrip.h"
#include "ui/panels/InputLevelPanel.h"
#include "ui/panels/OutputLevelPanel.h"
#include "ui/res/ResourceRegistry.h"
#include "ui/skin/InputChannelWindow.h"
#include "ui/skin/OutputChannelWindow.h"
#include "ui/skin/SkinTheme.h"

#include <QApplication>
#include <QLayout>
#include <QStyle>
#include <QStyleFactory>
#include <QTest>

#include <gtest/gtest.h>

#include <array>
#include <utility>
#include <vector>

namespace brevant::test {
namespace {

// The two pixels of a 2 x 1 image in 32-bit ARGB, or 16-bit 5-6-5.
QImage Row(QRgb left, QRgb right)
{
    QImage image(2, 1, QImage::Format_ARGB32);
    image.setPixel(0, 0, left);
    image.setPixel(1, 0, right);
    return image;
}
QImage Row16(quint16 left, quint16 right)
{
    QImage image(2, 1, QImage::Format_RGB16);
    reinterpret_cast<quint16*>(image.scanLine(0))[0] = left;
    reinterpret_cast<quint16*>(image.scanLine(0))[1] = right;
    return image;
}
constexpr quint16 Pack(int r5, int g6, int b5)
{
    return static_cast<quint16>((r5 << 11) | (g6 << 5) | b5);
}

TEST(ChannelWindowTheme, RecolourExchangesRedOrGreenWithBlueIn32And16BitPixels)
{
    const QImage image = Row(qRgba(10, 20, 30, 200), qRgba(255, 0, 0, 255));
    EXPECT_EQ(SkinTheme::Recolour(image, 'r'), Row(qRgba(30, 20, 10, 200), qRgba(0, 0, 255, 255)));
    EXPECT_EQ(SkinTheme::Recolour(image, 'g'), Row(qRgba(10, 30, 20, 200), qRgba(255, 0, 0, 255)));
    EXPECT_EQ(image, Row(qRgba(10, 20, 30, 200), qRgba(255, 0, 0, 255))) << "the original stays as it was";

    const QImage narrow = Row16(Pack(3, 40, 17), Pack(0, 0, 31));
    EXPECT_EQ(SkinTheme::Recolour(narrow, 'r'), Row16(Pack(17, 40, 3), Pack(31, 0, 0)));
    EXPECT_EQ(SkinTheme::Recolour(narrow, 'g'), Row16(Pack(3, 34, 20), Pack(0, 63, 0)))
        << "blue widened into green, green halved";
}

// The windows on a host, as the main view holds them.
class ChannelWindowTest : public PanelFixture {
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

TEST_F(ChannelWindowTest, PaintsTheTitleStripInItsThemeWithTheCaptionAndShowsEitherPane)
{
    const QRect strip(20, 2, 80, 12);  // between the buttons, below the outline
    const auto dark = [](QRgb c) { return qRed(c) < 60 && qGreen(c) < 60 && qBlue(c) < 60; };
    for (ChannelWindow* window : std::array<ChannelWindow*, 2>{&input, &output}) {
        SCOPED_TRACE(window->ThemeCode());
        // Which of the window, its first and its second pane are visible.
        const auto shown = [window] {
            return std::array{window->isVisible(), window->FirstPane()->isVisible(),
                              window->SecondPane()->isVisible()};
        };
        window->ShowChannel();
        Deliver();
        EXPECT_EQ(shown(), (std::array{true, true, false}));
        const QImage image = Grab(*window);
        const QRgb title = image.pixel(60, 8);
        EXPECT_GT(window == &input ? qRed(title) : qGreen(title), qBlue(title) + 40)
            << "the blue skin themed";
        EXPECT_EQ(Find(image, strip, dark).count, 0);
        window->SetChannelName(QStringLiteral("CH 1"));
        EXPECT_GT(Find(Grab(*window), strip, dark).count, 10) << "the caption is drawn";

        window->ShowPane(ModelFamily::K217K218);
        EXPECT_EQ(shown(), (std::array{true, false, true}));
        window->ShowPane(ModelFamily::Unknown);
        EXPECT_EQ(shown(), (std::array{true, false, true})) << "an unknown family keeps the pane";
        window->ShowPane(ModelFamily::K225);
        EXPECT_EQ(shown(), (std::array{true, true, false}));
        window->HideChannel();
        EXPECT_FALSE(window->isVisible());
    }
}

// A zoom lays the windows out again at its scale, down to the controls the
// panels place themselves, scales each font once from its size at 100 %,
// and returns to the same pixels.
TEST_F(ChannelWindowTest, AZoomLaysTheWindowsOutAtItsScaleAndReturnsExactly)
{
    zoom::Place(input, 0, 0, 120, 500);
    zoom::Place(output, 120, 0, 120, 500);
    Deliver();
    GainStrip& strip = output.FirstPane()->OutputLevel()->Strip();
    QLineEdit& delay = output.FirstPane()->OutputLevel()->DelayEdit();
    // Where a control is in its channel window, and its font's size.
    const auto place = [&](QWidget& control) {
        return QRect(control.mapTo(&output, QPoint(0, 0)), control.size());
    };
    const QRect fader = place(strip.Fader());
    const QRect box = place(delay);
    const int paneFont = output.FirstPane()->font().pixelSize();
    const int readoutFont = strip.Readout().font().pixelSize();

    zoom::Set(host, 1.5);
    Deliver();
    EXPECT_EQ(output.geometry(), QRect(180, 0, 180, 750));
    const auto near = [](QRect shown, QRect base) {
        const QRect want(qRound(base.x() * 1.5), qRound(base.y() * 1.5), qRound(base.width() * 1.5),
                         qRound(base.height() * 1.5));
        return std::abs(shown.x() - want.x()) <= 1 && std::abs(shown.y() - want.y()) <= 1 &&
               std::abs(shown.width() - want.width()) <= 2 && std::abs(shown.height() - want.height()) <= 2;
    };
    EXPECT_TRUE(near(place(strip.Fader()), fader)) << "the fader follows its panel's own layout";
    EXPECT_TRUE(near(place(delay), box));
    EXPECT_EQ(output.FirstPane()->font().pixelSize(), 17) << "11 at 100 %";
    EXPECT_EQ(strip.Readout().font().pixelSize(), 15)
        << "10 at 100 %, a font set inside a zoomed one scaled once";
    EXPECT_EQ(zoom::ToBase(strip.Fader(), QPointF(30, 60)), QPointF(20, 40));

    zoom::Set(host, 1.0);
    Deliver();
    EXPECT_EQ(output.geometry(), QRect(120, 0, 120, 500));
    EXPECT_EQ(place(strip.Fader()), fader);
    EXPECT_EQ(place(delay), box);
    EXPECT_EQ(output.FirstPane()->font().pixelSize(), paneFont);
    EXPECT_EQ(strip.Readout().font().pixelSize(), readoutFont);
}

using VM = VisualManager;

class Pane : public ::testing::Test {
protected:
    void SetUp() override
    {
        pane.SetCaption(QStringLiteral("Channel 1"));
        pane.SetIconList(res::kPaneIcons, 16);
        for (const int height : {120, 60, 90})
            pane.AddWindow(pane.AddGroup(QString::number(height)), new QWidget, height);
        pane.resize(220, 500);
        Settle();
    }
    void Settle()
    {
        pane.show();
        QCoreApplication::processEvents();
        pane.layout()->activate();
    }
    void Click(int group)
    {
        const QPoint at = pane.CaptionRect(group).center();
        QWidget* bar = pane.childAt(at);
        ASSERT_NE(bar, nullptr);
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->mapFrom(&pane, at));
        pane.layout()->activate();
    }

    TaskPane pane;
};

TEST_F(Pane, FoldingHidesTheWindowAndMovesTheGroupsBelowUpAndACaptionClickToggles)
{
    std::vector<std::pair<int, bool>> changes;
    QObject::connect(&pane, &TaskPane::groupExpandedChanged,
                     [&changes](int g, bool open) { changes.emplace_back(g, open); });
    const int openTop = pane.CaptionRect(2).top();
    pane.SetGroupExpanded(1, false);
    pane.layout()->activate();
    EXPECT_FALSE(pane.GroupWindow(1)->isVisible());
    EXPECT_EQ(pane.CaptionRect(2).top(), openTop - 60) << "the folded window's height";
    Click(1);
    EXPECT_EQ(pane.CaptionRect(2).top(), openTop);
    Click(0);
    EXPECT_FALSE(pane.GroupWindow(0)->isVisible());
    EXPECT_EQ(changes, (std::vector<std::pair<int, bool>>{{1, false}, {1, true}, {0, false}}));

    // A group added folded stays hidden.
    pane.AddWindow(pane.AddGroup(QStringLiteral("Send"), false), new QWidget, 40);
    Settle();
    EXPECT_FALSE(pane.GroupWindow(3)->isVisible());
}

TEST_F(Pane, SetDefaultSwitchesTheApplicationPaletteAndThePaneFollows)
{
    const QString style = QApplication::style()->name();
    const QPalette original = QApplication::palette();
    const auto window = [] { return QApplication::palette().color(QPalette::Window); };
    const auto barPixel = [this] {  // once Qt has told the pane of the new palette
        QCoreApplication::processEvents();
        return pane.grab().toImage().pixelColor(pane.CaptionRect(0).topRight() + QPoint(-40, 3));
    };

    VM::SetDefault(VM::Look::Classic2003);
    EXPECT_EQ(QApplication::style()->name().toLower(), QStringLiteral("fusion"));
    const QColor classic = window();
    const QColor classicBar = barPixel();
    VM::SetDefault(VM::Look::Classic2003, VM::Shade::Dark);
    EXPECT_LT(window().lightness() + 80, classic.lightness());
    EXPECT_LT(barPixel().lightness() + 80, classicBar.lightness()) << "caption bars follow the palette";
    VM::SetByNumber(VM::kModern2007LightCommand);
    EXPECT_EQ(std::pair(VM::CurrentLook(), VM::CurrentShade()),
              std::pair(VM::Look::Modern2007, VM::Shade::Light));
    EXPECT_GT(window().lightness(), classic.lightness() - 40) << "light again";

    // The other widget tests expect the look they started with.
    QApplication::setStyle(QStyleFactory::create(style));
    QApplication::setPalette(original);
}

}  // namespace
}  // namespace brevant::test
