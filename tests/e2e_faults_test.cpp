// A misbehaving device: every fault ends in a clean failure, and no failed
// or cut reply ever leaves a wrong value in the mirror.
#include "SimLinkFixture.h"

namespace brevant::test {
namespace {

using FaultTest = SimLinkFixture;

TEST_F(FaultTest, NoReplyFailsAndKeepsTheValue)
{
    Start({"--no-pacing", "--fault-noreply", "1"});
    p.MG[1] = 3;
    EXPECT_EQ(link->Query(Op::MG, {1}).Error(), LinkError::NoReply);
    EXPECT_EQ(p.MG[1], 3);
}

TEST_F(FaultTest, SplitRepliesAreJoinedAtTheirLineEnd)
{
    Start({"--no-pacing", "--fault-split", "1"});
    EXPECT_TRUE(link->Set(Op::MG, {1}, -5));
    EXPECT_EQ(p.MG[1], -5);
    // Every later reply is split too; each is read whole and none spills over.
    for (int n = 1; n <= 4; ++n) {
        EXPECT_TRUE(link->Query(Op::OD, {n}));
        EXPECT_TRUE(link->Query(Op::MG, {1}));
        EXPECT_EQ(p.MG[1], -5);
    }
}

TEST_F(FaultTest, GarbageIsNotAReply)
{
    Start({"--no-pacing", "--fault-garbage", "1"});
    p.OD[2] = 40;
    EXPECT_EQ(link->Query(Op::OD, {2}).Error(), LinkError::WrongReply);
    EXPECT_EQ(p.OD[2], 40);
    EXPECT_FALSE(link->Run(Op::CG1));
    EXPECT_EQ(p.CG1, 0);
}

TEST_F(FaultTest, ADelayBeyondTheBudgetFailsButTheSaveProfileWaitsItOut)
{
    Start({"--no-pacing", "--fault-delay", "1", "--delay-ms", "250"});
    EXPECT_TRUE(link->Run(Op::SS));  // up to 100 re-reads of 10 ms
    EXPECT_EQ(link->Query(Op::MB).Error(), LinkError::NoReply);  // 20 re-reads of 5 ms
}

TEST_F(FaultTest, SilentDeviceIsNotFound)
{
    Start({"--no-pacing", "--silent"});
    link->ClosePort();
    EXPECT_FALSE(link->ProbePort(kCom));
}

TEST_F(FaultTest, UnknownModelIsReportedAsIs)
{
    Start({"--no-pacing", "--unknown-model"});
    std::string reply;
    ASSERT_TRUE(link->Exchange("SAsr\n", kModelQueryProfile, reply));
    EXPECT_EQ(reply, "SAK999\r\n");
}

TEST_F(FaultTest, UnderMixedFaultsEveryStoredValueIsOneTheDeviceHeld)
{
    Start({"--no-pacing", "--seed", "7", "--fault-noreply", "0.15", "--fault-split", "0.15",
           "--fault-garbage", "0.15"});
    int succeeded = 0;
    int failed = 0;
    for (int i = 0; i < 150; ++i) {
        const int sent = (i % 40) - 20;  // within the output range -20..20
        const int before = p.OV[2];
        if (link->Set(Op::OV, {2}, sent)) {
            ++succeeded;
            EXPECT_EQ(p.OV[2], sent) << i;
        } else {
            ++failed;
            EXPECT_EQ(p.OV[2], before) << i;
        }
    }
    EXPECT_GT(succeeded, 30);
    EXPECT_GT(failed, 30);
}

}  // namespace
}  // namespace brevant::test
