#include "ui/panels/PanelModel.h"

#include <algorithm>
#include <optional>
#include <utility>

namespace brevant {

namespace {

// The rows the panels show: those that point into the mirror at a channel,
// a crosspoint or the device.
bool Shown(const Command& c)
{
    return c.field != nullptr && c.setting.scope != Scope::None;
}

// Where `at` of row `c` sits in a grid; nullopt for an address it does not have.
std::optional<Address> Slot(const Command& c, Address at)
{
    switch (c.setting.scope) {
    case Scope::Input:
    case Scope::Output: return IsChannel(at.a) ? std::optional<Address>({at.a, 0}) : std::nullopt;
    case Scope::Crosspoint: return IsChannel(at.a) && IsChannel(at.b) ? std::optional(at) : std::nullopt;
    case Scope::Device: return Address{};  // one value, whatever the address
    case Scope::None: break;
    }
    return std::nullopt;
}

// Calls f(address) for every address row `c` has.
template <typename F>
void ForEachAddress(const Command& c, F f)
{
    switch (c.setting.scope) {
    case Scope::Input:
    case Scope::Output:
        for (int n = 1; n <= kChannels; ++n)
            f(Address{n, 0});
        break;
    case Scope::Crosspoint:
        for (int i = 1; i <= kChannels; ++i) {
            for (int o = 1; o <= kChannels; ++o)
                f(Address{i, o});
        }
        break;
    case Scope::Device: f(Address{}); break;
    case Scope::None: break;
    }
}

}  // namespace

int ShownValues::At(Op op, int a, int b) const
{
    const Command& c = CommandFor(op);
    const std::optional<Address> slot = Shown(c) ? Slot(c, {a, b}) : std::nullopt;
    if (!slot)
        return 0;
    return grids_[static_cast<std::size_t>(op)][static_cast<std::size_t>(slot->a)]
                 [static_cast<std::size_t>(slot->b)];
}

bool ShownValues::Set(Op op, Address at, int value)
{
    const Command& c = CommandFor(op);
    const std::optional<Address> slot = Shown(c) ? Slot(c, at) : std::nullopt;
    if (!slot)
        return false;
    grids_[static_cast<std::size_t>(op)][static_cast<std::size_t>(slot->a)]
          [static_cast<std::size_t>(slot->b)] = value;
    return true;
}

void ShownValues::CopyFrom(const DeviceParams& params, bool meters)
{
    // The mirror is only read; the table's accessors take it as writable.
    auto& from = const_cast<DeviceParams&>(params);
    for (const Command& c : AllCommands()) {
        if (!Shown(c) || c.IsMeter() != meters)
            continue;
        ForEachAddress(c, [&](Address at) {
            if (const Value* value = c.field(from, at.a, at.b))
                Set(c.op, at, value->load());
        });
    }
}

PanelModel::PanelModel(QObject* parent) : QObject(parent)
{
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, &PanelModel::Emit);
}

PanelModel::~PanelModel() = default;

bool PanelModel::Unknown(Op op, Address at) const
{
    return std::find(unknown_.begin(), unknown_.end(), SettingRef{op, at}) != unknown_.end();
}

bool PanelModel::Holds(Op op, Address at) const
{
    return hasValues_ && !Unknown(op, at);
}

bool PanelModel::TakesInput(Op op, Address at) const
{
    return Connected() && Holds(op, at);
}

bool PanelModel::IndicatorOn(Direction direction, Indicator which, int channelIndex) const
{
    if (channelIndex < 0 || channelIndex >= kChannels)
        return false;
    return indicators_[direction == Direction::Input ? 0 : 1][which == Indicator::Eq ? 0 : 1]
                      [static_cast<std::size_t>(channelIndex)];
}

void PanelModel::SetIndicator(Direction direction, Indicator which, int channelIndex, bool on)
{
    auto& channels = indicators_[direction == Direction::Input ? 0 : 1][which == Indicator::Eq ? 0 : 1];
    for (int k = 0; k < kChannels; ++k) {
        if (group_ || k == channelIndex)
            channels[static_cast<std::size_t>(k)] = on;
    }
    // The user's own click: the other channels follow at once.
    Touch(model::kIndicators);
    Flush();
}

void PanelModel::CopySettings(const DeviceParams& p)
{
    values_.CopyFrom(p, false);
    confirmed_ = values_;
    ShowChoices();
}

void PanelModel::ShowChoices()
{
    for (const SettingChange& change : choices_)
        values_.Set(change.op, change.at, change.value);
}

void PanelModel::TakeChoices(const std::vector<SettingChange>& changes)
{
    // One choice per setting, the newest.
    for (const SettingChange& change : changes) {
        const auto it = std::find_if(choices_.begin(), choices_.end(), [&](const SettingChange& c) {
            return SettingRef{c.op, c.at} == SettingRef{change.op, change.at};
        });
        if (it != choices_.end())
            *it = change;
        else
            choices_.push_back(change);
    }
    ShowChoices();
    Touch(model::kSettings);
}

void PanelModel::DropChoices(const std::vector<SettingRef>& settled)
{
    std::erase_if(choices_, [&](const SettingChange& c) {
        return std::find(settled.begin(), settled.end(), SettingRef{c.op, c.at}) != settled.end();
    });
}

void PanelModel::CopyMeters(const DeviceParams& p)
{
    values_.CopyFrom(p, true);
}

void PanelModel::StartConnection(ModelFamily family)
{
    family_ = family;
    link_ = LinkState::Connected;
    lostPort_ = 0;
    unknown_.clear();
    choices_.clear();
    // Nothing of an earlier connection is shown as this device's.
    values_ = ShownValues{};
    hasValues_ = false;
    polled_ = false;
    pending_ &= ~(model::kReadBack | model::kPoll | model::kSettings);
    Touch(model::kPanes | model::kLink | model::kUnknown);
}

void PanelModel::MarkUnknown(const std::vector<SettingRef>& settings)
{
    for (const SettingRef& s : settings) {
        if (std::find(unknown_.begin(), unknown_.end(), s) == unknown_.end())
            unknown_.push_back(s);
    }
    if (!settings.empty())
        Touch(model::kUnknown);
}

void PanelModel::TakeReadBack(const DeviceParams& params, ModelFamily family)
{
    if (!Connected())
        return;
    family_ = family;
    hasValues_ = true;
    CopySettings(params);
    Touch(model::kReadBack);
}

void PanelModel::TakePollPass(const DeviceParams& params)
{
    if (!Connected())
        return;
    // A pass shows the gains, switches and priority the mirror holds now,
    // and the meters; the faders, edit boxes and matrix wait for a read-back.
    // Before the read-back a setting's zero is nobody's value: meters only.
    if (hasValues_)
        CopySettings(params);
    CopyMeters(params);
    polled_ = true;
    Touch(model::kPoll);
}

void PanelModel::TakeSettings(const DeviceParams& params, const std::vector<SettingRef>& confirmed,
                              const std::vector<SettingRef>& unknown)
{
    if (!Connected())
        return;
    CopySettings(params);
    const auto before = unknown_.size();
    std::erase_if(unknown_, [&](const SettingRef& s) {
        return std::find(confirmed.begin(), confirmed.end(), s) != confirmed.end();
    });
    Touch(model::kSettings | (unknown_.size() != before ? model::kUnknown : 0u));
    MarkUnknown(unknown);
}

void PanelModel::LoseLink(int port)
{
    if (link_ == LinkState::Disconnected)
        return;
    link_ = LinkState::Lost;
    lostPort_ = port;
    polled_ = false;
    Touch(model::kLink);
}

void PanelModel::RestoreLink(int /*port*/)
{
    if (link_ != LinkState::Lost)
        return;
    link_ = LinkState::Connected;
    lostPort_ = 0;
    Touch(model::kLink);
}

void PanelModel::Reset(ModelFamily family)
{
    family_ = family;
    link_ = LinkState::Disconnected;
    lostPort_ = 0;
    polled_ = false;
    // The settings last read stay shown (greyed by the panels); choices that
    // never reached the device go back to what it last said.
    if (!choices_.empty()) {
        choices_.clear();
        values_ = confirmed_;
    }
    // A read-back or pass not yet shown is dropped.
    pending_ &= ~(model::kReadBack | model::kPoll | model::kSettings);
    Touch(model::kReset | model::kLink | model::kUnknown);
}

void PanelModel::SetNotice(const QString& text)
{
    notice_ = text;
    Touch(model::kNotice);
}

void PanelModel::Touch(unsigned what)
{
    pending_ |= what;
    if (timer_.isActive())
        return;
    const qint64 since = sinceEmit_.isValid() ? sinceEmit_.elapsed() : kMinIntervalMs;
    timer_.start(static_cast<int>(std::max<qint64>(0, kMinIntervalMs - since)));
}

void PanelModel::Flush()
{
    timer_.stop();
    Emit();
}

void PanelModel::Emit()
{
    const unsigned what = std::exchange(pending_, 0u);
    if (what == 0)
        return;
    sinceEmit_.start();
    ++emitted_;
    emit changed(what);
}

}  // namespace brevant
