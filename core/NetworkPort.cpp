#include "core/NetworkPort.h"

#include "core/LinkError.h"
#include "core/Rfc2217.h"
#include "core/Translate.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace brevant {

namespace {

constexpr Micros kConnectTimeout{3'000'000};
// After connecting: how long a quiet server is listened to for a banner and a
// close, and the most that listening may take.
constexpr Micros kBannerQuiet{50'000};
constexpr Micros kBannerLimit{300'000};
// RFC 2217 acknowledgements.
constexpr Micros kConfigureWait{1'000'000};
constexpr Micros kControlWait{300'000};
// A write that finds no room for this long has lost its server.
constexpr Micros kWriteLimit{5'000'000};
// The negotiation's answers wait at most this long for room: a server that
// floods requests and reads nothing does not hold the reading up.
constexpr Micros kAnswerLimit{100'000};
// Bytes received this long before the close are the server's last words.
constexpr Micros kLastWordsWindow{250'000};
constexpr std::size_t kLastWordsKept = 160;
// The most one read takes from the socket at a time (then it hands bytes out).
constexpr std::size_t kReceiveChunk = 4096;
constexpr int kReceiveRounds = 16;
// Data the link has not read yet, and RFC 2217 replies not yet taken, are
// kept up to these bounds; what a flooding server sends beyond them is
// dropped (and counted), as the link empties its input before every command.
constexpr std::size_t kPendingKept = 8192;
constexpr std::size_t kRepliesKept = 32;

constexpr int kKeepIdleSeconds = 10;
constexpr int kKeepIntervalSeconds = 5;
constexpr int kKeepCount = 3;
constexpr unsigned kUserTimeoutMs = 20'000;

bool GoneErrno(int error)
{
    return error == ECONNRESET || error == EPIPE || error == ENOTCONN || error == ETIMEDOUT ||
           error == EHOSTUNREACH || error == ENETUNREACH || error == ECONNABORTED || error == ECONNREFUSED ||
           error == ESHUTDOWN || error == EHOSTDOWN || error == ENETDOWN;
}

// Why a connection is gone, in words: 0 is the end of the stream.
std::string GoneWords(int error)
{
    if (error == 0 || error == EPIPE)
        return Tr("brevant::Port", "the server closed the connection");
    if (error == ECONNRESET)
        return Tr("brevant::Port", "the server reset the connection");
    return ErrnoText(error);
}

// The server's words as one line for a message: control bytes as spaces,
// the ends trimmed, at most kLastWordsKept characters.
std::string Words(std::string_view bytes)
{
    std::string out;
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        out += b >= 0x20 && b < 0x7f ? c : ' ';
    }
    const std::size_t first = out.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    out = out.substr(first, out.find_last_not_of(' ') - first + 1);
    std::string squeezed;
    for (const char c : out) {
        if (c != ' ' || squeezed.empty() || squeezed.back() != ' ')
            squeezed += c;
    }
    return squeezed.size() > kLastWordsKept ? squeezed.substr(0, kLastWordsKept) + "..." : squeezed;
}

void SetOption(int fd, int level, int name, int value)
{
    ::setsockopt(fd, level, name, &value, sizeof value);
}

// Connects a non-blocking socket to the first of the addresses found that
// answers within kConnectTimeout; -1, with the reason in `why`, when none does.
int ConnectFirst(const addrinfo* found, std::string& why)
{
    const Deadline deadline(kConnectTimeout);
    int fd = -1;
    why = Tr("brevant::Port", "no address to connect to");
    for (const addrinfo* ai = found; ai != nullptr && fd < 0; ai = ai->ai_next) {
        const int s =
            ::socket(ai->ai_family, ai->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, ai->ai_protocol);
        if (s < 0) {
            why = ErrnoText(errno);
            continue;
        }
        int error = 0;
        if (::connect(s, ai->ai_addr, ai->ai_addrlen) != 0) {
            error = errno;
            if (error == EINPROGRESS) {
                if (!WaitWritable(s, deadline.Remaining())) {
                    error = ETIMEDOUT;
                } else {
                    socklen_t size = sizeof error;
                    if (::getsockopt(s, SOL_SOCKET, SO_ERROR, &error, &size) != 0)
                        error = errno;
                }
            }
        }
        if (error == 0) {
            fd = s;
        } else {
            why = error == ETIMEDOUT ? Tr("brevant::Port", "no answer within 3 s") : ErrnoText(error);
            ::close(s);
        }
        if (deadline.Expired())
            break;
    }
    return fd;
}

// No delay for the short commands; keep-alive probes, and a limit on data
// left unacknowledged, so that a server gone without a word is noticed.
void Tune(int fd)
{
    SetOption(fd, IPPROTO_TCP, TCP_NODELAY, 1);
    SetOption(fd, SOL_SOCKET, SO_KEEPALIVE, 1);
    SetOption(fd, IPPROTO_TCP, TCP_KEEPIDLE, kKeepIdleSeconds);
    SetOption(fd, IPPROTO_TCP, TCP_KEEPINTVL, kKeepIntervalSeconds);
    SetOption(fd, IPPROTO_TCP, TCP_KEEPCNT, kKeepCount);
    SetOption(fd, IPPROTO_TCP, TCP_USER_TIMEOUT, static_cast<int>(kUserTimeoutMs));
}

}  // namespace

struct NetworkPort::Session {
    ~Session()
    {
        if (fd >= 0)
            ::close(fd);
    }

    // Reads what the socket holds now (never waits): data to `pending`, the
    // server's RFC 2217 replies to `replies`, its negotiation answered. False
    // once the connection is gone (then `gone` says why).
    bool Pump();
    // Writes every byte within kWriteLimit; false when the connection is gone
    // or the write timed out (`error` says which).
    bool Send(std::string_view bytes, int& error, Micros limit = kWriteLimit);
    // Pumps until `done` holds, the connection is gone, or `limit` passes.
    template <typename Done>
    bool PumpUntil(Micros limit, Done done);
    std::optional<rfc2217::ServerReply> TakeReply(int command);

    int fd = -1;
    bool rfc2217 = false;
    std::string label;
    rfc2217::Decoder decoder;
    std::string pending;  // data not yet read, at most kPendingKept
    std::vector<rfc2217::ServerReply>
        replies;                     // COM-PORT-OPTION replies not yet taken, the newest kRepliesKept
    std::size_t dropped = 0;         // bytes and replies dropped past those bounds
    bool controlUnanswered = false;  // a SET-CONTROL went unanswered
    bool gone = false;
    int goneError = 0;
    std::string goneWhy;
    std::string lastWords;  // the newest data, for the reason of a close
    SteadyClock::time_point lastWordsAt{};
    std::mutex mutex;
};

bool NetworkPort::Session::Send(std::string_view bytes, int& error, Micros limit)
{
    const Deadline deadline(limit);
    while (!bytes.empty()) {
        const ssize_t n = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) {
            bytes.remove_prefix(static_cast<std::size_t>(n));
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
            error = errno;
            if (GoneErrno(error)) {
                gone = true;
                goneError = error;
                goneWhy = label + ": " + GoneWords(error);
            }
            return false;
        }
        if (deadline.Expired() || !WaitWritable(fd, deadline.Remaining())) {
            error = ETIMEDOUT;
            return false;
        }
    }
    return true;
}

bool NetworkPort::Session::Pump()
{
    if (gone)
        return false;
    char buffer[kReceiveChunk];
    std::string fresh;  // data of this burst
    for (int round = 0; round < kReceiveRounds; ++round) {
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, MSG_DONTWAIT);
        if (n > 0) {
            const std::string_view bytes(buffer, static_cast<std::size_t>(n));
            if (rfc2217) {
                rfc2217::Decoded decoded = decoder.Feed(bytes);
                fresh += decoded.data;
                replies.insert(replies.end(), decoded.replies.begin(), decoded.replies.end());
                if (replies.size() > kRepliesKept) {
                    dropped += replies.size() - kRepliesKept;
                    replies.erase(replies.begin(), replies.end() - static_cast<std::ptrdiff_t>(kRepliesKept));
                }
                int error = 0;
                if (!decoded.answer.empty() && !Send(decoded.answer, error, kAnswerLimit) && gone)
                    break;
            } else {
                fresh.append(bytes);
            }
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            break;
        gone = true;
        goneError = n == 0 ? ENOTCONN : errno;
        goneWhy = label + ": " + GoneWords(n == 0 ? 0 : errno);
        break;  // any other failure to read leaves the socket of no use: gone as well
    }
    if (!fresh.empty()) {
        lastWords = (lastWords + fresh);
        if (lastWords.size() > kLastWordsKept)
            lastWords.erase(0, lastWords.size() - kLastWordsKept);
        lastWordsAt = SteadyClock::now();
    }
    if (!gone) {
        const std::size_t room = kPendingKept - std::min(kPendingKept, pending.size());
        pending.append(fresh, 0, room);
        dropped += fresh.size() - std::min(room, fresh.size());
        return true;
    }
    // Text followed by the close is the server's word, not the device's
    // reply: it becomes the reason and is never handed out. So are the
    // bytes the link has not read yet, and those it read just before.
    std::string words = pending + fresh;
    if (words.empty() && SteadyClock::now() - lastWordsAt < kLastWordsWindow)
        words = lastWords;
    pending.clear();
    if (const std::string said = Words(words); !said.empty())
        goneWhy += ": " + said;
    return false;
}

template <typename Done>
bool NetworkPort::Session::PumpUntil(Micros limit, Done done)
{
    const Deadline deadline(limit);
    for (;;) {
        if (!Pump())
            return false;
        if (done() || deadline.Expired())
            return done();
        WaitReadable(fd, deadline.Remaining());
    }
}

std::optional<rfc2217::ServerReply> NetworkPort::Session::TakeReply(int command)
{
    const auto it = std::find_if(replies.begin(), replies.end(),
                                 [&](const rfc2217::ServerReply& r) { return r.command == command; });
    if (it == replies.end())
        return std::nullopt;
    rfc2217::ServerReply reply = *it;
    replies.erase(it);
    return reply;
}

NetworkPort::NetworkPort() = default;
NetworkPort::~NetworkPort() = default;

void NetworkPort::SetAddress(int port, const PortAddress& address)
{
    std::lock_guard lock(mutex_);
    addresses_[port] = address;
}

std::optional<PortAddress> NetworkPort::AddressOf(int port) const
{
    std::lock_guard lock(mutex_);
    const auto it = addresses_.find(port);
    return it == addresses_.end() ? std::nullopt : std::optional(it->second);
}

std::string NetworkPort::Label(int port) const
{
    const auto address = AddressOf(port);
    return address ? address->Text() : SerialPort::Label(port);
}

std::shared_ptr<NetworkPort::Session> NetworkPort::Find(int port) const
{
    std::lock_guard lock(mutex_);
    const auto it = sessions_.find(port);
    return it == sessions_.end() ? nullptr : it->second;
}

void NetworkPort::Fail(int port, std::string why)
{
    std::lock_guard lock(mutex_);
    errors_[port] = std::move(why);
}

std::string NetworkPort::LastError(int port) const
{
    std::lock_guard lock(mutex_);
    const auto it = errors_.find(port);
    return it == errors_.end() ? std::string() : it->second;
}

int NetworkPort::Open(int port)
{
    const std::string label = Label(port);
    const auto address = AddressOf(port);
    if (!address || !address->Network()) {
        Fail(port, Fill(Tr("brevant::Port", "%1: no network address"), {label}));
        return -1;
    }
    if (Find(port)) {
        Fail(port, Fill(Tr("brevant::Port", "%1 is already open"), {label}));
        return -1;
    }

    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    const std::string service = std::to_string(address->tcpPort);
    if (const int rc = ::getaddrinfo(address->host.c_str(), service.c_str(), &hints, &found); rc != 0) {
        Fail(port, label + ": " + ::gai_strerror(rc));
        return -1;
    }
    std::string why;
    const int fd = ConnectFirst(found, why);
    ::freeaddrinfo(found);
    if (fd < 0) {
        Fail(port, Fill(Tr("brevant::Port", "%1: cannot connect: %2"), {label, why}));
        return -1;
    }
    Tune(fd);

    auto session = std::make_shared<Session>();
    session->fd = fd;
    session->rfc2217 = address->kind == PortKind::Rfc2217;
    session->label = label;
    int error = 0;
    if (session->rfc2217 && !session->Send(rfc2217::Greeting(), error)) {
        Fail(port, label + ": " + ErrnoText(error));
        return -1;
    }
    // A server that cannot serve says so at once and closes: listen until it
    // has been quiet for a moment.
    const Deadline listening(kBannerLimit);
    while (!listening.Expired() && WaitReadable(fd, std::min(kBannerQuiet, listening.Remaining()))) {
        if (!session->Pump()) {
            Fail(port, session->goneWhy);
            return -1;
        }
    }
    std::lock_guard lock(mutex_);
    sessions_[port] = std::move(session);
    errors_.erase(port);
    return 0;
}

int NetworkPort::Configure(int port, int speedCode, int modeCode)
{
    const auto session = Find(port);
    if (!session || speedCode != kSpeed19200 || modeCode != kMode8N1) {
        Fail(port, Fill(Tr("brevant::Port", "cannot configure %1"), {Label(port)}));
        return -1;
    }
    if (!session->rfc2217)
        return 0;  // raw TCP: the server's own settings apply
    std::lock_guard lock(session->mutex);
    const std::string& label = session->label;
    if (session->decoder.ComPortRefused()) {
        Fail(port, Fill(Tr("brevant::Port",
                           "%1: the server does not speak RFC 2217 (it refused COM-PORT-OPTION); use tcp://"),
                        {label}));
        return -1;
    }
    int error = 0;
    const std::string settings = rfc2217::SetBaudRate(19200) + rfc2217::SetDataSize(8) +
                                 rfc2217::SetParity(rfc2217::kParityNone) +
                                 rfc2217::SetStopSize(rfc2217::kStopBits1);
    if (!session->Send(settings, error)) {
        Fail(port, session->gone ? session->goneWhy : label + ": " + ErrnoText(error));
        return -1;
    }
    const auto has = [&](int command) {
        return std::any_of(session->replies.begin(), session->replies.end(),
                           [&](const rfc2217::ServerReply& r) { return r.command == command; });
    };
    const int base = rfc2217::kServerOffset;
    const bool answered = session->PumpUntil(kConfigureWait, [&] {
        return has(base + rfc2217::kSetBaudRate) && has(base + rfc2217::kSetDataSize) &&
               has(base + rfc2217::kSetParity) && has(base + rfc2217::kSetStopSize);
    });
    if (session->gone) {
        Fail(port, session->goneWhy);
        return -1;
    }
    const struct {
        int command;
        std::uint32_t expected;
        const char* what;
    } checks[] = {{rfc2217::kSetBaudRate, 19200, BRV_TEXT("brevant::Port", "the line speed 19200 bit/s")},
                  {rfc2217::kSetDataSize, 8, BRV_TEXT("brevant::Port", "8 data bits")},
                  {rfc2217::kSetParity, rfc2217::kParityNone, BRV_TEXT("brevant::Port", "no parity")},
                  {rfc2217::kSetStopSize, rfc2217::kStopBits1, BRV_TEXT("brevant::Port", "1 stop bit")}};
    for (const auto& check : checks) {
        const auto reply = session->TakeReply(base + check.command);
        if (!reply) {
            const std::string pattern =
                answered
                    ? Tr("brevant::Port", "%1: the server did not acknowledge %2 within 1 s")
                    : Tr("brevant::Port", "%1: the server did not acknowledge %2 within 1 s (is it an RFC "
                                          "2217 server? ser2net needs telnet(rfc2217) in its accepter)");
            Fail(port, Fill(pattern, {label, Tr("brevant::Port", check.what)}));
            return -1;
        }
        if (reply->Number() != check.expected) {
            Fail(port, Fill(Tr("brevant::Port", "%1: the server refused %2 (it answered %3)"),
                            {label, Tr("brevant::Port", check.what), std::to_string(reply->Number())}));
            return -1;
        }
    }
    return 0;
}

IoResult NetworkPort::Lost(int port, Session& session)
{
    Fail(port, session.goneWhy);
    return {IoStatus::Gone, 0, session.goneError != 0 ? session.goneError : ENOTCONN};
}

IoResult NetworkPort::Write(int port, std::string_view bytes)
{
    const auto session = Find(port);
    if (!session)
        return {IoStatus::Failed, 0, EBADF};
    std::lock_guard lock(session->mutex);
    if (session->gone)
        return Lost(port, *session);
    int error = 0;
    const std::string escaped = session->rfc2217 ? rfc2217::EncodeData(bytes) : std::string();
    if (session->Send(session->rfc2217 ? std::string_view(escaped) : bytes, error))
        return IoResult::Moved(static_cast<int>(bytes.size()));
    if (session->gone)
        return Lost(port, *session);
    Fail(port, session->label + ": " + ErrnoText(error));
    return {IoStatus::Failed, 0, error};
}

IoResult NetworkPort::Read(int port, char* buffer, int capacity)
{
    const auto session = Find(port);
    if (!session)
        return {IoStatus::Failed, 0, EBADF};
    if (capacity <= 0)
        return IoResult::Nothing();
    std::lock_guard lock(session->mutex);
    if (session->pending.empty() && !session->Pump())
        return Lost(port, *session);
    if (session->pending.empty())
        return IoResult::Nothing();
    const std::size_t count = std::min(session->pending.size(), static_cast<std::size_t>(capacity));
    std::copy_n(session->pending.data(), count, buffer);
    session->pending.erase(0, count);
    return IoResult::Moved(static_cast<int>(count));
}

void NetworkPort::Close(int port)
{
    std::shared_ptr<Session> closing;
    {
        std::lock_guard lock(mutex_);
        const auto it = sessions_.find(port);
        if (it == sessions_.end())
            return;
        closing = std::move(it->second);
        sessions_.erase(it);
    }
    // The socket closes with the last holder (a Wait may still poll it).
}

LineControlResult NetworkPort::SetControl(int port, unsigned char control)
{
    const auto session = Find(port);
    if (!session)
        return LineControlResult::Failed;
    if (!session->rfc2217)
        return LineControlResult::NotSupported;
    std::lock_guard lock(session->mutex);
    if (session->gone)
        return LineControlResult::Failed;
    if (session->controlUnanswered)
        return LineControlResult::NotSupported;
    const int answer = rfc2217::kServerOffset + rfc2217::kSetControl;
    while (session->TakeReply(answer)) {
    }
    int error = 0;
    if (!session->Send(rfc2217::SetControl(control), error))
        return LineControlResult::Failed;
    const auto has = [&] {
        return std::any_of(session->replies.begin(), session->replies.end(),
                           [&](const rfc2217::ServerReply& r) { return r.command == answer; });
    };
    if (!session->PumpUntil(kControlWait, has)) {
        if (session->gone)
            return LineControlResult::Failed;
        session->controlUnanswered = true;
        return LineControlResult::NotSupported;
    }
    return session->TakeReply(answer)->Number() == control ? LineControlResult::Done
                                                           : LineControlResult::NotSupported;
}

LineControlResult NetworkPort::SetDtr(int port, bool on)
{
    return SetControl(port, on ? rfc2217::kDtrOn : rfc2217::kDtrOff);
}

LineControlResult NetworkPort::SetRts(int port, bool on)
{
    return SetControl(port, on ? rfc2217::kRtsOn : rfc2217::kRtsOff);
}

void NetworkPort::Wait(int port, Micros limit, bool untilReadable)
{
    const auto session = untilReadable ? Find(port) : nullptr;
    if (!session) {
        SleepFor(limit);
        return;
    }
    {
        std::lock_guard lock(session->mutex);
        if (!session->pending.empty() || session->gone)
            return;
    }
    // Readable includes the end of the stream, which the next read reports.
    WaitReadable(session->fd, limit);
}

}  // namespace brevant
