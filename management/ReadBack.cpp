#include "ReadBack.h"

#include <algorithm>
#include <functional>

namespace brevant {

namespace {

bool IsMeter(Op op)
{
    return op == Op::ML || op == Op::OL || op == Op::ME || op == Op::MS;
}

// The read-back's order of queries for `family`, meters included.
void ForEachQuery(int family, const std::function<void(Op, Address)>& query)
{
    for (int n = 1; n <= kChannels; ++n) {
        query(Op::ML, {n});
        if (family == 2) {
            if (n >= 2) {
                query(Op::ME, {n});
                query(Op::MS, {n});
            }
            if (n == 4)
                query(Op::OD, {n});
            if (n >= 2) {
                query(Op::OF, {n});
                query(Op::OH, {n});
            }
            query(Op::MC, {n});
        }
        if (family == 1) {
            if (n >= 3)
                query(Op::OD, {n});
            query(Op::OF, {n});
            query(Op::OH, {n});
        }
        for (Op op : {Op::OL, Op::MG, Op::MA, Op::MF, Op::MR, Op::MI, Op::MT, Op::MM, Op::OV, Op::OM})
            query(op, {n});
        for (int k = 1; k <= kChannels; ++k) {
            query(Op::MX, {n, k});
            query(Op::XG, {n, k});
        }
    }
    for (Op op : {Op::MB, Op::MP, Op::SN})
        query(op, {5});  // device-wide: the channel plays no part
}

}  // namespace

ReadBackResult ReadBackSettings(DeviceLink& link, int family, const std::atomic<bool>& stop)
{
    ReadBackResult result;
    int silentInARow = 0;
    ForEachQuery(family, [&](Op op, Address at) {
        if (result.stopped || result.lost)
            return;
        // Meters are read again by every polling pass: one try is enough.
        const int tries = IsMeter(op) ? 1 : kReadBackTries;
        bool read = false;
        bool answered = false;
        for (int t = 0; t < tries && !read; ++t) {
            if (stop) {
                result.stopped = true;
                return;
            }
            if (link.ReplyOverdue()) {
                result.lost = true;
                return;
            }
            const Status s = link.Query(op, at);
            ++result.exchanges;
            if (s.Error() == LinkError::PortGone) {
                result.lost = true;
                return;
            }
            read = static_cast<bool>(s);
            answered = answered || s.Error() != LinkError::NoReply;
        }
        silentInARow = answered ? 0 : silentInARow + 1;
        if (silentInARow >= kReadBackSilentLimit)
            result.lost = true;
        if (!read && !IsMeter(op))
            result.unread.push_back({op, at});
    });
    if (result.stopped || result.lost)
        return result;
    DeviceParams& p = link.State().params;
    for (int n = 1; n <= kChannels; ++n) {
        const bool unread = std::find(result.unread.begin(), result.unread.end(), SettingRef{Op::MR, {n, 0}}) !=
                            result.unread.end();
        if (!unread)
            p.MRon[static_cast<std::size_t>(n)] = p.MR[static_cast<std::size_t>(n)] > 0 ? 1 : 0;
    }
    return result;
}

PollResult PollMetersOnce(DeviceLink& link, int family, const std::atomic<bool>& stop)
{
    const LinkFlags& flags = link.State().flags;
    PollResult result;
    auto read = [&](Op op, int n) {
        const Status s = link.Query(op, {n});
        if (s)
            ++result.answered;
        result.portGone = s.Error() == LinkError::PortGone;
        result.overdue = !s && link.ReplyOverdue();
        return !result.portGone && !result.overdue && !flags.PollingHeld() && !stop;
    };
    for (int n = 1; n <= kChannels; ++n) {
        if (!read(Op::ML, n) || !read(Op::OL, n))
            return result;
        if (family == 2 && n >= 2 && (!read(Op::ME, n) || !read(Op::MS, n)))
            return result;
    }
    result.completed = true;
    return result;
}

}  // namespace brevant
