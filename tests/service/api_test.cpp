// The service's API end to end: brevantd's Service on loopback with three
// simulated devices of different models, read and set over HTTP, checked
// against the devices through brevantctl once the service has let them go.
#include "service/Api.h"
#include "service/Service.h"
#include "tests/Eventually.h"
#include "tests/SimProcess.h"
#include "tests/service/ApiCall.h"
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

using Answer = test::ApiAnswer;

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
        return test::CallApi(network, service->ApiPort(), method, path, body);
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
    // Nobody watched the meters, so none was fresh: the read waits for a pass.
    const Json meter = Call("GET", "/api/v1/devices/bar/settings/input/1/level-meter").Parsed();
    EXPECT_TRUE(meter["value"].is_number()) << meter.dump();

    // What the API holds is what the devices hold: every setting of each
    // model, through the preset brevantctl saves once the service let them go.
    std::vector<std::string> presets;
    for (const char* id : {"hall", "foyer", "bar"})
        presets.push_back(Call("GET", std::string("/api/v1/devices/") + id + "/preset").body);
    service.reset();
    test::TempDir files("api-presets");
    const SimProcess* sims[] = {&k225, &k217, &k218};
    for (std::size_t i = 0; i < presets.size(); ++i) {
        const std::string file = files / ("device" + std::to_string(i) + ".lg");
        const test::ProgramResult saved = test::RunProgram(
            BREVANT_CTL_PATH, {"--ports", sims[i]->PortsDir(), "--port", "3", "preset", "save", file});
        ASSERT_EQ(saved.status, 0) << saved.err;
        EXPECT_EQ(test::FileText(file), presets[i]) << i;
    }
}

// `text` with value `index` (from 0) of line `line` (from 1) of a preset
// replaced by `value`.
std::string WithValue(const std::string& text, int line, std::size_t index, const std::string& value)
{
    std::size_t at = 0;
    for (int n = 1; n < line; ++n)
        at = text.find('\n', at) + 1;
    std::size_t start = text.find(':', at) + 1;
    for (std::size_t k = 0; k < index; ++k)
        start = text.find(',', start) + 1;
    const std::size_t end = text.find_first_of(",\r\n", start);
    return text.substr(0, start) + value + text.substr(end);
}

// A preset read from the device compares equal to it; a changed one is
// compared line by line without a byte sent, loaded through the queue, and
// reaches the device; a bad line or another family's preset is refused.
TEST_F(ApiTest, APresetIsReadComparedLoadedAndSaved)
{
    SimProcess sim({"--no-pacing", "--model", "K225"});
    ASSERT_TRUE(sim.Started());
    Serve({At("hall", sim)});
    ASSERT_TRUE(AllConnected());
    const std::string preset = "/api/v1/devices/hall/preset";
    const Answer got = Call("GET", preset);
    ASSERT_EQ(got.status, 200) << got.body;
    const std::string before = got.body;
    const Answer same = Call("POST", preset + "?dry_run=1", QByteArray::fromStdString(before));
    EXPECT_EQ(same.status, 200) << same.body;
    EXPECT_EQ(same.Parsed()["changes"], Json::array()) << same.body;

    const int gain2 = Call("GET", "/api/v1/devices/hall/settings/input/2/gain").Parsed()["value"];
    ASSERT_NE(Call("GET", "/api/v1/devices/hall/settings/input/1/gain").Parsed()["value"], 47);
    const int next = gain2 == 12 ? 13 : 12;
    const std::string changed = WithValue(WithValue(before, 2, 1, std::to_string(next)), 2, 0, "99");
    const Answer diff = Call("POST", preset + "?dry_run=1", QByteArray::fromStdString(changed));
    ASSERT_EQ(diff.status, 200) << diff.body;
    const Json lines = diff.Parsed()["changes"];
    ASSERT_EQ(lines.size(), 2u) << diff.body;
    EXPECT_NE(lines[0].get<std::string>().find("Input 1 gain"), std::string::npos) << diff.body;
    EXPECT_NE(lines[0].get<std::string>().find("99"), std::string::npos) << diff.body;
    EXPECT_NE(lines[1].get<std::string>().find("Input 2 gain"), std::string::npos) << diff.body;
    EXPECT_EQ(diff.Parsed()["broughtIntoRange"],
              Json::parse(R"([{"line": 2, "key": "input/1/gain", "setting": "Input 1 gain",
                              "inText": 99, "value": 47}])"));
    EXPECT_EQ(Call("GET", "/api/v1/devices/hall/settings/input/2/gain").Parsed()["value"], gain2)
        << "a dry run sends nothing";

    const Answer loaded = Call("POST", preset, QByteArray::fromStdString(changed));
    ASSERT_EQ(loaded.status, 200) << loaded.body;
    EXPECT_EQ(loaded.Parsed()["complete"], true);
    EXPECT_EQ(loaded.Parsed()["sent"], 81);
    EXPECT_EQ(loaded.Parsed()["before"], before) << "what undoes the load";
    EXPECT_EQ(Call("GET", "/api/v1/devices/hall/settings/input/2/gain").Parsed()["value"], next);
    EXPECT_EQ(Call("GET", preset).body, WithValue(changed, 2, 0, "47"));

    const Answer bad = Call("POST", preset, QByteArray::fromStdString(WithValue(changed, 3, 0, "loud")));
    EXPECT_EQ(bad.status, 400);
    EXPECT_NE(bad.body.find("line 3"), std::string::npos) << bad.body;
    const Answer other = Call("POST", preset, QByteArray::fromStdString(WithValue(changed, 1, 0, "2")));
    EXPECT_EQ(other.status, 409);
    EXPECT_NE(other.body.find("the preset is for family 2"), std::string::npos) << other.body;
    const Answer saved = Call("POST", "/api/v1/devices/hall/save");
    EXPECT_EQ(saved.status, 200) << saved.body;
    EXPECT_EQ(saved.Parsed()["saved"], true);

    service.reset();
    const Json device = Dump(sim.PortsDir());
    ASSERT_TRUE(device.is_object());
    EXPECT_EQ(device["MG"][0], 47);
    EXPECT_EQ(device["MG"][1], next);
}

// A load the device stops answering in the middle of says how far it got
// and gives the setting it replaced.
TEST_F(ApiTest, APresetLoadCutShortSaysHowFarItGot)
{
    SimProcess sim({"--model", "K217"});  // paced: the load takes most of a second
    ASSERT_TRUE(sim.Started());
    Serve({At("foyer", sim)});
    ASSERT_TRUE(AllConnected());
    const std::string before = Call("GET", "/api/v1/devices/foyer/preset").body;
    QNetworkRequest request(
        QUrl(QStringLiteral("http://127.0.0.1:%1/api/v1/devices/foyer/preset").arg(service->ApiPort())));
    QNetworkReply* reply = network.post(request, QByteArray::fromStdString(WithValue(before, 2, 0, "5")));
    QEventLoop loop;
    QTimer::singleShot(250, &loop, &QEventLoop::quit);
    loop.exec();
    sim.Freeze();
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(15000, &loop, &QEventLoop::quit);
    if (!reply->isFinished())
        loop.exec();
    sim.Thaw();
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const Json report = Json::parse(reply->readAll().toStdString(), nullptr, false);
    reply->deleteLater();
    EXPECT_TRUE(status == 502 || status == 503) << status << report.dump();
    EXPECT_EQ(report["complete"], false);
    EXPECT_GT(report["sent"], 0);
    EXPECT_LT(report["sent"], report["total"]);
    EXPECT_EQ(report["before"], before);
    EXPECT_NE(report["error"].get<std::string>().find("only partly loaded"), std::string::npos) << report;
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
