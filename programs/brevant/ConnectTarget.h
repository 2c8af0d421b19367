// What Connect To… connects to, and the one way a chosen address becomes the
// port the connection uses.
//
// A target is a port address (a serial port or a serial device server on the
// network) or the virtual device, the simulator the program starts itself.
// Its key is how the program remembers it: the address's text ("COM3",
// "tcp://10.0.0.5:4001") or "virtual".
//
// Thread-safety: plain values; ConnectToAddress runs on the caller's thread
// (the program runs it off the UI thread, like Connect).
#pragma once

#include "core/PortAddress.h"
#include "procedures/Connection.h"
#include "procedures/Messages.h"

#include <optional>
#include <string>
#include <string_view>

namespace brevant {

enum class TargetKind { Port, VirtualDevice };

struct ConnectTarget {
    TargetKind kind = TargetKind::Port;
    PortAddress address;  // for a port

    std::string Key() const;
    // The target a key names; nothing for a key that names none.
    static std::optional<ConnectTarget> FromKey(std::string_view key);
    friend bool operator==(const ConnectTarget&, const ConnectTarget&) = default;
};

// Gives a network address the port number it is reached on.
class PortAssigner {
public:
    virtual ~PortAssigner() = default;
    // The port number for `address`; below 1 when it cannot be reached.
    virtual int Assign(const PortAddress& address) = 0;
};

// Connects to `address` through the Connect procedure: a serial port by its
// number, a network address by the number `assigner` gives it. The port used
// before is closed first. Refused as Connect refuses (already connected, an
// upgrade under way) without touching the port in use. True when connected.
bool ConnectToAddress(Connection& connection, PortAssigner& assigner, const PortAddress& address,
                      const Report& report);

}  // namespace brevant
