// The simulated device, driven in-process through its public interfaces: the
// command lines it Answers (and the ones it ignores), the meters, the sound
// test, its stored settings, the firmware upgrade exchange and line faults.
#include "programs/sim/DeviceModel.h"
#include "programs/sim/DeviceSession.h"
#include "programs/sim/Faults.h"
#include "programs/sim/FirmwareReceiver.h"
#include "programs/sim/SimFirmwareImage.h"
#include "programs/sim/StateFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <optional>
#include <string>
#include <unistd.h>
#include <utility>
#include <vector>

using namespace brevant::sim;
using namespace std::chrono_literals;
using namespace std::string_literals;

namespace {

// A device whose meters run on a clock the test moves by hand.
struct Bench {
    SimTime now{0};
    DeviceModel device;
    explicit Bench(DeviceOptions options = {}, DeviceSettings initial = {})
        : device((
                     options.clock = [this] { return now; }, std::move(options)),
                 initial)
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

// The number after `head` in a reply line such as "ML1-37\r\n".
int valueAfter(const std::string& reply, const std::string& head)
{
    EXPECT_TRUE(reply.starts_with(head) && reply.ends_with("\r\n")) << reply;
    int value = 0;
    const char* last = reply.data() + reply.size() - 2;
    const auto [end, ec] = std::from_chars(reply.data() + head.size(), last, value);
    EXPECT_TRUE(ec == std::errc{} && end == last) << reply;
    return value;
}

struct TempDir {
    const std::filesystem::path path =
        std::filesystem::temp_directory_path() / ("brevant-sim-test-" + std::to_string(::getpid()));
    TempDir() { std::filesystem::create_directories(path); }
    ~TempDir()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    std::filesystem::path operator/(const std::string& name) const { return path / name; }
};

// The packets of an upgrade: each file word (headers I, A, L, then data words
// D), close 1 and close 2.
std::vector<std::string> upgradePackets(const std::vector<std::uint32_t>& words)
{
    std::vector<std::string> packets;
    for (std::size_t i = 0; i < words.size(); ++i)
        packets.push_back(FirmwareReceiver::Packet(i < 3 ? "IAL"[i] : 'D', words[i]));
    packets.insert(packets.end(), {FirmwareReceiver::Packet('C', 1), FirmwareReceiver::Packet('E', 2)});
    return packets;
}

// A receiver's reply to each packet of an upgrade, and the version it installed.
std::pair<std::vector<Reply>, std::optional<std::uint32_t>>
runUpgrade(const std::vector<std::uint32_t>& words)
{
    FirmwareReceiver receiver;
    std::pair<std::vector<Reply>, std::optional<std::uint32_t>> run;
    for (const std::string& packet : upgradePackets(words)) {
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
    bench.expectReplies({{"MG2r", "MG20"},
                         {"MG2-5", "MG2-5"},
                         {"MG2r", "MG2-5"},
                         {"MG199", "MG147"},
                         {"MR415", "MR415"},
                         {"MR416", "MR415"},
                         {"MA12", "MA11"},
                         {"MM4-3", "MM40"},
                         {"MF11", "MF11"},
                         {"MI11", "MI11"},
                         {"MT11", "MT11"},
                         {"OV1-25", "OV1-20"},
                         {"OV120", "OV120"},
                         {"OD3250", "OD3200"},
                         {"OF2300", "OF2300"},
                         {"OF2250", "OF20"},
                         {"OF225000", "OF220000"},
                         {"OH329", "OH30"},
                         {"OH330", "OH330"},  // off below range
                         {"OH3601", "OH3600"},
                         {"OH3r", "OH3600"},
                         {"OV199999999999999999999", "OV120"},
                         {"OV1-99999999999999999999", "OV1-20"},
                         {"MX11r", "MX111"},
                         {"MX12r", "MX120"},  // input n to output n
                         {"MX341", "MX341"},
                         {"MX34r", "MX341"},
                         {"XG34-45", "XG34-30"},
                         {"XG345", "XG340"},
                         {"MBs1", "MBs1"},
                         {"MPs7", "MPs4"},
                         {"SNs5", "SNs5"},
                         {"CNsr", "CNs1"},
                         {"CPs0", "CPs1"},
                         {"CTsr", "CTs2"},
                         {"CTs9", "CTs5"},
                         {"SVsr", "SV105"},
                         {"SAsr", "SAK225"}});
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

TEST(SimMeters, LevelsFollowGainMuteAndRoutingAndEchoNeedsACanceller)
{
    Bench bench;
    const auto level = [&](const std::string& head) { return valueAfter(bench.ask(head + "r\r\n"), head); };
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
    Bench again;  // the same seed and the same times give the same readings
    for (int i = 0; i < 50; ++i, bench.now = again.now += 100ms)
        EXPECT_EQ(bench.ask("ML2r\r\n"), again.ask("ML2r\r\n"));
    Bench k217({.model = ProductModel::K217});
    k217.expectReplies({{"ME2r", "ME20"}, {"MC21", "MC21"}});
    EXPECT_NEAR(valueAfter(k217.ask("ME2r\r\n"), "ME2"), 25, 10);
    EXPECT_NEAR(valueAfter(k217.ask("MS2r\r\n"), "MS2"), 12.5, 7.5);
    for (const char* line : {"ME1r\r\n", "OF1r\r\n", "OD3r\r\n"})  // what a K217 has not
        EXPECT_EQ(k217.ask(line), "") << line;
}

TEST(SimSoundTest, MeasurementNeedsTestModeCountsPointsAndThenReplacesTheCurves)
{
    Bench bench;
    const auto curves = [&] {
        std::string all;
        for (char block = 'A'; block <= 'J'; ++block)
            all +=
                bench.ask(std::string{'D', block} + "sr\r\n") + bench.ask(std::string{'E', block} + "sr\r\n");
        return all;
    };
    const std::string before = curves();
    bench.expectReplies({{"CGs1", "CGsE"},
                         {"CGs2", "CGsE"},
                         {"CEs1", "CEs1"},  // not in test mode; leaving is always answered
                         {"CPs3", "CPs3"},
                         {"SMs1", "SMs1"},
                         {"CGs2", "CGsE"},  // no measurement started
                         {"CGs3", "CGs3"},
                         {"CGs1", "CGs1"},
                         {"CGs2", "CGs2"}});
    EXPECT_EQ(curves(), before) << "changed before the last point";
    bench.expectReplies({{"CGs2", "CGs2"}, {"CGs2", "CGsE"}});  // all three points taken
    const std::string after = curves();
    EXPECT_NE(after, before);
    bench.expectReplies({{"CGs0", "CGs0"}, {"CGs1", "CGs1"}, {"CEs1", "CEs1"}, {"CGs2", "CGsE"}});
    EXPECT_EQ(curves(), after) << "not kept after leaving test mode";
}

TEST(SimActions, StoreAndUpgradeKeepTheSettingsOrStoreReportsFailure)
{
    TempDir dir;
    Bench bench({.stateFile = dir / "state.txt"});
    bench.ask("MG37\r\n");
    EXPECT_EQ(bench.device.StoredSettings(), DeviceSettings{});
    const auto outcome = bench.device.Handle("SSs1\r\n");
    EXPECT_EQ(outcome.reply.Bytes(), "SSs1\r\n");
    EXPECT_GE(outcome.reply.parts.at(0).pauseBefore, 100ms);
    EXPECT_EQ(bench.device.StoredSettings().Get({Param::InputGain, 3}), 7);
    EXPECT_EQ(StateFile(dir / "state.txt").Load().settings, bench.device.Settings());
    bench.device.ApplyFirmware(120);  // after an upgrade
    EXPECT_EQ(bench.ask("SVsr\n"), "SV120\r\n");
    EXPECT_EQ(StateFile(dir / "state.txt").Load().settings.FirmwareVersion(), 120u);
    EXPECT_EQ(Bench().ask("SSs1\r\n"), "SSs1\r\n");  // without a state file, in memory only
    EXPECT_EQ(Bench({.stateFile = dir / "no-such-dir" / "state.txt"}).ask("SSs1\r\n"), "SSs0\r\n");
}

TEST(SimStateFile, KeepsEverySettingAndGivesFactorySettingsForAMissingOrBrokenFile)
{
    TempDir dir;
    DeviceSettings settings;
    int n = 0;
    for (const auto& key : DeviceSettings::AllKeys())
        settings.Set(key, DeviceSettings::Info(key.param).min + (n++ % 2));
    settings.SetFirmwareVersion(4242);
    const StateFile file(dir / "state.txt");
    ASSERT_TRUE(file.Save(settings));
    EXPECT_EQ(file.Load().settings, settings);
    ASSERT_TRUE(file.Save(DeviceSettings{}));  // replaces the old contents whole
    EXPECT_EQ(file.Load().settings, DeviceSettings{});
    EXPECT_EQ(StateFile(dir / "absent.txt").Load().status, StateFile::Status::Missing);
    for (const char* text : {"MG1 five\n", "XY1 3\n", "MG9 0\n", "FW -1\n", "MG1\n"}) {
        std::ofstream(dir / "broken.txt") << "# saved\nOV2 4\n" << text;
        const auto loaded = StateFile(dir / "broken.txt").Load();
        EXPECT_EQ(loaded.status, StateFile::Status::Broken) << text;
        EXPECT_FALSE(loaded.error.empty());
        EXPECT_EQ(loaded.settings, DeviceSettings{}) << text;
    }
    // Values out of range are clamped as the device would; missing ones default.
    std::ofstream(dir / "partial.txt") << "OV2 99\nOF1 100\n";
    DeviceSettings clamped;
    clamped.Set({Param::OutputVolume, 2}, 20);
    EXPECT_EQ(StateFile(dir / "partial.txt").Load().settings, clamped);
}

TEST(SimFirmware, OnlyAWholeImageIsInstalled)
{
    const auto good = FirmwareImage::Generate(107, 6, 3).FileWords();
    auto badMagic = good, badSum = good, badData = good, wordMissing = good;
    badMagic[0] = 0x31565243;
    badSum.back() += 1;
    badData[4] ^= 0x100;
    wordMissing[2] += 1;  // one word more announced than sent
    const std::vector<std::uint32_t> noData{FirmwareImage::kMagic, 107, 0};
    for (const auto& words : {good, badMagic, badSum, badData, wordMissing, noData}) {
        const bool whole = words == good;
        const auto [replies, installed] = runUpgrade(words);
        const std::string reports = FirmwareReceiver::Packet('E', 0x02020202) +
                                    FirmwareReceiver::Packet('E', whole ? 0x03030303 : 0xFFFFFFFF);
        EXPECT_EQ(replies.back().Bytes(), upgradePackets(words).back() + reports) << words.size();
        EXPECT_EQ(installed, whole ? std::optional<std::uint32_t>(107) : std::nullopt) << words.size();
    }
    EXPECT_EQ(runUpgrade(badMagic).first[0].Bytes(),
              FirmwareReceiver::Packet('I', 0));  // a bad echo tells the program

    // Headers echoed, only the last data word answered, close 1 echoed; the
    // reports follow the echo of close 2 while the flash is programmed.
    const auto p = upgradePackets(good);
    const auto [replies, installed] = runUpgrade(good);
    const std::vector<std::string> answers{p[0], p[1], p[2], "", "", "", "", "", p[8], p[9]};
    for (std::size_t i = 0; i < answers.size(); ++i)
        EXPECT_EQ(replies.at(i).Bytes(), answers[i]) << "packet " << i;
    ASSERT_EQ(replies.back().parts.size(), 3u);
    EXPECT_GE(std::min(replies.back().parts[1].pauseBefore, replies.back().parts[2].pauseBefore), 200ms);
}

// Through the session: "UGst" turns the line over to upgrade packets until the
// upgrade ends (see the firmware tests) or the line has been quiet for 3 s.
TEST(SimFirmware, SessionGivesUpTheUpgradeAfterThreeQuietSeconds)
{
    Bench bench;
    Faults noFaults({}, 1);
    DeviceSession session(bench.device, noFaults);
    SimTime t{0};
    auto send = [&](std::string_view bytes) {
        std::string reply;
        for (const char byte : bytes)
            reply += session.Receive(static_cast<std::uint8_t>(byte), t += 1ms).Bytes();
        return reply;
    };
    EXPECT_EQ(send("UGst\r\nSVsr\n"), "UGst\r\n");  // the query is taken as packet bytes
    session.Tick(t += 2990ms);
    EXPECT_TRUE(session.Upgrading());
    session.Tick(t += 10ms);
    EXPECT_EQ(send("SVsr\n"), "SV105\r\n");
}

TEST(SimFaults, EachFaultChangesTheReplyAsDescribedAndTheSeedFixesThem)
{
    const Reply reply = Reply::Text("MG1-12\r\n");
    EXPECT_TRUE(Faults({.noReply = 1.0}, 1).Apply(reply).empty());
    const Reply later = Faults({.delay = 1.0, .delayTime = 250ms}, 1).Apply(reply);
    EXPECT_EQ(later.Bytes(), reply.Bytes());
    EXPECT_EQ(later.parts.at(0).pauseBefore, 250ms);
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
