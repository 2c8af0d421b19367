#include "service/parse/ServiceConfig.h"

#include "core/BoundedFile.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <map>
#include <set>

namespace brevant::service {

namespace {

using nlohmann::json;

constexpr FileKind kConfigFile{"a configuration", kMaxConfigBytes};

std::string Quoted(std::string_view text)
{
    // Bounded, so a huge value never makes a huge message.
    constexpr std::size_t kShown = 64;
    return "\"" + std::string(text.substr(0, kShown)) + (text.size() > kShown ? "…\"" : "\"");
}

// "line 3, column 9" of the byte at `offset`, both counted from 1.
std::string LineColumn(std::string_view text, std::size_t offset)
{
    offset = std::min(offset, text.size());
    const std::string_view before = text.substr(0, offset);
    const auto line = std::count(before.begin(), before.end(), '\n');
    const std::size_t lineStart = before.rfind('\n');
    const std::size_t column = lineStart == std::string_view::npos ? offset + 1 : offset - lineStart;
    return "line " + std::to_string(line + 1) + ", column " + std::to_string(column);
}

// Where each member of a JSON text starts, by its path ("devices[1].id"),
// found by walking text the parser has already accepted; and the first key
// that an object holds twice, which the parser would silently let win.
class Positions {
public:
    explicit Positions(std::string_view text) : text_(text) { Walk(); }

    std::string Where(const std::string& path) const
    {
        const auto found = offsets_.find(path);
        return LineColumn(text_, found == offsets_.end() ? 0 : found->second);
    }
    const std::string& DuplicatePath() const { return duplicate_; }

private:
    struct Frame {
        bool object;
        std::string path;
        int index = 0;
        std::set<std::string> keys;
    };

    std::size_t SkipString(std::size_t i) const  // i at the opening quote; returns past the closing one
    {
        for (++i; i < text_.size() && text_[i] != '"'; ++i)
            if (text_[i] == '\\')
                ++i;
        return i + 1;
    }

    std::size_t SkipComment(std::size_t i) const  // i at the slash; returns past the comment
    {
        if (text_[i + 1] == '/') {
            const std::size_t end = text_.find('\n', i);
            return end == std::string_view::npos ? text_.size() : end + 1;
        }
        const std::size_t end = text_.find("*/", i + 2);
        return end == std::string_view::npos ? text_.size() : end + 2;
    }

    void Walk()
    {
        std::vector<Frame> stack;
        bool wantKey = false;
        std::string member;  // the path of the value about to come
        const std::size_t start = text_.starts_with("\xEF\xBB\xBF") ? 3 : 0;  // a byte order mark
        for (std::size_t i = start; i < text_.size();) {
            const char c = text_[i];
            if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == ':') {
                ++i;
            } else if (c == '/' && i + 1 < text_.size() && (text_[i + 1] == '/' || text_[i + 1] == '*')) {
                i = SkipComment(i);
            } else if (c == ',') {
                if (!stack.empty() && stack.back().object)
                    wantKey = true;
                else if (!stack.empty())
                    member = stack.back().path + "[" + std::to_string(++stack.back().index) + "]";
                ++i;
            } else if (c == '}' || c == ']') {
                if (!stack.empty())
                    stack.pop_back();
                wantKey = false;
                ++i;
            } else if (c == '"' && wantKey) {
                const std::size_t end = SkipString(i);
                const std::string key(text_.substr(i + 1, end - i - 2));
                Frame& frame = stack.back();
                member = frame.path.empty() ? key : frame.path + "." + key;
                offsets_.emplace(member, i);
                if (!frame.keys.insert(key).second && duplicate_.empty()) {
                    duplicate_ = member;
                    offsets_[member] = i;
                }
                wantKey = false;
                i = end;
            } else {
                if (!stack.empty() && !stack.back().object)
                    offsets_.emplace(member, i);
                if (c == '{' || c == '[') {
                    stack.push_back(Frame{c == '{', member, 0, {}});
                    wantKey = c == '{';
                    member += "[0]";
                    ++i;
                } else if (c == '"') {
                    i = SkipString(i);
                } else {
                    // A number or a word; its first byte is always taken, so
                    // the walk moves on whatever the text holds.
                    do {
                        ++i;
                    } while (i < text_.size() &&
                             std::string_view(",]}/ \t\r\n").find(text_[i]) == std::string_view::npos);
                }
            }
        }
    }

    std::string_view text_;
    std::map<std::string, std::size_t> offsets_;
    std::string duplicate_;
};

// A refusal at the place of `path` in the text.
struct Refusal {
    std::string path;
    std::string what;
};

std::optional<Refusal> Allowed(const json& object, const std::string& path,
                               std::initializer_list<std::string_view> keys)
{
    for (const auto& [key, value] : object.items())
        if (std::find(keys.begin(), keys.end(), key) == keys.end())
            return Refusal{path.empty() ? key : std::string(path).append(".").append(key),
                           std::string("unknown key ").append(Quoted(key))};
    return std::nullopt;
}

std::optional<Refusal> TextOf(const json& value, const std::string& path, std::string& out,
                              std::size_t maxLength)
{
    if (!value.is_string())
        return Refusal{path, "expected a text"};
    out = value.get<std::string>();
    if (out.size() > maxLength)
        return Refusal{path, "longer than " + std::to_string(maxLength) + " characters"};
    return std::nullopt;
}

template <typename Int>
std::optional<Refusal> NumberOf(const json& value, const std::string& path, Int& out, long long min,
                                long long max)
{
    if (!value.is_number_integer())
        return Refusal{path, "expected a whole number"};
    const long long number =
        value.is_number_unsigned() && value.get<unsigned long long>() > static_cast<unsigned long long>(max)
            ? max + 1
            : value.get<long long>();
    if (number < min || number > max)
        return Refusal{path, "must be from " + std::to_string(min) + " to " + std::to_string(max)};
    out = static_cast<Int>(number);
    return std::nullopt;
}

std::string TokenProblem(std::string_view token)
{
    if (token.empty())
        return "is empty";
    if (token.size() > kMaxTokenLength)
        return "is longer than " + std::to_string(kMaxTokenLength) + " characters";
    for (const char c : token)
        if (static_cast<unsigned char>(c) <= ' ' || c == 0x7f)
            return "holds a space or a control character";
    return {};
}

std::string IdProblem(std::string_view id)
{
    if (id.empty() || id.size() > kMaxIdLength)
        return Quoted(id) + ": an id has 1 to " + std::to_string(kMaxIdLength) + " characters";
    for (const char c : id)
        if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '-'))
            return Quoted(id) + ": an id has only a-z, 0-9, _ and -";
    return {};
}

std::optional<Refusal> ReadTokens(const json& value, ServiceConfig& config)
{
    if (!value.is_object())
        return Refusal{"tokens", "expected an object"};
    if (auto refusal = Allowed(value, "tokens", {"read", "control"}))
        return refusal;
    for (const auto& [key, token] : value.items()) {
        std::string& out = key == "read" ? config.readToken : config.controlToken;
        if (auto refusal = TextOf(token, "tokens." + key, out, kMaxTokenLength))
            return refusal;
        if (const std::string problem = TokenProblem(out); !problem.empty())
            return Refusal{"tokens." + key, "the token " + problem};
    }
    return std::nullopt;
}

std::optional<Refusal> ReadTls(const json& value, ServiceConfig& config)
{
    if (!value.is_object())
        return Refusal{"tls", "expected an object"};
    if (auto refusal = Allowed(value, "tls", {"certificate", "key"}))
        return refusal;
    for (const auto& [key, path] : value.items())
        if (auto refusal =
                TextOf(path, "tls." + key, key == "key" ? config.tlsKey : config.tlsCertificate, 4096))
            return refusal;
    return std::nullopt;
}

std::optional<Refusal> ReadCors(const json& value, ServiceConfig& config)
{
    if (!value.is_array())
        return Refusal{"cors", "expected a list of origins"};
    if (value.size() > kMaxCorsOrigins)
        return Refusal{"cors", "at most " + std::to_string(kMaxCorsOrigins) + " origins"};
    for (std::size_t i = 0; i < value.size(); ++i) {
        std::string origin;
        const std::string path = "cors[" + std::to_string(i) + "]";
        if (auto refusal = TextOf(value[i], path, origin, 256))
            return refusal;
        if (!origin.starts_with("http://") && !origin.starts_with("https://"))
            return Refusal{path, Quoted(origin) + ": an origin starts with http:// or https://"};
        config.corsOrigins.push_back(std::move(origin));
    }
    return std::nullopt;
}

std::optional<Refusal> ReadLimits(const json& value, ServiceLimits& limits)
{
    if (!value.is_object())
        return Refusal{"limits", "expected an object"};
    if (auto refusal = Allowed(
            value, "limits", {"connections", "request_body", "idle_seconds", "websocket_message", "clients"}))
        return refusal;
    for (const auto& [key, number] : value.items()) {
        const std::string path = "limits." + key;
        std::optional<Refusal> refusal;
        if (key == "connections")
            refusal = NumberOf(number, path, limits.connections, 1, 10'000);
        else if (key == "request_body")
            refusal = NumberOf(number, path, limits.requestBody, 1024, 16LL * 1024 * 1024);
        else if (key == "idle_seconds")
            refusal = NumberOf(number, path, limits.idleSeconds, 1, 3600);
        else if (key == "websocket_message")
            refusal = NumberOf(number, path, limits.webSocketMessage, 128, 1024LL * 1024);
        else
            refusal = NumberOf(number, path, limits.clients, 1, 10'000);
        if (refusal)
            return refusal;
    }
    return std::nullopt;
}

// Adds `device` unless its id is taken.
std::string AddDevice(DeviceConfig device, std::vector<DeviceConfig>& devices)
{
    if (devices.size() >= kMaxDevices)
        return "at most " + std::to_string(kMaxDevices) + " devices";
    for (const DeviceConfig& other : devices)
        if (other.id == device.id)
            return Quoted(device.id) + " is used twice";
    devices.push_back(std::move(device));
    return {};
}

std::optional<Refusal> ReadDevice(const json& value, const std::string& path, ServiceConfig& config)
{
    if (!value.is_object())
        return Refusal{path, "expected an object"};
    if (auto refusal = Allowed(value, path, {"id", "address", "share"}))
        return refusal;
    DeviceConfig device;
    for (const char* key : {"id", "address"})
        if (!value.contains(key))
            return Refusal{path, std::string("the device has no \"") + key + "\""};
    if (auto refusal = TextOf(value["id"], path + ".id", device.id, 256))
        return refusal;
    if (const std::string problem = IdProblem(device.id); !problem.empty())
        return Refusal{path + ".id", problem};
    std::string address;
    if (auto refusal = TextOf(value["address"], path + ".address", address, 4096))
        return refusal;
    DeviceAddressParse parsed = ParseDeviceAddress(address);
    if (!parsed.address)
        return Refusal{path + ".address", parsed.error};
    device.address = *parsed.address;
    if (value.contains("share")) {
        int share = 0;
        if (auto refusal = NumberOf(value["share"], path + ".share", share, 1, 65535))
            return refusal;
        device.share = share;
    }
    if (std::string problem = AddDevice(std::move(device), config.devices); !problem.empty())
        return Refusal{path + ".id", problem};
    return std::nullopt;
}

std::optional<Refusal> ReadConfig(const json& root, ServiceConfig& config)
{
    if (!root.is_object())
        return Refusal{"", "the configuration is a JSON object"};
    if (auto refusal = Allowed(root, "", {"listen", "tokens", "tls", "cors", "limits", "devices"}))
        return refusal;
    if (root.contains("listen")) {
        std::string text;
        if (auto refusal = TextOf(root["listen"], "listen", text, 300))
            return refusal;
        ListenParse listen = ParseListenAddress(text);
        if (!listen.address)
            return Refusal{"listen", listen.error};
        config.listen = *listen.address;
    }
    std::optional<Refusal> refusal;
    if (!refusal && root.contains("tokens"))
        refusal = ReadTokens(root["tokens"], config);
    if (!refusal && root.contains("tls"))
        refusal = ReadTls(root["tls"], config);
    if (!refusal && root.contains("cors"))
        refusal = ReadCors(root["cors"], config);
    if (!refusal && root.contains("limits"))
        refusal = ReadLimits(root["limits"], config.limits);
    if (refusal || !root.contains("devices"))
        return refusal;
    const json& devices = root["devices"];
    if (!devices.is_array())
        return Refusal{"devices", "expected a list of devices"};
    for (std::size_t i = 0; i < devices.size() && !refusal; ++i)
        refusal = ReadDevice(devices[i], "devices[" + std::to_string(i) + "]", config);
    return refusal;
}

// "line 1, column 5: syntax error …" from the parser's own message.
std::string ParseErrorText(const json::parse_error& error, std::string_view text)
{
    std::string what = error.what();
    const std::size_t colon = what.find(": ", what.find("column"));
    what = colon == std::string::npos ? "not valid JSON" : what.substr(colon + 2);
    if (what.size() > 200)
        what = what.substr(0, 200) + "…";
    return LineColumn(text, error.byte == 0 ? 0 : error.byte - 1) + ": bad JSON: " + what;
}

// A number too large for any value: the parser names the number, not where it is.
std::string OverflowText(const json::out_of_range& error, std::string_view text)
{
    const std::string what = error.what();
    const std::size_t open = what.find('\'');
    const std::size_t close = what.rfind('\'');
    const std::string number = open < close ? what.substr(open + 1, close - open - 1) : std::string();
    const std::size_t at = number.empty() ? std::string_view::npos : text.find(number);
    return LineColumn(text, at == std::string_view::npos ? 0 : at) + ": bad JSON: the number " +
           Quoted(number) + " is too large";
}

}  // namespace

bool ListenAddress::Loopback() const
{
    return host == "localhost" || host == "::1" || host.starts_with("127.");
}

std::string ListenAddress::Text() const
{
    const bool v6 = host.find(':') != std::string::npos;
    return (v6 ? "[" + host + "]" : host) + ":" + std::to_string(port);
}

ListenParse ParseListenAddress(std::string_view text)
{
    if (text.find("://") != std::string_view::npos)
        return {std::nullopt, Quoted(text) + ": a listen address is HOST:PORT, without a scheme"};
    PortAddressParse parsed = ParsePortAddress("tcp://" + std::string(text));
    if (!parsed.address) {
        // The port parser names the text with the scheme put in front; name it as written.
        std::string error = parsed.error;
        if (const std::size_t at = error.find("tcp://"); at != std::string::npos)
            error.erase(at, 6);
        return {std::nullopt, error};
    }
    return {ListenAddress{parsed.address->host, parsed.address->tcpPort}, {}};
}

std::string DeviceAddress::Text() const
{
    switch (kind) {
    case DeviceAddressKind::Port: return port.Text();
    case DeviceAddressKind::Path: return path;
    case DeviceAddressKind::Virtual: break;
    }
    return "virtual";
}

DeviceAddressParse ParseDeviceAddress(std::string_view text)
{
    if (text == "virtual")
        return {DeviceAddress{}, {}};
    if (text.starts_with("/")) {
        if (text.size() < 2 || text.find('\0') != std::string_view::npos || text.size() > 4096)
            return {std::nullopt, Quoted(text) + ": not a device path"};
        return {DeviceAddress{DeviceAddressKind::Path, {}, std::string(text)}, {}};
    }
    PortAddressParse parsed = ParsePortAddress(text);
    if (!parsed.address)
        return {std::nullopt, parsed.error + " (an address is COMn, a device path, tcp://HOST:PORT, "
                                             "rfc2217://HOST:PORT or virtual)"};
    return {DeviceAddress{DeviceAddressKind::Port, *parsed.address, {}}, {}};
}

ConfigResult ParseServiceConfig(std::string_view text)
{
    if (const std::string refusal = SizeRefusal(text.size(), kConfigFile); !refusal.empty())
        return {std::nullopt, refusal};
    // JSON text holds no zero byte; the parser would take one for the end.
    if (const std::size_t zero = text.find('\0'); zero != std::string_view::npos)
        return {std::nullopt, LineColumn(text, zero) + ": a zero byte: the file is no JSON text"};
    json root;
    try {
        // Comments (// and /* */) are allowed, so an example can explain itself.
        root = json::parse(text, nullptr, true, true);
    } catch (const json::parse_error& error) {
        return {std::nullopt, ParseErrorText(error, text)};
    } catch (const json::out_of_range& error) {
        return {std::nullopt, OverflowText(error, text)};
    }
    const Positions positions(text);
    if (const std::string& duplicate = positions.DuplicatePath(); !duplicate.empty())
        return {std::nullopt, positions.Where(duplicate) + ": " + duplicate + ": the key is given twice"};
    ServiceConfig config;
    if (const std::optional<Refusal> refusal = ReadConfig(root, config)) {
        const std::string where = positions.Where(refusal->path);
        return {std::nullopt,
                where + ": " + (refusal->path.empty() ? "" : refusal->path + ": ") + refusal->what};
    }
    return {std::move(config), {}};
}

ConfigResult ReadServiceConfig(const std::string& path)
{
    FileBytes file = ReadBoundedFile(path, kConfigFile);
    if (!file.bytes)
        return {std::nullopt, file.error};
    ConfigResult result = ParseServiceConfig(*file.bytes);
    if (!result.config)
        result.error = path + ": " + result.error;
    return result;
}

namespace {

// ID=ADDRESS[,share=PORT]
std::string ApplyDeviceArg(std::string_view text, ServiceConfig& config)
{
    const std::size_t eq = text.find('=');
    if (eq == std::string_view::npos)
        return "--device " + Quoted(text) + ": expected ID=ADDRESS[,share=PORT]";
    DeviceConfig device;
    device.id = std::string(text.substr(0, eq));
    if (const std::string problem = IdProblem(device.id); !problem.empty())
        return "--device: " + problem;
    std::string_view rest = text.substr(eq + 1);
    std::string_view address = rest;
    if (const std::size_t comma = rest.find(','); comma != std::string_view::npos) {
        address = rest.substr(0, comma);
        const std::string_view option = rest.substr(comma + 1);
        if (!option.starts_with("share="))
            return "--device " + Quoted(text) + ": the only option is share=PORT";
        const std::string port(option.substr(6));
        const bool digits =
            !port.empty() && port.size() <= 5 &&
            std::all_of(port.begin(), port.end(), [](char c) { return c >= '0' && c <= '9'; });
        if (!digits || std::stoi(port) < 1 || std::stoi(port) > 65535)
            return "--device " + Quoted(text) + ": share must be a TCP port from 1 to 65535";
        device.share = std::stoi(port);
    }
    DeviceAddressParse parsed = ParseDeviceAddress(address);
    if (!parsed.address)
        return "--device " + Quoted(device.id) + ": " + parsed.error;
    device.address = *parsed.address;
    if (std::string problem = AddDevice(std::move(device), config.devices); !problem.empty())
        return "--device: " + problem;
    return {};
}

}  // namespace

ConfigResult ApplyServiceArgs(const std::vector<std::string>& args, ServiceConfig base)
{
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string option = args[i];
        std::string value;
        if (const std::size_t eq = option.find('='); option.starts_with("--") && eq != std::string::npos) {
            value = option.substr(eq + 1);
            option.resize(eq);
        } else if (option == "--listen" || option == "--device") {
            if (i + 1 >= args.size())
                return {std::nullopt, option + " needs a value"};
            value = args[++i];
        }
        std::string error;
        if (option == "--listen") {
            ListenParse listen = ParseListenAddress(value);
            if (listen.address)
                base.listen = *listen.address;
            else
                error = "--listen: " + listen.error;
        } else if (option == "--device") {
            error = ApplyDeviceArg(value, base);
        } else {
            error = "unknown option " + Quoted(args[i]);
        }
        if (!error.empty())
            return {std::nullopt, error};
    }
    return {std::move(base), {}};
}

DeviceChanges CompareDevices(const std::vector<DeviceConfig>& running,
                             const std::vector<DeviceConfig>& wanted)
{
    const auto find = [](const std::vector<DeviceConfig>& devices, const std::string& id) {
        return std::find_if(devices.begin(), devices.end(),
                            [&id](const DeviceConfig& d) { return d.id == id; });
    };
    DeviceChanges changes;
    for (const DeviceConfig& device : running)
        if (const auto there = find(wanted, device.id); there == wanted.end() || !(*there == device))
            changes.stop.push_back(device.id);
    for (const DeviceConfig& device : wanted)
        if (const auto there = find(running, device.id); there == running.end() || !(*there == device))
            changes.start.push_back(device);
    return changes;
}

ConfigCheck CheckServiceConfig(const ServiceConfig& config)
{
    ConfigCheck check;
    if (!config.listen.Loopback() && config.readToken.empty() && config.controlToken.empty())
        check.errors.push_back("listening on " + config.listen.Text() +
                               ", beyond this machine, needs a token (tokens.read or tokens.control)");
    if (config.tlsCertificate.empty() != config.tlsKey.empty())
        check.errors.push_back("TLS needs both a certificate and a key");
    if (!config.readToken.empty() && config.readToken == config.controlToken)
        check.errors.push_back("the read-only and the control token must differ");
    std::map<int, std::string> ports{{config.listen.port, "the API"}};
    for (const DeviceConfig& device : config.devices) {
        if (!device.share)
            continue;
        const auto [at, fresh] = ports.emplace(*device.share, "device " + Quoted(device.id));
        if (!fresh)
            check.errors.push_back("port " + std::to_string(*device.share) + " is used by both " +
                                   at->second + " and device " + Quoted(device.id));
        if (!config.listen.Loopback())
            check.warnings.push_back("device " + Quoted(device.id) + "'s shared port " + config.listen.host +
                                     ":" + std::to_string(*device.share) +
                                     " is reachable beyond this machine and carries no authentication");
    }
    return check;
}

}  // namespace brevant::service
