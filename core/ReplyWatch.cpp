#include "core/ReplyWatch.h"

namespace brevant {

void ReplyWatch::Restart(SteadyClock::time_point now)
{
    failingSince_ = now;
    seen_ = {};
}

void ReplyWatch::Valid()
{
    failingSince_.reset();
    seen_ = {};
}

void ReplyWatch::Failed(LinkError error, SteadyClock::time_point now)
{
    if (!failingSince_)
        failingSince_ = now;
    switch (error) {
    case LinkError::None:
    case LinkError::NoPort:
    case LinkError::NotConfirmed:
    case LinkError::WriteFailed: return;  // nothing the other end did
    case LinkError::NoReply: ++seen_[Silent]; return;
    case LinkError::Incomplete: ++seen_[Unfinished]; return;
    case LinkError::OtherAddress: ++seen_[OtherAddress]; return;
    case LinkError::PortGone: ++seen_[Closed]; return;
    case LinkError::WrongReply:
    case LinkError::BadAddress:
    case LinkError::ShortBlock:
    case LinkError::Malformed: ++seen_[Junk]; return;
    }
}

bool ReplyWatch::Overdue(SteadyClock::time_point now) const
{
    return failingSince_ && now - *failingSince_ >= kGiveUp;
}

std::string_view ReplyWatch::Verdict() const
{
    if (seen_[Closed] > 0)
        return "the other end closed the connection";
    // What it did most often; on a tie, the more telling.
    Kind most = Silent;
    for (const Kind kind : {Unfinished, Junk, OtherAddress}) {
        if (seen_[kind] >= seen_[most])
            most = kind;
    }
    if (seen_[most] == 0)
        return {};
    switch (most) {
    case Silent: return "the other end is silent";
    case Unfinished: return "the other end sends replies that do not end in time";
    case Junk: return "the other end sends text that is no reply";
    case OtherAddress: return "the other end answers for other addresses";
    default: return {};
    }
}

}  // namespace brevant
