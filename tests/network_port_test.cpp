// PortRouter's numbers and labels, and the two things a network port does
// that ser2net (network_tests) does not show: a reset connection, and a
// reply later than a serial line's budget.
#include "core/DeviceLink.h"
#include "core/PortRouter.h"
#include "tests/LoopbackListener.h"

#include <gtest/gtest.h>

#include <functional>
#include <thread>
#include <utility>

namespace brevant {
namespace {

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
    EXPECT_EQ(raw, PortRouter::kFirstNetworkPort);
    EXPECT_EQ(rfc, raw + 1);
    EXPECT_EQ(router.Assign(Address(" TCP://10.0.0.5:4001")), raw) << "the same address, the same number";
    EXPECT_GT(raw, 39) << "never scanned";

    EXPECT_EQ(router.Label(7), "COM7");
    EXPECT_EQ(router.Label(rfc), "rfc2217://10.0.0.5:4001");
    EXPECT_EQ(router.AddressOf(rfc), Address("rfc2217://10.0.0.5:4001"));
    EXPECT_EQ(router.AddressOf(raw + 10), std::nullopt);
    EXPECT_TRUE(router.Exists(raw)) << "a lost network device is sought at its address";
    EXPECT_FALSE(router.Exists(7));
}

// A server on loopback that takes one connection and hands it to `serve`.
class OneClientServer {
public:
    explicit OneClientServer(std::function<void(int fd)> serve) : listener_(test::ListenOnLoopback(1))
    {
        thread_ = std::thread([this, serve] {
            const int fd = ::accept(listener_.fd, nullptr, nullptr);
            if (fd >= 0)
                serve(fd);
        });
    }
    ~OneClientServer()
    {
        ::shutdown(listener_.fd, SHUT_RDWR);
        thread_.join();
        ::close(listener_.fd);
    }
    PortAddress At() const { return Address("tcp://127.0.0.1:" + std::to_string(listener_.port)); }

private:
    test::LoopbackListener listener_;
    std::thread thread_;
};

TEST(NetworkPortServers, AResetConnectionIsThePortGone)
{
    OneClientServer server([](int fd) {
        char line[16];
        ::recv(fd, line, sizeof line, 0);
        const linger reset{1, 0};
        ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
        ::close(fd);
    });
    PortRouter router(PortMap::Directory("/nonexistent"));
    const int port = router.Assign(server.At());
    ASSERT_EQ(router.Open(port), 0) << router.LastError(port);
    ASSERT_TRUE(router.Write(port, "SVsr\r\n").Ok());
    router.Wait(port, Micros{5'000'000}, true);  // until the reset has come
    EXPECT_EQ(router.Write(port, "SVsr\r\n").status, IoStatus::Gone) << router.LastError(port);
    char buffer[16];
    EXPECT_EQ(router.Read(port, buffer, sizeof buffer).status, IoStatus::Gone);
}

// What the server said just before it closed (ser2net's "port in use") is the reason.
TEST(NetworkPortServers, WordsShortlyBeforeTheCloseAreItsReason)
{
    OneClientServer server([](int fd) {
        char line[16];
        ::recv(fd, line, sizeof line, 0);
        // Closed once this side has read the words and said so: the close
        // comes after the words were handed out, not with them.
        ::send(fd, "port busy\r\n", 11, MSG_NOSIGNAL);
        ::recv(fd, line, sizeof line, 0);
        ::close(fd);
    });
    PortRouter router(PortMap::Directory("/nonexistent"));
    const int port = router.Assign(server.At());
    ASSERT_EQ(router.Open(port), 0) << router.LastError(port);
    ASSERT_TRUE(router.Write(port, "SVsr\r\n").Ok());
    char buffer[64];
    IoResult got = IoResult::Nothing();
    bool read = false;
    for (int i = 0; i < 300 && got.status != IoStatus::Gone; ++i) {
        router.Wait(port, Micros{10'000}, true);
        got = router.Read(port, buffer, sizeof buffer);
        if (got.Ok() && got.count > 0 && !std::exchange(read, true))
            router.Write(port, "\r\n");
    }
    EXPECT_TRUE(read);
    EXPECT_EQ(router.LastError(port), server.At().Text() + ": the server closed the connection: port busy");
}

// A network hop may tear the device's answer and add a few hundred
// milliseconds to it.
TEST(NetworkPortServers, AReplyTornAndEndedPastTheBudgetIsStillTaken)
{
    const Micros late = kStandardProfile.AnswerBudget() + Micros{125'000};
    OneClientServer server([late](int fd) {
        char line[16];
        if (::recv(fd, line, sizeof line, 0) > 0) {
            ::send(fd, "MG1", 3, MSG_NOSIGNAL);
            std::this_thread::sleep_for(late);
            ::send(fd, "-4\r\n", 4, MSG_NOSIGNAL);
        }
        char rest[16];
        ::recv(fd, rest, sizeof rest, 0);  // until the client closes
        ::close(fd);
    });
    PortRouter router(PortMap::Directory("/nonexistent"));
    DeviceState state;
    DeviceLink link(router, state);
    state.flags.PortNumber = router.Assign(server.At());
    ASSERT_TRUE(link.OpenPort());
    EXPECT_TRUE(link.Query(Op::MG, {1}));
    EXPECT_EQ(state.params.MG[1], -4);
    link.ClosePort();
}

}  // namespace
}  // namespace brevant
