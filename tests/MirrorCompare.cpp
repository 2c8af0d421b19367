#include "tests/MirrorCompare.h"

#include <cstdint>

namespace brevant::test {

sim::SettingKey SimKey(const SettingRef& setting)
{
    const Command& command = CommandFor(setting.op);
    const auto param = sim::DeviceSettings::FindCode(command.code.substr(0, 2));
    sim::SettingKey key{param.value_or(sim::Param::InputGain)};
    switch (command.replyClass) {
    case ReplyClass::Crosspoint: key.second = setting.at.b; [[fallthrough]];
    case ReplyClass::Channel: key.first = setting.at.a; break;
    default: break;
    }
    return key;
}

int32_t MirrorValue(DeviceParams& mirror, const SettingRef& setting)
{
    const Value* field = CommandFor(setting.op).field(mirror, setting.at.a, setting.at.b);
    return field != nullptr ? field->load() : INT32_MIN;
}

std::vector<std::string> MirrorDivergences(DeviceParams& mirror, const sim::DeviceSettings& device,
                                           const std::vector<SettingRef>& which)
{
    std::vector<std::string> lines;
    for (const SettingRef& setting : which) {
        const int32_t mine = MirrorValue(mirror, setting);
        const int theirs = device.Get(SimKey(setting));
        if (mine != theirs)
            lines.push_back(SettingName(setting) + ": mirror " + std::to_string(mine) + ", device " +
                            std::to_string(theirs));
    }
    return lines;
}

int32_t SampleValue(const SettingRef& setting, int step, int32_t notThis)
{
    const auto& info = sim::DeviceSettings::Info(SimKey(setting).param);
    const int span = info.max - info.min + 1;
    int32_t value = info.min + (step * 37 + setting.at.a * 5 + setting.at.b) % span;
    if (value == notThis)
        value = info.min + (value - info.min + 1) % span;
    return value;
}

sim::DeviceSettings SettingsAwayFromFactory(const std::vector<SettingRef>& which)
{
    sim::DeviceSettings settings;
    for (std::size_t i = 0; i < which.size(); ++i)
        settings.Set(SimKey(which[i]),
                     SampleValue(which[i], static_cast<int>(i) + 1, settings.Get(SimKey(which[i]))));
    return settings;
}

}  // namespace brevant::test
