// The cost of the live events: the service with one virtual device (the
// simulator paced like the real line) and WebSocket clients asking for the
// meters, all in this process. The service runs on the main thread (its API
// and events) and the device's threads; the clients run on a thread of their
// own, whose CPU time is taken off the process's.
//
//   events_bench [--clients 100] [--hz 10] [--seconds 20]
#include "service/Service.h"

#include <QCoreApplication>
#include <QThread>
#include <QTimer>
#include <QWebSocket>

#include <sys/resource.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace {

double ThreadSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

double ProcessSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

long ResidentKiB()
{
    std::ifstream statm("/proc/self/statm");
    long size = 0;
    long resident = 0;
    statm >> size >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// Lets the event loop run for `ms`.
void Run(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// The clients, on their own thread: they connect, count what they get and
// tell the CPU time their thread took.
class Clients : public QObject {
public:
    void Open(const QString& url, int count)
    {
        for (int i = 0; i < count; ++i) {
            auto* socket = new QWebSocket(QString(), QWebSocketProtocol::VersionLatest, this);
            connect(socket, &QWebSocket::textMessageReceived, this, [this](const QString& text) {
                if (text.startsWith(QStringLiteral("{\"meters\"")))  // the keys come sorted
                    ++meterMessages;
            });
            connect(socket, &QWebSocket::connected, this, [this] { ++connected; });
            socket->open(QUrl(url));
        }
    }
    void Mark() { cpuAtMark = ThreadSeconds(); }
    void Measure() { cpuSinceMark = ThreadSeconds() - cpuAtMark; }

    std::atomic<int> connected{0};
    std::atomic<long> meterMessages{0};
    std::atomic<double> cpuAtMark{0};
    std::atomic<double> cpuSinceMark{0};
};

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    int clients = 100;
    int hz = 10;
    int seconds = 20;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--clients") == 0)
            clients = std::stoi(argv[i + 1]);
        else if (std::strcmp(argv[i], "--hz") == 0)
            hz = std::stoi(argv[i + 1]);
        else if (std::strcmp(argv[i], "--seconds") == 0)
            seconds = std::stoi(argv[i + 1]);
    }

    brevant::service::ServiceConfig config;
    config.listen.port = 0;
    config.limits.clients = clients;
    config.devices = {{"demo", brevant::service::DeviceAddress{}, std::nullopt}};
    brevant::service::Service service(
        config, [](const std::string& line) { std::fprintf(stderr, "%s\n", line.c_str()); });
    std::string error;
    if (!service.Start(&error)) {
        std::fprintf(stderr, "events_bench: %s\n", error.c_str());
        return 1;
    }
    for (int i = 0;
         i < 300 && service.Device("demo")->Status().state != brevant::service::RunnerState::Connected; ++i)
        Run(100);
    if (service.Device("demo")->Status().state != brevant::service::RunnerState::Connected) {
        std::fprintf(stderr, "events_bench: the virtual device did not connect\n");
        return 1;
    }

    // The device polled, no client.
    const auto measure = [&](int ms, double clientCpu) {
        const double process = ProcessSeconds();
        const double main = ThreadSeconds();
        Run(ms);
        return std::pair{ThreadSeconds() - main, ProcessSeconds() - process - clientCpu};
    };
    const int idleMs = std::max(2000, seconds * 250);
    const auto [idleMain, idleService] = measure(idleMs, 0);
    const long rssBefore = ResidentKiB();

    QThread thread;
    Clients receiver;
    receiver.moveToThread(&thread);
    thread.start();
    const QString url = QStringLiteral("ws://127.0.0.1:%1/api/v1/devices/demo/events?meters=%2")
                            .arg(service.ApiPort())
                            .arg(hz);
    QMetaObject::invokeMethod(
        &receiver, [&] { receiver.Open(url, clients); }, Qt::BlockingQueuedConnection);
    for (int i = 0; i < 100 && receiver.connected < clients; ++i)
        Run(100);
    Run(1000);
    const long rssAfter = ResidentKiB();

    QMetaObject::invokeMethod(
        &receiver, [&] { receiver.Mark(); }, Qt::BlockingQueuedConnection);
    const long messagesBefore = receiver.meterMessages;
    const double process = ProcessSeconds();
    const double main = ThreadSeconds();
    Run(seconds * 1000);
    const double busyMain = ThreadSeconds() - main;
    QMetaObject::invokeMethod(
        &receiver, [&] { receiver.Measure(); }, Qt::BlockingQueuedConnection);
    const double busyService = ProcessSeconds() - process - receiver.cpuSinceMark;
    const long messages = receiver.meterMessages - messagesBefore;
    thread.quit();
    thread.wait();

    std::printf("clients connected        %d of %d, asking %d Hz\n", receiver.connected.load(), clients, hz);
    std::printf("meter messages each      %.1f a second\n",
                static_cast<double>(messages) / clients / seconds);
    std::printf("no client   main thread  %.2f %% of a core; service %.2f %%\n",
                100 * idleMain * 1000 / idleMs, 100 * idleService * 1000 / idleMs);
    std::printf("%d clients main thread  %.2f %% of a core; service %.2f %%; clients' thread %.2f %%\n",
                clients, 100 * busyMain / seconds, 100 * busyService / seconds,
                100 * receiver.cpuSinceMark / seconds);
    std::printf("memory per client        %.1f KiB (both ends, in this process)\n",
                static_cast<double>(rssAfter - rssBefore) / clients);
    return 0;
}
