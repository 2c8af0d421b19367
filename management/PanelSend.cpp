#include "PanelSend.h"

namespace brevant {

bool PanelSend(DeviceLink& link, CommandQueue& queue, std::vector<SettingChange> changes,
               const Report& report, std::function<void(bool confirmed)> done)
{
    DeviceState& state = link.State();
    if (!state.flags.Connected) {
        report(msg::kCannotConnect, {});
        return false;
    }
    for (const SettingChange& change : changes) {
        if (Value* field = CommandFor(change.op).field(state.params, change.at.a, change.at.b))
            field->store(change.value);
    }
    queue.Post([&link, changes = std::move(changes), done = std::move(done)] {
        bool confirmed = true;
        for (const SettingChange& change : changes)
            confirmed = static_cast<bool>(link.SetConfirmed(change.op, change.at, change.value, kPanelAttempts)) &&
                        confirmed;
        if (done)
            done(confirmed);
    });
    return true;
}

}  // namespace brevant
