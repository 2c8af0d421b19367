// The numbers of the two fader notifications and the scroll codes the round
// knob reports, as the panels know them.
#pragma once

namespace brevant {

// Posted by a fader to its parent: while its thumb is dragged, and when a drag
// ends or a key has moved it.
inline constexpr int kFaderMoving = 10449;
inline constexpr int kFaderMoved = 10450;

// Scroll codes of a horizontal trackbar, reported by the round knob.
enum ScrollCode {
    kScrollLineUp = 0,
    kScrollLineDown = 1,
    kScrollPageUp = 2,
    kScrollPageDown = 3,
    kScrollThumbPosition = 4,
    kScrollThumbTrack = 5,
    kScrollEnd = 8,
};

}  // namespace brevant
