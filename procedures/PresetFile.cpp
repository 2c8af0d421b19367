#include "procedures/PresetFile.h"

#include "core/BoundedFile.h"
#include "core/Catalogue.h"
#include "core/SettingName.h"
#include "core/TextScan.h"
#include "core/Translate.h"

#include <vector>

namespace brevant {

namespace {

constexpr FileKind kPresetFile{BRV_TEXT("brevant::File", "a preset"), kMaxPresetBytes};

struct UploadStep {
    Op op;
    Address at;
    int32_t value;
};

}  // namespace

std::string FormatPreset(const DeviceParams& params)
{
    return FormatPreset(PresetFromMirror(params));
}

PresetResult WritePresetFile(const std::string& path, const DeviceParams& params)
{
    std::string error = WriteFileAtomically(path, FormatPreset(params));
    return {error.empty(), std::move(error)};
}

PresetCheck ReadPresetFile(const std::string& path)
{
    FileBytes file = ReadBoundedFile(path, kPresetFile);
    if (!file.bytes)
        return {std::nullopt, std::move(file.error)};
    PresetCheck check = ParsePresetText(*file.bytes);
    if (!check.preset)
        check.error = path + ": " + check.error;
    return check;
}

PresetLoad UploadPreset(DeviceLink& link, const ProgressFn& progress, const std::atomic<bool>* stop)
{
    // Every value is taken from the mirror before the first command goes out,
    // so an echo that names another entry cannot change what is sent later.
    DeviceParams& params = link.State().params;
    std::vector<UploadStep> steps;
    for (const auto& [op, at] : UploadList(ToModelFamily(params.DeviceFamily.load())))
        steps.push_back({op, at, CommandFor(op).field(params, at.a, at.b)->load()});

    PresetLoad load;
    load.total = static_cast<int>(steps.size());
    for (std::size_t i = 0; i < steps.size(); ++i) {
        const UploadStep& step = steps[i];
        if (stop != nullptr && stop->load()) {
            load.failure = Tr("brevant::Preset", "cancelled");
            return load;
        }
        if (const Status status = link.SetConfirmed(step.op, step.at, step.value, kUploadAttempts); !status) {
            load.failure = SettingName({step.op, step.at}) + ": " + status.Message();
            return load;
        }
        load.sent = static_cast<int>(i + 1);
        if (progress)
            progress(static_cast<int>(100 * (i + 1) / steps.size()));
    }
    load.ok = true;
    return load;
}

std::string RestoredText(int sent, std::string_view file)
{
    return Fill(Tr("brevant::Preset", "Restored the %1 settings the device held before %2"),
                {std::to_string(sent), file});
}

std::string PartlyLoadedText(const PresetLoad& load, std::string_view undo)
{
    std::string text = Fill(Tr("brevant::Preset", "the preset was only partly loaded: %1 of %2 settings"),
                            {std::to_string(load.sent), std::to_string(load.total)});
    if (!load.failure.empty())
        text += Fill(Tr("brevant::Preset", " (%1)"), {load.failure});
    if (!undo.empty())
        text += "; " + std::string(undo);
    return text;
}

}  // namespace brevant
