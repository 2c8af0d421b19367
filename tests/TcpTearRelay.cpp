#include "tests/TcpTearRelay.h"

#include "tests/LoopbackListener.h"

#include <cerrno>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace brevant::test {

namespace {

bool SendAll(int fd, const char* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t n = ::send(fd, data, size, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

int ConnectLoopback(int port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(port));
    if (fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0)
        return fd;
    if (fd >= 0)
        ::close(fd);
    return -1;
}

}  // namespace

TcpTearRelay::TcpTearRelay(int upstreamPort, Micros gap) : upstreamPort_(upstreamPort), gap_(gap)
{
    const test::LoopbackListener listener = test::ListenOnLoopback();
    listenFd_ = listener.fd;
    if (listenFd_ < 0)
        return;
    port_ = listener.port;
    thread_ = std::thread([this] { Run(); });
}

TcpTearRelay::~TcpTearRelay()
{
    stop_ = true;
    if (thread_.joinable())
        thread_.join();
    CloseClient();
    if (listenFd_ >= 0)
        ::close(listenFd_);
}

void TcpTearRelay::CloseClient()
{
    if (clientFd_ >= 0)
        ::close(clientFd_);
    if (upstreamFd_ >= 0)
        ::close(upstreamFd_);
    clientFd_ = upstreamFd_ = -1;
    pending_.clear();
}

// Hands the server's output over: each piece ending in "\r\n" torn in two.
bool TcpTearRelay::HandOver(bool flushPartial)
{
    for (std::size_t end; (end = pending_.find("\r\n")) != std::string::npos;) {
        const std::string piece = pending_.substr(0, end + 2);
        pending_.erase(0, end + 2);
        const std::size_t half = piece.size() / 2;
        if (!SendAll(clientFd_, piece.data(), half))
            return false;
        std::this_thread::sleep_for(gap_);
        if (!SendAll(clientFd_, piece.data() + half, piece.size() - half))
            return false;
        ++torn_;
    }
    if (flushPartial && !pending_.empty()) {
        if (!SendAll(clientFd_, pending_.data(), pending_.size()))
            return false;
        pending_.clear();
    }
    return true;
}

void TcpTearRelay::Run()
{
    char buffer[4096];
    while (!stop_) {
        pollfd fds[3] = {{listenFd_, POLLIN, 0}, {clientFd_, POLLIN, 0}, {upstreamFd_, POLLIN, 0}};
        const int ready = ::poll(fds, 3, pending_.empty() ? 20 : 1);
        if (ready < 0 && errno != EINTR)
            break;
        if (ready == 0) {
            if (clientFd_ >= 0 && !HandOver(true))
                CloseClient();
            continue;
        }
        if ((fds[0].revents & POLLIN) != 0) {
            const int client = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
            if (client >= 0) {
                CloseClient();  // one client at a time: the newest
                const int one = 1;
                ::setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
                clientFd_ = client;
                upstreamFd_ = ConnectLoopback(upstreamPort_);
                if (upstreamFd_ < 0)
                    CloseClient();  // the program sees the end of the stream
            }
            continue;
        }
        if (clientFd_ >= 0 && (fds[1].revents & (POLLIN | POLLHUP | POLLERR)) != 0) {
            const ssize_t n = ::recv(clientFd_, buffer, sizeof buffer, 0);
            if (n <= 0 || !SendAll(upstreamFd_, buffer, static_cast<std::size_t>(n))) {
                CloseClient();
                continue;
            }
        }
        if (upstreamFd_ >= 0 && (fds[2].revents & (POLLIN | POLLHUP | POLLERR)) != 0) {
            const ssize_t n = ::recv(upstreamFd_, buffer, sizeof buffer, 0);
            if (n <= 0) {
                HandOver(true);
                CloseClient();
                continue;
            }
            pending_.append(buffer, static_cast<std::size_t>(n));
            if (!HandOver(false))
                CloseClient();
        }
    }
}

}  // namespace brevant::test
