// The service's API end to end: brevantd's Service on loopback with three
// simulated devices of different models, read and set over HTTP, checked
// against the devices through brevantctl once the service has let them go.
#include "service/Api.h"
#include "service/Service.h"
#include "tests/Eventually.h"
#include "tests/SimProcess.h"
#include "tests/service/QtApplication.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QTimer>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <memory>
#include <string>

namespace brevant::service {
namespace {

using Json = nlohmann::json;
using test::Eventually;
using test::SimProcess;

struct Answer {
    int status = 0;
    std::string body;
    Json Parsed() const { return Json::parse(body, nullptr, false); }
};

class ApiTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { test::EnsureApplication(); }

    void Serve(std::vector<DeviceConfig> devices)
    {
        ServiceConfig config;
        config.listen.port = 0;
        config.devices = std::move(devices);
        service = std::make_unique<Service>(config, [](const std::string&) {});
        std::string error;
        ASSERT_TRUE(service->Start(&error)) << error;
    }

    // One request, answered within five seconds while the event loop runs.
    Answer Call(const QByteArray& method, const std::string& path, const QByteArray& body = {})
    {
        QNetworkRequest request(QUrl(QStringLiteral("http://127.0.0.1:%1%2")
                                         .arg(service->ApiPort())
                                         .arg(QString::fromStdString(path))));
        request.setHeader(QNetworkRequest::ContentTypeHeader, "application/json");
        QNetworkReply* reply = network.sendCustomRequest(request, method, body);
        QEventLoop loop;
        QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
        QTimer::singleShot(5000, &loop, &QEventLoop::quit);
        loop.exec();
        Answer answer{reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(),
                      reply->readAll().toStdString()};
        reply->deleteLater();
        return answer;
    }

    // Every device connected, as GET /devices tells.
    bool AllConnected()
    {
        return Eventually(
            [&] {
                const Json devices = Call("GET", "/api/v1/devices").Parsed();
                if (!devices.is_array() || devices.empty())
                    return false;
                for (const Json& device : devices) {
                    if (device["state"] != "connected")
                        return false;
                }
                return true;
            },
            20.0);
    }

    QNetworkAccessManager network;
    std::unique_ptr<Service> service;
};

DeviceConfig At(const std::string& id, const SimProcess& sim)
{
    return {id, DeviceAddress{DeviceAddressKind::Path, {}, sim.PortsDir() + "/COM3"}, std::nullopt};
}

// brevantctl's dump of the device in `ports`, as JSON.
Json Dump(const std::string& ports)
{
    QProcess ctl;
    ctl.start(QStringLiteral(BREVANT_CTL_PATH),
              {"--ports", QString::fromStdString(ports), "--port", "3", "--json", "dump"});
    if (!ctl.waitForFinished(20000))
        return {};
    return Json::parse(ctl.readAllStandardOutput().toStdString(), nullptr, false);
}

TEST_F(ApiTest, ThreeModelsReadAsTheDevicesHoldAndASetReachesItsDevice)
{
    SimProcess k225({"--no-pacing", "--model", "K225"});
    SimProcess k217({"--no-pacing", "--model", "K217"});
    SimProcess k218({"--no-pacing", "--model", "K218"});
    ASSERT_TRUE(k225.Started() && k217.Started() && k218.Started());
    Serve({At("hall", k225), At("foyer", k217), At("bar", k218)});
    ASSERT_TRUE(AllConnected()) << Call("GET", "/api/v1/devices").body;

    const Json devices = Call("GET", "/api/v1/devices").Parsed();
    ASSERT_EQ(devices.size(), 3u);
    EXPECT_EQ(devices[0]["id"], "hall");
    EXPECT_EQ(devices[0]["model"], "K225");
    EXPECT_EQ(devices[1]["model"], "K217");
    EXPECT_EQ(devices[2]["family"], "K217/K218");

    // A set answers with what the device confirmed; a refused one says why.
    const Answer set = Call("PUT", "/api/v1/devices/foyer/settings/input/2/gain", "12");
    EXPECT_EQ(set.status, 200) << set.body;
    EXPECT_EQ(set.Parsed()["value"], 12);
    EXPECT_EQ(Call("PUT", "/api/v1/devices/hall/settings/crosspoint/1/3/on", R"({"value": 1})").status, 200);
    const Answer outside = Call("PUT", "/api/v1/devices/hall/settings/input/1/gain", "99");
    EXPECT_EQ(outside.status, 400);
    EXPECT_NE(outside.body.find("-10..47"), std::string::npos) << outside.body;
    EXPECT_EQ(Call("PUT", "/api/v1/devices/hall/settings/input/1/level-meter", "1").status, 405);
    EXPECT_EQ(Call("GET", "/api/v1/devices/hall/settings/input/9/gain").status, 404);
    EXPECT_EQ(Call("GET", "/api/v1/devices/nowhere").status, 404);
    EXPECT_EQ(Call("GET", "/api/v1/devices/foyer/settings/input/2/gain").Parsed()["value"], 12);

    // What the API read is what the devices hold, as brevantctl reads them
    // once the service has let the ports go.
    std::vector<Json> read;
    for (const char* id : {"hall", "foyer"})
        read.push_back(Call("GET", std::string("/api/v1/devices/") + id).Parsed());
    service.reset();
    const Json hall = Dump(k225.PortsDir());
    const Json foyer = Dump(k217.PortsDir());
    ASSERT_TRUE(hall.is_object() && foyer.is_object());
    EXPECT_EQ(foyer["MG"][1], 12);
    EXPECT_EQ(hall["MX"][2], 1) << "input 1 to output 3";
    const auto value = [](const Json& device, const std::string& key) {
        for (const Json& setting : device["settings"]) {
            if (setting["key"] == key)
                return setting["value"];
        }
        return Json();
    };
    for (int channel = 1; channel <= 4; ++channel) {
        const std::string n = std::to_string(channel);
        EXPECT_EQ(value(read[1], "input/" + n + "/gain"), foyer["MG"][channel - 1]) << channel;
        EXPECT_EQ(value(read[0], "output/" + n + "/mute"), hall["OM"][channel - 1]) << channel;
        EXPECT_EQ(value(read[0], "crosspoint/1/" + n + "/on"), hall["MX"][channel - 1]) << channel;
    }
}

// The OpenAPI document names every route, and every route it names answers.
TEST_F(ApiTest, EveryRouteTheDescriptionListsAnswers)
{
    Serve({{"demo", DeviceAddress{}, std::nullopt}});
    const Json document = Call("GET", "/api/v1/openapi.json").Parsed();
    ASSERT_TRUE(document.is_object());
    EXPECT_EQ(document["openapi"], "3.0.3");
    std::vector<std::string> listed;
    for (const auto& [path, operations] : document["paths"].items()) {
        for (const auto& [method, operation] : operations.items()) {
            std::string upper = method;
            for (char& c : upper)
                c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            listed.push_back(upper + " " + path);
            std::string concrete = path;
            for (const auto& [name, value] :
                 {std::pair<std::string, std::string>{"{id}", "demo"}, {"{key}", "input/1/gain"}}) {
                if (const auto at = concrete.find(name); at != std::string::npos)
                    concrete.replace(at, name.size(), value);
            }
            const Answer answer = Call(QByteArray::fromStdString(upper), concrete, "0");
            EXPECT_NE(answer.status, 404) << upper << ' ' << concrete << ": " << answer.body;
            EXPECT_NE(answer.status, 405) << upper << ' ' << concrete;
            EXPECT_NE(answer.status, 0) << upper << ' ' << concrete << ": no answer";
        }
    }
    EXPECT_EQ(listed.size(), ApiRoutes().size());
    const std::string metrics = Call("GET", "/api/v1/metrics").body;
    EXPECT_NE(metrics.find("brevant_exchanges_total{device=\"demo\"}"), std::string::npos) << metrics;
    EXPECT_NE(metrics.find("# TYPE brevant_exchange_latency_seconds summary"), std::string::npos);
}

}  // namespace
}  // namespace brevant::service
