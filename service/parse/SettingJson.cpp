#include "service/parse/SettingJson.h"

#include "core/DeviceParams.h"
#include "core/SettingName.h"
#include "core/SettingRange.h"
#include "core/Translate.h"

#include <array>
#include <cmath>
#include <nlohmann/json.hpp>

namespace brevant::service {

using nlohmann::json;

namespace {

constexpr std::array kKnownFamilies = {ModelFamily::K225, ModelFamily::K217K218};

std::string_view ReadsWord(Reads reads)
{
    switch (reads) {
    case Reads::Switch: return "switch";
    case Reads::Decibels: return "decibels";
    case Reads::Milliseconds: return "milliseconds";
    case Reads::Hertz: return "hertz";
    case Reads::Level: return "level";
    case Reads::Priority: return "priority";
    case Reads::Number: return "number";
    }
    return "number";
}

json RangeJson(const std::optional<SettingRange>& range)
{
    if (!range)
        return nullptr;
    return {{"min", range->min},
            {"max", range->max},
            {"below_min_is_off", range->belowMinIsOff},
            {"text", range->Text()}};
}

// What every entry has but its key and name.
json Entry(Op op, std::string key, std::string name)
{
    const Command& c = CommandFor(op);
    return {{"key", std::move(key)},
            {"name", std::move(name)},
            {"unit", UnitText(op)},
            {"reads", ReadsWord(c.setting.reads)},
            {"range", RangeJson(c.setting.range)},
            {"settable", c.settable}};
}

// "Input {channel} gain", "Crosspoint {input}→{output}", "AutoMix".
std::string NamePattern(const Command& c)
{
    std::string name;
    switch (c.setting.scope) {
    case Scope::Input: name = Tr("brevant::Setting", "Input") + " {channel}"; break;
    case Scope::Output: name = Tr("brevant::Setting", "Output") + " {channel}"; break;
    case Scope::Crosspoint: name = Tr("brevant::Setting", "Crosspoint") + " {input}\u2192{output}"; break;
    case Scope::Device:
    case Scope::None: break;
    }
    if (c.setting.what.empty())
        return name;
    const std::string what = Tr("brevant::Setting", c.setting.what);
    return name.empty() ? what : name + " " + what;
}

json SchemaEntry(const Command& c)
{
    const std::string pattern = KeyPattern(c.op);
    json entry = Entry(c.op, pattern, NamePattern(c));
    entry["scope"] = pattern.substr(0, pattern.find('/'));
    entry["families"] = json::array();
    json channels = json::object();
    for (ModelFamily family : kKnownFamilies) {
        json on = json::array();
        for (int n = 1; n <= kChannels; ++n) {
            if (c.HasOn(family, n))
                on.push_back(n);
        }
        if (c.HasOn(family, 0) || !on.empty())
            entry["families"].push_back(FamilyName(family));
        channels[std::string(FamilyName(family))] = std::move(on);
    }
    if (c.setting.scope != Scope::Device)
        entry["channels"] = std::move(channels);
    return entry;
}

ValueRead Refused(SettingError error, std::string message)
{
    return {std::nullopt, error, std::move(message)};
}

// The JSON text of a body, or why it is none.
std::optional<json> ParseBody(std::string_view body, std::string& error)
{
    try {
        return json::parse(body);
    } catch (const json::parse_error& e) {
        error = "the body is not JSON (at byte " + std::to_string(e.byte) + ")";
    } catch (const json::exception&) {
        error = "the body holds a number too large to read";  // the one other refusal of the parser
    }
    return std::nullopt;
}

// A JSON number without a fraction ("5", "5.0", "1e2"), as a 64-bit number;
// one beyond the 32-bit range may come back as any number beyond it.
std::optional<int64_t> WholeNumber(const json& value)
{
    constexpr int64_t kBeyond = int64_t{1} << 40;
    if (value.is_number_unsigned())
        return value.get<uint64_t>() > uint64_t{INT32_MAX} ? kBeyond : value.get<int64_t>();
    if (value.is_number_integer())
        return value.get<int64_t>();
    const double d = value.get<double>();
    if (!std::isfinite(d) || d != std::trunc(d))
        return std::nullopt;
    return std::abs(d) > double(INT32_MAX) + 1 ? kBeyond : static_cast<int64_t>(d);
}

}  // namespace

json SchemaJson()
{
    json families = json::array();
    families.push_back({{"name", FamilyName(ModelFamily::K225)}, {"models", {wire::kModelK225}}});
    families.push_back(
        {{"name", FamilyName(ModelFamily::K217K218)}, {"models", {wire::kModelK217, wire::kModelK218}}});
    json settings = json::array();
    for (const Command& c : AllCommands()) {
        if (!KeyPattern(c.op).empty())
            settings.push_back(SchemaEntry(c));
    }
    return {{"families", std::move(families)}, {"settings", std::move(settings)}};
}

json SettingJson(const SettingRef& ref, std::optional<int32_t> value)
{
    json entry = Entry(ref.op, KeyOf(ref), SettingName(ref));
    entry["value"] = value ? json(*value) : json(nullptr);
    return entry;
}

int32_t MirrorValue(const DeviceParams& mirror, const SettingRef& ref)
{
    // The row's field lookup serves stores too, hence the non-const mirror;
    // here it is only read.
    auto& params = const_cast<DeviceParams&>(mirror);
    const Value* field = CommandFor(ref.op).field(params, ref.at.a, ref.at.b);
    return field != nullptr ? field->load() : 0;
}

json DeviceSettingsJson(ModelFamily family, const DeviceParams& mirror, const KnownSetting& known)
{
    json settings = json::array();
    for (const KeyedSetting& s : KeysOf(family)) {
        const bool isKnown = known && known(s.ref);
        settings.push_back(
            SettingJson(s.ref, isKnown ? std::optional(MirrorValue(mirror, s.ref)) : std::nullopt));
    }
    return settings;
}

int HttpStatusOf(SettingError error)
{
    switch (error) {
    case SettingError::None: return 200;
    case SettingError::NoSuchSetting:
    case SettingError::NoSuchPlace:
    case SettingError::NotOnModel: return 404;
    case SettingError::ReadOnly: return 405;
    case SettingError::TooLarge: return 413;
    case SettingError::Malformed:
    case SettingError::NotWhole:
    case SettingError::OutOfRange: break;
    }
    return 400;
}

ValueRead ReadSettingValue(std::string_view body, const SettingRef& ref)
{
    const std::optional<SettingRange> range = RangeOf(ref.op);
    if (!IsSettable(ref) || !range)
        return Refused(SettingError::ReadOnly, SettingName(ref) + " can only be read");
    if (body.size() > kMaxValueBody)
        return Refused(SettingError::TooLarge, "the body has " + std::to_string(body.size()) +
                                                   " bytes; a value takes at most " +
                                                   std::to_string(kMaxValueBody));
    std::string error;
    const std::optional<json> parsed = ParseBody(body, error);
    if (!parsed)
        return Refused(SettingError::Malformed, error);
    const bool wrapped = parsed->is_object();
    if (wrapped && (parsed->size() != 1 || !parsed->contains("value")))
        return Refused(SettingError::Malformed, R"(the body must be a number or {"value": number})");
    const json& value = wrapped ? parsed->at("value") : *parsed;
    if (!value.is_number())
        return Refused(SettingError::NotWhole,
                       "the value must be a whole number, not " + std::string(value.type_name()));
    const std::optional<int64_t> n = WholeNumber(value);
    if (!n)
        return Refused(SettingError::NotWhole, "the value must be a whole number, not " + value.dump());
    if (*n < INT32_MIN || *n > INT32_MAX || !range->Contains(static_cast<int32_t>(*n)))
        return Refused(SettingError::OutOfRange, "value " + value.dump() + " is outside " + range->Text());
    return {static_cast<int32_t>(*n), SettingError::None, {}};
}

}  // namespace brevant::service
