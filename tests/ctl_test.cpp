// brevantctl's command line and its commands on a scripted port.
#include "programs/brevantctl/CtlArgs.h"
#include "programs/brevantctl/CtlCommands.h"
#include "programs/brevantctl/CtlSession.h"
#include "tests/LinkFixture.h"

#include <sstream>

namespace brevant::test {
namespace {

std::optional<ctl::CtlArgs> Parse(const std::vector<std::string>& words)
{
    ctl::CtlParse parsed = ctl::ParseCtlArgs(words);
    EXPECT_EQ(parsed.error, "");
    return parsed.args;
}

class CtlCommandTest : public LinkFixture {
protected:
    int Run(std::vector<std::string> words)
    {
        out.str("");
        err.str("");
        words.insert(words.begin() + (words.front() == "--json" ? 1 : 0), {"--port", "3"});
        const auto args = Parse(words);
        EXPECT_TRUE(args);
        return ctl::RunCommand(*args, link, out, err);
    }
    std::ostringstream out;
    std::ostringstream err;
};

TEST_F(CtlCommandTest, GetPrintsTheStoredValue)
{
    port.Answer(kPort, "MX231\r\n");
    EXPECT_EQ(Run({"get", "MX", "2", "3"}), 0);
    EXPECT_EQ(port.Written(), "MX23r\r\n");
    EXPECT_EQ(out.str(), "1\n");

    port.Answer(kPort, "MPs2\r\n");
    EXPECT_EQ(Run({"get", "MP"}), 0);
    EXPECT_EQ(out.str(), "2\n");

    port.Answer(kPort, "DB00\r\nDB11\r\nDB22\r\nDB33\r\nDB44\r\nDB55\r\nDB66\r\nDB77\r\nDB88\r\nDB99\r\n");
    EXPECT_EQ(Run({"get", "D", "2"}), 0);
    EXPECT_EQ(out.str(), "0 1 2 3 4 5 6 7 8 9\n");
}

TEST_F(CtlCommandTest, SetPrintsWhatTheDeviceHoldsOrFailsAfterEightTries)
{
    port.Answer(kPort, "OD1200\r\n");
    EXPECT_EQ(Run({"set", "OD", "1", "150"}), 0);
    EXPECT_EQ(port.Written(), "OD1150\r\n");
    EXPECT_EQ(out.str(), "200\n");

    port.ClearRecord();
    EXPECT_EQ(Run({"set", "MG", "1", "-10"}), 1);  // a negative value is no option
    EXPECT_EQ(port.Writes(), std::vector<std::string>(8, "MG1-10\r\n"));
    EXPECT_EQ(err.str(), "brevantctl: set MG on COM3: the device did not confirm the value\n");
}

TEST_F(CtlCommandTest, ActionAndRaw)
{
    port.Answer(kPort, "SMs1\r\n");
    EXPECT_EQ(Run({"action", "SMs1"}), 0);
    EXPECT_EQ(out.str(), "ok\n");

    port.ClearRecord();
    port.Answer(kPort, std::string("MG1-1\r\n\x01", 8));
    EXPECT_EQ(Run({"raw", "MG1r"}), 0);
    EXPECT_EQ(port.Written(), "MG1r\r\n");
    EXPECT_EQ(out.str(), "MG1-1\\r\\n\\x01\n");

    // As JSON every byte is escaped as JSON wants it.
    port.Answer(kPort, std::string("MG1-1\"\\\r\n\x01", 10));
    EXPECT_EQ(Run({"--json", "raw", "MG1r"}), 0);
    EXPECT_EQ(out.str(), "{\"reply\":\"MG1-1\\\"\\\\\\r\\n\\u0001\"}\n");

    EXPECT_EQ(Run({"raw", "XX"}), 1);
    EXPECT_NE(err.str().find("did not answer"), std::string::npos);
}

TEST_F(CtlCommandTest, DumpNamesTheSettingsItCouldNotReadAndPrintsNoGuess)
{
    // A device that answers everything but two settings.
    port.SetResponder(kPort, [](std::string_view line) {
        return line == "MX13r\r\n" || line == "OD3r\r\n" ? std::vector<Piece>{} : EchoingDevice(line);
    });
    const auto args = Parse({"--port", "3", "dump"});
    ASSERT_TRUE(args);
    std::atomic<bool> interrupted{false};
    const ctl::CtlStreams io{out, err, interrupted};
    EXPECT_EQ(ctl::RunCtl(*args, link, io), 1);
    EXPECT_EQ(out.str(), "");
    EXPECT_EQ(err.str(), "2 settings could not be read: Crosspoint 1\u21923, Output 3 delay\n");
}

}  // namespace
}  // namespace brevant::test
