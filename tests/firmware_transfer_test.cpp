// The firmware transfer: the exact bytes of every packet and each step's failure
// on the scripted port, then whole upgrades against the simulator.
#include "procedures/FirmwareTransfer.h"
#include "tests/LinkFixture.h"
#include "tests/SimLinkFixture.h"
#include "tests/SimProcess.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <map>
#include <optional>
#include <thread>

namespace brevant::test {
namespace {

using namespace std::chrono_literals;
using namespace std::string_literals;

using Bytes = std::string;  // the bytes of a file
using Words = std::vector<std::uint32_t>;

constexpr std::uint32_t kMagic = 0x31565242;  // the bytes "BRV1" in the file

// The file bytes of `words` (little-endian), then `tail`.
Bytes ImageBytes(const Words& words, const Bytes& tail = {})
{
    Bytes bytes;
    for (const std::uint32_t word : words)
        for (int shift = 0; shift < 32; shift += 8)
            bytes.push_back(static_cast<char>((word >> shift) & 0xFF));
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

constexpr auto kByName = [](const auto& info) { return std::string(info.param.name); };

// The scripted port plays a well-behaved device: it echoes the start request,
// the headers and both closing packets, answers the data word that completes
// the count of header 3 and, after close 2, reports the image programmed 300 ms
// later and accepted 300 ms after that. `replace` swaps its answer to one
// packet, chosen by step letter ('G': the start request).
class FirmwareTest : public LinkFixture {
protected:
    FirmwareTest()
    {
        port.SetResponder(kPort, [this](std::string_view written) {
            lastWriteAt = port.Now();
            std::vector<Piece> answer;
            if (written.size() == 6)  // every packet, and "UGst\r\n"
                answer.push_back({1ms, std::string(written)});
            const char letter = answer.empty() ? '?' : written[1];
            if (letter == 'L')
                dataExpected = static_cast<unsigned char>(written[5]);
            if (letter == 'D' && ++dataSeen != dataExpected)
                answer.clear();
            if (letter == 'E')
                answer.insert(answer.end(),
                              {{301ms, Packet('E', 0x02020202)}, {601ms, Packet('E', 0x03030303)}});
            if (const auto it = replace.find(letter); it != replace.end() && !answer.empty())
                answer = it->second;
            return answer;
        });
    }

    FirmwareResult Send(const Bytes& image, bool withProgress = true)
    {
        const ProgressFn record = [this](int percent) {
            progress.push_back(percent);
            // The 100 of a last partial word comes once the device accepted the image.
            if (percent < 100) {
                EXPECT_EQ(port.Writes().size(), 4 + progress.size()) << "progress must follow its data word";
            }
        };
        return TransferFirmware(link, files.Write("image.bin", image), withProgress ? record : ProgressFn{});
    }

    // The packets a whole transfer of the image `words` writes.
    static std::vector<std::string> Wire(const Words& words)
    {
        std::vector<std::string> wire{"UGst\r\n"};
        for (std::size_t i = 0; i < words.size(); ++i)
            wire.push_back(Packet(i < 3 ? "IAL"[i] : 'D', words[i]));
        wire.insert(wire.end(), {Packet('C', 1), Packet('E', 2)});
        return wire;
    }

    std::map<char, std::vector<Piece>> replace;
    std::vector<int> progress;
    Micros lastWriteAt{};
    TempDir files{"brevant-firmware"};
    int dataExpected = 0;
    int dataSeen = 0;
};

TEST_F(FirmwareTest, APortThatVanishesIsNamedAsTheCause)
{
    port.Vanish(kPort);
    const auto result = Send(ImageBytes({kMagic, 207, 1, 5}));
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.reason, "the serial port is gone; the device did not acknowledge the upgrade start");
}

// The shortest image, the three header words and one data word (16 bytes),
// sent while stale bytes keep arriving: those are drained first. "BRV1" in the
// file is 0x31565242, so its bytes go out reversed, as every word's do, one
// write per packet on the open port (no reopening, no line changes).
TEST_F(FirmwareTest, TheShortestImageGoesOutAsTheseExactBytes)
{
    port.Answer(kPort, {{0ms, "SV105\r\n"}, {15ms, "ML1-40\r\n"}});
    port.Write(kPort, "x");
    port.ClearRecord();
    const auto result = Send(ImageBytes({kMagic, 207, 1, 0x0A0B0C0D}));
    EXPECT_TRUE(result.ok) << result.reason;
    EXPECT_EQ(port.Writes(), (std::vector<std::string>{"UGst\r\n", "UI1VRB", "UA\x00\x00\x00\xcf"s,
                                                       "UL\x00\x00\x00\x01"s, "UD\x0a\x0b\x0c\x0d"s,
                                                       "UC\x00\x00\x00\x01"s, "UE\x00\x00\x00\x02"s}));
    EXPECT_EQ(port.Calls(), std::vector<std::string>(7, "write 3"));
}

// A last partial word is not sent but counts in the progress, which comes
// after each data word and reaches 100 once the device accepted the image;
// its bytes are named.
TEST_F(FirmwareTest, APartialLastWordIsNamedNotSentAndCountedInTheProgress)
{
    const Words words{kMagic, 300, 3, 1, 2, 3};
    const auto result = Send(ImageBytes(words, {1, 2, 3}));
    EXPECT_TRUE(result.ok) << result.reason;
    EXPECT_EQ(port.Writes(), Wire(words));
    EXPECT_EQ(progress, (std::vector<int>{25, 50, 75, 100}));
    EXPECT_EQ(result.note, "3 trailing bytes are not a whole word and are not sent");
}

// How the answer to one step decides the transfer: taken (reason empty), or
// the end of the transfer there, no packet sent twice. The image has three
// data words, so nine packets in all; no progress function is given.
struct StepAnswer {
    const char* name;
    char letter;                // the packet whose answer is replaced
    std::vector<Piece> answer;  // what the device answers instead
    std::size_t packetsSent;    // writes by the end
    std::string reason;
    std::optional<Micros> givenUpAfter = {};  // from the last write to the end
};
void PrintTo(const StepAnswer& c, std::ostream* out)
{
    *out << c.name;
}
class FirmwareStep : public FirmwareTest, public ::testing::WithParamInterface<StepAnswer> {};

const Words kThreeWordImage{kMagic, 207, 3, 0x11223344, 0x55667788, 0x99AABBCC};

TEST_P(FirmwareStep, EndsOrGoesOnAsTheAnswerSays)
{
    const StepAnswer& c = GetParam();
    replace[c.letter] = c.answer;
    const auto result = Send(ImageBytes(kThreeWordImage), false);
    EXPECT_EQ(result.ok, c.reason.empty());
    EXPECT_EQ(result.reason, c.reason);
    const auto wire = Wire(kThreeWordImage);
    EXPECT_EQ(port.Writes(), std::vector(wire.begin(), wire.begin() + static_cast<long>(c.packetsSent)));
    const Micros endedAfter = port.Now() - lastWriteAt;
    EXPECT_EQ(endedAfter, c.givenUpAfter.value_or(endedAfter));
}

const auto Wrong = [](const std::string& got, const std::string& expected) {
    return "wrong answer \"" + got + "\" (expected \"" + expected + "\")";
};

const std::string kNoStart = "the device did not acknowledge the upgrade start: ";
const std::string kNoHeader1 = "the device did not acknowledge header 1: ";
const std::string kNoHeader3 = "the device did not acknowledge header 3: ";
const std::string kNoFinish1 = "the device did not report the image programmed (finish report 1): ";
const std::string kNoFinish2 = "the device did not accept the image (finish report 2): ";
const std::string kEcho2 = "UE\x00\x00\x00\x02"s;
const std::string kRejected = kNoFinish2 + Wrong("UE\\xff\\xff\\xff\\xff", "UE\\x03\\x03\\x03\\x03");

INSTANTIATE_TEST_SUITE_P(
    EveryStep, FirmwareStep,
    ::testing::ValuesIn(std::vector<StepAnswer>{
        {"StartNoAnswer", 'G', {}, 1, kNoStart + "no answer", 202ms},
        {"StartWithoutLineEnd", 'G', {{1ms, "UGst"}}, 1, kNoStart + Wrong("UGst", "UGst\\x0d\\x0a")},
        {"StartCutByATenMillisecondGap",
         'G',
         {{1ms, "UG"}, {12ms, "st\r\n"}},
         1,
         kNoStart + Wrong("UG", "UGst\\x0d\\x0a")},
        {"StartJoinedOverATwoMillisecondGap", 'G', {{1ms, "UG"}, {3ms, "st\r\n"}}, 9, ""},
        // 2 ms after the write, then 800 re-reads 5 ms apart.
        {"Header1NoAnswer", 'I', {}, 2, kNoHeader1 + "no answer", 4002ms},
        {"Header1JoinedOverAFifteenMillisecondGap", 'I', {{1ms, "UI1"}, {15ms, "VRB"}}, 9, ""},
        {"Header1RunawayShowsTheSixtyFourBytesKept",
         'I',
         {{1ms, std::string(100, 'x')}},
         2,
         kNoHeader1 + Wrong(std::string(64, 'x'), "UI1VRB")},
        {"Header3CutByALongGap",
         'L',
         {{1ms, "UL\x00"s}, {40ms, "\x00\x00\x03"s}},
         4,
         kNoHeader3 + Wrong("UL\\x00", "UL\\x00\\x00\\x00\\x03")},
        {"LastDataWordAnyAnswer", 'D', {{1ms, std::string(200, '?')}}, 9, ""},
        {"LastDataWordNoAnswer",
         'D',
         {},
         7,
         "the device did not acknowledge the last data word (word 5): no answer",
         1600ms},
        {"Close2NoAnswer", 'E', {}, 9, "the device did not acknowledge close 2: no answer", 4020ms},
        {"Close1OtherValue",
         'C',
         {{1ms, "UC\x00\x00\x00\x02"s}},
         8,
         "the device did not acknowledge close 1: " +
             Wrong("UC\\x00\\x00\\x00\\x02", "UC\\x00\\x00\\x00\\x01")},
        {"CloseAndReportsInPieces",
         'E',
         {{1ms, "UE\x00"s},
          {2ms, "\x00\x00\x02"s},
          {301ms, "UE\x02\x02"},
          {315ms, "\x02\x02"},
          {601ms, "UE\x03"},
          {610ms, "\x03\x03\x03"}},
         9,
         ""},
        // After close 2's echo and its 2 ms gap, 2 ms, then 8000 re-reads 5 ms apart.
        {"Finish1NoAnswer", 'E', {{1ms, kEcho2}}, 9, kNoFinish1 + "no answer", 40024ms},
        // The first report is read as it arrives at 301 ms and ends 20 ms later.
        {"Finish2NoAnswer",
         'E',
         {{1ms, kEcho2}, {301ms, "UE\x02\x02\x02\x02"}},
         9,
         kNoFinish2 + "no answer",
         40323ms},
        {"Finish2ImageRejected",
         'E',
         {{1ms, kEcho2}, {301ms, "UE\x02\x02\x02\x02"}, {601ms, "UE\xff\xff\xff\xff"}},
         9,
         kRejected}}),
    kByName);

TEST_F(FirmwareTest, NothingIsSentForAnUnusableImageOrWithoutAPort)
{
    const std::string missing = files / "missing.bin";
    const std::string large = files.Write("large.bin", Bytes(kMaxFirmwareBytes + 1, 0x42));
    const std::pair<std::string, std::string> cases[] = {
        {missing, missing + " does not exist"},
        {files.path, files.path + " is a directory, not a file"},
        // Three header words and a stray byte: no data word, so not even the start goes out.
        {files.Write("short.bin", Bytes(13, 0x42)),
         "image too short: 13 bytes, at least 16 needed (three header words and one data word)"},
        {large, large + " is larger than a firmware image can be (512 KiB)"}};
    for (const auto& [path, reason] : cases)
        EXPECT_EQ(TransferFirmware(link, path, {}).reason, reason);
    state.flags.PortNumber = -1;
    EXPECT_EQ(Send(ImageBytes({kMagic, 207, 1, 5})).reason, "no serial port is selected");
    EXPECT_TRUE(port.Calls().empty());
}

TEST_F(FirmwareTest, NoOtherExchangeGetsThePortDuringTheTransfer)
{
    std::atomic<bool> otherHasThePort{false};
    std::thread other;
    std::vector<bool> seen;
    const auto result =
        TransferFirmware(link, files.Write("image.bin", ImageBytes(kThreeWordImage)), [&](int) {
            if (!other.joinable())
                other = std::thread([&] {
                    const auto lock = link.LockPort();
                    otherHasThePort = true;
                });
            std::this_thread::sleep_for(10ms);
            seen.push_back(otherHasThePort);
        });
    other.join();
    EXPECT_TRUE(result.ok) << result.reason;
    EXPECT_EQ(seen, (std::vector<bool>{false, false, false}));
}

// A whole upgrade against the simulator on the paced line: every data word
// goes out and the device then reports the new version. 1500 words take 4.7 s
// of line time and the last word's answer is waited for 1.6 s: words written
// ahead of the line would leave that answer stuck behind.
using FirmwareSimRun = SimLinkFixture;

TEST_F(FirmwareSimRun, ALargeImageUpgradesThePacedDevice)
{
    Start({});
    constexpr std::uint32_t kWords = 1500;
    Words image{kMagic, 207, kWords};
    std::uint32_t sum = 0;
    for (std::uint32_t k = 1; k < kWords; sum += image.back(), ++k)
        image.push_back(k * 0x01030507u);
    image.push_back(sum);
    const TempDir files{"brevant-firmware"};
    std::vector<int> progress;
    const auto result = TransferFirmware(*link, files.Write("image.bin", ImageBytes(image)),
                                         [&](int percent) { progress.push_back(percent); });
    EXPECT_EQ(result.reason, "");
    ASSERT_EQ(progress.size(), kWords);
    EXPECT_EQ(progress.back(), 100);
    EXPECT_TRUE(link->ReadVersion());
    EXPECT_EQ(p.SV.Get(), "SV207");
}

}  // namespace
}  // namespace brevant::test
