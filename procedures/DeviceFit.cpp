#include "procedures/DeviceFit.h"

#include "core/Translate.h"

namespace brevant {

std::string FamilyText(int family)
{
    const std::string number = std::to_string(family);
    switch (ToModelFamily(family)) {
    case ModelFamily::K225: return Fill(Tr("brevant::Model", "family %1 (K225)"), {number});
    case ModelFamily::K217K218: return Fill(Tr("brevant::Model", "family %1 (K217, K218)"), {number});
    case ModelFamily::Unknown: break;
    }
    return Fill(Tr("brevant::Model", "family %1 (no model this program knows)"), {number});
}

std::string ModelText(const DeviceParams& params)
{
    const std::string sa = params.SA.Get();
    return sa.rfind(wire::kModelTag, 0) == 0 ? sa.substr(wire::kModelTag.size()) : sa;
}

std::string ModelName(const DeviceState& state)
{
    std::string model = ModelText(state.params);
    if (!state.flags.UnknownModel)
        return model;
    return model.empty() ? Tr("brevant::Model", "unknown model")
                         : Fill(Tr("brevant::Model", "unknown model %1"), {model});
}

std::string WriteRefusal(const DeviceState& state)
{
    if (!state.flags.UnknownModel || state.flags.WritesForced)
        return {};
    return Fill(Tr("brevant::Model", "%1: connected read-only, nothing was sent"), {ModelName(state)});
}

std::string FamilyRefusal(const Preset& preset, const DeviceParams& params, std::string_view portLabel)
{
    const int family = params.DeviceFamily.load();
    // A model this program does not know has no family to hold a preset
    // against; writing to it at all is WriteRefusal's to allow.
    if (preset.family == family || ToModelFamily(family) == ModelFamily::Unknown)
        return {};
    const std::string model = ModelText(params);
    const std::string presetFamily = FamilyText(preset.family);
    if (model.empty())
        return Fill(Tr("brevant::Model", "the preset is for %1, the device on %2 is of %3"),
                    {presetFamily, portLabel, FamilyText(family)});
    return Fill(Tr("brevant::Model", "the preset is for %1, the device on %2 is a %3 (family %4)"),
                {presetFamily, portLabel, model, std::to_string(family)});
}

bool IdentifyModel(Connection& connection)
{
    LinkFlags& flags = connection.State().flags;
    const bool connected = flags.Connected;
    const bool answered = connection.QueryModel();
    flags.Connected = connected;  // asking is not connecting
    return answered;
}

}  // namespace brevant
