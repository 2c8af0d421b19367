// Where a device is reached: a serial port by its number (COM3), or a serial
// device server on the network, spoken to raw over TCP or with RFC 2217
// (which also sets the server's line to 19200 8N1 and drives DTR/RTS).
//
// Text forms, accepted wherever the user names a port:
//   3, COM3, com3            a serial port
//   tcp://HOST:PORT          raw TCP
//   rfc2217://HOST:PORT      TCP with RFC 2217
// HOST is a name, an IPv4 address, or an IPv6 address in brackets.
//
// Thread-safety: plain values; the parse is a pure function.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace brevant {

enum class PortKind { Serial, Tcp, Rfc2217 };

struct PortAddress {
    PortKind kind = PortKind::Serial;
    int com = 0;       // Serial: the COM number, 1..
    std::string host;  // Tcp, Rfc2217: without brackets
    int tcpPort = 0;   // Tcp, Rfc2217: 1..65535

    bool Network() const { return kind != PortKind::Serial; }
    // The text form: "COM3", "tcp://host:4001", "rfc2217://[::1]:4001".
    std::string Text() const;
    friend bool operator==(const PortAddress&, const PortAddress&) = default;
};

struct PortAddressParse {
    std::optional<PortAddress> address;
    std::string error;  // why the text names no port, when address is empty
};

PortAddressParse ParsePortAddress(std::string_view text);

}  // namespace brevant
