#include "PresetFile.h"

#include "BoundedFile.h"
#include "Catalogue.h"
#include "TextScan.h"

#include <vector>

namespace brevant {

namespace {

constexpr FileKind kPresetFile{"a preset", kMaxPresetBytes};

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


int UploadPreset(DeviceLink& link, const ProgressFn& progress)
{
    // Every value is taken from the mirror before the first command goes out,
    // so an echo that names another entry cannot change what is sent later.
    DeviceParams& params = link.State().params;
    const bool hasMC = params.DeviceFamily.load() == 1;  // the other family has no MC

    std::vector<Op> channelOps = {Op::MG, Op::MA};
    if (hasMC)
        channelOps.push_back(Op::MC);
    channelOps.insert(channelOps.end(), {Op::MF, Op::MR, Op::MI, Op::MT, Op::MM, Op::OV, Op::OM,
                                         Op::OF, Op::OH, Op::OD});

    std::vector<UploadStep> steps;
    const auto add = [&](Op op, Address at) {
        steps.push_back({op, at, CommandFor(op).field(params, at.a, at.b)->load()});
    };
    for (int i = 1; i <= kChannels; ++i) {
        for (Op op : channelOps)
            add(op, {i});
        for (int j = 1; j <= kChannels; ++j) {
            add(Op::MX, {i, j});
            add(Op::XG, {i, j});
        }
    }
    for (Op op : {Op::MB, Op::MP, Op::SN})
        add(op, {});

    for (std::size_t i = 0; i < steps.size(); ++i) {
        link.Set(steps[i].op, steps[i].at, steps[i].value);
        if (progress)
            progress(static_cast<int>(100 * (i + 1) / steps.size()));
    }
    return static_cast<int>(steps.size());
}

}  // namespace brevant
