#include "procedures/UpgradeProcedure.h"

#include "core/Translate.h"
#include "procedures/DeviceFit.h"

namespace brevant {

namespace {
// The worker looks at its stop request before every exchange; a scan of the
// ports ends between two probes.
constexpr Micros kStopWait{2'000'000};
}  // namespace

bool PrepareUpgrade(Connection& connection, const Report& report)
{
    DeviceState& state = connection.State();
    if (state.flags.Connected) {
        report(msg::Text(msg::kAlreadyConnectPleaseDisconnect), {});
        return false;
    }
    // The port of a running transfer is never touched again.
    if (state.flags.Upgrading)
        return false;
    // A worker still seeking a lost device would scan, close and reopen the
    // port under the transfer: it is ended first, as by Disconnect, so the
    // panels no longer say the device is sought.
    if (connection.Lost() || connection.WorkerRunning())
        connection.Disconnect();
    if (connection.WorkerRunning()) {
        report(msg::Text(msg::kUpdateFail),
               Tr("brevant::Upgrade", "the search for the lost device did not end"));
        return false;
    }
    if (state.flags.PortNumber < 1 && !connection.ScanForDevice(3)) {
        report(msg::Text(msg::kCannotFindDevice), connection.ScanDetail());
        return false;
    }
    // A failure to open is not reported here: the model query and then the
    // transfer's start step get no answer, and the upgrade ends with "update fail".
    connection.Link().OpenPort();
    // A device that names a model this program does not know gets no image.
    // One that does not answer the model query at all (a device waiting for
    // its firmware may not) is left to the transfer's start step.
    IdentifyModel(connection);
    if (const std::string refusal = WriteRefusal(state); !refusal.empty()) {
        report(msg::Text(msg::kUpdateFail), refusal);
        return false;
    }
    return true;
}

bool RunUpgrade(Connection& connection, const std::string& path, const ProgressFn& progress,
                const Report& report)
{
    DeviceState& state = connection.State();
    auto& upgrading = state.flags.Upgrading;
    bool idle = false;
    if (!upgrading.compare_exchange_strong(idle, true))
        return false;  // one transfer at a time
    // From here on Connect answers "Updating", so no worker can start; one
    // started between PrepareUpgrade and now is ended before the first packet.
    connection.RequestStop();
    if (!connection.WaitForWorker(kStopWait)) {
        upgrading = false;
        report(msg::Text(msg::kUpdateFail),
               Tr("brevant::Upgrade", "the search for the lost device did not end"));
        return false;
    }
    PollingHold hold(state.flags);
    const FirmwareResult result = TransferFirmware(connection.Link(), path, progress);
    if (!result.note.empty())
        report(result.note, {});
    if (result.ok)
        report(msg::Text(msg::kUpdateSuccessfully), {});
    else
        report(msg::Text(msg::kUpdateFail), result.reason);
    upgrading = false;
    return result.ok;
}

}  // namespace brevant
