// Exchanges per second against the paced simulator, for a meter query and a
// setting query, with both ways of waiting, compared with what the serial
// line itself allows (19200 bit/s, 10 bits a byte: 1,920 bytes a second).
//
// Usage: exchange_bench [seconds per case, default 3]
#include "bench/CountingPort.h"
#include "core/DeviceLink.h"
#include "core/PosixSerialPort.h"
#include "tests/SimProcess.h"

#include <cstdio>
#include <cstdlib>
#include <string>

using namespace brevant;

namespace {

struct Case {
    const char* name;
    Op op;
};

}  // namespace

int main(int argc, char** argv)
{
    const double seconds = argc > 1 ? std::atof(argv[1]) : 3.0;
    test::SimProcess sim;  // paced like a real line
    if (!sim.Started()) {
        std::fprintf(stderr, "exchange_bench: the simulator did not start\n");
        return 1;
    }
    PosixSerialPort serial(PortMap::Directory(sim.PortsDir()));
    bench::CountingPort port(serial);
    DeviceState state;
    DeviceLink link(port, state);
    state.flags.PortNumber = 3;
    if (!link.OpenPort()) {
        std::fprintf(stderr, "exchange_bench: %s\n", serial.LastError(3).c_str());
        return 1;
    }

    const Case cases[] = {{"meter query ML", Op::ML}, {"setting query MG", Op::MG}};
    std::printf("%-18s %-6s %12s %10s %14s %16s\n", "exchange", "wait", "per second", "ms each",
                "line limit/s", "x line time");
    for (const Case& c : cases) {
        for (WaitMode mode : {WaitMode::FixedPause, WaitMode::PollReadable}) {
            link.SetWaitMode(mode);
            int done = 0;
            int failed = 0;
            port.Reset();
            const auto start = SteadyClock::now();
            const Deadline deadline(Micros{static_cast<long>(seconds * 1e6)});
            while (!deadline.Expired()) {
                const int n = done % kChannels + 1;
                if (link.Query(c.op, {n}))
                    ++done;
                else
                    ++failed;
            }
            const double elapsed = std::chrono::duration<double>(SteadyClock::now() - start).count();
            const double rate = done / elapsed;
            // Both ways: the command line and its reply.
            const double bytesEach = done ? double(port.Bytes()) / (done + failed) : 1.0;
            const double limit = bench::kLineBytesPerSecond / bytesEach;
            std::printf("%-18s %-6s %12.1f %10.2f %14.1f %15.2fx%s\n", c.name,
                        mode == WaitMode::FixedPause ? "fixed" : "poll", rate, 1000.0 / rate, limit,
                        limit / rate, failed ? "  (failures!)" : "");
        }
    }
    link.ClosePort();
    return 0;
}
