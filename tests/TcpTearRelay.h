// A TCP relay on loopback that tears every reply: the program connects to
// Port(), the relay connects on to the server (a ser2net) for each client,
// forwards the program's bytes as they come, and hands each piece of the
// server's output that ends in "\r\n" over in two writes `gap` apart, cut in
// its middle (TCP_NODELAY, so the halves travel as two segments). Output
// without a line end (the firmware transfer's packets) is forwarded once the
// server has been quiet for a millisecond. When either side closes, so does
// the other.
//
// Thread-safety: the counter may be read from any thread while it runs; the
// destructor stops the forwarding thread and waits for it.
#pragma once

#include "core/Timing.h"

#include <atomic>
#include <string>
#include <thread>

namespace brevant::test {

class TcpTearRelay {
public:
    TcpTearRelay(int upstreamPort, Micros gap);
    ~TcpTearRelay();
    TcpTearRelay(const TcpTearRelay&) = delete;
    TcpTearRelay& operator=(const TcpTearRelay&) = delete;

    bool Started() const { return listenFd_ >= 0; }
    int Port() const { return port_; }
    int TornReplies() const { return torn_.load(); }

private:
    void Run();
    void CloseClient();
    bool HandOver(bool flushPartial);

    int upstreamPort_;
    Micros gap_;
    int listenFd_ = -1;
    int port_ = 0;
    int clientFd_ = -1;
    int upstreamFd_ = -1;
    std::string pending_;
    std::atomic<bool> stop_{false};
    std::atomic<int> torn_{0};
    std::thread thread_;
};

}  // namespace brevant::test
