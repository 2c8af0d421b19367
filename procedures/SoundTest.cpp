#include "procedures/SoundTest.h"

#include <algorithm>
#include <cmath>

namespace brevant {

Status RunAttempts(DeviceLink& link, Op op, Address at, std::optional<int32_t> value, int attempts)
{
    for (int i = 0; i < attempts; ++i) {
        if (Status status = link.Run(op, at, value))
            return status;
    }
    return LinkError::NotConfirmed;
}

bool TestSettingsConfirmed(const DeviceParams& params)
{
    return params.CNValid != 0 && params.CPValid != 0 && params.CTValid != 0;
}

Status EnterTestMode(DeviceLink& link)
{
    return RunAttempts(link, Op::SM);
}

Status ExitTestMode(DeviceLink& link)
{
    return RunAttempts(link, Op::CE);
}

TestSettingsQuery QueryTestSettings(DeviceLink& link)
{
    TestSettingsQuery query;
    query.channel = RunAttempts(link, Op::CN);
    query.points = RunAttempts(link, Op::CP);
    query.time = RunAttempts(link, Op::CT);
    return query;
}

Status SetTestChannel(DeviceLink& link, int channel)
{
    return RunAttempts(link, Op::CN, {}, channel);
}

Status SetTestPoints(DeviceLink& link, int points)
{
    return RunAttempts(link, Op::CP, {}, points);
}

Status SetTestTime(DeviceLink& link, int seconds)
{
    return RunAttempts(link, Op::CT, {}, seconds);
}

Status SwitchTestSignal(DeviceLink& link, bool on)
{
    return RunAttempts(link, on ? Op::CG3 : Op::CG0);
}

namespace {

PointProgress Progress(DeviceLink& link, Status status, int pointsDone)
{
    // Without a confirmed point count (CP = 0) one point completes the measurement.
    const int points = link.State().params.CP;
    return {status, pointsDone, pointsDone >= points};
}

}  // namespace

PointProgress StartMeasurement(DeviceLink& link)
{
    const Status status = RunAttempts(link, Op::CG1);
    return Progress(link, status, status ? 1 : 0);
}

PointProgress ContinueMeasurement(DeviceLink& link, int pointsDone)
{
    const Status status = RunAttempts(link, Op::CG2);
    return Progress(link, status, status ? pointsDone + 1 : pointsDone);
}

bool ReadResults(DeviceLink& link, const Report& report, const ProgressFn& progress)
{
    for (int b = 1; b <= kBlocks; ++b) {
        if (!RunAttempts(link, Op::BlockD, {b})) {
            report(msg::Text(msg::kGetDsrError), {});
            return false;
        }
        if (progress)
            progress(100 * (2 * b - 1) / (2 * kBlocks));
        if (!RunAttempts(link, Op::BlockE, {b})) {
            report(msg::Text(msg::kGetEsrError), {});
            return false;
        }
        if (progress)
            progress(100 * b / kBlocks);
    }
    return true;
}

ResultCurves TakeResults(const DeviceParams& params)
{
    ResultCurves curves;
    for (int k = 0; k < kResultPoints; ++k) {
        const auto b = static_cast<std::size_t>(k / kBlockLines) + 1;
        const auto j = static_cast<std::size_t>(k % kBlockLines);
        curves.d[static_cast<std::size_t>(k)] = params.DSR[b][j];
        curves.e[static_cast<std::size_t>(k)] = params.ESR[b][j];
    }
    return curves;
}

LevelRange GraphRange(const ResultCurves& curves)
{
    double hi = 0.0;
    double lo = 0.0;
    for (const auto* curve : {&curves.d, &curves.e}) {
        for (double v : *curve) {
            hi = std::max(hi, v);
            lo = std::min(lo, v);
        }
    }
    // Whole hundreds above the highest and below the lowest value: 99 still
    // fits under 100, 100 needs 200.
    return {-100.0 - 100.0 * std::trunc(lo * -0.01), 100.0 * (1.0 - std::trunc(hi * -0.01))};
}

bool SaveTestSettings(DeviceLink& link, const Report& report)
{
    const bool saved = static_cast<bool>(RunAttempts(link, Op::SS));
    report(msg::Text(saved ? msg::kTestStored : msg::kTestNotStored), {});
    return saved;
}

Status SetTestGain(DeviceLink& link, int channel, int gain, const Report& report)
{
    if (!IsChannel(channel))
        return LinkError::BadAddress;
    link.State().params.MG[static_cast<std::size_t>(channel)] = gain;
    const Status status = RunAttempts(link, Op::MG, {channel}, gain);
    if (!status)
        report(msg::Text(msg::kSetGainError), {});
    return status;
}

Status SetTestPhantom(DeviceLink& link, int channel, bool on, const Report& report)
{
    if (!IsChannel(channel))
        return LinkError::BadAddress;
    link.State().params.MT[static_cast<std::size_t>(channel)] = on ? 1 : 0;
    const Status status = RunAttempts(link, Op::MT, {channel}, on ? 1 : 0);
    if (!status)
        report(msg::Text(msg::kSetPhantomError), {});
    return status;
}

}  // namespace brevant
