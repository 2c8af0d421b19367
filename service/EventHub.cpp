#include "service/EventHub.h"

#include "qtcore/HandOff.h"
#include "service/HttpServer.h"
#include "service/parse/SettingKeys.h"

#include <QWebSocket>
#include <QWebSocketServer>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <charconv>

namespace brevant::service {

namespace {

using Json = nlohmann::json;

constexpr double kMaxMeterHz = 100;
constexpr int kHandshakeMs = 10000;
constexpr qint64 kKernelSendBuffer = qint64{64} * 1024;
constexpr int kCloseGraceMs = 1000;  // a closed client that does not answer the close is cut

QString Text(const Json& json)
{
    return QString::fromStdString(json.dump());
}

// The meter rate a client asks for: none, or hertz from 0 to kMaxMeterHz.
std::optional<double> MeterRate(const HttpRequest& request)
{
    const std::string* text = request.Query("meters");
    if (text == nullptr)
        return 0.0;
    double hz = -1;
    const auto [end, error] = std::from_chars(text->data(), text->data() + text->size(), hz);
    if (error != std::errc() || end != text->data() + text->size() || !(hz >= 0 && hz <= kMaxMeterHz))
        return std::nullopt;
    return hz;
}

}  // namespace

struct EventHub::Client {
    QWebSocket* socket = nullptr;
    std::string device;
    std::string peer;
    qint64 meterIntervalMs = 0;  // 0: no meters
    qint64 meterDueMs = 0;
    qint64 heardMs = 0;
    bool closing = false;
    std::shared_ptr<void> meterWatch;  // keeps the device's meters polled while it wants them
};

EventHub::EventHub(EventLimits limits, FindDevice find, Log log, QObject* parent)
    : QObject(parent), limits_(limits), find_(std::move(find)), log_(std::move(log))
{
    server_ = new QWebSocketServer(QStringLiteral("brevantd"), QWebSocketServer::NonSecureMode, this);
    server_->setMaxPendingConnections(std::max(1, limits_.clients));
    server_->setHandshakeTimeout(kHandshakeMs);
    connect(server_, &QWebSocketServer::newConnection, this, &EventHub::Connected);
    clock_.start();
    connect(&ticker_, &QTimer::timeout, this, &EventHub::Tick);
    ticker_.start(std::max(100, limits_.idleMs / 3));
}

EventHub::~EventHub()
{
    for (const auto& client : clients_)
        client->socket->abort();
}

int EventHub::Clients() const
{
    const auto connected =
        std::count_if(clients_.begin(), clients_.end(), [](const auto& client) { return !client->closing; });
    const auto shaking = std::count_if(pending_.begin(), pending_.end(),
                                       [](const Pending& pending) { return !pending.socket.isNull(); });
    return static_cast<int>(connected + shaking);
}

HttpResponse EventHub::Accept(DeviceRunner& device, const HttpRequest& request, HttpUpgrade& upgrade)
{
    const std::optional<double> hz = MeterRate(request);
    if (!hz)
        return HttpResponse::Error(400, "meters must be a rate in hertz from 0 to 100");
    if (Clients() >= limits_.clients)
        return HttpResponse::Error(503, "more than " + std::to_string(limits_.clients) +
                                            " WebSocket clients; try again later");
    QTcpSocket* socket = upgrade.TakeSocket();
    if (socket == nullptr)
        return HttpResponse::Error(500, "the connection could not be handed over");
    // The kernel's buffer for what the client has not taken is bounded too,
    // so that a client that stops reading is noticed within the queue's bound.
    socket->setSocketOption(QAbstractSocket::SendBufferSizeSocketOption,
                            static_cast<int>(std::min<qint64>(limits_.queue, kKernelSendBuffer)));
    std::erase_if(pending_, [](const Pending& pending) { return pending.socket.isNull(); });
    pending_.push_back(
        {socket, socket->peerAddress(), socket->peerPort(), device.Id(), *hz, clock_.elapsed()});
    server_->handleConnection(socket);
    return {};
}

// A handshake done: the client is known by its peer from its upgrade.
void EventHub::Connected()
{
    while (QWebSocket* socket = server_->nextPendingConnection()) {
        const auto pending = std::find_if(pending_.begin(), pending_.end(), [&](const Pending& p) {
            return p.port == socket->peerPort() && p.address == socket->peerAddress();
        });
        if (pending == pending_.end()) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        auto client = std::make_unique<Client>();
        client->socket = socket;
        client->device = pending->device;
        client->peer =
            socket->peerAddress().toString().toStdString() + ':' + std::to_string(socket->peerPort());
        client->meterIntervalMs = pending->meterHz > 0 ? static_cast<qint64>(1000.0 / pending->meterHz) : 0;
        client->meterDueMs = clock_.elapsed();
        client->heardMs = clock_.elapsed();
        pending_.erase(pending);
        socket->setMaxAllowedIncomingMessageSize(limits_.message);
        socket->setMaxAllowedIncomingFrameSize(limits_.message);
        const auto heard = [this, socket] {
            for (const auto& c : clients_)
                if (c->socket == socket)
                    c->heardMs = clock_.elapsed();
        };
        connect(socket, &QWebSocket::textMessageReceived, this, heard);
        connect(socket, &QWebSocket::binaryMessageReceived, this, heard);
        connect(socket, &QWebSocket::pong, this, heard);
        connect(socket, &QWebSocket::disconnected, this, [this, socket] {
            if (socket->closeCode() == QWebSocketProtocol::CloseCodeTooMuchData && log_)
                log_("events " + socket->peerAddress().toString().toStdString() + ':' +
                     std::to_string(socket->peerPort()) + ": closed, it sent a message over " +
                     std::to_string(limits_.message) + " bytes");
            QMetaObject::invokeMethod(
                this, [this, socket] { Remove(socket); }, Qt::QueuedConnection);
        });
        clients_.push_back(std::move(client));
        Greet(*clients_.back());
    }
}

void EventHub::Greet(Client& client)
{
    DeviceRunner* device = find_(client.device);
    if (device == nullptr) {
        Close(client, QWebSocketProtocol::CloseCodeGoingAway, QStringLiteral("no such device"));
        return;
    }
    if (client.meterIntervalMs > 0)
        client.meterWatch = device->WatchMeters();
    const RunnerStatus status = device->Status();
    Json settings = Json::object();
    for (const KeyedSetting& keyed : KeysOf(status.family)) {
        if (!IsSettable(keyed.ref))
            continue;
        if (const auto value = device->Value(keyed.ref))
            settings[keyed.key] = *value;
    }
    Send(client, Text({{"type", "snapshot"},
                       {"device", client.device},
                       {"state", std::string(StateText(status.state))},
                       {"model", status.model.empty() ? Json(nullptr) : Json(status.model)},
                       {"settings", std::move(settings)}}));
}

void EventHub::Send(Client& client, const QString& text)
{
    if (client.closing)
        return;
    client.socket->sendTextMessage(text);
    if (client.socket->bytesToWrite() > limits_.queue) {
        if (log_)
            log_("events " + client.peer + ": dropped, too slow (more than " + std::to_string(limits_.queue) +
                 " bytes unsent)");
        Close(client, QWebSocketProtocol::CloseCodePolicyViolated, QStringLiteral("too slow"));
    }
}

// Closes a client; one that does not answer the close within a second is cut.
void EventHub::Close(Client& client, int code, const QString& reason)
{
    if (client.closing)
        return;
    client.closing = true;
    client.meterWatch.reset();
    QWebSocket* socket = client.socket;
    socket->close(static_cast<QWebSocketProtocol::CloseCode>(code), reason);
    QTimer::singleShot(kCloseGraceMs, socket, [socket] { socket->abort(); });
}

void EventHub::Remove(const QWebSocket* socket)
{
    const auto gone = std::find_if(clients_.begin(), clients_.end(),
                                   [socket](const auto& client) { return client->socket == socket; });
    if (gone == clients_.end())
        return;
    (*gone)->socket->deleteLater();
    clients_.erase(gone);
}

void EventHub::Watch(DeviceRunner& runner)
{
    const std::string id = runner.Id();
    runner.SetChangeHook([this, id](const SettingRef& setting, std::int32_t value) {
        PostTo(this, [this, id, setting, value] { Setting(id, setting, value); });
    });
    runner.SetStateHook(
        [this, id](RunnerState state) { PostTo(this, [this, id, state] { State(id, state); }); });
    runner.SetPollHook([this, id] { PostTo(this, [this, id] { Polled(id); }); });
}

void EventHub::Forget(const std::string& device)
{
    for (const auto& client : clients_)
        if (client->device == device)
            Close(*client, QWebSocketProtocol::CloseCodeGoingAway,
                  QStringLiteral("the device is no longer served"));
}

void EventHub::ToDevice(const std::string& device, const QString& text)
{
    for (std::size_t i = 0; i < clients_.size(); ++i)  // Send may close, never remove
        if (clients_[i]->device == device)
            Send(*clients_[i], text);
}

void EventHub::Setting(const std::string& device, const SettingRef& setting, std::int32_t value)
{
    const std::string key = KeyOf(setting);
    if (!key.empty())
        ToDevice(device, Text({{"type", "setting"}, {"key", key}, {"value", value}}));
}

void EventHub::State(const std::string& device, RunnerState state)
{
    ToDevice(device, Text({{"type", "state"}, {"state", std::string(StateText(state))}}));
}

// After a polling pass: the meters to each client of the device that is due.
void EventHub::Polled(const std::string& device)
{
    const qint64 now = clock_.elapsed();
    const auto due = [&](const Client& client) {
        return client.device == device && client.meterIntervalMs > 0 && !client.closing &&
               now >= client.meterDueMs;
    };
    if (std::none_of(clients_.begin(), clients_.end(), [&](const auto& client) { return due(*client); }))
        return;
    DeviceRunner* runner = find_(device);
    if (runner == nullptr)
        return;
    const ModelFamily family = runner->Status().family;
    auto keys = meterKeys_.find(family);
    if (keys == meterKeys_.end()) {
        std::vector<std::pair<std::string, SettingRef>> meters;
        for (const KeyedSetting& keyed : KeysOf(family))
            if (!IsSettable(keyed.ref))
                meters.emplace_back(keyed.key, keyed.ref);
        keys = meterKeys_.emplace(family, std::move(meters)).first;
    }
    Json meters = Json::object();
    for (const auto& [key, ref] : keys->second)
        if (const auto value = runner->Meter(ref))
            meters[key] = *value;
    if (meters.empty())
        return;
    const QString text = Text({{"type", "meters"}, {"meters", std::move(meters)}});
    for (std::size_t i = 0; i < clients_.size(); ++i) {
        Client& client = *clients_[i];
        if (!due(client))
            continue;
        // On the client's cadence; one that fell a whole interval behind
        // (a slow pass, a lost device) starts it again from now.
        client.meterDueMs = now - client.meterDueMs >= client.meterIntervalMs
                                ? now + client.meterIntervalMs
                                : client.meterDueMs + client.meterIntervalMs;
        Send(client, text);
    }
}

// Pings every client; closes one not heard from for the idle time, and
// forgets handshakes that never ended.
void EventHub::Tick()
{
    const qint64 now = clock_.elapsed();
    std::erase_if(pending_, [&](const Pending& pending) {
        return pending.socket.isNull() || now - pending.sinceMs > kHandshakeMs + kCloseGraceMs;
    });
    for (const auto& client : clients_) {
        if (client->closing)
            continue;
        if (now - client->heardMs > limits_.idleMs) {
            if (log_)
                log_("events " + client->peer + ": closed, not heard from for " +
                     std::to_string(limits_.idleMs / 1000) + " s");
            Close(*client, QWebSocketProtocol::CloseCodeGoingAway, QStringLiteral("idle"));
            continue;
        }
        client->socket->ping();
    }
}

}  // namespace brevant::service
