// The byte exchange under every command: re-read budgets, what ends a reply
// (its last line feed, or a quiet gap when its length is not known), bounded
// replies, and that both ways of waiting behave alike.
#include "tests/LinkFixture.h"

#include <algorithm>

namespace brevant::test {
namespace {

class ExchangeTest : public LinkFixture, public ::testing::WithParamInterface<WaitMode> {
protected:
    void SetUp() override { link.SetWaitMode(GetParam()); }
    std::string reply;
};

TEST_P(ExchangeTest, ASilentDeviceFailsAfterTheWholeReReadBudgetAndAReplyJustInsideItIsTaken)
{
    const struct {
        const ExchangeProfile& profile;
        Micros budget;
    } cases[] = {
        {kStandardProfile, 2ms + 20 * 5ms}, {kMeterProfile, 2ms + 20 * 2ms},
        {kProbeProfile, 10 * 5ms},          {kIdentifyProfile, 20 * 10ms},
        {kActionProfile, 2ms + 20 * 10ms},  {kSaveProfile, 2ms + 100 * 10ms},
        {kBlockProfile, 2ms + 20 * 5ms},    {kModelQueryProfile, 20 * 10ms},
    };
    for (const auto& c : cases) {
        const Micros start = port.Now();
        EXPECT_EQ(link.Exchange("MG1r\r\n", c.profile, reply).Error(), LinkError::NoReply) << c.profile.name;
        EXPECT_EQ(port.Now() - start, c.budget) << c.profile.name;
    }
    // A reply just inside the budget is taken.
    port.Answer(kPort, {{2ms + 20 * 5ms, "MG1-3\r\n"}});
    EXPECT_TRUE(link.Exchange("MG1r\r\n", kStandardProfile, reply));
    EXPECT_EQ(reply, "MG1-3\r\n");
}

TEST_P(ExchangeTest, ATornReplyIsReadWholeWhateverTheGapsInside)
{
    // Gaps far longer than a chunk pause, as a network hop makes them; the
    // rest of a reply is given as long as a silent device is.
    for (const Micros gap : {3ms, 20ms, 50ms}) {
        port.Answer(kPort, {{3ms, "MG"}, {3ms + gap, "1-"}, {3ms + 2 * gap, "8\r\n"}});
        EXPECT_TRUE(link.Query(Op::MG, {1})) << gap.count();
        EXPECT_EQ(p.MG[1], -8) << gap.count();
        p.MG[1] = 0;
    }
}

TEST_P(ExchangeTest, ABlockEndsAtItsTenthLine)
{
    std::string first;
    std::string second;
    for (int j = 0; j < kBlockLines; ++j)
        (j < 6 ? first : second) += "DA" + std::to_string(j) + std::to_string(-j) + "\r\n";
    // Torn after its sixth line, the block ends at its tenth, not waiting
    // for the stray line that follows.
    port.Answer(kPort, {{3ms, first}, {33ms, second}, {34ms, "ML1-3\r\n"}});
    const Micros start = port.Now();
    EXPECT_TRUE(link.Query(Op::BlockD, {1}));
    EXPECT_EQ(p.DSR[1][5], -5);
    EXPECT_EQ(p.DSR[1][9], -9);
    EXPECT_EQ(port.Now() - start, GetParam() == WaitMode::PollReadable ? 33ms : 37ms);
}

TEST_P(ExchangeTest, AReplyOfUnknownLengthEndsAtAQuietGapAfterALineEnd)
{
    // A line a user typed: torn in mid-line it is waited for; a line that
    // follows at once belongs to it; one after a quiet chunk pause does not.
    port.Answer(kPort, {{3ms, "SV1"}, {21ms, "05\r\n"}, {22ms, "B2\r\n"}, {40ms, "late\r\n"}});
    EXPECT_TRUE(link.Exchange("SVsr\r\n", kRawProfile, reply));
    EXPECT_EQ(reply, "SV105\r\nB2\r\n");
}

TEST_P(ExchangeTest, AnIdentityReplyEndsAtItsLineAndADripIsNoVersion)
{
    port.Answer(kPort, {{1ms, "SV1"}, {21ms, "05\r\n"}, {22ms, "B2\r\n"}});
    EXPECT_TRUE(link.ReadVersion());
    EXPECT_EQ(p.SV.Get(), "SV105");

    // One byte per 100 ms: the line never ends within the time a reply is
    // given, and no cut version is taken.
    std::vector<Piece> drip;
    for (int i = 0; i < 7; ++i)
        drip.push_back({Micros{1000 + 100'000 * i}, std::string(1, "SV107\r\n"[i])});
    port.Answer(kPort, drip);
    const Micros start = port.Now();
    std::string version;
    EXPECT_EQ(link.Exchange("SVsr\n", kIdentifyProfile, version).Error(), LinkError::Incomplete);
    EXPECT_LE(port.Now() - start, kIdentifyProfile.AnswerBudget() + kIdentifyProfile.FinishBudget());
    port.Wait(kPort, 1s, false);
    port.Answer(kPort, drip);
    EXPECT_FALSE(link.ReadVersion());
    // Nor when the link wakes late to find most of the line come.
    port.Wait(kPort, 1s, false);
    port.Answer(kPort, drip);
    port.WakeLate(port.Now(), 450ms);
    EXPECT_FALSE(link.ReadVersion());
    EXPECT_EQ(p.SV.Get(), "SV105");
}

TEST_P(ExchangeTest, AReplyNotWholeInTimeFailsHoweverLateTheLinkWakesToReadIt)
{
    // One byte per 100 ms ends the line 303 ms after the write, past the
    // 202 ms an exchange allows. A link woken late right after its write, or
    // late from a pause once the line has begun, finds the bytes bunched:
    // they still make no answer. A reply already whole when it wakes does.
    p.MG[1] = 5;
    const std::vector<Piece> drip = {{3ms, "MG1"}, {103ms, "-"}, {203ms, "1"}, {303ms, "2\r\n"}};
    for (const Micros wakeFrom : {0ms, 90ms}) {
        port.Wait(kPort, 1s, false);
        port.Answer(kPort, drip);
        port.WakeLate(port.Now() + wakeFrom, 300ms);
        EXPECT_EQ(link.Query(Op::MG, {1}).Error(), LinkError::Incomplete) << wakeFrom.count();
        EXPECT_EQ(p.MG[1], 5) << wakeFrom.count();
    }
    port.Wait(kPort, 1s, false);
    port.Answer(kPort, "MG1-7\r\n");
    port.WakeLate(port.Now(), 300ms);
    EXPECT_TRUE(link.Query(Op::MG, {1}));
    EXPECT_EQ(p.MG[1], -7);
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
    EXPECT_TRUE(std::any_of(records.begin(), records.end(), [](const TraceRecord& r) {
        return r.direction == TraceDirection::Discarded && r.bytes == "2\r\n";
    }));
    link.SetTrace(nullptr);
}

TEST_P(ExchangeTest, ALateReplyToAnEarlierCommandIsPassedOverForThisCommandsOwn)
{
    // Bytes that came unasked are thrown away. Then a late reply in one
    // piece; in one read that stops inside this command's own line; and in
    // three pieces, two late whole replies ahead of this one's.
    port.Inject(kPort, "junk");
    port.Answer(kPort, "OL3-100\r\nMG1-8\r\n");
    EXPECT_TRUE(link.Query(Op::MG, {1}));
    EXPECT_EQ(p.MG[1], -8);
    port.Answer(kPort, {{1ms, "OL3-100\r\nMG1-"}, {20ms, "9\r\n"}});
    EXPECT_TRUE(link.Query(Op::MG, {1}));
    EXPECT_EQ(p.MG[1], -9);
    port.Answer(kPort, {{1ms, "MG3-4\r\n"}, {40ms, "MG2-3\r\n"}, {80ms, "MG1-7\r\n"}});
    EXPECT_TRUE(link.Query(Op::MG, {1}));
    EXPECT_EQ(p.MG[1], -7);
    EXPECT_EQ(p.MG[3], -4) << "the device's word for another channel is kept";
    EXPECT_EQ(p.MG[2], -3);
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

TEST_P(ExchangeTest, AnUnansweredCommandCostsTheNextOneNothing)
{
    // The same answers, first on a fresh link, then each right after a
    // command that got no answer: they take no longer the second time.
    const auto timed = [&](Op op, const char* answer) {
        port.Answer(kPort, {{3ms, answer}});
        const Micros start = port.Now();
        EXPECT_TRUE(link.Run(op)) << answer;
        return port.Now() - start;
    };
    const Micros save = timed(Op::SS, "SSs1\r\n");
    const Micros query = timed(Op::MB, "MBs1\r\n");
    for (const Op unanswered : {Op::MG, Op::SS}) {
        port.Ignore(kPort);
        EXPECT_EQ(link.Run(unanswered, {1}, unanswered == Op::MG ? std::optional(5) : std::nullopt).Error(),
                  LinkError::NoReply);
        EXPECT_EQ(timed(Op::SS, "SSs1\r\n"), save);
        port.Ignore(kPort);
        EXPECT_EQ(link.Run(unanswered, {1}, unanswered == Op::MG ? std::optional(5) : std::nullopt).Error(),
                  LinkError::NoReply);
        EXPECT_EQ(timed(Op::MB, "MBs1\r\n"), query);
    }

    // Even when the line may be a late echo of that set, the wait for a
    // newer word ends when this command's own budget does.
    port.Ignore(kPort);
    EXPECT_EQ(link.Set(Op::MG, {1}, 5).Error(), LinkError::NoReply);
    port.Answer(kPort, {{3ms, "MG15\r\n"}});
    const Micros start = port.Now();
    EXPECT_TRUE(link.Set(Op::MG, {1}, 6));
    EXPECT_EQ(p.MG[1], 5);
    EXPECT_LE(port.Now() - start, kStandardProfile.AnswerBudget() + kStandardProfile.FinishBudget());
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

TEST_P(ExchangeTest, SilenceFromAPortWhoseDeviceFileIsGoneIsThePortGone)
{
    port.RemoveFile(kPort);
    EXPECT_EQ(link.Query(Op::MG, {1}).Error(), LinkError::PortGone);
}

TEST_P(ExchangeTest, OverLongRepliesAreBoundedByTheReplyBuffer)
{
    // Cut to the buffer, a line is no longer whole.
    port.Answer(kPort, std::string(100, 'a') + "\r\n");
    EXPECT_EQ(link.Exchange("x\r\n", kStandardProfile, reply).Error(), LinkError::Malformed);
    EXPECT_EQ(reply.size(), 64u);

    port.Answer(kPort, std::string(300, 'b'));
    EXPECT_EQ(link.Exchange("x\r\n", kBlockProfile, reply).Error(), LinkError::Incomplete);
    EXPECT_EQ(reply.size(), 256u);

    // Even a device that never stops talking ends the exchange: one that
    // ends no line within the time a reply is given, and one that sends
    // lines without a pause where the length is not known (bounded by what
    // is taken beyond the reply buffer).
    const struct {
        const char* unit;
        int units;
        const ExchangeProfile& profile;
        std::size_t kept;
        Micros within;
        LinkError error;
    } talkers[] = {
        {"z", 200, kMeterProfile, 64, 2ms + 1ms + 40ms, LinkError::Incomplete},
        {"z\n", 3000, kRawProfile, 1024, 1300ms, LinkError::None},
    };
    for (const auto& t : talkers) {
        std::vector<Piece> stream;
        for (int i = 0; i < t.units; ++i)
            stream.push_back({Micros{1000 + 500 * i}, t.unit});
        port.Answer(kPort, stream);
        const Micros start = port.Now();
        EXPECT_EQ(link.Exchange("x\r\n", t.profile, reply).Error(), t.error) << t.profile.name;
        EXPECT_EQ(reply.size(), t.kept) << t.profile.name;
        EXPECT_LE(port.Now() - start, t.within) << t.profile.name;
        port.Wait(kPort, 2s, false);
    }
}

// 2 ms after the write, then re-reads 2 ms apart; polling ends the last one as
// the reply arrives. No wait follows the reply's line feed.
TEST_P(ExchangeTest, AReplyEndsAtItsLineFeedWithoutAFurtherWait)
{
    const Micros start = port.Now();
    const int waits = port.Waits();
    port.Answer(kPort, {{4500us, "ML1-30\r\n"}});
    ASSERT_TRUE(link.Query(Op::ML, {1}));
    EXPECT_EQ(port.Now() - start, GetParam() == WaitMode::PollReadable ? 4500us : 6ms);
    EXPECT_EQ(port.Waits() - waits, 3);
}

INSTANTIATE_TEST_SUITE_P(BothWaits, ExchangeTest,
                         ::testing::Values(WaitMode::FixedPause, WaitMode::PollReadable),
                         [](const ::testing::TestParamInfo<WaitMode>& mode) {
                             return mode.param == WaitMode::FixedPause ? "Fixed" : "Poll";
                         });

using ReplyOverdueTest = LinkFixture;

TEST_F(ReplyOverdueTest, TenSecondsWithoutAValidReplyAreOverdueAndTellWhatCameInstead)
{
    const struct {
        const char* reply;  // what comes instead of an answer, each time
        const char* verdict;
    } cases[] = {
        {"", "the other end is silent"},
        {"ERROR 7\r\n", "the other end sends text that is no reply"},
        {"MG2-5\r\n", "the other end answers for other addresses"},
        {"MG1-", "the other end sends replies that do not end in time"},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(link.OpenPort());
        port.Answer(kPort, "MG1-5\r\n");
        ASSERT_TRUE(link.Query(Op::MG, {1}));
        EXPECT_EQ(link.Verdict(), "");
        Micros firstFailure{-1};
        for (int i = 0; i < 20000 && !link.ReplyOverdue(); ++i) {
            if (firstFailure.count() < 0)
                firstFailure = port.Now();
            if (*c.reply == '\0')
                port.Ignore(kPort);
            else
                port.Answer(kPort, c.reply);
            EXPECT_FALSE(link.Query(Op::MG, {1})) << c.reply;
        }
        EXPECT_TRUE(link.ReplyOverdue()) << c.reply;
        EXPECT_GE(port.Now() - firstFailure, ReplyWatch::kGiveUp) << c.reply;
        EXPECT_LE(port.Now() - firstFailure, ReplyWatch::kGiveUp + 1s) << c.reply;
        EXPECT_EQ(link.Verdict(), c.verdict);
        // One valid reply starts the clock afresh.
        port.Wait(kPort, 1s, false);
        port.Answer(kPort, "MG1-5\r\n");
        EXPECT_TRUE(link.Query(Op::MG, {1}));
        EXPECT_FALSE(link.ReplyOverdue());
    }
}

// Of kinds seen as often the more telling names the verdict; one close outweighs all.
TEST(ReplyWatchTest, ATieGoesToTheMoreTellingKindAndOneCloseToTheClose)
{
    ReplyWatch watch;
    const SteadyClock::time_point now{};
    watch.Restart(now);
    watch.Failed(LinkError::NoReply, now);
    watch.Failed(LinkError::Malformed, now);
    EXPECT_EQ(watch.Verdict(), "the other end sends text that is no reply");
    watch.Failed(LinkError::PortGone, now);
    EXPECT_EQ(watch.Verdict(), "the other end closed the connection");
}

}  // namespace
}  // namespace brevant::test
