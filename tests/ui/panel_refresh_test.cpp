// The panels fed by a real connection to the simulator through the panel
// model, on the UI thread: read-back, polling passes, Disconnect, a lost link
// and an incomplete read-back.
#include "tests/ui/SimPanelFixture.h"
#include "ui/controls/ImageCheckButton.h"
#include "ui/controls/RoundKnob.h"
#include "ui/panels/DynamicsPanel.h"
#include "ui/panels/InputLevelPanel.h"
#include "ui/panels/MatrixDialog.h"
#include "ui/panels/OutputLevelPanel.h"

#include <QComboBox>
#include <QLineEdit>

namespace brevant::test {
namespace {

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
    // Delivers the observer calls and the model's change.
    void Settle()
    {
        Deliver();
        context->Model().Flush();
    }

    std::unique_ptr<MatrixDialog> matrix;
};

TEST_F(PanelRefreshTest, ReadBackFillsTheLivePanesAndPollingKeepsMetersAndLabelsLive)
{
    StartConnected("K225");
    // Settings already on the device before the program connects.
    ASSERT_TRUE(link->Set(Op::MG, {2}, 30));
    ASSERT_TRUE(link->Set(Op::MM, {3}, 1));
    ASSERT_TRUE(link->Set(Op::MP, {5}, 3));
    ASSERT_TRUE(link->Set(Op::OV, {4}, -6));
    ASSERT_TRUE(link->Set(Op::OD, {4}, 120));
    ASSERT_TRUE(link->Set(Op::SN, {5}, 2));
    ASSERT_TRUE(link->Set(Op::MX, {3, 2}, 1));
    ASSERT_TRUE(link->Set(Op::XG, {3, 2}, -12));
    p.Reset();

    ConnectAndStopPolling();
    InputLevelPanel& second = *In(1, 1).InputLevel();
    EXPECT_EQ(second.Strip().Fader().value(), 17);
    EXPECT_EQ(second.Strip().Label().text(), "30db");
    EXPECT_TRUE(In(2, 1).InputLevel()->Mute().isChecked());
    for (int k = 0; k < kChannels; ++k)
        EXPECT_EQ(In(k, 1).InputLevel()->Priority().isChecked(), k == 2) << k;
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
    refresher->PollPassCompleted(1);
    Settle();
    EXPECT_EQ(second.Strip().Label().text(), "10db");
    EXPECT_EQ(In(0, 1).InputLevel()->Strip().Meter().GetValue(), 90);
    EXPECT_EQ(Out(3, 1).OutputLevel()->Strip().Meter().GetValue(), 40);
    EXPECT_EQ(In(0, 1).InputLevel()->Strip().Meter().BarColour(), kZoneOrange);
    EXPECT_EQ(second.Strip().Fader().value(), 17);
    EXPECT_FALSE(In(2, 1).InputLevel()->Priority().isChecked());

    // Disconnect brings every live panel back to idle.
    connection->Disconnect();
    ASSERT_TRUE(Eventually([&] { return !matrix->Crosspoint(3, 2)->isChecked(); }));
    EXPECT_EQ(second.Strip().Fader().value(), 47);
    EXPECT_FALSE(In(2, 1).InputLevel()->Mute().isChecked());
    EXPECT_EQ(In(0, 1).InputLevel()->Strip().Meter().GetValue(), 0);
    EXPECT_EQ(fourth.Strip().Fader().value(), 20);
    EXPECT_EQ(matrix->GainBox(3, 2)->text(), "0");

    // A pass reported late is not shown over the idle display.
    p.MG[2] = 20;
    p.ML[1] = -3;
    refresher->PollPassCompleted(1);
    refresher->ReadBackRefreshed(1);
    Settle();
    EXPECT_EQ(second.Strip().Label().text(), "0db");
    EXPECT_EQ(In(0, 1).InputLevel()->Strip().Meter().GetValue(), 0);
    EXPECT_TRUE(told.isEmpty());
}

TEST_F(PanelRefreshTest, ALostLinkKeepsTheValuesDisabledAndEmptiesTheMeters)
{
    StartConnected("K225");
    ASSERT_TRUE(link->Set(Op::MM, {2}, 1));
    ASSERT_TRUE(link->Set(Op::OV, {1}, 5));
    ConnectAndStopPolling();
    ASSERT_GT(In(0, 1).InputLevel()->Strip().Meter().GetValue(), 0);

    refresher->LinkLost(3);
    Settle();
    for (int k = 0; k < kChannels; ++k) {
        EXPECT_FALSE(In(k, 1).isEnabled() || Out(k, 1).isEnabled()) << k;
        EXPECT_EQ(In(k, 1).InputLevel()->Strip().Meter().GetValue(), 0) << k;
    }
    EXPECT_TRUE(In(1, 1).InputLevel()->Mute().isChecked());
    EXPECT_EQ(Out(0, 1).OutputLevel()->Strip().Label().text(), "5db");
    EXPECT_FALSE(matrix->Knob(1, 1)->isEnabled());

    // A pass while lost shows nothing; once the link is back the read-back refills.
    refresher->PollPassCompleted(1);
    Settle();
    EXPECT_EQ(In(0, 1).InputLevel()->Strip().Meter().GetValue(), 0);
    refresher->LinkRestored(3);
    refresher->ReadBackRefreshed(1);
    Settle();
    EXPECT_TRUE(In(1, 1).isEnabled());
    EXPECT_GT(In(0, 1).InputLevel()->Strip().Meter().GetValue(), 0);
    EXPECT_TRUE(matrix->Knob(1, 1)->isEnabled());
}

TEST_F(PanelRefreshTest, SettingsTheReadBackMissedShowAsUnknownAndTheUserIsTold)
{
    StartConnected("K225");
    ASSERT_TRUE(link->Set(Op::MM, {2}, 1));
    ASSERT_TRUE(link->Set(Op::OD, {4}, 120));
    ConnectAndStopPolling();

    // As the worker reports a read-back that missed three settings.
    refresher->ReadBackIncomplete({{Op::MM, {2}}, {Op::OD, {4}}, {Op::MG, {3}}});
    refresher->ReadBackRefreshed(1);
    Settle();
    ASSERT_TRUE(Eventually([&] { return !told.isEmpty(); }));
    EXPECT_EQ(told, QStringList{"3 settings could not be read: Input 2 mute, Output 4 delay, Input 3 gain"});
    ImageCheckButton& mute = In(1, 1).InputLevel()->Mute();
    EXPECT_FALSE(mute.isEnabled());
    EXPECT_FALSE(mute.isChecked());
    EXPECT_EQ(Out(3, 1).OutputLevel()->DelayEdit().text(), "");
    EXPECT_EQ(In(2, 1).InputLevel()->Strip().Label().text(), "?");
    EXPECT_TRUE(In(0, 1).InputLevel()->Mute().isEnabled());

    // A new connection starts with nothing unknown.
    refresher->ModelPanesShown(1);
    refresher->ReadBackRefreshed(1);
    Settle();
    EXPECT_TRUE(mute.isEnabled());
    EXPECT_TRUE(mute.isChecked());
    EXPECT_EQ(Out(3, 1).OutputLevel()->DelayEdit().text(), "120");
}

TEST_F(PanelRefreshTest, TheSecondFamilyFillsTheSecondPanesAndTheEchoMeters)
{
    StartConnected("K217");
    ASSERT_TRUE(link->Set(Op::MC, {3}, 1));
    ASSERT_TRUE(link->Set(Op::OM, {2}, 1));
    ASSERT_TRUE(link->Set(Op::MG, {1}, 5));
    p.Reset();

    ConnectAndStopPolling();
    EXPECT_TRUE(In(2, 2).Dynamics()->Aec().isChecked());
    EXPECT_TRUE(Out(1, 2).OutputLevel()->Mute().isChecked());
    EXPECT_EQ(In(0, 2).InputLevel()->Strip().Fader().value(), 42);
    EXPECT_EQ(In(0, 1).InputLevel()->Strip().Fader().value(), 48) << "first panes stay as built";
    p.ME[2] = 150;  // beyond the meter: shown full
    p.MS[3] = 40;
    refresher->PollPassCompleted(2);
    Settle();
    EXPECT_EQ(In(1, 2).InputLevel()->Erle().GetValue(), 100);
    EXPECT_EQ(In(2, 2).InputLevel()->Erl().GetValue(), 40);
}

}  // namespace
}  // namespace brevant::test
