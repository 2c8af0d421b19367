// A device's shared port: a TCP server that speaks the device's own line
// protocol, so the window and brevantctl reach the device through the
// service while the API, other clients and the polling go on.
//
// Each client's lines are taken in order, one at a time, and each reply goes
// to the client that asked. A query of a setting the device has confirmed is
// answered from the mirror, a meter query from the last polling pass, the
// model and version from what the device said at connect; everything else
// (sets, actions, the sound test, save, values not known) is exchanged with
// the device through its command queue and the device's reply relayed.
// A line the device would not understand, or longer than kMaxSharedLine, is
// dropped: the device answers such a line with silence.
//
// "UGst" gives the device to that client alone: from then on its bytes and
// the device's go through unchanged (the firmware packets) until the device
// reports the image programmed or refused, the client goes away, or nothing
// moves for kUpgradeIdleMs. Meanwhile every other client's line is answered
// with kBusyReply, and the API's sets are refused as busy. Afterwards the
// device is connected and read back again.
//
// Bounds: kMaxClients clients (a further one is closed at once), lines of
// kMaxSharedLine bytes, a few lines buffered per client (the rest waits in
// the kernel), an idle client closed after the configured idle time.
// Every refusal is logged.
//
// Thread-safety: a SharedPort belongs to the thread that made it (its event
// loop serves the clients); the runner's answers are handed to the thread
// of `home`, which must outlive the runner's work (the Service).
#pragma once

#include "service/DeviceRunner.h"

#include <QHostAddress>
#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class QTcpServer;
class QTcpSocket;

namespace brevant::service {

struct UpgradeRelay;  // the bytes of an upgrade between the client and the device's job

struct SharedPortOptions {
    QHostAddress address = QHostAddress(QHostAddress::LocalHost);
    quint16 port = 0;
    int idleTimeoutMs = 60'000;
};

class SharedPort : public QObject {
    Q_OBJECT
public:
    using Log = std::function<void(const std::string&)>;

    static constexpr int kMaxClients = 8;
    // What a client is told while another owns the device.
    static constexpr std::string_view kBusyReply = "BUSY\r\n";
    static constexpr int kUpgradeIdleMs = 60'000;

    SharedPort(DeviceRunner& runner, SharedPortOptions options, Log log, QObject* home,
               QObject* parent = nullptr);
    ~SharedPort() override;

    bool Listen(QString* error);
    quint16 Port() const;
    int ClientCount() const { return static_cast<int>(clients_.size()); }

private:
    struct Client;

    void Accept();
    void Pump(Client& client);
    void Answer(Client& client, const std::string& line);
    void StartUpgrade(Client& client, const std::string& line);
    void UpgradeBytes(Client& client);
    void UpgradeEnded();
    void Drop(Client& client, const std::string& why);
    Client* Find(QTcpSocket* socket);
    void Note(const std::string& text);

    DeviceRunner& runner_;
    SharedPortOptions options_;
    Log log_;
    QPointer<QObject> home_;
    QTcpServer* server_ = nullptr;
    std::vector<std::unique_ptr<Client>> clients_;
    // While an upgrade runs: the client it belongs to (null once that one
    // went away) and the bytes on their way.
    bool upgrading_ = false;
    Client* owner_ = nullptr;
    std::shared_ptr<UpgradeRelay> upgrade_;
};

}  // namespace brevant::service
