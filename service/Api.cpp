#include "service/Api.h"

#include "procedures/Preset.h"
#include "qtcore/HandOff.h"
#include "service/HttpServer.h"
#include "service/Service.h"
#include "service/parse/SettingJson.h"
#include "service/parse/SettingKeys.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <array>
#include <functional>
#include <sstream>

namespace brevant::service {

namespace {

using Json = nlohmann::json;
using Handler = std::function<void(Service&, const HttpRequest&, const HttpCaptures&, HttpResponder)>;

struct Route {
    const char* method;
    const char* pattern;  // as the server takes it; "{key...}" takes the rest of the path
    const char* summary;
    Handler handler;
    bool upgrade = false;  // a WebSocket: its handler is Events()
};

HttpResponse JsonAnswer(const Json& json, int status = 200)
{
    return HttpResponse::Json(status, json.dump());
}

Json DeviceSummary(const std::string& id, const RunnerStatus& status)
{
    return Json{{"id", id},
                {"address", status.address},
                {"model", status.model.empty() ? Json(nullptr) : Json(status.model)},
                {"family", std::string(FamilyName(status.family))},
                {"firmware", status.firmware.empty() ? Json(nullptr) : Json(status.firmware)},
                {"state", std::string(StateText(status.state))},
                {"detail", status.detail}};
}

// What the device holds for a setting, or a meter's last reading; nothing
// while it is not known.
std::optional<int32_t> Reading(const DeviceRunner& device, const SettingRef& ref)
{
    return IsSettable(ref) ? device.Value(ref) : device.Meter(ref);
}

// Answers on the server's thread once the device's meters are fresh (nobody
// may have watched them for a while) or cannot be: `answer(device, responder)`,
// or 404 when the device has been removed meanwhile.
template <typename Answer>
void AfterFreshMeters(Service& service, DeviceRunner& device, HttpResponder responder, Answer answer)
{
    // As with a set's answer, the responder moves to the server's thread:
    // no copy of it is left to end on the worker's.
    device.WhenMetersFresh([&service, id = device.Id(), responder = std::move(responder), answer]() mutable {
        PostTo(&service, [&service, id, responder = std::move(responder), answer]() mutable {
            if (DeviceRunner* still = service.Device(id))
                answer(*still, responder);
            else
                responder.Send(HttpResponse::Error(404, "no such device"));
        });
    });
}

// The device a request names, or the 404 it gets.
DeviceRunner* Find(Service& service, const HttpCaptures& captures, HttpResponder& responder)
{
    const auto id = captures.find("id");
    DeviceRunner* device = id == captures.end() ? nullptr : service.Device(id->second);
    if (device == nullptr)
        responder.Send(HttpResponse::Error(404, "no such device"));
    return device;
}

int SetStatus(SetError error)
{
    switch (error) {
    case SetError::None: return 200;
    case SetError::NoSuchSetting: return 404;
    case SetError::OutOfRange: return 400;
    case SetError::NotConfirmed: return 502;
    case SetError::ReadOnly: return 409;
    case SetError::DeviceLost:
    case SetError::Busy: break;
    }
    return 503;
}

void ListDevices(Service& service, const HttpRequest&, const HttpCaptures&, HttpResponder responder)
{
    Json all = Json::array();
    for (DeviceRunner* device : service.Devices())
        all.push_back(DeviceSummary(device->Id(), device->Status()));
    responder.Send(JsonAnswer(all));
}

void ShowDevice(Service& service, const HttpRequest&, const HttpCaptures& captures, HttpResponder responder)
{
    DeviceRunner* device = Find(service, captures, responder);
    if (device == nullptr)
        return;
    AfterFreshMeters(service, *device, std::move(responder), [](DeviceRunner& still, HttpResponder& answer) {
        const RunnerStatus status = still.Status();
        Json json = DeviceSummary(still.Id(), status);
        Json settings = Json::array();
        for (const KeyedSetting& keyed : KeysOf(status.family))
            settings.push_back(SettingJson(keyed.ref, Reading(still, keyed.ref)));
        json["settings"] = std::move(settings);
        answer.Send(JsonAnswer(json));
    });
}

// The setting a request names on its device, or the answer it gets.
std::optional<SettingRef> Lookup(DeviceRunner& device, const HttpCaptures& captures, HttpResponder& responder)
{
    const auto key = captures.find("key");
    const KeyLookup found = FindSetting(key == captures.end() ? "" : key->second, device.Status().family);
    if (!found.ref)
        responder.Send(HttpResponse::Error(HttpStatusOf(found.error), found.message));
    return found.ref;
}

void ShowSetting(Service& service, const HttpRequest&, const HttpCaptures& captures, HttpResponder responder)
{
    DeviceRunner* device = Find(service, captures, responder);
    if (device == nullptr)
        return;
    const auto ref = Lookup(*device, captures, responder);
    if (!ref)
        return;
    if (IsSettable(*ref))
        return responder.Send(JsonAnswer(SettingJson(*ref, device->Value(*ref))));
    AfterFreshMeters(service, *device, std::move(responder),
                     [meter = *ref](DeviceRunner& still, HttpResponder& answer) {
                         answer.Send(JsonAnswer(SettingJson(meter, still.Meter(meter))));
                     });
}

void ChangeSetting(Service& service, const HttpRequest& request, const HttpCaptures& captures,
                   HttpResponder responder)
{
    DeviceRunner* device = Find(service, captures, responder);
    if (device == nullptr)
        return;
    const auto ref = Lookup(*device, captures, responder);
    if (!ref)
        return;
    if (!IsSettable(*ref)) {
        responder.Send(HttpResponse::Error(405, KeyOf(*ref) + " can only be read"));
        return;
    }
    const ValueRead value = ReadSettingValue(request.body, *ref);
    if (!value.value) {
        responder.Send(HttpResponse::Error(HttpStatusOf(value.error), value.message));
        return;
    }
    // The device answers on its queue's thread; the answer goes out on the
    // server's. It moves there: no copy of it is left to end on the queue's
    // thread. The service stops its devices before it goes, so no answer
    // comes after it; one still queued then goes with it.
    const SettingRef setting = *ref;
    QObject* home = &service;
    device->Set(setting, *value.value, [home, setting, responder](const SetResult& result) mutable {
        PostTo(home, [setting, responder = std::move(responder), result] {
            if (result.Ok())
                responder.Send(JsonAnswer(SettingJson(setting, result.value)));
            else
                responder.Send(HttpResponse::Error(SetStatus(result.error), result.message));
        });
    });
}

// Client bytes may reach a message (a preset's bad line): never invalid UTF-8 out.
HttpResponse SafeJsonAnswer(const Json& json, int status)
{
    return HttpResponse::Json(status, json.dump(-1, ' ', false, Json::error_handler_t::replace));
}

void ShowPreset(Service& service, const HttpRequest&, const HttpCaptures& captures, HttpResponder responder)
{
    DeviceRunner* device = Find(service, captures, responder);
    if (device == nullptr)
        return;
    std::string why;
    if (const std::optional<Preset> preset = device->Snapshot(&why))
        responder.Send(HttpResponse::Text(200, FormatPreset(*preset)));
    else
        responder.Send(HttpResponse::Error(503, why));
}

// The values of a preset that were outside their range, each with the line,
// the setting, what the text said and the value it was brought to.
Json BroughtInJson(const Preset& preset)
{
    Json all = Json::array();
    for (const BroughtIn& value : preset.broughtIn) {
        const auto entry = std::find_if(preset.entries.begin(), preset.entries.end(),
                                        [&](const PresetEntry& e) { return e.setting == value.setting; });
        all.push_back({{"line", value.line},
                       {"key", KeyOf(value.setting)},
                       {"setting", SettingName(value.setting)},
                       {"inText", value.inFile},
                       {"value", entry == preset.entries.end() ? Json(nullptr) : Json(entry->value)}});
    }
    return all;
}

Json LoadJson(const PresetOutcome& outcome)
{
    Json json{{"complete", outcome.error == SetError::None},
              {"sent", outcome.load.sent},
              {"total", outcome.load.total},
              {"before", outcome.before}};
    if (!outcome.load.failure.empty())
        json["failure"] = outcome.load.failure;
    if (!outcome.message.empty())
        json["error"] = outcome.message;
    return json;
}

// A preset text: with ?dry_run=1 the lines it would change; otherwise sent to
// the device through its queue. Checked first as the command-line tool checks
// a preset file: every line, then the device's family.
void LoadPreset(Service& service, const HttpRequest& request, const HttpCaptures& captures,
                HttpResponder responder)
{
    DeviceRunner* device = Find(service, captures, responder);
    if (device == nullptr)
        return;
    PresetCheck check = ParsePresetText(request.body);
    if (!check.preset) {
        responder.Send(HttpResponse::Error(400, "not a preset: " + check.error));
        return;
    }
    if (const std::string mismatch = device->FamilyMismatch(*check.preset); !mismatch.empty()) {
        responder.Send(HttpResponse::Error(409, mismatch + "; nothing was sent"));
        return;
    }
    const std::string* dryRun = request.Query("dry_run");
    if (dryRun != nullptr && *dryRun != "0" && *dryRun != "false") {
        std::string why;
        if (!device->Snapshot(&why)) {
            responder.Send(HttpResponse::Error(503, why));
            return;
        }
        // The diff is taken against the mirror, which holds every setting known.
        responder.Send(SafeJsonAnswer({{"changes", device->PresetDiff(*check.preset)},
                                       {"broughtIntoRange", BroughtInJson(*check.preset)},
                                       {"message", ClampedText(*check.preset)}},
                                      200));
        return;
    }
    const Json broughtIn = BroughtInJson(*check.preset);
    QObject* home = &service;
    device->LoadPreset(std::move(*check.preset),
                       [home, broughtIn, responder](const PresetOutcome& outcome) mutable {
                           PostTo(home, [outcome, broughtIn, responder = std::move(responder)] {
                               Json json = LoadJson(outcome);
                               json["broughtIntoRange"] = broughtIn;
                               responder.Send(SafeJsonAnswer(json, SetStatus(outcome.error)));
                           });
                       });
}

void SaveToDevice(Service& service, const HttpRequest&, const HttpCaptures& captures, HttpResponder responder)
{
    DeviceRunner* device = Find(service, captures, responder);
    if (device == nullptr)
        return;
    QObject* home = &service;
    device->SaveToDevice([home, responder](const SetResult& result) mutable {
        PostTo(home, [result, responder = std::move(responder)] {
            if (result.Ok())
                responder.Send(JsonAnswer(Json{{"saved", true}}));
            else
                responder.Send(HttpResponse::Error(SetStatus(result.error), result.message));
        });
    });
}

// A client's upgrade to a device's live events.
HttpResponse Events(Service& service, const HttpRequest& request, const HttpCaptures& captures,
                    HttpUpgrade& upgrade)
{
    const auto id = captures.find("id");
    DeviceRunner* device = id == captures.end() ? nullptr : service.Device(id->second);
    if (device == nullptr || service.Events() == nullptr)
        return HttpResponse::Error(404, "no such device");
    return service.Events()->Accept(*device, request, upgrade);
}

void Schema(Service&, const HttpRequest&, const HttpCaptures&, HttpResponder responder)
{
    responder.Send(JsonAnswer(SchemaJson()));
}

void Metrics(Service& service, const HttpRequest&, const HttpCaptures&, HttpResponder responder)
{
    responder.Send(HttpResponse::Text(200, MetricsText(service), "text/plain; version=0.0.4; charset=utf-8"));
}

void OpenApi(Service&, const HttpRequest&, const HttpCaptures&, HttpResponder responder)
{
    responder.Send(HttpResponse::Json(200, OpenApiDocument()));
}

const std::array<Route, 11>& Routes()
{
    static const std::array<Route, 11> routes{{
        {"GET", "/api/v1/devices", "Every device, its model and its state", ListDevices},
        {"GET", "/api/v1/devices/{id}", "One device and every setting it has, null while unknown",
         ShowDevice},
        {"GET", "/api/v1/devices/{id}/settings/{key...}", "One setting and its value", ShowSetting},
        {"PUT", "/api/v1/devices/{id}/settings/{key...}",
         "Sets a setting; answers with the value the device confirmed", ChangeSetting},
        {"GET", "/api/v1/devices/{id}/preset",
         "The device's setting as preset text, once every setting is known", ShowPreset},
        {"POST", "/api/v1/devices/{id}/preset",
         "Loads a preset text; with dry_run=1 answers the lines it would change and sends nothing",
         LoadPreset},
        {"POST", "/api/v1/devices/{id}/save", "Tells the device to keep its present setting", SaveToDevice},
        {"GET", "/api/v1/devices/{id}/events",
         "Live events (WebSocket, ?meters=HZ): a snapshot, then each setting confirmed or changed, "
         "each state, and the meters at most HZ times a second (JSON text messages of \"type\" "
         "snapshot, setting, state, meters)",
         nullptr, true},
        {"GET", "/api/v1/schema", "The table of settings: keys, names, units and ranges", Schema},
        {"GET", "/api/v1/metrics", "Exchanges, failures, reconnects, latency and clients (Prometheus)",
         Metrics},
        {"GET", "/api/v1/openapi.json", "This description", OpenApi},
    }};
    return routes;
}

// "/api/v1/devices/{id}/settings/{key...}" as OpenAPI writes it.
std::string OpenApiPath(std::string pattern)
{
    const std::string rest = "...}";
    const auto at = pattern.find(rest);
    if (at != std::string::npos)
        pattern.replace(at, rest.size(), "}");
    return pattern;
}

Json Parameters(const std::string& path)
{
    Json parameters = Json::array();
    for (const char* name : {"id", "key"}) {
        if (path.find(std::string("{") + name + "}") == std::string::npos)
            continue;
        parameters.push_back(
            {{"name", name},
             {"in", "path"},
             {"required", true},
             {"schema", {{"type", "string"}}},
             {"description", std::string(name) == "id"
                                 ? "the device's id in the configuration"
                                 : "a setting's key, as /api/v1/schema lists them: input/2/gain"}});
    }
    return parameters;
}

}  // namespace

void AddApiRoutes(HttpServer& server, Service& service)
{
    for (const Route& route : Routes()) {
        if (route.upgrade) {
            server.RouteUpgrade(
                route.pattern,
                [&service](const HttpRequest& request, const HttpCaptures& captures, HttpUpgrade& upgrade) {
                    return Events(service, request, captures, upgrade);
                });
            continue;
        }
        server.RouteAsync(route.method, route.pattern,
                          [&service, handler = route.handler](const HttpRequest& request,
                                                              const HttpCaptures& captures,
                                                              HttpResponder responder) {
                              handler(service, request, captures, std::move(responder));
                          });
    }
}

std::vector<std::string> ApiRoutes()
{
    std::vector<std::string> all;
    for (const Route& route : Routes())
        all.push_back(std::string(route.method) + " " + OpenApiPath(route.pattern));
    return all;
}

std::string OpenApiDocument()
{
    Json paths = Json::object();
    for (const Route& route : Routes()) {
        const std::string path = OpenApiPath(route.pattern);
        std::string method = route.method;
        for (char& c : method)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        Json operation{
            {"summary", route.summary},
            {"parameters", Parameters(path)},
            {"responses",
             {{"200", {{"description", "done"}}},
              {"400", {{"description", "a malformed request, or a value out of range"}}},
              {"401", {{"description", "no valid token"}}},
              {"404", {{"description", "no such device or setting"}}},
              {"409", {{"description", "the device does not take it: read-only, or another family"}}},
              {"503", {{"description", "the device is lost or busy"}}}}}};
        if (route.upgrade) {
            operation["responses"]["101"] = {{"description", "switched to a WebSocket"}};
            operation["responses"]["426"] = {{"description", "asked without a WebSocket upgrade"}};
            operation["responses"].erase("200");
            operation["parameters"].push_back(
                {{"name", "meters"},
                 {"in", "query"},
                 {"required", false},
                 {"schema", {{"type", "number"}, {"minimum", 0}, {"maximum", 100}}},
                 {"description", "meter messages a second, at most one a polling pass; 0 (default): none"}});
        }
        if (method == "put")
            operation["requestBody"] = {
                {"required", true}, {"content", {{"application/json", {{"schema", {{"type", "integer"}}}}}}}};
        if (method == "post" && path.ends_with("/preset")) {
            operation["requestBody"] = {{"required", true},
                                        {"content", {{"text/plain", {{"schema", {{"type", "string"}}}}}}}};
            operation["parameters"].push_back({{"name", "dry_run"},
                                               {"in", "query"},
                                               {"required", false},
                                               {"schema", {{"type", "integer"}}},
                                               {"description", "1: only the lines the preset would change"}});
        }
        paths[path][method] = std::move(operation);
    }
    const Json document{{"openapi", "3.0.3"},
                        {"info", {{"title", "Brevant service"}, {"version", "1"}}},
                        {"servers", Json::array({{{"url", "/"}}})},
                        {"paths", std::move(paths)}};
    return document.dump(2);
}

std::string MetricsText(const Service& service)
{
    std::ostringstream out;
    const auto family = [&out](const char* name, const char* type, const char* help) {
        out << "# HELP " << name << ' ' << help << "\n# TYPE " << name << ' ' << type << '\n';
    };
    const std::vector<DeviceRunner*> devices = service.Devices();
    std::vector<RunnerStatus> statuses;
    for (DeviceRunner* device : devices)
        statuses.push_back(device->Status());
    const auto each = [&](const char* name, auto value) {
        for (std::size_t i = 0; i < devices.size(); ++i)
            out << name << "{device=\"" << devices[i]->Id() << "\"} " << value(statuses[i]) << '\n';
    };
    family("brevant_exchanges_total", "counter", "Lines written to the device.");
    each("brevant_exchanges_total", [](const RunnerStatus& s) { return s.exchanges; });
    family("brevant_exchange_failures_total", "counter", "Lines that got no whole reply.");
    each("brevant_exchange_failures_total", [](const RunnerStatus& s) { return s.failures; });
    family("brevant_reconnects_total", "counter", "Links lost and found again.");
    each("brevant_reconnects_total", [](const RunnerStatus& s) { return s.reconnects; });
    family("brevant_exchange_latency_seconds", "summary", "Time from a line to the end of its reply.");
    each("brevant_exchange_latency_seconds_sum",
         [](const RunnerStatus& s) { return static_cast<double>(s.latencyMicrosSum) / 1e6; });
    each("brevant_exchange_latency_seconds_count", [](const RunnerStatus& s) { return s.latencyCount; });
    family("brevant_device_connected", "gauge", "1 while the device is connected.");
    each("brevant_device_connected",
         [](const RunnerStatus& s) { return s.state == RunnerState::Connected ? 1 : 0; });
    family("brevant_api_clients", "gauge", "Open connections to the API.");
    out << "brevant_api_clients " << service.ApiConnections() << '\n';
    family("brevant_event_clients", "gauge", "WebSocket clients of the live events.");
    out << "brevant_event_clients " << service.EventClients() << '\n';
    return out.str();
}

}  // namespace brevant::service
