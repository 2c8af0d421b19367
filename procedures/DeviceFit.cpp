#include "procedures/DeviceFit.h"

namespace brevant {

std::string FamilyText(int family)
{
    const std::string number = "family " + std::to_string(family);
    switch (ToModelFamily(family)) {
    case ModelFamily::K225: return number + " (K225)";
    case ModelFamily::K217K218: return number + " (K217, K218)";
    case ModelFamily::Unknown: break;
    }
    return number + " (no model this program knows)";
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
    return model.empty() ? "unknown model" : "unknown model " + model;
}

std::string WriteRefusal(const DeviceState& state)
{
    if (!state.flags.UnknownModel || state.flags.WritesForced)
        return {};
    return ModelName(state) + ": connected read-only, nothing was sent";
}

std::string FamilyRefusal(const Preset& preset, const DeviceParams& params, std::string_view portLabel)
{
    const int family = params.DeviceFamily.load();
    // A model this program does not know has no family to hold a preset
    // against; writing to it at all is WriteRefusal's to allow.
    if (preset.family == family || ToModelFamily(family) == ModelFamily::Unknown)
        return {};
    const std::string model = ModelText(params);
    const std::string device = model.empty() ? "of " + FamilyText(family)
                                             : "a " + model + " (family " + std::to_string(family) + ")";
    return "the preset is for " + FamilyText(preset.family) + ", the device on " + std::string(portLabel) +
           " is " + device;
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
