// One request to the service's API from a test, answered while the event
// loop runs: its status (0 when none came in time) and its body.
#pragma once

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTest>

#include <nlohmann/json.hpp>
#include <string>

namespace brevant::test {

struct ApiAnswer {
    int status = 0;
    std::string body;
    nlohmann::json Parsed() const { return nlohmann::json::parse(body, nullptr, false); }
};

inline ApiAnswer CallApi(QNetworkAccessManager& network, quint16 port, const QByteArray& method,
                         const std::string& path, const QByteArray& body = {}, int limitMs = 5000)
{
    QNetworkRequest request(
        QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(port).arg(QString::fromStdString(path))));
    request.setHeader(QNetworkRequest::ContentTypeHeader, "application/json");
    QNetworkReply* reply = network.sendCustomRequest(request, method, body);
    (void)QTest::qWaitFor([reply] { return reply->isFinished(); }, limitMs);
    ApiAnswer answer{reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(),
                     reply->readAll().toStdString()};
    reply->deleteLater();
    return answer;
}

}  // namespace brevant::test
