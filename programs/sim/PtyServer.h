// The event loop between the pseudo-terminal and the device session. It
// keeps honest line timing unless pacing is off: at 19200 bit/s a byte takes
// 520.8 us, so bytes read from the program "arrive" one byte time apart, a
// line is answered 0.5 ms after its last byte arrived, and each piece of a
// reply is handed over when its last byte would have crossed the Line (see
// OutputQueue). Unpaced, lines are handled as soon as read and each reply
// piece is written at once.
#pragma once

#include "programs/sim/DeviceSession.h"
#include "programs/sim/OutputQueue.h"
#include "programs/sim/SimClock.h"

#include <chrono>
#include <csignal>
#include <cstdint>
#include <deque>
#include <string>
#include <utility>

namespace brevant::sim {

class PtyServer {
public:
    static constexpr std::chrono::nanoseconds kByteTime{520'833};  // 10 bits at 19200 bit/s
    static constexpr std::chrono::microseconds kProcessingTime{500};

    PtyServer(int masterFd, DeviceSession& session, bool paced);

    // Serves until `stop` becomes non-zero (set from a signal handler).
    void Run(const volatile std::sig_atomic_t& stop);

private:
    bool ReadAvailable(SimTime now);  // true when bytes came
    void HandleArrivals(SimTime now);
    void WriteDue(SimTime now);
    void WaitUntil(SimTime deadline);

    int fd_;
    DeviceSession& session_;
    bool paced_;
    std::deque<std::pair<SimTime, std::uint8_t>> arrivals_;
    SimTime lastArrival_{};
    OutputQueue output_;
    std::string unsent_;  // due bytes the terminal would not take yet
};

}  // namespace brevant::sim
