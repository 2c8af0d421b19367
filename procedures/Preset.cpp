#include "procedures/Preset.h"

#include "core/ProtocolTrace.h"
#include "core/SettingRange.h"
#include "core/TextScan.h"
#include "core/Translate.h"

#include <array>
#include <cctype>

namespace brevant {

namespace {

// The first line of a preset holds the family, no setting.
constexpr std::string_view kFamilyKey = "DeviceType";

// Line n + 1 of a preset (n >= 1): its key is the code's two letters ("MB"
// for "MBs"); it holds 1 value, 4 (channels), or 16 (crosspoints, input 1's
// four outputs first).
const Command& LineRow(std::size_t n)
{
    return *PresetLines()[n - 1];
}
std::string_view KeyOf(const Command& row)
{
    return row.code.substr(0, 2);
}
int CountOf(const Command& row)
{
    switch (row.setting.scope) {
    case Scope::Input:
    case Scope::Output: return kChannels;
    case Scope::Crosspoint: return kChannels * kChannels;
    default: return 1;
    }
}

Address AddressOf(int count, int k)
{
    if (count == 1)
        return {0, 0};
    if (count == kChannels)
        return {k + 1, 0};
    return {k / kChannels + 1, k % kChannels + 1};
}

// Whether the device of the mirror's family has the entry's setting.
bool Has(const DeviceParams& params, const SettingRef& setting)
{
    return CommandFor(setting.op).HasOn(ToModelFamily(params.DeviceFamily.load()), setting.at.a);
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

// The refusal of line `line`: `pattern`, already translated, filled with `args`.
PresetCheck LineError(std::size_t line, const std::string& pattern,
                      std::initializer_list<std::string_view> args)
{
    return {std::nullopt,
            Fill(Tr("brevant::Preset", "line %1: %2"), {std::to_string(line), Fill(pattern, args)})};
}

}  // namespace

PresetCheck ParsePresetText(std::string_view text)
{
    Preset preset;
    std::size_t pos = 0;
    for (std::size_t n = 0; n < kPresetLines; ++n) {
        const std::size_t lineNumber = n + 1;
        const std::string expectedKey = std::string(n == 0 ? kFamilyKey : KeyOf(LineRow(n))) + ":";
        const int count = n == 0 ? 1 : CountOf(LineRow(n));
        if (pos >= text.size())
            return LineError(lineNumber, Tr("brevant::Preset", "expected \"%1\", found the end of the file"),
                             {expectedKey});
        const std::size_t end = text.find('\n', pos);
        const std::size_t stop = end == std::string_view::npos ? text.size() : end;
        std::string_view line = text.substr(pos, stop - pos);
        pos = stop + 1;
        for (char c : line) {
            if (IsBinary(static_cast<unsigned char>(c))) {
                char hex[8];
                std::snprintf(hex, sizeof hex, "0x%02X",
                              static_cast<unsigned>(static_cast<unsigned char>(c)));
                return LineError(lineNumber, Tr("brevant::Preset", "expected text, found the byte %1"),
                                 {hex});
            }
        }
        while (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (line.substr(0, expectedKey.size()) != expectedKey)
            return LineError(lineNumber, Tr("brevant::Preset", "expected \"%1\", found %2"),
                             {expectedKey, Shown(line)});
        const std::string_view values = line.substr(expectedKey.size());
        const auto notIntegers = [&] {
            return LineError(lineNumber,
                             count == 1 ? Tr("brevant::Preset", "expected an integer after \"%1\", found %2")
                                        : Tr("brevant::Preset", "expected integers after \"%1\", found %2"),
                             {expectedKey, Shown(values)});
        };

        std::vector<int32_t> read;
        if (count == 1) {
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
            if (static_cast<int>(read.size()) > count)
                return LineError(lineNumber, Tr("brevant::Preset", "expected at most %1 values, found %2"),
                                 {std::to_string(count), std::to_string(read.size())});
        }

        if (n == 0) {
            preset.family = read.front();
            continue;
        }
        const Op op = LineRow(n).op;
        const SettingRange range = *RangeOf(op);
        for (std::size_t k = 0; k < read.size(); ++k) {
            const SettingRef setting{op, AddressOf(count, static_cast<int>(k))};
            const int32_t value = range.Clamp(read[k]);
            if (value != read[k])
                preset.broughtIn.push_back({static_cast<int>(lineNumber), setting, read[k]});
            preset.entries.push_back({setting, value});
        }
    }
    return {std::move(preset), {}};
}

Preset PresetFromMirror(const DeviceParams& params)
{
    auto& mirror =
        const_cast<DeviceParams&>(params);  // the field lookup is shared with stores; read only here
    Preset preset;
    preset.family = params.DeviceFamily.load();
    for (const Command* row : PresetLines()) {
        const int count = CountOf(*row);
        for (int k = 0; k < count; ++k) {
            // A setting the device does not have is written as 0.
            const SettingRef setting{row->op, AddressOf(count, k)};
            const Address at = setting.at;
            preset.entries.push_back(
                {setting, Has(params, setting) ? row->field(mirror, at.a, at.b)->load() : 0});
        }
    }
    return preset;
}

void StorePreset(const Preset& preset, DeviceParams& params)
{
    // A setting the device does not have is left alone, whatever the file says.
    for (const PresetEntry& e : preset.entries) {
        if (Has(params, e.setting))
            CommandFor(e.setting.op).field(params, e.setting.at.a, e.setting.at.b)->store(e.value);
    }
}

std::vector<std::string> DiffPreset(const Preset& preset, const DeviceParams& params)
{
    auto& mirror = const_cast<DeviceParams&>(params);
    std::vector<std::string> lines;
    for (const PresetEntry& e : preset.entries) {
        if (!Has(params, e.setting))
            continue;
        const int32_t now = CommandFor(e.setting.op).field(mirror, e.setting.at.a, e.setting.at.b)->load();
        if (now == e.value)
            continue;
        std::string line =
            Fill(Tr("brevant::Preset", "%1: %2 \u2192 %3"),
                 {SettingName(e.setting), ValueText(e.setting.op, now), ValueText(e.setting.op, e.value)});
        for (const BroughtIn& b : preset.broughtIn) {
            if (b.setting == e.setting)
                line += Fill(Tr("brevant::Preset", " (%1 in the file, brought into range)"),
                             {std::to_string(b.inFile)});
        }
        lines.push_back(std::move(line));
    }
    return lines;
}

std::string FormatPreset(const Preset& preset)
{
    // Every line written as the preset holds it, the family first; entries a
    // preset does not name are 0. Lines end in CR CR LF, as presets always have.
    std::string text = std::string(kFamilyKey) + ":" + std::to_string(preset.family) + "\r\r\n";
    const auto valueOf = [&](const SettingRef& setting) {
        for (const PresetEntry& entry : preset.entries) {
            if (entry.setting == setting)
                return entry.value;
        }
        return int32_t{0};
    };
    for (const Command* row : PresetLines()) {
        const int count = CountOf(*row);
        text += std::string(KeyOf(*row)) + ":";
        for (int k = 0; k < count; ++k)
            text += std::to_string(valueOf({row->op, AddressOf(count, k)})) + (count == 1 ? "" : ",");
        text += "\r\r\n";
    }
    return text;
}

std::string ClampedText(const Preset& preset)
{
    const std::size_t count = preset.broughtIn.size();
    if (count == 0)
        return {};
    if (count == 1)
        return Tr("brevant::Preset", "1 value was outside its range and was brought into it");
    return Fill(Tr("brevant::Preset", "%1 values were outside their range and were brought into it"),
                {std::to_string(count)});
}

}  // namespace brevant
