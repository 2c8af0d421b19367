// Whole wheel notches from a stream of wheel events: a high-resolution wheel
// or a touchpad sends fractions of a notch (120), which add up until a whole
// one is there. Positive is away from the user.
//
// UI thread only, one per control.
#pragma once

#include <QWheelEvent>

namespace brevant {

class WheelNotches {
public:
    static constexpr int kNotch = 120;

    // The whole notches this event completes (often 0); the rest is kept.
    int Take(const QWheelEvent& event)
    {
        const QPoint delta = event.angleDelta();
        remainder_ += delta.y() != 0 ? delta.y() : delta.x();
        const int notches = remainder_ / kNotch;
        remainder_ %= kNotch;
        return notches;
    }

private:
    int remainder_ = 0;
};

}  // namespace brevant
