// The service's configuration: where the API listens, its tokens, TLS and
// CORS, the limits of what a client may take, and the devices served.
//
// A configuration comes from a JSON file (// and /* */ comments allowed) or
// from the command line, into the same struct:
//   {
//     "listen": "127.0.0.1:8480",
//     "tokens": {"read": "…", "control": "…"},
//     "tls": {"certificate": "/etc/brevant/cert.pem", "key": "/etc/brevant/key.pem"},
//     "cors": ["https://panel.example"],
//     "limits": {"connections": 64, "request_body": 1048576, "idle_seconds": 60,
//                "websocket_message": 65536, "clients": 100},
//     "devices": [{"id": "hall", "address": "COM1", "share": 4001},
//                 {"id": "demo", "address": "virtual"}]
//   }
// Every key is optional but the devices' id and address; an unknown key is
// refused, so a misspelt one never goes unnoticed. A refusal names the line
// and column of what was wrong and what it was: "line 7, column 14:
// devices[1].id: \"hall\" is used twice".
//
// Thread-safety: plain values; the parsers are pure functions.
#pragma once

#include "core/PortAddress.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace brevant::service {

inline constexpr int kDefaultApiPort = 8480;
// A configuration file is small text; anything larger is no configuration.
inline constexpr std::size_t kMaxConfigBytes = 256 * 1024;
inline constexpr std::size_t kMaxDevices = 64;
inline constexpr std::size_t kMaxIdLength = 32;
inline constexpr std::size_t kMaxTokenLength = 256;
inline constexpr std::size_t kMaxCorsOrigins = 32;

// HOST:PORT; HOST a name, an IPv4 address, or an IPv6 address in brackets.
struct ListenAddress {
    std::string host = "127.0.0.1";  // without brackets
    int port = kDefaultApiPort;

    // Only this machine can reach it: 127.0.0.0/8, ::1 or localhost.
    bool Loopback() const;
    std::string Text() const;  // "127.0.0.1:8480", "[::1]:8480"
    friend bool operator==(const ListenAddress&, const ListenAddress&) = default;
};

struct ListenParse {
    std::optional<ListenAddress> address;
    std::string error;
};
ListenParse ParseListenAddress(std::string_view text);

// Where a device is: a port the router knows (COMn, tcp://, rfc2217://), a
// device path (/dev/ttyUSB0), or the bundled simulator.
enum class DeviceAddressKind { Port, Path, Virtual };

struct DeviceAddress {
    DeviceAddressKind kind = DeviceAddressKind::Virtual;
    PortAddress port;  // Port
    std::string path;  // Path: absolute

    std::string Text() const;  // "COM3", "/dev/ttyUSB0", "virtual"
    friend bool operator==(const DeviceAddress&, const DeviceAddress&) = default;
};

struct DeviceAddressParse {
    std::optional<DeviceAddress> address;
    std::string error;
};
DeviceAddressParse ParseDeviceAddress(std::string_view text);

struct DeviceConfig {
    std::string id;  // [a-z0-9_-], 1..kMaxIdLength characters, unique
    DeviceAddress address;
    std::optional<int> share;  // a TCP port speaking the device's own line protocol
    friend bool operator==(const DeviceConfig&, const DeviceConfig&) = default;
};

// What one client, and all of them, may take.
struct ServiceLimits {
    int connections = 64;                      // open HTTP connections
    std::size_t requestBody = 1024 * 1024;     // bytes
    int idleSeconds = 60;                      // an idle connection is closed after this
    std::size_t webSocketMessage = 64 * 1024;  // bytes
    int clients = 100;                         // WebSocket clients
    friend bool operator==(const ServiceLimits&, const ServiceLimits&) = default;
};

struct ServiceConfig {
    ListenAddress listen;
    std::string readToken;     // empty: none
    std::string controlToken;  // empty: none
    std::string tlsCertificate;
    std::string tlsKey;
    std::vector<std::string> corsOrigins;  // empty: CORS off
    ServiceLimits limits;
    std::vector<DeviceConfig> devices;
    friend bool operator==(const ServiceConfig&, const ServiceConfig&) = default;
};

struct ConfigResult {
    std::optional<ServiceConfig> config;
    std::string error;  // why not, when config is empty
};

// The configuration a JSON text gives.
ConfigResult ParseServiceConfig(std::string_view json);
// The same from a file: a regular file of at most kMaxConfigBytes. The error
// starts with the path ("/etc/brevant/brevantd.conf: line 3, column 9: …").
ConfigResult ReadServiceConfig(const std::string& path);

// `base` with the command line's --listen HOST:PORT and --device
// ID=ADDRESS[,share=PORT] (repeatable; "--opt VALUE" or "--opt=VALUE")
// applied: the listen address replaced, the devices added. Any other
// argument is refused.
ConfigResult ApplyServiceArgs(const std::vector<std::string>& args, ServiceConfig base = {});

// What a reloaded configuration changes in the devices served: the ids to
// stop (gone, or changed in address or shared port) and the devices to
// start (new, or changed), each in the order configured. A device the same
// in both is in neither, so it runs on untouched.
struct DeviceChanges {
    std::vector<std::string> stop;
    std::vector<DeviceConfig> start;
};
DeviceChanges CompareDevices(const std::vector<DeviceConfig>& running,
                             const std::vector<DeviceConfig>& wanted);

// Whether a configuration may be served: errors refuse it (listening beyond
// loopback without a token, a certificate without its key, a port used
// twice); warnings are logged at start (a shared port reachable beyond
// loopback, where it carries no authentication).
struct ConfigCheck {
    std::vector<std::string> errors;
    std::vector<std::string> warnings;
};
ConfigCheck CheckServiceConfig(const ServiceConfig& config);

}  // namespace brevant::service
