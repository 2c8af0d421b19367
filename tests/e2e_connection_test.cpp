// Connect, read-back, polling and Disconnect against the simulator.
#include "Connection.h"
#include "RecordingObserver.h"
#include "SaveDevice.h"
#include "UpgradeProcedure.h"
#include "SimLinkFixture.h"

#include <ctime>

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
        return connection->Connect([this](std::string_view text, std::string_view) {
            shown.emplace_back(text);
        });
    }
    // Waits up to `seconds` for `condition`.
    template <typename F>
    bool Eventually(F condition, double seconds = 5.0)
    {
        const Deadline deadline(Micros{static_cast<long>(seconds * 1e6)});
        while (!condition()) {
            if (deadline.Expired())
                return false;
            SleepFor(Micros{5'000});
        }
        return true;
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

TEST_F(ConnectionTest, SecondConnectIsRefusedAndReconnectAfterDisconnectPollsAgain)
{
    StartWithConnection({"--no-pacing"});
    ASSERT_TRUE(Connect());
    EXPECT_FALSE(Connect());
    EXPECT_EQ(shown, std::vector<std::string>{"Already connect"});
    connection->Disconnect();
    // A second Disconnect finds no worker: its stop request is dropped.
    connection->Disconnect();
    ASSERT_TRUE(Connect());
    EXPECT_TRUE(Eventually([&] { return connection->PollPasses() >= 3; }))
        << "a stale stop request ended the new worker";
}

TEST_F(ConnectionTest, APollingHoldHoldsThePollingBack)
{
    StartWithConnection({"--no-pacing"});
    ASSERT_TRUE(Connect());
    ASSERT_TRUE(Eventually([&] { return connection->PollPasses() >= 1; }));
    auto hold = std::make_unique<PollingHold>(state.flags);
    SleepFor(Micros{50'000});  // any cycle in progress ends at its next exchange
    const int before = connection->PollPasses();
    SleepFor(Micros{200'000});
    EXPECT_EQ(connection->PollPasses(), before);
    // A user command gets the port at once meanwhile.
    EXPECT_TRUE(link->Set(Op::MG, {1}, 6));
    hold.reset();
    EXPECT_TRUE(Eventually([&] { return connection->PollPasses() > before; }));
}

TEST_F(ConnectionTest, UnknownModelConnectsWithoutConnectedAndNeverRunsTwoWorkers)
{
    StartWithConnection({"--no-pacing", "--unknown-model"});
    EXPECT_TRUE(Connect());
    EXPECT_TRUE(shown.empty());
    EXPECT_FALSE(state.flags.Connected);
    ASSERT_TRUE(Eventually([&] { return connection->PollPasses() >= 1; }));
    EXPECT_TRUE(Connect());  // stops the first worker before starting another
    EXPECT_EQ(observer.ended, 1);
}

TEST_F(ConnectionTest, VanishedPortFailsQuietlyWithoutSpinningAndConnectWorksWhenItIsBack)
{
    StartWithConnection({"--no-pacing"});
    ASSERT_TRUE(Connect());
    ASSERT_TRUE(Eventually([&] { return connection->PollPasses() >= 1; }));
    const std::string dir = sim->PortsDir();
    sim->Stop();
    SleepFor(Micros{100'000});

    timespec before{};
    timespec after{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &before);
    const int passes = connection->PollPasses();
    SleepFor(Micros{500'000});
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &after);
    const double cpu = (after.tv_sec - before.tv_sec) + (after.tv_nsec - before.tv_nsec) / 1e9;
    EXPECT_LT(cpu, 0.25) << "the worker spins on a vanished port";
    EXPECT_LE(connection->PollPasses(), passes + 2);  // a dead meter read costs its whole budget
    EXPECT_TRUE(connection->WorkerRunning());

    connection->Disconnect();
    SimProcess again({"--no-pacing"}, kCom, dir);
    ASSERT_TRUE(again.Started());
    ASSERT_TRUE(Connect());
    EXPECT_TRUE(Eventually([&] { return connection->PollPasses() >= 2; }));
}

TEST_F(ConnectionTest, SaveDeviceIsConfirmedWhileThePollingRuns)
{
    StartWithConnection({});
    ASSERT_TRUE(Connect());
    ASSERT_TRUE(Eventually([&] { return connection->PollPasses() >= 1; }));
    std::vector<std::string> saved;
    EXPECT_TRUE(SaveDevice(*link, [&](std::string_view text, std::string_view) { saved.emplace_back(text); }));
    EXPECT_EQ(saved, std::vector<std::string>{"Save device successfully"});
    EXPECT_FALSE(state.flags.PollingHeld());
}

TEST_F(ConnectionTest, UpgradeIsRefusedWhileConnectedAndConnectWhileUpgrading)
{
    StartWithConnection({"--no-pacing"});
    ASSERT_TRUE(Connect());
    std::vector<std::string> said;
    const Report report = [&](std::string_view text, std::string_view) { said.emplace_back(text); };
    EXPECT_FALSE(PrepareUpgrade(*connection, report));
    connection->Disconnect();
    state.flags.Upgrading = true;  // as while a transfer runs
    EXPECT_FALSE(connection->Connect(report));
    EXPECT_FALSE(RunUpgrade(*connection, "/nonexistent.b", {}, report));  // one transfer at a time
    state.flags.Upgrading = false;
    EXPECT_EQ(said, (std::vector<std::string>{"Already connect,please disconnect", "Updating"}));
}

}  // namespace
}  // namespace brevant::test
