// The live events over WebSocket, end to end: brevantd's Service on
// loopback with simulated devices, Qt's WebSocket client and raw sockets.
#include "service/Service.h"
#include "tests/SimProcess.h"
#include "tests/service/ApiCall.h"
#include "tests/service/QtApplication.h"
#include "tests/service/RunProgram.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSslConfiguration>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QWebSocket>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <arpa/inet.h>
#include <memory>
#include <mutex>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>

namespace brevant::service {
namespace {

using Json = nlohmann::json;
using test::SimProcess;

DeviceConfig At(const std::string& id, const std::string& dir)
{
    return {id, DeviceAddress{DeviceAddressKind::Path, {}, dir + "/COM3"}, std::nullopt};
}

// A WebSocket client that keeps every message it gets, parsed.
struct EventClient {
    explicit EventClient(const QString& url, const QByteArray& token = {},
                         const QSslConfiguration* tls = nullptr)
    {
        QObject::connect(&socket, &QWebSocket::textMessageReceived, [this](const QString& text) {
            messages.push_back(Json::parse(text.toStdString()));
        });
        QNetworkRequest request{QUrl(url)};
        if (!token.isEmpty())
            request.setRawHeader("Authorization", "Bearer " + token);
        if (tls)
            socket.setSslConfiguration(*tls);
        socket.open(request);
    }
    // Waits for a message, after the first `from`, that `wanted` takes.
    template <typename F>
    std::optional<Json> Await(F wanted, std::size_t from = 0, int ms = 5000)
    {
        std::optional<Json> found;
        (void)QTest::qWaitFor(
            [&] {
                for (std::size_t i = from; i < messages.size() && !found; ++i)
                    if (wanted(messages[i]))
                        found = messages[i];
                return found.has_value();
            },
            ms);
        return found;
    }
    int Count(const std::string& type, std::size_t from = 0) const
    {
        int count = 0;
        for (std::size_t i = from; i < messages.size(); ++i)
            count += messages[i].value("type", std::string()) == type ? 1 : 0;
        return count;
    }
    QWebSocket socket;
    std::vector<Json> messages;
};

auto OfType(const std::string& type)
{
    return [type](const Json& message) { return message.value("type", std::string()) == type; };
}

std::string Upgrade(const std::string& target, const std::string& headers = "")
{
    return "GET " + target +
           " HTTP/1.1\r\nHost: t\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
           "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\nSec-WebSocket-Version: 13\r\n" +
           headers + "\r\n";
}

// The status a request on a new connection is answered with; 0: none.
int StatusOf(quint16 port, const std::string& request)
{
    QTcpSocket socket;
    std::string received;
    QObject::connect(&socket, &QTcpSocket::readyRead, [&] { received += socket.readAll().toStdString(); });
    socket.connectToHost(QHostAddress::LocalHost, port);
    socket.write(request.data(), static_cast<qint64>(request.size()));
    (void)QTest::qWaitFor([&] { return received.find("\r\n\r\n") != std::string::npos; }, 5000);
    return received.size() > 12 ? std::stoi(received.substr(9, 3)) : 0;
}

class EventsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { test::EnsureApplication(); }

    void Serve(ServiceConfig config, qint64 queueLimit = 1024 * 1024)
    {
        config.listen.port = 0;
        service = std::make_unique<Service>(config, [this](const std::string& line) {
            std::lock_guard lock(logMutex);
            log.push_back(line);
        });
        service->SetEventQueueLimit(queueLimit);
        std::string error;
        ASSERT_TRUE(service->Start(&error)) << error;
    }
    QString Url(const std::string& target, const char* scheme = "ws") const
    {
        return QStringLiteral("%1://127.0.0.1:%2%3").arg(scheme).arg(service->ApiPort()).arg(target.c_str());
    }
    // One HTTP request's status, answered while the event loop runs.
    int Call(const QByteArray& method, const std::string& path, const QByteArray& body = {})
    {
        return test::CallApi(network, service->ApiPort(), method, path, body, 10000).status;
    }
    bool Logged(const std::string& text)
    {
        std::lock_guard lock(logMutex);
        return std::any_of(log.begin(), log.end(),
                           [&](const std::string& line) { return line.find(text) != std::string::npos; });
    }

    QNetworkAccessManager network;
    std::unique_ptr<Service> service;
    std::mutex logMutex;
    std::vector<std::string> log;
};

auto Connected = [](const Json& message) { return message.value("state", std::string()) == "connected"; };

// On a device paced like the real line: a PUT reaches every client with the
// value confirmed, and meters come at the rate asked, but never faster than
// the line lets a polling pass end.
TEST_F(EventsTest, SetsReachEveryClientAndMetersKeepTheirRate)
{
    SimProcess sim({"--model", "K225"});
    ASSERT_TRUE(sim.Started());
    ServiceConfig config;
    config.devices = {At("hall", sim.PortsDir())};
    Serve(config);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return service->Device("hall")->Status().state == RunnerState::Connected; }, 20000));

    EventClient slow(Url("/api/v1/devices/hall/events?meters=4"));
    EventClient fast(Url("/api/v1/devices/hall/events?meters=100"));
    for (EventClient* client : {&slow, &fast}) {
        const auto snapshot = client->Await([](const Json&) { return true; });
        ASSERT_TRUE(snapshot);
        EXPECT_EQ((*snapshot)["type"], "snapshot");
        EXPECT_EQ((*snapshot)["state"], "connected");
        EXPECT_TRUE((*snapshot)["settings"].contains("input/2/gain")) << snapshot->dump();
        EXPECT_FALSE((*snapshot)["settings"].contains("input/2/level-meter"));
    }
    EXPECT_EQ(service->EventClients(), 2);

    const std::size_t before = slow.messages.size();
    ASSERT_EQ(Call("PUT", "/api/v1/devices/hall/settings/input/2/gain", "17"), 200);
    for (EventClient* client : {&slow, &fast}) {
        const auto set =
            client->Await([](const Json& m) { return m.value("key", std::string()) == "input/2/gain"; }, 0);
        ASSERT_TRUE(set) << "no event of the set";
        EXPECT_EQ((*set)["type"], "setting");
        EXPECT_EQ((*set)["value"], 17);
    }

    const std::size_t slowFrom = slow.messages.size();
    const std::size_t fastFrom = fast.messages.size();
    QTest::qWait(3000);
    const int slowCount = slow.Count("meters", slowFrom);
    const int fastCount = fast.Count("meters", fastFrom);
    EXPECT_GE(slowCount, 9);
    EXPECT_LE(slowCount, 13);  // 4 Hz for 3 s, a message's jitter either side
    // A pass reads a K225's eight meters: a query and its reply of at least
    // 12 bytes each at 1,920 bytes a second.
    const int meters = 8;
    const double passSeconds = meters * 12 / 1920.0;
    EXPECT_GT(fastCount, slowCount);
    EXPECT_LE(fastCount, static_cast<int>(3.0 / passSeconds) + 1) << meters << " meters a pass";
    const auto reading = fast.Await(OfType("meters"), fastFrom);
    ASSERT_TRUE(reading);
    EXPECT_TRUE((*reading)["meters"].contains("input/1/level-meter")) << reading->dump();
    EXPECT_EQ(slow.Count("setting", before), 1) << "a set is told once";
}

// A device killed is told as lost, reads nothing and takes no set or preset
// meanwhile; started again, it is told as connected and its settings again,
// and takes a set.
TEST_F(EventsTest, ALostDeviceIsToldAndItsReturn)
{
    const test::TempDir dir("brevant-events");
    auto sim = std::make_unique<SimProcess>(std::vector<std::string>{"--no-pacing"}, 3, dir.path);
    ASSERT_TRUE(sim->Started());
    ServiceConfig config;
    config.devices = {At("stage", dir.path)};
    Serve(config);
    EventClient client(Url("/api/v1/devices/stage/events"));
    ASSERT_TRUE(client.Await(Connected, 0, 20000));

    sim->Kill();
    const auto lost = client.Await(
        [](const Json& m) { return m.value("state", std::string()) == "lost and reconnecting"; });
    ASSERT_TRUE(lost);
    const std::size_t afterLost = client.messages.size();
    const std::string gain = "/api/v1/devices/stage/settings/input/1/gain";
    EXPECT_TRUE(test::CallApi(network, service->ApiPort(), "GET", gain).Parsed()["value"].is_null());
    EXPECT_EQ(Call("PUT", gain, "5"), 503);
    EXPECT_EQ(Call("GET", "/api/v1/devices/stage/preset"), 503);

    sim = std::make_unique<SimProcess>(std::vector<std::string>{"--no-pacing"}, 3, dir.path);
    ASSERT_TRUE(sim->Started());
    ASSERT_TRUE(client.Await(Connected, afterLost, 20000));
    EXPECT_TRUE(client.Await(
        [](const Json& m) { return m.value("key", std::string()) == "crosspoint/2/2/on"; }, afterLost))
        << "the settings read back again are told again";
    EXPECT_EQ(Call("PUT", gain, "5"), 200);
}

// Tokens, Origin, the client count, a client that does not read, a message
// too large: each refused or closed, while a good client goes on.
TEST_F(EventsTest, RefusesAndDropsWhatOverstepsItsBounds)
{
    SimProcess sim({"--no-pacing"});
    ASSERT_TRUE(sim.Started());
    ServiceConfig config;
    config.readToken = "reader";
    config.controlToken = "controller";
    config.limits.clients = 2;
    config.limits.webSocketMessage = 1024;
    config.devices = {At("d", sim.PortsDir())};
    Serve(config, 16 * 1024);
    const quint16 port = service->ApiPort();
    const std::string events = "/api/v1/devices/d/events?meters=100";
    const std::string token = "Authorization: Bearer reader\r\n";

    EventClient good(Url(events), "reader");
    ASSERT_TRUE(good.Await(OfType("snapshot")));
    EXPECT_EQ(StatusOf(port, Upgrade(events)), 401);
    EXPECT_EQ(StatusOf(port, Upgrade(events, "Authorization: Bearer wrong\r\n")), 401);
    EXPECT_EQ(StatusOf(port, Upgrade(events, token + "Origin: https://elsewhere.example\r\n")), 403);
    EXPECT_EQ(StatusOf(port, "GET /api/v1/devices/d/events HTTP/1.1\r\nHost: t\r\n" + token + "\r\n"), 426);
    EXPECT_EQ(StatusOf(port, Upgrade("/api/v1/devices/nowhere/events", token)), 404);
    EXPECT_EQ(StatusOf(port, Upgrade("/api/v1/devices/d/events?meters=fast", token)), 400);

    // A client with a tiny receive buffer that never reads.
    const int stuck = ::socket(AF_INET, SOCK_STREAM, 0);
    const int small = 1024;
    ::setsockopt(stuck, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::connect(stuck, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    const std::string handshake = Upgrade(events, token);
    ASSERT_EQ(::write(stuck, handshake.data(), handshake.size()), static_cast<ssize_t>(handshake.size()));
    ASSERT_TRUE(QTest::qWaitFor([&] { return service->EventClients() == 2; }, 5000));
    EXPECT_EQ(StatusOf(port, Upgrade(events, token)), 503) << "one client more than allowed";

    ASSERT_TRUE(QTest::qWaitFor([&] { return service->EventClients() == 1; }, 20000)) << "never dropped";
    EXPECT_TRUE(Logged("too slow"));
    ::close(stuck);
    const std::size_t after = good.messages.size();
    EXPECT_TRUE(good.Await(OfType("meters"), after)) << "the good client goes on";
    EXPECT_EQ(good.socket.state(), QAbstractSocket::ConnectedState);

    good.socket.sendTextMessage(QString(2000, QChar('x')));
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return good.socket.state() == QAbstractSocket::UnconnectedState; }, 5000));
    EXPECT_EQ(good.socket.closeCode(), QWebSocketProtocol::CloseCodeTooMuchData);
    EXPECT_TRUE(QTest::qWaitFor([&] { return service->EventClients() == 0; }, 5000));
}

// Under TLS the upgrade is the same, inside the encrypted connection.
TEST_F(EventsTest, ServesEventsOverTls)
{
    QTemporaryDir dir;
    if (!QSslSocket::supportsSsl() || !test::MakeTestCertificate(dir.path().toStdString()))
        GTEST_SKIP() << "no TLS back end, or openssl cannot make a test certificate";
    const QString certificate = dir.filePath("cert.pem");
    const QString key = dir.filePath("key.pem");
    SimProcess sim({"--no-pacing"});
    ASSERT_TRUE(sim.Started());
    ServiceConfig config;
    config.tlsCertificate = certificate.toStdString();
    config.tlsKey = key.toStdString();
    config.devices = {At("d", sim.PortsDir())};
    Serve(config);

    QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
    tls.setCaCertificates(QSslCertificate::fromPath(certificate));
    tls.setPeerVerifyMode(QSslSocket::VerifyPeer);
    EventClient client(
        QStringLiteral("wss://localhost:%1/api/v1/devices/d/events?meters=50").arg(service->ApiPort()), {},
        &tls);
    ASSERT_TRUE(client.Await(Connected, 0, 20000));
    EXPECT_TRUE(client.Await(OfType("meters")));
    EXPECT_EQ(client.socket.peerAddress().isLoopback(), true);
}

}  // namespace
}  // namespace brevant::service
