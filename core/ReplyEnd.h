// What tells the link that a reply has all arrived. A reply of known length
// ends the moment its last line feed (or last byte) is in, without waiting to
// see the line go quiet; only a reply whose length is not known ends at a
// quiet gap. Pure data and a pure function: the exchange asks after every read.
#pragma once

#include <cstddef>

namespace brevant {

struct ReplyEnd {
    enum class Kind {
        Lines,      // `count` lines, each ended by a line feed
        QuietText,  // text of unknown length: a quiet chunk pause after a line end
        QuietGap,   // bytes of unknown length (binary packets): a quiet chunk pause
    };
    Kind kind = Kind::Lines;
    int count = 1;

    static constexpr ReplyEnd Line() { return {Kind::Lines, 1}; }
    static constexpr ReplyEnd Lines(int n) { return {Kind::Lines, n}; }
    static constexpr ReplyEnd QuietText() { return {Kind::QuietText, 0}; }
    static constexpr ReplyEnd QuietGap() { return {Kind::QuietGap, 0}; }
};

// What the bytes received so far say.
enum class ReplyProgress {
    Complete,   // the reply is whole: stop reading
    NeedMore,   // nothing yet, or the reply stopped short: wait, within the deadline
    QuietEnds,  // more may come: one quiet chunk pause ends the reply
};

// `received` bytes have arrived so far, `lineFeeds` of them line feeds, the
// last of them `last`.
constexpr ReplyProgress JudgeReply(ReplyEnd end, std::size_t received, int lineFeeds, char last)
{
    if (received == 0)
        return ReplyProgress::NeedMore;
    const bool atLineEnd = last == '\n';
    switch (end.kind) {
    case ReplyEnd::Kind::Lines:
        // Stopping only at a line end: a late reply to another command may
        // come first in the same read, and this command's own must not be cut.
        return atLineEnd && lineFeeds >= end.count ? ReplyProgress::Complete : ReplyProgress::NeedMore;
    case ReplyEnd::Kind::QuietText: return atLineEnd ? ReplyProgress::QuietEnds : ReplyProgress::NeedMore;
    case ReplyEnd::Kind::QuietGap: return ReplyProgress::QuietEnds;
    }
    return ReplyProgress::QuietEnds;
}

}  // namespace brevant
