#include "ui/panels/PanelModel.h"

#include <algorithm>
#include <utility>

namespace brevant {

namespace {

void Copy(ChannelValues& to, const Channels& from)
{
    for (int n = 1; n <= kChannels; ++n)
        to[static_cast<std::size_t>(n)] = from[static_cast<std::size_t>(n)].load();
}

// Calls f(shown, mirrored) for every setting the panels show.
template <typename F>
void ForEachSetting(ShownValues& v, const DeviceParams& p, F f)
{
    for (auto [to, from] : {std::pair{&v.MG, &p.MG}, {&v.MM, &p.MM}, {&v.MA, &p.MA}, {&v.MF, &p.MF},
                            {&v.MC, &p.MC}, {&v.MR, &p.MR}, {&v.MRon, &p.MRon}, {&v.MI, &p.MI},
                            {&v.MT, &p.MT}, {&v.OV, &p.OV}, {&v.OM, &p.OM}, {&v.OD, &p.OD},
                            {&v.OF, &p.OF}, {&v.OH, &p.OH}}) {
        for (std::size_t n = 1; n <= kChannels; ++n)
            f((*to)[n], (*from)[n]);
    }
    for (std::size_t i = 1; i <= kChannels; ++i) {
        for (std::size_t o = 1; o <= kChannels; ++o) {
            f(v.MX[i][o], p.MX[i][o]);
            f(v.XG[i][o], p.XG[i][o]);
        }
    }
    f(v.MB, p.MB);
    f(v.MP, p.MP);
    f(v.SN, p.SN);
}

// Writes `change` where the panels show it: the mirror field the catalogue
// names for it, found in a mirror nobody shares.
void Show(ShownValues& v, const SettingChange& change)
{
    const FieldRef field = CommandFor(change.op).field;
    if (!field)
        return;
    static DeviceParams probe;
    const Value* target = field(probe, change.at.a, change.at.b);
    ForEachSetting(v, probe, [&](int& to, const Value& from) {
        if (&from == target)
            to = change.value;
    });
}

}  // namespace

PanelModel::PanelModel(QObject* parent)
    : QObject(parent)
{
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, &PanelModel::Emit);
}

PanelModel::~PanelModel() = default;

bool PanelModel::Unknown(Op op, Address at) const
{
    return std::find(unknown_.begin(), unknown_.end(), SettingRef{op, at}) != unknown_.end();
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
    ForEachSetting(values_, p, [](int& to, const Value& from) { to = from.load(); });
    ShowChoices();
}

void PanelModel::ShowChoices()
{
    for (const SettingChange& change : choices_)
        Show(values_, change);
}

void PanelModel::TakeChoices(const std::vector<SettingChange>& changes)
{
    choices_.insert(choices_.end(), changes.begin(), changes.end());
    ShowChoices();
    Touch(model::kSettings);
}

void PanelModel::DropChoices(const std::vector<SettingRef>& sent)
{
    for (const SettingRef& s : sent) {
        const auto it = std::find_if(choices_.begin(), choices_.end(),
                                     [&](const SettingChange& c) { return SettingRef{c.op, c.at} == s; });
        if (it != choices_.end())
            choices_.erase(it);
    }
}

void PanelModel::CopyMeters(const DeviceParams& p)
{
    Copy(values_.ML, p.ML);
    Copy(values_.OL, p.OL);
    Copy(values_.ME, p.ME);
    Copy(values_.MS, p.MS);
}

void PanelModel::StartConnection(int family)
{
    family_ = family;
    link_ = LinkState::Connected;
    lostPort_ = 0;
    unknown_.clear();
    choices_.clear();
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

void PanelModel::TakeReadBack(const DeviceParams& params, int family)
{
    if (!Connected())
        return;
    family_ = family;
    CopySettings(params);
    CopyMeters(params);
    Touch(model::kReadBack);
}

void PanelModel::TakePollPass(const DeviceParams& params)
{
    if (!Connected())
        return;
    // A pass shows the gains, switches and priority the mirror holds now,
    // and the meters; the faders, edit boxes and matrix wait for a read-back.
    CopySettings(params);
    CopyMeters(params);
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

void PanelModel::Reset(int family)
{
    family_ = family;
    link_ = LinkState::Disconnected;
    lostPort_ = 0;
    unknown_.clear();
    choices_.clear();
    values_ = ShownValues{};
    // A read-back or pass not yet shown is dropped: the idle display stays.
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
