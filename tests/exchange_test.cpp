// The byte exchange under every command: re-read budgets, the gap that ends
// a reply, bounded replies, and that both ways of waiting behave alike.
#include "LinkFixture.h"

#include <algorithm>

namespace brevant::test {
namespace {

class ExchangeTest : public LinkFixture, public ::testing::WithParamInterface<WaitMode> {
protected:
    void SetUp() override { link.SetWaitMode(GetParam()); }
    std::string reply;
};

TEST_P(ExchangeTest, SilentDeviceFailsAfterTheWholeReReadBudget)
{
    const struct {
        const ExchangeProfile& profile;
        Micros budget;
    } cases[] = {
        {kStandardProfile, 2ms + 20 * 5ms},
        {kMeterProfile, 2ms + 20 * 2ms},
        {kProbeProfile, 10 * 5ms},
        {kIdentifyProfile, 20 * 10ms},
        {kActionProfile, 2ms + 20 * 10ms},
        {kSaveProfile, 2ms + 100 * 10ms},
    };
    for (const auto& c : cases) {
        const Micros start = port.Now();
        EXPECT_EQ(link.Exchange("MG1r\r\n", c.profile, reply).Error(), LinkError::NoReply)
            << c.profile.name;
        EXPECT_EQ(port.Now() - start, c.budget) << c.profile.name;
    }
}

TEST_P(ExchangeTest, ReplyJustInsideTheBudgetIsTaken)
{
    port.Answer(kPort, {{2ms + 20 * 5ms, "MG1-3\r\n"}});
    EXPECT_TRUE(link.Exchange("MG1r\r\n", kStandardProfile, reply));
    EXPECT_EQ(reply, "MG1-3\r\n");
}

TEST_P(ExchangeTest, PiecesCloserThanTheChunkPauseAreJoined)
{
    port.Answer(kPort, {{3ms, "MG"}, {4ms, "1-1"}, {5500us, "2\r\n"}});
    EXPECT_TRUE(link.Query(Op::MG, {1}));
    EXPECT_EQ(p.MG[1], -12);
}

TEST_P(ExchangeTest, ATornReplyIsWaitedForUntilItsLineEnd)
{
    port.Answer(kPort, {{3ms, "MG1-1"}, {30ms, "2\r\n"}});
    EXPECT_TRUE(link.Query(Op::MG, {1}));
    EXPECT_EQ(p.MG[1], -12);
}

TEST_P(ExchangeTest, AReplyTornBeyondTheBudgetFailsAndItsRestIsThrownAwayBeforeTheNextCommand)
{
    ProtocolTrace trace;
    link.SetTrace(&trace);
    p.MG[1] = 5;
    port.Answer(kPort, {{3ms, "MG1-1"}, {300ms, "2\r\n"}});
    EXPECT_EQ(link.Query(Op::MG, {1}).Error(), LinkError::Incomplete);
    EXPECT_EQ(p.MG[1], 5);

    port.Wait(kPort, 300ms, false);
    port.Answer(kPort, {{3ms, "MG2-7\r\n"}});
    EXPECT_TRUE(link.Exchange("MG2r\r\n", kStandardProfile, reply));
    EXPECT_EQ(reply, "MG2-7\r\n");
    const auto records = trace.Snapshot();
    const auto discarded = std::find_if(records.begin(), records.end(),
                                        [](const TraceRecord& r) { return r.direction == TraceDirection::Discarded; });
    ASSERT_NE(discarded, records.end());
    EXPECT_EQ(discarded->bytes, "2\r\n");
    link.SetTrace(nullptr);
}

TEST_P(ExchangeTest, SlowChunkProfileWaitsLongerForTheRest)
{
    // A 4 ms gap ends a standard reply but not an AEC reply.
    port.Answer(kPort, {{3ms, "MC1"}, {7ms, "1\r\n"}});
    EXPECT_TRUE(link.Query(Op::MC, {1}));
    EXPECT_EQ(p.MC[1], 1);
}

TEST_P(ExchangeTest, ALateReplyToAnEarlierCommandIsPassedOverForThisCommandsOwn)
{
    // In one piece, and in two pieces with a gap that ends the first reply.
    port.Answer(kPort, "OL3-100\r\nMG1-12\r\n");
    EXPECT_TRUE(link.Query(Op::MG, {1}));
    EXPECT_EQ(p.MG[1], -12);
    port.Answer(kPort, {{1ms, "MG3-4\r\n"}, {40ms, "MG1-7\r\n"}});
    EXPECT_TRUE(link.Query(Op::MG, {1}));
    EXPECT_EQ(p.MG[1], -7);
    EXPECT_EQ(p.MG[3], -4) << "the device's word for another channel is kept";
    EXPECT_EQ(p.OL[3], 0);

    // Garbage and nothing after it: the command fails once its budget is spent.
    port.Answer(kPort, "7+,3;9\r\n");
    EXPECT_EQ(link.Query(Op::MG, {1}).Error(), LinkError::WrongReply);
    EXPECT_EQ(p.MG[1], -7);
}

TEST_P(ExchangeTest, AfterAnUnansweredSetTheLateAnswerDoesNotConfirmTheNextOne)
{
    // The answer to MG1 5 comes 150 ms late, in the middle of the next set's
    // exchange; the device's newer word, for 6, follows it.
    port.Answer(kPort, {{150ms, "MG15\r\n"}});
    EXPECT_EQ(link.Set(Op::MG, {1}, 5).Error(), LinkError::NoReply);
    port.Answer(kPort, {{60ms, "MG16\r\n"}});
    EXPECT_TRUE(link.Set(Op::MG, {1}, 6));
    EXPECT_EQ(p.MG[1], 6);
}

TEST_P(ExchangeTest, BytesThatCameUnaskedAreThrownAway)
{
    port.Inject(kPort, "junk");
    port.Answer(kPort, "MG1-1\r\n");
    EXPECT_TRUE(link.Query(Op::MG, {1}));
    EXPECT_EQ(p.MG[1], -1);
}

TEST_P(ExchangeTest, AVanishedPortIsAnErrorOfItsOwnAndIsTraced)
{
    ProtocolTrace trace;
    link.SetTrace(&trace);
    port.Vanish(kPort);
    EXPECT_EQ(link.Query(Op::MG, {1}).Error(), LinkError::PortGone);
    EXPECT_EQ(link.SetConfirmed(Op::MG, {1}, 3).Error(), LinkError::PortGone);
    EXPECT_EQ(std::count(port.Calls().begin(), port.Calls().end(), "write " + std::to_string(kPort)), 0)
        << "nothing is written to a port found gone while emptying its input";
    const auto records = trace.Snapshot();
    ASSERT_FALSE(records.empty());
    EXPECT_EQ(records.front().direction, TraceDirection::Event);
    EXPECT_EQ(records.front().bytes.rfind("port gone", 0), 0u);
    link.SetTrace(nullptr);
}

TEST_P(ExchangeTest, OverLongRepliesAreBoundedByTheReplyBuffer)
{
    port.Answer(kPort, std::string(100, 'a') + "\r\n");
    EXPECT_TRUE(link.Exchange("x\r\n", kStandardProfile, reply));
    EXPECT_EQ(reply.size(), 64u);

    port.Answer(kPort, std::string(300, 'b'));
    EXPECT_TRUE(link.Exchange("x\r\n", kBlockProfile, reply));
    EXPECT_EQ(reply.size(), 256u);

    // Even a device that never stops talking ends the exchange.
    std::vector<Piece> stream;
    for (int i = 0; i < 10000; ++i)
        stream.push_back({Micros{1000 + 500 * i}, "z"});
    port.Answer(kPort, stream);
    EXPECT_TRUE(link.Exchange("x\r\n", kMeterProfile, reply));
    EXPECT_EQ(reply.size(), 64u);
}

TEST_P(ExchangeTest, WritesTheWholeCommandOnceAndNothingElse)
{
    port.Answer(kPort, "SVx\r\n");
    EXPECT_TRUE(link.Exchange("SVsr\n", kIdentifyProfile, reply));
    EXPECT_EQ(port.Writes(), std::vector<std::string>{"SVsr\n"});
}

INSTANTIATE_TEST_SUITE_P(BothWaits, ExchangeTest,
                         ::testing::Values(WaitMode::FixedPause, WaitMode::PollReadable),
                         [](const ::testing::TestParamInfo<WaitMode>& mode) {
                             return mode.param == WaitMode::FixedPause ? "Fixed" : "Poll";
                         });

TEST(ExchangeWaitTest, PollingAnswersSoonerThanFixedPauses)
{
    Micros elapsed[2];
    for (WaitMode mode : {WaitMode::FixedPause, WaitMode::PollReadable}) {
        FakePort port;
        DeviceState state;
        CommLog log;
        DeviceLink link(port, state, log);
        link.SetWaitMode(mode);
        state.flags.PortNumber = 1;
        port.Open(1);
        port.Answer(1, {{4500us, "ML1-30\r\n"}});
        ASSERT_TRUE(link.Query(Op::ML, {1}));
        elapsed[mode == WaitMode::PollReadable] = port.Now();
    }
    EXPECT_LT(elapsed[1], elapsed[0]);
    EXPECT_EQ(elapsed[1], 4500us + 2ms);  // the reply, then one quiet chunk pause
}

}  // namespace
}  // namespace brevant::test
