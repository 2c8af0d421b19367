// A device's line protocol shared through the service: brevantctl and plain
// line clients on the shared port, beside the API, with simulated devices.
#include "core/DeviceLink.h"
#include "core/PortRouter.h"
#include "procedures/Connection.h"
#include "service/Service.h"
#include "tests/RecordingObserver.h"
#include "tests/Ser2net.h"
#include "tests/SimProcess.h"
#include "tests/service/ApiCall.h"
#include "tests/service/QtApplication.h"
#include "tests/service/RunProgram.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QTimer>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <arpa/inet.h>
#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <future>
#include <memory>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>

namespace brevant::service {
namespace {

using Json = nlohmann::json;
using test::SimProcess;
using Clock = std::chrono::steady_clock;

// Runs the event loop until `condition` holds or `seconds` pass.
template <typename F>
bool Until(F condition, double seconds)
{
    const auto end = Clock::now() + std::chrono::duration<double>(seconds);
    while (!condition()) {
        if (Clock::now() >= end)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

// A client of the shared port writing lines, as a room controller would.
class LineClient {
public:
    explicit LineClient(quint16 port)
    {
        sockaddr_in at{};
        at.sin_family = AF_INET;
        at.sin_port = htons(port);
        at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
        connected_ = ::connect(fd_, reinterpret_cast<sockaddr*>(&at), sizeof at) == 0;
        ::fcntl(fd_, F_SETFL, O_NONBLOCK);
    }
    ~LineClient() { ::close(fd_); }
    LineClient(const LineClient&) = delete;
    LineClient& operator=(const LineClient&) = delete;

    bool Connected() const { return connected_; }
    void Send(std::string_view text) const { (void)::send(fd_, text.data(), text.size(), MSG_NOSIGNAL); }
    // What came until `lines` line feeds had, within `seconds`.
    std::string Read(int lines, double seconds = 5.0) const
    {
        std::string got;
        Until(
            [&] {
                char chunk[256];
                const ssize_t n = ::recv(fd_, chunk, sizeof chunk, 0);
                if (n > 0)
                    got.append(chunk, static_cast<std::size_t>(n));
                return std::count(got.begin(), got.end(), '\n') >= lines;
            },
            seconds);
        return got;
    }
    std::string Ask(std::string_view line) const
    {
        Send(line);
        return Read(1);
    }

private:
    int fd_ = -1;
    bool connected_ = false;
};

struct CtlRun {
    int status = -1;
    std::string out;
    double seconds = 0;
};

class SharedPortTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { test::EnsureApplication(); }

    // Serves the simulator's device as "hall", shared; with `wait`, until it is connected.
    void Serve(const SimProcess& sim, bool wait = true)
    {
        ServiceConfig config;
        config.listen.port = 0;
        config.devices = {{"hall", DeviceAddress{DeviceAddressKind::Path, {}, sim.PortsDir() + "/COM3"}, 0}};
        service = std::make_unique<Service>(config, [](const std::string&) {});
        std::string error;
        ASSERT_TRUE(service->Start(&error)) << error;
        share = service->SharePort("hall");
        ASSERT_NE(share, 0);
        if (wait) {
            ASSERT_TRUE(Until(
                [&] { return Call("GET", "/api/v1/devices/hall").Parsed()["state"] == "connected"; }, 20.0));
        }
    }

    test::ApiAnswer Call(const QByteArray& method, const std::string& path, const QByteArray& body = {})
    {
        return test::CallApi(network, service->ApiPort(), method, path, body);
    }
    std::string Key(const std::string& key) { return "/api/v1/devices/hall/settings/" + key; }

    // brevantctl, the event loop running meanwhile (the service may be its device).
    static CtlRun Ctl(const QStringList& args, double seconds = 30.0)
    {
        QProcess ctl;
        const auto start = Clock::now();
        ctl.start(QStringLiteral(BREVANT_CTL_PATH), args);
        Until([&] { return ctl.state() == QProcess::NotRunning; }, seconds);
        CtlRun run{ctl.exitStatus() == QProcess::NormalExit ? ctl.exitCode() : -1,
                   ctl.readAllStandardOutput().toStdString() + ctl.readAllStandardError().toStdString(),
                   std::chrono::duration<double>(Clock::now() - start).count()};
        if (ctl.state() != QProcess::NotRunning) {
            ctl.kill();
            ctl.waitForFinished();
        }
        return run;
    }
    QStringList Shared() const { return {"--port", QStringLiteral("tcp://127.0.0.1:%1").arg(share)}; }

    QNetworkAccessManager network;
    std::unique_ptr<Service> service;
    quint16 share = 0;
};

// brevantctl through the shared port reads what the API reads and what the
// device holds, far faster than from the device itself (paced at 19200 bit/s).
TEST_F(SharedPortTest, DumpThroughTheShareEqualsTheApiAndTheDeviceAndIsFaster)
{
    SimProcess sim({"--model", "K217"});
    ASSERT_TRUE(sim.Started());
    Serve(sim);
    ASSERT_EQ(Call("PUT", Key("input/2/gain"), "12").status, 200);
    ASSERT_EQ(Call("PUT", Key("output/3/mute"), "1").status, 200);
    ASSERT_EQ(Call("PUT", Key("crosspoint/1/4/on"), "1").status, 200);

    const CtlRun shared = Ctl(Shared() << "--json"
                                       << "dump");
    ASSERT_EQ(shared.status, 0) << shared.out;
    const Json viaShare = Json::parse(shared.out, nullptr, false);
    const Json api = Call("GET", "/api/v1/devices/hall").Parsed();
    const auto value = [&api](const std::string& key) {
        for (const Json& setting : api["settings"])
            if (setting["key"] == key)
                return setting["value"];
        return Json();
    };
    for (int n = 1; n <= 4; ++n) {
        const std::string c = std::to_string(n);
        EXPECT_EQ(value("input/" + c + "/gain"), viaShare["MG"][n - 1]) << n;
        EXPECT_EQ(value("output/" + c + "/mute"), viaShare["OM"][n - 1]) << n;
        EXPECT_EQ(value("crosspoint/1/" + c + "/on"), viaShare["MX"][n - 1]) << n;
    }
    EXPECT_EQ(viaShare["MG"][1], 12);

    service.reset();
    const CtlRun direct =
        Ctl({"--ports", QString::fromStdString(sim.PortsDir()), "--port", "3", "--json", "dump"});
    ASSERT_EQ(direct.status, 0) << direct.out;
    EXPECT_EQ(viaShare, Json::parse(direct.out, nullptr, false));
    EXPECT_LT(shared.seconds, direct.seconds / 2)
        << shared.seconds << " s through the share, " << direct.seconds << " s direct";
}

// Sets through the share and through the API each show on the other side;
// every query the share answers from its mirror is the device's own answer,
// byte for byte; two clients' lines, interleaved, get their own replies;
// junk and overlong lines get the device's silence.
TEST_F(SharedPortTest, SetsMeetTheApiAndEachClientGetsTheDevicesOwnAnswers)
{
    SimProcess sim({"--no-pacing", "--model", "K225"});
    ASSERT_TRUE(sim.Started());
    Serve(sim);
    const LineClient a(share);
    const LineClient b(share);
    ASSERT_TRUE(a.Connected() && b.Connected());

    EXPECT_EQ(a.Ask("MG27\r\n"), "MG27\r\n");
    EXPECT_EQ(Call("GET", Key("input/2/gain")).Parsed()["value"], 7);
    ASSERT_EQ(Call("PUT", Key("input/1/gain"), "5").status, 200);
    EXPECT_EQ(a.Ask("MG1r\r\n"), "MG15\r\n");

    a.Send("OV13\r\nOV1r\r\n");
    b.Send("OV2-4\r\nXG12-7\r\n");
    EXPECT_EQ(a.Read(2), "OV13\r\nOV13\r\n");
    EXPECT_EQ(b.Read(2), "OV2-4\r\nXG12-7\r\n");
    EXPECT_EQ(Call("GET", Key("crosspoint/1/2/gain")).Parsed()["value"], -7);

    a.Send("garbage\r\nMG9r\r\n" + std::string(500, 'x') + "\r\nSAsr\n");
    EXPECT_EQ(a.Read(1), "SAK225\r\n");

    // The device's own answer to every query of the read-back, asked
    // through the share and then of the device once the service let it go.
    std::vector<std::string> queries{"SVsr\r\n", "SAsr\r\n"};
    for (const SettingRef& setting : ReadBackList(ModelFamily::K225))
        if (!CommandFor(setting.op).IsMeter())
            queries.push_back(CommandText(CommandFor(setting.op), setting.at, std::nullopt));
    std::vector<std::string> shared;
    for (const std::string& query : queries)
        shared.push_back(b.Ask(query));
    service.reset();
    PortRouter router(PortMap::Directory(sim.PortsDir()));
    DeviceState state;
    state.flags.PortNumber = 3;
    DeviceLink link(router, state);
    ASSERT_TRUE(link.OpenPort());
    for (std::size_t i = 0; i < queries.size(); ++i) {
        std::string own;
        (void)link.Exchange(queries[i], kRawProfile, own);
        EXPECT_EQ(shared[i], own) << queries[i];
    }
}

// A set the frozen device answers too late is never taken for the next
// client's answer; and a meter asked of a device of a model this program
// does not know, before the first polling pass, is the device's own reading,
// not the mirror's empty start.
TEST_F(SharedPortTest, ALateReplyAndAnEarlyMeterAreNeverTakenForAnAnswer)
{
    SimProcess sim({"--model", "K217"});  // paced: a backlog takes a while to answer
    ASSERT_TRUE(sim.Started());
    Serve(sim);
    const LineClient a(share);
    const LineClient b(share);
    ASSERT_TRUE(a.Connected() && b.Connected());
    sim.Freeze();
    a.Send("MG23\r\n");
    EXPECT_EQ(a.Read(1, 0.3), "") << "the exchange gives up on a silent device";
    sim.Thaw();  // the device answers everything it was sent meanwhile
    b.Send("OV2-4\r\n");
    // Behind the backlog its own echo may come too late too: then silence.
    const std::string first = b.Read(1, 1.0);
    EXPECT_TRUE(first.empty() || first == "OV2-4\r\n") << first;
    EXPECT_EQ(b.Ask("XG12-7\r\n"), "XG12-7\r\n");

    service.reset();
    SimProcess unknown({"--model", "K217", "--unknown-model"});
    ASSERT_TRUE(unknown.Started());
    Serve(unknown, false);
    const DeviceRunner& runner = *service->Device("hall");
    ASSERT_TRUE(Until([&] { return runner.Status().state == RunnerState::UnknownModel; }, 20.0));
    const LineClient c(share);
    const std::string reading = c.Ask("ML1r\r\n");  // the paced read-back and pass take far longer
    EXPECT_EQ(reading.rfind("ML1-", 0), 0u) << reading << " (a simulated input rests near -30 dB)";
}

// A firmware upgrade through the share has the device alone: another client
// is told busy and the API's sets are refused; afterwards the device is read
// back with its new version and everything works again.
TEST_F(SharedPortTest, UpgradeThroughTheShareHasTheDeviceAloneUntilItEnds)
{
    SimProcess sim({"--no-pacing", "--model", "K225"});
    ASSERT_TRUE(sim.Started());
    const std::string image = sim.PortsDir() + "/new.b";
    ASSERT_TRUE(
        test::RunProgram({BREVANT_SIM_PATH, "--make-firmware", image, "--version", "321", "--words", "600"}));
    Serve(sim);
    const LineClient other(share);
    QProcess ctl;
    ctl.start(QStringLiteral(BREVANT_CTL_PATH), Shared() << "upgrade" << QString::fromStdString(image));
    EXPECT_TRUE(Until([&] { return other.Ask("MG1r\r\n") == "BUSY\r\n"; }, 10.0));
    EXPECT_EQ(Call("PUT", Key("input/1/gain"), "3").status, 503);
    ASSERT_TRUE(Until([&] { return ctl.state() == QProcess::NotRunning; }, 30.0));
    EXPECT_EQ(ctl.exitCode(), 0) << ctl.readAllStandardOutput().toStdString()
                                 << ctl.readAllStandardError().toStdString();

    EXPECT_TRUE(Until(
        [&] {
            const Json device = Call("GET", "/api/v1/devices/hall").Parsed();
            return device["state"] == "connected" && device["firmware"] == "321";
        },
        20.0));
    EXPECT_EQ(Call("PUT", Key("input/1/gain"), "3").status, 200);
    EXPECT_EQ(other.Ask("MG1r\r\n"), "MG13\r\n");
}

// What the connection of a window through the share hears besides the usual.
class SharedObserver : public test::RecordingObserver {
public:
    void SettingsChanged(const std::vector<SettingRef>& changed) override
    {
        std::lock_guard lock(mutex_);
        changed_.insert(changed_.end(), changed.begin(), changed.end());
        passesAtChange_ = passes.load();
    }
    // The polling passes told by the last report of changes, once `setting` was in one; -1 before.
    int PassesWhenChanged(const SettingRef& setting) const
    {
        std::lock_guard lock(mutex_);
        return std::find(changed_.begin(), changed_.end(), setting) == changed_.end() ? -1 : passesAtChange_;
    }
    std::size_t ChangedCount() const
    {
        std::lock_guard lock(mutex_);
        return changed_.size();
    }

private:
    mutable std::mutex mutex_;
    std::vector<SettingRef> changed_;
    int passesAtChange_ = -1;
};

// A window's connection, on a network address, made off the thread that
// runs the service's event loop.
struct NetworkWindow {
    explicit NetworkWindow(const PortAddress& address) : link(router, state), connection(link, observer)
    {
        state.flags.PortNumber = router.Assign(address);
    }
    bool Connect()
    {
        auto connected =
            std::async(std::launch::async, [this] { return connection.Connect([](auto, auto) {}); });
        Until([&] { return connected.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }, 10.0);
        return connected.get();
    }
    PortRouter router{PortMap::Directory("/nonexistent")};
    DeviceState state;
    DeviceLink link;
    SharedObserver observer;
    Connection connection;
};

// A connection through the share knows it is one, and a change another
// client makes reaches it within one polling pass as a changed setting;
// through a plain server the same question costs no more than its limit and
// changes nothing.
TEST_F(SharedPortTest, AConnectionThroughTheShareSeesOtherClientsChangesWithinAPass)
{
    SimProcess sim({"--no-pacing", "--model", "K225"});
    ASSERT_TRUE(sim.Started());
    Serve(sim);
    NetworkWindow window(*ParsePortAddress("tcp://127.0.0.1:" + std::to_string(share)).address);
    ASSERT_TRUE(window.Connect());
    EXPECT_TRUE(window.state.flags.Shared);
    ASSERT_TRUE(Until([&] { return window.observer.passes.load() >= 2; }, 10.0));
    EXPECT_EQ(window.observer.ChangedCount(), 0u) << "nothing changed, nothing told";

    const SettingRef gain{Op::MG, {2, 0}};
    const SettingRef mute{Op::OM, {3, 0}};
    ASSERT_EQ(Call("PUT", Key("input/2/gain"), "9").status, 200);
    ASSERT_EQ(Call("PUT", Key("output/3/mute"), "1").status, 200);
    const int before = window.observer.passes.load();
    ASSERT_TRUE(Until([&] { return window.observer.PassesWhenChanged(mute) >= 0; }, 10.0));
    EXPECT_LE(window.observer.PassesWhenChanged(gain), before + 1);
    EXPECT_LE(window.observer.PassesWhenChanged(mute), before + 1);
    EXPECT_EQ(window.state.params.MG[2].load(), 9);
    EXPECT_EQ(window.state.params.OM[3].load(), 1);
    window.connection.Disconnect();
    EXPECT_FALSE(window.state.flags.Shared);

    // The device behind a plain serial server does not know the question.
    service.reset();
    if (!test::Ser2net::Missing().empty())
        GTEST_SKIP() << test::Ser2net::Missing();
    test::Ser2net server(sim.PortsDir() + "/COM3");
    ASSERT_TRUE(server.Started()) << server.Error();
    NetworkWindow plain(server.Address());
    ASSERT_TRUE(plain.Connect());
    EXPECT_FALSE(plain.state.flags.Shared);
    ASSERT_TRUE(Until([&] { return plain.observer.passes.load() >= 1; }, 10.0));
    PollingHold hold(plain.state.flags);
    const auto start = Clock::now();
    EXPECT_FALSE(plain.connection.ProbeService());
    EXPECT_LT(Clock::now() - start, kServiceProbeLimit + std::chrono::milliseconds(100));
    EXPECT_TRUE(plain.link.Query(Op::MG, {2}));
    EXPECT_EQ(plain.state.params.MG[2].load(), 9);
    hold.Release();
    EXPECT_EQ(plain.observer.ChangedCount(), 0u);
    plain.connection.Disconnect();
}

}  // namespace
}  // namespace brevant::service
