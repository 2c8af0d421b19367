// Runs Debian's ser2net (version 4, YAML configuration) for the length of a
// test: it serves one serial device path (the simulator's DIR/COMn, which
// follows the simulator across restarts) on a free loopback TCP port, raw or
// with RFC 2217, one client at a time ("Port already in use" to a second).
//
// Tests skip when /usr/sbin/ser2net is not installed (Ser2net::Missing()).
#pragma once

#include "core/PortAddress.h"

#include <string>

namespace brevant::test {

struct Ser2netOptions {
    PortKind kind = PortKind::Tcp;  // Tcp (raw) or Rfc2217
    bool nodelay = true;  // false: Nagle on, and ser2net's other defaults: replies gathered and torn in TCP
    int tcpPort = 0;      // 0: a free one
};

class Ser2net {
public:
    // Why ser2net cannot run here (empty when it can): for GTEST_SKIP.
    static std::string Missing();

    // Starts ser2net serving `devicePath` and waits until it listens.
    Ser2net(std::string devicePath, Ser2netOptions options = {});
    ~Ser2net();
    Ser2net(const Ser2net&) = delete;
    Ser2net& operator=(const Ser2net&) = delete;

    bool Started() const { return pid_ > 0; }
    const std::string& Error() const { return error_; }
    // "tcp://127.0.0.1:PORT" or "rfc2217://127.0.0.1:PORT".
    PortAddress Address() const;
    // Stops it (SIGTERM, then SIGKILL after 2 s); its clients see the connection end.
    void Stop();
    // Starts it again on the same port; false (and Error()) when it does not come up.
    bool Start();
    // What ser2net printed so far, for a failure message.
    std::string Log() const;

private:
    std::string dir_;
    std::string devicePath_;
    Ser2netOptions options_;
    std::string error_;
    int pid_ = -1;
};

}  // namespace brevant::test
