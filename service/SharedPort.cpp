#include "service/SharedPort.h"

#include "core/DeviceLink.h"
#include "core/Timing.h"
#include "qtcore/HandOff.h"
#include "service/parse/SharedLine.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <array>
#include <mutex>

namespace brevant::service {

// What the client of an upgrade has written and the device's job has not yet
// sent, and whether that client is still there.
struct UpgradeRelay {
    std::mutex mutex;
    std::string toDevice;
    bool clientGone = false;
};

namespace {

// A client that writes faster than an upgrade can carry is no upgrade.
constexpr std::size_t kMaxUpgradeBuffer = std::size_t{64} * 1024;
constexpr Micros kUpgradeStartLimit{2'000'000};  // for the device's answer to the start
constexpr Micros kUpgradeLimit{30LL * 60 * 1'000'000};
constexpr Micros kRelayPause{2'000};

// The device's last report of an upgrade: the image programmed, or refused.
bool UpgradeFinished(std::string_view tail)
{
    const std::string accepted{wire::kPacketLead, wire::kClose2Letter, 3, 3, 3, 3};
    const std::string refused{wire::kPacketLead, wire::kClose2Letter, '\xFF', '\xFF', '\xFF', '\xFF'};
    return tail.find(accepted) != std::string_view::npos || tail.find(refused) != std::string_view::npos;
}

// Carries an upgrade's bytes both ways, the port's lock held, until the
// device reports its end, refuses the start, the client goes away, or
// nothing moves for the idle time.
void RelayUpgrade(DeviceLink& link, const std::atomic<bool>& stop, UpgradeRelay& relay,
                  const std::function<void(std::string)>& toClient)
{
    const auto lock = link.LockPort();
    const int port = link.State().flags.PortNumber.load();
    SerialPort& serial = link.Port();
    (void)link.DrainLocked(port);
    const Deadline whole(kUpgradeLimit);
    const Micros idleLimit{static_cast<long long>(SharedPort::kUpgradeIdleMs) * 1000};
    Deadline idle(kUpgradeStartLimit);  // until the start is answered, its own limit
    std::string start;                  // the answer to the start, until its line feed
    bool started = false;
    std::string tail;
    std::array<char, 256> chunk{};
    while (!stop && !whole.Expired() && !idle.Expired()) {
        std::string out;
        {
            std::lock_guard guard(relay.mutex);
            if (relay.clientGone)
                return;
            out.swap(relay.toDevice);
        }
        if (!out.empty()) {
            if (!link.WriteLocked(port, out))
                return;
            if (started)
                idle = Deadline(idleLimit);
        }
        const IoResult got = serial.Read(port, chunk.data(), static_cast<int>(chunk.size()));
        if (got.Gone())
            return;
        if (!got.Ok() || got.count < 1) {
            serial.Wait(port, kRelayPause, true);
            continue;
        }
        const std::string bytes(chunk.data(), static_cast<std::size_t>(got.count));
        toClient(bytes);
        if (!started) {
            start += bytes;
            if (start.find('\n') == std::string::npos)
                continue;
            if (!start.starts_with(wire::kUpgradeStartAnswer))
                return;  // the device did not begin an upgrade
            started = true;
        }
        idle = Deadline(idleLimit);
        // The last few bytes are enough to find the final report in.
        tail += bytes;
        tail.erase(0, tail.size() > 16 ? tail.size() - 16 : 0);
        if (UpgradeFinished(tail))
            return;
    }
}

std::string Peer(const QTcpSocket& socket)
{
    return socket.peerAddress().toString().toStdString() + ":" + std::to_string(socket.peerPort());
}

}  // namespace

struct SharedPort::Client {
    QTcpSocket* socket = nullptr;
    QTimer* idle = nullptr;
    LineSplitter splitter;
    bool waiting = false;  // a line of it is with the device
};

SharedPort::SharedPort(DeviceRunner& runner, SharedPortOptions options, Log log, QObject* home,
                       QObject* parent)
    : QObject(parent), runner_(runner), options_(std::move(options)), log_(std::move(log)), home_(home)
{
}

SharedPort::~SharedPort()
{
    if (upgrade_) {
        std::lock_guard guard(upgrade_->mutex);
        upgrade_->clientGone = true;
    }
}

bool SharedPort::Listen(QString* error)
{
    server_ = new QTcpServer(this);
    server_->setMaxPendingConnections(kMaxClients);
    connect(server_, &QTcpServer::newConnection, this, &SharedPort::Accept);
    if (server_->listen(options_.address, options_.port))
        return true;
    *error = server_->errorString();
    return false;
}

quint16 SharedPort::Port() const
{
    return server_ ? server_->serverPort() : 0;
}

void SharedPort::Note(const std::string& text)
{
    if (log_)
        log_("device " + runner_.Id() + ", shared port " + std::to_string(Port()) + ": " + text);
}

SharedPort::Client* SharedPort::Find(QTcpSocket* socket)
{
    for (const auto& client : clients_) {
        if (client->socket == socket)
            return client.get();
    }
    return nullptr;
}

void SharedPort::Accept()
{
    while (QTcpSocket* socket = server_->nextPendingConnection()) {
        if (static_cast<int>(clients_.size()) >= kMaxClients) {
            Note("client " + Peer(*socket) + " refused: already " + std::to_string(kMaxClients) + " clients");
            socket->abort();
            socket->deleteLater();
            continue;
        }
        auto client = std::make_unique<Client>();
        client->socket = socket;
        // What the client writes beyond this waits in the kernel.
        socket->setReadBufferSize(static_cast<qint64>(LineSplitter::kSplitterCapacity) * 4);
        client->idle = new QTimer(socket);
        client->idle->setSingleShot(true);
        client->idle->setInterval(options_.idleTimeoutMs);
        connect(client->idle, &QTimer::timeout, this, [this, socket] {
            if (Client* idle = Find(socket); idle != nullptr && idle != owner_)
                Drop(*idle, "idle for " + std::to_string(options_.idleTimeoutMs / 1000) + " s, closed");
        });
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] {
            if (Client* reading = Find(socket))
                Pump(*reading);
        });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            if (Client* gone = Find(socket))
                Drop(*gone, {});
        });
        client->idle->start();
        clients_.push_back(std::move(client));
    }
}

void SharedPort::Drop(Client& client, const std::string& why)
{
    if (!why.empty())
        Note("client " + Peer(*client.socket) + " " + why);
    if (&client == owner_) {
        owner_ = nullptr;
        std::lock_guard guard(upgrade_->mutex);
        upgrade_->clientGone = true;
    }
    QTcpSocket* socket = client.socket;
    std::erase_if(clients_, [&client](const auto& held) { return held.get() == &client; });
    socket->disconnect(this);
    socket->abort();
    socket->deleteLater();
}

void SharedPort::Pump(Client& client)
{
    if (&client == owner_)
        return UpgradeBytes(client);
    if (client.socket->bytesAvailable() > 0)
        client.idle->start();
    while (!client.waiting && &client != owner_) {
        const std::size_t dropped = client.splitter.Dropped();
        std::optional<std::string> line = client.splitter.Next();
        if (client.splitter.Dropped() != dropped)
            Note("client " + Peer(*client.socket) + ": a line longer than " + std::to_string(kMaxSharedLine) +
                 " bytes dropped");
        if (line) {
            Answer(client, *line);
            continue;
        }
        const std::size_t room = client.splitter.Room();
        if (client.socket->bytesAvailable() <= 0 || room == 0)
            return;
        const QByteArray bytes = client.socket->read(static_cast<qint64>(room));
        client.splitter.Feed(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    }
    if (&client == owner_)
        UpgradeBytes(client);
}

void SharedPort::Answer(Client& client, const std::string& text)
{
    if (upgrading_) {
        client.socket->write(kBusyReply.data(), static_cast<qint64>(kBusyReply.size()));
        return;
    }
    const SharedLine line = ParseSharedLine(text);
    const RunnerStatus status = runner_.Status();
    const bool known = !status.model.empty() && status.state != RunnerState::Lost &&
                       status.state != RunnerState::Connecting && status.state != RunnerState::Stopped;
    std::string reply;
    switch (line.kind) {
    case LineKind::Unknown: return;  // the device is silent too
    case LineKind::Upgrade: return StartUpgrade(client, text);
    case LineKind::ServiceQuery: reply = wire::kServiceReply; break;
    case LineKind::ModelQuery:
        if (known)
            reply = std::string(wire::kModelTag) + status.model + "\r\n";
        break;
    case LineKind::VersionQuery:
        if (known && !status.firmware.empty())
            reply = std::string(wire::kVersionTag) + status.firmware + "\r\n";
        break;
    case LineKind::SettingQuery:
        if (const auto value = runner_.Value(line.setting))
            reply = ReplyText(*line.command, line.setting.at, *value);
        break;
    case LineKind::MeterQuery:
        // The first query after a quiet spell goes to the device; the polling
        // it starts answers the next ones.
        runner_.TouchMeters();
        if (const auto value = runner_.Meter(line.setting);
            value && line.command->HasOn(status.family, line.setting.at.a))
            reply = ReplyText(*line.command, line.setting.at, *value);
        break;
    default: break;
    }
    if (!reply.empty()) {
        client.socket->write(reply.data(), static_cast<qint64>(reply.size()));
        return;
    }
    client.waiting = true;
    runner_.Exchange(text, [home = home_.data(), self = QPointer<SharedPort>(this),
                            socket = QPointer<QTcpSocket>(client.socket)](std::string bytes) mutable {
        PostTo(home, [self = std::move(self), socket = std::move(socket), bytes = std::move(bytes)] {
            Client* asked = self && socket ? self->Find(socket) : nullptr;
            if (asked == nullptr)
                return;
            asked->socket->write(bytes.data(), static_cast<qint64>(bytes.size()));
            asked->waiting = false;
            self->Pump(*asked);
        });
    });
}

void SharedPort::StartUpgrade(Client& client, const std::string& line)
{
    auto relay = std::make_shared<UpgradeRelay>();
    relay->toDevice = line + client.splitter.TakeRest();
    const bool taken = runner_.RunExclusive(
        [relay, home = home_.data(), self = QPointer<SharedPort>(this),
         socket = QPointer<QTcpSocket>(client.socket)](DeviceLink& link, const std::atomic<bool>& stop) {
            RelayUpgrade(link, stop, *relay, [&](std::string bytes) {
                PostTo(home, [self, socket, bytes = std::move(bytes)] {
                    if (self && socket)
                        socket->write(bytes.data(), static_cast<qint64>(bytes.size()));
                });
            });
            PostTo(home, [self] {
                if (self)
                    self->UpgradeEnded();
            });
        });
    if (!taken) {
        Note("client " + Peer(*client.socket) + ": upgrade refused, the device is not connected or busy");
        client.socket->write(kBusyReply.data(), static_cast<qint64>(kBusyReply.size()));
        return;
    }
    Note("client " + Peer(*client.socket) + " upgrades the firmware; the device is its alone until the end");
    upgrading_ = true;
    owner_ = &client;
    upgrade_ = relay;
    UpgradeBytes(client);
}

void SharedPort::UpgradeBytes(Client& client)
{
    const QByteArray bytes = client.socket->readAll();
    if (bytes.isEmpty())
        return;
    bool flooded = false;
    {
        std::lock_guard guard(upgrade_->mutex);
        flooded = upgrade_->toDevice.size() + static_cast<std::size_t>(bytes.size()) > kMaxUpgradeBuffer;
        if (!flooded)
            upgrade_->toDevice.append(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    }
    if (flooded)
        Drop(client,
             "wrote more than " + std::to_string(kMaxUpgradeBuffer) + " bytes ahead of the upgrade, closed");
}

void SharedPort::UpgradeEnded()
{
    Note("the upgrade has ended; the device is read back again");
    upgrading_ = false;
    upgrade_.reset();
    Client* owner = std::exchange(owner_, nullptr);
    if (owner != nullptr)
        Pump(*owner);
}

}  // namespace brevant::service
