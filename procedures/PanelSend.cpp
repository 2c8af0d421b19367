#include "procedures/PanelSend.h"

#include "core/Translate.h"
#include "procedures/DeviceFit.h"

#include <algorithm>

namespace brevant {

std::string UnconfirmedText(const SettingChange& change)
{
    return Fill(Tr("brevant::Setting", "%1: the device did not confirm %2"),
                {SettingName({change.op, change.at}), std::to_string(change.value)});
}

std::vector<SettingRef> ReadAlong(const SettingChange& change, ModelFamily family)
{
    const int n = change.at.a;
    if (change.storeOnly || !CommandFor(Op::OD).HasOn(family, n))
        return {};
    switch (change.op) {
    case Op::OD: return {{Op::OF, {n}}};
    case Op::OF:
    case Op::OH: return {{Op::OD, {n}}};
    default: return {};
    }
}

namespace {

// Queries what the device may have changed along with `changes`, each
// setting once and none of those just set.
void QueryAlong(DeviceLink& link, const std::vector<SettingChange>& changes, SendOutcome& outcome)
{
    const ModelFamily family = ToModelFamily(link.State().params.DeviceFamily);
    std::vector<SettingRef> asked;
    for (const SettingChange& change : changes) {
        for (const SettingRef& along : ReadAlong(change, family)) {
            const bool set = std::any_of(changes.begin(), changes.end(), [&](const SettingChange& c) {
                return SettingRef{c.op, c.at} == along;
            });
            if (set || std::find(asked.begin(), asked.end(), along) != asked.end())
                continue;
            asked.push_back(along);
            if (link.Query(along.op, along.at))
                outcome.reread.push_back(along);
            else
                outcome.unknown.push_back(along);
        }
    }
}

}  // namespace

bool PanelSend(DeviceLink& link, CommandQueue& queue, std::vector<SettingChange> changes,
               const Report& report, std::function<void(const SendOutcome&)> done)
{
    DeviceState& state = link.State();
    if (!state.flags.Connected) {
        report(msg::Text(msg::kCannotConnect), {});
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
        QueryAlong(link, changes, outcome);
        if (done)
            done(outcome);
    });
    return true;
}

}  // namespace brevant
