// The simulated device, driven in-process through its public interfaces: the
// command lines it answers (and the ones it ignores), the sound test, the
// firmware upgrade exchange, and its stored settings.
#include "sim/DeviceModel.h"
#include "sim/DeviceSession.h"
#include "sim/Faults.h"
#include "sim/FirmwareImage.h"
#include "sim/FirmwareReceiver.h"
#include "sim/StateFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <unistd.h>
#include <vector>

using namespace brevant::sim;
using namespace std::chrono_literals;

namespace {

// A device whose meters run on a clock the test moves by hand.
struct Bench {
    SimTime now{0};
    DeviceModel device;

    explicit Bench(DeviceOptions options = {}, DeviceSettings initial = {})
        : device(withClock(std::move(options)), initial) {}

    DeviceOptions withClock(DeviceOptions options) {
        options.clock = [this] { return now; };
        return options;
    }

    std::string ask(std::string_view line) { return device.handleLine(line); }
};

// The number at the end of a reply line such as "ML1-37\r\n" after `head`.
int valueAfter(const std::string& reply, std::string_view head) {
    EXPECT_TRUE(reply.starts_with(head)) << reply;
    EXPECT_TRUE(reply.ends_with("\r\n")) << reply;
    const std::string_view digits(reply.data() + head.size(), reply.size() - head.size() - 2);
    int value = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    EXPECT_TRUE(ec == std::errc{} && end == digits.data() + digits.size()) << reply;
    return value;
}

// The lines of a multi-line reply, each without its CR LF.
std::vector<std::string> replyLines(const std::string& reply) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (auto end = reply.find("\r\n"); end != std::string::npos; end = reply.find("\r\n", start)) {
        lines.push_back(reply.substr(start, end - start));
        start = end + 2;
    }
    EXPECT_EQ(start, reply.size()) << "reply does not end with CR LF";
    return lines;
}

class TempDir {
public:
    TempDir() : path_(std::filesystem::temp_directory_path() / ("brevant-sim-test-" + std::to_string(::getpid()))) {
        std::filesystem::create_directories(path_);
    }
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

}  // namespace

// ---- settings: set and query forms, clamping --------------------------------

TEST(SimSettings, InputSettingsEchoTheHeldValue) {
    Bench bench;
    EXPECT_EQ(bench.ask("MG2r\r\n"), "MG20\r\n");
    EXPECT_EQ(bench.ask("MG2-5\r\n"), "MG2-5\r\n");
    EXPECT_EQ(bench.ask("MG2r\r\n"), "MG2-5\r\n");
    EXPECT_EQ(bench.ask("MG199\r\n"), "MG147\r\n");
    EXPECT_EQ(bench.ask("MG3-99"), "MG3-10\r\n");  // a bare line without CR LF is taken too
    EXPECT_EQ(bench.ask("MR415\r\n"), "MR415\r\n");
    EXPECT_EQ(bench.ask("MR416\r\n"), "MR415\r\n");
    EXPECT_EQ(bench.ask("MA12\r\n"), "MA11\r\n");
    EXPECT_EQ(bench.ask("MM4-3\r\n"), "MM40\r\n");
    for (const char* code : {"MA", "MF", "MI", "MT", "MM", "MC"})
        EXPECT_EQ(bench.ask(std::string(code) + "11\r\n"), std::string(code) + "11\r\n");
}

TEST(SimSettings, OutputFrequencyLimitsSwitchOffBelowTheirRange) {
    Bench bench;
    EXPECT_EQ(bench.ask("OV1-25\r\n"), "OV1-20\r\n");
    EXPECT_EQ(bench.ask("OV120\r\n"), "OV120\r\n");
    EXPECT_EQ(bench.ask("OD2250\r\n"), "OD2200\r\n");
    EXPECT_EQ(bench.ask("OF2250\r\n"), "OF20\r\n");
    EXPECT_EQ(bench.ask("OF2300\r\n"), "OF2300\r\n");
    EXPECT_EQ(bench.ask("OF225000\r\n"), "OF220000\r\n");
    EXPECT_EQ(bench.ask("OH329\r\n"), "OH30\r\n");
    EXPECT_EQ(bench.ask("OH330\r\n"), "OH330\r\n");
    EXPECT_EQ(bench.ask("OH3601\r\n"), "OH3600\r\n");
    EXPECT_EQ(bench.ask("OH3r\r\n"), "OH3600\r\n");
}

TEST(SimSettings, CrosspointsAndDeviceWideSettings) {
    Bench bench;
    EXPECT_EQ(bench.ask("MX11r\r\n"), "MX111\r\n");  // input n starts routed to output n
    EXPECT_EQ(bench.ask("MX12r\r\n"), "MX120\r\n");
    EXPECT_EQ(bench.ask("MX341\r\n"), "MX341\r\n");
    EXPECT_EQ(bench.ask("XG34-45\r\n"), "XG34-30\r\n");
    EXPECT_EQ(bench.ask("XG345\r\n"), "XG340\r\n");
    EXPECT_EQ(bench.ask("MBs1\r\n"), "MBs1\r\n");
    EXPECT_EQ(bench.ask("MPs7\r\n"), "MPs4\r\n");
    EXPECT_EQ(bench.ask("SNs5\r\n"), "SNs5\r\n");
    EXPECT_EQ(bench.ask("CNsr\r\n"), "CNs1\r\n");
    EXPECT_EQ(bench.ask("CPs0\r\n"), "CPs1\r\n");
    EXPECT_EQ(bench.ask("CTsr\r\n"), "CTs2\r\n");
    EXPECT_EQ(bench.ask("CTs9\r\n"), "CTs5\r\n");
    EXPECT_EQ(bench.ask("MX34r\r\n"), "MX341\r\n");
}

TEST(SimSettings, HugeNumbersClampLikeAnyOther) {
    Bench bench;
    EXPECT_EQ(bench.ask("OV199999999999999999999\r\n"), "OV120\r\n");
    EXPECT_EQ(bench.ask("OV1-99999999999999999999\r\n"), "OV1-20\r\n");
}

TEST(SimSettings, IdentityQueries) {
    Bench k225;
    EXPECT_EQ(k225.ask("SVsr\n"), "SV105\r\n");
    EXPECT_EQ(k225.ask("SAsr\n"), "SAK225\r\n");

    Bench k218({.model = ProductModel::K218});
    EXPECT_EQ(k218.ask("SAsr\n"), "SAK218\r\n");
    Bench unknown({.unknownModel = true});
    EXPECT_EQ(unknown.ask("SAsr\n"), "SAK999\r\n");

    DeviceSettings upgraded;
    upgraded.setFirmwareVersion(231);
    Bench newer({}, upgraded);
    EXPECT_EQ(newer.ask("SVsr\n"), "SV231\r\n");
}

TEST(SimSettings, NoReplyToAnythingNotUnderstood) {
    Bench bench;
    for (const char* line : {
             "MG5r\r\n", "MG0r\r\n", "MG9-3\r\n", "MGxr\r\n",   // channel outside 1..4
             "MX15r\r\n", "MX01r\r\n", "XG5110\r\n", "MX1r\r\n",  // crosspoint digits
             "MBr\r\n", "MB1r\r\n", "CN2\r\n",                    // device-wide without 's'
             "MG1\r\n", "MG1+3\r\n", "MG1 3\r\n", "MG1-\r\n", "MG13x\r\n",  // malformed values
             "mg1r\r\n", "Mg1r\r\n", "svsr\n", "ZZ1r\r\n", "\r\n", "", "S\r\n",  // unknown codes, case
             "ML15\r\n", "OL1r5\r\n", "ME5r\r\n",                 // meters are query only, 1..4
             "SMs0\r\n", "CGs4\r\n", "SSs2\r\n", "UGs1\r\n",      // actions take only their own form
             "DKsr\r\n", "DAs\r\n", "FAsr\r\n",                   // result blocks A..J of D and E
         })
        EXPECT_EQ(bench.ask(line), "") << "line: " << line;
    // Nothing above changed a setting.
    EXPECT_EQ(bench.device.settings(), DeviceSettings{});
}

// ---- meters -----------------------------------------------------------------

TEST(SimMeters, InputLevelFollowsGainAndMute) {
    Bench bench;
    const int resting = valueAfter(bench.ask("ML1r\r\n"), "ML1");
    EXPECT_GE(resting, -30 - 8);
    EXPECT_LE(resting, -30 + 8);

    bench.ask("MG120\r\n");
    EXPECT_EQ(valueAfter(bench.ask("ML1r\r\n"), "ML1"), resting + 20);
    bench.ask("MG147\r\n");
    EXPECT_EQ(valueAfter(bench.ask("ML1r\r\n"), "ML1"), 0);  // full scale is the top
    bench.ask("MM11\r\n");
    EXPECT_EQ(valueAfter(bench.ask("ML1r\r\n"), "ML1"), -100);
}

TEST(SimMeters, LevelsWanderWithinRangeOverTime) {
    Bench bench;
    std::vector<int> seen;
    for (int i = 0; i < 200; ++i) {
        bench.now += 100ms;
        const int level = valueAfter(bench.ask("ML2r\r\n"), "ML2");
        EXPECT_GE(level, -38);
        EXPECT_LE(level, -22);
        seen.push_back(level);
    }
    EXPECT_GT(std::ranges::max(seen) - std::ranges::min(seen), 2) << "the level never moved";

    // The same seed and the same times give the same readings.
    Bench again;
    for (int i = 0; i < 200; ++i) {
        again.now += 100ms;
        EXPECT_EQ(valueAfter(again.ask("ML2r\r\n"), "ML2"), seen[static_cast<std::size_t>(i)]);
    }
}

TEST(SimMeters, OutputLevelComesFromRoutedInputs) {
    Bench bench;
    const int in1 = valueAfter(bench.ask("ML1r\r\n"), "ML1");
    EXPECT_NEAR(valueAfter(bench.ask("OL1r\r\n"), "OL1"), in1, 1);
    bench.ask("OV1-6\r\n");
    EXPECT_NEAR(valueAfter(bench.ask("OL1r\r\n"), "OL1"), in1 - 6, 1);
    bench.ask("XG11-10\r\n");
    EXPECT_NEAR(valueAfter(bench.ask("OL1r\r\n"), "OL1"), in1 - 16, 1);
    bench.ask("OM11\r\n");
    EXPECT_EQ(bench.ask("OL1r\r\n"), "OL1-100\r\n");
    bench.ask("OM10\r\n");
    bench.ask("MX110\r\n");
    EXPECT_EQ(bench.ask("OL1r\r\n"), "OL1-100\r\n");  // nothing routed
}

TEST(SimMeters, EchoReadingsOnlyWithEchoCanceller) {
    Bench k225;
    k225.ask("MC11\r\n");
    EXPECT_EQ(k225.ask("ME1r\r\n"), "ME10\r\n");
    EXPECT_EQ(k225.ask("MS1r\r\n"), "MS10\r\n");

    Bench k217({.model = ProductModel::K217});
    EXPECT_EQ(k217.ask("ME1r\r\n"), "ME10\r\n");  // AEC off
    k217.ask("MC11\r\n");
    const int erle = valueAfter(k217.ask("ME1r\r\n"), "ME1");
    const int erl = valueAfter(k217.ask("MS1r\r\n"), "MS1");
    EXPECT_GE(erle, 15);
    EXPECT_LE(erle, 35);
    EXPECT_GE(erl, 5);
    EXPECT_LE(erl, 20);
}

// ---- actions and the sound test ----------------------------------------------

TEST(SimSoundTest, MeasurementNeedsTestModeAndCountsPoints) {
    Bench bench;
    EXPECT_EQ(bench.ask("CGs1\r\n"), "CGsE\r\n");  // not in test mode
    EXPECT_EQ(bench.ask("CGs2\r\n"), "CGsE\r\n");
    EXPECT_EQ(bench.ask("CEs1\r\n"), "CEs1\r\n");  // leaving is always answered

    EXPECT_EQ(bench.ask("CPs3\r\n"), "CPs3\r\n");
    EXPECT_EQ(bench.ask("SMs1\r\n"), "SMs1\r\n");
    EXPECT_EQ(bench.ask("CGs2\r\n"), "CGsE\r\n");  // no measurement started
    EXPECT_EQ(bench.ask("CGs3\r\n"), "CGs3\r\n");
    EXPECT_EQ(bench.ask("CGs1\r\n"), "CGs1\r\n");
    EXPECT_EQ(bench.ask("CGs2\r\n"), "CGs2\r\n");
    EXPECT_EQ(bench.ask("CGs2\r\n"), "CGs2\r\n");
    EXPECT_EQ(bench.ask("CGs2\r\n"), "CGsE\r\n");  // all three points taken
    EXPECT_EQ(bench.ask("CGs0\r\n"), "CGs0\r\n");
    EXPECT_EQ(bench.ask("CGs1\r\n"), "CGs1\r\n");  // a new measurement may start
    EXPECT_EQ(bench.ask("CEs1\r\n"), "CEs1\r\n");
    EXPECT_EQ(bench.ask("CGs2\r\n"), "CGsE\r\n");
}

TEST(SimSoundTest, ResultBlocksAreTenParseableLines) {
    Bench bench;
    for (const char curve : {'D', 'E'}) {
        for (char block = 'A'; block <= 'J'; ++block) {
            const std::string code{curve, block};
            const std::string reply = bench.ask(code + "sr\r\n");
            EXPECT_GT(reply.size(), 21u);
            const auto lines = replyLines(reply);
            ASSERT_EQ(lines.size(), 10u) << reply;
            for (int j = 0; j < 10; ++j) {
                const std::string head = code + static_cast<char>('0' + j);
                const int value = valueAfter(lines[static_cast<std::size_t>(j)] + "\r\n", head);
                if (curve == 'D') {
                    EXPECT_GE(value, -10);
                    EXPECT_LE(value, 6);
                } else {
                    EXPECT_GE(value, -45);
                    EXPECT_LE(value, -35);
                }
            }
        }
    }
}

TEST(SimSoundTest, CompletedMeasurementReplacesTheCurves) {
    Bench bench;
    auto allBlocks = [&] {
        std::string all;
        for (char block = 'A'; block <= 'J'; ++block)
            all += bench.ask(std::string{'D', block} + "sr\r\n") + bench.ask(std::string{'E', block} + "sr\r\n");
        return all;
    };
    const std::string before = allBlocks();
    EXPECT_EQ(allBlocks(), before);  // reading does not change them

    bench.ask("CPs2\r\n");
    bench.ask("SMs1\r\n");
    bench.ask("CGs1\r\n");
    EXPECT_EQ(allBlocks(), before) << "changed before the last point";
    bench.ask("CGs2\r\n");
    const std::string after = allBlocks();
    EXPECT_NE(after, before);
    bench.ask("CEs1\r\n");
    EXPECT_EQ(allBlocks(), after);  // kept after leaving test mode
}

TEST(SimActions, StoreKeepsSettingsAfterAFlashDelay) {
    TempDir dir;
    Bench bench({.stateFile = dir / "state.txt"});
    bench.ask("MG37\r\n");
    EXPECT_EQ(bench.device.storedSettings(), DeviceSettings{});

    const auto outcome = bench.device.handle("SSs1\r\n");
    EXPECT_EQ(outcome.reply.bytes(), "SSs1\r\n");
    ASSERT_FALSE(outcome.reply.parts.empty());
    EXPECT_GE(outcome.reply.parts.front().pauseBefore, 100ms);
    EXPECT_EQ(bench.device.storedSettings().get({Param::InputGain, 3}), 7);

    const auto loaded = StateFile(dir / "state.txt").load();
    ASSERT_EQ(loaded.status, StateFile::Status::Loaded) << loaded.error;
    EXPECT_EQ(loaded.settings, bench.device.settings());

    // Without a state file the settings are stored in memory only.
    Bench memoryOnly;
    EXPECT_EQ(memoryOnly.ask("SSs1\r\n"), "SSs1\r\n");
}

TEST(SimActions, StoreFailureIsReported) {
    TempDir dir;
    Bench bench({.stateFile = dir / "no-such-dir" / "state.txt"});
    EXPECT_EQ(bench.ask("SSs1\r\n"), "SSs0\r\n");
}

// ---- stored settings -----------------------------------------------------------

TEST(SimStateFile, RoundTripKeepsEverySetting) {
    TempDir dir;
    DeviceSettings settings;
    int n = 0;
    for (const auto& key : DeviceSettings::allKeys())
        settings.set(key, DeviceSettings::info(key.param).min + (n++ % 2));
    settings.set({Param::UpperLimit, 2}, 12345);
    settings.setFirmwareVersion(4242);

    const StateFile file(dir / "state.txt");
    ASSERT_TRUE(file.save(settings));
    const auto loaded = file.load();
    ASSERT_EQ(loaded.status, StateFile::Status::Loaded) << loaded.error;
    EXPECT_EQ(loaded.settings, settings);

    // Saving replaces the old contents whole.
    ASSERT_TRUE(file.save(DeviceSettings{}));
    EXPECT_EQ(file.load().settings, DeviceSettings{});
}

TEST(SimStateFile, MissingAndBrokenFilesGiveFactorySettings) {
    TempDir dir;
    EXPECT_EQ(StateFile(dir / "absent.txt").load().status, StateFile::Status::Missing);

    for (const char* text : {"MG1 five\n", "XY1 3\n", "MG9 0\n", "FW -1\n", "MG1\n"}) {
        std::ofstream(dir / "broken.txt") << "# saved\nOV2 4\n" << text;
        const auto loaded = StateFile(dir / "broken.txt").load();
        EXPECT_EQ(loaded.status, StateFile::Status::Broken) << text;
        EXPECT_FALSE(loaded.error.empty());
        EXPECT_EQ(loaded.settings, DeviceSettings{}) << text;
    }

    // Values out of range are clamped as the device would; missing ones default.
    std::ofstream(dir / "partial.txt") << "OV2 99\nOF1 100\n";
    const auto partial = StateFile(dir / "partial.txt").load();
    ASSERT_EQ(partial.status, StateFile::Status::Loaded);
    EXPECT_EQ(partial.settings.get({Param::OutputVolume, 2}), 20);
    EXPECT_EQ(partial.settings.get({Param::UpperLimit, 1}), 0);
    EXPECT_EQ(partial.settings.firmwareVersion(), kDefaultFirmwareVersion);
}

// ---- firmware upgrade -------------------------------------------------------------

namespace {

// What the program sends for an image: each file word as 'U', step, value
// most significant byte first; headers I, A, L, then data words D.
std::vector<std::string> upgradePackets(const std::vector<std::uint32_t>& fileWords) {
    std::vector<std::string> packets;
    const char headerSteps[] = {'I', 'A', 'L'};
    for (std::size_t i = 0; i < fileWords.size(); ++i)
        packets.push_back(FirmwareReceiver::packet(i < 3 ? headerSteps[i] : 'D', fileWords[i]));
    return packets;
}

struct UpgradeRun {
    std::vector<std::string> replies;  // one per packet sent
    Reply finish;                      // the answer to 'E'
    std::optional<std::uint32_t> installed;
};

UpgradeRun runUpgrade(FirmwareReceiver& receiver, const std::vector<std::uint32_t>& fileWords) {
    UpgradeRun run;
    auto send = [&](const std::string& packet) {
        FirmwareReceiver::Outcome outcome;
        for (const char byte : packet)
            outcome = receiver.receive(static_cast<std::uint8_t>(byte));
        if (outcome.installedVersion)
            run.installed = outcome.installedVersion;
        return outcome;
    };
    for (const auto& packet : upgradePackets(fileWords))
        run.replies.push_back(send(packet).reply.bytes());
    run.replies.push_back(send(FirmwareReceiver::packet('C', 1)).reply.bytes());
    auto finish = send(FirmwareReceiver::packet('E', 2));
    EXPECT_TRUE(finish.finished);
    run.finish = finish.reply;
    return run;
}

const std::string kProgrammed = FirmwareReceiver::packet('E', 0x02020202);
const std::string kSucceeded = FirmwareReceiver::packet('E', 0x03030303);
const std::string kFailed = FirmwareReceiver::packet('E', 0xFFFFFFFF);

}  // namespace

TEST(SimFirmware, ImageFileLayout) {
    const auto image = FirmwareImage::generate(106, 5, 9);
    ASSERT_EQ(image.data().size(), 5u);
    EXPECT_EQ(image.data().back(), image.data()[0] + image.data()[1] + image.data()[2] + image.data()[3]);
    const auto bytes = image.fileBytes();
    ASSERT_EQ(bytes.size(), 4u * (3 + 5));
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "BRV1");
    EXPECT_EQ(bytes[4], 106);
    EXPECT_EQ(bytes[8], 5);
    EXPECT_EQ(FirmwareImage::generate(106, 1).data(), std::vector<std::uint32_t>{0});
    EXPECT_EQ(FirmwareImage::generate(106, 5, 9).data(), image.data());

    TempDir dir;
    image.writeFile(dir / "fw.bin");
    std::ifstream in(dir / "fw.bin", std::ios::binary);
    const std::vector<std::uint8_t> onDisk((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(onDisk, bytes);
}

TEST(SimFirmware, GoodImageIsAcceptedWithTheExpectedAnswers) {
    const auto image = FirmwareImage::generate(107, 6, 3);
    const auto words = image.fileWords();
    FirmwareReceiver receiver;
    const auto run = runUpgrade(receiver, words);

    const auto packets = upgradePackets(words);
    EXPECT_EQ(run.replies[0], packets[0]);  // header words echoed
    EXPECT_EQ(run.replies[1], packets[1]);
    EXPECT_EQ(run.replies[2], packets[2]);
    for (std::size_t i = 3; i + 1 < packets.size(); ++i)
        EXPECT_EQ(run.replies[i], "") << "data word " << i - 3 << " was answered";
    EXPECT_EQ(run.replies[packets.size() - 1], packets.back());  // the last data word
    EXPECT_EQ(run.replies.back(), FirmwareReceiver::packet('C', 1));

    ASSERT_EQ(run.finish.parts.size(), 3u);
    EXPECT_EQ(run.finish.parts[0].bytes, FirmwareReceiver::packet('E', 2));
    EXPECT_EQ(run.finish.parts[1].bytes, kProgrammed);
    EXPECT_EQ(run.finish.parts[2].bytes, kSucceeded);
    EXPECT_GE(run.finish.parts[1].pauseBefore, 200ms);
    EXPECT_GE(run.finish.parts[2].pauseBefore, 200ms);
    EXPECT_EQ(run.installed, 107u);
}

TEST(SimFirmware, DamagedImagesAreRefused) {
    const auto good = FirmwareImage::generate(107, 6, 3).fileWords();
    struct Case {
        const char* what;
        std::vector<std::uint32_t> words;
    };
    std::vector<Case> cases;
    auto badMagic = good;
    badMagic[0] = 0x31565243;
    cases.push_back({"wrong magic", badMagic});
    auto badSum = good;
    badSum.back() += 1;
    cases.push_back({"wrong checksum", badSum});
    auto badData = good;
    badData[4] ^= 0x100;
    cases.push_back({"damaged data word", badData});
    auto shortImage = good;
    shortImage.pop_back();
    cases.push_back({"a word missing", shortImage});
    cases.push_back({"no data words", {FirmwareImage::kMagic, 107, 0}});

    for (const auto& c : cases) {
        FirmwareReceiver receiver;
        const auto run = runUpgrade(receiver, c.words);
        ASSERT_EQ(run.finish.parts.size(), 3u) << c.what;
        EXPECT_EQ(run.finish.parts[1].bytes, kProgrammed) << c.what;
        EXPECT_EQ(run.finish.parts[2].bytes, kFailed) << c.what;
        EXPECT_FALSE(run.installed) << c.what;
    }

    FirmwareReceiver receiver;
    const auto run = runUpgrade(receiver, badMagic);
    EXPECT_EQ(run.replies[0], FirmwareReceiver::packet('I', 0));  // a bad echo tells the program
}

TEST(SimFirmware, UpgradeThroughTheSessionChangesTheReportedVersion) {
    TempDir dir;
    Bench bench({.stateFile = dir / "state.txt"});
    Faults noFaults({}, 1);
    DeviceSession session(bench.device, noFaults);
    SimTime t{0};
    auto send = [&](std::string_view bytes) {
        std::string reply;
        for (const char byte : bytes) {
            t += 1ms;
            reply += session.receive(static_cast<std::uint8_t>(byte), t).bytes();
        }
        return reply;
    };

    EXPECT_EQ(send("UGst\r\n"), "UGst\r\n");
    EXPECT_TRUE(session.upgrading());
    std::string packets;
    for (const auto& packet : upgradePackets(FirmwareImage::generate(120, 4).fileWords()))
        packets += packet;
    send(packets);
    send(FirmwareReceiver::packet('C', 1));
    EXPECT_EQ(send(FirmwareReceiver::packet('E', 2)),
              FirmwareReceiver::packet('E', 2) + kProgrammed + kSucceeded);
    EXPECT_FALSE(session.upgrading());
    EXPECT_EQ(send("SVsr\n"), "SV120\r\n");
    EXPECT_EQ(StateFile(dir / "state.txt").load().settings.firmwareVersion(), 120u);
}

TEST(SimFirmware, AbandonedUpgradeReturnsToLineModeAfterThreeSeconds) {
    Bench bench;
    Faults noFaults({}, 1);
    DeviceSession session(bench.device, noFaults);
    SimTime t{0};
    auto send = [&](std::string_view bytes) {
        std::string reply;
        for (const char byte : bytes)
            reply += session.receive(static_cast<std::uint8_t>(byte), t).bytes();
        return reply;
    };

    send("UGst\r\n");
    EXPECT_EQ(send("SVsr\n"), "");  // taken as packet bytes
    t += 2s;
    session.tick(t);
    EXPECT_TRUE(session.upgrading());
    t += 3s;
    session.tick(t);
    EXPECT_FALSE(session.upgrading());
    EXPECT_EQ(send("SVsr\n"), "SV105\r\n");
}

// ---- line faults -------------------------------------------------------------------

TEST(SimFaults, EachFaultChangesTheReplyAsDescribed) {
    const Reply reply = Reply::text("MG1-12\r\n");

    Faults lost({.noReply = 1.0}, 1);
    EXPECT_TRUE(lost.apply(reply).empty());

    Faults split({.split = 1.0}, 1);
    for (int i = 0; i < 20; ++i) {
        const Reply pieces = split.apply(reply);
        ASSERT_EQ(pieces.parts.size(), 2u);
        EXPECT_EQ(pieces.bytes(), reply.bytes());
        EXPECT_GE(pieces.parts[0].bytes.size(), 3u);
        EXPECT_GE(pieces.parts[1].bytes.size(), 2u);  // the final CR LF comes with the rest
        EXPECT_EQ(pieces.parts[1].pauseBefore, Faults::kSplitGap);
    }

    Faults garbage({.garbage = 1.0}, 1);
    for (int i = 0; i < 20; ++i) {
        const std::string bytes = garbage.apply(reply).bytes();
        ASSERT_TRUE(bytes.ends_with("\r\n"));
        EXPECT_GE(bytes.size(), 8u);
        EXPECT_LE(bytes.size(), 14u);
        for (const char c : bytes.substr(0, bytes.size() - 2))
            EXPECT_FALSE(std::isalpha(static_cast<unsigned char>(c))) << bytes;
    }

    Faults delayed({.delay = 1.0, .delayTime = 250ms}, 1);
    const Reply later = delayed.apply(reply);
    EXPECT_EQ(later.bytes(), reply.bytes());
    EXPECT_EQ(later.parts.front().pauseBefore, 250ms);

    Faults none({}, 1);
    EXPECT_EQ(none.apply(reply).bytes(), reply.bytes());
}

TEST(SimFaults, SameSeedSameFaults) {
    auto pattern = [](std::uint32_t seed) {
        Faults faults({.noReply = 0.3, .split = 0.3, .garbage = 0.3}, seed);
        std::string seen;
        for (int i = 0; i < 100; ++i)
            seen += faults.apply(Reply::text("SV105\r\n")).bytes() + "|";
        return seen;
    };
    EXPECT_EQ(pattern(5), pattern(5));
    EXPECT_NE(pattern(5), pattern(6));
}
