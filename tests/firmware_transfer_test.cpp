// The firmware transfer: the exact bytes of every packet and the outcome of
// every step's failure on the scripted port, then whole upgrades against the
// simulator, paced and unpaced.
#include "FirmwareTransfer.h"
#include "LinkFixture.h"
#include "SimLinkFixture.h"
#include "SimProcess.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <thread>

namespace brevant::test {
namespace {

using namespace std::chrono_literals;
using namespace std::string_literals;

using Bytes = std::vector<std::uint8_t>;

constexpr std::uint32_t kMagic = 0x31565242;  // the bytes "BRV1" in the file

// The file bytes of `words` (little-endian), then `tail`.
Bytes ImageBytes(const std::vector<std::uint32_t>& words, const Bytes& tail = {})
{
    Bytes bytes;
    for (const std::uint32_t word : words)
        for (int shift = 0; shift < 32; shift += 8)
            bytes.push_back(static_cast<std::uint8_t>(word >> shift));
    bytes.insert(bytes.end(), tail.begin(), tail.end());
    return bytes;
}

// 'U', the step letter, then the value most significant byte first.
std::string Packet(char letter, std::uint32_t value)
{
    std::string bytes{'U', letter};
    for (int shift = 24; shift >= 0; shift -= 8)
        bytes += static_cast<char>((value >> shift) & 0xFF);
    return bytes;
}

// Files in a private folder that goes away with the test.
class TempFiles {
public:
    TempFiles() : dir_(MakeTempDir("brevant-firmware")) {}
    ~TempFiles()
    {
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }
    TempFiles(const TempFiles&) = delete;
    TempFiles& operator=(const TempFiles&) = delete;

    std::string Path(const std::string& name) const { return (std::filesystem::path(dir_) / name).string(); }

    std::string Write(const std::string& name, const Bytes& bytes) const
    {
        const std::string path = Path(name);
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return path;
    }

    static Bytes Read(const std::string& path)
    {
        std::ifstream in(path, std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

private:
    std::string dir_;
};

// The transfer on the scripted port. The port plays a well-behaved device:
// it echoes the start request and the headers, answers the data word that
// completes the count given in header 3, echoes both closing packets and, after
// close 2, reports the image programmed (300 ms later) and accepted (300 ms
// after that). `replace` swaps its answer to one packet, chosen by step letter
// ('G' for the start request).
class FirmwareTest : public LinkFixture {
protected:
    FirmwareTest()
    {
        port.SetResponder(kPort, [this](std::string_view written) { return Respond(written); });
    }

    FirmwareResult Send(const Bytes& image)
    {
        return TransferFirmware(link, files.Write("image.bin", image),
                                [this](int percent) { progress.push_back(percent); });
    }

    // The packets a whole transfer of `image` writes.
    static std::vector<std::string> Wire(const std::vector<std::uint32_t>& words)
    {
        std::vector<std::string> wire{"UGst\r\n", Packet('I', words[0]), Packet('A', words[1]),
                                      Packet('L', words[2])};
        for (std::size_t i = 3; i < words.size(); ++i)
            wire.push_back(Packet('D', words[i]));
        wire.push_back(Packet('C', 1));
        wire.push_back(Packet('E', 2));
        return wire;
    }

    std::map<char, std::vector<Piece>> replace;
    std::vector<int> progress;
    Micros lastWriteAt{};
    TempFiles files;

private:
    std::vector<Piece> Respond(std::string_view written)
    {
        lastWriteAt = port.Now();
        const char letter = written == "UGst\r\n" ? 'G' : written.size() == 6 ? written[1] : '?';
        std::vector<Piece> answer;
        switch (letter) {
        case 'G':
        case 'I':
        case 'A':
        case 'C':
            answer = {{1ms, std::string(written)}};
            break;
        case 'L':
            dataExpected_ = static_cast<std::uint8_t>(written[5]);
            answer = {{1ms, std::string(written)}};
            break;
        case 'D':
            if (++dataSeen_ == dataExpected_)
                answer = {{1ms, std::string(written)}};
            break;
        case 'E':
            answer = {{1ms, std::string(written)},
                      {301ms, Packet('E', 0x02020202)},
                      {601ms, Packet('E', 0x03030303)}};
            break;
        default:
            break;
        }
        if (const auto it = replace.find(letter); it != replace.end() && !answer.empty())
            answer = it->second;
        return answer;
    }

    int dataExpected_ = 0;
    int dataSeen_ = 0;
};

// ---------------------------------------------------------------------------
// What goes on the wire

TEST_F(FirmwareTest, HeaderOnlyImageSendsStartHeadersAndClosingPacketsAndNoProgress)
{
    const auto result = Send(ImageBytes({kMagic, 207, 0}));

    EXPECT_TRUE(result.ok) << result.reason;
    EXPECT_EQ(result.reason, "");
    EXPECT_EQ(port.Written(), "UGst\r\n"
                              "UI1VRB"
                              "UA\x00\x00\x00\xcf"s
                              "UL\x00\x00\x00\x00"s
                              "UC\x00\x00\x00\x01"s
                              "UE\x00\x00\x00\x02"s);
    EXPECT_EQ(port.Writes().size(), 6u) << "one write per packet";
    EXPECT_TRUE(progress.empty());
    // Only the open port is used: no reopening, no line changes.
    for (const std::string& call : port.Calls())
        EXPECT_EQ(call, "write 3");
}

TEST_F(FirmwareTest, TrailingBytesThatMakeNoWholeWordAreNotSent)
{
    const auto result = Send(ImageBytes({kMagic, 207, 0}, {0xAA, 0xBB}));

    EXPECT_TRUE(result.ok) << result.reason;
    EXPECT_EQ(port.Writes(), Wire({kMagic, 207, 0}));
    EXPECT_TRUE(progress.empty());
}

TEST_F(FirmwareTest, OneWholeDataWordIsTheLastAndCountsHalfWithAPartialWordAfterIt)
{
    const auto result = Send(ImageBytes({kMagic, 207, 1, 0xDEADBEEF}, {0x7F}));

    EXPECT_TRUE(result.ok) << result.reason;
    ASSERT_EQ(port.Writes(), Wire({kMagic, 207, 1, 0xDEADBEEF}));
    EXPECT_EQ(port.Writes()[4], "UD\xde\xad\xbe\xef");
    EXPECT_EQ(progress, std::vector<int>{50});
}

TEST_F(FirmwareTest, FileWordsGoOutMostSignificantByteFirstAndMustComeBackSo)
{
    Bytes image{0x01, 0x02, 0x03, 0x04};
    const Bytes rest = ImageBytes({207, 0});
    image.insert(image.end(), rest.begin(), rest.end());

    const auto result = Send(image);

    EXPECT_TRUE(result.ok) << result.reason;
    ASSERT_GE(port.Writes().size(), 2u);
    EXPECT_EQ(port.Writes()[1], "UI\x04\x03\x02\x01");
}

TEST_F(FirmwareTest, AnEchoInFileByteOrderIsWrong)
{
    replace['I'] = {{1ms, "UI\x01\x02\x03\x04"}};
    Bytes image{0x01, 0x02, 0x03, 0x04};
    const Bytes rest = ImageBytes({207, 0});
    image.insert(image.end(), rest.begin(), rest.end());

    const auto result = Send(image);

    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.reason, "the device did not acknowledge header 1: wrong answer "
                             "\"UI\\x01\\x02\\x03\\x04\" (expected \"UI\\x04\\x03\\x02\\x01\")");
    EXPECT_EQ(port.Writes().size(), 2u);
}

TEST_F(FirmwareTest, DataWordsGoOutInFileOrderWithProgressAfterEach)
{
    const std::vector<std::uint32_t> words{kMagic, 300, 3, 0x0A0B0C0D, 0x10203040, 0xFFFEFDFC};
    std::vector<std::size_t> writesAtProgress;
    const auto result =
        TransferFirmware(link, files.Write("image.bin", ImageBytes(words)), [&](int percent) {
            progress.push_back(percent);
            writesAtProgress.push_back(port.Writes().size());
        });

    EXPECT_TRUE(result.ok) << result.reason;
    EXPECT_EQ(port.Writes(), Wire(words));
    EXPECT_EQ(progress, (std::vector<int>{33, 66, 100}));
    EXPECT_EQ(writesAtProgress, (std::vector<std::size_t>{5, 6, 7}));
}

TEST_F(FirmwareTest, APartialLastWordCountsInTheProgressSoItStopsShortOfAHundred)
{
    const auto result = Send(ImageBytes({kMagic, 300, 3, 1, 2, 3}, {0x01, 0x02, 0x03}));

    EXPECT_TRUE(result.ok) << result.reason;
    EXPECT_EQ(port.Writes(), Wire({kMagic, 300, 3, 1, 2, 3}));
    EXPECT_EQ(progress, (std::vector<int>{25, 50, 75}));
}

TEST_F(FirmwareTest, RunsWithoutAProgressFunction)
{
    const auto path = files.Write("image.bin", ImageBytes({kMagic, 300, 2, 7, 7}));
    const auto result = TransferFirmware(link, path, {});
    EXPECT_TRUE(result.ok) << result.reason;
    EXPECT_EQ(port.Writes(), Wire({kMagic, 300, 2, 7, 7}));
}

// ---------------------------------------------------------------------------
// Collecting the replies

TEST_F(FirmwareTest, BytesWaitingBeforeTheStartAreDroppedUntilTheLineIsQuiet)
{
    // Stale bytes now and more 15 ms later: both must be gone before the start
    // request, or they would spoil its reply.
    port.Answer(kPort, {{0ms, "SV105\r\n"}, {15ms, "ML1-40\r\n"}});
    port.Write(kPort, "x");
    port.ClearRecord();

    const auto result = Send(ImageBytes({kMagic, 207, 0}));

    EXPECT_TRUE(result.ok) << result.reason;
    EXPECT_EQ(port.Writes(), Wire({kMagic, 207, 0}));
}

TEST_F(FirmwareTest, RepliesSplitByGapsShorterThanTheChunkPauseAreJoined)
{
    replace['G'] = {{1ms, "UG"}, {3ms, "st\r\n"}};
    replace['I'] = {{1ms, "UI1"}, {15ms, "VRB"}};
    replace['E'] = {{1ms, "UE\x00"s}, {2ms, "\x00\x00\x02"s},
                    {301ms, "UE\x02\x02"}, {315ms, "\x02\x02"},
                    {601ms, "UE\x03"}, {610ms, "\x03\x03\x03"}};

    const auto result = Send(ImageBytes({kMagic, 207, 0}));

    EXPECT_TRUE(result.ok) << result.reason;
    EXPECT_EQ(port.Writes(), Wire({kMagic, 207, 0}));
}

TEST_F(FirmwareTest, TheLastDataWordTakesAnyAnswer)
{
    replace['D'] = {{1ms, std::string(200, '?')}};
    const auto result = Send(ImageBytes({kMagic, 300, 2, 5, 6}));
    EXPECT_TRUE(result.ok) << result.reason;
    EXPECT_EQ(port.Writes(), Wire({kMagic, 300, 2, 5, 6}));
}

TEST_F(FirmwareTest, AnAnswerToTheLastReReadCountsOneAfterItDoesNot)
{
    // Header 1: 2 ms after the write, then 800 re-reads 5 ms apart.
    replace['I'] = {{4002ms, "UI1VRB"}};
    EXPECT_TRUE(Send(ImageBytes({kMagic, 207, 0})).ok);
}

TEST_F(FirmwareTest, AnAnswerAfterTheLastReReadIsTooLate)
{
    replace['I'] = {{4003ms, "UI1VRB"}};
    const auto result = Send(ImageBytes({kMagic, 207, 0}));
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.reason, "the device did not acknowledge header 1: no answer");
}

TEST_F(FirmwareTest, AWrongAnswerShowsAtMostTheSixtyFourBytesKept)
{
    replace['I'] = {{1ms, std::string(100, 'x')}};
    const auto result = Send(ImageBytes({kMagic, 207, 0}));
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.reason, "the device did not acknowledge header 1: wrong answer \"" + std::string(64, 'x') +
                                 "\" (expected \"UI1VRB\")");
}

// ---------------------------------------------------------------------------
// Each step's failure ends the transfer there

struct StepFailure {
    const char* name;
    char letter;                // the packet whose answer is replaced
    std::vector<Piece> answer;  // what the device answers instead
    std::size_t packetsSent;    // writes before the transfer gave up
    std::string reason;
    std::optional<Micros> givenUpAfter = {};  // from the last write to the end
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const StepFailure& failure, std::ostream* out)
{
    *out << failure.name;
}

// The image of these cases: three data words, so nine packets in all.
const std::vector<std::uint32_t> kThreeWordImage{kMagic, 207, 3, 0x11223344, 0x55667788, 0x99AABBCC};

const std::string kNoHeader1 = "the device did not acknowledge header 1: ";
const std::string kNoHeader2 = "the device did not acknowledge header 2: ";
const std::string kNoHeader3 = "the device did not acknowledge header 3: ";
const std::string kNoStart = "the device did not acknowledge the upgrade start: ";
const std::string kNoClose1 = "the device did not acknowledge close 1: ";
const std::string kNoClose2 = "the device did not acknowledge close 2: ";
const std::string kNoFinish1 = "the device did not report the image programmed (finish report 1): ";
const std::string kNoFinish2 = "the device did not accept the image (finish report 2): ";
const std::string kEcho2 = "UE\x00\x00\x00\x02"s;

class FirmwareStepFailure : public FirmwareTest, public ::testing::WithParamInterface<StepFailure> {};

TEST_P(FirmwareStepFailure, EndsTheTransferWithTheReason)
{
    const StepFailure& c = GetParam();
    replace[c.letter] = c.answer;

    const auto result = Send(ImageBytes(kThreeWordImage));

    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.reason, c.reason);
    std::vector<std::string> expected = Wire(kThreeWordImage);
    expected.resize(c.packetsSent);
    EXPECT_EQ(port.Writes(), expected);
    if (c.givenUpAfter) {
        EXPECT_EQ(port.Now() - lastWriteAt, *c.givenUpAfter);
    }
}

INSTANTIATE_TEST_SUITE_P(
    EveryStep, FirmwareStepFailure,
    ::testing::Values(
        StepFailure{"StartNoAnswer", 'G', {}, 1, kNoStart + "no answer", 202ms},
        StepFailure{"StartWithoutLineEnd", 'G', {{1ms, "UGst"}}, 1,
                    kNoStart + "wrong answer \"UGst\" (expected \"UGst\\x0d\\x0a\")"},
        StepFailure{"StartCutByAGapOfTenMilliseconds", 'G', {{1ms, "UG"}, {12ms, "st\r\n"}}, 1,
                    kNoStart + "wrong answer \"UG\" (expected \"UGst\\x0d\\x0a\")"},
        StepFailure{"StartInLowerCase", 'G', {{1ms, "ugst\r\n"}}, 1,
                    kNoStart + "wrong answer \"ugst\\x0d\\x0a\" (expected \"UGst\\x0d\\x0a\")"},
        StepFailure{"Header1NoAnswer", 'I', {}, 2, kNoHeader1 + "no answer", 4002ms},
        StepFailure{"Header1ValueRefused", 'I', {{1ms, "UI\x00\x00\x00\x00"s}}, 2,
                    kNoHeader1 + "wrong answer \"UI\\x00\\x00\\x00\\x00\" (expected \"UI1VRB\")"},
        StepFailure{"Header2SevenBytes", 'A', {{1ms, "UA\x00\x00\x00\xcf\r"s}}, 3,
                    kNoHeader2 + "wrong answer \"UA\\x00\\x00\\x00\\xcf\\x0d\" (expected \"UA\\x00\\x00\\x00\\xcf\")"},
        StepFailure{"Header2OtherValue", 'A', {{1ms, "UA\x00\x00\x00\xce"s}}, 3,
                    kNoHeader2 + "wrong answer \"UA\\x00\\x00\\x00\\xce\" (expected \"UA\\x00\\x00\\x00\\xcf\")"},
        StepFailure{"Header3LowerCaseLetter", 'L', {{1ms, "Ul\x00\x00\x00\x03"s}}, 4,
                    kNoHeader3 + "wrong answer \"Ul\\x00\\x00\\x00\\x03\" (expected \"UL\\x00\\x00\\x00\\x03\")"},
        StepFailure{"Header3CutByALongGap", 'L', {{1ms, "UL\x00"s}, {40ms, "\x00\x00\x03"s}}, 4,
                    kNoHeader3 + "wrong answer \"UL\\x00\" (expected \"UL\\x00\\x00\\x00\\x03\")"},
        StepFailure{"LastDataWordNoAnswer", 'D', {}, 7,
                    "the device did not acknowledge the last data word (word 5): no answer", 1600ms},
        StepFailure{"Close1NoAnswer", 'C', {}, 8, kNoClose1 + "no answer", 4002ms},
        StepFailure{"Close1OtherValue", 'C', {{1ms, "UC\x00\x00\x00\x02"s}}, 8,
                    kNoClose1 + "wrong answer \"UC\\x00\\x00\\x00\\x02\" (expected \"UC\\x00\\x00\\x00\\x01\")"},
        StepFailure{"Close2NoAnswer", 'E', {}, 9, kNoClose2 + "no answer", 4020ms},
        StepFailure{"Close2RunIntoTheFirstReport", 'E', {{1ms, kEcho2}, {5ms, "UE\x02\x02\x02\x02"}}, 9,
                    kNoClose2 + "wrong answer \"UE\\x00\\x00\\x00\\x02UE\\x02\\x02\\x02\\x02\" "
                                "(expected \"UE\\x00\\x00\\x00\\x02\")"},
        // After close 2's echo and its 2 ms gap, 2 ms, then 8000 re-reads 5 ms apart.
        StepFailure{"Finish1NoAnswer", 'E', {{1ms, kEcho2}}, 9, kNoFinish1 + "no answer", 40024ms},
        StepFailure{"Finish1OtherValue", 'E', {{1ms, kEcho2}, {301ms, "UE\x03\x03\x03\x03"}}, 9,
                    kNoFinish1 + "wrong answer \"UE\\x03\\x03\\x03\\x03\" (expected \"UE\\x02\\x02\\x02\\x02\")"},
        // The first report is read at 304 ms and ends 20 ms later.
        StepFailure{"Finish2NoAnswer", 'E', {{1ms, kEcho2}, {301ms, "UE\x02\x02\x02\x02"}}, 9,
                    kNoFinish2 + "no answer", 40326ms},
        StepFailure{"Finish2ImageRejected", 'E',
                    {{1ms, kEcho2}, {301ms, "UE\x02\x02\x02\x02"}, {601ms, "UE\xff\xff\xff\xff"}}, 9,
                    kNoFinish2 + "wrong answer \"UE\\xff\\xff\\xff\\xff\" (expected \"UE\\x03\\x03\\x03\\x03\")"}),
    [](const ::testing::TestParamInfo<StepFailure>& step) { return std::string(step.param.name); });

// ---------------------------------------------------------------------------
// Refusals before anything is sent

TEST_F(FirmwareTest, AMissingFileIsRefusedWithTheSystemsReason)
{
    const std::string path = files.Path("missing.bin");
    const auto result = TransferFirmware(link, path, {});
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.reason, "cannot open " + path + ": No such file or directory");
    EXPECT_TRUE(port.Calls().empty());
}

TEST_F(FirmwareTest, AFolderIsRefusedAsUnreadable)
{
    const std::string path = files.Path("folder");
    std::filesystem::create_directory(path);
    const auto result = TransferFirmware(link, path, {});
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.reason.rfind("cannot ", 0), 0u) << result.reason;
    EXPECT_NE(result.reason.find(path), std::string::npos) << result.reason;
    EXPECT_TRUE(port.Calls().empty());
}

TEST_F(FirmwareTest, AnImageShorterThanTheThreeHeaderWordsIsRefused)
{
    for (const std::size_t size : {0u, 1u, 10u, 11u}) {
        const auto result = Send(Bytes(size, 0x42));
        EXPECT_FALSE(result.ok);
        EXPECT_EQ(result.reason,
                  "image too short: " + std::to_string(size) + " bytes, at least 12 needed");
    }
    EXPECT_TRUE(port.Calls().empty());
}

TEST_F(FirmwareTest, NoPortSelectedIsRefused)
{
    state.flags.PortNumber = -1;
    const auto result = Send(ImageBytes({kMagic, 207, 0}));
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.reason, "no serial port is selected");
    EXPECT_TRUE(port.Calls().empty());
}

// ---------------------------------------------------------------------------
// The port belongs to the transfer from start to end

TEST_F(FirmwareTest, NoOtherExchangeGetsThePortDuringTheTransfer)
{
    std::atomic<bool> otherHasThePort{false};
    std::thread other;
    std::vector<bool> otherHadThePort;
    const auto path = files.Write("image.bin", ImageBytes({kMagic, 300, 3, 1, 2, 3}));

    const auto result = TransferFirmware(link, path, [&](int) {
        if (!other.joinable())
            other = std::thread([&] {
                const auto lock = link.LockPort();
                otherHasThePort = true;
            });
        std::this_thread::sleep_for(10ms);
        otherHadThePort.push_back(otherHasThePort);
    });
    other.join();

    EXPECT_TRUE(result.ok) << result.reason;
    EXPECT_EQ(otherHadThePort, (std::vector<bool>{false, false, false}));
    EXPECT_TRUE(otherHasThePort);
}

// ---------------------------------------------------------------------------
// Against the simulator

class FirmwareSimTest : public SimLinkFixture {
protected:
    // A firmware image the simulator accepts; empty when it could not be made.
    std::string MakeImage(int version, int words)
    {
        const std::string path = files.Path("v" + std::to_string(version) + ".bin");
        const ProgramResult made = RunProgram(BREVANT_SIM_PATH, {"--make-firmware", path, "--version",
                                                                 std::to_string(version), "--words",
                                                                 std::to_string(words)});
        if (made.status != 0) {
            ADD_FAILURE() << "brevant-sim --make-firmware failed: " << made.err;
            return {};
        }
        return path;
    }

    std::string Version()
    {
        EXPECT_TRUE(link->ReadVersion());
        return p.SV.Get();
    }

    FirmwareResult Send(const std::string& path)
    {
        return TransferFirmware(*link, path, [this](int percent) { progress.push_back(percent); });
    }

    TempFiles files;
    std::vector<int> progress;
};

TEST_F(FirmwareSimTest, UpgradesTheDeviceWhichThenReportsTheNewVersion)
{
    Start({"--no-pacing"});
    const std::string image = MakeImage(207, 40);
    ASSERT_FALSE(image.empty());

    const auto result = Send(image);

    EXPECT_TRUE(result.ok) << result.reason;
    ASSERT_EQ(progress.size(), 40u);
    EXPECT_EQ(progress.front(), 2);
    EXPECT_EQ(progress.back(), 100);
    EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
    EXPECT_EQ(Version(), "SV207");
}

TEST_F(FirmwareSimTest, UpgradesThePacedDevice)
{
    Start();
    const std::string image = MakeImage(208, 6);
    ASSERT_FALSE(image.empty());

    const auto result = Send(image);

    EXPECT_TRUE(result.ok) << result.reason;
    EXPECT_EQ(progress, (std::vector<int>{16, 33, 50, 66, 83, 100}));
    EXPECT_EQ(Version(), "SV208");
}

TEST_F(FirmwareSimTest, ALargeImageKeepsPaceWithTheLineSoTheLastWordIsAnswered)
{
    // 1500 words take about 4.7 s of line time, far more than the 1.6 s the
    // last word waits for its answer: words written ahead of the line would
    // leave that answer stuck behind them.
    Start();
    const std::string image = MakeImage(210, 1500);
    ASSERT_FALSE(image.empty());
    const auto result = Send(image);
    EXPECT_TRUE(result.ok) << result.reason;
    EXPECT_EQ(Version(), "SV210");
}

TEST_F(FirmwareSimTest, ACorruptedImageIsRejectedInTheLastReportAndTheVersionStays)
{
    Start({"--no-pacing"});
    const std::string before = Version();
    const std::string image = MakeImage(209, 40);
    ASSERT_FALSE(image.empty());
    Bytes bytes = TempFiles::Read(image);
    ASSERT_EQ(bytes.size(), 4u * 43);
    bytes[4 * 10 + 1] ^= 0x40;  // inside data word 7: the checksum no longer matches
    files.Write("v209.bin", bytes);

    const auto result = Send(image);

    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.reason, kNoFinish2 + "wrong answer \"UE\\xff\\xff\\xff\\xff\" "
                                          "(expected \"UE\\x03\\x03\\x03\\x03\")");
    EXPECT_EQ(progress.size(), 40u) << "every data word went out";
    EXPECT_EQ(Version(), before);
}

TEST_F(FirmwareSimTest, AnImageOfAnotherKindIsRefusedAtTheFirstHeader)
{
    Start({"--no-pacing"});
    const std::string image = MakeImage(210, 8);
    ASSERT_FALSE(image.empty());
    Bytes bytes = TempFiles::Read(image);
    bytes[0] = 'X';
    files.Write("v210.bin", bytes);

    const auto result = Send(image);

    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.reason, kNoHeader1 + "wrong answer \"UI\\x00\\x00\\x00\\x00\" (expected \"UI1VRX\")");
    EXPECT_TRUE(progress.empty());
}

}  // namespace
}  // namespace brevant::test
