#include "service/HttpServer.h"

#include <QFile>
#include <QPointer>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslKey>
#include <QSslServer>
#include <QSslSocket>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>

namespace brevant {

namespace {

constexpr qint64 kReadChunk = 64 * 1024;  // what one connection reads before it parses
constexpr int kDrainMs =
    1000;  // after a refusal, at most how long what the client still sends is read and dropped
constexpr qint64 kDrainBytes = 2 * 1024 * 1024;

// Compares in a time that depends on the lengths only, not on where the texts
// differ, so a token cannot be guessed a byte at a time.
bool SameSecret(std::string_view given, std::string_view secret)
{
    unsigned difference = given.size() == secret.size() ? 0U : 1U;
    const std::size_t length = std::max(given.size(), secret.size());
    for (std::size_t i = 0; i < length; ++i) {
        const auto a = static_cast<unsigned char>(i < given.size() ? given[i] : 0);
        const auto b = static_cast<unsigned char>(i < secret.size() ? secret[i] : 0);
        difference |= static_cast<unsigned>(a ^ b);
    }
    return difference == 0 && !secret.empty();
}

std::vector<std::string> SplitPattern(std::string_view pattern)
{
    std::vector<std::string> segments;
    if (!pattern.empty() && pattern.front() == '/')
        pattern.remove_prefix(1);
    while (!pattern.empty()) {
        const std::size_t slash = pattern.find('/');
        segments.emplace_back(pattern.substr(0, slash));
        pattern = slash == std::string_view::npos ? std::string_view() : pattern.substr(slash + 1);
    }
    return segments;
}

bool IsCapture(const std::string& segment)
{
    return segment.size() > 2 && segment.front() == '{' && segment.back() == '}';
}

// Whether the path fits the pattern; fills the captures when it does.
bool Match(const std::vector<std::string>& pattern, const std::vector<std::string>& path,
           HttpCaptures& captures)
{
    captures.clear();
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const std::string& part = pattern[i];
        if (!IsCapture(part)) {
            if (i >= path.size() || path[i] != part)
                return false;
            continue;
        }
        std::string name = part.substr(1, part.size() - 2);
        if (i + 1 == pattern.size() && name.size() > 3 && name.ends_with("...")) {
            if (i >= path.size())
                return false;
            std::string rest = path[i];
            for (std::size_t j = i + 1; j < path.size(); ++j)
                rest += '/' + path[j];
            if (rest.empty())
                return false;
            captures[name.substr(0, name.size() - 3)] = std::move(rest);
            return true;
        }
        if (i >= path.size() || path[i].empty())
            return false;
        captures[std::move(name)] = path[i];
    }
    return pattern.size() == path.size();
}

// Whether a request asks to become a WebSocket ("Upgrade: websocket").
bool AsksWebSocket(const HttpRequest& request)
{
    const std::string* upgrade = request.Header("Upgrade");
    if (upgrade == nullptr)
        return false;
    std::string lower = *upgrade;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower.find("websocket") != std::string::npos;
}

std::string Peer(const QTcpSocket* socket)
{
    return socket->peerAddress().toString().toStdString() + ':' + std::to_string(socket->peerPort());
}

}  // namespace

// One client: reads its requests one at a time, answers each in order.
class HttpServer::Connection : public QObject {
public:
    Connection(HttpServer* server, QTcpSocket* socket)
        : QObject(server), server_(server), socket_(socket), peer_(Peer(socket)),
          parser_(server->options_.limits)
    {
        socket_->setParent(this);
        socket_->setReadBufferSize(kReadChunk);
        timer_.setSingleShot(true);
        QObject::connect(&timer_, &QTimer::timeout, this, [this] { TimedOut(); });
        QObject::connect(socket_, &QTcpSocket::readyRead, this, [this] { Read(); });
        QObject::connect(socket_, &QTcpSocket::disconnected, this, [this] { Gone(); });
        QObject::connect(socket_, &QTcpSocket::errorOccurred, this, [this] {
            if (socket_->state() == QAbstractSocket::UnconnectedState)
                Gone();
        });
        StartTimer(true);  // a new connection has the request time to send its first request
        Read();
    }

    ~Connection() override { --server_->connections_; }

    const std::string& PeerText() const { return peer_; }
    quint64 Sequence() const { return sequence_; }

    // The answer to the request in hand; its sequence guards against a stale one.
    void Answer(quint64 sequence, const HttpResponse& response, bool keepAlive, bool headOnly)
    {
        if (sequence != sequence_ || !busy_ || closing_)
            return;
        busy_ = false;
        if (upgradeHead_ > 0) {  // an upgrade refused: its head is still in the socket
            socket_->skip(upgradeHead_);
            upgradeHead_ = 0;
            keepAlive = false;
        }
        keepAlive = keepAlive && requests_ < server_->options_.maxRequestsPerConnection;
        HttpResponse out = response;
        if (!keepAlive)  // an HTTP/1.0 client's keep-alive no longer holds
            std::erase_if(out.headers, [](const HttpHeader& header) {
                return HeaderNameEquals(header.name, "Connection");
            });
        const std::string bytes = FormatResponse(out, keepAlive, headOnly);
        socket_->write(bytes.c_str(), static_cast<qint64>(bytes.size()));
        if (socket_->bytesToWrite() > server_->options_.maxWriteQueue) {
            server_->Log("http " + peer_ + ": dropped, it does not read its answers (more than " +
                         std::to_string(server_->options_.maxWriteQueue) + " bytes waiting)");
            Close(true);
            return;
        }
        if (!keepAlive) {
            Close(false);
            return;
        }
        StartTimer(false);
        QMetaObject::invokeMethod(
            this, [this] { Read(); }, Qt::QueuedConnection);
    }

    // Lets go of the socket, which keeps what it has not read; the connection
    // ends.
    QTcpSocket* Release()
    {
        QObject::disconnect(socket_, nullptr, this, nullptr);
        socket_->setParent(nullptr);
        QTcpSocket* socket = socket_;
        socket_ = nullptr;
        closing_ = true;
        Gone();
        return socket;
    }

private:
    void StartTimer(bool request)
    {
        requestTimer_ = request;
        timer_.start(request ? server_->options_.requestTimeoutMs : server_->options_.idleTimeoutMs);
    }

    void Read()
    {
        if (gone_)
            return;
        if (draining_) {
            drained_ += socket_->readAll().size();
            if (drained_ > kDrainBytes)
                EndDrain();
            return;
        }
        while (!busy_ && !closing_) {
            if (PeekUpgrade())
                return;
            const QByteArray bytes = socket_->read(kReadChunk);
            HttpParse parse =
                parser_.Feed(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
            if (parse.state == HttpParseState::Failed) {
                Refuse(parse.error.status, parse.error.message);
                return;
            }
            if (parse.state == HttpParseState::NeedMore) {
                if (parse.sendContinue)
                    socket_->write("HTTP/1.1 100 Continue\r\n\r\n");
                if (parser_.Started() && !requestTimer_)
                    StartTimer(true);
                if (socket_->bytesAvailable() == 0)
                    return;
                continue;
            }
            timer_.stop();
            requestTimer_ = false;
            busy_ = true;
            ++requests_;
            ++sequence_;
            server_->Dispatch(this, parse.request);
        }
    }

    // A request to upgrade a route that takes upgrades is read without taking
    // it from the socket, so that the new protocol's owner reads its head
    // again. True when such a request went out, or when what has arrived may
    // be the start of one and the rest is awaited.
    bool PeekUpgrade()
    {
        if (parser_.Started() || !server_->HasUpgradeRoutes())
            return false;
        const HttpLimits& limits = server_->options_.limits;
        const qint64 headLimit =
            static_cast<qint64>(limits.requestLine) + static_cast<qint64>(limits.headerBytes) + 4;
        const QByteArray head = socket_->peek(headLimit);
        const std::string_view get = "GET ";
        const std::string_view start(head.constData(), std::min<std::size_t>(head.size(), get.size()));
        if (!get.starts_with(start) || head.isEmpty())
            return false;
        const qsizetype end = head.indexOf("\r\n\r\n");
        if (end < 0) {
            if (head.size() >= headLimit)
                return false;  // the parser refuses it
            if (!requestTimer_)
                StartTimer(true);
            return true;
        }
        HttpRequestParser parser(limits);
        const HttpParse parse =
            parser.Feed(std::string_view(head.constData(), static_cast<std::size_t>(end) + 4));
        if (parse.state != HttpParseState::Complete || !AsksWebSocket(parse.request) ||
            !server_->IsUpgradePath(parse.request.segments))
            return false;
        timer_.stop();
        requestTimer_ = false;
        busy_ = true;
        ++requests_;
        ++sequence_;
        upgradeHead_ = end + 4;
        server_->Dispatch(this, parse.request);
        return true;
    }

    void Refuse(int status, const std::string& message)
    {
        server_->Log("http " + peer_ + ": " + std::to_string(status) + ' ' + message);
        const std::string bytes = FormatResponse(HttpResponse::Error(status, message), false, false);
        socket_->write(bytes.c_str(), static_cast<qint64>(bytes.size()));
        // Closing with the rest of the request unread would reset the
        // connection, and the client might lose the answer: read on a moment.
        draining_ = true;
        busy_ = false;
        requestTimer_ = false;
        timer_.start(std::min(kDrainMs, server_->options_.requestTimeoutMs));
        Read();
    }

    void EndDrain()
    {
        draining_ = false;
        Close(false);
    }

    void TimedOut()
    {
        if (draining_) {
            EndDrain();
            return;
        }
        if (requestTimer_ && !busy_ && !closing_) {
            Refuse(408, "the request did not arrive within " +
                            std::to_string(server_->options_.requestTimeoutMs) + " ms");
            return;
        }
        Close(true);  // idle, or the client did not take its last answer in time
    }

    // Ends the connection: at once, or after what is written has gone out
    // (within the idle time).
    void Close(bool now)
    {
        if (!closing_) {
            closing_ = true;
            busy_ = false;
            requestTimer_ = false;
            if (!now) {
                timer_.start(server_->options_.idleTimeoutMs);
                socket_->disconnectFromHost();
                if (socket_->state() != QAbstractSocket::UnconnectedState)
                    return;
            }
        }
        socket_->abort();
        Gone();
    }

    void Gone()
    {
        if (gone_)
            return;
        gone_ = true;
        closing_ = true;
        timer_.stop();
        deleteLater();
    }

    HttpServer* server_;
    QTcpSocket* socket_;
    std::string peer_;
    HttpRequestParser parser_;
    QTimer timer_;
    bool requestTimer_ = false;
    bool draining_ = false;
    qint64 drained_ = 0;
    bool busy_ = false;
    bool closing_ = false;
    bool gone_ = false;
    int requests_ = 0;
    quint64 sequence_ = 0;
    qint64 upgradeHead_ = 0;  // bytes of an upgrade's head still unread in the socket
};

QTcpSocket* HttpUpgrade::TakeSocket()
{
    if (taken_ || connection_ == nullptr)
        return nullptr;
    taken_ = true;
    return connection_->Release();
}

struct HttpResponder::Slot {
    QPointer<HttpServer::Connection> connection;
    quint64 sequence = 0;
    bool keepAlive = true;
    bool headOnly = false;
    bool sent = false;
    std::vector<HttpHeader> extraHeaders;  // CORS

    ~Slot()
    {
        if (!sent && connection)
            connection->Answer(sequence,
                               HttpResponse::Error(500, "the request was dropped without an answer"), false,
                               headOnly);
    }
};

void HttpResponder::Send(HttpResponse response) const
{
    if (!slot_ || slot_->sent)
        return;
    slot_->sent = true;
    if (!slot_->connection)
        return;  // the client went away meanwhile
    for (const HttpHeader& header : slot_->extraHeaders)
        response.headers.push_back(header);
    slot_->connection->Answer(slot_->sequence, response, slot_->keepAlive, slot_->headOnly);
}

bool HttpResponder::Sent() const
{
    return slot_ && slot_->sent;
}

HttpServer::HttpServer(HttpServerOptions options, QObject* parent)
    : QObject(parent), options_(std::move(options))
{
}

HttpServer::~HttpServer()
{
    // The connections first, while the server they report to is whole. They
    // are no QObject subclass of their own to Qt (no Q_OBJECT), so they are
    // told from the listener by their C++ type.
    for (QObject* child : children()) {
        if (auto* connection = dynamic_cast<Connection*>(child))
            delete connection;
    }
}

void HttpServer::Route(std::string method, std::string pattern, HttpHandler handler)
{
    RouteAsync(std::move(method), std::move(pattern),
               [handler = std::move(handler)](const HttpRequest& request, const HttpCaptures& captures,
                                              const HttpResponder& responder) {
                   responder.Send(handler(request, captures));
               });
}

void HttpServer::RouteAsync(std::string method, std::string pattern, HttpAsyncHandler handler)
{
    routes_.push_back(RouteEntry{std::move(method), SplitPattern(pattern), std::move(handler), {}});
}

void HttpServer::RouteUpgrade(const std::string& pattern, HttpUpgradeHandler handler)
{
    routes_.push_back(RouteEntry{"GET", SplitPattern(pattern), {}, std::move(handler)});
}

bool HttpServer::HasUpgradeRoutes() const
{
    return std::any_of(routes_.begin(), routes_.end(), [](const RouteEntry& route) { return route.upgrade; });
}

bool HttpServer::IsUpgradePath(const std::vector<std::string>& segments) const
{
    HttpCaptures captures;
    return std::any_of(routes_.begin(), routes_.end(), [&](const RouteEntry& route) {
        return route.upgrade && Match(route.segments, segments, captures);
    });
}

void HttpServer::Upgrade(Connection* connection, const HttpRequest& request, const RouteEntry& route,
                         const HttpCaptures& captures, const HttpResponder& responder)
{
    HttpResponse answer;
    if (!AsksWebSocket(request)) {
        answer = HttpResponse::Error(426, request.path + " is served as a WebSocket only");
        answer.headers.push_back({"Upgrade", "websocket"});
    } else if (request.Header("Origin") && !AllowedOrigin(request)) {
        answer =
            HttpResponse::Error(403, "WebSockets from " + *request.Header("Origin") + " are not allowed");
    } else {
        HttpUpgrade upgrade;
        upgrade.connection_ = connection;
        answer = route.upgrade(request, captures, upgrade);
        if (upgrade.Taken()) {
            responder.slot_->sent = true;  // the new protocol answers
            return;
        }
    }
    if (answer.status >= 400)
        Log("http " + connection->PeerText() + ": " + std::to_string(answer.status) + ' ' + request.method +
            ' ' + request.path + ": " + answer.body);
    responder.Send(std::move(answer));
}

void HttpServer::SetLog(HttpLog log)
{
    log_ = std::move(log);
}

void HttpServer::Log(const std::string& line) const
{
    if (log_)
        log_(line);
}

quint16 HttpServer::Port() const
{
    return server_ ? server_->serverPort() : 0;
}

bool HttpServer::Secure() const
{
    return qobject_cast<QSslServer*>(server_) != nullptr;
}

int HttpServer::ConnectionCount() const
{
    return connections_;
}

bool HttpServer::Listen(QString* error)
{
    delete server_;
    server_ = nullptr;
    if (!options_.certificateFile.isEmpty() || !options_.keyFile.isEmpty()) {
        QFile certificateFile(options_.certificateFile);
        QFile keyFile(options_.keyFile);
        if (!certificateFile.open(QIODevice::ReadOnly) || certificateFile.size() > 1024 * 1024 ||
            !keyFile.open(QIODevice::ReadOnly) || keyFile.size() > 1024 * 1024) {
            *error = QStringLiteral("the certificate %1 or the key %2 cannot be read")
                         .arg(options_.certificateFile, options_.keyFile);
            return false;
        }
        const QList<QSslCertificate> chain = QSslCertificate::fromData(certificateFile.readAll(), QSsl::Pem);
        const QByteArray keyBytes = keyFile.readAll();
        QSslKey key(keyBytes, QSsl::Rsa, QSsl::Pem);
        if (key.isNull())
            key = QSslKey(keyBytes, QSsl::Ec, QSsl::Pem);
        if (chain.isEmpty() || key.isNull()) {
            *error = QStringLiteral("the certificate %1 or the key %2 is not in PEM form")
                         .arg(options_.certificateFile, options_.keyFile);
            return false;
        }
        QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
        configuration.setLocalCertificateChain(chain);
        configuration.setPrivateKey(key);
        configuration.setPeerVerifyMode(QSslSocket::VerifyNone);
        auto* secure = new QSslServer(this);
        secure->setSslConfiguration(configuration);
        secure->setHandshakeTimeout(options_.requestTimeoutMs);
        server_ = secure;
    } else {
        server_ = new QTcpServer(this);
    }
    connect(server_, &QTcpServer::pendingConnectionAvailable, this, &HttpServer::Accept);
    if (!server_->listen(options_.address, options_.port)) {
        *error = QStringLiteral("cannot listen on %1 port %2: %3")
                     .arg(options_.address.toString())
                     .arg(options_.port)
                     .arg(server_->errorString());
        delete server_;
        server_ = nullptr;
        return false;
    }
    return true;
}

void HttpServer::Accept()
{
    while (QTcpSocket* socket = server_->nextPendingConnection()) {
        if (connections_ >= options_.maxConnections) {
            Refuse(socket);
            continue;
        }
        ++connections_;
        new Connection(this, socket);
    }
}

// Beyond the connection count: a short answer, then the socket goes, whether
// or not the client reads it.
void HttpServer::Refuse(QTcpSocket* socket)
{
    Log("http " + Peer(socket) + ": 503 more than " + std::to_string(options_.maxConnections) +
        " connections");
    socket->setParent(this);
    const std::string bytes =
        FormatResponse(HttpResponse::Error(503, "too many connections; try again later"), false, false);
    socket->write(bytes.c_str(), static_cast<qint64>(bytes.size()));
    connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    QTimer::singleShot(1000, socket, [socket] {
        socket->abort();
        socket->deleteLater();
    });
    socket->disconnectFromHost();
}

const std::string* HttpServer::AllowedOrigin(const HttpRequest& request) const
{
    const std::string* origin = request.Header("Origin");
    if (!origin)
        return nullptr;
    const auto listed = std::find(options_.corsOrigins.begin(), options_.corsOrigins.end(), *origin);
    return listed == options_.corsOrigins.end() ? nullptr : &*listed;
}

bool HttpServer::Authorize(const HttpRequest& request, HttpResponse& refusal) const
{
    if (options_.readToken.empty() && options_.controlToken.empty())
        return true;
    std::string_view given;
    if (const std::string* header = request.Header("Authorization");
        header && header->size() > 7 && HeaderNameEquals(std::string_view(*header).substr(0, 7), "Bearer "))
        given = std::string_view(*header).substr(7);
    // A browser cannot give a WebSocket a header: it may give the token in the query.
    const std::string* inQuery = request.Query("access_token");
    if (given.empty() && inQuery && AsksWebSocket(request))
        given = *inQuery;
    if (SameSecret(given, options_.controlToken))
        return true;
    if (!SameSecret(given, options_.readToken)) {
        refusal = HttpResponse::Error(401, given.empty() ? "a bearer token is needed"
                                                         : "the bearer token is not valid");
        refusal.headers.push_back({"WWW-Authenticate", "Bearer realm=\"brevantd\""});
        return false;
    }
    if (request.method == "GET" || request.method == "HEAD")
        return true;
    refusal = HttpResponse::Error(403, "the read-only token does not allow " + request.method);
    return false;
}

void HttpServer::Dispatch(Connection* connection, const HttpRequest& request)
{
    HttpResponder responder;
    responder.slot_ = std::make_shared<HttpResponder::Slot>();
    responder.slot_->connection = connection;
    responder.slot_->sequence = connection->Sequence();
    responder.slot_->keepAlive = request.KeepAlive();
    responder.slot_->headOnly = request.method == "HEAD";
    if (responder.slot_->keepAlive && request.minorVersion == 0)
        responder.slot_->extraHeaders.push_back({"Connection", "keep-alive"});
    const std::string* origin = AllowedOrigin(request);
    if (origin) {
        responder.slot_->extraHeaders.push_back({"Access-Control-Allow-Origin", *origin});
        responder.slot_->extraHeaders.push_back({"Vary", "Origin"});
    }

    // Which routes have this path, and which of them this method.
    std::string allow;
    const RouteEntry* found = nullptr;
    HttpCaptures captures;
    for (const RouteEntry& route : routes_) {
        HttpCaptures routeCaptures;
        if (!Match(route.segments, request.segments, routeCaptures))
            continue;
        const bool fits =
            route.method == request.method || (route.method == "GET" && request.method == "HEAD");
        if (fits && !found) {
            found = &route;
            captures = std::move(routeCaptures);
        }
        if (allow.find(route.method) == std::string::npos)
            allow += (allow.empty() ? "" : ", ") + route.method + (route.method == "GET" ? ", HEAD" : "");
    }

    if (origin && request.method == "OPTIONS" && request.Header("Access-Control-Request-Method") &&
        !allow.empty()) {
        HttpResponse preflight;
        preflight.status = 204;
        preflight.headers = {{"Access-Control-Allow-Methods", allow},
                             {"Access-Control-Allow-Headers", "Authorization, Content-Type"},
                             {"Access-Control-Max-Age", "600"}};
        responder.Send(std::move(preflight));
        return;
    }
    HttpResponse refusal;
    if (!Authorize(request, refusal)) {
        Log("http " + connection->PeerText() + ": " + std::to_string(refusal.status) + ' ' + request.method +
            ' ' + request.path);
        responder.Send(std::move(refusal));
        return;
    }
    if (!found) {
        HttpResponse missing =
            allow.empty() ? HttpResponse::Error(404, "no such resource: " + request.path)
                          : HttpResponse::Error(405, request.method + " is not served on " + request.path);
        if (!allow.empty())
            missing.headers.push_back({"Allow", allow});
        Log("http " + connection->PeerText() + ": " + std::to_string(missing.status) + ' ' + request.method +
            ' ' + request.path);
        responder.Send(std::move(missing));
        return;
    }
    if (found->upgrade) {
        Upgrade(connection, request, *found, captures, responder);
        return;
    }
    found->handler(request, captures, std::move(responder));
}

}  // namespace brevant
