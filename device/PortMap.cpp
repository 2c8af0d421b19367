#include "PortMap.h"

#include <algorithm>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace brevant {

namespace {

constexpr int kHighestPort = 39;

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

}  // namespace

PortMap PortMap::System(std::string devRoot, std::string sysRoot)
{
    return PortMap(Kind::System, std::move(devRoot), std::move(sysRoot));
}

PortMap PortMap::Directory(std::string dir)
{
    return PortMap(Kind::Directory, std::move(dir), {});
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

std::optional<std::string> PortMap::PathOf(int port) const
{
    if (port < 1 || port > kHighestPort)
        return std::nullopt;
    if (kind_ == Kind::Directory) {
        const fs::path path = fs::path(root_) / ("COM" + std::to_string(port));
        std::error_code ec;
        // exists() follows a link: a link whose target is gone is no port.
        if (!fs::exists(path, ec))
            return std::nullopt;
        return path.string();
    }
    const std::vector<std::string> devices = SystemDevices();
    if (static_cast<std::size_t>(port) > devices.size())
        return std::nullopt;
    return devices[static_cast<std::size_t>(port) - 1];
}

std::vector<std::pair<int, std::string>> PortMap::List() const
{
    std::vector<std::pair<int, std::string>> ports;
    if (kind_ == Kind::System) {
        int n = 0;
        for (auto& path : SystemDevices()) {
            if (++n > kHighestPort)
                break;
            ports.emplace_back(n, std::move(path));
        }
        return ports;
    }
    for (int n = 1; n <= kHighestPort; ++n) {
        if (auto path = PathOf(n))
            ports.emplace_back(n, std::move(*path));
    }
    return ports;
}

std::string PortMap::Describe() const
{
    return kind_ == Kind::Directory ? "ports in " + root_ : "system serial ports";
}

}  // namespace brevant
