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
// Thread-safety: immutable after construction; the system map lists the
// devices anew on every lookup, so a plugged-in adapter is seen at once.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace brevant {

class PortMap {
public:
    // devRoot and sysRoot can be moved for tests; the defaults are the real ones.
    static PortMap System(std::string devRoot = "/dev", std::string sysRoot = "/sys/class/tty");
    static PortMap Directory(std::string dir);

    std::optional<std::string> PathOf(int port) const;
    // The ports that exist now, in port order, as (port number, path).
    std::vector<std::pair<int, std::string>> List() const;
    std::string Describe() const;

private:
    enum class Kind { System, Directory };
    PortMap(Kind kind, std::string root, std::string sysRoot)
        : kind_(kind), root_(std::move(root)), sysRoot_(std::move(sysRoot)) {}
    std::vector<std::string> SystemDevices() const;

    Kind kind_;
    std::string root_;
    std::string sysRoot_;
};

}  // namespace brevant
