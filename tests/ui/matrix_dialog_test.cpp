// The matrix dialog on a scripted device: the lines a switch click and a knob
// drag, key or wheel step put on the wire, the one message after a command
// the device never takes, the refusal without a device, the popups of the
// heading buttons, and how the rows follow the read-back and unknown values.
#include "tests/ui/PanelFixture.h"
#include "ui/controls/ImageCheckButton.h"
#include "ui/controls/RoundKnob.h"
#include "ui/panels/MatrixDialog.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <utility>

namespace brevant {
namespace {

using Lines = std::vector<std::string>;

class MatrixDialogTest : public test::PanelFixture {
protected:
    // What a connection's read-back brings the dialog.
    void ReadBack()
    {
        context.Model().StartConnection(1);
        context.Model().TakeReadBack(p, 1);
        context.Model().Flush();
    }
    void Wheel(QWidget& widget, int delta)
    {
        const QPointF centre(widget.width() / 2.0, widget.height() / 2.0);
        QWheelEvent event(centre, widget.mapToGlobal(centre), QPoint(), QPoint(0, delta), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(&widget, &event);
    }

    MatrixDialog dialog{context};
};

TEST_F(MatrixDialogTest, CrosspointClickSendsMxForItsRowAndColumn)
{
    QTest::mouseClick(dialog.Crosspoint(3, 2), Qt::LeftButton);
    EXPECT_EQ(Sent(), Lines{"MX321\r\n"});
    EXPECT_EQ(p.MX[3][2], 1);

    QTest::mouseClick(dialog.Crosspoint(3, 2), Qt::LeftButton);
    EXPECT_EQ(Sent(), Lines{"MX320\r\n"});
    EXPECT_EQ(p.MX[3][2], 0);
    EXPECT_TRUE(told.isEmpty());
}

TEST_F(MatrixDialogTest, KnobSendsOneXgWhenTheDragKeyOrWheelStepEnds)
{
    ReadBack();
    // Knob 1058 is input 2, output 3: dragged down from 0 to -6, a step a move.
    RoundKnob& knob = *dialog.Knob(2, 3);
    const QPoint grip = knob.KnobCentre() - QPoint(0, 12);
    const QPoint step(0, RoundKnob::kDragPixelsPerStep);
    QTest::mousePress(&knob, Qt::LeftButton, {}, grip);
    for (int move = 1; move <= 6; ++move)
        QTest::mouseMove(&knob, grip + move * step);
    EXPECT_EQ(Sent(), Lines{}) << "nothing while the knob moves";
    EXPECT_EQ(dialog.GainBox(2, 3)->text(), "-6");

    QTest::mouseRelease(&knob, Qt::LeftButton, {}, grip + 6 * step);
    EXPECT_EQ(Sent(), Lines{"XG23-6\r\n"});

    // A key: the step shows at once, the release sends it.
    RoundKnob& last = *dialog.Knob(4, 4);
    QTest::keyPress(&last, Qt::Key_Left);
    EXPECT_EQ(Sent(), Lines{});
    EXPECT_EQ(dialog.GainBox(4, 4)->text(), "-1");
    QTest::keyRelease(&last, Qt::Key_Left);
    EXPECT_EQ(Sent(), Lines{"XG44-1\r\n"});

    // A wheel step is a whole turn: it sends at once, so a preset saved
    // afterwards holds what the knob shows. Up raises, down lowers, and
    // past the top there is nothing to send.
    Wheel(*dialog.Knob(1, 2), -120);
    EXPECT_EQ(Sent(), Lines{"XG12-1\r\n"});
    EXPECT_EQ(dialog.GainBox(1, 2)->text(), "-1");
    Wheel(*dialog.Knob(1, 2), 120);
    Wheel(*dialog.Knob(1, 2), 120);
    EXPECT_EQ(Sent(), Lines{"XG120\r\n"});
    EXPECT_TRUE(told.isEmpty());
}

TEST_F(MatrixDialogTest, CommandTheDeviceNeverTakesIsReportedOnceAndShownAsUnknown)
{
    NeverAnswer();
    QTest::mouseClick(dialog.Crosspoint(1, 4), Qt::LeftButton);
    // Eight tries, then the setting is asked for (no answer either).
    Lines tried(8, "MX141\r\n");
    tried.push_back("MX14r\r\n");
    EXPECT_EQ(Sent(), tried);
    EXPECT_EQ(told, QStringList{"Set matrix error"});
    // Neither the set nor the query was answered: the switch claims nothing.
    EXPECT_FALSE(dialog.Crosspoint(1, 4)->isEnabled());
    EXPECT_FALSE(dialog.Crosspoint(1, 4)->isChecked());

    told.clear();
    dialog.OnKnobFinished(MatrixDialog::Cell(4, 1), -20);
    tried.assign(8, "XG41-20\r\n");
    tried.push_back("XG41r\r\n");
    EXPECT_EQ(Sent(), tried);
    EXPECT_EQ(told, QStringList{"Set matrix error"});
    EXPECT_FALSE(dialog.Knob(4, 1)->isEnabled());
}

TEST_F(MatrixDialogTest, WithoutDeviceEveryActionIsRefusedAndNothingStored)
{
    state.flags.Connected = false;
    QTest::mouseClick(dialog.Crosspoint(2, 2), Qt::LeftButton);
    EXPECT_TRUE(dialog.Crosspoint(2, 2)->isChecked()) << "the switch keeps what the user gave it";

    const int cell = MatrixDialog::Cell(2, 3);
    dialog.OnKnobMoved(cell, -9);
    dialog.OnKnobMoved(cell, -9);
    dialog.OnKnobFinished(cell, -9);

    EXPECT_EQ(told, QStringList(4, "Cannot connect"));
    EXPECT_EQ(Sent(), Lines{});
    EXPECT_EQ(dialog.GainBox(2, 3)->text(), "") << "nothing shown that the device does not hold";
}

TEST_F(MatrixDialogTest, HeadingButtonsOpenThePopupOfTheirChannel)
{
    std::vector<std::pair<Direction, int>> opened;
    dialog.SetPopupOpener(
        [&](Direction direction, int channelIndex) { opened.emplace_back(direction, channelIndex); });
    QTest::mouseClick(dialog.Control<QPushButton>(1007), Qt::LeftButton);
    QTest::mouseClick(dialog.Control<QPushButton>(1014), Qt::LeftButton);
    EXPECT_EQ(opened,
              (std::vector<std::pair<Direction, int>>{{Direction::Input, 2}, {Direction::Output, 1}}));
}

TEST_F(MatrixDialogTest, RowsFollowTheReadBackAndUnknownCrosspointsClaimNothing)
{
    const int routed[] = {1, 0, 1, 0};
    const int gains[] = {-30, -5, 0, -12};
    for (int o = 1; o <= 4; ++o) {
        p.MX[2][o] = routed[o - 1];
        p.XG[2][o] = gains[o - 1];
    }
    ReadBack();
    for (int o = 1; o <= 4; ++o) {
        EXPECT_EQ(dialog.Crosspoint(2, o)->isChecked(), routed[o - 1] == 1) << "output " << o;
        EXPECT_EQ(dialog.Knob(2, o)->value(), gains[o - 1]);
        EXPECT_EQ(dialog.GainBox(2, o)->text(), QString::number(gains[o - 1]));
        EXPECT_EQ(dialog.GainBox(1, o)->text(), "0");
    }
    EXPECT_TRUE(dialog.Knob(2, 1)->isEnabled());

    // Settings the device could not be read for claim nothing.
    context.Model().MarkUnknown({{Op::XG, {2, 4}}, {Op::MX, {2, 1}}});
    context.Model().Flush();
    EXPECT_EQ(dialog.GainBox(2, 4)->text(), "?");
    EXPECT_FALSE(dialog.Knob(2, 4)->isEnabled());
    EXPECT_FALSE(dialog.Crosspoint(2, 1)->isEnabled());
    EXPECT_FALSE(dialog.Crosspoint(2, 1)->isChecked());
    EXPECT_TRUE(dialog.Crosspoint(2, 3)->isEnabled());
}

}  // namespace
}  // namespace brevant
