#include "service/Service.h"

#include "service/Api.h"

#include <algorithm>

namespace brevant::service {

namespace {

HttpServerOptions ServerOptions(const ServiceConfig& config)
{
    HttpServerOptions options;
    options.address = QHostAddress(QString::fromStdString(config.listen.host));
    if (config.listen.host == "localhost")
        options.address = QHostAddress(QHostAddress::LocalHost);
    options.port = static_cast<quint16>(config.listen.port);
    options.limits.body = config.limits.requestBody;
    options.maxConnections = config.limits.connections;
    options.idleTimeoutMs = config.limits.idleSeconds * 1000;
    options.readToken = config.readToken;
    options.controlToken = config.controlToken;
    options.corsOrigins = config.corsOrigins;
    options.certificateFile = QString::fromStdString(config.tlsCertificate);
    options.keyFile = QString::fromStdString(config.tlsKey);
    return options;
}

}  // namespace

Service::Service(ServiceConfig config, Log log, QObject* parent)
    : QObject(parent), config_(std::move(config)), log_(std::move(log))
{
}

Service::~Service()
{
    Stop();
}

bool Service::Start(std::string* error)
{
    EventLimits limits;
    limits.clients = config_.limits.clients;
    limits.message = config_.limits.webSocketMessage;
    limits.queue = eventQueue_;
    limits.idleMs = config_.limits.idleSeconds * 1000;
    events_ = new EventHub(
        limits, [this](const std::string& id) { return Device(id); }, log_, this);
    http_ = new HttpServer(ServerOptions(config_), this);
    http_->SetLog(log_);
    AddApiRoutes(*http_, *this);
    QString why;
    if (!http_->Listen(&why)) {
        *error = "cannot listen on " + config_.listen.Text() + ": " + why.toStdString();
        return false;
    }
    for (const DeviceConfig& device : config_.devices)
        devices_.push_back(StartDevice(device));
    return true;
}

Service::Served Service::StartDevice(const DeviceConfig& device)
{
    Served served{device, std::make_unique<DeviceRunner>(device), nullptr};
    if (!simulator_.empty())
        served.runner->SetSimulator(simulator_);
    if (events_)
        events_->Watch(*served.runner);
    served.runner->Start();
    if (log_)
        log_("device " + device.id + " at " + device.address.Text() + ": started");
    if (device.share) {
        SharedPortOptions options;
        options.address = ServerOptions(config_).address;
        options.port = static_cast<quint16>(*device.share);
        options.idleTimeoutMs = config_.limits.idleSeconds * 1000;
        served.share = std::make_unique<SharedPort>(*served.runner, options, log_, this);
        QString why;
        if (!served.share->Listen(&why)) {
            if (log_)
                log_("device " + device.id + ": cannot share it on port " + std::to_string(*device.share) +
                     ": " + why.toStdString());
            served.share.reset();
        } else if (log_) {
            log_("device " + device.id + ": shared on " + config_.listen.host + ":" +
                 std::to_string(served.share->Port()));
        }
    }
    return served;
}

void Service::Reload(const ServiceConfig& config)
{
    std::vector<Served> kept;
    for (const DeviceConfig& device : config.devices) {
        auto same = std::find_if(devices_.begin(), devices_.end(),
                                 [&](const Served& served) { return served.config == device; });
        if (same != devices_.end() && same->runner) {
            kept.push_back(std::move(*same));
            devices_.erase(same);
        } else {
            kept.push_back({device, nullptr, nullptr});
        }
    }
    // What is left is no longer configured, or configured otherwise: it ends
    // before a device of the same id starts again on the same port.
    for (Served& gone : devices_) {
        gone.share.reset();
        gone.runner->Stop();
        if (log_)
            log_("device " + gone.config.id + ": stopped");
        const bool dropped =
            std::none_of(config.devices.begin(), config.devices.end(),
                         [&](const DeviceConfig& device) { return device.id == gone.config.id; });
        if (dropped && events_)
            events_->Forget(gone.config.id);
    }
    devices_ = std::move(kept);
    for (Served& served : devices_) {
        if (!served.runner)
            served = StartDevice(served.config);
    }
    config_.devices = config.devices;
}

void Service::Stop()
{
    for (Served& served : devices_) {
        served.share.reset();
        if (served.runner)
            served.runner->Stop();
    }
}

quint16 Service::ApiPort() const
{
    return http_ ? http_->Port() : 0;
}

std::vector<DeviceRunner*> Service::Devices() const
{
    std::vector<DeviceRunner*> all;
    for (const Served& served : devices_)
        all.push_back(served.runner.get());
    return all;
}

DeviceRunner* Service::Device(const std::string& id) const
{
    for (const Served& served : devices_) {
        if (served.config.id == id)
            return served.runner.get();
    }
    return nullptr;
}

quint16 Service::SharePort(const std::string& id) const
{
    for (const Served& served : devices_) {
        if (served.config.id == id)
            return served.share ? served.share->Port() : 0;
    }
    return 0;
}

int Service::EventClients() const
{
    return events_ ? events_->Clients() : 0;
}

int Service::ApiConnections() const
{
    return http_ ? http_->ConnectionCount() : 0;
}

}  // namespace brevant::service
