// The settings as the service's clients read and write them in JSON: the
// whole table (GET /schema), one device's settings and values (GET
// /devices/{id}), one setting with its value, and the value a client sends.
//
// Every entry carries "key", "name" (as people read it), "unit" ("dB", "ms",
// "Hz" or ""), "reads" (switch, decibels, milliseconds, hertz, level,
// priority, number), "range" ({"min", "max", "below_min_is_off", "text"}; a
// meter's is its scale) and "settable" (false for meters).
//
// Thread-safety: pure functions; the ones that take a mirror read its
// atomics only, so any thread may call them while the device's thread stores.
#pragma once

#include "core/Catalogue.h"
#include "service/parse/SettingKeys.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <nlohmann/json_fwd.hpp>
#include <optional>
#include <string>
#include <string_view>

namespace brevant::service {

// The whole table: {"families": [{"name": "K225", "models": ["K225"]}, ...],
// "settings": [...]}, one entry a row with keys, the rows in the table's
// order. An entry's "key" and "name" are patterns ("input/{channel}/gain",
// "Input {channel} gain", "crosspoint/{input}/{output}/on"); "families" lists
// the families that have the row and, unless it is device-wide, "channels"
// says on which channels (a crosspoint's: inputs) each has it.
nlohmann::json SchemaJson();

// One setting and its value: the entry with "value", null when nullopt.
nlohmann::json SettingJson(const SettingRef& ref, std::optional<int32_t> value);

// Whether the device has confirmed the value the mirror holds for a setting.
using KnownSetting = std::function<bool(const SettingRef&)>;

// Every setting and meter of `family` (KeysOf's order) with the mirror's
// value, or null where `known` says the value is not known yet.
nlohmann::json DeviceSettingsJson(ModelFamily family, const DeviceParams& mirror, const KnownSetting& known);

// The mirror's value of a setting or meter, known or not.
int32_t MirrorValue(const DeviceParams& mirror, const SettingRef& ref);

// The largest request body a value is read from.
inline constexpr std::size_t kMaxValueBody = 1024;

struct ValueRead {
    std::optional<int32_t> value;
    SettingError error = SettingError::None;
    std::string message;  // why there is no value (UTF-8, no text of the body but its number)
};

// The value a client sends for `ref`: a JSON number or {"value": number}, a
// whole number within the setting's range ("value 99 is outside -10..47").
ValueRead ReadSettingValue(std::string_view body, const SettingRef& ref);

// The HTTP status that answers a refusal: 404 for a key that names nothing
// on the device, 405 for a meter, 413 for a body too large, 400 for a value
// that is no value or outside the range; 200 for None.
int HttpStatusOf(SettingError error);

}  // namespace brevant::service
