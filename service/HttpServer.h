// The service's HTTP/1.1 server: a route table over a bounded listener.
// Requests are read with HttpRequestParser under HttpLimits; connections are
// bounded in number, in time per request and while idle, in requests each and
// in what waits to be written. Optional bearer tokens (read-only and control),
// CORS for listed origins only, and HTTPS when a certificate and key are given.
// Every refusal is answered with its status and reported in one log line.
// A route may instead take over connections upgraded to another protocol (a
// WebSocket): the request is checked as any other (token, Origin), then its
// socket is handed over with the request's head still unread in it.
//
// Thread safety: an HttpServer, its routes and every HttpResponder it hands out
// belong to the thread the server was created in; handlers run there and a
// responder must be called there (post to it from other threads).
#pragma once

#include "service/parse/HttpRequest.h"

#include <QHostAddress>
#include <QObject>
#include <QString>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

class QTcpServer;
class QTcpSocket;

namespace brevant {

struct HttpServerOptions {
    QHostAddress address = QHostAddress(QHostAddress::LocalHost);
    quint16 port = 0;  // 0 picks a free port; Port() tells which
    HttpLimits limits;
    int maxConnections = 64;       // beyond it a client is answered 503 and closed
    int requestTimeoutMs = 10000;  // from a request's first byte to its last: cuts a trickling client
    int idleTimeoutMs = 30000;     // a kept-alive connection with nothing to do
    int maxRequestsPerConnection = 1000;
    qint64 maxWriteQueue = 8 * 1024 * 1024;  // bytes answered but not yet taken by the client
    std::string readToken;                   // when either token is set, every request needs one
    std::string controlToken;
    std::vector<std::string> corsOrigins;  // exact origins ("https://panel.example:8443")
    QString certificateFile;               // PEM; both set: HTTPS
    QString keyFile;
};

// The {name} parts of a route's pattern, by name.
using HttpCaptures = std::map<std::string, std::string>;

// Answers one request, now or later. Copies share the one answer: the first
// Send goes out, later ones are ignored. If the connection went away meanwhile
// the answer is dropped. If every copy is gone without an answer, the client
// gets 500 rather than waiting for ever.
class HttpResponder {
public:
    void Send(HttpResponse response) const;
    bool Sent() const;

private:
    friend class HttpServer;
    struct Slot;
    std::shared_ptr<Slot> slot_;
};

class HttpUpgrade;

using HttpHandler = std::function<HttpResponse(const HttpRequest&, const HttpCaptures&)>;
using HttpAsyncHandler = std::function<void(const HttpRequest&, const HttpCaptures&, HttpResponder)>;
// Takes the socket of an upgrade, or answers why not (the answer is ignored
// once the socket is taken).
using HttpUpgradeHandler = std::function<HttpResponse(const HttpRequest&, const HttpCaptures&, HttpUpgrade&)>;
using HttpLog = std::function<void(const std::string&)>;

class HttpServer : public QObject {
    Q_OBJECT
public:
    explicit HttpServer(HttpServerOptions options, QObject* parent = nullptr);
    ~HttpServer() override;

    // A route: a method (GET also serves HEAD) and a pattern of segments, where
    // "{name}" takes one segment and a last "{name...}" takes the rest of the
    // path, slashes included: "/api/v1/devices/{id}/settings/{key...}".
    void Route(std::string method, std::string pattern, HttpHandler handler);
    void RouteAsync(std::string method, std::string pattern, HttpAsyncHandler handler);
    // A GET route that takes WebSocket upgrades ("Upgrade: websocket"); a
    // plain GET of it is answered 426, an upgrade from an Origin not listed
    // for CORS 403. An upgrade may give its token as ?access_token=.
    void RouteUpgrade(const std::string& pattern, HttpUpgradeHandler handler);
    // Where refusals and failures are reported, one line each.
    void SetLog(HttpLog log);

    // Starts listening; false with the reason in *error.
    bool Listen(QString* error);
    quint16 Port() const;
    bool Secure() const;  // serving HTTPS
    int ConnectionCount() const;

private:
    friend class HttpResponder;
    friend class HttpUpgrade;
    class Connection;
    struct RouteEntry {
        std::string method;
        std::vector<std::string> segments;
        HttpAsyncHandler handler;
        HttpUpgradeHandler upgrade;  // set for an upgrade route
    };

    void Accept();
    void Refuse(QTcpSocket* socket);
    void Dispatch(Connection* connection, const HttpRequest& request);
    bool HasUpgradeRoutes() const;
    bool IsUpgradePath(const std::vector<std::string>& segments) const;
    void Upgrade(Connection* connection, const HttpRequest& request, const RouteEntry& route,
                 const HttpCaptures& captures, const HttpResponder& responder);
    bool Authorize(const HttpRequest& request, HttpResponse& refusal) const;
    const std::string* AllowedOrigin(const HttpRequest& request) const;
    void Log(const std::string& line) const;

    HttpServerOptions options_;
    std::vector<RouteEntry> routes_;
    HttpLog log_;
    QTcpServer* server_ = nullptr;
    int connections_ = 0;
};

// Hands an upgraded connection's socket over to its new owner.
class HttpUpgrade {
public:
    // The socket, with no parent and the request's head unread in it; the
    // server lets go of it. Null once taken.
    QTcpSocket* TakeSocket();
    bool Taken() const { return taken_; }

private:
    friend class HttpServer;
    HttpServer::Connection* connection_ = nullptr;
    bool taken_ = false;
};

}  // namespace brevant
