// Line timing is only as good as the simulator's wake-ups. On a busy machine
// an ordinary process is now and then woken milliseconds late, which tears a
// gap into a reply that the program takes for its end. A real device never
// shares its processor, so the paced simulator asks for the lowest real-time
// priority (it holds a CPU at most for the length of one reply), or failing
// that a raised ordinary priority, or carries on as it is.
#pragma once

namespace brevant::sim {

enum class TimingPriority { RealTime, Raised, Normal };

// Raises this process's scheduling priority as far as it is allowed to.
TimingPriority raiseTimingPriority();

}  // namespace brevant::sim
