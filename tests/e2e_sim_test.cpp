// End to end against the paced simulator: the real termios layer, honest
// line timing, every family of command.
#include "SimLinkFixture.h"

#include <filesystem>

namespace brevant::test {
namespace {

using SimTest = SimLinkFixture;

TEST_F(SimTest, ProbeFindsTheDeviceOnlyWhereItIsAndLeavesThePortClosed)
{
    Start();
    link->ClosePort();
    state.flags.PortNumber = -1;
    EXPECT_FALSE(link->ProbePort(1));
    EXPECT_FALSE(link->ProbePort(4));
    EXPECT_TRUE(link->ProbePort(kCom));
    EXPECT_TRUE(link->ProbePort(kCom));  // closed again, so it opens again
    state.flags.PortNumber = kCom;
    EXPECT_TRUE(link->OpenPort());
}

TEST_F(SimTest, IdentityQueries)
{
    Start({"--model", "K217"});
    EXPECT_TRUE(link->ReadVersion());
    EXPECT_EQ(p.SV.Get(), "SV105");
    std::string reply;
    ASSERT_TRUE(link->Exchange("SAsr\n", kModelQueryProfile, reply));
    EXPECT_EQ(reply, "SAK217\r\n");
}

// Set and query of every family of setting: e2e_transport_test.cpp, over every transport.

TEST_F(SimTest, MetersReadPlausibleLevelsAndFollowMute)
{
    Start({"--model", "K218"});
    for (int n = 1; n <= kChannels; ++n) {
        ASSERT_TRUE(link->Query(Op::ML, {n}));
        ASSERT_TRUE(link->Query(Op::OL, {n}));
        EXPECT_GE(p.ML[static_cast<std::size_t>(n)], -100);
        EXPECT_LE(p.ML[static_cast<std::size_t>(n)], 0);
        EXPECT_GT(p.ML[static_cast<std::size_t>(n)], -100) << "an unmuted input has signal";
        ASSERT_TRUE(link->Query(Op::ME, {n}));
        ASSERT_TRUE(link->Query(Op::MS, {n}));
    }
    ASSERT_TRUE(link->Set(Op::MM, {1}, 1));
    ASSERT_TRUE(link->Query(Op::ML, {1}));
    EXPECT_EQ(p.ML[1], -100);
}

TEST_F(SimTest, SoundTestRunsPointByPointAndDeliversBothCurves)
{
    Start();
    ASSERT_TRUE(link->Run(Op::SM));
    ASSERT_TRUE(link->Set(Op::CN, {}, 2));
    ASSERT_TRUE(link->Set(Op::CP, {}, 2));
    ASSERT_TRUE(link->Set(Op::CT, {}, 3));
    EXPECT_EQ(p.CNValid + p.CPValid + p.CTValid, 3);
    ASSERT_TRUE(link->Run(Op::CG3));
    ASSERT_TRUE(link->Run(Op::CG1));
    ASSERT_TRUE(link->Run(Op::CG2));
    EXPECT_FALSE(link->Run(Op::CG2));  // both points are taken
    EXPECT_EQ(p.CG2, 0);
    ASSERT_TRUE(link->Run(Op::CG0));
    for (int b = 1; b <= kBlocks; ++b) {
        ASSERT_TRUE(link->Query(Op::BlockD, {b})) << b;
        ASSERT_TRUE(link->Query(Op::BlockE, {b})) << b;
    }
    EXPECT_EQ(log.Size(), 20u);
    for (int k = 0; k < 100; ++k) {
        const int d = p.DSR[static_cast<std::size_t>(k / 10 + 1)][static_cast<std::size_t>(k % 10)];
        const int e = p.ESR[static_cast<std::size_t>(k / 10 + 1)][static_cast<std::size_t>(k % 10)];
        EXPECT_GT(d, e) << "the response stands above the floor at point " << k;
        EXPECT_GE(d, -60);
        EXPECT_LE(d, 30);
    }
    ASSERT_TRUE(link->Run(Op::CE));
    EXPECT_EQ(p.CNValid, 0);
    EXPECT_FALSE(link->Run(Op::CG1));  // not in test mode any more
}

TEST_F(SimTest, SavedSettingSurvivesARestartOfTheDevice)
{
    const std::string dir = MakeTempDir("brevant-state");
    const std::string stateFile = dir + "/device.state";
    Start({"--state", stateFile});
    ASSERT_TRUE(link->Set(Op::MG, {1}, 12));
    ASSERT_TRUE(link->Set(Op::XG, {4, 3}, -7));
    ASSERT_TRUE(link->Run(Op::SS));
    EXPECT_EQ(p.SS, 1);
    ASSERT_TRUE(link->Set(Op::MG, {1}, 0));  // not saved
    link->ClosePort();

    Start({"--state", stateFile});
    ASSERT_TRUE(link->Query(Op::MG, {1}));
    EXPECT_EQ(p.MG[1], 12);
    ASSERT_TRUE(link->Query(Op::XG, {4, 3}));
    EXPECT_EQ(p.XG[4][3], -7);
    std::filesystem::remove_all(dir);
}

// The tool's own commands are tested in the brevantctl tests; here, what it
// says of the ports folder the simulator publishes.
TEST_F(SimTest, CommandLineToolListsThePortsAndNamesOneItCannotOpen)
{
    Start();
    link->ClosePort();
    auto result = RunProgram(BREVANT_CTL_PATH, {"--ports", sim->PortsDir(), "--port", "5", "version"});
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find("cannot open COM5"), std::string::npos) << result.err;
    result = RunProgram(BREVANT_CTL_PATH, {"--ports", sim->PortsDir(), "ports"});
    EXPECT_EQ(result.out.rfind("COM3 ", 0), 0u) << result.out;
}

}  // namespace
}  // namespace brevant::test
