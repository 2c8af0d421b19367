// The event loop between the pseudo-terminal and the device session. It
// keeps honest line timing unless pacing is off: at 19200 bit/s a byte takes
// 520.8 us, so bytes read from the program "arrive" one byte time apart, a
// line is answered 0.5 ms after its last byte arrived, and reply bytes are
// written one at a time as each would come off the line. Unpaced, lines are
// handled as soon as read and each reply piece is written in one go.
//
// A reply must reach the reader without a gap of 2 ms or more, or the reader
// takes the gap for its end. Woken from a sleep, a process (notably on a
// virtual machine, whose idle CPU halts) now and then runs a millisecond or
// more late. With busyWait, the waits between the bytes of a reply are spun
// instead of slept; that is only fair to the rest of the machine at real-time
// priority, where the CPU is held just for the length of one reply.
#pragma once

#include "DeviceSession.h"
#include "OutputQueue.h"
#include "SimClock.h"

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

    // Output due within this window is waited for without sleeping (busyWait).
    static constexpr std::chrono::milliseconds kBusyWaitWindow{2};

    PtyServer(int masterFd, DeviceSession& session, bool paced, bool busyWait = false);

    // Serves until `stop` becomes non-zero (set from a signal handler).
    void run(const volatile std::sig_atomic_t& stop);

private:
    bool readAvailable(SimTime now);  // true when bytes came
    void handleArrivals(SimTime now);
    void writeDue(SimTime now);
    void waitUntil(SimTime deadline);
    void busyWaitUntil(SimTime deadline);

    int fd_;
    DeviceSession& session_;
    bool paced_;
    bool busyWait_;
    std::deque<std::pair<SimTime, std::uint8_t>> arrivals_;
    SimTime lastArrival_{};
    OutputQueue output_;
    std::string unsent_;  // due bytes the terminal would not take yet
};

}  // namespace brevant::sim
