// The read-back's exact order of queries per family, one polling pass, and
// the model query, on the scripted port.
#include "procedures/Connection.h"
#include "procedures/DeviceFit.h"
#include "procedures/ReadBack.h"
#include "tests/LinkFixture.h"
#include "tests/RecordingObserver.h"

namespace brevant::test {
namespace {

class ReadBackOrderTest : public LinkFixture {
protected:
    std::atomic<bool> noStop{false};
    void EchoEverything() { port.SetResponder(kPort, &EchoingDevice); }
    std::vector<std::string> Lines()
    {
        std::vector<std::string> lines;
        for (const auto& w : port.Writes())
            lines.push_back(w.substr(0, w.size() - 2));
        return lines;
    }
};

TEST_F(ReadBackOrderTest, FamilyOneReadsEightyNineSettingsInOrder)
{
    EchoEverything();
    EXPECT_EQ(ReadBackSettings(link, ModelFamily::K225, noStop).exchanges, 89);
    const auto lines = Lines();
    ASSERT_EQ(lines.size(), 89u);
    using List = std::vector<std::string>;
    // Input 1 whole; input 3 begins with the delay only outputs 3 and 4 have;
    // the device-wide values come last.
    EXPECT_EQ(
        List(lines.begin(), lines.begin() + 21),
        (List{"ML1r", "OF1r", "OH1r",  "OL1r",  "MG1r",  "MA1r",  "MF1r",  "MR1r",  "MI1r",  "MT1r", "MM1r",
              "OV1r", "OM1r", "MX11r", "XG11r", "MX12r", "XG12r", "MX13r", "XG13r", "MX14r", "XG14r"}));
    EXPECT_EQ(List(lines.begin() + 42, lines.begin() + 45), (List{"ML3r", "OD3r", "OF3r"}));
    EXPECT_EQ(List(lines.end() - 4, lines.end()), (List{"XG44r", "MBsr", "MPsr", "SNsr"}));
}

TEST_F(ReadBackOrderTest, FamilyTwoReadsEchoMetersAecAndFewerLimits)
{
    EchoEverything();
    EXPECT_EQ(ReadBackSettings(link, ModelFamily::K217K218, noStop).exchanges, 96);
    const auto lines = Lines();
    ASSERT_EQ(lines.size(), 96u);
    // Input 1: level, AEC, then the common block; input 4: the full set. One
    // delay, three low-passes, three echo meters and four AECs in all.
    EXPECT_EQ(std::vector(lines.begin(), lines.begin() + 3),
              (std::vector<std::string>{"ML1r", "MC1r", "OL1r"}));
    const std::vector<std::string> input4 = {"ML4r", "ME4r", "MS4r", "OD4r", "OF4r", "OH4r", "MC4r", "OL4r"};
    EXPECT_NE(std::search(lines.begin(), lines.end(), input4.begin(), input4.end()), lines.end());
    const auto count = [&](const char* prefix) {
        return std::count_if(lines.begin(), lines.end(),
                             [&](const std::string& l) { return l.starts_with(prefix); });
    };
    EXPECT_EQ((std::vector{count("OD"), count("OF"), count("ME"), count("MC")}),
              (std::vector<long>{1, 3, 3, 4}));
    EXPECT_EQ(lines.back(), "SNsr");

    // An unknown model: only what every model has.
    port.ClearRecord();
    EXPECT_EQ(ReadBackSettings(link, ModelFamily::Unknown, noStop).exchanges, 79);
}

TEST_F(ReadBackOrderTest, ASettingNeverReadIsTriedFourTimesAndNamed)
{
    port.SetResponder(kPort, [](std::string_view line) {
        if (line == "OD3r\r\n" || line == "MX13r\r\n")
            return std::vector<Piece>{};
        if (line == "XG24r\r\n")  // always the word of another crosspoint
            return std::vector<Piece>{{1ms, "XG42-3\r\n"}};
        return EchoingDevice(line);
    });
    const ReadBackResult result = ReadBackSettings(link, ModelFamily::K225, noStop);
    EXPECT_EQ(result.exchanges, 89 + 3 * 3);
    EXPECT_FALSE(result.lost);
    EXPECT_EQ(UnreadSummary(result.unread),
              "3 settings could not be read: Crosspoint 1\u21923, Crosspoint 2\u21924 gain, Output 3 delay");
}

TEST_F(ReadBackOrderTest, ASilentDeviceEndsTheReadBackAsLostAndAStopEndsItAtOnce)
{
    port.SetResponder(kPort, [](std::string_view) { return std::vector<Piece>{}; });
    ReadBackResult result = ReadBackSettings(link, ModelFamily::K225, noStop);
    EXPECT_TRUE(result.lost);
    // ML1 (a meter, one try), then OF1 and OH1, four tries each.
    EXPECT_EQ(Lines(), (std::vector<std::string>{"ML1r", "OF1r", "OF1r", "OF1r", "OF1r", "OH1r", "OH1r",
                                                 "OH1r", "OH1r"}));

    EchoEverything();
    port.ClearRecord();
    std::atomic<bool> stop{true};
    result = ReadBackSettings(link, ModelFamily::K225, stop);
    EXPECT_TRUE(result.stopped);
    EXPECT_EQ(result.exchanges, 0);
}

// The noise switch follows the level read back; a level not read leaves it as it was.
TEST_F(ReadBackOrderTest, NoiseSwitchFollowsTheLevelReadBack)
{
    port.SetResponder(kPort, [](std::string_view line) {
        const std::string code(line.substr(0, line.size() - 3));
        if (code == "MR2")
            return std::vector<Piece>{};
        const bool nr = code.rfind("MR", 0) == 0;
        return std::vector<Piece>{{1ms, code + (nr && code != "MR3" ? "4" : "0") + "\r\n"}};
    });
    p.MRon[2] = 1;
    p.MRon[3] = 1;
    ReadBackSettings(link, ModelFamily::K225, noStop);
    EXPECT_EQ(p.MRon[1], 1);
    EXPECT_EQ(p.MRon[2], 1);
    EXPECT_EQ(p.MRon[3], 0);
}

TEST_F(ReadBackOrderTest, PollingPassReadsTheMetersOfTheFamilyAndStandsBackWhenHeld)
{
    EchoEverything();
    EXPECT_TRUE(PollMetersOnce(link, ModelFamily::K225, noStop).completed);
    EXPECT_EQ(Lines(),
              (std::vector<std::string>{"ML1r", "OL1r", "ML2r", "OL2r", "ML3r", "OL3r", "ML4r", "OL4r"}));
    port.ClearRecord();
    EXPECT_TRUE(PollMetersOnce(link, ModelFamily::K217K218, noStop).completed);
    EXPECT_EQ(Lines().size(), 14u);
    EXPECT_EQ(Lines()[4], "ME2r");

    port.ClearRecord();
    PollingHold hold(state.flags);
    EXPECT_FALSE(PollMetersOnce(link, ModelFamily::K225, noStop).completed);
    EXPECT_EQ(Lines().size(), 1u);  // the cycle stops at the first exchange boundary
}

class ModelQueryTest : public LinkFixture {
protected:
    RecordingObserver observer;
    Connection connection{link, observer};
};

// A known model sets its family; any other ("SA" in any case, the model as
// received; lower case is no model this program knows) is connected
// read-only under its own name.
TEST_F(ModelQueryTest, KnownModelsSetTheirFamilyAndAnyOtherIsReadOnly)
{
    const struct {
        const char* reply;
        int family;
        const char* sa;
        const char* name;
    } cases[] = {
        {"SAK217\r\n", 2, "SAK217", "K217"},
        {"sak999\r\n", 0, "SAk999", "unknown model k999"},
        {"SAk217\r\n", 0, "SAk217", "unknown model k217"},
        {"SAK225\r\n", 1, "SAK225", "K225"},
    };
    for (const auto& c : cases) {
        port.ClearRecord();
        port.Answer(kPort, c.reply);
        EXPECT_TRUE(connection.QueryModel()) << c.reply;
        EXPECT_EQ(port.Written(), "SAsr\n");
        EXPECT_TRUE(state.flags.Connected);
        EXPECT_EQ(state.flags.UnknownModel, c.family == 0) << c.reply;
        EXPECT_EQ(p.DeviceFamily, c.family) << c.reply;
        EXPECT_EQ(p.SA.Get(), c.sa);
        EXPECT_EQ(ModelName(state), c.name);
    }
}

TEST_F(ModelQueryTest, TheModelIsAskedThreeTimesBeforeTheQueryFails)
{
    port.Ignore(kPort);  // one lost reply
    port.Answer(kPort, "SAK217\r\n");
    EXPECT_TRUE(connection.QueryModel());
    EXPECT_EQ(port.Written(), "SAsr\nSAsr\n");
    EXPECT_EQ(p.DeviceFamily, 2);

    // Replies that are no model reply: "SA" not in front, no model, no CR LF.
    state.flags.Connected = true;
    port.ClearRecord();
    port.Answer(kPort, "xxSAK225\r\n");
    port.Answer(kPort, "SA\r\n");
    port.Answer(kPort, "SAK225\n");
    EXPECT_FALSE(connection.QueryModel());
    EXPECT_FALSE(state.flags.Connected);
    EXPECT_EQ(port.Writes().size(), 3u);
}

TEST_F(ModelQueryTest, ScanProbesEachPortThreeTimesAndPassesOverPortsItCannotOpen)
{
    state.flags.PortNumber = 7;
    port.SetOpenFailure(1, OpenFailure::InUse, "COM1 (/dev/ttyUSB0) is in use by another program");
    port.SetOpenFailure(2, OpenFailure::Denied, "COM2 (/dev/ttyUSB1): Permission denied");
    port.SetOpenFailure(3, OpenFailure::Missing, "COM3 does not exist");
    port.Ignore(4);
    port.Answer(5, "SV100\r\n");
    std::vector<int> probed;
    EXPECT_TRUE(connection.ScanForDevice(3));
    EXPECT_EQ(state.flags.PortNumber, 5);
    for (const auto& call : port.Calls())
        if (call.rfind("write ", 0) == 0)
            probed.push_back(std::stoi(call.substr(6)));
    EXPECT_EQ(probed, (std::vector<int>{4, 4, 4, 5}));
    EXPECT_EQ(connection.ScanDetail(),
              "Tried COM1, COM2, COM4: COM1 (/dev/ttyUSB0) is in use by another program; COM2 "
              "(/dev/ttyUSB1): Permission denied (to use "
              "serial ports, join the dialout group: sudo usermod -aG dialout $USER, then log in again); "
              "no answer on COM4");
}

TEST_F(ModelQueryTest, ScanWithoutADeviceTriesThirtyNinePortsAndForgetsThePort)
{
    state.flags.PortNumber = 5;
    EXPECT_FALSE(connection.ScanForDevice(1));
    EXPECT_EQ(state.flags.PortNumber, -1);
    EXPECT_EQ(port.Writes().size(), 39u);
}

TEST_F(ModelQueryTest, ConnectRefusalsAndFailuresSayWhy)
{
    std::vector<std::string> shown;
    const Report report = [&](std::string_view text, std::string_view detail) {
        shown.push_back(std::string(text) + (detail.empty() ? "" : "\n" + std::string(detail)));
    };
    state.flags.PortNumber = -1;
    for (int n = 2; n <= 39; ++n)
        port.SetOpenFailure(n, OpenFailure::Missing, "");
    EXPECT_FALSE(connection.Connect(report));  // nothing answers anywhere
    EXPECT_EQ(state.flags.PortNumber, -1);

    state.flags.PortNumber = kPort;  // known port: no scan, but the model query fails
    port.SetOpenResult(kPort, 0);
    port.ClearRecord();
    EXPECT_FALSE(connection.Connect(report));
    EXPECT_EQ(port.Written(), "SAsr\nSAsr\nSAsr\n");
    EXPECT_FALSE(port.IsOpen(kPort)) << "a failed connect keeps the port";

    port.SetOpenFailure(kPort, OpenFailure::InUse, "COM3 (/dev/ttyUSB0) is in use by another program");
    EXPECT_FALSE(connection.Connect(report));
    EXPECT_EQ(shown,
              (std::vector<std::string>{"Cannot find device\nTried COM1: no answer",
                                        "Connect fail!\nCOM3 did not answer (the model was asked 3 times)",
                                        "Connect fail!\nCOM3 (/dev/ttyUSB0) is in use by another program"}));
    EXPECT_FALSE(connection.WorkerRunning());
}

}  // namespace
}  // namespace brevant::test
