// The communication list as the link fills it through the protocol trace:
// every line sent and every reply received, meter polling left out, numbered
// on from 1 however many entries the list has let go of.
#include "core/CommLog.h"
#include "tests/LinkFixture.h"

#include <string>
#include <vector>

namespace brevant::test {
namespace {

class CommLogTest : public LinkFixture {
protected:
    CommLogTest()
    {
        link.SetTrace(&trace);
        trace.SetCommLog(&log);
    }

    // Each entry as "number port direction bytes".
    std::vector<std::string> Rows() const
    {
        std::vector<std::string> rows;
        for (const CommLogEntry& entry : log.Entries())
            rows.push_back(std::to_string(entry.number) + " COM" + std::to_string(entry.port) +
                           (entry.direction == TraceDirection::Sent ? " > " : " < ") + entry.bytes);
        return rows;
    }

    CommLog log;
    ProtocolTrace trace;
};

TEST_F(CommLogTest, ShowsTheSetsAndQueriesTheTraceHoldsButNotMeterPolling)
{
    port.Answer(kPort, "MG2-5\r\n");
    EXPECT_TRUE(link.Run(Op::MG, {2}, -5));
    port.Answer(kPort, "ML2-37\r\n");
    EXPECT_TRUE(link.Query(Op::ML, {2}));
    port.Answer(kPort, "OF2300\r\n");
    EXPECT_TRUE(link.Query(Op::OF, {2}));
    EXPECT_EQ(Rows(), (std::vector<std::string>{"1 COM3 > MG2-5\r\n", "2 COM3 < MG2-5\r\n",
                                                "3 COM3 > OF2r\r\n", "4 COM3 < OF2300\r\n"}));
    EXPECT_EQ(trace.Size(), 6u) << "the trace keeps the polling";
}

TEST_F(CommLogTest, KeepsTheNewestEntriesAndNumbersOnAcrossClear)
{
    int notified = 0;
    log.SetObserver([&] { ++notified; });
    for (std::size_t i = 0; i < CommLog::kCapacity + 2; ++i)
        trace.Record(7, TraceDirection::Sent, "MG1r\r\n");
    trace.Record(7, TraceDirection::Event, "port gone");
    trace.Record(7, TraceDirection::Discarded, "junk");
    ASSERT_EQ(log.Size(), CommLog::kCapacity);
    EXPECT_EQ(log.Entries().front().number, 3u);
    EXPECT_EQ(log.Entries().back().number, CommLog::kCapacity + 2);
    EXPECT_EQ(notified, static_cast<int>(CommLog::kCapacity) + 2);

    log.Clear();
    trace.Record(7, TraceDirection::Received, "MG1-3\r\n");
    EXPECT_EQ(Rows(), std::vector<std::string>{std::to_string(CommLog::kCapacity + 3) + " COM7 < MG1-3\r\n"});
}

}  // namespace
}  // namespace brevant::test
