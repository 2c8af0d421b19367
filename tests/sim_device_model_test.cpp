// The simulated device, driven in-process through its public interfaces: what
// the end-to-end tests do not take through it (clamping, the lines it ignores,
// the meters, the sound test, broken images, line faults).
#include "programs/sim/DeviceModel.h"
#include "programs/sim/Faults.h"
#include "programs/sim/FirmwareReceiver.h"
#include "programs/sim/SimFirmwareImage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <initializer_list>
#include <optional>
#include <string>
#include <utility>
#include <vector>

using namespace brevant::sim;

namespace {

// A device whose meters run on a clock the test moves by hand.
struct Bench {
    SimTime now{0};
    DeviceModel device;
    explicit Bench(DeviceOptions options = {})
        : device((
              options.clock = [this] { return now; }, std::move(options)))
    {
    }
    std::string ask(std::string_view line) { return device.HandleLine(line); }

    // Each line with CR LF, in order, must be answered with its reply and CR LF.
    void expectReplies(std::initializer_list<std::pair<std::string, std::string>> exchanges)
    {
        for (const auto& [line, reply] : exchanges)
            EXPECT_EQ(ask(line + "\r\n"), reply + "\r\n") << "line: " << line;
    }
};

// A receiver's reply to each packet of an upgrade (each file word: headers I,
// A, L, then data words D; then close 1 and close 2), and the version it installed.
std::pair<std::vector<Reply>, std::optional<std::uint32_t>>
runUpgrade(const std::vector<std::uint32_t>& words)
{
    FirmwareReceiver receiver;
    std::pair<std::vector<Reply>, std::optional<std::uint32_t>> run;
    for (std::size_t i = 0; i < words.size() + 2; ++i) {
        const std::size_t close = i - words.size();
        const std::string packet = i < words.size()
                                       ? FirmwareReceiver::Packet(i < 3 ? "IAL"[i] : 'D', words[i])
                                       : FirmwareReceiver::Packet("CE"[close], close + 1);
        FirmwareReceiver::Outcome outcome;
        for (const char byte : packet)
            outcome = receiver.Receive(static_cast<std::uint8_t>(byte));
        run.first.push_back(outcome.reply);
        run.second = run.second ? run.second : outcome.installedVersion;
    }
    return run;
}

}  // namespace

TEST(SimSettings, EverySettingAnswersWithTheClampedValueNowHeld)
{
    Bench bench;
    bench.expectReplies({{"MG2-5", "MG2-5"},
                         {"MG2r", "MG2-5"},
                         {"MG199", "MG147"},
                         {"MM4-3", "MM40"},
                         {"OF2250", "OF20"},
                         {"OF225000", "OF220000"},
                         {"OH329", "OH30"},  // off below range
                         {"OH330", "OH330"},
                         {"OV199999999999999999999", "OV120"},
                         {"OV1-99999999999999999999", "OV1-20"},
                         {"XG34-45", "XG34-30"},
                         {"MPs7", "MPs4"},
                         {"CNsr", "CNs1"},
                         {"CPs0", "CPs1"},
                         {"CTs9", "CTs5"}});
    EXPECT_EQ(bench.ask("MG3-99"), "MG3-10\r\n");  // a bare line without CR LF is taken too
}

TEST(SimSettings, NoReplyToAnythingNotUnderstood)
{
    Bench bench;
    for (const char* line : {
             "MG5r\r\n",  "MG0r\r\n",  "MG9-3\r\n",  "MGxr\r\n",               // channel outside 1..4
             "MX15r\r\n", "MX01r\r\n", "XG5110\r\n", "MX1r\r\n",               // crosspoint digits
             "MBr\r\n",   "MB1r\r\n",  "CN2\r\n",                              // device-wide without 's'
             "MG1\r\n",   "MG1+3\r\n", "MG1 3\r\n",  "MG1-\r\n", "MG13x\r\n",  // malformed values
             "mg1r\r\n",  "Mg1r\r\n",  "svsr\n",     "ZZ1r\r\n", "\r\n",
             "",          "S\r\n",                                // unknown codes, case
             "ML15\r\n",  "OL1r5\r\n", "ME5r\r\n",                // meters are query only, 1..4
             "SMs0\r\n",  "CGs4\r\n",  "SSs2\r\n",   "UGs1\r\n",  // actions take only their own form
             "DKsr\r\n",  "DAs\r\n",   "FAsr\r\n",                // result blocks A..J of D and E
             "MC11\r\n",  "OD1r\r\n",  "OD2100\r\n", "ME2r\r\n",  // what a K225 has not
         })
        EXPECT_EQ(bench.ask(line), "") << "line: " << line;
    EXPECT_EQ(bench.device.Settings(), DeviceSettings{}) << "a line above changed a setting";
}

TEST(SimMeters, LevelsFollowGainMuteAndRouting)
{
    Bench bench;
    const auto level = [&](const std::string& head) {  // the number in a reply such as "ML1-37\r\n"
        const std::string reply = bench.ask(head + "r\r\n");
        EXPECT_TRUE(reply.starts_with(head) && reply.ends_with("\r\n")) << reply;
        return std::atoi(reply.c_str() + head.size());
    };
    const int in1 = level("ML1");
    EXPECT_NEAR(in1, -30, 8);
    EXPECT_NEAR(level("OL1"), in1, 1);
    bench.expectReplies({{"OV1-6", "OV1-6"}, {"XG11-10", "XG11-10"}, {"MG120", "MG120"}});
    EXPECT_NEAR(level("OL1"), in1 + 20 - 16, 1);
    EXPECT_EQ(level("ML1"), in1 + 20);
    bench.expectReplies({{"OM11", "OM11"},
                         {"OL1r", "OL1-100"},
                         {"OM10", "OM10"},
                         {"MX110", "MX110"},
                         {"OL1r", "OL1-100"},
                         {"MG147", "MG147"},
                         {"ML1r", "ML10"},
                         {"MM11", "MM11"},
                         {"ML1r", "ML1-100"}});
}

// The whole measurement, to the curves, is the sound test dialog's test; here
// the steps the device refuses: outside test mode, before a start, past the
// last point.
TEST(SimSoundTest, AStepOutsideAMeasurementIsRefused)
{
    Bench bench;
    bench.expectReplies({{"CGs1", "CGsE"},
                         {"CGs2", "CGsE"},
                         {"CEs1", "CEs1"},  // not in test mode; leaving is always answered
                         {"CPs3", "CPs3"},
                         {"SMs1", "SMs1"},
                         {"CGs2", "CGsE"},  // no measurement started
                         {"CGs3", "CGs3"},
                         {"CGs1", "CGs1"},
                         {"CGs2", "CGs2"},
                         {"CGs2", "CGs2"},
                         {"CGs2", "CGsE"}});  // all three points taken
}

// The whole exchange against the program is the firmware tests'; here the
// images the program never sends: each is refused in the last report.
TEST(SimFirmware, OnlyAWholeImageIsInstalled)
{
    const auto good = FirmwareImage::Generate(107, 6, 3).FileWords();
    auto badMagic = good, badSum = good;
    badMagic[0] = 0x31565243;
    badSum.back() += 1;
    for (const auto& words : {good, badMagic, badSum}) {
        const bool whole = words == good;
        const auto [replies, installed] = runUpgrade(words);
        const std::string reports = FirmwareReceiver::Packet('E', 2) +
                                    FirmwareReceiver::Packet('E', 0x02020202) +
                                    FirmwareReceiver::Packet('E', whole ? 0x03030303 : 0xFFFFFFFF);
        EXPECT_EQ(replies.back().Bytes(), reports) << words.size();
        EXPECT_EQ(installed, whole ? std::optional<std::uint32_t>(107) : std::nullopt) << words.size();
    }
    EXPECT_EQ(runUpgrade(badMagic).first[0].Bytes(),
              FirmwareReceiver::Packet('I', 0));  // a bad echo tells the program
}

TEST(SimFaults, EachFaultChangesTheReplyAsDescribedAndTheSeedFixesThem)
{
    const Reply reply = Reply::Text("MG1-12\r\n");
    EXPECT_TRUE(Faults({.noReply = 1.0}, 1).Apply(reply).empty());
    Faults split({.split = 1.0}, 1);
    Faults garbage({.garbage = 1.0}, 1);
    const FaultRates mix{.noReply = 0.3, .split = 0.3, .garbage = 0.3};
    Faults mixed[] = {{mix, 5}, {mix, 5}, {mix, 6}};
    std::string seen[3];
    for (int i = 0; i < 100; ++i) {
        // At least 3 bytes first; the final CR LF comes with the rest, a gap later.
        const Reply pieces = split.Apply(reply);
        ASSERT_EQ(pieces.parts.size(), 2u);
        EXPECT_EQ(pieces.Bytes(), reply.Bytes());
        EXPECT_TRUE(pieces.parts[0].bytes.size() >= 3 && pieces.parts[1].bytes.size() >= 2) << pieces.Bytes();
        EXPECT_EQ(pieces.parts[1].pauseBefore, Faults::kSplitGap);
        const std::string noise = garbage.Apply(reply).Bytes();
        EXPECT_TRUE(noise.size() >= 8 && noise.size() <= 14 && noise.ends_with("\r\n")) << noise;
        EXPECT_TRUE(std::ranges::none_of(noise, [](unsigned char c) { return std::isalpha(c); })) << noise;
        for (int k = 0; k < 3; ++k)
            seen[k] += mixed[k].Apply(reply).Bytes() + "|";
    }
    EXPECT_EQ(seen[0], seen[1]) << "the same seed must give the same faults";
    EXPECT_NE(seen[0], seen[2]);
}
