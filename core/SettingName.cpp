#include "core/SettingName.h"

namespace brevant {

namespace {

std::string_view ScopeWord(Scope scope)
{
    switch (scope) {
    case Scope::Input: return "Input";
    case Scope::Output: return "Output";
    case Scope::Crosspoint: return "Crosspoint";
    case Scope::Device:
    case Scope::None: break;
    }
    return {};
}

std::string Number(int32_t v)
{
    // A true minus sign reads better than a hyphen in a list for people.
    return v < 0 ? "\u2212" + std::to_string(-static_cast<int64_t>(v)) : std::to_string(v);
}

}  // namespace

std::string SettingName(const SettingRef& setting)
{
    const Command& command = CommandFor(setting.op);
    const SettingInfo& info = command.setting;
    const std::string_view scope = ScopeWord(info.scope);
    if (scope.empty())
        return std::string(info.what.empty() ? command.name : info.what);
    std::string name = std::string(scope) + " " + std::to_string(setting.at.a);
    if (info.scope == Scope::Crosspoint)
        name += "\u2192" + std::to_string(setting.at.b);
    if (!info.what.empty())
        name += " " + std::string(info.what);
    return name;
}

std::string ValueText(Op op, int32_t v)
{
    switch (CommandFor(op).setting.reads) {
    case Reads::Decibels: return Number(v) + " dB";
    case Reads::Milliseconds: return Number(v) + " ms";
    case Reads::Hertz: return v == 0 ? "off" : Number(v) + " Hz";
    case Reads::Level: return v == 0 ? "off" : Number(v);
    case Reads::Priority: return v == 0 ? "none" : "input " + Number(v);
    case Reads::Number: return Number(v);
    case Reads::Switch: break;
    }
    return v != 0 ? "on" : "off";
}

std::string UnreadSummary(const std::vector<SettingRef>& unread)
{
    if (unread.empty())
        return {};
    std::string text = std::to_string(unread.size()) + (unread.size() == 1 ? " setting could not be read: "
                                                                           : " settings could not be read: ");
    for (std::size_t i = 0; i < unread.size(); ++i)
        text += (i ? ", " : "") + SettingName(unread[i]);
    return text;
}

}  // namespace brevant
