// A scripted serial port with its own clock, for golden-wire tests: it
// records every call and every byte written, and delivers scripted replies at
// scripted (virtual) times, so that timing rules are tested exactly and fast.
#pragma once

#include "core/SerialPort.h"

#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace brevant::test {

using namespace std::chrono_literals;

struct Piece {
    Micros after;  // time after the triggering write
    std::string bytes;
};

class FakePort final : public SerialPort {
public:
    // The next write on `port` is answered with these pieces.
    void Answer(int port, std::vector<Piece> pieces);
    // Shorthand: the whole reply 1 ms after the write.
    void Answer(int port, std::string reply) { Answer(port, {{1ms, std::move(reply)}}); }
    // The next write on `port` gets no answer.
    void Ignore(int port) { Answer(port, std::vector<Piece>{}); }
    // Answers every write on `port` that finds no scripted answer queued.
    void SetResponder(int port, std::function<std::vector<Piece>(std::string_view written)> responder);
    // Bytes that arrive now without being asked for.
    void Inject(int port, std::string bytes);

    void SetOpenResult(int port, int result) { openResults_[port] = result; }
    // Every Open of `port` fails as `kind` says, with `why` as LastError.
    void SetOpenFailure(int port, OpenFailure kind, std::string why)
    {
        openResults_[port] = -1;
        openFailures_[port] = {kind, std::move(why)};
    }
    void SetConfigureResult(int port, int result) { configureResults_[port] = result; }
    void SetLineControl(LineControlResult result) { lineControl_ = result; }
    // From now on every read and write on `port` finds it gone (as an
    // unplugged adapter does), and it no longer exists.
    void Vanish(int port) { gone_.insert(port); }
    // The device file of `port` is gone, but the open port reads as silent.
    void RemoveFile(int port) { removed_.insert(port); }

    // The first Wait that begins at `at` or later ends `extra` late, as when
    // a busy machine wakes the link late.
    void WakeLate(Micros at, Micros extra) { wakeLate_ = {at, extra}; }

    // Everything written on any port, in order.
    const std::string& Written() const { return written_; }
    // Calls in order: "open 3", "configure 3 14 3", "write 3", "close 3", "dtr 3", "rts 3".
    const std::vector<std::string>& Calls() const { return calls_; }
    std::vector<std::string> Writes() const { return writes_; }
    Micros Now() const { return now_; }
    bool IsOpen(int port) const { return open_.count(port) > 0 && open_.at(port); }
    void ClearRecord();

    int Open(int port) override;
    int Configure(int port, int speedCode, int modeCode) override;
    IoResult Write(int port, std::string_view bytes) override;
    IoResult Read(int port, char* buffer, int capacity) override;
    bool Exists(int port) const override { return gone_.count(port) == 0 && removed_.count(port) == 0; }
    void Close(int port) override;
    LineControlResult SetDtr(int port, bool on) override;
    LineControlResult SetRts(int port, bool on) override;
    void Wait(int port, Micros limit, bool untilReadable) override;
    OpenFailure LastOpenFailure(int port) const override;
    std::string LastError(int port) const override;
    SteadyClock::time_point Clock() const override { return SteadyClock::time_point{} + now_; }
    // Wait calls so far: how often the link let time pass.
    int Waits() const { return waits_; }

private:
    struct Arrival {
        Micros at;
        std::string bytes;
    };
    void Schedule(int port, const std::vector<Piece>& pieces);

    Micros now_{0};
    int waits_ = 0;
    std::optional<std::pair<Micros, Micros>> wakeLate_;
    std::map<int, std::deque<std::vector<Piece>>> answers_;
    std::map<int, std::function<std::vector<Piece>(std::string_view)>> responders_;
    std::map<int, std::deque<Arrival>> pending_;
    std::map<int, int> openResults_;
    std::map<int, std::pair<OpenFailure, std::string>> openFailures_;  // as scripted
    std::map<int, bool> lastOpenFailed_;
    std::map<int, int> configureResults_;
    std::map<int, bool> open_;
    std::set<int> gone_;
    std::set<int> removed_;
    LineControlResult lineControl_ = LineControlResult::Done;
    std::string written_;
    std::vector<std::string> writes_;
    std::vector<std::string> calls_;
};

// A responder for a K225 (SV105) that answers every query with 0 and echoes
// every other line, 1 ms after it was written.
std::vector<Piece> EchoingDevice(std::string_view line);

}  // namespace brevant::test
