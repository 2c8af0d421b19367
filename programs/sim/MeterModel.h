// Meter readings that move like a live room: every input level wanders around
// a resting Level (a mean-reverting random walk, stepped every 100 ms of
// simulator time) and follows the input gain; output levels are derived from
// the inputs routed to them. Readings are whole dB, -100 meaning silence.
#pragma once

#include "programs/sim/DeviceSettings.h"
#include "programs/sim/ProductModel.h"
#include "programs/sim/SimClock.h"

#include <array>
#include <cstdint>
#include <optional>
#include <random>

namespace brevant::sim {

class MeterModel {
public:
    static constexpr int kFloor = -100;
    static constexpr int kRestingLevel = -30;  // dB below full scale at gain 0
    static constexpr double kWander = 8.0;     // largest drift from the resting level

    MeterModel(std::uint32_t seed, ProductModel model);

    // Moves the readings on to simulator time `now`.
    void AdvanceTo(SimTime now);

    int InputLevel(const DeviceSettings& settings, int input) const;
    int OutputLevel(const DeviceSettings& settings, int output) const;
    // Echo-return-loss enhancement and echo-return loss, 0 when the input has
    // no echo canceller running.
    int Erle(const DeviceSettings& settings, int input) const;
    int Erl(const DeviceSettings& settings, int input) const;

private:
    void Step();
    double ExactInputLevel(const DeviceSettings& settings, int input) const;
    bool EchoCancelling(const DeviceSettings& settings, int input) const;

    std::mt19937 rng_;
    ProductModel model_;
    std::optional<SimTime> steppedTo_;
    std::array<double, DeviceSettings::kChannels> drift_{};  // dB, within +-kWander
    std::array<double, DeviceSettings::kChannels> echo_{};   // within -1..1
};

}  // namespace brevant::sim
