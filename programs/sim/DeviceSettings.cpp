#include "programs/sim/DeviceSettings.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

namespace brevant::sim {
namespace {

constexpr std::array<ParamInfo, kParamCount> kParams{{
    {Param::InputGain, "MG", Scope::Input, -10, 47, 0, false},
    {Param::Agc, "MA", Scope::Input, 0, 1, 0, false},
    {Param::Afc, "MF", Scope::Input, 0, 1, 0, false},
    {Param::NoiseReduction, "MR", Scope::Input, 0, 15, 0, false},
    {Param::Highpass, "MI", Scope::Input, 0, 1, 0, false},
    {Param::Phantom, "MT", Scope::Input, 0, 1, 0, false},
    {Param::InputMute, "MM", Scope::Input, 0, 1, 0, false},
    {Param::Aec, "MC", Scope::Input, 0, 1, 0, false},
    {Param::OutputVolume, "OV", Scope::Output, -20, 20, 0, false},
    {Param::OutputMute, "OM", Scope::Output, 0, 1, 0, false},
    {Param::OutputDelay, "OD", Scope::Output, 0, 200, 0, false},
    {Param::UpperLimit, "OF", Scope::Output, 300, 20000, 0, true},
    {Param::LowerLimit, "OH", Scope::Output, 30, 600, 0, true},
    {Param::Route, "MX", Scope::Crosspoint, 0, 1, 0, false},
    {Param::CrossGain, "XG", Scope::Crosspoint, -30, 0, 0, false},
    {Param::Automix, "MB", Scope::Device, 0, 1, 0, false},
    {Param::Priority, "MP", Scope::Device, 0, 4, 0, false},
    {Param::Filter, "SN", Scope::Device, 0, 5, 0, false},
    {Param::TestChannel, "CN", Scope::Device, 1, 4, 1, false},
    {Param::TestPoints, "CP", Scope::Device, 1, 5, 1, false},
    {Param::TestTime, "CT", Scope::Device, 2, 5, 2, false},
}};

bool ValidChannel(int n)
{
    return n >= 1 && n <= DeviceSettings::kChannels;
}

bool ValidKey(const SettingKey& key)
{
    switch (DeviceSettings::Info(key.param).scope) {
    case Scope::Input:
    case Scope::Output: return ValidChannel(key.first) && key.second == 0;
    case Scope::Crosspoint: return ValidChannel(key.first) && ValidChannel(key.second);
    case Scope::Device: return key.first == 0 && key.second == 0;
    }
    return false;
}

}  // namespace

const ParamInfo& DeviceSettings::Info(Param param)
{
    return kParams.at(static_cast<std::size_t>(param));
}

std::optional<Param> DeviceSettings::FindCode(std::string_view code)
{
    for (const auto& p : kParams)
        if (p.code == code)
            return p.param;
    return std::nullopt;
}

int DeviceSettings::Clamp(Param param, int value)
{
    const auto& p = Info(param);
    if (p.offBelowMin && value < p.min)
        return 0;
    return std::clamp(value, p.min, p.max);
}

std::vector<SettingKey> DeviceSettings::AllKeys()
{
    std::vector<SettingKey> keys;
    for (const auto& p : kParams) {
        switch (p.scope) {
        case Scope::Input:
        case Scope::Output:
            for (int n = 1; n <= kChannels; ++n)
                keys.push_back({p.param, n, 0});
            break;
        case Scope::Crosspoint:
            for (int r = 1; r <= kChannels; ++r)
                for (int k = 1; k <= kChannels; ++k)
                    keys.push_back({p.param, r, k});
            break;
        case Scope::Device: keys.push_back({p.param, 0, 0}); break;
        }
    }
    return keys;
}

std::string DeviceSettings::KeyName(const SettingKey& key)
{
    std::string name(Info(key.param).code);
    if (key.first > 0)
        name += static_cast<char>('0' + key.first);
    if (key.second > 0)
        name += static_cast<char>('0' + key.second);
    return name;
}

std::optional<SettingKey> DeviceSettings::FindKeyName(std::string_view name)
{
    for (const auto& key : AllKeys())
        if (KeyName(key) == name)
            return key;
    return std::nullopt;
}

DeviceSettings::DeviceSettings()
{
    for (const auto& key : AllKeys())
        Slot(key) = Info(key.param).defaultValue;
    // Each input starts routed to the output of the same number.
    for (int n = 1; n <= kChannels; ++n)
        Slot({Param::Route, n, n}) = 1;
}

int DeviceSettings::Get(const SettingKey& key) const
{
    return Slot(key);
}

int DeviceSettings::Set(const SettingKey& key, int value)
{
    int& held = Slot(key);
    held = Clamp(key.param, value);
    return held;
}

const int& DeviceSettings::Slot(const SettingKey& key) const
{
    if (!ValidKey(key))
        throw std::out_of_range("no such setting: " + KeyName(key));
    const auto first = static_cast<std::size_t>(key.first > 0 ? key.first - 1 : 0);
    const auto second = static_cast<std::size_t>(key.second > 0 ? key.second - 1 : 0);
    return values_[static_cast<std::size_t>(key.param)][first][second];
}

int& DeviceSettings::Slot(const SettingKey& key)
{
    return const_cast<int&>(std::as_const(*this).Slot(key));
}

}  // namespace brevant::sim
