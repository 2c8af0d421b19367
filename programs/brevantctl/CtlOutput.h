// What brevantctl prints for a setting, a meters pass and the device's
// identity: plain text, or one JSON value a line (strings escaped as JSON
// requires; bytes that are not UTF-8 become U+FFFD).
#pragma once

#include "core/Catalogue.h"
#include "core/DeviceParams.h"
#include "core/PortMap.h"

#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace brevant::ctl {

// A JSON object of string members, in the order given.
std::string JsonObject(std::initializer_list<std::pair<std::string_view, std::string_view>> members);

// The setting held in the mirror as the preset lines (line ends "\n") or as
// a JSON object with one member per line, named by its key. For a model of
// no known family (DeviceFamily 0) only the settings every model has.
std::string FormatSetting(const DeviceParams& params, bool json);

// The meters after polling pass `pass` (a K217 or K218 adds ERLE and ERL).
std::string MetersLine(const DeviceParams& params, ModelFamily family, int pass, bool json);

struct DeviceIdentity {
    std::string port;   // "COM3"
    std::string model;  // "K225", or "unknown model K999"
    int family = 0;     // 0: a model this program does not know
    std::string version;
};
std::string InfoText(const DeviceIdentity& device, bool json);

// The ports a line each: "COM1 /dev/ttyUSB0 (FTDI FT232R USB UART)", the
// adapter's name only when it is known.
std::string PortsText(const std::vector<PortInfo>& ports);

}  // namespace brevant::ctl
