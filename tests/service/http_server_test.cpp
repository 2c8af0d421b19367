// The HTTP request parser (a table of refusals, split and pipelined requests)
// and the HTTP server on 127.0.0.1: routes, asynchronous answers, bounds,
// tokens and CORS, through a raw socket client.
#include "service/HttpServer.h"
#include "service/parse/HttpRequest.h"
#include "tests/service/QtApplication.h"
#include "tests/service/RunProgram.h"

#include <QCoreApplication>
#include <QSslConfiguration>
#include <QSslSocket>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace brevant {
namespace {

using test::EnsureApplication;

std::string Get(const std::string& target, const std::string& headers = "")
{
    return "GET " + target + " HTTP/1.1\r\nHost: t\r\n" + headers + "\r\n";
}

std::string Put(const std::string& target, const std::string& body, const std::string& headers = "")
{
    return "PUT " + target + " HTTP/1.1\r\nHost: t\r\nContent-Length: " + std::to_string(body.size()) +
           "\r\n" + headers + "\r\n" + body;
}

int StatusOf(const std::string& request)
{
    HttpRequestParser parser;
    const HttpParse parse = parser.Feed(request);
    return parse.state == HttpParseState::Failed     ? parse.error.status
           : parse.state == HttpParseState::Complete ? 200
                                                     : 0;
}

TEST(HttpRequestParser, RefusesEachFaultWithItsStatus)
{
    const std::string manyHeaders = [] {
        std::string headers;
        for (int i = 0; i < 65; ++i)
            headers += "X-H" + std::to_string(i) + ": v\r\n";
        return headers;
    }();
    const struct {
        std::string request;
        int status;  // 200: complete, 0: needs more
    } cases[] = {
        {Get("/a?x=1"), 200},
        {"GET /a HTTP/1.0\r\n\r\n", 200},  // no Host needed before 1.1
        {"GET /a HTTP/1.1\r\n\r\n", 400},  // Host missing
        {"GET /a HTTP/1.1\r\nHost: t\r\n", 0},
        {"GET a HTTP/1.1\r\nHost: t\r\n\r\n", 400},
        {"GET /a%zz HTTP/1.1\r\nHost: t\r\n\r\n", 400},
        {"GET /a\rb HTTP/1.1\r\nHost: t\r\n\r\n", 400},
        {"GET /a%00 HTTP/1.1\r\nHost: t\r\n\r\n", 400},
        {"GET /a?k=%4 HTTP/1.1\r\nHost: t\r\n\r\n", 400},
        {"GET /a HTTP/1.1\r\nHost t\r\n\r\n", 400},
        {"GET /a HTTP/1.1\r\nHost: t\r\n folded\r\n\r\n", 400},
        {"GET /a HTTP/1.1\r\nHost: t\r\nContent-Length: 1x\r\n\r\n", 400},
        {"GET /a HTTP/1.1\r\nHost: t\r\nContent-Length: 1\r\nContent-Length: 2\r\n\r\n", 400},
        {"BREW /a HTTP/1.1\r\nHost: t\r\n\r\n", 501},
        {"POST /a HTTP/1.1\r\nHost: t\r\n\r\n", 411},
        {"POST /a HTTP/1.1\r\nHost: t\r\nTransfer-Encoding: chunked\r\n\r\n", 501},
        {"PUT /a HTTP/1.1\r\nHost: t\r\nContent-Length: 1048577\r\n\r\n", 413},
        {"PUT /a HTTP/1.1\r\nHost: t\r\nContent-Length: 99999999999999999999999\r\n\r\n", 413},
        {"GET /" + std::string(8200, 'a') + " HTTP/1.1\r\n", 414},
        {"GET /" + std::string(8200, 'a'), 414},  // no line end yet, already too long
        {Get("/a", manyHeaders), 431},
        {Get("/a", "X-Big: " + std::string(17000, 'b') + "\r\n"), 431},
        {"GET /a HTTP/2.0\r\nHost: t\r\n\r\n", 505},
        {"GET /a HTTP/1\r\nHost: t\r\n\r\n", 400},
    };
    for (const auto& c : cases)
        EXPECT_EQ(StatusOf(c.request), c.status) << c.request.substr(0, 80);
}

TEST(HttpRequestParser, ReadsSplitAndPipelinedRequests)
{
    const std::string first =
        "PUT /api/v1/devices/d%201/settings/input/2/gain?dry_run=1&note=a+b%26c HTTP/1.1\r\n"
        "host: t\r\ncontent-LENGTH: 4\r\nConnection: close\r\n\r\n-3.5";
    HttpRequestParser parser;
    HttpParse parse;
    for (std::size_t i = 0; i < first.size(); ++i) {
        ASSERT_EQ(parse.state, HttpParseState::NeedMore) << i;
        parse = parser.Feed(first.substr(i, 1));
    }
    ASSERT_EQ(parse.state, HttpParseState::Complete);
    const HttpRequest& request = parse.request;
    EXPECT_EQ(request.segments,
              (std::vector<std::string>{"api", "v1", "devices", "d 1", "settings", "input", "2", "gain"}));
    EXPECT_EQ(request.query,
              (std::vector<std::pair<std::string, std::string>>{{"dry_run", "1"}, {"note", "a b&c"}}));
    EXPECT_TRUE(*request.Header("Content-Length") == "4" && request.body == "-3.5" && !request.KeepAlive());

    // Two requests in one read, then a third that asks to continue.
    HttpRequestParser pipelined;
    parse = pipelined.Feed(Get("/one") + Get("/two"));
    EXPECT_TRUE(parse.state == HttpParseState::Complete && parse.request.path == "/one" &&
                parse.request.KeepAlive());
    parse = pipelined.Feed({});
    EXPECT_TRUE(parse.state == HttpParseState::Complete && parse.request.path == "/two");
    parse =
        pipelined.Feed("POST /x HTTP/1.1\r\nHost: t\r\nExpect: 100-continue\r\nContent-Length: 2\r\n\r\n");
    EXPECT_TRUE(parse.sendContinue);
    parse = pipelined.Feed("ok");
    EXPECT_TRUE(parse.state == HttpParseState::Complete && !parse.sendContinue && parse.request.body == "ok");
    EXPECT_FALSE(pipelined.Started());
}

// A raw client on loopback; it keeps what it receives.
struct Client {
    explicit Client(quint16 port)
    {
        QObject::connect(&socket, &QTcpSocket::readyRead,
                         [this] { received += socket.readAll().toStdString(); });
        socket.connectToHost(QHostAddress::LocalHost, port);
    }
    void Send(const std::string& bytes) { socket.write(bytes.data(), static_cast<qint64>(bytes.size())); }
    bool Has(const std::string& text, int ms = 3000)
    {
        return QTest::qWaitFor([&] { return received.find(text) != std::string::npos; }, ms);
    }
    bool Closed(int ms = 3000)
    {
        return QTest::qWaitFor([&] { return socket.state() == QAbstractSocket::UnconnectedState; }, ms);
    }
    // The status of the one answer expected; 0 when the connection closed without one.
    int Status()
    {
        const auto answered = [&] { return received.find("\r\n\r\n") != std::string::npos; };
        if (!QTest::qWaitFor(
                [&] { return answered() || socket.state() == QAbstractSocket::UnconnectedState; }, 3000))
            return 0;
        return answered() ? std::stoi(received.substr(9, 3)) : 0;
    }
    QTcpSocket socket;
    std::string received;
};

// The head (at least) of the answer to one request on a new connection.
std::string Reply(quint16 port, const std::string& request)
{
    Client client(port);
    client.Send(request);
    client.Status();
    return client.received;
}

int StatusFor(quint16 port, const std::string& request)
{
    Client client(port);
    client.Send(request);
    return client.Status();
}

TEST(HttpServer, RoutesCapturesAndAnswersLater)
{
    EnsureApplication();
    HttpServer server(HttpServerOptions{});
    server.Route("GET", "/api/v1/devices/{id}/settings/{key...}",
                 [](const HttpRequest&, const HttpCaptures& captures) {
                     return HttpResponse::Text(200, captures.at("id") + "|" + captures.at("key"));
                 });
    std::vector<HttpResponder> waiting;
    server.RouteAsync("PUT", "/api/v1/devices/{id}/settings/{key...}",
                      [&](const HttpRequest& request, const HttpCaptures&, HttpResponder responder) {
                          if (request.body == "drop")
                              return;  // the handler gives up without answering
                          waiting.push_back(std::move(responder));
                      });
    QString error;
    ASSERT_TRUE(server.Listen(&error)) << error.toStdString();

    Client client(server.Port());
    client.Send(Get("/api/v1/devices/d1/settings/crosspoint/1/3/on") +
                Get("/api/v1/devices/d1/settings/x", "Connection: close\r\n"));
    ASSERT_TRUE(client.Closed());
    EXPECT_EQ(client.received.rfind("HTTP/1.1 200 OK", 0), 0U);
    EXPECT_NE(client.received.find("\r\n\r\nd1|crosspoint/1/3/on"), std::string::npos);
    EXPECT_NE(client.received.find("\r\n\r\nd1|x"), std::string::npos);  // the second, kept alive

    // An answer given later goes to its client; one whose client left is dropped.
    Client patient(server.Port());
    Client leaving(server.Port());
    patient.Send(Put("/api/v1/devices/d1/settings/input/2/gain", "3"));
    leaving.Send(Put("/api/v1/devices/d1/settings/input/2/gain", "4"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return waiting.size() == 2; }, 3000));
    leaving.socket.abort();
    QTest::qWait(50);
    for (const HttpResponder& responder : waiting) {
        responder.Send(HttpResponse::Json(200, R"({"value":3})"));
        responder.Send(HttpResponse::Json(500, "{}"));  // a second answer is ignored
    }
    EXPECT_TRUE(waiting[0].Sent());
    ASSERT_TRUE(patient.Has(R"({"value":3})"));
    EXPECT_EQ(patient.received.find("HTTP/1.1 500"), std::string::npos);
    EXPECT_EQ(StatusFor(server.Port(), Put("/api/v1/devices/d1/settings/k", "drop")), 500);

    EXPECT_EQ(StatusFor(server.Port(), Get("/api/v1/devices/d1/settings/")), 404);  // an empty rest
    EXPECT_EQ(StatusFor(server.Port(), Get("/api/v1/devices")), 404);
    const std::string wrongMethod =
        Reply(server.Port(), "DELETE /api/v1/devices/d1/settings/k HTTP/1.1\r\nHost: t\r\n\r\n");
    EXPECT_EQ(wrongMethod.rfind("HTTP/1.1 405", 0), 0U);
    EXPECT_NE(wrongMethod.find("Allow: GET, HEAD, PUT\r\n"), std::string::npos);
    const std::string head =
        Reply(server.Port(), "HEAD /api/v1/devices/d/settings/abc HTTP/1.1\r\nHost: t\r\n\r\n");
    EXPECT_TRUE(head.find("Content-Length: 5\r\n") != std::string::npos && head.ends_with("\r\n\r\n"));
}

TEST(HttpServer, BoundsSizesTimeAndConnections)
{
    EnsureApplication();
    HttpServerOptions options;
    options.requestTimeoutMs = 300;
    options.maxRequestsPerConnection = 2;
    HttpServer server(options);
    std::vector<std::string> log;
    server.SetLog([&](const std::string& line) { log.push_back(line); });
    server.Route("PUT", "/x",
                 [](const HttpRequest&, const HttpCaptures&) { return HttpResponse::Text(200, "ok"); });
    QString error;
    ASSERT_TRUE(server.Listen(&error)) << error.toStdString();

    EXPECT_EQ(StatusFor(server.Port(), Put("/x", std::string(1024 * 1024 + 1, 'b'))), 413);
    ASSERT_EQ(log.size(), 1U);
    EXPECT_NE(log[0].find("413"), std::string::npos);

    // A client that trickles a byte now and then is cut when its time is up.
    Client trickle(server.Port());
    QTimer drip;
    QObject::connect(&drip, &QTimer::timeout, [&] { trickle.Send("G"); });
    drip.start(40);
    QElapsedTimer elapsed;
    elapsed.start();
    ASSERT_TRUE(trickle.Closed(2000));
    drip.stop();
    EXPECT_LT(elapsed.elapsed(), 1000);
    EXPECT_EQ(trickle.Status(), 408);

    // Requests per connection: the second answer closes it.
    Client twice(server.Port());
    twice.Send(Put("/x", "1") + Put("/x", "2") + Put("/x", "3"));
    ASSERT_TRUE(twice.Closed());
    EXPECT_NE(twice.received.find("Connection: close"), std::string::npos);
    EXPECT_EQ(twice.received.find("HTTP/1.1", twice.received.find("Connection: close")), std::string::npos);

    // Beyond the connection count: 503; room again once the others left.
    HttpServerOptions few;
    few.maxConnections = 3;
    HttpServer capped(few);
    ASSERT_TRUE(capped.Listen(&error)) << error.toStdString();
    std::vector<std::unique_ptr<Client>> held;
    for (int i = 0; i < 3; ++i) {
        held.push_back(std::make_unique<Client>(capped.Port()));
        ASSERT_TRUE(QTest::qWaitFor([&] { return capped.ConnectionCount() == i + 1; }, 3000));
    }
    Client extra(capped.Port());
    EXPECT_EQ(extra.Status(), 503);
    EXPECT_TRUE(extra.Closed());
    held.clear();
    ASSERT_TRUE(QTest::qWaitFor([&] { return capped.ConnectionCount() == 0; }, 3000));
    EXPECT_EQ(StatusFor(capped.Port(), Get("/x")), 404);
}

TEST(HttpServer, TokensAndCors)
{
    EnsureApplication();
    HttpServerOptions options;
    options.readToken = "reader-secret";
    options.controlToken = "control-secret";
    options.corsOrigins = {"https://panel.example"};
    HttpServer server(options);
    server.Route("GET", "/v",
                 [](const HttpRequest&, const HttpCaptures&) { return HttpResponse::Text(200, "v"); });
    server.Route("PUT", "/v",
                 [](const HttpRequest&, const HttpCaptures&) { return HttpResponse::Text(200, "set"); });
    QString error;
    ASSERT_TRUE(server.Listen(&error)) << error.toStdString();
    const quint16 port = server.Port();

    const std::string none = Reply(port, Get("/v"));
    EXPECT_EQ(none.rfind("HTTP/1.1 401", 0), 0U);
    EXPECT_NE(none.find("WWW-Authenticate: Bearer"), std::string::npos);
    EXPECT_EQ(StatusFor(port, Get("/v", "Authorization: Bearer reader-secreT\r\n")), 401);
    EXPECT_EQ(StatusFor(port, Get("/v", "Authorization: Bearer reader-secre\r\n")), 401);
    EXPECT_EQ(StatusFor(port, Get("/nowhere")), 401);  // paths are not told before the token
    EXPECT_EQ(StatusFor(port, Get("/v", "Authorization: bearer reader-secret\r\n")), 200);
    EXPECT_EQ(StatusFor(port, Put("/v", "1", "Authorization: Bearer reader-secret\r\n")), 403);
    EXPECT_EQ(StatusFor(port, Put("/v", "1", "Authorization: Bearer control-secret\r\n")), 200);

    const std::string listed =
        Reply(port, Get("/v", "Origin: https://panel.example\r\nAuthorization: Bearer reader-secret\r\n"));
    EXPECT_NE(listed.find("200 OK\r\nContent-Length: 1\r\nContent-Type: text/plain; charset=utf-8\r\n"
                          "Access-Control-Allow-Origin: https://panel.example\r\n"),
              std::string::npos);
    const std::string other = Reply(
        port, Get("/v", "Origin: https://elsewhere.example\r\nAuthorization: Bearer reader-secret\r\n"));
    EXPECT_EQ(other.rfind("HTTP/1.1 200", 0), 0U);
    EXPECT_EQ(other.find("Access-Control"), std::string::npos);

    const std::string preflight =
        "OPTIONS /v HTTP/1.1\r\nHost: t\r\nAccess-Control-Request-Method: PUT\r\nOrigin: ";
    const std::string allowed = Reply(port, preflight + "https://panel.example\r\n\r\n");
    EXPECT_EQ(allowed.rfind("HTTP/1.1 204", 0), 0U);
    EXPECT_NE(
        allowed.find(
            "Access-Control-Allow-Methods: GET, HEAD, PUT\r\nAccess-Control-Allow-Headers: Authorization"),
        std::string::npos);
    EXPECT_EQ(StatusFor(port, preflight + "https://elsewhere.example\r\n\r\n"), 401);
}

TEST(HttpServer, ServesHttpsWithItsCertificate)
{
    EnsureApplication();
    QTemporaryDir dir;
    if (!QSslSocket::supportsSsl() || !test::MakeTestCertificate(dir.path().toStdString()))
        GTEST_SKIP() << "no TLS back end, or openssl cannot make a test certificate";
    const QString certificate = dir.filePath("cert.pem");
    const QString key = dir.filePath("key.pem");

    HttpServerOptions options;
    options.certificateFile = certificate;
    options.keyFile = dir.filePath("missing.pem");
    QString error;
    EXPECT_FALSE(HttpServer(options).Listen(&error) || !error.contains("missing.pem"));
    options.keyFile = key;
    HttpServer server(options);
    server.Route("GET", "/v",
                 [](const HttpRequest&, const HttpCaptures&) { return HttpResponse::Text(200, "secure"); });
    ASSERT_TRUE(server.Listen(&error)) << error.toStdString();
    EXPECT_TRUE(server.Secure());

    QSslSocket client;
    QSslConfiguration configuration = client.sslConfiguration();
    configuration.setCaCertificates(QSslCertificate::fromPath(certificate));
    client.setSslConfiguration(configuration);
    client.setPeerVerifyName("localhost");
    std::string received;
    QObject::connect(&client, &QSslSocket::readyRead, [&] { received += client.readAll().toStdString(); });
    client.connectToHostEncrypted("127.0.0.1", server.Port());
    ASSERT_TRUE(QTest::qWaitFor([&] { return client.isEncrypted(); }, 5000))
        << client.errorString().toStdString();
    client.write(Get("/v").c_str());
    ASSERT_TRUE(QTest::qWaitFor([&] { return received.find("secure") != std::string::npos; }, 5000));
    EXPECT_EQ(received.rfind("HTTP/1.1 200 OK", 0), 0U);
    EXPECT_NE(StatusFor(server.Port(), Get("/v")), 200);  // plain HTTP is not answered on it
}

}  // namespace
}  // namespace brevant
