#include "procedures/FirmwareTransfer.h"

#include "core/Translate.h"
#include "procedures/FirmwareImage.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string_view>
#include <vector>

namespace brevant {

namespace {

// One byte on the line: 10 bits at 19200 bit/s.
constexpr std::chrono::nanoseconds kLineByteTime{520'833};
// How far the data words may run ahead of the line.
constexpr long kLeadBytes = 48;

using namespace std::chrono_literals;

constexpr std::size_t kHeaderWords = 3;
constexpr std::size_t kPacketBytes = 6;

constexpr int kReadCapacity = 64;           // every read of a reply
constexpr std::size_t kReplyCapacity = 64;  // bytes of a reply kept; the rest is dropped
// A device that never stops talking must not hold the port forever: after
// this many bytes beyond the reply buffer a step stops listening.
constexpr std::size_t kRunawayAllowance = 4096;
constexpr Micros kDrainPause = 20ms;

constexpr std::string_view kStartRequest = wire::kUpgradeStart;
constexpr std::string_view kStartBody = wire::kUpgradeStartAnswer;
constexpr std::uint32_t kClose1Value = 1;
constexpr std::uint32_t kClose2Value = 2;
constexpr std::uint32_t kProgrammedReport = 0x02020202;
constexpr std::uint32_t kAcceptedReport = 0x03030303;

// How one step collects its reply: the pause between the write and the first
// read, how many re-reads follow while nothing has arrived and the pause before
// each, and the pause before each further chunk read (a chunk read that
// delivers nothing ends the reply).
struct Listening {
    Micros afterWrite;
    int rereads;
    Micros rereadPause;
    Micros chunkPause;
};

constexpr Listening kStartListening{2ms, 20, 10ms, 2ms};
constexpr Listening kEchoListening{2ms, 800, 5ms, 20ms};  // headers and close 1
constexpr Listening kLastWordListening{0ms, 800, 2ms, 2ms};
// Close 2 ends its reply after a short gap, so that the reports the device sends
// once it has programmed the image are left for the finish steps.
constexpr Listening kClose2Listening{20ms, 800, 5ms, 2ms};
// Programming the image takes a while: the finish reports get a long budget.
constexpr Listening kFinishListening{2ms, 8000, 5ms, 20ms};

// Bytes as text for a message: printable ASCII as it is, anything else as \xNN.
std::string Escaped(std::string_view bytes)
{
    std::string text;
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte < 0x7F && byte != '\\' && byte != '"') {
            text += c;
        } else {
            std::array<char, 5> hex{};
            std::snprintf(hex.data(), hex.size(), "\\x%02x", byte);
            text += hex.data();
        }
    }
    return text;
}

std::string Packet(char letter, std::uint32_t value)
{
    std::string bytes{wire::kPacketLead, letter};
    for (int shift = 24; shift >= 0; shift -= 8)
        bytes += static_cast<char>((value >> shift) & 0xFF);
    return bytes;
}

// The value of a six-byte packet: bytes 2..5, most significant first.
std::uint32_t PacketValue(std::string_view packet)
{
    std::uint32_t value = 0;
    for (std::size_t i = 2; i < kPacketBytes; ++i)
        value = (value << 8) | static_cast<unsigned char>(packet[i]);
    return value;
}

// An echo is exactly one packet with the expected letters and value.
bool IsEcho(std::string_view reply, char letter, std::uint32_t value)
{
    return reply.size() == kPacketBytes && reply[0] == wire::kPacketLead && reply[1] == letter &&
           PacketValue(reply) == value;
}

// The transfer on one port, its lock held by the caller, through the link's
// own steps: every packet and reply is traced, and a vanished port is noted.
class Transfer {
public:
    Transfer(DeviceLink& link, int number) : link_(link), number_(number) {}

    // Drops whatever arrived unasked, until the line stays quiet for one
    // drain pause.
    void DrainInput()
    {
        std::size_t total = 0;
        for (;;) {
            std::size_t dropped = 0;
            Note(link_.DrainLocked(number_, &dropped));
            total += dropped;
            if (dropped == 0 || portGone_ || total >= kReplyCapacity + kRunawayAllowance)
                break;
            link_.Port().Wait(number_, kDrainPause, false);
        }
    }

    void Send(std::string_view bytes) { Note(link_.WriteLocked(number_, bytes)); }

    // The reply as the step collects it; empty when nothing arrived.
    std::string Collect(const Listening& listening)
    {
        // The packets are binary: a quiet gap ends each reply.
        const ExchangeProfile profile{"firmware",           listening.afterWrite,
                                      listening.rereads,    listening.rereadPause,
                                      listening.chunkPause, static_cast<int>(kReplyCapacity),
                                      kReadCapacity,        ReplyEnd::QuietGap()};
        std::string reply;
        Note(link_.CollectLocked(number_, profile, reply));
        return reply;
    }

    // The port vanished during the transfer.
    bool PortGone() const { return portGone_; }

private:
    void Note(Status status) { portGone_ = portGone_ || status.Error() == LinkError::PortGone; }

    DeviceLink& link_;
    int number_;
    bool portGone_ = false;
};

// Silence from a port that vanished is told as such: the cable, not the device.
std::string NoAnswer(const Transfer& transfer, std::string_view what)
{
    if (transfer.PortGone())
        return Fill(Tr("brevant::Upgrade", "the serial port is gone; the device did not %1"), {what});
    return Fill(Tr("brevant::Upgrade", "the device did not %1: no answer"), {what});
}

std::string WrongAnswer(std::string_view what, std::string_view reply, std::string_view expected)
{
    return Fill(Tr("brevant::Upgrade", "the device did not %1: wrong answer \"%2\" (expected \"%3\")"),
                {what, Escaped(reply), Escaped(expected)});
}

// Collects a reply that must echo `letter` and `value`; the failure reason, if any.
std::optional<std::string> ExpectEcho(Transfer& transfer, const Listening& listening, std::string_view what,
                                      char letter, std::uint32_t value)
{
    const std::string reply = transfer.Collect(listening);
    if (reply.empty())
        return NoAnswer(transfer, what);
    if (!IsEcho(reply, letter, value))
        return WrongAnswer(what, reply, Packet(letter, value));
    return std::nullopt;
}

FirmwareResult Failed(std::string reason)
{
    return {false, std::move(reason), {}};
}

// Sends a checked image on the link's port: the whole transfer, step by step.
FirmwareResult SendImage(DeviceLink& link, const FirmwareImage& parsed, const ProgressFn& progress);

}  // namespace

FirmwareResult TransferFirmware(DeviceLink& link, const std::string& path, const ProgressFn& progress)
{
    const FileBytes image = ReadBoundedFile(path, kFirmwareFile);
    if (!image.bytes)
        return Failed(image.error);
    const FirmwareImage parsed = ParseFirmwareImage(*image.bytes);
    if (!parsed.error.empty())
        return Failed(parsed.error);
    FirmwareResult result = SendImage(link, parsed, progress);
    result.note = TrailingBytesText(parsed);
    return result;
}

namespace {

FirmwareResult SendImage(DeviceLink& link, const FirmwareImage& parsed, const ProgressFn& progress)
{
    const auto lock = link.LockPort();
    const int number = link.State().flags.PortNumber.load();
    if (number < 1)
        return Failed(Tr("brevant::Upgrade", "no serial port is selected"));
    Transfer transfer(link, number);

    transfer.DrainInput();

    // Whole words are sent; the bytes of a last partial word are not, but the
    // word still counts in the progress.
    const std::vector<std::uint32_t>& words = parsed.words;
    const std::size_t whole = parsed.wholeWords;
    const std::size_t counted = words.size();

    transfer.Send(kStartRequest);
    const std::string startReply = transfer.Collect(kStartListening);
    if (startReply.empty())
        return Failed(NoAnswer(transfer, Tr("brevant::Upgrade", "acknowledge the upgrade start")));
    if (startReply.size() < 2 || std::string_view(startReply).substr(0, startReply.size() - 2) != kStartBody)
        return Failed(
            WrongAnswer(Tr("brevant::Upgrade", "acknowledge the upgrade start"), startReply, kStartRequest));

    for (std::size_t h = 0; h < kHeaderWords; ++h) {
        transfer.Send(Packet(wire::kHeaderLetters[h], words[h]));
        const std::string what =
            Fill(Tr("brevant::Upgrade", "acknowledge header %1"), {std::to_string(h + 1)});
        if (auto failure = ExpectEcho(transfer, kEchoListening, what, wire::kHeaderLetters[h], words[h]))
            return Failed(std::move(*failure));
    }

    // The data words go out back to back; only the last one is answered, and
    // what it is answered with is not examined. The OS takes bytes far faster
    // than the line carries them, and writing ahead would leave the last word's
    // answer queued behind seconds of words: so the words go out at line speed,
    // never more than a few packets ahead of it.
    int lastPercent = 0;
    const auto dataStart = SteadyClock::now();
    for (std::size_t i = kHeaderWords; i < whole; ++i) {
        const auto sentBytes = static_cast<long>((i - kHeaderWords) * kPacketBytes);
        if (sentBytes > kLeadBytes) {
            const auto due = dataStart + kLineByteTime * (sentBytes - kLeadBytes);
            const auto now = SteadyClock::now();
            if (due > now)
                SleepFor(std::chrono::duration_cast<Micros>(due - now));
        }
        transfer.Send(Packet(wire::kDataLetter, words[i]));
        if (i + 1 == whole && transfer.Collect(kLastWordListening).empty())
            return Failed(
                NoAnswer(transfer, Fill(Tr("brevant::Upgrade", "acknowledge the last data word (word %1)"),
                                        {std::to_string(i)})));
        if (progress) {
            const auto percent = 100 * static_cast<std::uint64_t>(i - kHeaderWords + 1) /
                                 static_cast<std::uint64_t>(counted - kHeaderWords);
            lastPercent = static_cast<int>(percent);
            progress(lastPercent);
        }
    }

    transfer.Send(Packet(wire::kClose1Letter, kClose1Value));
    if (auto failure = ExpectEcho(transfer, kEchoListening, Tr("brevant::Upgrade", "acknowledge close 1"),
                                  wire::kClose1Letter, kClose1Value))
        return Failed(std::move(*failure));
    transfer.Send(Packet(wire::kClose2Letter, kClose2Value));
    if (auto failure = ExpectEcho(transfer, kClose2Listening, Tr("brevant::Upgrade", "acknowledge close 2"),
                                  wire::kClose2Letter, kClose2Value))
        return Failed(std::move(*failure));

    if (auto failure = ExpectEcho(transfer, kFinishListening,
                                  Tr("brevant::Upgrade", "report the image programmed (finish report 1)"),
                                  wire::kClose2Letter, kProgrammedReport))
        return Failed(std::move(*failure));
    if (auto failure = ExpectEcho(transfer, kFinishListening,
                                  Tr("brevant::Upgrade", "accept the image (finish report 2)"),
                                  wire::kClose2Letter, kAcceptedReport))
        return Failed(std::move(*failure));
    // A last partial word, or no data words at all, leaves the count short.
    if (progress && lastPercent < 100)
        progress(100);
    return {true, "", {}};
}

}  // namespace

}  // namespace brevant
