#include "core/PortRouter.h"

namespace brevant {

PortRouter::PortRouter(PortMap map) : serial_(std::move(map)) {}

int PortRouter::Assign(const PortAddress& address)
{
    if (!address.Network())
        return address.com;
    std::lock_guard lock(mutex_);
    for (const auto& [port, known] : assigned_) {
        if (known == address)
            return port;
    }
    const int port = assigned_.empty() ? kFirstNetworkPort : assigned_.rbegin()->first + 1;
    assigned_[port] = address;
    network_.SetAddress(port, address);
    return port;
}

std::optional<PortAddress> PortRouter::AddressOf(int port) const
{
    if (!Networked(port)) {
        if (port < 1)
            return std::nullopt;
        PortAddress serial;
        serial.com = port;
        return serial;
    }
    std::lock_guard lock(mutex_);
    const auto it = assigned_.find(port);
    return it == assigned_.end() ? std::nullopt : std::optional(it->second);
}

std::string PortRouter::Label(int port) const
{
    {
        std::lock_guard lock(mutex_);
        if (const auto it = names_.find(port); it != names_.end())
            return it->second;
    }
    return For(port).Label(port);
}

void PortRouter::SetName(int port, std::string name)
{
    std::lock_guard lock(mutex_);
    if (name.empty())
        names_.erase(port);
    else
        names_[port] = std::move(name);
}

std::string PortRouter::LastError(int port) const
{
    return For(port).LastError(port);
}

}  // namespace brevant
