#include "core/SettingName.h"

#include "core/SettingRange.h"

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

// The number with the unit of `op`, 0 included: "0 Hz", "−5 dB".
std::string WithUnit(Op op, int32_t v)
{
    const std::string_view unit = UnitText(op);
    return unit.empty() ? Number(v) : Number(v) + " " + std::string(unit);
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

std::string_view UnitText(Op op)
{
    switch (CommandFor(op).setting.reads) {
    case Reads::Decibels: return "dB";
    case Reads::Milliseconds: return "ms";
    case Reads::Hertz: return "Hz";
    default: return {};
    }
}

std::string RangeHint(Op op)
{
    const std::optional<SettingRange> range = RangeOf(op);
    if (!range)
        return {};
    const std::string span = Number(range->min) + "\u2013" + WithUnit(op, range->max);
    return range->belowMinIsOff ? span + ", 0 = off" : span;
}

std::string TypedValueNotice(Op op, int32_t typed)
{
    const std::optional<SettingRange> range = RangeOf(op);
    if (!range)
        return {};
    const SettingRange r = *range;
    const int32_t sent = r.Clamp(typed);
    const std::string outcome = r.belowMinIsOff && sent == 0
                                    ? std::string(CommandFor(op).setting.what) + " off"
                                    : ValueText(op, sent) + " sent";
    if (r.belowMinIsOff && typed == 0)
        return WithUnit(op, typed) + ": " + outcome;
    if (typed < r.min)
        return WithUnit(op, typed) + " is below " + WithUnit(op, r.min) + ": " + outcome;
    if (typed > r.max)
        return WithUnit(op, typed) + " is above " + WithUnit(op, r.max) + ": " + outcome;
    return {};
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
