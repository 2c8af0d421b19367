// The JSON API under /api/v1, over the devices of a Service:
//   GET /api/v1/devices                          every device and its state
//   GET /api/v1/devices/{id}                     one device and all its settings
//   GET /api/v1/devices/{id}/settings/{key}      one setting ("input/2/gain")
//   PUT /api/v1/devices/{id}/settings/{key}      set it; answers what the device confirmed
//   GET /api/v1/devices/{id}/preset             the device's setting as preset text
//   POST /api/v1/devices/{id}/preset            load a preset text (?dry_run=1: the lines it changes)
//   POST /api/v1/devices/{id}/save              the device keeps its present setting
//   GET /api/v1/devices/{id}/events              live events over a WebSocket (service/EventHub.h)
//   GET /api/v1/schema                           the table of settings
//   GET /api/v1/metrics                          Prometheus text
//   GET /api/v1/openapi.json                     this list, as OpenAPI 3
// The routes and the OpenAPI document come from one table, so the document
// lists exactly the routes served.
//
// Thread-safety: the server's thread; a set's answer comes back to it from
// the device's queue through the event loop.
#pragma once

#include <string>
#include <vector>

class QObject;

namespace brevant {
class HttpServer;
}

namespace brevant::service {

class Service;

void AddApiRoutes(HttpServer& server, Service& service);

// The routes as "METHOD /path/{param}", in the table's order.
std::vector<std::string> ApiRoutes();
// The OpenAPI 3 document of the routes, as JSON text.
std::string OpenApiDocument();
// The metrics of every device and of the API, in the Prometheus text format.
std::string MetricsText(const Service& service);

}  // namespace brevant::service
