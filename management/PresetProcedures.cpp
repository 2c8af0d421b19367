#include "PresetProcedures.h"

#include "PresetFile.h"

namespace brevant {

namespace {
constexpr Micros kStopWait{1'000'000};
}  // namespace

bool SaveToFile(const DeviceParams& params, const std::string& path, const Report& report)
{
    const PresetResult result = WritePresetFile(path, params);
    if (!result.ok) {
        report(result.error, {});
        return false;
    }
    report(msg::kSaveSuccessfully, {});
    return true;
}

bool ApplyPresetFile(Connection& connection, const std::string& path, const Report& report,
                     const ProgressFn& progress)
{
    DeviceState& state = connection.State();
    DeviceLink& link = connection.Link();
    if (const PresetResult read = ReadPresetFile(path, state.params); !read.ok) {
        report(read.error, {});
        return false;
    }

    // The upload must not share the port with the meter polling: stop the
    // worker and wait for it (at most a second; after that the port lock still
    // keeps the two apart).
    connection.RequestStop();
    connection.WaitForWorker(kStopWait);
    state.flags.Connected = false;

    if (state.flags.PortNumber < 1 && !connection.ScanForDevice(1)) {
        report(msg::kCannotFindDevice, {});
        return false;
    }
    if (!link.OpenPort())
        return false;
    link.RaiseLineControls();
    if (!link.ReadVersion()) {
        report(msg::kConnectFail, {});
        return false;
    }
    connection.ShowModelPanes();
    UploadPreset(link, progress);
    link.ClosePort();
    state.flags.Connected = false;
    return true;
}

bool OpenFromFile(Connection& connection, const std::string& path, const Report& report,
                  const ProgressFn& progress)
{
    if (!ApplyPresetFile(connection, path, report, progress))
        return false;
    connection.Connect(report);
    report(msg::kOpenSuccessfully, {});
    return true;
}

}  // namespace brevant
