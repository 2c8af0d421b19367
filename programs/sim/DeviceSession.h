// One device on the line, byte by byte: gathers command lines and answers
// them through the DeviceModel (with line faults applied), and after "UGst"
// hands the bytes to the firmware receiver until the upgrade finishes or the
// line has been quiet for 3 s. Knows nothing of ports or pacing: it is told
// when each byte arrived and says what to send back.
#pragma once

#include "programs/sim/DeviceModel.h"
#include "programs/sim/Faults.h"
#include "programs/sim/FirmwareReceiver.h"
#include "programs/sim/Reply.h"
#include "programs/sim/SimClock.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

namespace brevant::sim {

class DeviceSession {
public:
    static constexpr std::chrono::seconds kUpgradeTimeout{3};
    // Longer lines are thrown away; no command comes close.
    static constexpr std::size_t kMaxLine = 256;

    // silent: the device never Answers (it still takes the bytes).
    DeviceSession(DeviceModel& model, Faults& faults, bool silent = false);

    // A byte that has fully arrived at time `now`; returns the answer, if any.
    Reply Receive(std::uint8_t byte, SimTime now);
    // Lets time pass: an abandoned upgrade returns to line mode.
    void Tick(SimTime now);
    // When Tick() next has something to do.
    std::optional<SimTime> NextDeadline() const;

    bool Upgrading() const { return upgrading_; }

private:
    Reply ReceiveLine(SimTime now);
    Reply ReceiveUpgradeByte(std::uint8_t byte, SimTime now);

    DeviceModel& model_;
    Faults& faults_;
    bool silent_;
    std::string line_;
    bool upgrading_ = false;
    SimTime lastUpgradeByte_{};
    FirmwareReceiver receiver_;
};

}  // namespace brevant::sim
