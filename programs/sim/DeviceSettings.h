// Every setting the device keeps, with its command code, range and default.
// A setting is addressed by a SettingKey: the parameter plus the channel
// (inputs, outputs) or the input/output pair (crosspoints), numbered 1..4 as
// on the wire; device-wide settings use neither number.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace brevant::sim {

enum class Scope { Input, Output, Crosspoint, Device };

enum class Param : std::uint8_t {
    InputGain,
    Agc,
    Afc,
    NoiseReduction,
    Highpass,
    Phantom,
    InputMute,
    Aec,
    OutputVolume,
    OutputMute,
    OutputDelay,
    UpperLimit,
    LowerLimit,
    Route,
    CrossGain,
    Automix,
    Priority,
    Filter,
    TestChannel,
    TestPoints,
    TestTime,
};
inline constexpr std::size_t kParamCount = 21;

struct ParamInfo {
    Param param;
    std::string_view code;  // two letters, as on the wire
    Scope scope;
    int min;
    int max;
    int defaultValue;
    // A value below min switches the function Off (stored as 0) instead of
    // being raised to min: the frequency limits work that way.
    bool offBelowMin;
};

struct SettingKey {
    Param param;
    int first = 0;   // channel, or input of a crosspoint
    int second = 0;  // output of a crosspoint
    bool operator==(const SettingKey&) const = default;
};

inline constexpr std::uint32_t kDefaultFirmwareVersion = 105;

class DeviceSettings {
public:
    static constexpr int kChannels = 4;

    static const ParamInfo& Info(Param param);
    static std::optional<Param> FindCode(std::string_view code);
    // The value the device stores when asked to set `value`.
    static int Clamp(Param param, int value);
    // Every addressable setting, in a fixed order.
    static std::vector<SettingKey> AllKeys();
    // Name of a setting in saved state: "MG1", "MX12", "MB".
    static std::string KeyName(const SettingKey& key);
    static std::optional<SettingKey> FindKeyName(std::string_view name);

    // Factory defaults.
    DeviceSettings();

    int Get(const SettingKey& key) const;
    // Stores the clamped value and returns what is now held.
    int Set(const SettingKey& key, int value);

    std::uint32_t FirmwareVersion() const { return firmwareVersion_; }
    void SetFirmwareVersion(std::uint32_t version) { firmwareVersion_ = version; }

    bool operator==(const DeviceSettings&) const = default;

private:
    int& Slot(const SettingKey& key);
    const int& Slot(const SettingKey& key) const;

    std::array<std::array<std::array<int, kChannels>, kChannels>, kParamCount> values_{};
    std::uint32_t firmwareVersion_ = kDefaultFirmwareVersion;
};

}  // namespace brevant::sim
