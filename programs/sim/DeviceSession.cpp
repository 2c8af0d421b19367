#include "programs/sim/DeviceSession.h"

namespace brevant::sim {

DeviceSession::DeviceSession(DeviceModel& model, Faults& faults, bool silent)
    : model_(model), faults_(faults), silent_(silent) {}

Reply DeviceSession::receive(std::uint8_t byte, SimTime now) {
    tick(now);
    if (upgrading_)
        return receiveUpgradeByte(byte, now);
    if (byte == '\n')
        return receiveLine(now);
    if (line_.size() >= kMaxLine)
        line_.clear();
    line_.push_back(static_cast<char>(byte));
    return {};
}

Reply DeviceSession::receiveLine(SimTime now) {
    const std::string text = std::move(line_);
    line_.clear();
    auto outcome = model_.handle(text);
    if (silent_)
        return {};
    Reply reply = faults_.apply(outcome.reply);
    // A lost "UGst" counts as never received: the device stays in line mode,
    // so the program can simply ask again.
    if (outcome.startUpgrade && !reply.empty()) {
        upgrading_ = true;
        receiver_.reset();
        lastUpgradeByte_ = now;
    }
    return reply;
}

Reply DeviceSession::receiveUpgradeByte(std::uint8_t byte, SimTime now) {
    lastUpgradeByte_ = now;
    auto outcome = receiver_.receive(byte);
    if (outcome.installedVersion)
        model_.applyFirmware(*outcome.installedVersion);
    if (outcome.finished) {
        upgrading_ = false;
        receiver_.reset();
    }
    return outcome.reply;
}

void DeviceSession::tick(SimTime now) {
    if (upgrading_ && now - lastUpgradeByte_ >= kUpgradeTimeout) {
        upgrading_ = false;
        receiver_.reset();
        line_.clear();
    }
}

std::optional<SimTime> DeviceSession::nextDeadline() const {
    if (!upgrading_)
        return std::nullopt;
    return lastUpgradeByte_ + kUpgradeTimeout;
}

}  // namespace brevant::sim
