#include "core/DeviceLink.h"

#include "core/LinkError.h"
#include "core/ReplyDecoder.h"
#include "core/TextScan.h"

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

// How many times one command goes on listening past replies that are not
// its own before it gives up.
constexpr int kLateRepliesPassedOver = 2;

// The first line of an identity reply less its carriage return and line
// feed; nullopt when it does not end so.
std::optional<std::string_view> IdentityBody(std::string_view reply)
{
    const std::size_t feed = reply.find('\n');
    if (feed == std::string_view::npos || feed == 0 || reply[feed - 1] != '\r')
        return std::nullopt;
    return reply.substr(0, feed - 1);
}

std::string Upper(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
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

DeviceLink::DeviceLink(SerialPort& port, DeviceState& state) : port_(port), state_(state) {}

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
    std::lock_guard watching(watchMutex_);
    watch_.Restart(port_.Clock());
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
    if (ExchangeLocked(port, wire::kVersionQuery, kProbeProfile, reply)) {
        if (const auto body = IdentityBody(reply)) {
            const std::string text = Upper(*body);
            // The number is read from position 2 of the whole text, wherever "SV" stands.
            found = FindPattern(text, wire::kVersionTag, 0) >= 0 && text.size() > 2 &&
                    ParseDecimal(std::string_view(text).substr(2)) > 0;
        }
    }
    port_.Close(port);
    return found;
}

bool DeviceLink::ReadVersion()
{
    std::string reply;
    if (!Exchange(wire::kVersionQuery, kIdentifyProfile, reply))
        return false;
    const auto body = IdentityBody(reply);
    const std::string text = body ? Upper(*body) : std::string();
    if (FindPattern(text, wire::kVersionTag, 0) < 0) {
        Watch(body ? LinkError::WrongReply : LinkError::Malformed);
        return false;
    }
    state_.params.SV.Set(text);  // cut at 31 characters
    Watch({});
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
        port_.Wait(port, limit, waitMode_.load() != WaitMode::FixedPause);
}

Status DeviceLink::Exchange(std::string_view text, const ExchangeProfile& profile, std::string& reply)
{
    std::lock_guard lock(portMutex_);
    Status status = ExchangeLocked(state_.flags.PortNumber.load(), text, profile, reply);
    // A line ends with carriage return and line feed, nothing less.
    const bool lines = profile.end.kind == ReplyEnd::Kind::Lines;
    if (status && lines && (reply.size() < 2 || reply[reply.size() - 2] != '\r'))
        status = LinkError::Malformed;
    // What came is judged by the caller; only what did not is noted here.
    if (!status)
        Watch(status);
    return status;
}

void DeviceLink::Watch(Status status)
{
    const SteadyClock::time_point now = port_.Clock();
    std::lock_guard lock(watchMutex_);
    if (status)
        watch_.Valid();
    else
        watch_.Failed(status.Error(), now);
}

bool DeviceLink::ReplyOverdue() const
{
    const SteadyClock::time_point now = port_.Clock();
    std::lock_guard lock(watchMutex_);
    return watch_.Overdue(now);
}

std::string DeviceLink::Verdict() const
{
    std::lock_guard lock(watchMutex_);
    return std::string(watch_.Verdict());
}

Status DeviceLink::PortFailure(int port, const IoResult& result, std::string_view during)
{
    if (ProtocolTrace* trace = trace_.load()) {
        std::string what = result.Gone() ? "port gone" : "port error";
        what += " while " + std::string(during);
        if (result.error != 0)
            what += ": " + ErrnoText(result.error);
        trace->Record(port, TraceDirection::Event, what);
    }
    if (result.Gone())
        return LinkError::PortGone;
    return during == "writing" ? LinkError::WriteFailed : LinkError::NoReply;
}

Status DeviceLink::DrainLocked(int port, std::size_t* count)
{
    if (count != nullptr)
        *count = 0;
    if (port < 1 || halted_)
        return LinkError::NoPort;
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
    if (count != nullptr)
        *count = dropped.size();
    return {};
}

Status DeviceLink::ExchangeLocked(int port, std::string_view text, const ExchangeProfile& profile,
                                  std::string& reply)
{
    return ExchangeUntil(port, text, profile, reply, ReplyCutoff(port, profile));
}

Status DeviceLink::ExchangeUntil(int port, std::string_view text, const ExchangeProfile& profile,
                                 std::string& reply, SteadyClock::time_point cutoff)
{
    reply.clear();
    if (port < 1 || halted_)
        return LinkError::NoPort;
    // Bytes that came unasked (the late end of an earlier reply, line noise)
    // would be read as the start of this reply: they are thrown away first.
    if (Status drained = DrainLocked(port); !drained)
        return drained;
    if (Status written = WriteLocked(port, text); !written)
        return written;
    return Collect(port, profile, reply, cutoff);
}

SteadyClock::time_point DeviceLink::ReplyCutoff(int port, const ExchangeProfile& profile) const
{
    return port_.Clock() + profile.AnswerBudget() + profile.FinishBudget() + port_.ReplySlack(port);
}

Status DeviceLink::WriteLocked(int port, std::string_view bytes)
{
    if (port < 1 || halted_)
        return LinkError::NoPort;
    const IoResult written = port_.Write(port, bytes);
    if (ProtocolTrace* trace = trace_.load())
        trace->Record(port, TraceDirection::Sent, bytes);
    return written.Ok() ? Status() : PortFailure(port, written, "writing");
}

Status DeviceLink::CollectLocked(int port, const ExchangeProfile& profile, std::string& reply)
{
    return Collect(port, profile, reply, SteadyClock::time_point::max());
}

Status DeviceLink::Collect(int port, const ExchangeProfile& profile, std::string& reply,
                           SteadyClock::time_point cutoff)
{
    reply.clear();
    if (port < 1 || halted_)
        return LinkError::NoPort;
    ProtocolTrace* const trace = trace_.load();
    // Until the first byte the deadline is the budget of a silent device;
    // from it on, the time the rest of the reply is given.
    // A network hop adds its own delays to both.
    const Micros slack = port_.ReplySlack(port);
    Deadline deadline(port_.Clock(), profile.AnswerBudget() + slack);
    const auto expired = [&](SteadyClock::time_point now) { return deadline.Expired(now) || now >= cutoff; };
    // A fixed pause unless the peer answers at once: a device's reply
    // cannot have begun yet.
    if (profile.afterWrite.count() > 0)
        port_.Wait(port, profile.afterWrite, waitMode_.load() == WaitMode::NoSettle);

    std::array<char, 256> chunk{};
    const auto capacity = static_cast<std::size_t>(profile.replyCapacity);
    const int firstCapacity = std::min<int>(profile.firstReadCapacity, static_cast<int>(chunk.size()));
    std::size_t received = 0;  // every byte of the reply, kept or not
    int lineFeeds = 0;
    char last = 0;
    ReplyProgress progress = ReplyProgress::NeedMore;
    while (received < capacity + kRunawayAllowance) {
        // A reply begun but not whole at the cutoff did not end in time,
        // however a late wake-up bunches its remaining bytes into one read.
        if (received > 0 && progress == ReplyProgress::NeedMore && port_.Clock() >= cutoff)
            break;
        const IoResult got = port_.Read(port, chunk.data(), received == 0 ? firstCapacity : kChunkCapacity);
        if (got.Gone())
            return PortFailure(port, got, "reading");
        const std::string_view bytes(chunk.data(), got.Ok() ? static_cast<std::size_t>(got.count) : 0);
        if (!bytes.empty()) {
            // What a runaway device sends past the reply buffer is counted, not traced.
            if (trace != nullptr && received < capacity)
                trace->Record(port, TraceDirection::Received, bytes);
            if (received == 0)
                deadline = Deadline(port_.Clock(), profile.FinishBudget() + slack);
            received += bytes.size();
            lineFeeds += static_cast<int>(std::count(bytes.begin(), bytes.end(), '\n'));
            last = bytes.back();
            reply.append(bytes.substr(0, capacity - std::min(capacity, reply.size())));
        }
        progress = JudgeReply(profile.end, received, lineFeeds, last);
        if (progress == ReplyProgress::Complete)
            break;
        if (progress == ReplyProgress::QuietEnds) {
            // Nothing came for one chunk pause: the reply of unknown length is over.
            if (bytes.empty())
                break;
            Pause(port, profile.chunkPause);
            continue;
        }
        const SteadyClock::time_point now = port_.Clock();
        if (expired(now))
            break;
        Pause(port, std::min({profile.rereadPause, deadline.Remaining(now),
                              std::chrono::duration_cast<Micros>(cutoff - std::min(cutoff, now))}));
    }
    if (trace != nullptr && received > capacity)
        trace->Record(port, TraceDirection::Event,
                      std::to_string(received - capacity) + " bytes past the reply's " +
                          std::to_string(capacity) + " dropped");
    if (received > 0)
        return progress == ReplyProgress::NeedMore && profile.end.kind == ReplyEnd::Kind::Lines
                   ? Status(LinkError::Incomplete)
                   : Status();
    // Silence from a port whose device file has gone is the port gone.
    if (!port_.Exists(port))
        return PortFailure(port, {IoStatus::Gone, 0, ENODEV}, "reading");
    return LinkError::NoReply;
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
    std::lock_guard lock(portMutex_);
    const int port = state_.flags.PortNumber.load();
    // A block keeps the deadlines of its profile alone.
    const ExchangeProfile& profile = *command.profile;
    const SteadyClock::time_point cutoff =
        command.replyClass == ReplyClass::Block ? SteadyClock::time_point::max() : ReplyCutoff(port, profile);
    std::string reply;
    Status result = ExchangeUntil(port, commandText, profile, reply, cutoff);
    if (!result && result.Error() != LinkError::Incomplete) {
        // No answer in time: it may still come, ahead of the next command's.
        lateAnswerDue_ = result.Error() == LinkError::NoReply;
    } else if (command.replyClass == ReplyClass::Block) {
        // The block is named by the second letter of its command: "DCsr" is block 3.
        const int block = commandText.size() > 1 ? commandText[1] - 'A' + 1 : 0;
        result = ReadBlock(command, block, reply);
    } else {
        result = PassOver(port, commandText, command, asked, std::move(reply), cutoff);
    }
    // A set that went unanswered is the line its late echo will be.
    const bool query = commandText.size() >= 3 && commandText.substr(commandText.size() - 3) == "r\r\n";
    lateSet_ = lateAnswerDue_ && command.settable && !query ? std::string(commandText) : std::string();
    Watch(result);
    return result;
}

Status DeviceLink::PassOver(int port, std::string_view commandText, const Command& command,
                            std::optional<Address> asked, std::string reply, SteadyClock::time_point cutoff)
{
    // The reply to an earlier command that came too late for it may arrive
    // first, ahead of this command's own: each whole line is one reply, and a
    // line that does not answer this command is passed over (a reply of the
    // same command for another address is still stored where it says) while
    // the line goes on being read for the reply that does. Without this the
    // link would stay one reply behind for good. After a set that got no
    // answer in time, a line that answers this command may still be that
    // set's late echo: then a line that follows is the device's newer word
    // and is taken instead. Either way the reading ends when a single
    // exchange of this command would have to, never later.
    const std::string lateSet = lateAnswerDue_ ? lateSet_ : std::string();
    lateAnswerDue_ = false;
    ExchangeProfile more = *command.profile;
    more.afterWrite = Micros{0};
    Status result = LinkError::WrongReply;
    bool answered = false;
    bool echoOfLateSet = false;
    for (int round = 0;; ++round) {
        std::string_view rest = reply;
        for (std::size_t feed = rest.find('\n'); feed != std::string_view::npos; feed = rest.find('\n')) {
            const std::string_view line = rest.substr(0, feed + 1);
            rest.remove_prefix(line.size());
            const Status decoded = Decode(port, command, line, asked);
            if (decoded) {
                answered = true;
                result = decoded;
                echoOfLateSet = !lateSet.empty() && line == lateSet && line != commandText;
            } else if (!answered) {
                result = decoded;
            }
        }
        // An unfinished line waits for its rest in the next round.
        const std::string unfinished(rest);
        if (!answered && !unfinished.empty())
            result = DecodeReply(command, unfinished).error;
        if (answered && !echoOfLateSet)
            return result;
        const LinkError e = result.Error();
        const bool notOurs =
            e == LinkError::WrongReply || e == LinkError::OtherAddress || e == LinkError::BadAddress;
        if ((!answered && !notOurs) || round == kLateRepliesPassedOver || port_.Clock() >= cutoff) {
            lateAnswerDue_ = !answered && (e == LinkError::Incomplete || e == LinkError::NoReply);
            return result;
        }
        const Status collected = Collect(port, more, reply, cutoff);
        if (!collected && collected.Error() != LinkError::Incomplete) {
            if (!answered)
                lateAnswerDue_ = true;  // this command's own answer may still come
            return answered ? Status() : result;
        }
        reply.insert(0, unfinished);
        echoOfLateSet = false;
    }
}

Status DeviceLink::Decode(int port, const Command& command, std::string_view reply,
                          std::optional<Address> asked)
{
    DeviceParams& params = state_.params;
    const Reading reading = DecodeReply(command, reply);
    if (reading.error == LinkError::Malformed) {
        if (ProtocolTrace* trace = trace_.load())
            trace->Record(port, TraceDirection::Event, "reply not taken: " + std::string(reading.why));
        return reading.error;
    }
    if (command.replyClass == ReplyClass::Action) {
        if (reading.error != LinkError::Incomplete) {
            for (const Assignment& a : reading.matched ? command.onSuccess : command.onMismatch)
                (params.*a.field).store(a.value);
        }
        return reading.error;
    }
    if (!reading.Ok())
        return reading.error;

    // A reply naming a channel outside 1..4 names no entry of the mirror: nothing
    // is stored and the transaction fails.
    Value* field = command.field(params, reading.a, reading.b);
    if (field == nullptr)
        return LinkError::BadAddress;
    field->store(command.rule.Apply(reading.value));
    if (command.confirmedFlag != nullptr)
        (params.*command.confirmedFlag).store(1);
    // A reply for another address is the device's word for that address, so
    // it is kept; it answers nothing about the address asked.
    const bool addressed = command.replyClass == ReplyClass::Channel ||
                           command.replyClass == ReplyClass::Meter ||
                           command.replyClass == ReplyClass::Crosspoint;
    if (addressed && asked &&
        (reading.a != asked->a || (command.replyClass == ReplyClass::Crosspoint && reading.b != asked->b)))
        return LinkError::OtherAddress;
    return {};
}

Status DeviceLink::ReadBlock(const Command& command, int block, std::string_view reply)
{
    // Lines after the tenth have no place in the mirror and are dropped.
    const BlockReading reading = DecodeBlock(reply, kBlockLines, command.code.front());
    if (reading.error == LinkError::ShortBlock)
        return reading.error;
    if (reading.error == LinkError::Malformed) {
        if (ProtocolTrace* trace = trace_.load())
            trace->Record(state_.flags.PortNumber.load(), TraceDirection::Event,
                          "reply not taken: " + std::string(reading.why));
    }
    if (reading.error != LinkError::None)
        return reading.error;
    for (std::size_t j = 0; j < reading.values.size(); ++j) {
        if (Value* field = command.field(state_.params, block, static_cast<int>(j)))
            field->store(reading.values[j]);
    }
    return {};
}

}  // namespace brevant
