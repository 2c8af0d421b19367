#include "Preset.h"

#include "ProtocolTrace.h"
#include "SettingRange.h"
#include "TextScan.h"

#include <array>
#include <cctype>

namespace brevant {

namespace {

// One line of a preset: its key, the setting its values belong to and how
// many values it holds (1, 4 channels, or 16 crosspoints, input 1's four
// outputs first). Row 0, DeviceType, is the family and no setting.
struct Row {
    std::string_view key;
    Op op;
    int count;
};

constexpr std::array<Row, 19> kRows = {{
    {"DeviceType", Op::MG, 1},
    {"MG", Op::MG, 4},
    {"MB", Op::MB, 1},
    {"MA", Op::MA, 4},
    {"MF", Op::MF, 4},
    {"MR", Op::MR, 4},
    {"MI", Op::MI, 4},
    {"MT", Op::MT, 4},
    {"MM", Op::MM, 4},
    {"MC", Op::MC, 4},
    {"MP", Op::MP, 1},
    {"SN", Op::SN, 1},
    {"OV", Op::OV, 4},
    {"OM", Op::OM, 4},
    {"OD", Op::OD, 4},
    {"OF", Op::OF, 4},
    {"OH", Op::OH, 4},
    {"MX", Op::MX, 16},
    {"XG", Op::XG, 16},
}};

Address AddressOf(const Row& row, int k)
{
    if (row.count == 1)
        return {0, 0};
    if (row.count == kChannels)
        return {k + 1, 0};
    return {k / kChannels + 1, k % kChannels + 1};
}

std::string Shown(std::string_view text)
{
    constexpr std::size_t kShown = 24;
    const bool cut = text.size() > kShown;
    return "\"" + EscapeTraceBytes(text.substr(0, kShown)) + (cut ? "\u2026" : "") + "\"";
}

std::string_view Trim(std::string_view text)
{
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
        text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.remove_suffix(1);
    return text;
}

bool IsInteger(std::string_view text)
{
    if (!text.empty() && (text.front() == '-' || text.front() == '+'))
        text.remove_prefix(1);
    if (text.empty() || text.size() > 10)
        return false;
    for (char c : text) {
        if (!std::isdigit(static_cast<unsigned char>(c)))
            return false;
    }
    return true;
}

// A byte that has no place in a text file: controls other than tab, CR and
// LF, and anything outside ASCII.
bool IsBinary(unsigned char c)
{
    return (c < 0x20 && c != '\t' && c != '\r' && c != '\n') || c >= 0x7f;
}

std::string LineError(std::size_t line, const std::string& what)
{
    return "line " + std::to_string(line) + ": " + what;
}

std::string Number(int32_t v)
{
    // A true minus sign reads better than a hyphen in a list for people.
    return v < 0 ? "\u2212" + std::to_string(-static_cast<int64_t>(v)) : std::to_string(v);
}

std::string ValueText(Op op, int32_t v)
{
    switch (op) {
    case Op::MG:
    case Op::OV:
    case Op::XG: return Number(v) + " dB";
    case Op::OD: return Number(v) + " ms";
    case Op::OF:
    case Op::OH: return v == 0 ? "off" : Number(v) + " Hz";
    case Op::MR: return v == 0 ? "off" : Number(v);
    case Op::MP: return v == 0 ? "none" : "input " + Number(v);
    case Op::SN: return Number(v);
    default: return v != 0 ? "on" : "off";
    }
}

}  // namespace

PresetCheck ParsePresetText(std::string_view text)
{
    Preset preset;
    std::size_t pos = 0;
    for (std::size_t n = 0; n < kRows.size(); ++n) {
        const Row& row = kRows[n];
        const std::size_t lineNumber = n + 1;
        const std::string expectedKey = std::string(row.key) + ":";
        if (pos >= text.size())
            return {std::nullopt, LineError(lineNumber, "expected \"" + expectedKey + "\", found the end of the file")};
        const std::size_t end = text.find('\n', pos);
        const std::size_t stop = end == std::string_view::npos ? text.size() : end;
        std::string_view line = text.substr(pos, stop - pos);
        pos = stop + 1;
        for (char c : line) {
            if (IsBinary(static_cast<unsigned char>(c))) {
                char hex[8];
                std::snprintf(hex, sizeof hex, "0x%02X", static_cast<unsigned>(static_cast<unsigned char>(c)));
                return {std::nullopt, LineError(lineNumber, std::string("expected text, found the byte ") + hex)};
            }
        }
        while (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (line.substr(0, expectedKey.size()) != expectedKey)
            return {std::nullopt, LineError(lineNumber, "expected \"" + expectedKey + "\", found " + Shown(line))};
        const std::string_view values = line.substr(expectedKey.size());
        const auto notIntegers = [&] {
            return PresetCheck{std::nullopt, LineError(lineNumber, "expected " +
                                                                       std::string(row.count == 1 ? "an integer"
                                                                                                  : "integers") +
                                                                       " after \"" + expectedKey + "\", found " +
                                                                       Shown(values))};
        };

        std::vector<int32_t> read;
        if (row.count == 1) {
            if (!IsInteger(Trim(values)))
                return notIntegers();
            read.push_back(ParseDecimal(Trim(values)));
        } else {
            // Every value is closed by a comma; a line with fewer values
            // leaves the others as they are.
            std::size_t start = 0;
            for (std::size_t comma = values.find(','); comma != std::string_view::npos;
                 comma = values.find(',', start)) {
                const std::string_view piece = Trim(values.substr(start, comma - start));
                if (!IsInteger(piece))
                    return notIntegers();
                read.push_back(ParseDecimal(piece));
                start = comma + 1;
            }
            const std::string_view rest = Trim(values.substr(std::min(start, values.size())));
            if (!rest.empty() && !IsInteger(rest))
                return notIntegers();
            if (static_cast<int>(read.size()) > row.count)
                return {std::nullopt, LineError(lineNumber, "expected at most " + std::to_string(row.count) +
                                                                " values, found " + std::to_string(read.size()))};
        }

        if (n == 0) {
            preset.family = read.front();
            continue;
        }
        const SettingRange range = *RangeOf(row.op);
        for (std::size_t k = 0; k < read.size(); ++k) {
            const int32_t value = range.Clamp(read[k]);
            if (value != read[k])
                ++preset.clamped;
            preset.entries.push_back({{row.op, AddressOf(row, static_cast<int>(k))}, value});
        }
    }
    return {std::move(preset), {}};
}

Preset PresetFromMirror(const DeviceParams& params)
{
    auto& mirror = const_cast<DeviceParams&>(params);  // the field lookup is shared with stores; read only here
    Preset preset;
    preset.family = params.DeviceFamily.load();
    for (std::size_t n = 1; n < kRows.size(); ++n) {
        const Row& row = kRows[n];
        for (int k = 0; k < row.count; ++k) {
            const Address at = AddressOf(row, k);
            preset.entries.push_back({{row.op, at}, CommandFor(row.op).field(mirror, at.a, at.b)->load()});
        }
    }
    return preset;
}

void StorePreset(const Preset& preset, DeviceParams& params)
{
    for (const PresetEntry& e : preset.entries)
        CommandFor(e.setting.op).field(params, e.setting.at.a, e.setting.at.b)->store(e.value);
}

std::vector<std::string> DiffPreset(const Preset& preset, const DeviceParams& params)
{
    auto& mirror = const_cast<DeviceParams&>(params);
    std::vector<std::string> lines;
    for (const PresetEntry& e : preset.entries) {
        const int32_t now = CommandFor(e.setting.op).field(mirror, e.setting.at.a, e.setting.at.b)->load();
        if (now != e.value)
            lines.push_back(SettingName(e.setting) + ": " + ValueText(e.setting.op, now) + " \u2192 " +
                            ValueText(e.setting.op, e.value));
    }
    return lines;
}

std::string FormatPreset(const Preset& preset)
{
    // Every line written as the preset holds it, the family first; entries a
    // preset does not name are 0. Lines end in CR CR LF, as presets always have.
    std::string text = std::string(kRows[0].key) + ":" + std::to_string(preset.family) + "\r\r\n";
    const auto valueOf = [&](const SettingRef& setting) {
        for (const PresetEntry& entry : preset.entries) {
            if (entry.setting == setting)
                return entry.value;
        }
        return int32_t{0};
    };
    for (std::size_t n = 1; n < kRows.size(); ++n) {
        const Row& row = kRows[n];
        text += std::string(row.key) + ":";
        for (int k = 0; k < row.count; ++k)
            text += std::to_string(valueOf({row.op, AddressOf(row, k)})) + (row.count == 1 ? "" : ",");
        text += "\r\r\n";
    }
    return text;
}

std::string ClampedText(const Preset& preset)
{
    if (preset.clamped == 0)
        return {};
    return std::to_string(preset.clamped) +
           (preset.clamped == 1 ? " value was outside its range and was brought into it"
                                : " values were outside their range and were brought into it");
}

}  // namespace brevant
