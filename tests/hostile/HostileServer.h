// Fake device servers that misbehave, for the hostile-server test: each
// listens on 127.0.0.1 (an ephemeral port), raw or with enough RFC 2217 to
// get past a client's line settings, misbehaves either from the first byte
// or only once it has answered the identity queries honestly (so that a
// client gets as far as reading settings), and ends by itself: when the
// client closes, when it is destroyed, or after kServeLimit at the latest.
//
// Thread-safety: one owner; the server runs on a thread of its own.
#pragma once

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

namespace brevant::hostile {

enum class Hostility {
    Silent,         // reads, never answers
    EndlessLine,    // answers the first line with text that never ends its line
    IacFlood,       // answers the first line with telnet commands without end
    OtherAddress,   // answers every setting for another channel
    Junk,           // answers every setting with text that is no reply
    CloseMidReply,  // answers a few settings, then closes in the middle of one
    Drip,           // every reply one byte per 100 ms
    ZeroStream,     // zero bytes without end from the moment it is connected
};

struct HostileKind {
    Hostility hostility;
    const char* name;
    bool identityToo;  // can misbehave in the identity replies as well
};
extern const HostileKind kHostileKinds[8];

inline constexpr std::chrono::seconds kServeLimit{40};

class HostileServer {
public:
    // `honestIdentity`: the version and model queries are answered honestly.
    HostileServer(Hostility hostility, bool rfc2217, bool honestIdentity);
    ~HostileServer();
    HostileServer(const HostileServer&) = delete;
    HostileServer& operator=(const HostileServer&) = delete;

    int Port() const { return port_; }

private:
    void Run();
    void Serve(int fd);

    Hostility hostility_;
    bool rfc2217_;
    bool honestIdentity_;
    int listener_ = -1;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

}  // namespace brevant::hostile
