#include "DeviceLink.h"

#include "TextScan.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <cstring>

namespace brevant {

namespace {

// A device that never stops talking must not hold the link forever: after this
// many bytes beyond the reply buffer the exchange stops listening.
constexpr std::size_t kRunawayAllowance = 4096;

// The reply less its last two bytes (normally carriage return and line feed).
std::string_view Body(std::string_view reply)
{
    return reply.size() > 2 ? reply.substr(0, reply.size() - 2) : std::string_view{};
}

std::string Upper(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

// Byte i of the reply as the one-character number it stands for; a byte past
// the end reads as the zero the reply buffer was cleared to.
int DigitAt(std::string_view reply, std::size_t i)
{
    return i < reply.size() ? ParseDecimal(reply.substr(i, 1)) : 0;
}

bool AddressValid(const Command& command, Address at)
{
    switch (command.replyClass) {
    case ReplyClass::Channel:
    case ReplyClass::Meter: return IsChannel(at.a);
    case ReplyClass::Crosspoint: return IsChannel(at.a) && IsChannel(at.b);
    case ReplyClass::Block: return at.a >= 1 && at.a <= kBlocks;
    case ReplyClass::DeviceValue:
    case ReplyClass::Action: return true;
    }
    return false;
}

}  // namespace

DeviceLink::DeviceLink(SerialPort& port, DeviceState& state, CommLog& log)
    : port_(port), state_(state), log_(log)
{
}

bool DeviceLink::OpenPortLocked(int port)
{
    port_.Close(port);
    if (port_.Open(port) != 0) {
        port_.Close(port);
        return false;
    }
    if (port_.Configure(port, kSpeed19200, kMode8N1) != 0) {
        port_.Close(port);
        return false;
    }
    return true;
}

bool DeviceLink::OpenPort()
{
    std::lock_guard lock(portMutex_);
    const int port = state_.flags.PortNumber.load();
    return port >= 1 && OpenPortLocked(port);
}

void DeviceLink::ClosePort()
{
    std::lock_guard lock(portMutex_);
    const int port = state_.flags.PortNumber.load();
    if (port >= 1)
        port_.Close(port);
}

bool DeviceLink::ProbePort(int port)
{
    std::lock_guard lock(portMutex_);
    if (!OpenPortLocked(port))
        return false;
    std::string reply;
    bool found = false;
    if (ExchangeLocked(port, "SVsr\n", kProbeProfile, reply)) {
        const std::string text = Upper(Body(reply));
        // The number is read from position 2 of the whole text, wherever "SV" stands.
        found = FindPattern(text, "SV", 0) >= 0 && text.size() > 2 &&
                ParseDecimal(std::string_view(text).substr(2)) > 0;
    }
    port_.Close(port);
    return found;
}

bool DeviceLink::ReadVersion()
{
    std::string reply;
    if (!Exchange("SVsr\n", kIdentifyProfile, reply))
        return false;
    const std::string text = Upper(Body(reply));
    if (FindPattern(text, "SV", 0) < 0)
        return false;
    state_.params.SV.Set(text);  // cut at 31 characters
    return true;
}

void DeviceLink::RaiseLineControls()
{
    std::lock_guard lock(portMutex_);
    const int port = state_.flags.PortNumber.load();
    if (port < 1)
        return;
    // NotSupported (a pseudo-terminal has no modem lines) is as good as done.
    port_.SetDtr(port, true);
    port_.SetRts(port, true);
}

void DeviceLink::Pause(int port, Micros limit)
{
    if (limit.count() > 0)
        port_.Wait(port, limit, waitMode_.load() == WaitMode::PollReadable);
}

Status DeviceLink::Exchange(std::string_view text, const ExchangeProfile& profile, std::string& reply)
{
    std::lock_guard lock(portMutex_);
    return ExchangeLocked(state_.flags.PortNumber.load(), text, profile, reply);
}

Status DeviceLink::PortFailure(int port, const IoResult& result, std::string_view during)
{
    if (ProtocolTrace* trace = trace_.load()) {
        std::string what = result.Gone() ? "port gone" : "port error";
        what += " while " + std::string(during);
        if (result.error != 0)
            what += ": " + std::string(std::strerror(result.error));
        trace->Record(port, TraceDirection::Event, what);
    }
    if (result.Gone())
        return LinkError::PortGone;
    return during == "writing" ? LinkError::WriteFailed : LinkError::NoReply;
}

Status DeviceLink::DrainLocked(int port)
{
    ProtocolTrace* const trace = trace_.load();
    std::array<char, 256> chunk{};
    std::string dropped;
    for (;;) {
        const IoResult got = port_.Read(port, chunk.data(), static_cast<int>(chunk.size()));
        if (got.Gone())
            return PortFailure(port, got, "emptying the input");
        if (!got.Ok() || got.count < 1)
            break;
        dropped.append(chunk.data(), static_cast<std::size_t>(got.count));
        // A device that never stops talking must not hold the link here.
        if (dropped.size() >= kRunawayAllowance)
            break;
    }
    if (trace != nullptr && !dropped.empty())
        trace->Record(port, TraceDirection::Discarded, dropped);
    return {};
}

Status DeviceLink::ExchangeLocked(int port, std::string_view text, const ExchangeProfile& profile,
                                  std::string& reply)
{
    reply.clear();
    if (port < 1 || halted_)
        return LinkError::NoPort;

    ProtocolTrace* const trace = trace_.load();
    // Bytes that came unasked (the late end of an earlier reply, line noise)
    // would be read as the start of this reply: they are thrown away first.
    if (Status drained = DrainLocked(port); !drained)
        return drained;
    const IoResult written = port_.Write(port, text);
    if (trace != nullptr)
        trace->Record(port, TraceDirection::Sent, text);
    if (!written.Ok())
        return PortFailure(port, written, "writing");
    // Always a fixed pause: the reply cannot have begun yet.
    if (profile.afterWrite.count() > 0)
        port_.Wait(port, profile.afterWrite, false);

    std::array<char, 256> chunk{};
    IoResult last;
    const auto read = [&](int limit) {
        last = port_.Read(port, chunk.data(), limit);
        const int count = last.Ok() ? last.count : 0;
        if (trace != nullptr && count > 0)
            trace->Record(port, TraceDirection::Received,
                          std::string_view(chunk.data(), static_cast<std::size_t>(count)));
        return count;
    };
    const int firstCapacity = std::min<int>(profile.firstReadCapacity, chunk.size());
    int got = read(firstCapacity);
    for (int rereads = 0; got < 1; ++rereads) {
        if (last.Gone())
            return PortFailure(port, last, "reading");
        if (rereads == profile.rereads) {
            // Silence from a port whose device file has gone is the port gone.
            if (!port_.Exists(port))
                return PortFailure(port, {IoStatus::Gone, 0, ENODEV}, "reading");
            return LinkError::NoReply;
        }
        Pause(port, profile.rereadPause);
        got = read(firstCapacity);
    }

    const auto capacity = static_cast<std::size_t>(profile.replyCapacity);
    std::size_t received = 0;
    auto append = [&](int count) {
        received += static_cast<std::size_t>(count);
        const std::size_t room = capacity - std::min(capacity, reply.size());
        reply.append(chunk.data(), std::min(room, static_cast<std::size_t>(count)));
    };
    append(got);
    // A gap longer than the chunk pause ends a reply that has reached its line
    // end. A reply still short of it (torn by an adapter or a network hop) is
    // waited for, within the re-read budget the profile gives a silent device.
    Micros patience = profile.rereadPause * profile.rereads;
    while (received < capacity + kRunawayAllowance) {
        Pause(port, profile.chunkPause);
        got = read(kChunkCapacity);
        while (got < 1 && !last.Gone() && received > 0 && reply.back() != '\n' &&
               patience > profile.rereadPause) {
            patience -= profile.rereadPause;
            Pause(port, profile.rereadPause);
            got = read(kChunkCapacity);
        }
        if (last.Gone())
            return PortFailure(port, last, "reading");
        if (got < 1)
            break;
        append(got);
    }
    return reply.empty() ? Status(LinkError::NoReply) : Status();
}

Status DeviceLink::Run(Op op, Address at, std::optional<int32_t> value)
{
    const Command& command = CommandFor(op);
    // A command line names channels with one digit: never send one that cannot be.
    if (!AddressValid(command, at))
        return LinkError::BadAddress;
    return Transact(CommandText(command, at, value), command, at);
}

Status DeviceLink::SetConfirmed(Op op, Address at, int32_t value, int attempts)
{
    Status last = LinkError::NotConfirmed;
    for (int i = 0; i < attempts; ++i) {
        last = Set(op, at, value);
        if (last || last.Error() == LinkError::PortGone)
            return last;
    }
    return LinkError::NotConfirmed;
}

Status DeviceLink::Transact(std::string_view commandText, const Command& command,
                            std::optional<Address> asked)
{
    std::string reply;
    if (Status s = Exchange(commandText, *command.profile, reply); !s)
        return s;
    if (command.replyClass == ReplyClass::Block) {
        // The block is named by the second letter of its command: "DCsr" is block 3.
        const int block = commandText.size() > 1 ? commandText[1] - 'A' + 1 : 0;
        return ReadBlock(command, block, reply);
    }
    return Decode(command, reply, asked);
}

Status DeviceLink::Decode(const Command& command, std::string_view reply, std::optional<Address> asked)
{
    DeviceParams& params = state_.params;
    if (!command.logBeforeCheck.empty())
        LogReply(command.logBeforeCheck, reply);

    if (command.replyClass == ReplyClass::Action) {
        const bool matched = Body(reply) == command.code;
        for (const Assignment& a : matched ? command.onSuccess : command.onMismatch)
            (params.*a.field).store(a.value);
        return matched ? Status() : Status(LinkError::WrongReply);
    }

    const std::size_t codeLength = command.code.size();
    if (reply.substr(0, codeLength) != command.code) {
        if (command.replyClass == ReplyClass::Meter)
            LogReply("111", reply);
        return LinkError::WrongReply;
    }
    // A reply cut short by a gap in the device's output would decode to a wrong
    // value; such a reply is rejected instead of stored.
    if (reply.back() != '\n')
        return LinkError::Incomplete;

    int a = 0;
    int b = 0;
    std::size_t valueStart = codeLength;
    switch (command.replyClass) {
    case ReplyClass::Channel:
    case ReplyClass::Meter:
        a = DigitAt(reply, 2);
        valueStart = 3;
        break;
    case ReplyClass::Crosspoint:
        a = DigitAt(reply, 2);
        b = DigitAt(reply, 3);
        valueStart = 4;
        break;
    default:
        break;
    }
    // The value runs from valueStart to the byte before the last two.
    const std::string_view body = Body(reply);
    const int32_t value = body.size() > valueStart ? ParseDecimal(body.substr(valueStart)) : 0;

    // A reply naming a channel outside 1..4 names no entry of the mirror: nothing
    // is stored and the transaction fails.
    Value* field = command.field(params, a, b);
    if (field == nullptr)
        return LinkError::BadAddress;
    field->store(command.rule.Apply(value));
    if (command.confirmedFlag != nullptr)
        (params.*command.confirmedFlag).store(1);
    // A reply for another address is the device's word for that address, so
    // it is kept; it answers nothing about the address asked.
    const bool addressed = command.replyClass == ReplyClass::Channel || command.replyClass == ReplyClass::Meter ||
                           command.replyClass == ReplyClass::Crosspoint;
    if (addressed && asked &&
        (a != asked->a || (command.replyClass == ReplyClass::Crosspoint && b != asked->b)))
        return LinkError::OtherAddress;
    return {};
}

Status DeviceLink::ReadBlock(const Command& command, int block, std::string_view reply)
{
    constexpr std::size_t kMinimumBlock = 21;
    if (reply.size() < kMinimumBlock)
        return LinkError::ShortBlock;
    LogReply(command.logBeforeCheck, reply);

    // One value per "\r\n"-terminated line, from its fourth character on; lines
    // after the tenth have no place in the mirror and are dropped.
    std::string_view text = reply;
    for (int j = 0;; ++j) {
        const int end = FindPattern(text, "\r\n", 0);
        if (end < 0)
            break;
        const std::string_view line = text.substr(0, static_cast<std::size_t>(end));
        const int32_t value = line.size() > 3 ? ParseDecimal(line.substr(3)) : 0;
        if (Value* field = command.field(state_.params, block, j))
            field->store(value);
        text.remove_prefix(static_cast<std::size_t>(end) + 2);
    }
    return {};
}

void DeviceLink::LogReply(std::string_view sequence, std::string_view reply)
{
    // The list shows the reply as text, up to its first zero byte.
    const std::string_view content = reply.substr(0, std::min(reply.find('\0'), reply.size()));
    log_.Append({std::string(sequence), "COM" + std::to_string(state_.flags.PortNumber.load()),
                 std::string(content)});
}

}  // namespace brevant
