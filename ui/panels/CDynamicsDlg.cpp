#include "ui/panels/CDynamicsDlg.h"

#include "ui/controls/CImageCheckButton.h"
#include "ui/controls/CSkinnedTrackbar.h"
#include "ui/panels/PanelContext.h"

#include <QComboBox>
#include <QLabel>

#include <algorithm>

namespace brevant {

namespace {

constexpr int kMargin = 4;
constexpr int kCheckHeight = 18;
constexpr int kSliderHeight = 18;
constexpr int kDepthWidth = 30;
constexpr int kComboHeight = 22;
constexpr int kFilterCount = 6;

}  // namespace

CDynamicsDlg::CDynamicsDlg(PanelContext& context, int channelIndex_, int paneKind_, QWidget* parent)
    : CPanelDialog(context, parent)
    , m_autoMix(AddCheck(kAutoMixId, QStringLiteral("AutoMix")))
    , m_agc(AddCheck(kAgcId, QStringLiteral("AGC")))
    , m_afc(AddCheck(kAfcId, QStringLiteral("AFC")))
    , m_aec(AddCheck(kAecId, QStringLiteral("AEC")))
    , m_nr(AddCheck(kNrId, QStringLiteral("NR")))
    , m_phantom(AddCheck(kPhantomId, QStringLiteral("Phantom")))
    , m_nrSlider(new CSkinnedTrackbar(kNrSliderId, this))
    , m_nrDepth(new QLabel(this))
    , m_filterSlider(new CSkinnedTrackbar(kFilterSliderId, this))
    , m_filterCaption(new QLabel(QStringLiteral("Filter"), this))
    , m_filter(new QComboBox(this))
{
    channelIndex = channelIndex_;
    paneKind = paneKind_;
    m_aec->setVisible(paneKind == 2);

    for (CSkinnedTrackbar* slider : {m_nrSlider, m_filterSlider}) {
        slider->SetOrientation(false);
        slider->LoadImages(180, 178, 179);
        slider->SetLineSize(1);
    }
    m_nrSlider->SetRange(0, kMaxNrDepth);
    m_filterSlider->SetRange(0, kFilterCount - 1);
    m_filterSlider->hide();
    SetNrDepth(0);
    m_nrDepth->clear();  // no depth is shown before a device has given one
    m_nrDepth->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    TagControl(m_filter, kFilterComboId);
    m_filter->addItems({QStringLiteral("None"), QStringLiteral("Filter 1"), QStringLiteral("Filter 2"),
                        QStringLiteral("Filter 3"), QStringLiteral("Filter 4"), QStringLiteral("Filter 5")});
    m_filter->setCurrentIndex(-1);

    connect(m_autoMix, &CImageCheckButton::clicked, this, &CDynamicsDlg::OnAutoMixClicked);
    connect(m_agc, &CImageCheckButton::clicked, this, &CDynamicsDlg::OnAgcClicked);
    connect(m_afc, &CImageCheckButton::clicked, this, &CDynamicsDlg::OnAfcClicked);
    connect(m_aec, &CImageCheckButton::clicked, this, &CDynamicsDlg::OnAecClicked);
    connect(m_phantom, &CImageCheckButton::clicked, this, &CDynamicsDlg::OnPhantomClicked);
    connect(m_nr, &CImageCheckButton::clicked, this, &CDynamicsDlg::OnNrClicked);
    connect(m_nrSlider, &CSkinnedTrackbar::changeFinished, this, &CDynamicsDlg::OnNrSliderScrolled);
    connect(m_filterSlider, &CSkinnedTrackbar::changeFinished, this, &CDynamicsDlg::OnFilterSliderScrolled);
    connect(m_filter, &QComboBox::activated, this, &CDynamicsDlg::OnFilterChanged);
    connect(&context.Model(), &PanelModel::changed, this, &CDynamicsDlg::OnModelChanged);
    resize(120, 180);
}

CDynamicsDlg::~CDynamicsDlg() = default;

void CDynamicsDlg::resizeEvent(QResizeEvent* /*event*/)
{
    // One column of switches (AEC only where shown), the NR depth under NR,
    // the filter choice at the bottom.
    int y = kMargin;
    const int w = width() - 2 * kMargin;
    for (CImageCheckButton* check : {m_autoMix, m_agc, m_afc, m_aec, m_phantom, m_nr}) {
        if (!check->isVisibleTo(this))
            continue;
        check->setGeometry(kMargin + 8, y, w - 8, kCheckHeight);
        y += kCheckHeight;
    }
    m_nrSlider->setGeometry(kMargin + 4, y + 1, w - kDepthWidth - 4, kSliderHeight);
    m_nrDepth->setGeometry(kMargin + w - kDepthWidth, y + 1, kDepthWidth, kSliderHeight);
    m_filterSlider->setGeometry(m_nrSlider->geometry());
    y += kSliderHeight + 6;
    m_filterCaption->setGeometry(kMargin, y, 34, kComboHeight);
    m_filter->setGeometry(kMargin + 34, y, w - 34, kComboHeight);
}

void CDynamicsDlg::SetNrDepth(int depth, bool unknown)
{
    m_nrSlider->SetPos(depth);
    m_nrSlider->setEnabled(!unknown);
    m_nrDepth->setText(unknown ? QStringLiteral("?") : QStringLiteral("%1db").arg(m_nrSlider->GetPos()));
}

void CDynamicsDlg::SendSwitch(ButtonOf button, Op op, bool everyChannelOnSecondPane)
{
    PanelContext& context = Context();
    const int s = (this->*button)().GetCheck() ? 1 : 0;
    if (!context.Connected()) {
        context.TellUser(msg::kCannotConnect);
        return;
    }
    // AEC exists on the second pane only, so in group mode it always speaks
    // for all four channels of that pane. The other channels' panels follow
    // the model.
    const std::vector<int> channels = everyChannelOnSecondPane && context.Group()
                                          ? std::vector<int>{0, 1, 2, 3}
                                          : context.ChannelsReached(channelIndex, true);
    std::vector<SettingChange> changes;
    for (int k : channels)
        changes.push_back({op, {k + 1}, s});
    context.Send(std::move(changes));
}

void CDynamicsDlg::OnAgcClicked() { SendSwitch(&CDynamicsDlg::Agc, Op::MA); }
void CDynamicsDlg::OnAfcClicked() { SendSwitch(&CDynamicsDlg::Afc, Op::MF); }
void CDynamicsDlg::OnPhantomClicked() { SendSwitch(&CDynamicsDlg::Phantom, Op::MT); }
void CDynamicsDlg::OnAecClicked() { SendSwitch(&CDynamicsDlg::Aec, Op::MC, true); }

void CDynamicsDlg::OnAutoMixClicked()
{
    PanelContext& context = Context();
    if (!context.Connected()) {
        context.TellUser(msg::kCannotConnect);
        return;
    }
    // AutoMix belongs to the whole device: every input shows the model's state.
    context.Send({{Op::MB, {5}, m_autoMix->GetCheck() ? 1 : 0}});
}

void CDynamicsDlg::OnNrClicked()
{
    PanelContext& context = Context();
    const bool on = m_nr->GetCheck();
    if (!context.Connected()) {
        context.TellUser(msg::kCannotConnect);
        return;
    }
    // The device takes depth 0 as NR off, so NR going on at depth 0 goes on
    // at the smallest depth instead; otherwise the box would come back
    // unticked from the next read-back.
    const int stored = context.Model().Values().MR[static_cast<std::size_t>(Channel())];
    const int level = on ? std::max(stored, 1) : stored;
    std::vector<SettingChange> changes;
    for (int k : context.ChannelsReached(channelIndex, true)) {
        // Off keeps the depth for the next time NR goes on.
        if (on) {
            changes.push_back({Op::MRSwitch, {k + 1}, 1, true});
            changes.push_back({Op::MR, {k + 1}, level});
        } else {
            changes.push_back({Op::MRSwitch, {k + 1}, 0});
        }
    }
    context.Send(std::move(changes));
}

void CDynamicsDlg::OnNrSliderScrolled(int position)
{
    m_nrDepth->setText(QStringLiteral("%1db").arg(position));
    PanelContext& context = Context();
    if (!context.Connected()) {
        context.TellUser(msg::kCannotConnect);
        return;
    }
    // While NR is off the depth is only remembered.
    const bool storeOnly = !m_nr->GetCheck();
    std::vector<SettingChange> changes;
    for (int k : context.ChannelsReached(channelIndex, true))
        changes.push_back({Op::MR, {k + 1}, position, storeOnly});
    context.Send(std::move(changes));
}

void CDynamicsDlg::OnFilterChanged(int index)
{
    PanelContext& context = Context();
    if (!context.Connected()) {
        context.TellUser(msg::kCannotConnect);
        return;
    }
    // The filter choice belongs to the whole device, like AutoMix.
    context.Send({{Op::SN, {5}, index}});
}

void CDynamicsDlg::OnFilterSliderScrolled(int position)
{
    PanelContext& context = Context();
    if (!context.Connected()) {
        context.TellUser(msg::kCannotConnect);
        return;
    }
    context.Send({{Op::SN, {5}, position}});
}

void CDynamicsDlg::OnModelChanged(unsigned what)
{
    if (!Live())
        return;
    const PanelModel& model = Context().Model();
    const ShownValues& v = model.Values();
    const auto n = static_cast<std::size_t>(Channel());
    const bool secondPane = paneKind == 2;
    if (what & model::kReset) {
        for (CImageCheckButton* check : {m_autoMix, m_agc, m_afc, m_nr, m_phantom, m_aec})
            ShowSwitch(*check, false, false);
        SetNrDepth(0);
        if (!secondPane)
            m_filterSlider->SetPos(0);
    }
    // A read-back, a user change or a newly unknown setting shows the depth
    // and the filter choice too; a polling pass only the switches.
    const bool settings = what & (model::kReadBack | model::kSettings | model::kUnknown);
    if (settings || (what & model::kPoll)) {
        ShowSwitch(*m_autoMix, v.MB != 0, model.Unknown(Op::MB, {5}));
        ShowSwitch(*m_agc, v.MA[n] != 0, UnknownHere(Op::MA));
        ShowSwitch(*m_afc, v.MF[n] != 0, UnknownHere(Op::MF));
        ShowSwitch(*m_nr, v.MRon[n] != 0, UnknownHere(Op::MR));
        ShowSwitch(*m_phantom, v.MT[n] != 0, UnknownHere(Op::MT));
        if (secondPane)
            ShowSwitch(*m_aec, v.MC[n] != 0, UnknownHere(Op::MC));
    }
    if (settings) {
        SetNrDepth(v.MR[n], UnknownHere(Op::MR));
        const bool filterUnknown = model.Unknown(Op::SN, {5});
        m_filter->setEnabled(!filterUnknown);
        m_filter->setCurrentIndex(filterUnknown ? -1 : v.SN);
        if (!secondPane && !filterUnknown)
            m_filterSlider->SetPos(v.SN);
    }
}

}  // namespace brevant
