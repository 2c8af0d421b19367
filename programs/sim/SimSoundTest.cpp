#include "programs/sim/SimSoundTest.h"

#include "programs/sim/SimClock.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace brevant::sim {
namespace {

constexpr std::uint32_t kCurveStream = 2;
constexpr int kResponseMin = -10;
constexpr int kResponseMax = 6;
constexpr int kNoiseMin = -45;
constexpr int kNoiseMax = -35;

// Gain in dB of a second-order high-pass (rising = true) or low-pass filter
// with corner frequency `corner`.
double SecondOrderDb(double f, double corner, bool rising)
{
    const double r = std::pow(f / corner, 4.0);
    return 10.0 * std::log10(rising ? r / (1.0 + r) : 1.0 / (1.0 + r));
}

}  // namespace

SoundTest::SoundTest(std::uint32_t seed) : seed_(seed)
{
    ComputeCurves();
}

void SoundTest::Enter()
{
    active_ = true;
}

void SoundTest::Leave()
{
    active_ = false;
    signal_ = false;
    pointsWanted_ = 0;
    pointsTaken_ = 0;
}

bool SoundTest::StartMeasurement(int points, int channel)
{
    if (!active_)
        return false;
    pointsWanted_ = std::max(points, 1);
    channel_ = channel;
    pointsTaken_ = 1;
    if (pointsTaken_ >= pointsWanted_)
        Complete();
    return true;
}

bool SoundTest::NextPoint()
{
    if (!active_ || pointsTaken_ == 0 || pointsTaken_ >= pointsWanted_)
        return false;
    if (++pointsTaken_ >= pointsWanted_)
        Complete();
    return true;
}

void SoundTest::Complete()
{
    ++completed_;
    ComputeCurves();
}

int SoundTest::Response(int point) const
{
    return response_.at(static_cast<std::size_t>(point));
}
int SoundTest::Noise(int point) const
{
    return noise_.at(static_cast<std::size_t>(point));
}

void SoundTest::ComputeCurves()
{
    using std::numbers::pi;
    // The room (shape of the response) depends on the seed and the channel
    // measured; each measurement adds its own small scatter.
    auto room = SeededGenerator(seed_, kCurveStream + 16u * static_cast<std::uint32_t>(channel_));
    std::uniform_real_distribution<double> Amplitude(1.0, 3.0);
    std::uniform_real_distribution<double> rate(0.4, 1.6);
    std::uniform_real_distribution<double> phase(0.0, 2 * pi);
    std::uniform_real_distribution<double> offset(-2.0, 2.0);
    const double a1 = Amplitude(room), r1 = rate(room), p1 = phase(room);
    const double a2 = Amplitude(room) / 2, r2 = 3 * rate(room), p2 = phase(room);
    const double level = offset(room);
    const double hum = Amplitude(room);

    auto scatter = SeededGenerator(seed_ ^ 0x5bd1e995u, static_cast<std::uint32_t>(completed_));
    std::uniform_real_distribution<double> small(-0.6, 0.6);
    std::uniform_real_distribution<double> NoiseScatter(-2.0, 2.0);

    for (int k = 0; k < kCurvePoints; ++k) {
        const double f = FrequencyHz(k);
        const double octave = std::log2(f / 1000.0);
        double db = level + a1 * std::sin(2 * pi * r1 * octave + p1) +
                    a2 * std::sin(2 * pi * r2 * octave + p2) + SecondOrderDb(f, 80.0, true) +
                    SecondOrderDb(f, 15000.0, false) + small(scatter);
        response_[static_cast<std::size_t>(k)] =
            std::clamp(static_cast<int>(std::lround(db)), kResponseMin, kResponseMax);

        // Noise floor: a little hum at the bottom, a slight tilt, random scatter.
        const double n =
            -41.0 + hum * std::exp(-f / 500.0) + 1.5 * std::sin(octave + p1) + NoiseScatter(scatter);
        noise_[static_cast<std::size_t>(k)] =
            std::clamp(static_cast<int>(std::lround(n)), kNoiseMin, kNoiseMax);
    }
}

}  // namespace brevant::sim
