#include "procedures/PresetProcedures.h"

#include "core/Translate.h"
#include "procedures/DeviceFit.h"
#include "procedures/PresetFile.h"

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
    report(msg::Text(msg::kSaveSuccessfully), {});
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

PresetLoad ApplyPreset(Connection& connection, const Preset& preset, const Report& report,
                       const ProgressFn& progress, const std::atomic<bool>* stop)
{
    DeviceState& state = connection.State();
    DeviceLink& link = connection.Link();
    const auto refused = [&](const std::string& why, const std::string& detail = {}) {
        report(why, detail);
        return PresetLoad{};
    };
    const auto refusal = [&] {
        if (std::string why = WriteRefusal(state); !why.empty())
            return why;
        std::string why =
            FamilyRefusal(preset, state.params, link.Port().Label(state.flags.PortNumber.load()));
        return why.empty() ? why : Fill(Tr("brevant::Preset", "%1; nothing was sent"), {why});
    };
    // A connected device's model is known: what does not fit it is refused
    // while it still is connected, and nothing is stopped.
    const bool known = state.flags.Connected;
    if (known) {
        if (const std::string why = refusal(); !why.empty())
            return refused(why);
    }

    // The upload must not share the port with the meter polling: stop the
    // worker and wait for it (it ends within one exchange).
    connection.RequestStop();
    connection.WaitForWorker(kStopWait);
    state.flags.Connected = false;

    if (state.flags.PortNumber < 1 && !connection.ScanForDevice(1))
        return refused(msg::Text(msg::kCannotFindDevice), connection.ScanDetail());
    if (!link.OpenPort())
        return refused(msg::Text(msg::kConnectFail), link.Port().LastError(state.flags.PortNumber.load()));
    link.RaiseLineControls();
    if (!link.ReadVersion() || (!known && !IdentifyModel(connection)))
        return refused(msg::Text(msg::kConnectFail));
    if (!known) {
        if (const std::string why = refusal(); !why.empty()) {
            link.ClosePort();
            return refused(why);
        }
    }
    // The device is there and fits: only now does the mirror take the preset.
    StorePreset(preset, state.params);
    connection.ShowModelPanes();
    PresetLoad load = UploadPreset(link, progress, stop);
    link.ClosePort();
    state.flags.Connected = false;
    return load;
}

PresetLoad ApplyPresetFile(Connection& connection, const std::string& path, const Report& report,
                           const ProgressFn& progress)
{
    const std::optional<Preset> preset = LoadPresetFile(path, report);
    return preset ? ApplyPreset(connection, *preset, report, progress) : PresetLoad{};
}

PresetLoad OpenPreset(Connection& connection, const Preset& preset, const Report& report,
                      const ProgressFn& progress, std::string_view undo, const std::atomic<bool>* stop)
{
    PresetLoad load = ApplyPreset(connection, preset, report, progress, stop);
    if (load.total == 0)
        return load;  // nothing was sent; the refusal was reported
    if (!load.ok) {
        report(PartlyLoadedText(load, undo), {});
        // The screen shows what the device holds now, if it still answers.
        connection.Connect([](std::string_view, std::string_view) {});
        return load;
    }
    if (!connection.Connect(report)) {
        report(Fill(Tr("brevant::Preset",
                       "the preset was sent whole (%1 settings), but the device did not answer afterwards"),
                    {std::to_string(load.sent)}),
               {});
        load.ok = false;
        return load;
    }
    report(msg::Text(msg::kOpenSuccessfully), ClampedText(preset));
    return load;
}

PresetLoad OpenFromFile(Connection& connection, const std::string& path, const Report& report,
                        const ProgressFn& progress, std::optional<Preset>* before)
{
    const std::optional<Preset> preset = LoadPresetFile(path, report);
    if (!preset)
        return {};
    if (before != nullptr)
        *before = DeviceSnapshot(connection);
    return OpenPreset(connection, *preset, report, progress);
}

}  // namespace brevant
