#include "core/SettingName.h"

#include "core/SettingRange.h"
#include "core/Translate.h"

namespace brevant {

namespace {

std::string ScopeWord(Scope scope)
{
    switch (scope) {
    case Scope::Input: return Tr("brevant::Setting", "Input");
    case Scope::Output: return Tr("brevant::Setting", "Output");
    case Scope::Crosspoint: return Tr("brevant::Setting", "Crosspoint");
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
    const std::string scope = ScopeWord(info.scope);
    if (scope.empty())
        return info.what.empty() ? std::string(command.name) : Tr("brevant::Setting", info.what);
    std::string name = scope + " " + std::to_string(setting.at.a);
    if (info.scope == Scope::Crosspoint)
        name += "\u2192" + std::to_string(setting.at.b);
    if (!info.what.empty())
        name += " " + Tr("brevant::Setting", info.what);
    return name;
}

std::string ValueText(Op op, int32_t v)
{
    switch (CommandFor(op).setting.reads) {
    case Reads::Decibels: return Number(v) + " dB";
    case Reads::Milliseconds: return Number(v) + " ms";
    case Reads::Hertz: return v == 0 ? Tr("brevant::Setting", "off") : Number(v) + " Hz";
    case Reads::Level: return v == 0 ? Tr("brevant::Setting", "off") : Number(v);
    case Reads::Priority:
        return v == 0 ? Tr("brevant::Setting", "none")
                      : Fill(Tr("brevant::Setting", "input %1"), {Number(v)});
    case Reads::Number: return Number(v);
    case Reads::Switch: break;
    }
    return v != 0 ? Tr("brevant::Setting", "on") : Tr("brevant::Setting", "off");
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
    return range->belowMinIsOff ? Fill(Tr("brevant::Setting", "%1, 0 = off"), {span}) : span;
}

std::string TypedValueNotice(Op op, int32_t typed)
{
    const std::optional<SettingRange> range = RangeOf(op);
    if (!range)
        return {};
    const SettingRange r = *range;
    const int32_t sent = r.Clamp(typed);
    const std::string outcome =
        r.belowMinIsOff && sent == 0
            ? Fill(Tr("brevant::Setting", "%1 off"), {Tr("brevant::Setting", CommandFor(op).setting.what)})
            : Fill(Tr("brevant::Setting", "%1 sent"), {ValueText(op, sent)});
    if (r.belowMinIsOff && typed == 0)
        return Fill(Tr("brevant::Setting", "%1: %2"), {WithUnit(op, typed), outcome});
    if (typed < r.min)
        return Fill(Tr("brevant::Setting", "%1 is below %2: %3"),
                    {WithUnit(op, typed), WithUnit(op, r.min), outcome});
    if (typed > r.max)
        return Fill(Tr("brevant::Setting", "%1 is above %2: %3"),
                    {WithUnit(op, typed), WithUnit(op, r.max), outcome});
    return {};
}

std::string UnreadSummary(const std::vector<SettingRef>& unread)
{
    if (unread.empty())
        return {};
    std::string names;
    for (std::size_t i = 0; i < unread.size(); ++i)
        names = i == 0 ? SettingName(unread[i])
                       : Fill(Tr("brevant::Setting", "%1, %2"), {names, SettingName(unread[i])});
    if (unread.size() == 1)
        return Fill(Tr("brevant::Setting", "1 setting could not be read: %1"), {names});
    return Fill(Tr("brevant::Setting", "%1 settings could not be read: %2"),
                {std::to_string(unread.size()), names});
}

}  // namespace brevant
