#include "programs/brevant/ConnectTarget.h"

#include <QCoreApplication>

namespace brevant {

namespace {

constexpr std::string_view kVirtualKey = "virtual";
// How long a worker still seeking a lost device is given to end (it ends
// within one exchange).
constexpr Micros kWorkerStopWait{2'000'000};

}  // namespace

std::string ConnectTarget::Key() const
{
    return kind == TargetKind::VirtualDevice ? std::string(kVirtualKey) : address.Text();
}

std::optional<ConnectTarget> ConnectTarget::FromKey(std::string_view key)
{
    if (key == kVirtualKey)
        return ConnectTarget{TargetKind::VirtualDevice, {}};
    const PortAddressParse parse = ParsePortAddress(key);
    if (!parse.address)
        return std::nullopt;
    return ConnectTarget{TargetKind::Port, *parse.address};
}

bool ConnectToAddress(Connection& connection, PortAssigner& assigner, const PortAddress& address,
                      const Report& report)
{
    LinkFlags& flags = connection.State().flags;
    if (flags.Connected || flags.Upgrading)
        return connection.Connect(report);  // which says why not
    const int port = address.Network() ? assigner.Assign(address) : address.com;
    if (port < 1) {
        report(QCoreApplication::translate("brevant::ConnectTarget", "Network ports are not available")
                   .toStdString(),
               address.Text());
        return false;
    }
    if (flags.PortNumber != port) {
        // A worker still seeking a lost device would use the old number.
        connection.RequestStop();
        connection.WaitForWorker(kWorkerStopWait);
        connection.Link().ClosePort();
        flags.PortNumber = port;
    }
    return connection.Connect(report);
}

}  // namespace brevant
