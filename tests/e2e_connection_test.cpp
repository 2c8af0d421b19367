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
    bool Connect() { return connection->Connect(report); }

    RecordingObserver observer;
    std::unique_ptr<Connection> connection;
    std::vector<std::string> shown;  // what the procedures reported, with any detail
    const Report report = [this](std::string_view text, std::string_view detail) {
        shown.push_back(std::string(text) + std::string(detail));
    };
};

// A family 2 model on a line paced like the real one (the other tests
// connect to the default K225, family 1).
TEST_F(ConnectionTest, ConnectsKeepsTheMetersLiveAndADoubleDisconnectLeavesTheNextConnectPolling)
{
    StartWithConnection({"--model", "K218"});
    ASSERT_TRUE(Connect());
    EXPECT_TRUE(shown.empty());
    EXPECT_EQ(state.flags.PortNumber, kCom);
    EXPECT_TRUE(state.flags.Connected);
    EXPECT_EQ(p.SA.Get(), "SAK218");
    EXPECT_EQ(p.SV.Get(), "SV105");
    EXPECT_EQ(observer.panesFamily, 2);
    EXPECT_EQ(observer.channelViews, 1);
    ASSERT_TRUE(Eventually([&] { return observer.passes >= 3; }));
    EXPECT_EQ(observer.refreshedFamily, 2);
    EXPECT_EQ(p.MX[2][2], 1);  // read back from the device's default routing
    EXPECT_LT(p.ML[1], 0);

    connection->Disconnect();
    EXPECT_FALSE(state.flags.Connected);
    EXPECT_FALSE(connection->WorkerRunning());
    EXPECT_EQ(observer.resetFamily, 2);
    EXPECT_EQ(state.flags.PortNumber, kCom);  // kept for the next Connect

    // A second Disconnect finds no worker and its stop request is dropped, so
    // the next Connect polls on; while a transfer runs no second one starts.
    connection->Disconnect();
    state.flags.Upgrading = true;  // as while a transfer runs
    EXPECT_FALSE(RunUpgrade(*connection, "/nonexistent.b", {}, report));
    state.flags.Upgrading = false;
    EXPECT_EQ(shown, std::vector<std::string>{}) << "a second transfer started";
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

// Lost at once when killed; found again with its stored setting, then under
// another number; a Disconnect ends the search.
TEST_F(ConnectionTest, AKilledDeviceIsLostAtOnceAndFoundAgainEvenUnderAnotherNumber)
{
    const std::string stateFile = MakeTempDir("brevant-state") + "/device.state";
    StartWithConnection({"--no-pacing", "--state", stateFile});
    ASSERT_TRUE(Connect());
    ASSERT_TRUE(Eventually([&] { return connection->PollPasses() >= 1; }));
    ASSERT_TRUE(link->Set(Op::MG, {1}, 5));
    ASSERT_TRUE(SaveDevice(*link, [](auto, auto) {}));  // confirmed while the polling runs
    EXPECT_FALSE(state.flags.PollingHeld());
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

    // Back under another number, the adapter's device file gone: a rescan finds it.
    again.Kill();
    std::filesystem::remove(dir + "/COM3");
    ASSERT_TRUE(Eventually([&] { return observer.lost == 2; }, 1.0));
    SimProcess moved({"--no-pacing"}, 6, dir);
    ASSERT_TRUE(moved.Started());
    ASSERT_TRUE(Eventually([&] { return observer.refreshes == 3; }, 5.0));
    EXPECT_EQ(state.flags.PortNumber, 6);
    EXPECT_TRUE(state.flags.Connected);
    EXPECT_EQ(observer.Events().at(5), "restored COM6");

    // A Disconnect while lost stops the search at once.
    moved.Kill();
    ASSERT_TRUE(Eventually([&] { return observer.lost == 3; }, 1.0));
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

    ASSERT_TRUE(PrepareUpgrade(*connection, report));  // the model query goes unanswered
    EXPECT_FALSE(connection->WorkerRunning());
    EXPECT_FALSE(connection->Lost());
    EXPECT_EQ(observer.Events().back(), "reset");
    sim->Thaw();
    // The queries sent while frozen are answered, then drained; a simulator
    // slowed by a sanitizer takes a while over the backlog.
    SleepFor(Micros{1'000'000});

    const std::string image = MakeTempDir("brevant-upgrade") + "/new.b";
    ASSERT_EQ(
        RunProgram(BREVANT_SIM_PATH, {"--make-firmware", image, "--version", "321", "--words", "64"}).status,
        0);
    int beside = 0;
    const bool ok = RunUpgrade(
        *connection, image,
        [&](int) { beside += connection->WorkerRunning() || state.flags.PortNumber != kCom ? 1 : 0; },
        report);
    EXPECT_TRUE(ok) << (shown.empty() ? "" : shown.back());
    EXPECT_EQ(beside, 0);
    EXPECT_EQ(connection->Reconnects(), 0);
}

}  // namespace
}  // namespace brevant::test
