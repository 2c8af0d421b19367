// The device's answer to each command line: settings with their ranges, the
// meters, identity, the sound test with its result blocks, storing settings,
// and the start of a firmware upgrade. A line that is not understood, or that
// names a channel outside 1..4, gets no answer at all, as on the hardware.
//
// Usable without a serial port: HandleLine() takes one Line (with or without
// its CR LF) and returns the reply bytes.
#pragma once

#include "programs/sim/DeviceSettings.h"
#include "programs/sim/MeterModel.h"
#include "programs/sim/ProductModel.h"
#include "programs/sim/Reply.h"
#include "programs/sim/SimClock.h"
#include "programs/sim/SimSoundTest.h"
#include "programs/sim/StateFile.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace brevant::sim {

struct DeviceOptions {
    ProductModel model = ProductModel::K225;
    // Identify as a model the program does not know.
    bool unknownModel = false;
    std::uint32_t seed = 1;
    // Where SSs1 stores the settings; empty keeps them in memory only.
    std::filesystem::path stateFile{};
    // Drives the meters; empty means the monotonic clock.
    Clock clock{};
};

class DeviceModel {
public:
    static constexpr std::chrono::milliseconds kStoreTime{150};
    static constexpr std::string_view kUnknownModelName = "K999";

    struct LineOutcome {
        Reply reply;
        bool startUpgrade = false;  // the device now expects binary upgrade packets
    };

    explicit DeviceModel(DeviceOptions options, DeviceSettings initial = {});

    // The reply bytes for one line, empty when the device stays silent.
    std::string HandleLine(std::string_view line);
    // The same with the reply's timing and the switch to upgrade mode.
    LineOutcome Handle(std::string_view line);

    // Called when a verified firmware image has been programmed: the new
    // version is reported from now on and kept in the device memory.
    void ApplyFirmware(std::uint32_t version);

    const DeviceSettings& Settings() const { return current_; }
    // What was last Stored (loaded at start, SSs1, firmware upgrade).
    const DeviceSettings& StoredSettings() const { return stored_; }
    const SoundTest& Measurement() const { return soundTest_; }
    std::string_view ReportedModel() const;

private:
    std::optional<Reply> HandleAction(std::string_view line);
    std::optional<Reply> HandleResultBlock(std::string_view line) const;
    std::optional<Reply> HandleMeter(std::string_view line);
    std::optional<Reply> HandleSetting(std::string_view line);
    bool Store();

    DeviceOptions options_;
    DeviceSettings current_;
    DeviceSettings stored_;
    MeterModel meters_;
    SoundTest soundTest_;
};

}  // namespace brevant::sim
