#include "procedures/ReadBack.h"

#include <algorithm>

namespace brevant {

ReadBackResult ReadBackSettings(DeviceLink& link, ModelFamily family, const std::atomic<bool>& stop)
{
    ReadBackResult result;
    int silentInARow = 0;
    for (const auto& [op, at] : ReadBackList(family)) {
        if (result.stopped || result.lost)
            break;
        // Meters are read again by every polling pass: one try is enough.
        const bool meter = CommandFor(op).IsMeter();
        const int tries = meter ? 1 : kReadBackTries;
        bool read = false;
        bool answered = false;
        for (int t = 0; t < tries && !read; ++t) {
            if (stop) {
                result.stopped = true;
                return result;
            }
            if (link.ReplyOverdue()) {
                result.lost = true;
                return result;
            }
            const Status s = link.Query(op, at);
            ++result.exchanges;
            if (s.Error() == LinkError::PortGone) {
                result.lost = true;
                return result;
            }
            read = static_cast<bool>(s);
            answered = answered || s.Error() != LinkError::NoReply;
        }
        silentInARow = answered ? 0 : silentInARow + 1;
        if (silentInARow >= kReadBackSilentLimit)
            result.lost = true;
        if (!read && !meter)
            result.unread.push_back({op, at});
    }
    if (result.stopped || result.lost)
        return result;
    DeviceParams& p = link.State().params;
    for (int n = 1; n <= kChannels; ++n) {
        const bool unread = std::find(result.unread.begin(), result.unread.end(),
                                      SettingRef{Op::MR, {n, 0}}) != result.unread.end();
        if (!unread)
            p.MRon[static_cast<std::size_t>(n)] = p.MR[static_cast<std::size_t>(n)] > 0 ? 1 : 0;
    }
    return result;
}

namespace {

// Asks one meter and counts its outcome; false when the link is lost.
bool AskMeter(DeviceLink& link, Op op, int n, PollResult& result)
{
    const Status s = link.Query(op, {n});
    if (s)
        ++result.answered;
    result.portGone = s.Error() == LinkError::PortGone;
    result.overdue = !s && link.ReplyOverdue();
    return !result.portGone && !result.overdue;
}

}  // namespace

PollResult PollMetersOnce(DeviceLink& link, ModelFamily family, const std::atomic<bool>& stop)
{
    const LinkFlags& flags = link.State().flags;
    PollResult result;
    auto read = [&](Op op, int n) { return AskMeter(link, op, n, result) && !flags.PollingHeld() && !stop; };
    for (int n = 1; n <= kChannels; ++n) {
        for (const Command* meter : PollingPass()) {
            if (meter->HasOn(family, n) && !read(meter->op, n))
                return result;
        }
    }
    result.completed = true;
    return result;
}

PollResult CheckAnswering(DeviceLink& link, ModelFamily family, const std::atomic<bool>& stop)
{
    PollResult result;
    const auto meters = PollingPass();
    const auto first = std::find_if(meters.begin(), meters.end(),
                                    [family](const Command* meter) { return meter->HasOn(family, 1); });
    if (first == meters.end() || stop || link.State().flags.PollingHeld())
        return result;
    (void)AskMeter(link, (*first)->op, 1, result);
    result.completed = true;
    return result;
}

SettingsPassResult ReadSettingsOnce(DeviceLink& link, ModelFamily family, const std::atomic<bool>& stop)
{
    const LinkFlags& flags = link.State().flags;
    DeviceParams& p = link.State().params;
    SettingsPassResult result;
    for (const auto& [op, at] : ReadBackList(family)) {
        const Command& command = CommandFor(op);
        const Value* field = command.field == nullptr ? nullptr : command.field(p, at.a, at.b);
        if (command.IsMeter() || field == nullptr)
            continue;
        if (flags.PollingHeld() || stop)
            return result;
        const std::int32_t before = field->load();
        const Status s = link.Query(op, at);
        result.portGone = s.Error() == LinkError::PortGone;
        result.overdue = !s && link.ReplyOverdue();
        if (result.portGone || result.overdue)
            return result;
        if (!s || field->load() == before)
            continue;
        result.changed.push_back({op, at});
        // The switch the window shows beside the depth follows it, as after a read-back.
        if (op == Op::MR)
            p.MRon[static_cast<std::size_t>(at.a)] = field->load() > 0 ? 1 : 0;
    }
    result.completed = true;
    return result;
}

}  // namespace brevant
