#include "programs/brevant/ProgramCore.h"

#include <vector>

namespace brevant {

std::vector<PortInfo> ProgramCore::SerialPorts() const
{
    std::vector<PortInfo> ports = port.Map().Ports();
    const std::string& own = virtualDevice.PortsDir();
    std::erase_if(ports,
                  [&own](const PortInfo& info) { return !own.empty() && info.path.rfind(own, 0) == 0; });
    return ports;
}

void ProgramCore::Shutdown(const std::function<void()>& whileStopping)
{
    link.Halt();
    queue.DropPending();
    connection.RequestStop();
    if (whileStopping)
        whileStopping();
    connection.WaitForWorker(Micros{1'000'000});
    link.ClosePort();
}

bool ProgramCore::ConnectTo(const ConnectTarget& target, const Report& report)
{
    if (state.flags.Connected || state.flags.Upgrading)
        return connection.Connect(report);  // which says why not, the device in use untouched
    if (target.kind == TargetKind::Port) {
        virtualDevice.Stop();
        port.SetName(VirtualDevice::kPort, {});
        return ConnectToAddress(connection, *this, target.address, report);
    }
    const int com = virtualDevice.Start(report);
    if (com < 1)
        return false;
    port.SetName(com, "the virtual device");
    return ConnectToAddress(connection, *this, PortAddress{PortKind::Serial, com, {}, 0}, report);
}

}  // namespace brevant
