// One setting of the device (a catalogue row and where it points) and the
// name a user reads for it: "Input 2 gain", "Output 3 delay",
// "Crosspoint 1→3 gain", "AutoMix".
#pragma once

#include "Catalogue.h"

#include <string>
#include <vector>

namespace brevant {

struct SettingRef {
    Op op;
    Address at;
    friend bool operator==(const SettingRef& x, const SettingRef& y)
    {
        return x.op == y.op && x.at.a == y.at.a && x.at.b == y.at.b;
    }
};

std::string SettingName(const SettingRef& setting);

// "3 settings could not be read: Input 1 gain, Crosspoint 2→4, AutoMix"
// ("1 setting could not be read: …"); empty for an empty list.
std::string UnreadSummary(const std::vector<SettingRef>& unread);

}  // namespace brevant
