// The protocol trace: what the link records on the wire, the bounded ring,
// and the text lines an installer reads (the file is written as every file is).
#include "core/ProtocolTrace.h"
#include "tests/LinkFixture.h"

#include <ctime>
#include <thread>

namespace brevant::test {
namespace {

struct Seen {
    int port;
    TraceDirection direction;
    std::string bytes;
    bool operator==(const Seen&) const = default;
};

std::vector<Seen> Seens(const ProtocolTrace& trace)
{
    std::vector<Seen> out;
    for (const TraceRecord& r : trace.Snapshot())
        out.push_back({r.port, r.direction, r.bytes});
    return out;
}

class TracedLinkTest : public LinkFixture {
protected:
    TracedLinkTest() { link.SetTrace(&trace); }
    ProtocolTrace trace;
    std::string reply;
};

TEST_F(TracedLinkTest, RecordsTheSentLineAndEveryReplyChunkInOrder)
{
    port.Answer(kPort, "MG1-8\r\n");
    ASSERT_TRUE(link.Query(Op::MG, {1}));
    EXPECT_EQ(Seens(trace), (std::vector<Seen>{{3, TraceDirection::Sent, "MG1r\r\n"},
                                               {3, TraceDirection::Received, "MG1-8\r\n"}}));

    // A reply in pieces far enough apart to be read separately: one record each.
    trace.Clear();
    port.Answer(kPort, {{3ms, "MG2"}, {4500us, "-5\r\n"}});
    ASSERT_TRUE(link.Exchange("MG2r\r\n", kStandardProfile, reply));
    EXPECT_EQ(Seens(trace), (std::vector<Seen>{{3, TraceDirection::Sent, "MG2r\r\n"},
                                               {3, TraceDirection::Received, "MG2"},
                                               {3, TraceDirection::Received, "-5\r\n"}}));

    // The probe names the port it tries; a silent device leaves only the line sent.
    trace.Clear();
    port.Ignore(5);
    EXPECT_FALSE(link.ProbePort(5));
    EXPECT_EQ(Seens(trace), (std::vector<Seen>{{5, TraceDirection::Sent, "SVsr\n"}}));

    // Unset, the link records nothing more.
    link.SetTrace(nullptr);
    port.Answer(kPort, "MG1-1\r\n");
    ASSERT_TRUE(link.Query(Op::MG, {1}));
    EXPECT_EQ(trace.Size(), 1u);
}

TEST(MeterQueryTest, OnlyAMeterCodeWithAChannelDigitIsMeterPolling)
{
    EXPECT_TRUE(IsMeterQuery("ML1r\r\n"));
    EXPECT_TRUE(IsMeterQuery("MS4r\r\n"));
    EXPECT_FALSE(IsMeterQuery("MG1r\r\n"));
    EXPECT_FALSE(IsMeterQuery("MLsr\r\n"));
    EXPECT_FALSE(IsMeterQuery("ML"));
}

TEST(ProtocolTraceRingTest, DropsTheOldestAndHandsOutOnlyWhatIsNew)
{
    ProtocolTrace trace(3);
    int notified = 0;
    trace.SetObserver([&] { ++notified; });
    for (int i = 1; i <= 5; ++i)
        trace.Record(3, TraceDirection::Sent, std::to_string(i));
    EXPECT_EQ(notified, 5);

    std::vector<std::string> held;
    for (const TraceRecord& r : trace.Snapshot())
        held.push_back(std::to_string(r.sequence) + ":" + r.bytes);
    EXPECT_EQ(held, (std::vector<std::string>{"3:3", "4:4", "5:5"}));

    ASSERT_EQ(trace.Since(4).size(), 1u);
    EXPECT_EQ(trace.Since(4)[0].bytes, "5");

    trace.Clear();
    EXPECT_EQ(notified, 6);
    EXPECT_TRUE(trace.Snapshot().empty());
    trace.Record(3, TraceDirection::Received, "6");
    EXPECT_EQ(trace.Since(5).at(0).sequence, 6u);  // numbering carries on
}

TEST(ProtocolTraceRingTest, RecordsFromManyThreadsKeepTheNewestInOrder)
{
    ProtocolTrace trace(1000);
    std::vector<std::thread> threads;
    for (int t = 1; t <= 4; ++t)
        threads.emplace_back([&, t] {
            for (int i = 0; i < 500; ++i)
                trace.Record(t, TraceDirection::Received, "ML1-40\r\n");
        });
    for (auto& t : threads)
        t.join();
    const auto held = trace.Snapshot();
    ASSERT_EQ(held.size(), 1000u);
    for (std::size_t i = 0; i < held.size(); ++i)
        EXPECT_EQ(held[i].sequence, 1001 + i);
}

TEST(ProtocolTraceRingTest, KeepsTheReadBackThroughTwoMinutesOfMeterPolling)
{
    // A connect read-back of 800 queries, then meter polling at 200 records
    // a second for two minutes, then one change by the user.
    ProtocolTrace trace;
    for (int i = 0; i < 800; ++i) {
        trace.Record(3, TraceDirection::Sent, "MG" + std::to_string(i % 4 + 1) + "r\r\n");
        trace.Record(3, TraceDirection::Received, "MG1-8\r\n");
    }
    const std::size_t readBack = trace.Size();
    const char* meters[] = {"ML", "OL", "ME", "MS"};
    for (int i = 0; i < 200 * 120 / 2; ++i) {
        trace.Record(3, TraceDirection::Sent, std::string(meters[i % 4]) + "1r\r\n");
        trace.Record(3, TraceDirection::Received, std::string(meters[i % 4]) + "1-40\r\n");
    }
    trace.Record(3, TraceDirection::Sent, "MG1-3\r\n");

    const auto held = trace.Snapshot();
    ASSERT_EQ(held.size(), readBack + 200 * 120 + 1);
    EXPECT_EQ(held.front().sequence, 1u);
    EXPECT_EQ(held.front().bytes, "MG1r\r\n");
    EXPECT_EQ(held[readBack].bytes, "ML1r\r\n");
    EXPECT_TRUE(held[readBack + 1].meterPolling) << "a reply to a meter query";
    EXPECT_FALSE(held.back().meterPolling);

    // More polling pushes out the oldest polling, never the read-back.
    for (int i = 0; i < 20'000; ++i)
        trace.Record(3, TraceDirection::Sent, "ML1r\r\n");
    const auto later = trace.Snapshot();
    EXPECT_EQ(later.size(), readBack + 1 + trace.PollingCapacity());
    EXPECT_EQ(later.front().bytes, "MG1r\r\n");
    EXPECT_EQ(trace.Since(later.back().sequence - 1).size(), 1u);
}

TEST(ProtocolTraceFileTest, LinesShowTimePortDirectionAndEscapedBytes)
{
    std::tm local{};  // 12:03:04.512 local time on an ordinary day
    local.tm_year = 2024 - 1900;
    local.tm_mon = 2;
    local.tm_mday = 5;
    local.tm_hour = 12;
    local.tm_min = 3;
    local.tm_sec = 4;
    local.tm_isdst = -1;
    const auto t = std::chrono::system_clock::from_time_t(std::mktime(&local)) + 512ms;
    ProtocolTrace trace;
    trace.Record(t, 3, TraceDirection::Sent, "MG112\r\n");
    trace.Record(t, 12, TraceDirection::Received, std::string("a\tb\\c\0\x7f\xb5", 8));
    const std::string expected = "12:03:04.512  COM3  >  MG112\\r\\n\n"
                                 "12:03:04.512  COM12  <  a\\tb\\\\c\\x00\\x7F\\xB5\n";
    EXPECT_EQ(FormatTrace(trace.Snapshot()), expected);
    // A device that never stops talking: a record keeps its first bytes and counts the rest.
    ProtocolTrace flooded;
    flooded.Record(t, 3, TraceDirection::Discarded, std::string(kTraceBytesKept + 744, '\0'));
    EXPECT_EQ(flooded.Snapshot().front().bytes.size(), kTraceBytesKept);
    EXPECT_TRUE(FormatTrace(flooded.Snapshot()).ends_with("\\x00 ... (744 more bytes not kept)\n"));
}

}  // namespace
}  // namespace brevant::test
