// PortRouter's numbers and labels, and NetworkPort against small scripted
// servers on loopback: one that closes after a reply, one nobody listens on,
// and RFC 2217 servers that refuse the baud rate or leave DTR unanswered.
#include "LoopbackListener.h"
#include "PortRouter.h"
#include "Rfc2217.h"

#include <gtest/gtest.h>

#include <functional>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace brevant {
namespace {

using namespace std::string_literals;

PortAddress Address(const std::string& text)
{
    return *ParsePortAddress(text).address;
}

TEST(PortRouterNumbers, SerialPortsKeepTheirNumberAndEachNetworkAddressGetsItsOwn)
{
    PortRouter router(PortMap::Directory("/nonexistent"));
    EXPECT_EQ(router.Assign(Address("COM7")), 7);
    const int raw = router.Assign(Address("tcp://10.0.0.5:4001"));
    const int rfc = router.Assign(Address("rfc2217://10.0.0.5:4001"));
    const int v6 = router.Assign(Address("tcp://[::1]:4001"));
    EXPECT_EQ(raw, PortRouter::kFirstNetworkPort);
    EXPECT_EQ(rfc, raw + 1);
    EXPECT_EQ(v6, raw + 2);
    EXPECT_EQ(router.Assign(Address(" TCP://10.0.0.5:4001")), raw) << "the same address, the same number";
    EXPECT_GT(raw, 39) << "never scanned";

    EXPECT_EQ(router.Label(7), "COM7");
    EXPECT_EQ(router.Label(raw), "tcp://10.0.0.5:4001");
    EXPECT_EQ(router.Label(rfc), "rfc2217://10.0.0.5:4001");
    EXPECT_EQ(router.Label(v6), "tcp://[::1]:4001");
    EXPECT_EQ(router.AddressOf(rfc), Address("rfc2217://10.0.0.5:4001"));
    EXPECT_EQ(router.AddressOf(7), Address("COM7"));
    EXPECT_EQ(router.AddressOf(raw + 10), std::nullopt);
    EXPECT_TRUE(router.Exists(raw)) << "a lost network device is sought at its address";
    EXPECT_FALSE(router.Exists(7));
}

// Accepts one connection on a free loopback port and runs `script` on it.
class ScriptedServer {
public:
    explicit ScriptedServer(std::function<void(int fd)> script)
    {
        const test::LoopbackListener listener = test::ListenOnLoopback(1);
        listen_ = listener.fd;
        port_ = listener.port;
        thread_ = std::thread([this, script] {
            const int fd = ::accept(listen_, nullptr, nullptr);
            if (fd >= 0) {
                script(fd);
                ::close(fd);
            }
        });
    }
    ~ScriptedServer()
    {
        ::shutdown(listen_, SHUT_RDWR);
        thread_.join();
        ::close(listen_);
    }
    std::string Url(const std::string& scheme) const { return scheme + "://127.0.0.1:" + std::to_string(port_); }

private:
    int listen_ = -1;
    int port_ = 0;
    std::thread thread_;
};

void Say(int fd, const std::string& bytes)
{
    ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
}

// Reads until `until` has arrived (or the client closed); what arrived.
std::string Hear(int fd, const std::string& until)
{
    std::string got;
    char buffer[256];
    while (got.find(until) == std::string::npos) {
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0)
            break;
        got.append(buffer, static_cast<std::size_t>(n));
    }
    return got;
}

TEST(NetworkPortServers, AReplyFollowedByTheCloseIsTheReasonNotData)
{
    ScriptedServer server([](int fd) {
        Hear(fd, "\n");
        Say(fd, "Device open failure: Value or file not found\r\n");
    });
    PortRouter router(PortMap::Directory("/nonexistent"));
    const int port = router.Assign(Address(server.Url("tcp")));
    ASSERT_EQ(router.Open(port), 0) << router.LastError(port);
    EXPECT_EQ(router.Configure(port, kSpeed19200, kMode8N1), 0) << "raw TCP: nothing to set";
    EXPECT_EQ(router.SetDtr(port, true), LineControlResult::NotSupported);
    ASSERT_TRUE(router.Write(port, "SVsr\r\n").Ok());
    // Text and the close in one burst: the read reports the port gone and
    // keeps the text as the reason. When the close comes in a later read,
    // the text may be handed out first (the link then sees the port gone
    // before its quiet gap ends the reply), and is still the reason.
    char buffer[64];
    IoResult got = IoResult::Nothing();
    for (int i = 0; i < 100 && (got.status == IoStatus::NoData || got.Ok()); ++i) {
        router.Wait(port, Micros{10'000}, true);
        got = router.Read(port, buffer, sizeof buffer);
    }
    EXPECT_EQ(got.status, IoStatus::Gone);
    EXPECT_EQ(router.LastError(port),
              server.Url("tcp") + ": the server closed the connection: Device open failure: Value or file not found");
    EXPECT_TRUE(router.Write(port, "SVsr\r\n").Gone());
}

TEST(NetworkPortServers, NobodyListeningIsNamed)
{
    int port = 0;
    {
        ScriptedServer gone([](int) {});
        port = std::stoi(gone.Url("tcp").substr(16));
        PortRouter router(PortMap::Directory("/nonexistent"));
        router.Open(router.Assign(Address(gone.Url("tcp"))));  // takes the one connection
    }
    PortRouter router(PortMap::Directory("/nonexistent"));
    const int n = router.Assign(Address("tcp://127.0.0.1:" + std::to_string(port)));
    EXPECT_NE(router.Open(n), 0);
    EXPECT_EQ(router.LastError(n), "tcp://127.0.0.1:" + std::to_string(port) + ": cannot connect: Connection refused");
}

// An RFC 2217 server that answers the greeting as ser2net does and then
// each SET-BAUDRATE with `rate`, the other settings as asked, and nothing to
// SET-CONTROL; it echoes data, 0xFF doubled as it came.
void Rfc2217Server(int fd, std::uint32_t rate, std::string* heard)
{
    const std::string greeting = "\xff\xfb\x03\xff\xfd\x03\xff\xfb\x01\xff\xfe\x01\xff\xfd\x00\xff\xfb\x00\xff\xfd\x2c"s;
    Say(fd, greeting);
    std::string got = Hear(fd, "\xff\xfa\x2c\x04\x01\xff\xf0"s);  // up to SET-STOPSIZE
    Say(fd, rfc2217::EncodeCommand(101, std::string{0, 0, static_cast<char>(rate >> 8), static_cast<char>(rate)}));
    Say(fd, rfc2217::EncodeCommand(102, "\x08") + rfc2217::EncodeCommand(103, "\x01") +
                rfc2217::EncodeCommand(104, "\x01"));
    got += Hear(fd, "\r\n");
    *heard = got;  // before the echo, which the test waits for
    Say(fd, "UD"s + "\xff\xff\xff\xff" + "\r\n");
    Hear(fd, "\x01"s + "until the client closes");  // a close right after would make the echo the server's last words
}

TEST(NetworkPortServers, Rfc2217SetsTheLineEscapesDataAndLeavesUnansweredLinesUnsupported)
{
    std::string heard;
    ScriptedServer server([&](int fd) { Rfc2217Server(fd, 19200, &heard); });
    PortRouter router(PortMap::Directory("/nonexistent"));
    const int port = router.Assign(Address(server.Url("rfc2217")));
    ASSERT_EQ(router.Open(port), 0) << router.LastError(port);
    ASSERT_EQ(router.Configure(port, kSpeed19200, kMode8N1), 0) << router.LastError(port);
    const auto start = SteadyClock::now();
    EXPECT_EQ(router.SetDtr(port, true), LineControlResult::NotSupported);
    EXPECT_LT(SteadyClock::now() - start, std::chrono::milliseconds(2000)) << "300 ms, on a busy machine more";
    EXPECT_EQ(router.SetRts(port, true), LineControlResult::NotSupported) << "not asked again";
    ASSERT_TRUE(router.Write(port, "U\xff\r\n"s).Ok());
    std::string reply;
    char buffer[64];
    for (int i = 0; i < 100 && reply.size() < 8; ++i) {
        router.Wait(port, Micros{10'000}, true);
        const IoResult got = router.Read(port, buffer, sizeof buffer);
        if (got.Ok())
            reply.append(buffer, static_cast<std::size_t>(got.count));
    }
    EXPECT_EQ(reply, "UD\xff\xff\r\n"s);
    router.Close(port);
    // The greeting, DONT ECHO, the four settings, DTR on once, the data with 0xFF doubled.
    EXPECT_EQ(heard, rfc2217::Greeting() + "\xff\xfe\x01"s + rfc2217::SetBaudRate(19200) + rfc2217::SetDataSize(8) +
                         rfc2217::SetParity(1) + rfc2217::SetStopSize(1) + rfc2217::SetControl(rfc2217::kDtrOn) +
                         "U\xff\xff\r\n"s);
}

TEST(NetworkPortServers, Rfc2217ServerThatSetsAnotherBaudRateFailsTheConfigure)
{
    std::string heard;
    ScriptedServer server([&](int fd) { Rfc2217Server(fd, 9600, &heard); });
    PortRouter router(PortMap::Directory("/nonexistent"));
    const int port = router.Assign(Address(server.Url("rfc2217")));
    ASSERT_EQ(router.Open(port), 0) << router.LastError(port);
    EXPECT_NE(router.Configure(port, kSpeed19200, kMode8N1), 0);
    EXPECT_EQ(router.LastError(port),
              server.Url("rfc2217") + ": the server refused the line speed 19200 bit/s (it answered 9600)");
    router.Close(port);
}

}  // namespace
}  // namespace brevant
