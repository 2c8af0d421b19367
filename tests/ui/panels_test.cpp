// The panels and the matrix dialog as a user drives them (the wire, group
// mode, unconfirmed changes); then fed by a real connection to the simulator.
#include "tests/ui/PanelFixture.h"
#include "tests/ui/SimPanelFixture.h"
#include "ui/controls/ImageCheckButton.h"
#include "ui/controls/RoundKnob.h"
#include "ui/controls/SkinnedTrackbar.h"
#include "ui/panels/ChannelPane.h"
#include "ui/panels/DynamicsPanel.h"
#include "ui/panels/InputFilterPanel.h"
#include "ui/panels/InputLevelPanel.h"
#include "ui/panels/LevelPopupDialog.h"
#include "ui/panels/MatrixDialog.h"
#include "ui/panels/OutputFilterPanel.h"
#include "ui/panels/OutputLevelPanel.h"
#include "ui/panels/PanelModel.h"

#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <future>
#include <utility>

namespace brevant::test {
namespace {

using Lines = std::vector<std::string>;

class PanelsTest : public PanelFixture, public PaneSet {
protected:
    PanelsTest()
    {
        Build(context);
        context.Model().TakeReadBack(p, ModelFamily::K225);  // the panes show it
        context.Model().Flush();
    }
};

TEST_F(PanelsTest, AFaderSendsOneGainOnItsOwnScaleOnlyWhenReleased)
{
    InputLevelPanel& input = *In(1).InputLevel();
    emit input.Strip().Fader().sliderMoved(40);  // moving: label only
    EXPECT_EQ(input.Strip().Label().text(), "7 dB");
    EXPECT_EQ(Sent(), Lines{});
    emit input.Strip().Fader().changeFinished(48);
    emit Out(3).OutputLevel()->Strip().Fader().changeFinished(0);
    EXPECT_EQ(Sent(), (Lines{"MG2-1\r\n", "OV420\r\n"}));
    EXPECT_EQ(Out(3).OutputLevel()->Strip().Label().text(), "20 dB");
}

TEST_F(PanelsTest, GroupModeMovesEveryLiveFaderAndSendsChannelsInOrder)
{
    context.Model().SetGroup(true);
    InputLevelPanel& third = *In(2).InputLevel();
    third.Strip().Fader().setValue(35);
    emit third.Strip().Fader().changeFinished(35);
    EXPECT_EQ(Sent(), (Lines{"MG112\r\n", "MG212\r\n", "MG312\r\n", "MG412\r\n"}));
    EXPECT_EQ(In(0).InputLevel()->Strip().Fader().value(), 35);
    EXPECT_EQ(In(3).InputLevel()->Strip().Label().text(), "12 dB");
    EXPECT_EQ(In(1, 2).InputLevel()->Strip().Fader().value(), 48) << "the second pane is not live";

    // The EQ and FBK indicators send nothing and follow group mode too.
    In(2).InputFilter()->Eq().click();
    Out(1).OutputFilter()->Fbk().click();
    EXPECT_EQ(Sent(), Lines{});
    EXPECT_TRUE(In(0).InputFilter()->Eq().isChecked() && Out(3).OutputFilter()->Fbk().isChecked());

    // Family 2: Mute skips channel 1, which has no Mute on the second pane.
    p.DeviceFamily = 2;
    ConnectModel(ModelFamily::K217K218);  // the second panes are the live ones now
    InputLevelPanel& second = *In(1, 2).InputLevel();
    second.Mute().click();
    EXPECT_EQ(Sent(), (Lines{"MM21\r\n", "MM31\r\n", "MM41\r\n"}));
    EXPECT_TRUE(In(3, 2).InputLevel()->Mute().isChecked());
    EXPECT_FALSE(In(0, 2).InputLevel()->Mute().isVisibleTo(In(0, 2).InputLevel()));

    // Without group mode a switch is the channel's own.
    context.Model().SetGroup(false);
    In(3, 2).Dynamics()->Agc().click();
    EXPECT_EQ(Sent(), Lines{"MA41\r\n"});
    EXPECT_FALSE(In(2, 2).Dynamics()->Agc().isChecked());
}

TEST_F(PanelsTest, NoiseReductionSwitchesKeepTheStoredDepthAndStartAtOne)
{
    DynamicsPanel& dynamics = *In(1).Dynamics();
    p.MR[2] = 9;
    p.MRon[2] = 1;
    dynamics.Nr().setChecked(true);

    dynamics.Nr().click();  // off
    EXPECT_EQ(Sent(), Lines{"MR20\r\n"});
    dynamics.NrSlider().setValue(4);  // while off: only remembered
    dynamics.OnNrDepthChosen(4);
    EXPECT_EQ(Sent(), Lines{});
    EXPECT_EQ(p.MR[2], 4);

    dynamics.NrSlider().setValue(0);
    dynamics.Nr().click();  // on again, with the depth last stored
    EXPECT_EQ(Sent(), Lines{"MR24\r\n"});
    EXPECT_EQ(dynamics.NrSlider().value(), 4);
    QTest::keyClick(&dynamics.NrSlider(), Qt::Key_Right);  // a key sends as a release does
    EXPECT_EQ(Sent(), Lines{"MR25\r\n"});

    // Ticked at depth 0 it goes on at the smallest depth.
    DynamicsPanel& first = *In(0).Dynamics();
    first.Nr().click();
    EXPECT_EQ(Sent(), Lines{"MR11\r\n"});
    EXPECT_EQ(first.NrSlider().value(), 1);
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

    // Priority names one channel; unchecking sends 0.
    In(2).InputLevel()->Priority().click();
    EXPECT_EQ(Sent(), Lines{"MPs3\r\n"});
    In(1).InputLevel()->Priority().click();
    EXPECT_EQ(Sent(), Lines{"MPs2\r\n"});
    EXPECT_FALSE(In(2).InputLevel()->Priority().isChecked());
    In(1).InputLevel()->Priority().click();
    EXPECT_EQ(Sent(), Lines{"MPs0\r\n"});
}

// Steps faster than the device answers replace each other while the first is on its way.
TEST_F(PanelsTest, FastWheelNotchesShowTheUsersValueAndLandExactly)
{
    std::promise<void> release;
    queue.Post([gate = release.get_future().share()] { gate.wait(); });  // the line is busy
    InputLevelPanel& input = *In(0).InputLevel();
    for (int notch = 1; notch <= 10; ++notch) {
        Wheel(input.Strip().Fader(), 120);
        context.Model().TakeSettings(p, {}, {});  // news from the device before the notch is reported
        context.Model().Flush();
    }
    Deliver();
    EXPECT_EQ(input.Strip().Label().text(), "10 dB");
    In(1).InputLevel()->Mute().click();  // another setting does not wait
    release.set_value();
    EXPECT_EQ(AllSent(), (Lines{"MG11\r\n", "MM21\r\n", "MG110\r\n"}));
    EXPECT_EQ(p.MG[1], 10);
    EXPECT_EQ(input.Strip().Fader().value(), kInputPanelScale.PositionFor(10));
}

// While the user holds a fader, another client's change of that gain (the
// settings a shared port re-reads) moves neither its thumb nor its label;
// once the user has let go and the device has confirmed, the fader follows
// the device again.
TEST_F(PanelsTest, AHeldFaderKeepsTheUsersGainUntilTheDeviceConfirmsIt)
{
    InputLevelPanel& input = *In(0).InputLevel();
    BitmapFader& fader = input.Strip().Fader();
    const QLabel& label = input.Strip().Label();
    const QPoint grip(fader.width() / 2, fader.ThumbCentre());
    const QPoint held = grip - QPoint(0, 40);
    QTest::mousePress(&fader, Qt::LeftButton, {}, grip);
    QTest::mouseMove(&fader, held);
    const int chosen = kInputPanelScale.GainAt(fader.value());
    ASSERT_NE(chosen, 0);
    ASSERT_NE(chosen, 20);
    const QString chosenText = label.text();  // "11 dB"
    const auto news = [&](int gain) {         // the device holds `gain`, set by someone else
        p.MG[1] = gain;
        context.Model().TakeSettings(p, {SettingRef{Op::MG, {1}}}, {});
        context.Model().Flush();
        Deliver();
    };
    news(20);
    EXPECT_EQ(kInputPanelScale.GainAt(fader.value()), chosen);
    EXPECT_EQ(label.text().toStdString(), chosenText.toStdString())
        << "the label says what the held thumb stands for";
    EXPECT_EQ(Sent(), Lines{});

    QTest::mouseRelease(&fader, Qt::LeftButton, {}, held);
    EXPECT_EQ(Sent(), Lines{"MG1" + std::to_string(chosen) + "\r\n"});
    EXPECT_EQ(label.text().toStdString(), chosenText.toStdString());
    news(20);
    EXPECT_EQ(fader.value(), kInputPanelScale.PositionFor(20));
    EXPECT_EQ(label.text(), "20 dB");
}

// Where an output has a delay the device decides the other setting: it is read back.
TEST_F(PanelsTest, OnAnOutputWithADelayTheOtherSettingShowsWhatTheDeviceKept)
{
    port.SetResponder(kPort, [](std::string_view line) {
        const std::string reply = line == "OF3r\r\n"   ? "OF31000\r\n"
                                  : line == "OD3r\r\n" ? "OD375\r\n"
                                                       : std::string(line);
        return std::vector<Piece>{{std::chrono::milliseconds(1), reply}};
    });
    OutputLevelPanel& out = *Out(2).OutputLevel();
    out.DelayEdit().setText("250");
    out.Control<QPushButton>(OutputLevelPanel::kSetDelayId)->click();
    EXPECT_EQ(Sent(), (Lines{"OD3200\r\n", "OF3r\r\n"}));
    EXPECT_EQ(out.DelayEdit().text(), "200");
    EXPECT_EQ(out.LowpassEdit().text(), "1000");

    out.Control<QPushButton>(OutputLevelPanel::kSetLowpassId)->click();
    EXPECT_EQ(Sent(), (Lines{"OF31000\r\n", "OD3r\r\n"}));
    EXPECT_EQ(out.DelayEdit().text(), "75");
    out.HighpassEdit().setText("100");
    out.Control<QPushButton>(OutputLevelPanel::kSetHighpassId)->click();
    EXPECT_EQ(Sent(), (Lines{"OH3100\r\n", "OD3r\r\n"}));
    EXPECT_EQ(out.LowpassEdit().text(), "1000");
    EXPECT_TRUE(told.isEmpty());
}

TEST_F(PanelsTest, AnUnconfirmedChangeReturnsToTheDevicesValueAndIsNamed)
{
    // The device takes no set of OV and holds -4 dB.
    port.SetResponder(kPort, [](std::string_view line) {
        return line == "OV3r\r\n" ? std::vector<Piece>{{std::chrono::milliseconds(1), "OV3-4\r\n"}}
                                  : std::vector<Piece>{};
    });
    OutputLevelPanel& output = *Out(2).OutputLevel();
    output.Strip().Fader().setValue(10);
    emit output.Strip().Fader().changeFinished(10);
    Sent();
    EXPECT_EQ(output.Strip().Fader().value(), 24) << "back at the device's -4 dB";
    EXPECT_EQ(output.Strip().Label().text(), "-4 dB");
    EXPECT_EQ(context.Model().Notice(), "Output 3 gain: the device did not confirm 10");
    EXPECT_TRUE(told.isEmpty());
}

TEST_F(PanelsTest, ThePopupStripOpensOnTheModelFollowsItAndSendsForItsChannelOnly)
{
    p.OV[3] = -4;
    p.OM[3] = 1;
    context.Model().TakeReadBack(p, ModelFamily::K225);
    LevelPopupDialog popup(context, Direction::Output, 2);
    EXPECT_EQ(popup.windowTitle(), "Output3");
    EXPECT_EQ(popup.Strip().Label().text(), "-4 dB");
    EXPECT_EQ(popup.Strip().Fader().value(), 24);
    EXPECT_TRUE(popup.Mute().isChecked());
    context.Model().SetGroup(true);  // no group behaviour here
    popup.Strip().Fader().setValue(30);
    emit popup.Strip().Fader().changeFinished(30);
    popup.Mute().click();
    EXPECT_EQ(Sent(), (Lines{"OV3-10\r\n", "OM30\r\n"}));

    context.Model().StartConnection(ModelFamily::K225);
    context.Model().Flush();
    EXPECT_FALSE(popup.Strip().Fader().isEnabled()) << "a new connection's read-back has not come";

    EXPECT_EQ(LevelPopupDialog(context, Direction::Input, 0).Strip().Fader().maximum(), 47)
        << "an input's scale";
}

class MatrixDialogTest : public test::PanelFixture {
protected:
    void ReadBack()
    {
        context.Model().StartConnection(ModelFamily::K225);
        context.Model().TakeReadBack(p, ModelFamily::K225);
        context.Model().Flush();
    }

    MatrixDialog dialog{context};
};

TEST_F(MatrixDialogTest, ASwitchClickSendsMxAndAKnobOneXgWhenTheDragOrWheelStepEnds)
{
    ReadBack();
    QTest::mouseClick(dialog.Crosspoint(3, 2), Qt::LeftButton);
    QTest::mouseClick(dialog.Crosspoint(3, 2), Qt::LeftButton);
    EXPECT_EQ(AllSent(), (Lines{"MX321\r\n", "MX320\r\n"}));  // the second waits for the first's echo

    // Input 2 to output 3 dragged down from 0 to -6, a step a move.
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

    // A wheel step sends at once; past the top there is nothing to send.
    test::Wheel(*dialog.Knob(1, 2), -120);
    EXPECT_EQ(Sent(), Lines{"XG12-1\r\n"});
    EXPECT_EQ(dialog.GainBox(1, 2)->text(), "-1");
    test::Wheel(*dialog.Knob(1, 2), 120);
    test::Wheel(*dialog.Knob(1, 2), 120);
    EXPECT_EQ(Sent(), Lines{"XG120\r\n"});

    // A gain typed into a box goes with Return; one out of range is refused aloud.
    QLineEdit& box = *dialog.GainBox(4, 1);
    box.selectAll();
    QTest::keyClicks(&box, "-31");
    QTest::keyClick(&box, Qt::Key_Return);
    EXPECT_EQ(Sent(), Lines{});
    EXPECT_EQ(box.text(), "0");
    EXPECT_EQ(context.Model().Notice(), "\"-31\" is no gain from -30 to 0 dB: not sent");
    box.selectAll();
    QTest::keyClicks(&box, "-12");
    QTest::keyClick(&box, Qt::Key_Return);
    EXPECT_EQ(Sent(), Lines{"XG41-12\r\n"});
    EXPECT_EQ(dialog.Knob(4, 1)->value(), -12);
    EXPECT_TRUE(told.isEmpty());
}

TEST_F(MatrixDialogTest, TenFastDownKeysOnAKnobLandAtMinusTen)
{
    ReadBack();
    std::promise<void> release;
    queue.Post([gate = release.get_future().share()] { gate.wait(); });  // the line is busy
    RoundKnob& knob = *dialog.Knob(1, 1);
    for (int key = 1; key <= 10; ++key) {
        QTest::keyClick(&knob, Qt::Key_Down);
        context.Model().TakeSettings(p, {}, {});  // news from the device before the key is reported
        context.Model().Flush();
    }
    Deliver();
    EXPECT_EQ(dialog.GainBox(1, 1)->text(), "-10");
    release.set_value();
    EXPECT_EQ(AllSent(), (Lines{"XG11-1\r\n", "XG11-10\r\n"}));
    EXPECT_EQ(p.XG[1][1], -10);
}

TEST_F(MatrixDialogTest, CommandTheDeviceNeverTakesIsReportedOnceAndShownAsUnknown)
{
    NeverAnswer();
    QTest::mouseClick(dialog.Crosspoint(1, 4), Qt::LeftButton);
    Lines tried(8, "MX141\r\n");
    tried.push_back("MX14r\r\n");
    EXPECT_EQ(Sent(), tried);
    EXPECT_EQ(told, QStringList{"Set matrix error"});
    EXPECT_FALSE(dialog.Crosspoint(1, 4)->isEnabled() || dialog.Crosspoint(1, 4)->isChecked());

    told.clear();
    dialog.OnKnobFinished(MatrixDialog::Cell(4, 1), -20);
    EXPECT_EQ(Sent().back(), "XG41r\r\n");
    EXPECT_EQ(told, QStringList{"Set matrix error"});
    EXPECT_FALSE(dialog.Knob(4, 1)->isEnabled());
    EXPECT_EQ(dialog.GainBox(4, 1)->text(), "?");
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

class PanelRefreshTest : public SimPanelFixture {
protected:
    void StartConnected(const char* model)
    {
        StartPanels(model);
        matrix = std::make_unique<MatrixDialog>(*context);
    }
    void ConnectAndStopPolling()
    {
        ASSERT_TRUE(connection->Connect([](std::string_view, std::string_view) {}));
        ASSERT_TRUE(Eventually([&] { return refresher->PollPassesApplied() >= 2; }));
        connection->RequestStop();
        ASSERT_TRUE(connection->WaitForWorker(Micros{5'000'000}));
        Settle();
    }
    void Settle()
    {
        Deliver();
        context->Model().Flush();
    }

    std::unique_ptr<MatrixDialog> matrix;
};

TEST_F(PanelRefreshTest, ReadBackFillsTheLivePanesWhichTellItAndPollingKeepsMetersAndLabelsLive)
{
    StartConnected("K225");
    // Settings already on the device before the program connects.
    ASSERT_TRUE(link->Set(Op::MG, {2}, 30) && link->Set(Op::MM, {3}, 1) && link->Set(Op::MP, {5}, 3));
    ASSERT_TRUE(link->Set(Op::OV, {4}, -6) && link->Set(Op::OD, {4}, 120) && link->Set(Op::SN, {5}, 2));
    ASSERT_TRUE(link->Set(Op::MX, {3, 2}, 1) && link->Set(Op::XG, {3, 2}, -12));
    p.Reset();

    ConnectAndStopPolling();
    InputLevelPanel& second = *In(1, 1).InputLevel();
    EXPECT_EQ(second.Strip().Fader().value(), 17);
    EXPECT_EQ(second.Strip().Label().text(), "30 dB");
    EXPECT_TRUE(In(2, 1).InputLevel()->Mute().isChecked());
    EXPECT_TRUE(In(2, 1).InputLevel()->Priority().isChecked() &&
                !In(3, 1).InputLevel()->Priority().isChecked());
    EXPECT_EQ(In(0, 1).Dynamics()->Filter().currentIndex(), 2);
    OutputLevelPanel& fourth = *Out(3, 1).OutputLevel();
    EXPECT_EQ(fourth.Strip().Fader().value(), 26);
    EXPECT_EQ(fourth.DelayEdit().text(), "120");
    EXPECT_TRUE(matrix->Crosspoint(3, 2)->isChecked());
    EXPECT_EQ(matrix->GainBox(3, 2)->text(), "-12");
    EXPECT_FALSE(In(1, 2).isEnabled()) << "the family-2 pane is not live";

    // A pass carries a gain changed elsewhere to the label, not the fader,
    // and the meters their reading + 100 in its zone's colour.
    p.MG[2] = 10;
    p.MP = 0;
    p.ML[1] = -10;
    p.OL[4] = -60;
    refresher->PollPassCompleted(ModelFamily::K225);
    Settle();
    EXPECT_EQ(second.Strip().Label().text(), "10 dB");
    EXPECT_EQ(In(0, 1).InputLevel()->Strip().Meter().GetValue(), 90);
    EXPECT_EQ(Out(3, 1).OutputLevel()->Strip().Meter().GetValue(), 40);
    EXPECT_EQ(In(0, 1).InputLevel()->Strip().Meter().BarColour(), kZoneOrange);
    EXPECT_EQ(second.Strip().Fader().value(), 17);
    EXPECT_FALSE(In(2, 1).InputLevel()->Priority().isChecked());
    EXPECT_TRUE(told.isEmpty());

    // What assistive technology hears: name, value with its unit, state.
    const auto heard = [](QWidget& control) {
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(&control);
        const QString value = a->text(QAccessible::Value);
        const QString check = a->state().checkable ? (a->state().checked ? " on" : " off") : QString();
        return (a->text(QAccessible::Name) + (value.isEmpty() ? QString() : ": " + value) + check)
            .toStdString();
    };
    EXPECT_EQ(heard(In(1).InputLevel()->Strip().Fader()), "Input 2 gain: 30 dB");
    EXPECT_EQ(heard(In(0).InputLevel()->Strip().Meter()), "Input 1 level: -10 dB");
    EXPECT_EQ(In(0).InputLevel()->Strip().Readout().text(), "-10") << "the reading under the meter";
    EXPECT_EQ(heard(In(2).InputLevel()->Mute()), "Input 3 Mute on");
    EXPECT_EQ(heard(*matrix->Knob(3, 2)), "Input 3 to Output 2 gain: -12 dB");
}

// Each group's caption, then its controls top to bottom as they are placed.
TEST_F(PanelRefreshTest, TabFollowsTheReadingOrderOfEachPane)
{
    StartConnected("K225");
    ConnectAndStopPolling();
    const auto tabOrder = [](ChannelPane& pane) {
        pane.show();
        pane.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&pane));
        std::vector<std::string> names;  // one round, read from the first caption
        for (int press = 0; press < 30 && (names.size() < 2 || names.back() != names.front()); ++press) {
            QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : &pane, Qt::Key_Tab);
            names.push_back(QApplication::focusWidget()->accessibleName().toStdString());
        }
        names.pop_back();
        std::rotate(names.begin(), std::find(names.begin(), names.end(), "Level"), names.end());
        return names;
    };
    EXPECT_EQ(tabOrder(In(0)),
              (std::vector<std::string>{"Level", "Input 1 gain", "Input 1 Mute", "Input 1 Priority", "Filter",
                                        "Input 1 Highpass", "Dynamics", "Input 1 AutoMix", "Input 1 AGC",
                                        "Input 1 AFC", "Input 1 Phantom", "Input 1 NR", "Input 1 NR depth",
                                        "Filter for all inputs"}));
    EXPECT_EQ(tabOrder(Out(3)), (std::vector<std::string>{
                                    "Level", "Output 4 gain", "Output 4 Mute", "Output 4 DelayTime (ms)",
                                    "Set Output 4 DelayTime", "Output 4 Lowpass (Hz)", "Set Output 4 Lowpass",
                                    "Output 4 Highpass (Hz)", "Set Output 4 Highpass"}));
}

TEST_F(PanelRefreshTest, ALostLinkKeepsTheValuesDisabledAndEmptiesTheMeters)
{
    StartConnected("K225");
    ASSERT_TRUE(link->Set(Op::MM, {2}, 1) && link->Set(Op::OV, {1}, 5));
    ConnectAndStopPolling();
    ASSERT_GT(In(0, 1).InputLevel()->Strip().Meter().GetValue(), 0);

    refresher->LinkLost(3);
    Settle();
    for (int k = 0; k < kChannels; ++k) {
        EXPECT_FALSE(In(k, 1).isEnabled() || Out(k, 1).isEnabled()) << k;
        EXPECT_EQ(In(k, 1).InputLevel()->Strip().Meter().GetValue(), 0) << k;
    }
    EXPECT_TRUE(In(1, 1).InputLevel()->Mute().isChecked());
    EXPECT_EQ(Out(0, 1).OutputLevel()->Strip().Label().text(), "5 dB");
    EXPECT_FALSE(matrix->Knob(1, 1)->isEnabled());

    // A pass while lost shows nothing; once the link is back the read-back refills.
    refresher->PollPassCompleted(ModelFamily::K225);
    Settle();
    EXPECT_EQ(In(0, 1).InputLevel()->Strip().Meter().GetValue(), 0);
    refresher->LinkRestored(3);
    refresher->ReadBackRefreshed(ModelFamily::K225);
    Settle();
    EXPECT_TRUE(In(1, 1).isEnabled());
    EXPECT_EQ(In(0, 1).InputLevel()->Strip().Meter().GetValue(), 0) << "empty until a polling pass";
    EXPECT_EQ(In(0, 1).InputLevel()->Strip().Readout().text(), "");
    refresher->PollPassCompleted(ModelFamily::K225);
    Settle();
    EXPECT_GT(In(0, 1).InputLevel()->Strip().Meter().GetValue(), 0);
    EXPECT_TRUE(matrix->Knob(1, 1)->isEnabled());
}

TEST_F(PanelRefreshTest, SettingsTheReadBackMissedShowAsUnknownAndTheUserIsTold)
{
    StartConnected("K225");
    ASSERT_TRUE(link->Set(Op::MM, {2}, 1) && link->Set(Op::OD, {4}, 120));
    ConnectAndStopPolling();

    // As the worker reports a read-back that missed three settings.
    refresher->ReadBackIncomplete({{Op::MM, {2}}, {Op::OD, {4}}, {Op::MG, {3}}});
    refresher->ReadBackRefreshed(ModelFamily::K225);
    Settle();
    ASSERT_TRUE(Eventually([&] { return !told.isEmpty(); }));
    EXPECT_EQ(told, QStringList{"3 settings could not be read: Input 2 mute, Output 4 delay, Input 3 gain"});
    ImageCheckButton& mute = In(1, 1).InputLevel()->Mute();
    EXPECT_FALSE(mute.isEnabled() || mute.isChecked());
    EXPECT_EQ(Out(3, 1).OutputLevel()->DelayEdit().text(), "");
    EXPECT_EQ(In(2, 1).InputLevel()->Strip().Label().text(), "?");
    EXPECT_TRUE(In(0, 1).InputLevel()->Mute().isEnabled());

    // A new connection starts with nothing unknown.
    refresher->ModelPanesShown(ModelFamily::K225);
    refresher->ReadBackRefreshed(ModelFamily::K225);
    Settle();
    EXPECT_TRUE(mute.isEnabled() && mute.isChecked());
    EXPECT_EQ(Out(3, 1).OutputLevel()->DelayEdit().text(), "120");
}

TEST_F(PanelRefreshTest, TheSecondFamilyFillsTheSecondPanesAndTheEchoMeters)
{
    StartConnected("K217");
    ASSERT_TRUE(link->Set(Op::MC, {3}, 1) && link->Set(Op::OM, {2}, 1) && link->Set(Op::MG, {1}, 5));
    p.Reset();

    ConnectAndStopPolling();
    EXPECT_TRUE(In(2, 2).Dynamics()->Aec().isChecked());
    EXPECT_TRUE(Out(1, 2).OutputLevel()->Mute().isChecked());
    EXPECT_EQ(In(0, 2).InputLevel()->Strip().Fader().value(), 42);
    EXPECT_EQ(In(0, 1).InputLevel()->Strip().Fader().value(), 48) << "first panes stay as built";
    p.ME[2] = 150;  // beyond the meter: shown full
    p.MS[3] = 40;
    refresher->PollPassCompleted(ModelFamily::K217K218);
    Settle();
    EXPECT_EQ(In(1, 2).InputLevel()->Erle().GetValue(), 100);
    EXPECT_EQ(In(2, 2).InputLevel()->Erl().GetValue(), 40);
}

// A change that reaches the context during the read-back anyway is refused too.
TEST_F(PanelRefreshTest, DuringTheReadBackNothingTakesInputAndNothingIsSent)
{
    StartPanels("K225", true);
    ASSERT_TRUE(link->Set(Op::MG, {1}, 30));
    ASSERT_TRUE(connection->Connect([](std::string_view, std::string_view) {}));
    Settle();
    ASSERT_FALSE(context->Model().HasValues()) << "the paced read-back is still running";
    InputLevelPanel& first = *In(0, 1).InputLevel();
    EXPECT_FALSE(In(0, 1).isEnabled());
    EXPECT_EQ(first.Strip().Label().text(), "");
    EXPECT_EQ(first.Strip().Meter().GetValue(), 0);
    EXPECT_EQ(Out(2, 1).OutputLevel()->DelayEdit().text(), "");
    Wheel(first.Strip().Fader(), 120);
    QTest::keyClick(&first.Strip().Fader(), Qt::Key_Up);
    EXPECT_FALSE(context->Send({{Op::MG, {1}, 31}}));

    ASSERT_TRUE(Eventually([&] {
        Settle();
        return In(0, 1).isEnabled();
    }));
    EXPECT_EQ(first.Strip().Label().text(), "30 dB");
    connection->RequestStop();
    ASSERT_TRUE(connection->WaitForWorker(Micros{5'000'000}));
    ASSERT_TRUE(link->Query(Op::MG, {1}));
    EXPECT_EQ(p.MG[1], 30);
    EXPECT_TRUE(told.isEmpty());
}

// Disconnect keeps the values last read (greyed elsewhere); a new connection
// shows nothing of them, and no setting until its own read-back.
TEST(PanelModelTest, DisconnectKeepsTheLastValuesAndANewConnectionHoldsNothingUntilItsReadBack)
{
    PanelModel model;
    DeviceParams params;
    params.MG[1] = 5;
    model.StartConnection(ModelFamily::K225);
    model.TakeReadBack(params, ModelFamily::K225);
    model.TakePollPass(params);
    model.TakeChoices({{Op::MG, {1}, 9}});  // never answered
    model.Reset(ModelFamily::K225);
    EXPECT_EQ(model.Values().At(Op::MG, 1), 5) << "the device's value, not the unanswered choice";
    EXPECT_TRUE(model.Holds(Op::MG, {1}));
    EXPECT_FALSE(model.TakesInput(Op::MG, {1}) || model.MetersLive());

    params.MG[1] = 7;
    model.StartConnection(ModelFamily::K225);
    model.TakePollPass(params);
    EXPECT_FALSE(model.Holds(Op::MG, {1}));
    EXPECT_EQ(model.Values().At(Op::MG, 1), 0) << "a pass before the read-back brings meters only";
    EXPECT_TRUE(model.MetersLive());
}

// Each box's tooltip gives its range; a value sent other than typed, or one
// that switches a filter off, is named in the status bar.
TEST_F(PanelsTest, ABoxShowsItsRangeAndAValueBroughtIntoItIsNamed)
{
    OutputLevelPanel& out2 = *Out(1).OutputLevel();  // no delay on this model
    OutputLevelPanel& out3 = *Out(2).OutputLevel();
    EXPECT_EQ(out2.LowpassEdit().toolTip(), "300\u201320000 Hz, 0 = off");
    EXPECT_EQ(out3.DelayEdit().toolTip(), "0\u2013200 ms");

    const struct {
        OutputLevelPanel* panel;
        int setId;
        const char* typed;
        const char* sent;
        const char* notice;
    } rows[] = {
        {&out2, OutputLevelPanel::kSetLowpassId, "299", "OF20\r\n", "299 Hz is below 300 Hz: low-pass off"},
        {&out2, OutputLevelPanel::kSetLowpassId, "0", "OF20\r\n", "0 Hz: low-pass off"},
        {&out2, OutputLevelPanel::kSetLowpassId, "25000", "OF220000\r\n",
         "25000 Hz is above 20000 Hz: 20000 Hz sent"},
        {&out2, OutputLevelPanel::kSetLowpassId, "300", "OF2300\r\n", ""},
        {&out2, OutputLevelPanel::kSetHighpassId, "29", "OH20\r\n", "29 Hz is below 30 Hz: high-pass off"},
        {&out2, OutputLevelPanel::kSetHighpassId, "601", "OH2600\r\n", "601 Hz is above 600 Hz: 600 Hz sent"},
        {&out3, OutputLevelPanel::kSetDelayId, "9999", "OD3200\r\n", "9999 ms is above 200 ms: 200 ms sent"},
        {&out3, OutputLevelPanel::kSetDelayId, "-5", "OD30\r\n", "\u22125 ms is below 0 ms: 0 ms sent"},
    };
    for (const auto& row : rows) {
        context.Model().SetNotice(QString());
        QLineEdit& box = row.setId == OutputLevelPanel::kSetLowpassId ? row.panel->LowpassEdit()
                         : row.setId == OutputLevelPanel::kSetDelayId ? row.panel->DelayEdit()
                                                                      : row.panel->HighpassEdit();
        box.setText(row.typed);
        row.panel->Control<QPushButton>(row.setId)->click();
        const Lines sent = Sent();
        ASSERT_FALSE(sent.empty()) << row.typed;
        EXPECT_EQ(sent.front(), row.sent) << row.typed;
        EXPECT_EQ(context.Model().Notice(), QString::fromUtf8(row.notice)) << row.typed;
    }
    EXPECT_EQ(out2.LowpassEdit().text(), "300") << "the box shows what was sent";

    out2.HighpassEdit().clear();  // letters never get in; Return sends as Set does
    QTest::keyClicks(&out2.HighpassEdit(), "7x5");
    QTest::keyClick(&out2.HighpassEdit(), Qt::Key_Return);
    EXPECT_EQ(Sent(), Lines{"OH275\r\n"});
    // A box left empty keeps the last value, and the user hears why.
    out2.HighpassEdit().clear();
    QTest::keyClicks(&out2.HighpassEdit(), "abc");
    QTest::keyClick(&out2.HighpassEdit(), Qt::Key_Return);
    EXPECT_EQ(Sent(), Lines{"OH275\r\n"});
    EXPECT_EQ(told, QStringList{"Please enter an integer."});
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);  // Enter stays in the panel
    QCoreApplication::sendEvent(&out2, &enter);
    EXPECT_TRUE(enter.isAccepted());
}

}  // namespace
}  // namespace brevant::test
