// Turns the protocol's port numbers (COM1, COM2, ...) into device paths.
//
// System map: the serial devices present, USB adapters first (/dev/ttyUSB*),
// then USB modems (/dev/ttyACM*), then on-board ports (/dev/ttyS*) that have
// real hardware behind them, each group by number, become COM1, COM2, ...
// A user with one USB adapter finds it as COM1 without any set-up.
//
// Directory map (--ports DIR): COMn is DIR/COMn, a device node or a symbolic
// link to one; a missing entry is a port that does not exist.
//
// Either map can have a second folder behind it (WithFallback): a number the
// map has no port for is looked up there as DIR/COMn. The program publishes
// the simulator it starts itself that way.
//
// Each port comes with the name of the USB adapter behind it, when it is one.
//
// Thread-safety: immutable after construction; the system map lists the
// devices anew on every lookup, so a plugged-in adapter is seen at once.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace brevant {

// The highest port number a map gives out: the ports are COM1..COM39.
inline constexpr int kHighestComPort = 39;

// A port that exists now.
struct PortInfo {
    int number = 0;
    std::string path;
    std::string adapter;  // "FTDI FT232R USB UART"; empty when not known
    // "COM1 — /dev/ttyUSB0, FTDI FT232R USB UART"
    std::string Label() const;
};

class PortMap {
public:
    // devRoot and sysRoot can be moved for tests; the defaults are the real ones.
    static PortMap System(std::string devRoot = "/dev", std::string sysRoot = "/sys/class/tty");
    static PortMap Directory(std::string dir, std::string sysRoot = "/sys/class/tty");
    // This map, with `dir` consulted for the numbers it has no port for.
    PortMap WithFallback(std::string dir) const;

    std::optional<std::string> PathOf(int port) const;
    // The ports that exist now, in port order, as (port number, path).
    std::vector<std::pair<int, std::string>> List() const;
    // The same ports with their adapters' names.
    std::vector<PortInfo> Ports() const;
    std::string Describe() const;

private:
    enum class Kind { System, Directory };
    PortMap(Kind kind, std::string root, std::string sysRoot)
        : kind_(kind), root_(std::move(root)), sysRoot_(std::move(sysRoot))
    {
    }
    std::vector<std::string> SystemDevices() const;
    std::optional<std::string> OwnPathOf(int port) const;

    Kind kind_;
    std::string root_;
    std::string sysRoot_;
    std::string fallback_;  // empty: none
};

}  // namespace brevant
