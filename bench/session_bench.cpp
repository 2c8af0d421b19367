// The procedures against the paced simulator, each set against the time the
// serial line itself needs for the bytes it moved both ways (10 bits a byte
// at 19200 bit/s): the full read-back and the meter polling pass of each
// family, a preset upload and a firmware transfer.
//
// The machine may be busy with other work, and a late wake-up of either
// process shows as time above the line's. So the read-back is run several
// times and the polling pass many times, and the median ratio is the figure
// set against the target; the spread is printed beside it.
//
// Each runs on the pseudo-terminal, and through Debian's ser2net on loopback,
// raw and with RFC 2217, when ser2net is installed: the network hop is held
// to its own, looser target.
//
// Usage: session_bench [seconds of polling per family, default 3]
#include "bench/CountingPort.h"
#include "core/PortRouter.h"
#include "procedures/Connection.h"
#include "procedures/PresetFile.h"
#include "procedures/PresetProcedures.h"
#include "procedures/ReadBack.h"
#include "procedures/UpgradeProcedure.h"
#include "programs/sim/PtyServer.h"
#include "tests/Ser2net.h"
#include "tests/SimProcess.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <vector>

using namespace brevant;

namespace {

double Seconds(SteadyClock::time_point since)
{
    return std::chrono::duration<double>(SteadyClock::now() - since).count();
}

// Targets: the read-back and a polling pass within this multiple of the line
// time; the firmware words at no less than this share of the line rate.
constexpr double kExchangeTarget = 1.15;
constexpr double kNetworkExchangeTarget = 1.3;
constexpr double kFirmwareTarget = 0.98;

// How the program reaches the simulator.
enum class Route { Pty, Ser2netRaw, Ser2netRfc2217 };

const char* RouteName(Route route)
{
    switch (route) {
    case Route::Ser2netRaw: return "ser2net raw";
    case Route::Ser2netRfc2217: return "ser2net RFC 2217";
    case Route::Pty: break;
    }
    return "pty";
}
constexpr int kReadBackRuns = 9;

void Row(const std::string& what, double seconds, double lineSeconds, const std::string& extra = "")
{
    std::printf("%-38s %9.3f s %9.3f s %8.2fx  %s\n", what.c_str(), seconds, lineSeconds,
                seconds / lineSeconds, extra.c_str());
}

// The simulated device answers each command line this long after its last
// byte has arrived: no program could do better than the line time plus this.
constexpr double kAnswerSeconds = std::chrono::duration<double>(sim::PtyServer::kProcessingTime).count();

// One run of a procedure: its time, the line time of the bytes it moved, and
// the commands it sent.
struct Run {
    double seconds = 0;
    double lineSeconds = 0;
    long commands = 0;
    double Ratio() const { return seconds / lineSeconds; }
    double Floor() const
    {
        return (lineSeconds + static_cast<double>(commands) * kAnswerSeconds) / lineSeconds;
    }
};

// The median run by ratio, with the range of ratios and the verdict.
void MedianRow(const std::string& what, std::vector<Run> runs, double target)
{
    std::sort(runs.begin(), runs.end(), [](const Run& a, const Run& b) { return a.Ratio() < b.Ratio(); });
    const Run& median = runs[runs.size() / 2];
    char extra[128];
    std::snprintf(extra, sizeof extra,
                  "median of %zu, %.2f..%.2f, device answer floor %.2fx; target <= %.2fx: %s", runs.size(),
                  runs.front().Ratio(), runs.back().Ratio(), median.Floor(), target,
                  median.Ratio() <= target ? "met" : "MISSED");
    Row(what, median.seconds, median.lineSeconds, extra);
}

class Refreshed : public ConnectionObserver {
public:
    void ReadBackRefreshed(ModelFamily) override { done = true; }
    std::atomic<bool> done{false};
};

const Report kQuiet = [](std::string_view, std::string_view) {};

// A ser2net serving the simulator's COM3, when the route goes through one.
std::unique_ptr<test::Ser2net> ServerFor(Route route, const test::SimProcess& sim)
{
    if (route == Route::Pty)
        return nullptr;
    test::Ser2netOptions options;
    options.kind = route == Route::Ser2netRaw ? PortKind::Tcp : PortKind::Rfc2217;
    auto server = std::make_unique<test::Ser2net>(sim.PortsDir() + "/COM3", options);
    if (!server->Started())
        std::fprintf(stderr, "ser2net did not start: %s\n", server->Error().c_str());
    return server;
}

// A connection to the simulator's COM3, on the pty or through ser2net,
// through a byte-counting port.
struct Rig {
    Rig(const test::SimProcess& sim, ConnectionObserver& observer, Route route)
        : server(ServerFor(route, sim)), serial(PortMap::Directory(sim.PortsDir())), port(serial),
          link(port, state), connection(link, observer)
    {
        state.flags.PortNumber = server ? serial.Assign(server->Address()) : 3;
    }
    std::unique_ptr<test::Ser2net> server;
    PortRouter serial;
    bench::CountingPort port;
    DeviceState state;
    DeviceLink link;
    Connection connection;
};

bool BenchFamily(const char* model, double pollSeconds, Route route)
{
    test::SimProcess sim({"--model", model});
    if (!sim.Started())
        return false;
    Refreshed observer;
    Rig rig(sim, observer, route);
    auto& [server, serial, port, state, link, connection] = rig;
    const std::string family = std::string(", ") + model;
    const double target = route == Route::Pty ? kExchangeTarget : kNetworkExchangeTarget;

    // As the user meets it: connect (model and version queries) and the
    // first read-back, on the connection's worker.
    auto start = SteadyClock::now();
    if (!connection.Connect(kQuiet))
        return false;
    while (!observer.done)
        SleepFor(Micros{200});
    Row("connect + read-back" + family, Seconds(start), port.LineSeconds());
    connection.Disconnect();

    // The same steps the worker runs, timed one by one on the open port.
    const std::atomic<bool> never{false};
    const ModelFamily familyOf = ToModelFamily(state.params.DeviceFamily);
    std::vector<Run> runs;
    for (int i = 0; i < kReadBackRuns; ++i) {
        port.Reset();
        start = SteadyClock::now();
        const ReadBackResult result = ReadBackSettings(link, familyOf, never);
        if (result.lost || !result.unread.empty())
            return false;
        runs.push_back({Seconds(start), port.LineSeconds(), port.Writes()});
    }
    MedianRow("full read-back" + family, runs, target);

    runs.clear();
    const Deadline polling(Micros{static_cast<long>(pollSeconds * 1e6)});
    while (!polling.Expired()) {
        port.Reset();
        start = SteadyClock::now();
        if (!PollMetersOnce(link, familyOf, never).completed)
            return false;
        runs.push_back({Seconds(start), port.LineSeconds(), port.Writes()});
    }
    MedianRow("meter polling pass" + family, runs, target);

    // Preset upload of the setting just read back, on the known port.
    const std::string file = sim.PortsDir() + "/bench.lg";
    WritePresetFile(file, state.params);
    port.Reset();
    start = SteadyClock::now();
    const bool applied = ApplyPresetFile(connection, file, kQuiet).ok;
    Row("preset upload" + family, Seconds(start), port.LineSeconds(), applied ? "" : "(failed)");
    return applied;
}

bool BenchFirmware(int words, Route route)
{
    test::SimProcess sim;
    if (!sim.Started())
        return false;
    const std::string image = sim.PortsDir() + "/bench.b";
    const auto made = test::RunProgram(
        BREVANT_SIM_PATH, {"--make-firmware", image, "--version", "200", "--words", std::to_string(words)});
    if (made.status != 0)
        return false;
    ConnectionObserver none;
    Rig rig(sim, none, route);
    auto& [server, serial, port, state, link, connection] = rig;
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
    char extra[128];
    std::snprintf(extra, sizeof extra, "%.0f words/s, %.3f of line rate; target >= %.2f: %s%s",
                  (words - 2) / data, dataLine / data, kFirmwareTarget,
                  dataLine / data >= kFirmwareTarget ? "met" : "MISSED", ok ? "" : " (failed)");
    Row("firmware data words", data, dataLine, extra);
    std::snprintf(extra, sizeof extra, "%.3f of line rate, with the device's programming time",
                  port.LineSeconds() / whole);
    Row("firmware upgrade, whole", whole, port.LineSeconds(), extra);
    return ok;
}

}  // namespace

int main(int argc, char** argv)
{
    const double pollSeconds = argc > 1 ? std::atof(argv[1]) : 3.0;
    bool ok = true;
    for (Route route : {Route::Pty, Route::Ser2netRaw, Route::Ser2netRfc2217}) {
        if (route != Route::Pty && !test::Ser2net::Missing().empty()) {
            std::printf("\n(%s skipped: %s)\n", RouteName(route), test::Ser2net::Missing().c_str());
            continue;
        }
        const std::string heading = std::string("paced simulator, ") + RouteName(route);
        std::printf("\n%-38s %11s %11s %9s\n", heading.c_str(), "time", "line time", "ratio");
        ok = BenchFamily("K225", pollSeconds, route) && ok;
        ok = BenchFamily("K217", pollSeconds, route) && ok;
        ok = BenchFirmware(1000, route) && ok;
    }
    return ok ? 0 : 1;
}
