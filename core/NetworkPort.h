// A serial port reached over the network: a serial device server or a Linux
// box running ser2net, spoken to raw over TCP or with RFC 2217 (see
// Rfc2217.h). POSIX sockets, no Qt. PortRouter gives each address a port
// number and tells this class which address the number names.
//
// Open connects within 3 s (non-blocking connect and poll), with TCP_NODELAY
// and keepalive probes after 10 s of silence, 5 s apart, 3 of them, plus a
// 20 s limit on unacknowledged writes: a server that went away without a word
// is noticed within about 25 s.
//
// A server may write text instead of data and close: ser2net says "Device
// open failure: ..." when it cannot open its serial device and "Port already
// in use" to a second client. That text is never handed to the link as a
// reply:
//   - Open listens for up to 50 ms of quiet (300 ms at most) after
//     connecting; text followed by the close fails the Open, with the text in
//     LastError ("tcp://host:4001: the server closed the connection: Port
//     already in use"). Text that is not followed by a close (a banner) stays
//     in the input, where the link's emptying before each command throws it
//     away (and the trace shows it).
//   - A read that finds bytes and then the end of the stream in the same
//     burst reports the port gone and keeps the bytes as the reason instead
//     of returning them; a close that comes a little later still ends the
//     exchange as "port gone" before its reply is decoded (the link reads on
//     until a quiet gap), with the words in LastError.
// The end of the stream, a reset, a broken pipe and the keepalive or write
// time-outs are IoStatus::Gone, so a lost server is a lost device.
//
// RFC 2217: Open sends the telnet greeting, Configure sets 19200 8N1 and
// checks that the server acknowledges each setting within 1 s (the baud rate
// answered must be 19200). SetDtr/SetRts send SET-CONTROL and return Done
// when the server acknowledges the new state within 300 ms; a server that
// does not answer (as ser2net on a pseudo-terminal) is NotSupported, and is
// not asked again on that connection. Raw TCP: Configure does nothing and
// succeeds; SetDtr/SetRts are NotSupported.
//
// Thread-safety: the tables are guarded by a lock, each connection by its own;
// the link keeps calls for one port from interleaving.
#pragma once

#include "core/PortAddress.h"
#include "core/SerialPort.h"

#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

namespace brevant {

class NetworkPort final : public SerialPort {
public:
    NetworkPort();
    ~NetworkPort() override;
    NetworkPort(const NetworkPort&) = delete;
    NetworkPort& operator=(const NetworkPort&) = delete;

    // `port` names `address` (a Tcp or Rfc2217 one) from now on.
    void SetAddress(int port, const PortAddress& address);
    std::optional<PortAddress> AddressOf(int port) const;

    int Open(int port) override;
    int Configure(int port, int speedCode, int modeCode) override;
    IoResult Write(int port, std::string_view bytes) override;
    IoResult Read(int port, char* buffer, int capacity) override;
    void Close(int port) override;
    LineControlResult SetDtr(int port, bool on) override;
    LineControlResult SetRts(int port, bool on) override;
    // A server is sought again at the same address: it always "exists".
    bool Exists(int /*port*/) const override { return true; }
    void Wait(int port, Micros limit, bool untilReadable) override;
    std::string Label(int port) const override;
    // Replies through a server may stall inside for tens of milliseconds
    // (Nagle, a busy server, the network): each exchange waits this long
    // beyond the device's own time before it gives a reply up.
    Micros ReplySlack(int /*port*/) const override { return kReplySlack; }
    static constexpr Micros kReplySlack{250'000};
    bool OverNetwork(int /*port*/) const override { return true; }
    std::string LastError(int port) const override;

private:
    struct Session;
    std::shared_ptr<Session> Find(int port) const;
    void Fail(int port, std::string why);
    IoResult Lost(int port, Session& session);
    LineControlResult SetControl(int port, unsigned char control);

    mutable std::mutex mutex_;
    std::map<int, PortAddress> addresses_;
    std::map<int, std::shared_ptr<Session>> sessions_;
    std::map<int, std::string> errors_;
};

}  // namespace brevant
