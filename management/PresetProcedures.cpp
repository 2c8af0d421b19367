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

std::optional<Preset> LoadPresetFile(const std::string& path, const Report& report)
{
    PresetCheck check = ReadPresetFile(path);
    if (!check.preset)
        report(check.error, {});
    return std::move(check.preset);
}

std::optional<Preset> DeviceSnapshot(const Connection& connection)
{
    const DeviceState& state = const_cast<Connection&>(connection).State();
    if (!state.flags.Connected || connection.Lost() || !connection.UnreadSettings().empty())
        return std::nullopt;
    return PresetFromMirror(state.params);
}

bool ApplyPreset(Connection& connection, const Preset& preset, const Report& report, const ProgressFn& progress)
{
    DeviceState& state = connection.State();
    DeviceLink& link = connection.Link();

    // The upload must not share the port with the meter polling: stop the
    // worker and wait for it (it ends within one exchange).
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
    // The device is there: only now does the mirror take the preset.
    StorePreset(preset, state.params);
    connection.ShowModelPanes();
    UploadPreset(link, progress);
    link.ClosePort();
    state.flags.Connected = false;
    return true;
}

bool ApplyPresetFile(Connection& connection, const std::string& path, const Report& report,
                     const ProgressFn& progress)
{
    const std::optional<Preset> preset = LoadPresetFile(path, report);
    return preset && ApplyPreset(connection, *preset, report, progress);
}

bool OpenPreset(Connection& connection, const Preset& preset, const Report& report, const ProgressFn& progress)
{
    if (!ApplyPreset(connection, preset, report, progress))
        return false;
    connection.Connect(report);
    report(msg::kOpenSuccessfully, ClampedText(preset));
    return true;
}

bool OpenFromFile(Connection& connection, const std::string& path, const Report& report,
                  const ProgressFn& progress, std::optional<Preset>* before)
{
    const std::optional<Preset> preset = LoadPresetFile(path, report);
    if (!preset)
        return false;
    if (before != nullptr)
        *before = DeviceSnapshot(connection);
    return OpenPreset(connection, *preset, report, progress);
}

}  // namespace brevant
