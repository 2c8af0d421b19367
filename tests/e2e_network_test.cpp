// What only a device on the network brings, through a real ser2net serving
// the simulator on loopback: replies torn across TCP reads (Nagle on the
// server's side; a relay that cuts each reply 3, 20 and 50 ms apart), a
// server that restarts, a server that refuses a second client ("Port already
// in use"), a simulator restarting behind the server, and brevantctl with
// --port tcp:// and rfc2217://.
#include "procedures/SaveDevice.h"
#include "tests/TransportedFixture.h"

namespace brevant::test {
namespace {

// The read-back and sets of the transport suite through torn replies.
using TornTransported = Transported;

TEST_P(TornTransported, TheReadBackAndSetsWhilePollingHoldExactlyWhatTheDeviceHolds)
{
    // A reply torn 50 ms apart outlasts the 40 ms a meter reply has on a
    // serial line; the network port's slack keeps it whole.
    ReadBackAndSetsWhilePolling();
    if (relay) {
        EXPECT_GT(relay->TornReplies(), 100);
    }
}

INSTANTIATE_TEST_SUITE_P(Ser2net, TornTransported,
                         ::testing::Values(Route{Transport::Ser2netRaw, false},
                                           Route{Transport::Ser2netRaw, true, Micros{3'000}},
                                           Route{Transport::Ser2netRaw, true, Micros{20'000}},
                                           Route{Transport::Ser2netRaw, true, Micros{50'000}}),
                         RouteName);

class NetworkTest : public Transported {
protected:
    bool Restored(int n) const { return observer.refreshes >= n && state.flags.Connected && !connection->Lost(); }
    bool LastErrorSays(const std::string& words) const
    {
        return serial->LastError(com).find(words) != std::string::npos;
    }
};

TEST_P(NetworkTest, AServerRestartIsALostDeviceFoundAgainAtTheSameAddress)
{
    StartConnected({"--no-pacing"});
    server->Stop();
    ASSERT_TRUE(Eventually([&] { return observer.lost == 1; }, 2.0)) << "the closed connection went unnoticed";
    EXPECT_EQ(connection->LostPort(), com);
    EXPECT_FALSE(state.flags.Connected);
    EXPECT_EQ(serial->Label(com), server->Address().Text());

    ASSERT_TRUE(server->Start()) << server->Error();
    ASSERT_TRUE(Eventually([&] { return Restored(2); }, 5.0)) << Said();
    EXPECT_EQ(state.flags.PortNumber, com);
    EXPECT_EQ(connection->Reconnects(), 1);
    const int passes = connection->PollPasses();
    EXPECT_TRUE(Eventually([&] { return connection->PollPasses() > passes; }));
}

TEST_P(NetworkTest, ASimulatorRestartBehindTheServerIsFoundAgainWithItsStoredSetting)
{
    const std::string stateFile = work + "/device.state";
    StartConnected({"--no-pacing", "--state", stateFile});
    ASSERT_TRUE(link->Set(Op::MG, {1}, 5));
    ASSERT_TRUE(SaveDevice(*link, [](auto, auto) {}));  // the device keeps its setting
    ASSERT_TRUE(link->Set(Op::MG, {2}, 7));  // never stored: gone with the power

    sim->Kill();
    ASSERT_TRUE(Eventually([&] { return observer.lost == 1; }, 3.0));
    // The server stays; the device behind it comes back on the same path.
    SimProcess again({"--no-pacing", "--state", stateFile}, kCom, sim->PortsDir());
    ASSERT_TRUE(again.Started());
    ASSERT_TRUE(Eventually([&] { return Restored(2); }, 6.0)) << Said();
    EXPECT_EQ(p.MG[1], 5);
    EXPECT_EQ(p.MG[2], 0) << "the mirror holds what the restarted device holds";
    connection->Disconnect();
}

TEST_P(NetworkTest, ASecondClientIsRefusedAndTheDeviceIsFoundOnceItLeaves)
{
    StartConnected({"--no-pacing"});
    // While we are connected, another program is turned away with ser2net's words.
    PortRouter other(PortMap::Directory(sim->PortsDir()));
    const int theirs = other.Assign(server->Address());
    EXPECT_NE(other.Open(theirs), 0);
    EXPECT_NE(other.LastError(theirs).find("Port already in use"), std::string::npos) << other.LastError(theirs);
    other.Close(theirs);

    // The server restarts, and the other program gets in first: each of our
    // attempts is refused until it leaves.
    server->Stop();
    ASSERT_TRUE(Eventually([&] { return observer.lost == 1; }, 2.0));
    ASSERT_TRUE(server->Start()) << server->Error();
    bool theyGotIn = false;
    ASSERT_TRUE(Eventually([&] { return (theyGotIn = other.Open(theirs) == 0) || Restored(2); }, 2.0));
    if (!theyGotIn) {
        // We were quicker: then they were refused, which is the same rule.
        EXPECT_NE(other.LastError(theirs).find("in use"), std::string::npos) << other.LastError(theirs);
        return;
    }
    SleepFor(Micros{2'200'000});  // two attempts at least
    EXPECT_TRUE(connection->Lost());
    EXPECT_TRUE(LastErrorSays("Port already in use")) << serial->LastError(com);
    EXPECT_EQ(observer.refreshes, 1);
    other.Close(theirs);
    ASSERT_TRUE(Eventually([&] { return Restored(2); }, 3.0)) << Said();
}

TEST_P(NetworkTest, BrevantctlNamesTheNetworkPortAndDumpsAsOverThePty)
{
    Start({"--no-pacing"});
    const std::string address = server->Address().Text();
    // Our link holds the server's one connection.
    auto refused = RunProgram(BREVANT_CTL_PATH, {"--port", address, "info"});
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find(address + ": the server"), std::string::npos) << refused.err;
    // ser2net says why and closes; when our RFC 2217 negotiation is still
    // unread there, the close is a reset, which may overtake the words.
    EXPECT_TRUE(refused.err.find("in use") != std::string::npos ||
                refused.err.find("reset the connection") != std::string::npos)
        << refused.err;
    link->ClosePort();
    SleepFor(Micros{100'000});  // ser2net lets go of the device

    const auto info = RunProgram(BREVANT_CTL_PATH, {"--port", address, "info"});
    EXPECT_EQ(info.status, 0) << info.err;
    EXPECT_EQ(info.out.rfind("port " + address + "\n", 0), 0u) << info.out;
    const auto overNetwork = RunProgram(BREVANT_CTL_PATH, {"--port", address, "dump"});
    EXPECT_EQ(overNetwork.status, 0) << overNetwork.err;
    SleepFor(Micros{100'000});
    const auto overPty = RunProgram(BREVANT_CTL_PATH, {"--ports", sim->PortsDir(), "--port", "3", "dump"});
    EXPECT_EQ(overPty.status, 0) << overPty.err;
    EXPECT_EQ(overNetwork.out, overPty.out);
    EXPECT_FALSE(overNetwork.out.empty());

    const auto wrong = RunProgram(BREVANT_CTL_PATH, {"--port", "tcp://127.0.0.1", "info"});
    EXPECT_EQ(wrong.status, 2);
    EXPECT_NE(wrong.err.find("names no TCP port (HOST:PORT)"), std::string::npos) << wrong.err;
}

INSTANTIATE_TEST_SUITE_P(Ser2net, NetworkTest,
                         ::testing::Values(Route{Transport::Ser2netRaw}, Route{Transport::Ser2netRfc2217}), RouteName);

}  // namespace
}  // namespace brevant::test
