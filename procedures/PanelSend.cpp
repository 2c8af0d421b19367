#include "procedures/PanelSend.h"

#include "procedures/DeviceFit.h"

namespace brevant {

std::string UnconfirmedText(const SettingChange& change)
{
    return SettingName({change.op, change.at}) + ": the device did not confirm " +
           std::to_string(change.value);
}

bool PanelSend(DeviceLink& link, CommandQueue& queue, std::vector<SettingChange> changes,
               const Report& report, std::function<void(const SendOutcome&)> done)
{
    DeviceState& state = link.State();
    if (!state.flags.Connected) {
        report(msg::kCannotConnect, {});
        return false;
    }
    if (const std::string refusal = WriteRefusal(state); !refusal.empty()) {
        report(refusal, {});
        return false;
    }
    queue.Post([&link, changes = std::move(changes), done = std::move(done)] {
        // The mirror is written here, on the queue's thread, never by the window.
        for (const SettingChange& change : changes) {
            if (Value* field = CommandFor(change.op).field(link.State().params, change.at.a, change.at.b))
                field->store(change.value);
        }
        SendOutcome outcome;
        for (const SettingChange& change : changes) {
            if (change.storeOnly || link.SetConfirmed(change.op, change.at, change.value, kPanelAttempts))
                continue;
            outcome.unconfirmed.push_back(change);
            // Bring back what the device holds; a query that fails too leaves
            // the setting unknown.
            if (!link.Query(change.op, change.at))
                outcome.unknown.push_back({change.op, change.at});
        }
        if (done)
            done(outcome);
    });
    return true;
}

}  // namespace brevant
