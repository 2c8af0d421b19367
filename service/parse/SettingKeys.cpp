#include "service/parse/SettingKeys.h"

#include "core/DeviceParams.h"
#include "core/SettingName.h"

#include <array>

namespace brevant::service {

namespace {

// The place device-wide settings are addressed at, as the read-back has it.
constexpr Address kDeviceWide{5, 0};

bool HasKey(const Command& c)
{
    return c.setting.scope != Scope::None && c.ReadBack();
}

std::string_view ScopeWord(Scope scope)
{
    switch (scope) {
    case Scope::Input: return "input";
    case Scope::Output: return "output";
    case Scope::Crosspoint: return "crosspoint";
    case Scope::Device: return "device";
    case Scope::None: break;
    }
    return {};
}

// The row's own word: its `what` in lower case with '-' for spaces; a row
// without one is the switch of its place ("on") or its value.
std::string RowWord(const Command& c)
{
    if (c.setting.what.empty())
        return c.setting.reads == Reads::Switch ? "on" : "value";
    std::string word;
    for (char ch : c.setting.what) {
        if (ch == ' ')
            word += '-';
        else if (ch >= 'A' && ch <= 'Z')
            word += static_cast<char>(ch - 'A' + 'a');
        else
            word += ch;
    }
    return word;
}

bool Printable(std::string_view text)
{
    for (char ch : text) {
        if (ch < 0x20 || ch > 0x7e)
            return false;
    }
    return true;
}

std::vector<std::string_view> Split(std::string_view key)
{
    std::vector<std::string_view> parts;
    for (std::size_t start = 0;;) {
        const std::size_t slash = key.find('/', start);
        parts.push_back(key.substr(start, slash == std::string_view::npos ? slash : slash - start));
        if (slash == std::string_view::npos)
            return parts;
        start = slash + 1;
    }
}

// A channel number as KeyOf writes it: decimal, no sign, no leading zero.
bool IsNumber(std::string_view text)
{
    if (text.empty() || text.size() > 9 || (text[0] == '0' && text.size() > 1))
        return false;
    for (char ch : text) {
        if (ch < '0' || ch > '9')
            return false;
    }
    return true;
}

int ToChannel(std::string_view number)
{
    return number.size() == 1 ? number[0] - '0' : 0;  // anything longer is no channel
}

KeyLookup Refused(SettingError error, std::string message)
{
    return {std::nullopt, error, std::move(message)};
}

KeyLookup NoSuchSetting(std::string_view key)
{
    if (key.empty() || !Printable(key))
        return Refused(SettingError::NoSuchSetting, "no such setting");
    return Refused(SettingError::NoSuchSetting, "no such setting: " + std::string(key));
}

const Command* RowOf(Scope scope, std::string_view word)
{
    for (const Command& c : AllCommands()) {
        if (HasKey(c) && c.setting.scope == scope && RowWord(c) == word)
            return &c;
    }
    return nullptr;
}

}  // namespace

std::string_view FamilyName(ModelFamily family)
{
    switch (family) {
    case ModelFamily::K225: return "K225";
    case ModelFamily::K217K218: return "K217/K218";
    case ModelFamily::Unknown: break;
    }
    return "unknown";
}

std::vector<KeyedSetting> KeysOf(ModelFamily family)
{
    std::vector<KeyedSetting> keys;
    const auto add = [&](Scope scope, Address at) {
        for (const Command& c : AllCommands()) {
            if (HasKey(c) && c.setting.scope == scope && c.HasOn(family, at.a))
                keys.push_back({KeyOf({c.op, at}), {c.op, at}});
        }
    };
    for (Scope scope : {Scope::Input, Scope::Output}) {
        for (int n = 1; n <= kChannels; ++n)
            add(scope, {n, 0});
    }
    for (int in = 1; in <= kChannels; ++in) {
        for (int out = 1; out <= kChannels; ++out)
            add(Scope::Crosspoint, {in, out});
    }
    add(Scope::Device, kDeviceWide);
    return keys;
}

std::string KeyOf(const SettingRef& ref)
{
    const Command& c = CommandFor(ref.op);
    if (!HasKey(c))
        return {};
    std::string key(ScopeWord(c.setting.scope));
    if (c.setting.scope != Scope::Device) {
        if (!IsChannel(ref.at.a))
            return {};
        key += "/" + std::to_string(ref.at.a);
    }
    if (c.setting.scope == Scope::Crosspoint) {
        if (!IsChannel(ref.at.b))
            return {};
        key += "/" + std::to_string(ref.at.b);
    }
    return key + "/" + RowWord(c);
}

std::string KeyPattern(Op op)
{
    const Command& c = CommandFor(op);
    if (!HasKey(c))
        return {};
    const std::string_view place = c.setting.scope == Scope::Crosspoint ? "/{input}/{output}"
                                   : c.setting.scope == Scope::Device   ? ""
                                                                        : "/{channel}";
    return std::string(ScopeWord(c.setting.scope)) + std::string(place) + "/" + RowWord(c);
}

KeyLookup FindSetting(std::string_view key, ModelFamily family)
{
    if (key.size() > kMaxKeyLength)
        return Refused(SettingError::NoSuchSetting,
                       "no such setting: a key has at most " + std::to_string(kMaxKeyLength) + " characters");
    const std::vector<std::string_view> parts = Split(key);
    constexpr std::array scopes = {Scope::Input, Scope::Output, Scope::Crosspoint, Scope::Device};
    Scope scope = Scope::None;
    for (Scope s : scopes) {
        if (parts[0] == ScopeWord(s))
            scope = s;
    }
    const std::size_t numbers = scope == Scope::Crosspoint ? 2 : scope == Scope::Device ? 0 : 1;
    if (scope == Scope::None || parts.size() != numbers + 2)
        return NoSuchSetting(key);
    for (std::size_t i = 1; i <= numbers; ++i) {
        if (!IsNumber(parts[i]))
            return NoSuchSetting(key);
    }
    const Command* row = RowOf(scope, parts.back());
    if (row == nullptr)
        return NoSuchSetting(key);
    for (std::size_t i = 1; i <= numbers; ++i) {
        if (!IsChannel(ToChannel(parts[i]))) {
            const std::string_view place =
                scope == Scope::Crosspoint ? (i == 1 ? "input" : "output") : parts[0];
            return Refused(SettingError::NoSuchPlace,
                           std::string(place) + " " + std::string(parts[i]) + " does not exist");
        }
    }
    const SettingRef ref{row->op, numbers == 0
                                      ? kDeviceWide
                                      : Address{ToChannel(parts[1]), numbers == 2 ? ToChannel(parts[2]) : 0}};
    if (!row->HasOn(family, ref.at.a)) {
        const std::string who = family == ModelFamily::Unknown ? "a device of unknown model"
                                                               : "a " + std::string(FamilyName(family));
        return Refused(SettingError::NotOnModel, who + " has no " + SettingName(ref));
    }
    return {ref, SettingError::None, {}};
}

bool IsSettable(const SettingRef& ref)
{
    return CommandFor(ref.op).settable;
}

}  // namespace brevant::service
