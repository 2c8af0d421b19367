// The panels as a user drives them: what goes on the wire, what the mirror
// holds and what the other channels show, with and without group mode.
#include "tests/ui/PaneRig.h"
#include "ui/controls/ImageCheckButton.h"
#include "ui/controls/SkinnedTrackbar.h"
#include "ui/panels/DynamicsPanel.h"
#include "ui/panels/InputFilterPanel.h"
#include "ui/panels/InputLevelPanel.h"
#include "ui/panels/LevelPopupDialog.h"
#include "ui/panels/OutputFilterPanel.h"
#include "ui/panels/OutputLevelPanel.h"

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QWheelEvent>

namespace brevant::test {
namespace {

using Lines = std::vector<std::string>;

class PanelsTest : public PaneRig {};

TEST_F(PanelsTest, AFaderReleaseSendsOneGainOnItsOwnScale)
{
    InputLevelPanel& input = *In(1).InputLevel();
    emit input.Strip().Fader().sliderMoved(40);  // moving: label only
    EXPECT_EQ(input.Strip().Label().text(), "7db");
    EXPECT_EQ(Sent(), Lines{});
    input.Strip().Fader().setValue(48);
    emit input.Strip().Fader().changeFinished(48);
    EXPECT_EQ(Sent(), Lines{"MG2-1\r\n"});
    EXPECT_EQ(input.Strip().Label().text(), "-1db");

    OutputLevelPanel& output = *Out(3).OutputLevel();
    emit output.Strip().Fader().changeFinished(0);
    EXPECT_EQ(Sent(), Lines{"OV420\r\n"});
    EXPECT_EQ(output.Strip().Label().text(), "20db");

    // A real drag on the widget ends in one send.
    BitmapFader& fader = output.Strip().Fader();
    output.show();
    const QPoint knob(fader.width() / 2, fader.ThumbCentre());
    QTest::mousePress(&fader, Qt::LeftButton, {}, knob);
    QTest::mouseMove(&fader, knob + QPoint(0, 30));
    QTest::mouseRelease(&fader, Qt::LeftButton, {}, knob + QPoint(0, 30));
    Deliver();
    const Lines sent = Sent();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0], "OV4" + std::to_string(20 - fader.value()) + "\r\n");
}

TEST_F(PanelsTest, GroupModeMovesEveryLiveFaderAndSendsChannelsInOrder)
{
    context.Model().SetGroup(true);
    InputLevelPanel& third = *In(2).InputLevel();
    third.Strip().Fader().setValue(35);
    emit third.Strip().Fader().changeFinished(35);
    EXPECT_EQ(Sent(), (Lines{"MG112\r\n", "MG212\r\n", "MG312\r\n", "MG412\r\n"}));
    EXPECT_EQ(In(0).InputLevel()->Strip().Fader().value(), 35);
    EXPECT_EQ(In(3).InputLevel()->Strip().Label().text(), "12db");
    EXPECT_EQ(In(1, 2).InputLevel()->Strip().Fader().value(), 48) << "the second pane is not live";

    // Family 2: gains still reach all four, Mute skips channel 1, which has
    // no Mute on the second pane.
    p.DeviceFamily = 2;
    context.Model().StartConnection(2);  // the second panes are the live ones now
    context.Model().Flush();
    InputLevelPanel& second = *In(1, 2).InputLevel();
    second.Mute().click();
    EXPECT_EQ(Sent(), (Lines{"MM21\r\n", "MM31\r\n", "MM41\r\n"}));
    EXPECT_TRUE(In(3, 2).InputLevel()->Mute().isChecked());
    EXPECT_FALSE(In(0, 2).InputLevel()->Mute().isVisibleTo(In(0, 2).InputLevel()));

    OutputLevelPanel& out = *Out(2, 2).OutputLevel();
    emit out.Strip().Fader().changeFinished(20);
    EXPECT_EQ(Sent(), (Lines{"OV10\r\n", "OV20\r\n", "OV30\r\n", "OV40\r\n"}));
    out.Mute().click();
    EXPECT_EQ(Sent(), (Lines{"OM21\r\n", "OM31\r\n", "OM41\r\n"}));

    // Without group mode a switch is the channel's own.
    context.Model().SetGroup(false);
    In(3, 2).Dynamics()->Agc().click();
    EXPECT_EQ(Sent(), Lines{"MA41\r\n"});
    EXPECT_FALSE(In(2, 2).Dynamics()->Agc().isChecked());
}

TEST_F(PanelsTest, WithoutADeviceEveryControlSaysCannotConnectAndStoresNothing)
{
    state.flags.Connected = false;
    p.MG[1] = 5;
    InputLevelPanel& input = *In(0).InputLevel();
    emit input.Strip().Fader().sliderMoved(10);
    emit input.Strip().Fader().changeFinished(10);
    EXPECT_EQ(input.Strip().Label().text(), "37db");  // the label keeps what the user did
    input.Mute().click();
    In(0).Dynamics()->Nr().click();
    In(0).InputFilter()->Highpass().click();
    Out(0).OutputLevel()->DelayEdit().setText("5");
    Out(0).OutputLevel()->OnSetDelay();
    EXPECT_EQ(told, QStringList(5, "Cannot connect"));
    EXPECT_EQ(Sent(), Lines{});
    EXPECT_EQ(p.MG[1], 5) << "nothing stored";
    EXPECT_TRUE(input.Mute().isChecked());

    // The EQ and FBK indicators need no device and send nothing.
    told.clear();
    context.Model().SetGroup(true);
    In(2).InputFilter()->Eq().click();
    Out(1).OutputFilter()->Fbk().click();
    EXPECT_TRUE(told.isEmpty());
    EXPECT_TRUE(In(0).InputFilter()->Eq().isChecked() && Out(3).OutputFilter()->Fbk().isChecked())
        << "in group mode";
}

TEST_F(PanelsTest, NoiseReductionSwitchesKeepTheStoredDepth)
{
    DynamicsPanel& dynamics = *In(1).Dynamics();
    p.MR[2] = 9;
    p.MRon[2] = 1;
    dynamics.Nr().setChecked(true);

    dynamics.Nr().click();  // off
    EXPECT_EQ(Sent(), Lines{"MR20\r\n"});

    // The slider moved while off only remembers the depth.
    dynamics.NrSlider().setValue(4);
    dynamics.OnNrDepthChosen(4);
    EXPECT_EQ(Sent(), Lines{});
    EXPECT_EQ(p.MR[2], 4);

    dynamics.NrSlider().setValue(0);
    dynamics.Nr().click();  // on again, with the depth last stored
    EXPECT_EQ(Sent(), Lines{"MR24\r\n"});
    EXPECT_EQ(dynamics.NrSlider().value(), 4);

    dynamics.OnNrDepthChosen(7);
    EXPECT_EQ(Sent(), Lines{"MR27\r\n"});
}

TEST_F(PanelsTest, NoiseReductionTickedAtDepthZeroGoesOnAtTheSmallestDepth)
{
    DynamicsPanel& dynamics = *In(1).Dynamics();
    dynamics.Nr().click();
    EXPECT_EQ(Sent(), Lines{"MR21\r\n"});
    EXPECT_EQ(dynamics.NrSlider().value(), 1);

    // What the device reads back after a reconnect keeps the box ticked.
    context.Model().StartConnection(1);
    context.Model().TakeReadBack(p, 1);
    context.Model().Flush();
    EXPECT_TRUE(dynamics.Nr().isChecked());
    EXPECT_EQ(dynamics.NrSlider().value(), 1);
}

TEST_F(PanelsTest, DeviceWideSettingsShowOnEveryInputAndSendOnce)
{
    dynamic_cast<QWidget*>(In(0).Dynamics())->show();
    In(2).Dynamics()->AutoMix().click();
    EXPECT_EQ(Sent(), Lines{"MBs1\r\n"});
    In(0).Dynamics()->Filter().setCurrentIndex(3);
    In(0).Dynamics()->OnFilterChosen(3);
    EXPECT_EQ(Sent(), Lines{"SNs3\r\n"});
    EXPECT_TRUE(In(3).Dynamics()->AutoMix().isChecked());
    EXPECT_EQ(In(1).Dynamics()->Filter().currentText(), "Filter 3");
    EXPECT_FALSE(In(0).Dynamics()->Aec().isVisibleTo(In(0).Dynamics()));
    EXPECT_TRUE(In(1, 2).Dynamics()->Aec().isVisibleTo(In(1, 2).Dynamics()));

    // Priority names one channel; unchecking sends 0.
    In(2).InputLevel()->Priority().click();
    In(1).InputLevel()->Priority().click();
    In(1).InputLevel()->Priority().click();
    EXPECT_EQ(Sent(), (Lines{"MPs3\r\n", "MPs2\r\n", "MPs0\r\n"}));
}

TEST_F(PanelsTest, OutputBoxesSendOnSetOrReturnClampAndClearTheOtherValue)
{
    OutputLevelPanel& out = *Out(3).OutputLevel();
    out.DelayEdit().setText("250");
    out.LowpassEdit().setText("5000");
    p.OF[4] = 5000;
    out.Control<QPushButton>(OutputLevelPanel::kSetDelayId)->click();
    EXPECT_EQ(Sent(), Lines{"OD4200\r\n"});
    EXPECT_EQ(out.DelayEdit().text(), "200");
    EXPECT_EQ(out.LowpassEdit().text(), "0");
    EXPECT_EQ(p.OF[4], 0);

    const struct {
        int setId;
        const char* typed;
        const char* sent;
    } limits[] = {
        {OutputLevelPanel::kSetLowpassId, "299", "OF40\r\n"},
        {OutputLevelPanel::kSetLowpassId, "300", "OF4300\r\n"},
        {OutputLevelPanel::kSetLowpassId, "25000", "OF420000\r\n"},
        {OutputLevelPanel::kSetHighpassId, "29", "OH40\r\n"},
        {OutputLevelPanel::kSetHighpassId, "601", "OH4600\r\n"},
    };
    for (const auto& limit : limits) {
        p.OD[4] = 7;
        QLineEdit& box =
            limit.setId == OutputLevelPanel::kSetLowpassId ? out.LowpassEdit() : out.HighpassEdit();
        box.setText(limit.typed);
        out.Control<QPushButton>(limit.setId)->click();
        EXPECT_EQ(Sent(), Lines{limit.sent}) << limit.typed;
        EXPECT_EQ(p.OD[4], 0) << "a limit drops the delay without sending OD";
        EXPECT_EQ(out.DelayEdit().text(), "0");
    }

    // Typing: letters never get in, Return sends as Set does.
    out.DelayEdit().clear();
    QTest::keyClicks(&out.DelayEdit(), "7x5");
    EXPECT_EQ(out.DelayEdit().text(), "75");
    QTest::keyClick(&out.DelayEdit(), Qt::Key_Return);
    EXPECT_EQ(Sent(), Lines{"OD475\r\n"});

    // A box left empty keeps the last value, and the user hears why.
    out.HighpassEdit().clear();
    QTest::keyClicks(&out.HighpassEdit(), "abc");
    QTest::keyClick(&out.HighpassEdit(), Qt::Key_Return);
    EXPECT_EQ(Sent(), Lines{"OH4600\r\n"});
    EXPECT_EQ(told, QStringList{"Please enter an integer."});

    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);  // Enter stays in the panel
    QCoreApplication::sendEvent(&out, &enter);
    EXPECT_TRUE(enter.isAccepted());
}

TEST_F(PanelsTest, WheelAndKeysOnAFaderAndTheDepthSliderSendAsAReleaseDoes)
{
    const auto wheel = [](QWidget& widget, int delta) {
        const QPointF centre(widget.width() / 2.0, widget.height() / 2.0);
        QWheelEvent event(centre, widget.mapToGlobal(centre), QPoint(), QPoint(0, delta), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(&widget, &event);
    };
    InputLevelPanel& input = *In(2).InputLevel();
    BitmapFader& fader = input.Strip().Fader();
    fader.setValue(40);  // 7 dB
    wheel(fader, 120);   // a notch away from the user: one step up the scale
    EXPECT_EQ(Sent(), Lines{"MG38\r\n"});
    EXPECT_EQ(input.Strip().Label().text(), "8db");
    QTest::keyClick(&fader, Qt::Key_Down);
    EXPECT_EQ(Sent(), Lines{"MG37\r\n"});
    EXPECT_EQ(p.MG[3], 7);

    // The NR depth slider of a channel whose NR is on at depth 5.
    p.MRon[2] = 1;
    p.MR[2] = 5;
    context.Model().TakeSettings(p, {}, {});
    context.Model().Flush();
    DynamicsPanel& dynamics = *In(1).Dynamics();
    SkinnedTrackbar& depth = dynamics.NrSlider();
    ASSERT_EQ(depth.value(), 5);
    wheel(depth, -120);
    EXPECT_EQ(Sent(), Lines{"MR26\r\n"});
    QTest::keyClick(&depth, Qt::Key_Right);
    EXPECT_EQ(Sent(), Lines{"MR27\r\n"});
    EXPECT_TRUE(told.isEmpty());
}

TEST_F(PanelsTest, AnUnconfirmedChangeReturnsToTheDevicesValueAndIsNamed)
{
    // The device takes no set of OV and holds -4 dB.
    port.SetResponder(kPort, [](std::string_view line) {
        return line == "OV3r\r\n" ? std::vector<Piece>{{std::chrono::milliseconds(1), "OV3-4\r\n"}}
                                  : std::vector<Piece>{};
    });
    context.Model().StartConnection(1);
    OutputLevelPanel& output = *Out(2).OutputLevel();
    output.Strip().Fader().setValue(10);
    emit output.Strip().Fader().changeFinished(10);
    Sent();
    context.Model().Flush();
    EXPECT_EQ(output.Strip().Fader().value(), 24) << "back at the device's -4 dB";
    EXPECT_EQ(output.Strip().Label().text(), "-4db");
    EXPECT_EQ(context.Model().Notice(), "Output 3 gain: the device did not confirm 10");

    // No answer to the query either: the box claims nothing.
    NeverAnswer();
    output.DelayEdit().setText("20");
    output.OnSetDelay();
    Sent();
    context.Model().Flush();
    EXPECT_EQ(output.DelayEdit().text(), "");
    EXPECT_TRUE(context.Model().Unknown(Op::OD, {3}));
    EXPECT_TRUE(told.isEmpty());
}

TEST_F(PanelsTest, ThePopupStripOpensOnTheModelFollowsItAndSendsForItsChannelOnly)
{
    p.OV[3] = -4;
    p.OM[3] = 1;
    context.Model().TakeReadBack(p, 1);
    LevelPopupDialog popup(context, Direction::Output, 2);
    EXPECT_EQ(popup.windowTitle(), "Output3");
    EXPECT_EQ(popup.Strip().Label().text(), "-4db");
    EXPECT_EQ(popup.Strip().Fader().value(), 24);
    EXPECT_TRUE(popup.Mute().isChecked());
    context.Model().SetGroup(true);  // no group behaviour here
    popup.Strip().Fader().setValue(30);
    emit popup.Strip().Fader().changeFinished(30);
    popup.Mute().click();
    EXPECT_EQ(Sent(), (Lines{"OV3-10\r\n", "OM30\r\n"}));

    p.OV[3] = 6;
    context.Model().StartConnection(1);
    context.Model().TakePollPass(p);
    context.Model().Flush();
    EXPECT_EQ(popup.GainDb(), 6);
    EXPECT_EQ(popup.Strip().Fader().value(), 30) << "a polling pass leaves the fader alone";

    LevelPopupDialog input(context, Direction::Input, 0);
    EXPECT_EQ(input.windowTitle(), "Input1");
    EXPECT_EQ(input.Strip().Fader().maximum(), 47);
}

}  // namespace
}  // namespace brevant::test
