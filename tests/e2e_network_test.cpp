// What only a device on the network brings, through a real ser2net serving
// the simulator on loopback: a server that restarts, a server that refuses a
// second client ("Port already in use"), and a simulator restarting behind
// the server. Replies torn across TCP reads are the transport suite's (Nagle
// on ser2net's side) and network_port_test's (a reply torn past the budget).
#include "tests/TransportedFixture.h"

namespace brevant::test {
namespace {

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

INSTANTIATE_TEST_SUITE_P(Ser2net, NetworkTest,
                         ::testing::Values(Route{Transport::Ser2netRaw}, Route{Transport::Ser2netRfc2217}),
                         RouteName);

}  // namespace
}  // namespace brevant::test
