// A relay between a device port and the program that tears every reply in
// two: it opens the device's port (a pseudo-terminal path, such as the
// simulator's DIR/COMn), makes a pseudo-terminal of its own, publishes that
// one as OUTDIR/COMm, and forwards bytes both ways on its own thread. Each
// piece of device output that ends in "\r\n" reaches the program as two
// writes `gap` apart, cut in its middle, so the program sees the reply end
// in mid-line and must wait for the rest.
//
// When the device's port goes away (the simulator ends) the relay closes its
// own pseudo-terminal and removes OUTDIR/COMm: the program sees its port gone.
//
// Thread-safety: the counters may be read from any thread while it runs. The
// destructor stops the forwarding thread and waits for it.
#pragma once

#include "Timing.h"

#include <atomic>
#include <string>
#include <thread>

namespace brevant::test {

inline constexpr Micros kDefaultTearGap{3'000};

class TearRelay {
public:
    TearRelay(const std::string& upstreamPath, const std::string& outDir, int com, Micros gap = kDefaultTearGap);
    ~TearRelay();
    TearRelay(const TearRelay&) = delete;
    TearRelay& operator=(const TearRelay&) = delete;

    // The relay runs: both ends are open and OUTDIR/COMm is published.
    bool Started() const { return started_; }
    // Why it did not start.
    const std::string& Error() const { return error_; }
    const std::string& LinkPath() const { return linkPath_; }

    // Device replies (pieces ending in "\r\n") handed over in two writes.
    int TornReplies() const { return torn_.load(); }
    // Bytes forwarded from the program to the device.
    long BytesToDevice() const { return toDevice_.load(); }
    // The device's port went away and the relay closed its own.
    bool UpstreamGone() const { return gone_.load(); }

private:
    void Run();
    bool ForwardToDevice();
    bool ReadFromDevice();
    void ForwardReplies(bool flushPartial);
    bool WriteAll(int fd, const char* data, std::size_t size);
    void CloseOwnPort();

    std::string linkPath_;
    std::string error_;
    Micros gap_;
    int upstreamFd_ = -1;
    int masterFd_ = -1;
    int slaveFd_ = -1;  // kept open so the master never sees a hang-up between opens
    bool started_ = false;
    std::string pending_;  // device output not yet handed over (thread only)
    std::atomic<bool> stop_{false};
    std::atomic<bool> gone_{false};
    std::atomic<int> torn_{0};
    std::atomic<long> toDevice_{0};
    std::thread thread_;
};

}  // namespace brevant::test
