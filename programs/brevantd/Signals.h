// SIGTERM, SIGINT and SIGHUP turned into Qt signals on the main thread.
//
// The handlers only write the signal's number to a socket pair; a socket
// notifier on the main thread reads it and emits terminate() or reload().
// Install once, before the event loop runs.
//
// Thread-safety: main thread only (the handlers are async-signal-safe).
#pragma once

#include <QObject>

class QSocketNotifier;

namespace brevant {

class Signals : public QObject {
    Q_OBJECT
public:
    explicit Signals(QObject* parent = nullptr);
    ~Signals() override;
    // False when the socket pair or the handlers could not be set up.
    bool Installed() const { return notifier_ != nullptr; }

signals:
    void terminate();
    void reload();

private:
    void Read();

    QSocketNotifier* notifier_ = nullptr;
};

// Tells systemd how the service is doing when it runs under a unit of
// Type=notify; does nothing elsewhere. `state` is "READY=1", "RELOADING=1",
// "STOPPING=1" or "STATUS=…".
void NotifySystemd(const char* state);

}  // namespace brevant
