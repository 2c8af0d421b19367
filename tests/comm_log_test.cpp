#include "core/CommLog.h"
#include "tests/LinkFixture.h"

#include <atomic>
#include <thread>

namespace brevant::test {
namespace {

TEST(CommLogTest, NeverShowsMoreThanThirtyOneEntries)
{
    CommLog log;
    int notified = 0;
    log.SetObserver([&] { ++notified; });
    for (int i = 0; i < 31; ++i)
        log.Append({"111", "COM1", std::to_string(i)});
    EXPECT_EQ(log.Size(), 31u);
    log.Append({"111", "COM1", "next"});
    ASSERT_EQ(log.Size(), 1u);
    EXPECT_EQ(log.Entries()[0].content, "next");
    EXPECT_EQ(notified, 32);
}

TEST(CommLogTest, AppendsFromManyThreadsAllArrive)
{
    CommLog log;
    std::atomic<int> notified{0};
    log.SetObserver([&] { ++notified; });
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < 25; ++i)
                log.Append({"114", "COM2", "x"});
        });
    for (auto& t : threads)
        t.join();
    EXPECT_EQ(notified, 100);
    EXPECT_LE(log.Size(), 31u);
}

using LogReplyTest = LinkFixture;

TEST_F(LogReplyTest, ContentStopsAtTheFirstZeroByte)
{
    state.flags.PortNumber = 12;
    link.LogReply("114", std::string("SSs1\r\n\0junk", 11));
    const auto entry = log.Entries().at(0);
    EXPECT_EQ(entry.port, "COM12");
    EXPECT_EQ(entry.content, "SSs1\r\n");
}

}  // namespace
}  // namespace brevant::test
