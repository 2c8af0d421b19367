#include "SettingName.h"

namespace brevant {

namespace {

struct Naming {
    Op op;
    const char* scope;  // "Input", "Output", "Crosspoint" or "" for device-wide
    const char* what;
};

constexpr Naming kNames[] = {
    {Op::MG, "Input", "gain"},          {Op::MA, "Input", "AGC"},
    {Op::MF, "Input", "AFC"},           {Op::MR, "Input", "NR depth"},
    {Op::MRSwitch, "Input", "NR"},      {Op::MI, "Input", "highpass"},
    {Op::MT, "Input", "phantom power"}, {Op::MM, "Input", "mute"},
    {Op::MC, "Input", "AEC"},           {Op::ML, "Input", "level meter"},
    {Op::ME, "Input", "ERLE meter"},    {Op::MS, "Input", "ERL meter"},
    {Op::OV, "Output", "gain"},         {Op::OM, "Output", "mute"},
    {Op::OD, "Output", "delay"},        {Op::OF, "Output", "low-pass"},
    {Op::OH, "Output", "high-pass"},    {Op::OL, "Output", "level meter"},
    {Op::MX, "Crosspoint", ""},         {Op::XG, "Crosspoint", "gain"},
    {Op::MB, "", "AutoMix"},            {Op::MP, "", "Priority"},
    {Op::SN, "", "Filter"},
};

}  // namespace

std::string SettingName(const SettingRef& setting)
{
    for (const Naming& n : kNames) {
        if (n.op != setting.op)
            continue;
        const std::string scope = n.scope;
        if (scope.empty())
            return n.what;
        std::string name = scope + " " + std::to_string(setting.at.a);
        if (scope == "Crosspoint")
            name += "\u2192" + std::to_string(setting.at.b);
        if (*n.what != '\0')
            name += std::string(" ") + n.what;
        return name;
    }
    return std::string(CommandFor(setting.op).name);
}

std::string UnreadSummary(const std::vector<SettingRef>& unread)
{
    if (unread.empty())
        return {};
    std::string text = std::to_string(unread.size()) +
                       (unread.size() == 1 ? " setting could not be read: " : " settings could not be read: ");
    for (std::size_t i = 0; i < unread.size(); ++i)
        text += (i ? ", " : "") + SettingName(unread[i]);
    return text;
}

}  // namespace brevant
