// The procedures against the paced simulator, each set against the time the
// serial line itself needs for the bytes it moved: the full read-back and the
// meter polling of each family, a preset upload and a firmware transfer.
//
// Usage: session_bench [seconds of polling per family, default 3]
#include "Connection.h"
#include "CountingPort.h"
#include "PosixSerialPort.h"
#include "PresetFile.h"
#include "PresetProcedures.h"
#include "SimProcess.h"
#include "UpgradeProcedure.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>

using namespace brevant;

namespace {

double Seconds(SteadyClock::time_point since)
{
    return std::chrono::duration<double>(SteadyClock::now() - since).count();
}

void Row(const char* what, double seconds, double lineSeconds, const char* extra = "")
{
    std::printf("%-34s %9.3f s %9.3f s %8.2fx %s\n", what, seconds, lineSeconds, seconds / lineSeconds, extra);
}

class Refreshed : public ConnectionObserver {
public:
    void ReadBackRefreshed(int) override { done = true; }
    std::atomic<bool> done{false};
};

const Report kQuiet = [](std::string_view, std::string_view) {};

// A connection to the simulator's COM3 through a byte-counting port.
struct Rig {
    Rig(const test::SimProcess& sim, ConnectionObserver& observer)
        : serial(PortMap::Directory(sim.PortsDir())), port(serial), link(port, state, log),
          connection(link, observer)
    {
        state.flags.PortNumber = 3;
    }
    PosixSerialPort serial;
    bench::CountingPort port;
    DeviceState state;
    CommLog log;
    DeviceLink link;
    Connection connection;
};

bool BenchFamily(const char* model, double pollSeconds)
{
    test::SimProcess sim({"--model", model});
    if (!sim.Started())
        return false;
    Refreshed observer;
    Rig rig(sim, observer);
    auto& [serial, port, state, log, link, connection] = rig;

    auto start = SteadyClock::now();
    if (!connection.Connect(kQuiet))
        return false;
    while (!observer.done)
        SleepFor(Micros{200});
    const double readBack = Seconds(start);
    std::string label = std::string("connect + read-back, ") + model;
    Row(label.c_str(), readBack, port.LineSeconds());

    port.Reset();
    const int passesBefore = connection.PollPasses();
    start = SteadyClock::now();
    SleepFor(Micros{static_cast<long>(pollSeconds * 1e6)});
    const int passes = connection.PollPasses() - passesBefore;
    const double polled = Seconds(start);
    char extra[64];
    std::snprintf(extra, sizeof extra, "%.1f passes/s", passes / polled);
    label = std::string("meter polling, ") + model;
    Row(label.c_str(), polled, port.LineSeconds(), extra);
    connection.Disconnect();

    // Preset upload of the setting just read back, on the known port.
    const std::string file = sim.PortsDir() + "/bench.lg";
    WritePresetFile(file, state.params);
    port.Reset();
    start = SteadyClock::now();
    const bool applied = ApplyPresetFile(connection, file, kQuiet);
    label = std::string("preset upload, ") + model;
    Row(label.c_str(), Seconds(start), port.LineSeconds(), applied ? "" : "(failed)");
    return true;
}

bool BenchFirmware(int words)
{
    test::SimProcess sim;
    if (!sim.Started())
        return false;
    const std::string image = sim.PortsDir() + "/bench.b";
    const auto made = test::RunProgram(BREVANT_SIM_PATH, {"--make-firmware", image, "--version", "200",
                                                          "--words", std::to_string(words)});
    if (made.status != 0)
        return false;
    ConnectionObserver none;
    Rig rig(sim, none);
    auto& [serial, port, state, log, link, connection] = rig;
    if (!PrepareUpgrade(connection, kQuiet))
        return false;

    // The data words are timed from the first progress report to the last;
    // the headers and the device's programming time are not part of it.
    SteadyClock::time_point first{};
    SteadyClock::time_point last{};
    long bytesAtFirst = 0;
    long bytesAtLast = 0;
    const ProgressFn progress = [&](int) {
        last = SteadyClock::now();
        bytesAtLast = port.Bytes();
        if (first == SteadyClock::time_point{}) {
            first = last;
            bytesAtFirst = bytesAtLast;
        }
    };
    const auto start = SteadyClock::now();
    const bool ok = RunUpgrade(connection, image, progress, kQuiet);
    const double whole = Seconds(start);
    const double data = std::chrono::duration<double>(last - first).count();
    const double dataLine = (bytesAtLast - bytesAtFirst) / bench::kLineBytesPerSecond;
    char extra[64];
    std::snprintf(extra, sizeof extra, "%.0f words/s%s", (words - 2) / data, ok ? "" : " (failed)");
    Row("firmware data words", data, dataLine, extra);
    Row("firmware upgrade, whole", whole, port.LineSeconds());
    return ok;
}

}  // namespace

int main(int argc, char** argv)
{
    const double pollSeconds = argc > 1 ? std::atof(argv[1]) : 3.0;
    std::printf("%-34s %11s %11s %9s\n", "procedure (paced simulator)", "time", "line time", "ratio");
    bool ok = BenchFamily("K225", pollSeconds);
    ok = BenchFamily("K217", pollSeconds) && ok;
    ok = BenchFirmware(1000) && ok;
    return ok ? 0 : 1;
}
