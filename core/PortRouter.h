// The port numbers the link uses, for serial ports and network devices
// alike: COM1..COM255 are the serial ports (PosixSerialPort over the port
// map), and each network address that is assigned gets a number of its own
// from kFirstNetworkPort on (NetworkPort). The same address always gets the
// same number, for the life of the router.
//
// Network numbers lie beyond the scan (COM1..COM39), so Connect's scan never
// probes them; a lost network device is sought again at its address, since
// Exists() stays true for it. Messages name a port by Label(): "COM3" or
// "tcp://host:4001".
//
// Thread-safety: the table of addresses is guarded by a lock; the two ports
// guard their own state.
#pragma once

#include "core/NetworkPort.h"
#include "core/PortAddress.h"
#include "core/PosixSerialPort.h"

#include <map>
#include <mutex>
#include <optional>
#include <string>

namespace brevant {

class PortRouter final : public SerialPort {
public:
    static constexpr int kFirstNetworkPort = 1001;

    explicit PortRouter(PortMap map);

    // The number the link uses for `address`: its COM number for a serial
    // port, a stable number from kFirstNetworkPort on for a network one.
    int Assign(const PortAddress& address);
    std::optional<PortAddress> AddressOf(int port) const;
    // "COM3", the network address ("tcp://host:4001"), or the name given.
    std::string Label(int port) const override;
    // Messages call `port` `name` instead of its COM number (the program's
    // own virtual device); an empty name takes it back.
    void SetName(int port, std::string name);

    const PortMap& Map() const { return serial_.Map(); }
    // Why the last Open or Configure of `port` failed (or, for a network
    // port, why the connection was lost), for messages.
    std::string LastError(int port) const override;
    OpenFailure LastOpenFailure(int port) const override { return For(port).LastOpenFailure(port); }

    int Open(int port) override { return For(port).Open(port); }
    int Configure(int port, int speedCode, int modeCode) override
    {
        return For(port).Configure(port, speedCode, modeCode);
    }
    IoResult Write(int port, std::string_view bytes) override { return For(port).Write(port, bytes); }
    IoResult Read(int port, char* buffer, int capacity) override
    {
        return For(port).Read(port, buffer, capacity);
    }
    void Close(int port) override { For(port).Close(port); }
    LineControlResult SetDtr(int port, bool on) override { return For(port).SetDtr(port, on); }
    LineControlResult SetRts(int port, bool on) override { return For(port).SetRts(port, on); }
    bool Exists(int port) const override { return For(port).Exists(port); }
    Micros ReplySlack(int port) const override { return For(port).ReplySlack(port); }
    bool OverNetwork(int port) const override { return For(port).OverNetwork(port); }
    void Wait(int port, Micros limit, bool untilReadable) override
    {
        For(port).Wait(port, limit, untilReadable);
    }

private:
    static bool Networked(int port) { return port >= kFirstNetworkPort; }
    SerialPort& For(int port) { return Networked(port) ? static_cast<SerialPort&>(network_) : serial_; }
    const SerialPort& For(int port) const
    {
        return Networked(port) ? static_cast<const SerialPort&>(network_) : serial_;
    }

    PosixSerialPort serial_;
    NetworkPort network_;
    mutable std::mutex mutex_;
    std::map<int, PortAddress> assigned_;  // network numbers, in order
    std::map<int, std::string> names_;
};

}  // namespace brevant
