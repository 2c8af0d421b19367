#include "ReadBack.h"

namespace brevant {

int ReadBackSettings(DeviceLink& link, int family)
{
    int exchanges = 0;
    auto query = [&](Op op, Address at) {
        link.Query(op, at);
        ++exchanges;
    };
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
    DeviceParams& p = link.State().params;
    for (int n = 1; n <= kChannels; ++n)
        p.MRon[static_cast<std::size_t>(n)] = p.MR[static_cast<std::size_t>(n)] > 0 ? 1 : 0;
    return exchanges;
}

bool PollMetersOnce(DeviceLink& link, int family, const std::atomic<bool>& busy)
{
    auto read = [&](Op op, int n) {
        link.Query(op, {n});
        return !busy.load();
    };
    for (int n = 1; n <= kChannels; ++n) {
        if (!read(Op::ML, n) || !read(Op::OL, n))
            return false;
        if (family == 2 && n >= 2 && (!read(Op::ME, n) || !read(Op::MS, n)))
            return false;
    }
    return true;
}

}  // namespace brevant
