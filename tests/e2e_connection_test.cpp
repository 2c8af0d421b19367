// Connect, read-back, polling and Disconnect against the simulator.
#include "procedures/Connection.h"
#include "procedures/SaveDevice.h"
#include "procedures/UpgradeProcedure.h"
#include "tests/Eventually.h"
#include "tests/RecordingObserver.h"
#include "tests/SimLinkFixture.h"
#include "tests/SimProcess.h"

#include <filesystem>
#include <functional>

namespace brevant::test {
namespace {

class ConnectionTest : public SimLinkFixture {
protected:
    void StartWithConnection(std::vector<std::string> simArgs)
    {
        Start(std::move(simArgs));
        link->ClosePort();
        state.flags.PortNumber = -1;  // as at program start: Connect scans
        connection = std::make_unique<Connection>(*link, observer);
    }
    void TearDown() override
    {
        connection.reset();
        SimLinkFixture::TearDown();
    }
    bool Connect()
    {
        return connection->Connect(
            [this](std::string_view text, std::string_view) { shown.emplace_back(text); });
    }

    RecordingObserver observer;
    std::unique_ptr<Connection> connection;
    std::vector<std::string> shown;
};

TEST_F(ConnectionTest, ConnectsToEachModelAndKeepsTheMetersLive)
{
    for (const char* model : {"K225", "K217", "K218"}) {
        SCOPED_TRACE(model);
        // The first model on a line paced like the real one, the others fast.
        const bool paced = std::string(model) == "K225";
        StartWithConnection(paced ? std::vector<std::string>{"--model", model}
                                  : std::vector<std::string>{"--no-pacing", "--model", model});
        const int family = std::string(model) == "K225" ? 1 : 2;
        ASSERT_TRUE(Connect());
        EXPECT_TRUE(shown.empty());
        EXPECT_EQ(state.flags.PortNumber, kCom);
        EXPECT_TRUE(state.flags.Connected);
        EXPECT_EQ(p.SA.Get(), std::string("SA") + model);
        EXPECT_EQ(p.SV.Get(), "SV105");
        EXPECT_EQ(observer.panesFamily, family);
        EXPECT_EQ(observer.channelViews, 1);
        ASSERT_TRUE(Eventually([&] { return observer.passes >= 3; }));
        EXPECT_EQ(observer.refreshedFamily, family);
        EXPECT_EQ(p.MX[2][2], 1);  // read back from the device's default routing
        EXPECT_LT(p.ML[1], 0);

        connection->Disconnect();
        EXPECT_FALSE(state.flags.Connected);
        EXPECT_FALSE(connection->WorkerRunning());
        EXPECT_EQ(observer.resetFamily, family);
        EXPECT_EQ(state.flags.PortNumber, kCom);  // kept for the next Connect
        connection.reset();
        observer.passes = 0;
        observer.channelViews = 0;
    }
}

// An upgrade waits for a Disconnect, a Connect for the end of an upgrade; a
// second Disconnect finds no worker and its stop request is dropped.
TEST_F(ConnectionTest, UpgradeAndConnectExcludeEachOtherAndAReconnectPollsAgain)
{
    StartWithConnection({"--no-pacing"});
    ASSERT_TRUE(Connect());
    std::vector<std::string> said;
    const Report report = [&](std::string_view text, std::string_view) { said.emplace_back(text); };
    EXPECT_FALSE(PrepareUpgrade(*connection, report));
    connection->Disconnect();
    connection->Disconnect();
    state.flags.Upgrading = true;  // as while a transfer runs
    EXPECT_FALSE(connection->Connect(report));
    EXPECT_FALSE(RunUpgrade(*connection, "/nonexistent.b", {}, report));  // one transfer at a time
    state.flags.Upgrading = false;
    EXPECT_EQ(said, (std::vector<std::string>{"Already connect,please disconnect", "Updating"}));
    ASSERT_TRUE(Connect());
    EXPECT_TRUE(Eventually([&] { return connection->PollPasses() >= 3; }))
        << "a stale stop request ended the new worker";
}

double SecondsOf(const std::function<void()>& work)
{
    const auto start = SteadyClock::now();
    work();
    return std::chrono::duration<double>(SteadyClock::now() - start).count();
}

TEST_F(ConnectionTest, AKilledDeviceIsLostAtOnceAndFoundAgainWithItsStoredSetting)
{
    const std::string stateFile = MakeTempDir("brevant-state") + "/device.state";
    StartWithConnection({"--no-pacing", "--state", stateFile});
    ASSERT_TRUE(Connect());
    ASSERT_TRUE(Eventually([&] { return connection->PollPasses() >= 1; }));
    ASSERT_TRUE(link->Set(Op::MG, {1}, 5));
    ASSERT_TRUE(SaveDevice(*link, [](auto, auto) {}));
    ASSERT_TRUE(link->Set(Op::MG, {2}, 7));  // never stored: gone with the power

    const std::string dir = sim->PortsDir();
    sim->Kill();
    EXPECT_TRUE(Eventually([&] { return observer.lost == 1; }, 1.0)) << "the loss was not noticed within 1 s";
    EXPECT_FALSE(state.flags.Connected);
    EXPECT_TRUE(connection->Lost());
    EXPECT_EQ(connection->LostPort(), kCom);

    SimProcess again({"--no-pacing", "--state", stateFile}, kCom, dir);
    ASSERT_TRUE(again.Started());
    ASSERT_TRUE(Eventually([&] { return observer.refreshes == 2; }, 5.0));
    EXPECT_TRUE(state.flags.Connected);
    EXPECT_FALSE(connection->Lost());
    EXPECT_EQ(connection->Reconnects(), 1);
    EXPECT_EQ(p.MG[1], 5);
    EXPECT_EQ(p.MG[2], 0) << "the mirror holds what the restarted device holds";
    const int passes = connection->PollPasses();
    EXPECT_TRUE(Eventually([&] { return connection->PollPasses() > passes; }));
    EXPECT_EQ(observer.Events(),
              (std::vector<std::string>{"refreshed", "lost COM3", "restored COM3", "refreshed"}));
}

TEST_F(ConnectionTest, ADeviceBackUnderAnotherNumberIsFoundByARescanAndADisconnectEndsTheSearch)
{
    StartWithConnection({"--no-pacing"});
    ASSERT_TRUE(Connect());
    ASSERT_TRUE(Eventually([&] { return connection->PollPasses() >= 1; }));
    const std::string dir = sim->PortsDir();
    sim->Kill();
    std::filesystem::remove(dir + "/COM3");  // the adapter's device file is gone
    ASSERT_TRUE(Eventually([&] { return observer.lost == 1; }, 1.0));

    SimProcess moved({"--no-pacing"}, 6, dir);
    ASSERT_TRUE(moved.Started());
    ASSERT_TRUE(Eventually([&] { return observer.refreshes == 2; }, 5.0));
    EXPECT_EQ(state.flags.PortNumber, 6);
    EXPECT_TRUE(state.flags.Connected);
    EXPECT_EQ(observer.Events().at(2), "restored COM6");

    // A Disconnect while lost stops the search at once.
    moved.Kill();
    ASSERT_TRUE(Eventually([&] { return observer.lost == 2; }, 1.0));
    EXPECT_LT(SecondsOf([&] { connection->Disconnect(); }), 0.35);
    EXPECT_FALSE(connection->WorkerRunning());
    EXPECT_FALSE(connection->Lost());
    EXPECT_EQ(observer.Events().back(), "reset");
}

// Disconnect while the read-back still runs against a device that answers
// nothing, or only every other query: it returns within one exchange and
// 100 ms, and nothing refills the panels after the reset.
class DisconnectDuringReadBack : public ConnectionTest, public ::testing::WithParamInterface<bool> {};

TEST_P(DisconnectDuringReadBack, ReturnsPromptlyAndNothingRefillsThePanels)
{
    const bool silent = GetParam();
    StartWithConnection(silent ? std::vector<std::string>{}
                               : std::vector<std::string>{"--fault-noreply", "0.5"});
    bool connected = false;
    for (int i = 0; i < 20 && !connected; ++i)
        connected = Connect();
    ASSERT_TRUE(connected);
    if (silent)
        sim->Freeze();
    SleepFor(Micros{300'000});
    ASSERT_EQ(observer.refreshes, 0) << "the read-back ended before the Disconnect";
    // The longest exchange the worker makes (a setting query: 2 ms, then 20
    // re-reads 5 ms apart) plus 100 ms.
    EXPECT_LT(SecondsOf([&] { connection->Disconnect(); }), 0.25);
    SleepFor(Micros{300'000});
    EXPECT_EQ(observer.Events(), std::vector<std::string>{"reset"});
    EXPECT_FALSE(state.flags.Connected);
    if (silent)
        sim->Thaw();
}

INSTANTIATE_TEST_SUITE_P(Devices, DisconnectDuringReadBack, ::testing::Values(true, false),
                         [](const auto& device) {
                             return device.param ? "Silent" : "HalfTheRepliesMissing";
                         });

TEST_F(ConnectionTest, SaveDeviceIsConfirmedWhileThePollingRuns)
{
    StartWithConnection({});
    ASSERT_TRUE(Connect());
    ASSERT_TRUE(Eventually([&] { return connection->PollPasses() >= 1; }));
    std::vector<std::string> saved;
    EXPECT_TRUE(
        SaveDevice(*link, [&](std::string_view text, std::string_view) { saved.emplace_back(text); }));
    EXPECT_EQ(saved, std::vector<std::string>{"Save device successfully"});
    EXPECT_FALSE(state.flags.PollingHeld());
}

// With the link lost the worker seeks the device once a second; an upgrade
// ends that search before it starts and nothing runs beside the transfer:
// the port keeps its number and no reconnect happens until Connect.
TEST_F(ConnectionTest, AnUpgradeAfterALostDeviceEndsTheSearchFirst)
{
    StartWithConnection({"--no-pacing"});
    ASSERT_TRUE(Connect());
    ASSERT_TRUE(Eventually([&] { return connection->PollPasses() >= 1; }));
    sim->Freeze();
    ASSERT_TRUE(Eventually([&] { return connection->Lost(); }, 5.0));
    ASSERT_TRUE(connection->WorkerRunning());

    std::vector<std::string> said;
    const Report report = [&](std::string_view text, std::string_view detail) {
        said.push_back(std::string(text) + std::string(detail));
    };
    ASSERT_TRUE(PrepareUpgrade(*connection, report));  // the model query goes unanswered
    EXPECT_FALSE(connection->WorkerRunning());
    EXPECT_FALSE(connection->Lost());
    EXPECT_EQ(observer.Events().back(), "reset");
    sim->Thaw();
    SleepFor(Micros{300'000});  // the queries sent while frozen are answered, then drained

    const std::string image = MakeTempDir("brevant-upgrade") + "/new.b";
    ASSERT_EQ(
        RunProgram(BREVANT_SIM_PATH, {"--make-firmware", image, "--version", "321", "--words", "64"}).status,
        0);
    int beside = 0;
    const bool ok = RunUpgrade(
        *connection, image,
        [&](int) { beside += connection->WorkerRunning() || state.flags.PortNumber != kCom ? 1 : 0; },
        report);
    EXPECT_TRUE(ok) << (said.empty() ? "" : said.back());
    EXPECT_EQ(beside, 0);
    EXPECT_EQ(connection->Reconnects(), 0);
    ASSERT_TRUE(Connect());
    EXPECT_EQ(p.SV.Get(), "SV321");
}

}  // namespace
}  // namespace brevant::test
