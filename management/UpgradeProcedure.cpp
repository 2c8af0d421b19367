#include "UpgradeProcedure.h"

namespace brevant {

bool PrepareUpgrade(Connection& connection, const Report& report)
{
    DeviceState& state = connection.State();
    if (state.flags.Connected) {
        report(msg::kAlreadyConnectPleaseDisconnect, {});
        return false;
    }
    // The port of a running transfer is never touched again.
    if (state.flags.Upgrading)
        return false;
    if (state.flags.PortNumber < 1 && !connection.ScanForDevice(3)) {
        report(msg::kCannotFindDevice, {});
        return false;
    }
    // A failure here is not reported: the transfer's start step then gets no
    // answer and the upgrade ends with "update fail".
    connection.Link().OpenPort();
    return true;
}

bool RunUpgrade(Connection& connection, const std::string& path, const ProgressFn& progress,
                const Report& report)
{
    auto& upgrading = connection.State().flags.Upgrading;
    bool idle = false;
    if (!upgrading.compare_exchange_strong(idle, true))
        return false;  // one transfer at a time
    const FirmwareResult result = TransferFirmware(connection.Link(), path, progress);
    if (result.ok)
        report(msg::kUpdateSuccessfully, {});
    else
        report(msg::kUpdateFail, result.reason);
    upgrading = false;
    return result.ok;
}

}  // namespace brevant
