// The simulator's command line.
#pragma once

#include "programs/sim/Faults.h"
#include "programs/sim/ProductModel.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace brevant::sim {

struct SimOptions {
    bool help = false;

    // Serving a simulated device.
    std::filesystem::path portsDir;
    int comNumber = 3;
    ProductModel model = ProductModel::K225;
    std::filesystem::path stateFile;
    std::uint32_t seed = 1;
    bool paced = true;
    bool silent = false;
    bool unknownModel = false;
    // A clean stop (SIGTERM, SIGINT) writes the settings held at that moment
    // into the state file, like a device that stores them on power-down.
    bool keepOnExit = false;
    FaultRates faults;
    std::optional<std::uint32_t> firmwareVersion;  // overrides the stored one

    // Writing a firmware image instead.
    std::filesystem::path makeFirmware;
    std::optional<std::uint32_t> firmwareWords;
};

struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Throws UsageError for anything malformed or inconsistent.
SimOptions ParseSimOptions(const std::vector<std::string>& args);
const char* SimUsage();

}  // namespace brevant::sim
