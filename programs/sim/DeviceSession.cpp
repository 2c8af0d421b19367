#include "programs/sim/DeviceSession.h"

namespace brevant::sim {

DeviceSession::DeviceSession(DeviceModel& model, Faults& faults, bool silent)
    : model_(model), faults_(faults), silent_(silent)
{
}

Reply DeviceSession::Receive(std::uint8_t byte, SimTime now)
{
    Tick(now);
    if (upgrading_)
        return ReceiveUpgradeByte(byte, now);
    if (byte == '\n')
        return ReceiveLine(now);
    if (line_.size() >= kMaxLine)
        line_.clear();
    line_.push_back(static_cast<char>(byte));
    return {};
}

Reply DeviceSession::ReceiveLine(SimTime now)
{
    const std::string text = std::move(line_);
    line_.clear();
    auto outcome = model_.Handle(text);
    if (silent_)
        return {};
    Reply reply = faults_.Apply(outcome.reply);
    // A lost "UGst" counts as never received: the device stays in line mode,
    // so the program can simply ask again.
    if (outcome.startUpgrade && !reply.empty()) {
        upgrading_ = true;
        receiver_.Reset();
        lastUpgradeByte_ = now;
    }
    return reply;
}

Reply DeviceSession::ReceiveUpgradeByte(std::uint8_t byte, SimTime now)
{
    lastUpgradeByte_ = now;
    auto outcome = receiver_.Receive(byte);
    if (outcome.installedVersion)
        model_.ApplyFirmware(*outcome.installedVersion);
    if (outcome.finished) {
        upgrading_ = false;
        receiver_.Reset();
    }
    return outcome.reply;
}

void DeviceSession::Tick(SimTime now)
{
    if (upgrading_ && now - lastUpgradeByte_ >= kUpgradeTimeout) {
        upgrading_ = false;
        receiver_.Reset();
        line_.clear();
    }
}

std::optional<SimTime> DeviceSession::NextDeadline() const
{
    if (!upgrading_)
        return std::nullopt;
    return lastUpgradeByte_ + kUpgradeTimeout;
}

}  // namespace brevant::sim
