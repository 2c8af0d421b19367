// brevantd's own costs against the paced simulator (19200 bit/s, 10 bits a
// byte):
//   put      the HTTP round trip of a PUT the device confirms, p50 and p99,
//            against the line time of the set's exchange (its line and its
//            reply, counted on a link of its own before the service starts);
//   devices  the polling rate of each of N devices on one service against a
//            lone device's, and the memory each device adds to the service.
//
// Usage: service_bench put [sets, default 200]
//        service_bench devices [devices, default 16] [seconds, default 10]
#include "bench/CountingPort.h"
#include "core/DeviceLink.h"
#include "core/PosixSerialPort.h"
#include "service/Service.h"
#include "tests/SimProcess.h"

#include <QCoreApplication>

#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace brevant;
using namespace brevant::service;

namespace {

using Clock = std::chrono::steady_clock;

// Runs the service's event loop until `done` or `seconds` have passed.
template <typename Done>
bool RunUntil(Done done, double seconds)
{
    const auto end = Clock::now() + std::chrono::duration<double>(seconds);
    while (!done()) {
        if (Clock::now() > end)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

bool AllConnected(const Service& service)
{
    for (DeviceRunner* device : service.Devices())
        if (device->Status().state != RunnerState::Connected)
            return false;
    return true;
}

long RssKiB()
{
    std::ifstream status("/proc/self/status");
    std::string word;
    while (status >> word)
        if (word == "VmRSS:") {
            long kib = 0;
            status >> kib;
            return kib;
        }
    return 0;
}

// The bytes of one confirmed set of input 2's gain, both ways.
long SetExchangeBytes(const std::string& portsDir)
{
    PosixSerialPort serial(PortMap::Directory(portsDir));
    bench::CountingPort port(serial);
    DeviceState state;
    DeviceLink link(port, state);
    state.flags.PortNumber = 3;
    if (!link.OpenPort())
        return 0;
    port.Reset();
    const bool ok = static_cast<bool>(link.SetConfirmed(Op::MG, {2}, 7, 1));
    const long bytes = port.Bytes();
    link.ClosePort();
    return ok ? bytes : 0;
}

// One keep-alive HTTP client on a blocking socket: a request, its whole answer.
class Client {
public:
    explicit Client(quint16 port)
    {
        fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        int one = 1;
        ::setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        if (::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
            ::close(fd_);
            fd_ = -1;
        }
    }
    ~Client()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Client(const Client&) = delete;
    Client& operator=(const Client&) = delete;

    // The status of the answer; 0 when the connection failed.
    int Put(const std::string& path, const std::string& body)
    {
        const std::string request =
            "PUT " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: " + std::to_string(body.size()) +
            "\r\n\r\n" + body;
        if (fd_ < 0 || ::send(fd_, request.data(), request.size(), MSG_NOSIGNAL) < 0)
            return 0;
        std::string answer;
        char buffer[4096];
        std::size_t headEnd = std::string::npos;
        std::size_t length = 0;
        while (headEnd == std::string::npos || answer.size() < headEnd + 4 + length) {
            const ssize_t got = ::recv(fd_, buffer, sizeof buffer, 0);
            if (got <= 0)
                return 0;
            answer.append(buffer, static_cast<std::size_t>(got));
            if (headEnd == std::string::npos && (headEnd = answer.find("\r\n\r\n")) != std::string::npos) {
                const std::size_t at = answer.find("Content-Length: ");
                length = at < headEnd ? std::strtoul(answer.c_str() + at + 16, nullptr, 10) : 0;
            }
        }
        return answer.size() > 12 ? std::atoi(answer.c_str() + 9) : 0;
    }

private:
    int fd_ = -1;
};

double Percentile(std::vector<double> values, double p)
{
    std::sort(values.begin(), values.end());
    return values[static_cast<std::size_t>(p * static_cast<double>(values.size() - 1))];
}

ServiceConfig Config(std::vector<DeviceConfig> devices)
{
    ServiceConfig config;
    config.listen.port = 0;
    config.devices = std::move(devices);
    return config;
}

int PutBench(int sets)
{
    test::SimProcess sim;  // paced like a real line
    const long bytes = sim.Started() ? SetExchangeBytes(sim.PortsDir()) : 0;
    if (bytes == 0) {
        std::fprintf(stderr, "service_bench: the simulator did not answer\n");
        return 1;
    }
    Service service(
        Config({{"d", DeviceAddress{DeviceAddressKind::Path, {}, sim.PortsDir() + "/COM3"}, std::nullopt}}),
        {});
    std::string error;
    if (!service.Start(&error) || !RunUntil([&] { return AllConnected(service); }, 30)) {
        std::fprintf(stderr, "service_bench: %s\n",
                     error.empty() ? "the device did not connect" : error.c_str());
        return 1;
    }
    std::vector<double> millis;
    std::atomic<bool> done{false};
    int failed = 0;
    std::thread client([&] {
        Client http(service.ApiPort());
        for (int i = 0; i < sets; ++i) {
            const auto start = Clock::now();
            const int status = http.Put("/api/v1/devices/d/settings/input/2/gain", std::to_string(i % 40));
            millis.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
            failed += status == 200 ? 0 : 1;
        }
        done = true;
    });
    RunUntil([&] { return done.load(); }, 600);
    client.join();
    const double line = 1000.0 * static_cast<double>(bytes) / bench::kLineBytesPerSecond;
    const double p50 = Percentile(millis, 0.5);
    const double p99 = Percentile(millis, 0.99);
    std::printf("PUT confirmed by the device, %d sets (%d failed)\n", sets, failed);
    std::printf("exchange %ld bytes both ways: line time %.2f ms; goal %.2f ms (1.2 x line + 2 ms)\n", bytes,
                line, 1.2 * line + 2.0);
    std::printf("p50 %.2f ms (%.2f x line time), p99 %.2f ms (%.2f x line time)\n", p50, p50 / line, p99,
                p99 / line);
    return failed == 0 ? 0 : 1;
}

// Each device's exchanges per second over `seconds`, once all are connected;
// also the service's RSS growth in KiB.
std::vector<double> PollRates(int count, double seconds, long* grownKiB)
{
    std::vector<DeviceConfig> devices;
    devices.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i)
        devices.push_back(
            {"d" + std::to_string(i), DeviceAddress{DeviceAddressKind::Virtual, {}, {}}, std::nullopt});
    const long rssBefore = RssKiB();
    Service service(Config(devices), {});
    service.SetSimulator(BREVANT_SIM_PATH);
    std::string error;
    if (!service.Start(&error) || !RunUntil([&] { return AllConnected(service); }, 60))
        return {};
    // Each as a client of live meters keeps it: polled back to back.
    std::vector<std::shared_ptr<void>> watching;
    for (DeviceRunner* device : service.Devices())
        watching.push_back(device->WatchMeters());
    RunUntil([] { return false; }, 2.0);  // past the read-backs' ends
    std::vector<std::uint64_t> first;
    for (DeviceRunner* device : service.Devices())
        first.push_back(device->Status().exchanges);
    const auto start = Clock::now();
    RunUntil([] { return false; }, seconds);
    const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    std::vector<double> rates;
    for (std::size_t i = 0; i < first.size(); ++i)
        rates.push_back(static_cast<double>(service.Devices()[i]->Status().exchanges - first[i]) / elapsed);
    *grownKiB = RssKiB() - rssBefore;
    return rates;
}

// The many devices first, in a fresh process: the memory they take shows
// before any other service has run in it (freed memory is seldom returned).
int DevicesBench(int count, double seconds)
{
    long allKiB = 0;
    long loneKiB = 0;
    const std::vector<double> all = PollRates(count, seconds, &allKiB);
    const std::vector<double> lone = PollRates(1, seconds, &loneKiB);
    if (lone.empty() || all.empty()) {
        std::fprintf(stderr, "service_bench: the devices did not connect\n");
        return 1;
    }
    const auto [low, high] = std::minmax_element(all.begin(), all.end());
    std::printf("lone device: %.1f exchanges/s\n", lone[0]);
    std::printf("%d devices: %.1f .. %.1f exchanges/s each (%.1f%% .. %.1f%% of the lone one)\n", count, *low,
                *high, 100.0 * *low / lone[0], 100.0 * *high / lone[0]);
    std::printf("service RSS with %d devices: +%ld KiB, %.0f KiB a device (one-time costs included)\n", count,
                allKiB, static_cast<double>(allKiB) / count);
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const std::string mode = argc > 1 ? argv[1] : "put";
    if (mode == "put")
        return PutBench(argc > 2 ? std::atoi(argv[2]) : 200);
    if (mode == "devices")
        return DevicesBench(argc > 2 ? std::atoi(argv[2]) : 16, argc > 3 ? std::atof(argv[3]) : 10.0);
    std::fprintf(stderr, "usage: service_bench put [sets] | devices [count] [seconds]\n");
    return 2;
}
