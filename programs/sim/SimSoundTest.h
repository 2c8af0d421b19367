// The room sound test: test mode, the test signal, a measurement taken in
// 1..5 points, and the two result curves of 100 points Each (frequency
// 10 + 200*k Hz): D, the measured response in dB, and E, the noise floor.
// Until a measurement completes the curves hold the Previous (or first) result.
#pragma once

#include <array>
#include <cstdint>

namespace brevant::sim {

class SoundTest {
public:
    static constexpr int kCurvePoints = 100;

    explicit SoundTest(std::uint32_t seed);

    bool Active() const { return active_; }
    void Enter();
    // Leaves test mode: signal off, an unfinished measurement is dropped.
    void Leave();

    bool SignalOn() const { return signal_; }
    void SetSignal(bool on) { signal_ = on; }

    // Takes the first point of a measurement of `points` points played on
    // output `channel`. False outside test mode.
    bool StartMeasurement(int points, int channel);
    // Takes the next point. False outside test mode, without a started
    // measurement or when all points are already taken.
    bool NextPoint();

    int PointsTaken() const { return pointsTaken_; }
    int MeasurementsCompleted() const { return completed_; }

    int Response(int point) const;  // whole dB
    int Noise(int point) const;     // whole dB
    static int FrequencyHz(int point) { return 10 + 200 * point; }

private:
    void Complete();
    void ComputeCurves();

    std::uint32_t seed_;
    bool active_ = false;
    bool signal_ = false;
    int pointsWanted_ = 0;
    int pointsTaken_ = 0;
    int channel_ = 1;
    int completed_ = 0;
    std::array<int, kCurvePoints> response_{};
    std::array<int, kCurvePoints> noise_{};
};

}  // namespace brevant::sim
