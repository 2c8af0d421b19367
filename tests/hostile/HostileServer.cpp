#include "tests/hostile/HostileServer.h"
#include "tests/LoopbackListener.h"

#include <cerrno>
#include <deque>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace brevant::hostile {

const HostileKind kHostileKinds[8] = {
    {Hostility::Silent, "silent", true},
    {Hostility::EndlessLine, "endless line", true},
    {Hostility::IacFlood, "IAC flood", true},
    {Hostility::OtherAddress, "other address", false},
    {Hostility::Junk, "junk", false},
    {Hostility::CloseMidReply, "close mid-reply", false},
    {Hostility::Drip, "drip (1 byte/100 ms)", true},
    {Hostility::ZeroStream, "zero stream", true},
};

namespace {

using Clock = std::chrono::steady_clock;
// Telnet's bytes: IAC, SB, SE, WILL, DO, NOP, and the COM-PORT-OPTION.
constexpr char kIac = '\xFF', kSb = '\xFA', kSe = '\xF0', kWill = '\xFB', kDo = '\xFD', kNop = '\xF1';
constexpr char kComPort = 44;
constexpr std::size_t kLineKept = 256;
constexpr std::size_t kStreamChunk = 16384;
constexpr int kSettingsBeforeClose = 3;
constexpr std::chrono::milliseconds kDripGap{100};

std::string Escaped(std::string_view bytes)
{
    std::string out;
    for (const char c : bytes)
        out += c == kIac ? std::string(2, c) : std::string(1, c);
    return out;
}

// A command line taken apart: the reply is head + value + "\r\n".
struct Answer {
    std::string head;   // code and address ("MG1", "MX12", "MBs")
    std::string value;  // empty for actions and identity replies
    bool identity = false;
};

Answer Parse(const std::string& line)
{
    Answer a;
    if (line == "SVsr" || line == "SAsr") {
        a.identity = true;
        a.head = line == "SVsr" ? "SV105" : "SAK225";
    } else if (line.size() == 4 && line[2] == 's' && line[3] >= '0' && line[3] <= '9') {
        a.head = line;  // an action, echoed
    } else if (line.size() >= 4) {
        // The code, then 's' (device-wide) or an address: one digit, two for MX and XG.
        const std::string code = line.substr(0, 2);
        const std::size_t head = line[2] == 's' ? 3 : code == "MX" || code == "XG" ? 4 : 3;
        a.head = line.substr(0, head);
        a.value = line.substr(head) == "r" ? "0" : line.substr(head);
    }
    return a;
}

}  // namespace

HostileServer::HostileServer(Hostility hostility, bool rfc2217, bool honestIdentity)
    : hostility_(hostility), rfc2217_(rfc2217), honestIdentity_(honestIdentity)
{
    const test::LoopbackListener listener = test::ListenOnLoopback();
    listener_ = listener.fd;
    if (listener_ < 0)
        return;
    port_ = listener.port;
    thread_ = std::thread([this] { Run(); });
}

HostileServer::~HostileServer()
{
    stop_ = true;
    if (thread_.joinable())
        thread_.join();
    if (listener_ >= 0)
        ::close(listener_);
}

void HostileServer::Run()
{
    const Clock::time_point end = Clock::now() + kServeLimit;
    while (!stop_ && Clock::now() < end) {
        pollfd p{listener_, POLLIN, 0};
        if (::poll(&p, 1, 50) <= 0)
            continue;
        const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd >= 0)
            Serve(fd);
    }
}

namespace {

// One connection's state: what came in, what goes out and when.
struct Connection {
    enum class In { Data, Iac, Verb, Sub, SubIac };
    bool rfc2217 = false;
    In in = In::Data;
    std::string sub;
    std::string line;
    std::deque<std::string> lines;
    std::string out;   // bytes ready to send, encoded
    std::string drip;  // sent a byte at a time, kDripGap apart
    Clock::time_point dripAt;
    bool streaming = false;
    bool closeWhenSent = false;
    int settings = 0;

    void Send(const std::string& bytes) { out += rfc2217 ? Escaped(bytes) : bytes; }
    void Data(char c)
    {
        if (c == '\n') {
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            lines.push_back(line);
            line.clear();
        } else if (line.size() < kLineKept) {
            line += c;
        }
    }

    // The client side of RFC 2217: each COM-PORT-OPTION setting is
    // acknowledged with the value asked for.
    void Telnet(char b)
    {
        switch (in) {
        case In::Data:
            if (b == kIac)
                in = In::Iac;
            else
                Data(b);
            break;
        case In::Iac:
            in = b == kIac                              ? In::Data
                 : b == kSb                             ? In::Sub
                 : static_cast<unsigned char>(b) >= 251 ? In::Verb  // WILL, WONT, DO, DONT
                                                        : In::Data;
            if (b == kIac)
                Data(b);
            if (b == kSb)
                sub.clear();
            break;
        case In::Verb: in = In::Data; break;
        case In::Sub:
            if (b == kIac)
                in = In::SubIac;
            else if (sub.size() < 64)
                sub += b;
            break;
        case In::SubIac:
            if (b == kSe && sub.size() >= 2 && sub[0] == kComPort)
                out += std::string{kIac, kSb, kComPort, static_cast<char>(sub[1] + 100)} +
                       Escaped(sub.substr(2)) + std::string{kIac, kSe};
            in = b == kIac ? In::Sub : In::Data;
            if (b == kIac)
                sub += b;
            break;
        }
    }
};

std::string StreamChunk(Hostility hostility)
{
    std::string chunk;
    while (chunk.size() < kStreamChunk) {
        if (hostility == Hostility::ZeroStream)
            chunk.append(512, '\0');
        else if (hostility == Hostility::EndlessLine)
            chunk += "SV105SAK225";
        else
            chunk +=
                std::string{kIac, kWill, 1, kIac, kDo, 5, kIac, kSb, kComPort, 106, 0, kIac, kSe, kIac, kNop};
    }
    return chunk;
}

// What the misbehaving device sends for one command line.
void Respond(Hostility hostility, bool honestIdentity, const std::string& line, Connection& c)
{
    const Answer a = Parse(line);
    if (a.head.empty())
        return;
    // Actions carry no value to spoil: the value kinds answer them honestly.
    const bool honestHere = a.identity || a.value.empty();
    std::string reply = a.head + a.value + "\r\n";  // the honest reply
    if (honestIdentity && a.identity) {
        c.Send(reply);
        return;
    }
    switch (hostility) {
    case Hostility::Silent: return;
    case Hostility::ZeroStream:
    case Hostility::EndlessLine:
    case Hostility::IacFlood: c.streaming = true; return;
    case Hostility::OtherAddress:
        if (!honestHere && a.head.size() >= 3 && a.head[2] >= '1' && a.head[2] <= '4') {
            std::string head = a.head;
            head[2] = static_cast<char>('1' + (head[2] - '0') % 4);
            reply = head + a.value + "\r\n";
        }
        break;
    case Hostility::Junk:
        if (!honestHere)
            reply = "ERROR 7 in line 1, try HELP\r\n";
        break;
    case Hostility::CloseMidReply:
        if (!honestHere && ++c.settings > kSettingsBeforeClose) {
            reply = reply.substr(0, reply.size() / 2);
            c.closeWhenSent = true;
        }
        break;
    case Hostility::Drip: c.drip += reply; return;
    }
    c.Send(reply);
}

}  // namespace

void HostileServer::Serve(int fd)
{
    Connection c;
    c.rfc2217 = rfc2217_;
    if (rfc2217_)
        c.out = std::string{kIac, kDo, kComPort};
    c.streaming = hostility_ == Hostility::ZeroStream && !honestIdentity_;
    const Clock::time_point end = Clock::now() + kServeLimit;
    char buffer[4096];
    while (!stop_ && Clock::now() < end) {
        const bool wantWrite = !c.out.empty() || c.streaming;
        pollfd p{fd, static_cast<short>(POLLIN | (wantWrite ? POLLOUT : 0)), 0};
        ::poll(&p, 1, 10);
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, MSG_DONTWAIT);
        if (n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR))
            break;  // the client went away
        for (ssize_t i = 0; i < n; ++i) {
            if (rfc2217_)
                c.Telnet(buffer[i]);
            else
                c.Data(buffer[i]);
        }
        for (; !c.lines.empty(); c.lines.pop_front())
            Respond(hostility_, honestIdentity_, c.lines.front(), c);
        if (!c.drip.empty() && c.dripAt <= Clock::now()) {
            c.Send(c.drip.substr(0, 1));
            c.drip.erase(0, 1);
            c.dripAt = Clock::now() + kDripGap;
        }
        if (c.streaming && c.out.size() < kStreamChunk)
            c.out += StreamChunk(hostility_);
        if (!c.out.empty()) {
            const ssize_t sent = ::send(fd, c.out.data(), c.out.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
            if (sent > 0)
                c.out.erase(0, static_cast<std::size_t>(sent));
            else if (sent < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)
                break;
        }
        if (c.closeWhenSent && c.out.empty())
            break;
    }
    ::close(fd);
}

}  // namespace brevant::hostile
