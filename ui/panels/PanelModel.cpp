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
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &PanelModel::Emit);
}

PanelModel::~PanelModel() = default;

bool PanelModel::Unknown(Op op, Address at) const
{
    return std::find(m_unknown.begin(), m_unknown.end(), SettingRef{op, at}) != m_unknown.end();
}

bool PanelModel::IndicatorOn(Direction direction, Indicator which, int channelIndex) const
{
    if (channelIndex < 0 || channelIndex >= kChannels)
        return false;
    return m_indicators[direction == Direction::Input ? 0 : 1][which == Indicator::Eq ? 0 : 1]
                       [static_cast<std::size_t>(channelIndex)];
}

void PanelModel::SetIndicator(Direction direction, Indicator which, int channelIndex, bool on)
{
    auto& channels = m_indicators[direction == Direction::Input ? 0 : 1][which == Indicator::Eq ? 0 : 1];
    for (int k = 0; k < kChannels; ++k) {
        if (m_group || k == channelIndex)
            channels[static_cast<std::size_t>(k)] = on;
    }
    // The user's own click: the other channels follow at once.
    Touch(model::kIndicators);
    Flush();
}

void PanelModel::CopySettings(const DeviceParams& p)
{
    ForEachSetting(m_values, p, [](int& to, const Value& from) { to = from.load(); });
    ShowChoices();
}

void PanelModel::ShowChoices()
{
    for (const SettingChange& change : m_choices)
        Show(m_values, change);
}

void PanelModel::TakeChoices(const std::vector<SettingChange>& changes)
{
    m_choices.insert(m_choices.end(), changes.begin(), changes.end());
    ShowChoices();
    Touch(model::kSettings);
}

void PanelModel::DropChoices(const std::vector<SettingRef>& sent)
{
    for (const SettingRef& s : sent) {
        const auto it = std::find_if(m_choices.begin(), m_choices.end(),
                                     [&](const SettingChange& c) { return SettingRef{c.op, c.at} == s; });
        if (it != m_choices.end())
            m_choices.erase(it);
    }
}

void PanelModel::CopyMeters(const DeviceParams& p)
{
    Copy(m_values.ML, p.ML);
    Copy(m_values.OL, p.OL);
    Copy(m_values.ME, p.ME);
    Copy(m_values.MS, p.MS);
}

void PanelModel::StartConnection(int family)
{
    m_family = family;
    m_link = LinkState::Connected;
    m_lostPort = 0;
    m_unknown.clear();
    m_choices.clear();
    Touch(model::kPanes | model::kLink | model::kUnknown);
}

void PanelModel::MarkUnknown(const std::vector<SettingRef>& settings)
{
    for (const SettingRef& s : settings) {
        if (std::find(m_unknown.begin(), m_unknown.end(), s) == m_unknown.end())
            m_unknown.push_back(s);
    }
    if (!settings.empty())
        Touch(model::kUnknown);
}

void PanelModel::TakeReadBack(const DeviceParams& params, int family)
{
    if (!Connected())
        return;
    m_family = family;
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
    const auto before = m_unknown.size();
    std::erase_if(m_unknown, [&](const SettingRef& s) {
        return std::find(confirmed.begin(), confirmed.end(), s) != confirmed.end();
    });
    Touch(model::kSettings | (m_unknown.size() != before ? model::kUnknown : 0u));
    MarkUnknown(unknown);
}

void PanelModel::LoseLink(int port)
{
    if (m_link == LinkState::Disconnected)
        return;
    m_link = LinkState::Lost;
    m_lostPort = port;
    Touch(model::kLink);
}

void PanelModel::RestoreLink(int /*port*/)
{
    if (m_link != LinkState::Lost)
        return;
    m_link = LinkState::Connected;
    m_lostPort = 0;
    Touch(model::kLink);
}

void PanelModel::Reset(int family)
{
    m_family = family;
    m_link = LinkState::Disconnected;
    m_lostPort = 0;
    m_unknown.clear();
    m_choices.clear();
    m_values = ShownValues{};
    // A read-back or pass not yet shown is dropped: the idle display stays.
    m_pending &= ~(model::kReadBack | model::kPoll | model::kSettings);
    Touch(model::kReset | model::kLink | model::kUnknown);
}

void PanelModel::SetNotice(const QString& text)
{
    m_notice = text;
    Touch(model::kNotice);
}

void PanelModel::Touch(unsigned what)
{
    m_pending |= what;
    if (m_timer.isActive())
        return;
    const qint64 since = m_sinceEmit.isValid() ? m_sinceEmit.elapsed() : kMinIntervalMs;
    m_timer.start(static_cast<int>(std::max<qint64>(0, kMinIntervalMs - since)));
}

void PanelModel::Flush()
{
    m_timer.stop();
    Emit();
}

void PanelModel::Emit()
{
    const unsigned what = std::exchange(m_pending, 0u);
    if (what == 0)
        return;
    m_sinceEmit.start();
    ++m_emitted;
    emit changed(what);
}

}  // namespace brevant
