// A listening TCP socket on 127.0.0.1 at a port the kernel picks, for the
// small servers the tests run. Tests never listen or connect anywhere else.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace brevant::test {

struct LoopbackListener {
    int fd = -1;
    int port = 0;  // 0 when the socket could not be made
};

// With `backlog` 0 the socket is bound but not listening: only its port is
// wanted (a free port to hand to another program).
inline LoopbackListener ListenOnLoopback(int backlog = 4)
{
    LoopbackListener made;
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        (backlog > 0 && ::listen(fd, backlog) != 0) ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
        if (fd >= 0)
            ::close(fd);
        return made;
    }
    made.fd = fd;
    made.port = ntohs(address.sin_port);
    return made;
}

}  // namespace brevant::test
