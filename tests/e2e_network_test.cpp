// What only a device on the network brings, through a real ser2net serving
// the simulator on loopback: replies torn across TCP reads (Nagle on the
// server's side; a relay that cuts each reply 3, 20 and 50 ms apart), a
// server that restarts, a server that refuses a second client ("Port already
// in use"), a simulator restarting behind the server, and brevantctl with
// --port tcp:// and rfc2217://.
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
    bool Restored(int n) const
    {
        return observer.refreshes >= n && state.flags.Connected && !connection->Lost();
    }
};

// A server that restarts, then a simulator that restarts behind the server
// that stays: each is a lost device found again at the same address.
TEST_P(NetworkTest, AServerOrDeviceRestartIsALostDeviceFoundAgainAtTheSameAddress)
{
    StartConnected({"--no-pacing", "--state", work + "/device.state"});
    server->Stop();
    ASSERT_TRUE(Eventually([&] { return observer.lost == 1; }, 2.0))
        << "the closed connection went unnoticed";
    EXPECT_EQ(connection->LostPort(), com);
    EXPECT_FALSE(state.flags.Connected);
    EXPECT_EQ(serial->Label(com), server->Address().Text());
    ASSERT_TRUE(server->Start()) << server->Error();
    ASSERT_TRUE(Eventually([&] { return Restored(2); }, 5.0)) << Said();
    EXPECT_EQ(state.flags.PortNumber, com);
    EXPECT_EQ(connection->Reconnects(), 1);

    sim->Kill();
    ASSERT_TRUE(Eventually([&] { return observer.lost == 2; }, 3.0));
    SimProcess again({"--no-pacing", "--state", work + "/device.state"}, kCom, sim->PortsDir());
    ASSERT_TRUE(again.Started());
    ASSERT_TRUE(Eventually([&] { return Restored(3); }, 6.0)) << Said();
    const int passes = connection->PollPasses();
    EXPECT_TRUE(Eventually([&] { return connection->PollPasses() > passes; }));
    connection->Disconnect();
}

TEST_P(NetworkTest, ASecondClientIsRefusedAndTheDeviceIsFoundOnceItLeaves)
{
    StartConnected({"--no-pacing"});
    // While we are connected, another program is turned away with ser2net's words.
    PortRouter other(PortMap::Directory(sim->PortsDir()));
    const int theirs = other.Assign(server->Address());
    EXPECT_NE(other.Open(theirs), 0);
    EXPECT_NE(other.LastError(theirs).find("Port already in use"), std::string::npos)
        << other.LastError(theirs);
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
    const std::string why = serial->LastError(com);
    EXPECT_NE(why.find("Port already in use"), std::string::npos) << why;
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
}

INSTANTIATE_TEST_SUITE_P(Ser2net, NetworkTest,
                         ::testing::Values(Route{Transport::Ser2netRaw}, Route{Transport::Ser2netRfc2217}),
                         RouteName);

}  // namespace
}  // namespace brevant::test
