#include "programs/sim/MeterModel.h"

#include <algorithm>
#include <cmath>

namespace brevant::sim {
namespace {

constexpr std::chrono::milliseconds kStep{100};
// Beyond this many steps the walk has forgotten where it was, so catching up
// after a long idle time stops there.
constexpr long kMaxCatchUpSteps = 50;
constexpr std::uint32_t kMeterStream = 1;

std::size_t Index(int channel)
{
    return static_cast<std::size_t>(channel - 1);
}

int ToReading(double db)
{
    return static_cast<int>(std::lround(std::clamp(db, double(MeterModel::kFloor), 0.0)));
}

}  // namespace

MeterModel::MeterModel(std::uint32_t seed, ProductModel model)
    : rng_(SeededGenerator(seed, kMeterStream)), model_(model)
{
    std::uniform_real_distribution<double> start(-kWander / 2, kWander / 2);
    std::uniform_real_distribution<double> EchoStart(-0.5, 0.5);
    for (auto& d : drift_)
        d = start(rng_);
    for (auto& e : echo_)
        e = EchoStart(rng_);
}

void MeterModel::AdvanceTo(SimTime now)
{
    if (!steppedTo_) {
        steppedTo_ = now;
        return;
    }
    if (now <= *steppedTo_)
        return;
    const long steps = static_cast<long>((now - *steppedTo_) / kStep);
    for (long i = 0; i < std::min(steps, kMaxCatchUpSteps); ++i)
        Step();
    *steppedTo_ += steps * kStep;
}

void MeterModel::Step()
{
    std::normal_distribution<double> LevelNoise(0.0, 2.0);
    std::normal_distribution<double> EchoNoise(0.0, 0.2);
    for (auto& d : drift_)
        d = std::clamp(0.8 * d + LevelNoise(rng_), -kWander, kWander);
    for (auto& e : echo_)
        e = std::clamp(0.8 * e + EchoNoise(rng_), -1.0, 1.0);
}

double MeterModel::ExactInputLevel(const DeviceSettings& settings, int input) const
{
    if (settings.Get({Param::InputMute, input}) != 0)
        return kFloor;
    const double level = kRestingLevel + drift_[Index(input)] + settings.Get({Param::InputGain, input});
    return std::clamp(level, double(kFloor), 0.0);
}

int MeterModel::InputLevel(const DeviceSettings& settings, int input) const
{
    return ToReading(ExactInputLevel(settings, input));
}

int MeterModel::OutputLevel(const DeviceSettings& settings, int output) const
{
    if (settings.Get({Param::OutputMute, output}) != 0)
        return kFloor;
    // Routed inputs add up as powers.
    double power = 0.0;
    bool routed = false;
    for (int r = 1; r <= DeviceSettings::kChannels; ++r) {
        if (settings.Get({Param::Route, r, output}) == 0)
            continue;
        routed = true;
        const double in = ExactInputLevel(settings, r);
        if (in <= kFloor)
            continue;
        power += std::pow(10.0, (in + settings.Get({Param::CrossGain, r, output})) / 10.0);
    }
    if (!routed || power <= 0.0)
        return kFloor;
    return ToReading(10.0 * std::log10(power) + settings.Get({Param::OutputVolume, output}));
}

bool MeterModel::EchoCancelling(const DeviceSettings& settings, int input) const
{
    return HasEchoCanceller(model_) && settings.Get({Param::Aec, input}) != 0;
}

int MeterModel::Erle(const DeviceSettings& settings, int input) const
{
    if (!EchoCancelling(settings, input))
        return 0;
    return static_cast<int>(std::lround(25.0 + 10.0 * echo_[Index(input)]));  // 15..35
}

int MeterModel::Erl(const DeviceSettings& settings, int input) const
{
    if (!EchoCancelling(settings, input))
        return 0;
    return static_cast<int>(std::lround(12.5 - 7.5 * echo_[Index(input)]));  // 5..20
}

}  // namespace brevant::sim
