#include "core/PortMap.h"

#include "core/Translate.h"
#include "core/UsbAdapterName.h"

#include <algorithm>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace brevant {

namespace {

// "ttyUSB12" with prefix "ttyUSB" -> 12; -1 when the rest is not a number.
int NumberAfter(const std::string& name, const std::string& prefix)
{
    if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0)
        return -1;
    int n = 0;
    for (std::size_t i = prefix.size(); i < name.size(); ++i) {
        if (name[i] < '0' || name[i] > '9')
            return -1;
        n = n * 10 + (name[i] - '0');
    }
    return n;
}

// An on-board 8250-style port is listed for every possible UART; only those
// whose probed type is not 0 ("unknown") have a chip behind them.
bool HasHardware(const fs::path& sysEntry)
{
    std::error_code ec;
    if (!fs::exists(sysEntry / "device", ec))
        return false;
    std::ifstream type(sysEntry / "type");
    int value = 0;
    if (type >> value)
        return value != 0;
    return true;  // no type attribute: a driver that only lists real ports
}

// DIR/COMn when it exists; exists() follows a link, so a link whose target
// is gone is no port.
std::optional<std::string> ComEntry(const std::string& dir, int port)
{
    const fs::path path = fs::path(dir) / ("COM" + std::to_string(port));
    std::error_code ec;
    if (!fs::exists(path, ec))
        return std::nullopt;
    return path.string();
}

}  // namespace

PortMap PortMap::System(std::string devRoot, std::string sysRoot)
{
    return PortMap(Kind::System, std::move(devRoot), std::move(sysRoot));
}

PortMap PortMap::Directory(std::string dir, std::string sysRoot)
{
    return PortMap(Kind::Directory, std::move(dir), std::move(sysRoot));
}

PortMap PortMap::WithFallback(std::string dir) const
{
    PortMap map = *this;
    map.fallback_ = std::move(dir);
    return map;
}

std::string PortInfo::Label() const
{
    std::string label = "COM" + std::to_string(number) + " \u2014 " + path;
    if (!adapter.empty())
        label += ", " + adapter;
    return label;
}

std::vector<std::string> PortMap::SystemDevices() const
{
    std::vector<std::string> devices;
    std::error_code ec;
    for (const std::string prefix : {"ttyUSB", "ttyACM", "ttyS"}) {
        std::vector<std::pair<int, std::string>> group;
        for (const auto& entry : fs::directory_iterator(root_, ec)) {
            const std::string name = entry.path().filename().string();
            const int n = NumberAfter(name, prefix);
            if (n < 0)
                continue;
            if (prefix == "ttyS" && !HasHardware(fs::path(sysRoot_) / name))
                continue;
            group.emplace_back(n, entry.path().string());
        }
        std::sort(group.begin(), group.end());
        for (auto& [n, path] : group)
            devices.push_back(std::move(path));
    }
    return devices;
}

std::optional<std::string> PortMap::OwnPathOf(int port) const
{
    if (kind_ == Kind::Directory)
        return ComEntry(root_, port);
    const std::vector<std::string> devices = SystemDevices();
    if (static_cast<std::size_t>(port) > devices.size())
        return std::nullopt;
    return devices[static_cast<std::size_t>(port) - 1];
}

std::optional<std::string> PortMap::PathOf(int port) const
{
    if (port < 1 || port > kHighestComPort)
        return std::nullopt;
    if (auto path = OwnPathOf(port))
        return path;
    if (fallback_.empty())
        return std::nullopt;
    return ComEntry(fallback_, port);
}

std::vector<std::pair<int, std::string>> PortMap::List() const
{
    std::vector<std::pair<int, std::string>> ports;
    int taken = 0;  // the system map's ports are COM1..COMtaken
    if (kind_ == Kind::System) {
        for (auto& path : SystemDevices()) {
            if (taken == kHighestComPort)
                break;
            ports.emplace_back(++taken, std::move(path));
        }
    }
    for (int n = taken + 1; n <= kHighestComPort; ++n) {
        auto path = kind_ == Kind::Directory ? ComEntry(root_, n) : std::nullopt;
        if (!path && !fallback_.empty())
            path = ComEntry(fallback_, n);
        if (path)
            ports.emplace_back(n, std::move(*path));
    }
    return ports;
}

std::vector<PortInfo> PortMap::Ports() const
{
    std::vector<PortInfo> ports;
    for (auto& [n, path] : List()) {
        // A directory entry is usually a link to the device node; the node's
        // name is what sysfs knows it by.
        std::error_code ec;
        const fs::path node = fs::canonical(path, ec);
        const std::string name = (ec ? fs::path(path) : node).filename().string();
        ports.push_back(PortInfo{n, std::move(path), UsbAdapterName(sysRoot_, name)});
    }
    return ports;
}

std::string PortMap::Describe() const
{
    return kind_ == Kind::Directory ? Fill(Tr("brevant::Port", "ports in %1"), {root_})
                                    : Tr("brevant::Port", "system serial ports");
}

}  // namespace brevant
