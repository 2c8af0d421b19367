// The sound test procedures: test mode, the test channel, point count and
// time per point, the test signal, the point-by-point measurement, the two
// result curves and what the graph needs to show them, the gain and phantom
// power of the channel under test, and storing the setting in the device.
//
// Every command is tried up to ten times; the first confirmed attempt ends
// the loop. The procedures block while they talk to the device: the program
// runs them on its command queue, which holds LinkBusy meanwhile so that the
// meter polling stands back. They do not look at Connected; the caller
// refuses first when no device is connected.
//
// Thread-safety: any one thread at a time per link; the pure functions have
// no state.
#pragma once

#include "core/DeviceLink.h"
#include "procedures/Messages.h"

#include <array>

namespace brevant {

inline constexpr int kSoundTestAttempts = 10;
// Test points and times the device offers: 1..5 points, 2..5 s per point.
inline constexpr int kMaxTestPoints = 5;
inline constexpr int kFirstTestTime = 2;
inline constexpr int kLastTestTime = 5;
// The gain of the channel under test, 0..42 dB.
inline constexpr int kMaxTestGain = 42;
// Points per result curve: ten blocks of ten.
inline constexpr int kResultPoints = kBlocks * kBlockLines;

// `op` as a query (no value) or a set, tried up to `attempts` times;
// NotConfirmed when every attempt failed.
Status RunAttempts(DeviceLink& link, Op op, Address at = {}, std::optional<int32_t> value = std::nullopt,
                   int attempts = kSoundTestAttempts);

// The test channel, point count and time have all been confirmed by the
// device since test mode was last left.
bool TestSettingsConfirmed(const DeviceParams& params);

// SMs1: the device enters test mode (SM = 1).
Status EnterTestMode(DeviceLink& link);
// CEs1: the device leaves test mode; the mirror forgets the test settings
// (SM, CN, CP, CT and their confirmations back to 0).
Status ExitTestMode(DeviceLink& link);

// CN, CP and CT queried in this order; a failure of one does not stop the
// others.
struct TestSettingsQuery {
    Status channel;
    Status points;
    Status time;
};
TestSettingsQuery QueryTestSettings(DeviceLink& link);

// The sets of CN (channel 1..4), CP (points 1..5) and CT (seconds 2..5).
Status SetTestChannel(DeviceLink& link, int channel);
Status SetTestPoints(DeviceLink& link, int points);
Status SetTestTime(DeviceLink& link, int seconds);

// The test signal on (CGs3) or off (CGs0).
Status SwitchTestSignal(DeviceLink& link, bool on);

// Where a measurement stands after Start or Continue: the points taken since
// the last Start, and whether that is every point of CP.
struct PointProgress {
    Status status;
    int pointsDone = 0;
    bool complete = false;
};
// CGs1: the first point. A confirmed start counts one point.
PointProgress StartMeasurement(DeviceLink& link);
// CGs2: the next point after `pointsDone`; counted only when confirmed.
PointProgress ContinueMeasurement(DeviceLink& link, int pointsDone);

// Reads D block b, then E block b, for b = 1..10 into DSR and ESR. Stops at
// the first block the device does not give, reporting "Get dsr error" or
// "Get esr error". True when all twenty were read. `progress` follows the
// blocks read, 0..100.
bool ReadResults(DeviceLink& link, const Report& report, const ProgressFn& progress = {});

// The two result curves as the mirror holds them: value k of D is
// DSR[k / 10 + 1][k % 10], the same for E and ESR.
struct ResultCurves {
    std::array<double, kResultPoints> d{};
    std::array<double, kResultPoints> e{};
};
ResultCurves TakeResults(const DeviceParams& params);

// The level range that shows the curves: the multiples of 100 that enclose
// every value and 0 with at least one step of margin (0..99 give a maximum of
// 100, 100 gives 200; -1..-99 give a minimum of -100, -100 gives -200).
struct LevelRange {
    double minimum = -100.0;
    double maximum = 100.0;
};
LevelRange GraphRange(const ResultCurves& curves);

// The frequency of result point k (0..99): 10, 210, ..., 19810 Hz.
constexpr double ResultFrequency(int k)
{
    return 10.0 + 200.0 * k;
}

// SSs1: the device keeps its present setting; reports that it stored the
// sound test settings, or that it did not. True when confirmed.
bool SaveTestSettings(DeviceLink& link, const Report& report);

// The gain (0..42 dB) and phantom power of input `channel` (1..4): the mirror
// takes the new value at once, then the set is sent; when the device does
// not confirm it, "Set gain error" or "Set phantom power error" is reported.
Status SetTestGain(DeviceLink& link, int channel, int gain, const Report& report);
Status SetTestPhantom(DeviceLink& link, int channel, bool on, const Report& report);

}  // namespace brevant
