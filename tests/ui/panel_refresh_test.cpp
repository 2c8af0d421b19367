// The panels fed by a real connection to the simulator through the panel
// model: the read-back fills them, the polling passes keep meters and labels
// live, Disconnect resets them and nothing refills them afterwards; a lost
// link leaves them disabled with their values, an incomplete read-back shows
// the settings it missed as unknown. Everything reaches the panels on the
// UI thread.
#include "ui/panels/ChannelPane.h"
#include "ui/panels/DynamicsPanel.h"
#include "ui/controls/ImageCheckButton.h"
#include "ui/panels/InputLevelPanel.h"
#include "ui/panels/MatrixDialog.h"
#include "ui/controls/RoundKnob.h"
#include "ui/panels/OutputLevelPanel.h"
#include "procedures/Connection.h"
#include "ui/panels/PanelRefresher.h"
#include "tests/SimLinkFixture.h"
#include "tests/ui/UiTestHelpers.h"

#include <QComboBox>
#include <QLineEdit>
#include <QTest>

namespace brevant::test {
namespace {

class PanelRefreshTest : public SimLinkFixture {
protected:
    void StartConnected(const char* model)
    {
        Start({"--no-pacing", "--model", model});
        queue = std::make_unique<CommandQueue>(state.flags);
        context = std::make_unique<PanelContext>(*link, *queue, [this](const QString& t) { told << t; });
        refresher = std::make_unique<PanelRefresher>(*context, p);
        for (int k = 0; k < kChannels; ++k) {
            for (int kind = 1; kind <= 4; ++kind)
                panes.push_back(std::make_unique<ChannelPane>(*context, kind, k));
        }
        matrix = std::make_unique<MatrixDialog>(*context);
        connection = std::make_unique<Connection>(*link, *refresher);
    }
    void TearDown() override
    {
        connection.reset();
        Deliver();
        SimLinkFixture::TearDown();
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
    ChannelPane& In(int k, int kind) { return *panes.at(static_cast<std::size_t>(k * 4 + kind - 1)); }
    ChannelPane& Out(int k, int kind) { return *panes.at(static_cast<std::size_t>(k * 4 + kind + 1)); }

    std::unique_ptr<CommandQueue> queue;
    std::unique_ptr<PanelContext> context;
    std::unique_ptr<PanelRefresher> refresher;
    std::vector<std::unique_ptr<ChannelPane>> panes;
    std::unique_ptr<MatrixDialog> matrix;
    std::unique_ptr<Connection> connection;
    QStringList told;
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
    EXPECT_EQ(second.Strip().Fader().GetValue(), 17);
    EXPECT_EQ(second.Strip().Label().text(), "30db");
    EXPECT_TRUE(In(2, 1).InputLevel()->Mute().GetCheck());
    for (int k = 0; k < kChannels; ++k)
        EXPECT_EQ(In(k, 1).InputLevel()->Priority().GetCheck(), k == 2) << k;
    EXPECT_EQ(In(0, 1).Dynamics()->Filter().currentIndex(), 2);
    OutputLevelPanel& fourth = *Out(3, 1).OutputLevel();
    EXPECT_EQ(fourth.Strip().Fader().GetValue(), 26);
    EXPECT_EQ(fourth.DelayEdit().text(), "120");
    EXPECT_TRUE(matrix->Crosspoint(3, 2)->GetCheck());
    EXPECT_EQ(matrix->GainBox(3, 2)->text(), "-12");
    EXPECT_FALSE(In(1, 2).isEnabled()) << "the family-2 pane is not live";

    // Every meter shows the reading the panels were last given as reading +
    // 100 (the mirror itself may already hold a newer pass).
    {
        PollingHold hold(state.flags);  // no pass lands while the meters are compared
        QTest::qWait(150);
        context->Model().Flush();
    }
    const ShownValues& shown = context->Model().Values();
    for (int k = 0; k < kChannels; ++k) {
        EXPECT_EQ(In(k, 1).InputLevel()->Strip().Meter().GetValue(), shown.At(Op::ML, k + 1) + 100) << k;
        EXPECT_EQ(Out(k, 1).OutputLevel()->Strip().Meter().GetValue(), shown.At(Op::OL, k + 1) + 100) << k;
    }

    // A pass carries a gain changed elsewhere to the label, not the fader.
    p.MG[2] = 10;
    p.MP = 0;
    p.ML[1] = -10;
    refresher->PollPassCompleted(1);
    Settle();
    EXPECT_EQ(second.Strip().Label().text(), "10db");
    EXPECT_EQ(In(0, 1).InputLevel()->Strip().Meter().BarColour(), kZoneOrange);
    EXPECT_EQ(second.Strip().Fader().GetValue(), 17);
    EXPECT_FALSE(In(2, 1).InputLevel()->Priority().GetCheck());

    // Disconnect brings every live panel back to idle.
    connection->Disconnect();
    ASSERT_TRUE(Eventually([&] { return !matrix->Crosspoint(3, 2)->GetCheck(); }));
    for (int k = 0; k < kChannels; ++k) {
        EXPECT_EQ(In(k, 1).InputLevel()->Strip().Fader().GetValue(), 47) << k;
        EXPECT_FALSE(In(k, 1).InputLevel()->Mute().GetCheck()) << k;
        EXPECT_EQ(In(k, 1).InputLevel()->Strip().Meter().GetValue(), 0) << k;
        EXPECT_EQ(Out(k, 1).OutputLevel()->Strip().Fader().GetValue(), 20) << k;
    }
    EXPECT_EQ(matrix->GainBox(3, 2)->text(), "0");

    // A pass reported late is not shown over the idle display.
    p.MG[2] = 20;
    p.ML[1] = -3;
    refresher->PollPassCompleted(1);
    refresher->ReadBackRefreshed(1);
    Settle();
    EXPECT_EQ(second.Strip().Label().text(), "0db");
    EXPECT_EQ(second.Strip().Fader().GetValue(), 47);
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
        EXPECT_FALSE(In(k, 1).isEnabled()) << k;
        EXPECT_FALSE(Out(k, 1).isEnabled()) << k;
        EXPECT_EQ(In(k, 1).InputLevel()->Strip().Meter().GetValue(), 0) << k;
        EXPECT_EQ(Out(k, 1).OutputLevel()->Strip().Meter().GetValue(), 0) << k;
    }
    EXPECT_TRUE(In(1, 1).InputLevel()->Mute().GetCheck());
    EXPECT_EQ(Out(0, 1).OutputLevel()->Strip().Label().text(), "5db");
    EXPECT_FALSE(matrix->Knob(1, 1)->isEnabled());

    // Polling stopped with the link; once it is back the read-back refills.
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
    EXPECT_FALSE(mute.GetCheck());
    EXPECT_EQ(Out(3, 1).OutputLevel()->DelayEdit().text(), "");
    EXPECT_EQ(In(2, 1).InputLevel()->Strip().Label().text(), "?");
    EXPECT_TRUE(In(0, 1).InputLevel()->Mute().isEnabled());

    // A new connection starts with nothing unknown.
    refresher->ModelPanesShown(1);
    refresher->ReadBackRefreshed(1);
    Settle();
    EXPECT_TRUE(mute.isEnabled());
    EXPECT_TRUE(mute.GetCheck());
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
    EXPECT_TRUE(In(2, 2).Dynamics()->Aec().GetCheck());
    EXPECT_TRUE(Out(1, 2).OutputLevel()->Mute().GetCheck());
    EXPECT_EQ(In(0, 2).InputLevel()->Strip().Fader().GetValue(), 42);
    EXPECT_EQ(In(0, 1).InputLevel()->Strip().Fader().GetValue(), 48) << "first panes stay as built";
    for (int k = 1; k < kChannels; ++k) {
        EXPECT_EQ(In(k, 2).InputLevel()->Erle().GetValue(), std::clamp(p.ME[k + 1].load(), 0, 100)) << k;
        EXPECT_EQ(In(k, 2).InputLevel()->Erl().GetValue(), std::clamp(p.MS[k + 1].load(), 0, 100)) << k;
    }
}

}  // namespace
}  // namespace brevant::test
