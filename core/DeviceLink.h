// The device link: the port in use, the open sequence, the port probe, the
// version read, the byte exchange under every command, and the transaction
// that runs any row of the command catalogue and stores the reply.
//
// Thread-safety: any thread may call any operation. One lock is held around
// every exchange (and around a whole probe or open sequence), so two
// exchanges never overlap on the port whatever threads call. A caller that
// needs several exchanges in a row without another thread's exchange between
// them takes the lock itself with LockPort() and calls the *Locked forms.
// SetTrace may be called from any thread. An exchange already under way keeps
// the trace it started with, so a trace must outlive every exchange that may
// use it: keep it as long as the link, or unset it while no exchange runs.
#pragma once

#include "core/Catalogue.h"
#include "core/DeviceState.h"
#include "core/LinkError.h"
#include "core/ProtocolTrace.h"
#include "core/ReplyWatch.h"
#include "core/SerialPort.h"

#include <atomic>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

namespace brevant {

// How an exchange lets time pass before each read: a fixed pause, or waiting
// for the port to become readable for at most that pause. A reply ends as
// its profile's ReplyEnd says (at its last line feed, or at a quiet gap when
// its length is not known), within the deadlines the profile gives.
// PollReadable still keeps the fixed pause after the write, which a device
// needs before its reply can begin; NoSettle waits for readable there too,
// for a peer that answers at once (a service's shared port).
enum class WaitMode { FixedPause, PollReadable, NoSettle };

class DeviceLink {
public:
    DeviceLink(SerialPort& port, DeviceState& state);

    DeviceState& State() { return state_; }
    SerialPort& Port() { return port_; }

    void SetWaitMode(WaitMode mode) { waitMode_ = mode; }
    WaitMode GetWaitMode() const { return waitMode_; }

    // Every line an exchange writes and every reply chunk it reads is recorded
    // in `trace`; nullptr (the default) records nothing.
    void SetTrace(ProtocolTrace* trace) { trace_ = trace; }
    ProtocolTrace* Trace() const { return trace_; }

    std::unique_lock<std::mutex> LockPort() { return std::unique_lock(portMutex_); }

    // For the program's end: every exchange from now on fails at once with
    // NoPort, so work still under way on other threads ends promptly.
    void Halt() { halted_ = true; }
    bool Halted() const { return halted_.load(); }

    // Close, open and configure PortNumber; false (and the port closed) when
    // opening or configuring fails.
    bool OpenPort();
    void ClosePort();
    // Does the device answer on `port`? Leaves that port closed in every case.
    bool ProbePort(int port);
    // Reads the version text into SV.
    bool ReadVersion();
    // Raises DTR and RTS on PortNumber. A port that has no such lines (a
    // pseudo-terminal) is not a failure.
    void RaiseLineControls();

    // Empties the port's input (recording what it threw away), writes `text`
    // on PortNumber and collects the reply as `profile` says. PortGone when
    // the port vanished, WriteFailed when the line could not be written,
    // Incomplete (with the bytes in `reply`) when a reply of lines did not
    // reach its last line feed in time.
    Status Exchange(std::string_view text, const ExchangeProfile& profile, std::string& reply);
    Status ExchangeLocked(int port, std::string_view text, const ExchangeProfile& profile,
                          std::string& reply);
    // The three steps of an exchange, for a transfer that mixes unanswered
    // writes with answered ones (the firmware upgrade): each traced, each
    // PortGone when the port vanished. Collect waits the profile's pause
    // after write first, and reads as an exchange does.
    Status DrainLocked(int port, std::size_t* count = nullptr);
    Status WriteLocked(int port, std::string_view bytes);
    Status CollectLocked(int port, const ExchangeProfile& profile, std::string& reply);

    // Runs one catalogue row: a query when `value` is empty, else a set.
    Status Run(Op op, Address at = {}, std::optional<int32_t> value = std::nullopt);
    Status Query(Op op, Address at = {}) { return Run(op, at); }
    Status Set(Op op, Address at, int32_t value) { return Run(op, at, value); }
    // A set tried up to `attempts` times; NotConfirmed when every attempt failed.
    Status SetConfirmed(Op op, Address at, int32_t value, int attempts = 8);

    // Sends an already-built command line and checks and stores its reply as
    // `command` says. With `asked`, a reply naming another channel or
    // crosspoint is stored where it says but fails with OtherAddress.
    Status Transact(std::string_view commandText, const Command& command,
                    std::optional<Address> asked = std::nullopt);

    // The connection opened last has produced no valid reply for
    // ReplyWatch::kGiveUp since it first failed to: it is lost, whatever
    // the other end sends. The read-back and the polling give up on it.
    bool ReplyOverdue() const;
    // What the other end did since its last valid reply, in words ("the
    // other end is silent"); empty when nothing has failed since.
    std::string Verdict() const;

private:
    bool OpenPortLocked(int port);
    void Pause(int port, Micros limit);
    Status Decode(int port, const Command& command, std::string_view reply, std::optional<Address> asked);
    // Reads the lines of an answer until one answers `command` (see Transact).
    Status PassOver(int port, std::string_view commandText, const Command& command,
                    std::optional<Address> asked, std::string reply, SteadyClock::time_point cutoff);
    // A reply must end within the time a single exchange allows, counted
    // from now, before the input is emptied, so that bytes trickling in never
    // make up an answer, however late the link wakes to read them.
    SteadyClock::time_point ReplyCutoff(int port, const ExchangeProfile& profile) const;
    // Exchanges as ExchangeLocked does, the reply ending at `cutoff` at the latest.
    Status ExchangeUntil(int port, std::string_view text, const ExchangeProfile& profile, std::string& reply,
                         SteadyClock::time_point cutoff);
    // Collects as CollectLocked does, ending at `cutoff` at the latest: a
    // reply begun but not whole by then is not read further.
    Status Collect(int port, const ExchangeProfile& profile, std::string& reply,
                   SteadyClock::time_point cutoff);
    // Records the outcome of an exchange for ReplyOverdue and Verdict.
    void Watch(Status status);
    // Records a failed read or write in the trace; PortGone when the port is gone.
    Status PortFailure(int port, const IoResult& result, std::string_view during);
    Status ReadBlock(const Command& command, int block, std::string_view reply);

    SerialPort& port_;
    DeviceState& state_;
    std::atomic<WaitMode> waitMode_{WaitMode::PollReadable};
    std::atomic<ProtocolTrace*> trace_{nullptr};
    std::atomic<bool> halted_{false};
    // Under portMutex_: the last transaction went unanswered, and the line
    // it was (when it was a set, whose echo is that line).
    bool lateAnswerDue_ = false;
    std::string lateSet_;
    std::mutex portMutex_;
    mutable std::mutex watchMutex_;
    ReplyWatch watch_;  // under watchMutex_
};

}  // namespace brevant
