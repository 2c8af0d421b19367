// The service: the devices of a configuration, each served by its runner,
// and the HTTP API over them.
//
// Reload takes a new configuration: devices it no longer names are stopped,
// new ones started, and the ones it keeps as they were are not touched (a
// device whose address or options changed is started again). The API's
// address, tokens and limits are taken at start only.
//
// Thread-safety: a Service belongs to the thread that made it (its event
// loop runs the API). The runners' hooks come from their own threads and are
// handed to that thread.
#pragma once

#include "service/DeviceRunner.h"
#include "service/EventHub.h"
#include "service/HttpServer.h"
#include "service/SharedPort.h"
#include "service/parse/ServiceConfig.h"

#include <QObject>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace brevant::service {

class Service : public QObject {
    Q_OBJECT
public:
    using Log = std::function<void(const std::string&)>;

    Service(ServiceConfig config, Log log, QObject* parent = nullptr);
    ~Service() override;  // stops every device

    // The simulator "virtual" devices run (tests; else the one beside the program).
    void SetSimulator(std::string path) { simulator_ = std::move(path); }
    // The bytes an events client may leave unsent before it is dropped (tests; else 1 MiB).
    void SetEventQueueLimit(qint64 bytes) { eventQueue_ = bytes; }
    // Listens and starts every device; false with the reason in *error.
    bool Start(std::string* error);
    // Applies a new configuration's devices; see above.
    void Reload(const ServiceConfig& config);
    // Stops every device (each within a second).
    void Stop();

    quint16 ApiPort() const;
    // The devices in the configuration's order; null when there is none of that id.
    std::vector<DeviceRunner*> Devices() const;
    DeviceRunner* Device(const std::string& id) const;
    int ApiConnections() const;
    // The port a device's line protocol is shared on; 0 when it has none
    // (or it could not listen).
    quint16 SharePort(const std::string& id) const;
    // The live events' clients; null before Start.
    EventHub* Events() const { return events_; }
    int EventClients() const;

private:
    struct Served {
        DeviceConfig config;
        std::unique_ptr<DeviceRunner> runner;
        std::unique_ptr<SharedPort> share;  // goes before its runner
    };
    Served StartDevice(const DeviceConfig& device);

    ServiceConfig config_;
    Log log_;
    std::string simulator_;
    qint64 eventQueue_ = 1024 * 1024;
    HttpServer* http_ = nullptr;
    EventHub* events_ = nullptr;
    std::vector<Served> devices_;
};

}  // namespace brevant::service
