#include "DeviceFit.h"

namespace brevant {

std::string FamilyText(int family)
{
    const std::string number = "family " + std::to_string(family);
    switch (family) {
    case 1: return number + " (K225)";
    case 2: return number + " (K217, K218)";
    default: return number + " (no model this program knows)";
    }
}

std::string ModelText(const DeviceParams& params)
{
    const std::string sa = params.SA.Get();
    return sa.rfind("SA", 0) == 0 ? sa.substr(2) : sa;
}

std::string WriteRefusal(const DeviceState& state)
{
    if (!state.flags.UnknownModel || state.flags.WritesForced)
        return {};
    const std::string model = ModelText(state.params);
    return "unknown model" + (model.empty() ? std::string() : " " + model) +
           ": connected read-only, nothing was sent";
}

std::string FamilyRefusal(const Preset& preset, const DeviceParams& params, std::string_view portLabel)
{
    const int family = params.DeviceFamily.load();
    if (preset.family == family)
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
    flags.Connected = false;
    flags.UnknownModel = false;
    const bool answered = connection.QueryModel();
    // An answer that names no model of this program leaves Connected down.
    if (answered && !flags.Connected)
        flags.UnknownModel = true;
    flags.Connected = connected;
    return answered;
}

}  // namespace brevant
