// The task pane (folding by call and by click, hiding with the pane) and the
// look switch changing the palette.
#include "ui/look/TaskPane.h"
#include "ui/look/VisualManager.h"
#include "ui/res/ResourceRegistry.h"

#include <QApplication>
#include <QLayout>
#include <QStyle>
#include <QStyleFactory>
#include <QTest>

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace brevant {
namespace {

using VM = VisualManager;
constexpr int kHeights[] = {120, 60, 90};

class Pane : public ::testing::Test {
protected:
    void SetUp() override
    {
        pane.SetCaption(QStringLiteral("Channel 1"));
        pane.SetIconList(res::kPaneIcons, 16);
        for (const char* caption : {"Level", "Filter", "Dynamics"}) {
            const int group = pane.AddGroup(caption);
            pane.AddWindow(group, new QWidget, kHeights[group]);
        }
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
    EXPECT_EQ(pane.CaptionRect(2).top(), openTop - kHeights[1]);

    Click(1);
    EXPECT_EQ(pane.CaptionRect(2).top(), openTop);
    Click(0);
    EXPECT_FALSE(pane.GroupWindow(0)->isVisible());
    EXPECT_EQ(changes, (std::vector<std::pair<int, bool>>{{1, false}, {1, true}, {0, false}}));

    // A group added folded stays hidden; hiding the pane hides all.
    pane.AddWindow(pane.AddGroup(QStringLiteral("Send"), false), new QWidget, 40);
    Settle();
    EXPECT_FALSE(pane.GroupWindow(3)->isVisible());
    pane.hide();
    EXPECT_FALSE(pane.GroupWindow(2)->isVisible());
}

TEST_F(Pane, SetDefaultSwitchesTheApplicationPaletteAndThePaneFollows)
{
    const QString style = QApplication::style()->name();
    const QPalette original = QApplication::palette();
    const auto window = [] { return QApplication::palette().color(QPalette::Window); };
    const auto current = [] { return std::pair(VM::CurrentLook(), VM::CurrentShade()); };
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
    EXPECT_EQ(current(), std::pair(VM::Look::Modern2007, VM::Shade::Light));
    EXPECT_EQ(window(), VM::PaletteFor(VM::Look::Modern2007, VM::Shade::Light).color(QPalette::Window));

    // The other widget tests expect the look they started with.
    QApplication::setStyle(QStyleFactory::create(style));
    QApplication::setPalette(original);
}

}  // namespace
}  // namespace brevant
