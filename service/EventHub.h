// The devices' live events to WebSocket clients (GET
// /api/v1/devices/{id}/events, upgraded): first a snapshot of the device, then
// each setting as it is confirmed or found changed, each change of the
// link's state, and the meters at the rate the client asked for with
// ?meters=HZ (0, the default: none; at most one message a polling pass, and
// never more often than asked). One JSON text message each:
//   {"type":"snapshot","device":"hall","state":"connected","model":"K225",
//    "settings":{"input/1/gain":0, ...}}          every setting known so far
//   {"type":"setting","key":"input/2/gain","value":12}
//   {"type":"state","state":"lost and reconnecting"}
//   {"type":"meters","meters":{"input/1/level-meter":-23, ...}}
// What clients send is not read, beyond its size.
//
// Bounds: at most `clients` clients, counted from the upgrade (one more is
// answered 503); a message from a client larger than `message` bytes closes
// it (1009); a client that leaves more than `queue` bytes unsent is closed
// (1008 "too slow") rather than let the service's memory grow; every client
// is pinged, and one not heard from for `idleMs` is closed (1001). Every
// refusal and close is logged.
//
// Thread-safety: an EventHub belongs to the thread that made it. The hooks
// Watch sets are called on the runners' threads and hand their work to this
// one; they never block.
#pragma once

#include "service/DeviceRunner.h"
#include "service/parse/HttpRequest.h"

#include <QElapsedTimer>
#include <QHostAddress>
#include <QObject>
#include <QPointer>
#include <QTcpSocket>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

class QWebSocket;
class QWebSocketServer;

namespace brevant {
class HttpUpgrade;
}

namespace brevant::service {

struct EventLimits {
    int clients = 100;
    std::size_t message = 64 * 1024;  // bytes a client may send in one message
    qint64 queue = 1024 * 1024;       // bytes a client may leave unsent
    int idleMs = 60000;
};

class EventHub : public QObject {
    Q_OBJECT
public:
    using FindDevice = std::function<DeviceRunner*(const std::string& id)>;
    using Log = std::function<void(const std::string&)>;

    EventHub(EventLimits limits, FindDevice find, Log log, QObject* parent = nullptr);
    ~EventHub() override;

    // Takes a client's upgrade to the events of `device` (which exists), or
    // answers why not: 400 for a meter rate that is none, 503 when full.
    HttpResponse Accept(DeviceRunner& device, const HttpRequest& request, HttpUpgrade& upgrade);
    // Sets the runner's hooks (before it starts) to feed its clients.
    void Watch(DeviceRunner& runner);
    // The device is no longer served: its clients are closed (1001).
    void Forget(const std::string& device);
    // Clients connected or shaking hands.
    int Clients() const;

private:
    struct Client;
    struct Pending {
        QPointer<QTcpSocket> socket;  // null once the handshake failed
        QHostAddress address;         // the peer, to know its WebSocket by
        quint16 port = 0;
        std::string device;
        double meterHz = 0;
        qint64 sinceMs = 0;
    };

    void Connected();
    void Greet(Client& client);
    void Send(Client& client, const QString& text);
    void Close(Client& client, int code, const QString& reason);
    void Remove(const QWebSocket* socket);
    void Setting(const std::string& device, const SettingRef& setting, std::int32_t value);
    void State(const std::string& device, RunnerState state);
    void Polled(const std::string& device);
    void Tick();
    void ToDevice(const std::string& device, const QString& text);

    EventLimits limits_;
    FindDevice find_;
    Log log_;
    QWebSocketServer* server_ = nullptr;
    std::vector<Pending> pending_;
    std::vector<std::unique_ptr<Client>> clients_;
    std::map<ModelFamily, std::vector<std::pair<std::string, SettingRef>>> meterKeys_;
    QElapsedTimer clock_;
    QTimer ticker_;
};

}  // namespace brevant::service
