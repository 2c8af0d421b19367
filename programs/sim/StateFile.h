// The device's non-volatile memory, kept as a text file of "key value" lines:
// every setting under its wire name ("MG1 -5", "MX12 0", "MB 1") and the
// firmware Version ("FW 105"). Saving writes a temporary file beside the
// target and renames it over, so a crash never leaves half a file.
#pragma once

#include "programs/sim/DeviceSettings.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace brevant::sim {

class StateFile {
public:
    enum class Status { Missing, Loaded, Broken };
    struct LoadResult {
        Status status = Status::Missing;
        DeviceSettings settings;  // factory defaults unless Loaded
        std::string error;        // why the file is Broken
    };

    explicit StateFile(std::filesystem::path path) : path_(std::move(path)) {}

    const std::filesystem::path& path() const { return path_; }
    LoadResult Load() const;
    // False (with the reason in *error) when the file could not be written.
    bool Save(const DeviceSettings& settings, std::string* error = nullptr) const;

    static std::string Serialize(const DeviceSettings& settings);
    // Settings missing from the text keep their defaults; values are clamped.
    static std::optional<DeviceSettings> Parse(std::string_view text, std::string& error);

private:
    std::filesystem::path path_;
};

}  // namespace brevant::sim
