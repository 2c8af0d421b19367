#include "programs/brevantctl/CtlOutput.h"

#include "procedures/PresetFile.h"

#include <nlohmann/json.hpp>

#include <sstream>

namespace brevant::ctl {

namespace {

using Json = nlohmann::ordered_json;

std::string Dump(const Json& value)
{
    return value.dump(-1, ' ', false, Json::error_handler_t::replace);
}

Json ListOf(const Channels& values)
{
    Json list = Json::array();
    for (int i = 1; i <= kChannels; ++i)
        list.push_back(values[static_cast<std::size_t>(i)].load());
    return list;
}

std::string TextOf(const Channels& values)
{
    std::string text;
    for (int i = 1; i <= kChannels; ++i)
        text += (i > 1 ? " " : "") + std::to_string(values[static_cast<std::size_t>(i)].load());
    return text;
}

}  // namespace

std::string JsonObject(std::initializer_list<std::pair<std::string_view, std::string_view>> members)
{
    Json object = Json::object();
    for (const auto& [name, value] : members)
        object[std::string(name)] = std::string(value);
    return Dump(object);
}

std::string FormatSetting(const DeviceParams& params, bool json)
{
    std::string text = FormatPreset(params);
    std::erase(text, '\r');
    // A model of no known family is read back only for the settings every
    // model has: the lines of the others would show values nobody read.
    if (ToModelFamily(params.DeviceFamily.load()) == ModelFamily::Unknown) {
        std::string shared;
        std::istringstream lines(text);
        for (std::string line; std::getline(lines, line);) {
            const Command* row = FindCommand(line.substr(0, line.find(':')));
            if (row == nullptr || row->OnEveryModel())
                shared += line + '\n';
        }
        text = shared;
    }
    if (!json)
        return text;
    // A preset line is "KEY:v,v,v,v," for a list and "KEY:v" for one value.
    Json object = Json::object();
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        const auto colon = line.find(':');
        if (colon == std::string::npos)
            continue;
        std::string values = line.substr(colon + 1);
        Json numbers = Json::array();
        std::istringstream items(values);
        for (std::string item; std::getline(items, item, ',');)
            numbers.push_back(std::stoi(item));
        const bool list = !values.empty() && values.back() == ',';
        object[line.substr(0, colon)] = list || numbers.empty() ? numbers : numbers[0];
    }
    return Dump(object);
}

std::string MetersLine(const DeviceParams& params, ModelFamily family, int pass, bool json)
{
    // The echo meters, on the models that have them.
    const bool echo = CommandFor(Op::ME).HasOn(family, kChannels);
    if (json) {
        Json line = {{"pass", pass}, {"inputs", ListOf(params.ML)}, {"outputs", ListOf(params.OL)}};
        if (echo) {
            line["erle"] = ListOf(params.ME);
            line["erl"] = ListOf(params.MS);
        }
        return Dump(line);
    }
    std::string line = "pass " + std::to_string(pass) + ": in " + TextOf(params.ML) + " dB | out " +
                       TextOf(params.OL) + " dB";
    if (echo)
        line += " | ERLE " + TextOf(params.ME) + " | ERL " + TextOf(params.MS);
    return line;
}

std::string InfoText(const DeviceIdentity& device, bool json)
{
    // A model this program does not know belongs to no family.
    const bool known = ToModelFamily(device.family) != ModelFamily::Unknown;
    if (json)
        return Dump(Json{{"port", device.port},
                         {"model", device.model},
                         {"family", known ? Json(device.family) : Json(nullptr)},
                         {"version", device.version}});
    return "port " + device.port + "\nmodel " + device.model + "\nfamily " +
           (known ? std::to_string(device.family) : std::string("unknown")) + "\nversion " + device.version;
}

std::string PortsText(const std::vector<PortInfo>& ports)
{
    std::string text;
    for (const PortInfo& port : ports) {
        text += "COM" + std::to_string(port.number) + ' ' + port.path;
        if (!port.adapter.empty())
            text += " (" + port.adapter + ')';
        text += '\n';
    }
    return text;
}

}  // namespace brevant::ctl
