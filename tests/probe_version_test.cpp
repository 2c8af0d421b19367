// The port probe, the open sequence and the version read.
#include "tests/LinkFixture.h"

namespace brevant::test {
namespace {

using ProbeTest = LinkFixture;

TEST_F(ProbeTest, ProbeAsksForTheVersionAndClosesThePortEvenOnSuccess)
{
    state.flags.PortNumber = -1;  // a scan addresses ports by their own number
    port.Answer(7, "SV105\r\n");
    EXPECT_TRUE(link.ProbePort(7));
    EXPECT_EQ(port.Written(), "SVsr\n");
    EXPECT_EQ(port.Calls(),
              (std::vector<std::string>{"close 7", "open 7", "configure 7 14 3", "write 7", "close 7"}));
    EXPECT_FALSE(port.IsOpen(7));
}

TEST_F(ProbeTest, ProbeJudgesTheNumberAfterSv)
{
    const struct {
        const char* reply;
        bool found;
    } cases[] = {
        {"sv5\r\n", true},                     // upper-cased before the search
        {"SV0\r\n", false},                    // not above 0 (ParseDecimalTest reads the rest)
        {"XX12\r\n", false},                   // no "SV"
        {"SV\r\n", false},    {"SV7", false},  // no line end
        {"SV7\n", false},                      // a line feed alone
        {"SV12ab\r\n", true},
    };
    for (const auto& c : cases) {
        port.Answer(2, c.reply);
        EXPECT_EQ(link.ProbePort(2), c.found) << c.reply;
        EXPECT_FALSE(port.IsOpen(2)) << c.reply;
    }
}

TEST_F(ProbeTest, ProbeOfAPortThatCannotOpenOrConfigureClosesIt)
{
    port.SetOpenResult(4, -1);
    EXPECT_FALSE(link.ProbePort(4));
    EXPECT_EQ(port.Calls(), (std::vector<std::string>{"close 4", "open 4", "close 4"}));

    port.ClearRecord();
    port.SetConfigureResult(5, 9);
    EXPECT_FALSE(link.ProbePort(5));
    EXPECT_EQ(port.Calls(), (std::vector<std::string>{"close 5", "open 5", "configure 5 14 3", "close 5"}));
    EXPECT_EQ(port.Written(), "");
}

TEST_F(ProbeTest, OpenSequenceClosesFirstAndReportsFailures)
{
    EXPECT_TRUE(link.OpenPort());
    EXPECT_EQ(port.Calls(), (std::vector<std::string>{"close 3", "open 3", "configure 3 14 3"}));

    port.SetConfigureResult(3, 1);
    EXPECT_FALSE(link.OpenPort());
    EXPECT_FALSE(port.IsOpen(3));
}

TEST_F(ProbeTest, LineControlsAreRaised)
{
    link.RaiseLineControls();
    EXPECT_EQ(port.Calls(), (std::vector<std::string>{"dtr 3", "rts 3"}));
}

TEST_F(ProbeTest, VersionIsStoredUpperCasedWithoutItsLastTwoBytes)
{
    port.Answer(kPort, "sv123\r\n");
    EXPECT_TRUE(link.ReadVersion());
    EXPECT_EQ(port.Written(), "SVsr\n");
    EXPECT_EQ(p.SV.Get(), "SV123");

    // A long version text is cut at 31 characters.
    port.Answer(kPort, "SV" + std::string(40, '9') + "\r\n");
    EXPECT_TRUE(link.ReadVersion());
    EXPECT_EQ(p.SV.Get(), "SV" + std::string(29, '9'));

    // No "SV", or no carriage return before the line feed: false, and the stored text stays.
    for (const char* reply : {"XX1\r\n", "\r\n", "SV105\n", "SV105"}) {
        port.Answer(kPort, reply);
        EXPECT_FALSE(link.ReadVersion()) << reply;
    }
    EXPECT_EQ(p.SV.Get(), "SV" + std::string(29, '9'));
}

}  // namespace
}  // namespace brevant::test
