#include "ui/panels/DynamicsPanel.h"

#include "ui/controls/FormZoom.h"

#include "ui/controls/ImageCheckButton.h"
#include "ui/controls/SkinnedTrackbar.h"
#include "ui/panels/PanelContext.h"
#include "ui/res/ResourceRegistry.h"

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
constexpr int kCaptionHeight = 14;
constexpr int kFilterCount = 6;

}  // namespace

DynamicsPanel::DynamicsPanel(PanelContext& context, int channelIndex_, ModelFamily paneFamily_,
                             QWidget* parent)
    : ControlPanel(context, parent), autoMix_(AddCheck(kAutoMixId, tr("AutoMix"))),
      agc_(AddCheck(kAgcId, QStringLiteral("AGC"))), afc_(AddCheck(kAfcId, QStringLiteral("AFC"))),
      aec_(AddCheck(kAecId, QStringLiteral("AEC"))), nr_(AddCheck(kNrId, QStringLiteral("NR"))),
      phantom_(AddCheck(kPhantomId, tr("Phantom"))), nrSlider_(new SkinnedTrackbar(kNrSliderId, this)),
      nrDepth_(new QLabel(this)), filterSlider_(new SkinnedTrackbar(kFilterSliderId, this)),
      filterCaption_(new QLabel(tr("Filter, all inputs:"), this)), filter_(new QComboBox(this))
{
    channelIndex = channelIndex_;
    paneFamily = paneFamily_;
    aec_->setVisible(HasHere(Op::MC));
    NameChecks(Direction::Input);
    // Tab goes down the column as the switches are placed: Phantom, then NR
    // and its depth.
    setTabOrder(phantom_, nr_);

    for (SkinnedTrackbar* slider : {nrSlider_, filterSlider_}) {
        slider->setOrientation(Qt::Horizontal);
        slider->LoadImages(res::kDynamicsThumb, res::kDynamicsChannel, res::kDynamicsChannelLit);
        slider->setSingleStep(1);
    }
    nrSlider_->setRange(0, kMaxNrDepth);
    nrSlider_->SetValueReading(0, 1, QStringLiteral("dB"));
    nrSlider_->setAccessibleName(ControlName(Direction::Input, Channel(), tr("NR depth")));
    filterSlider_->setRange(0, kFilterCount - 1);
    filterSlider_->hide();
    SetNrDepth(0);
    nrDepth_->clear();  // no depth is shown before a device has given one
    nrDepth_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    TagControl(filter_, kFilterComboId);
    filter_->setAccessibleName(tr("Filter for all inputs"));
    filter_->addItems(
        {tr("None"), tr("Filter 1"), tr("Filter 2"), tr("Filter 3"), tr("Filter 4"), tr("Filter 5")});
    filter_->setCurrentIndex(-1);

    connect(autoMix_, &ImageCheckButton::clicked, this, &DynamicsPanel::OnAutoMixClicked);
    connect(agc_, &ImageCheckButton::clicked, this, &DynamicsPanel::OnAgcClicked);
    connect(afc_, &ImageCheckButton::clicked, this, &DynamicsPanel::OnAfcClicked);
    connect(aec_, &ImageCheckButton::clicked, this, &DynamicsPanel::OnAecClicked);
    connect(phantom_, &ImageCheckButton::clicked, this, &DynamicsPanel::OnPhantomClicked);
    connect(nr_, &ImageCheckButton::clicked, this, &DynamicsPanel::OnNrClicked);
    connect(nrSlider_, &SkinnedTrackbar::changeFinished, this, &DynamicsPanel::OnNrDepthChosen);
    connect(filterSlider_, &SkinnedTrackbar::changeFinished, this, &DynamicsPanel::OnFilterChosen);
    connect(filter_, &QComboBox::activated, this, &DynamicsPanel::OnFilterChosen);
    connect(&context.Model(), &PanelModel::changed, this, &DynamicsPanel::OnModelChanged);
    resize(120, 180);
}

DynamicsPanel::~DynamicsPanel() = default;

void DynamicsPanel::resizeEvent(QResizeEvent* /*event*/)
{
    const QSize base = zoom::BaseSize(*this);
    // One column of switches (AEC only where shown), the NR depth under NR,
    // the filter choice at the bottom.
    int y = kMargin;
    const int w = base.width() - 2 * kMargin;
    for (ImageCheckButton* check : {autoMix_, agc_, afc_, aec_, phantom_, nr_}) {
        if (!check->isVisibleTo(this))
            continue;
        zoom::Place(*check, kMargin + 8, y, w - 8, kCheckHeight);
        y += kCheckHeight;
    }
    zoom::Place(*nrSlider_, kMargin + 4, y + 1, w - kDepthWidth - 4, kSliderHeight);
    zoom::Place(*nrDepth_, kMargin + w - kDepthWidth, y + 1, kDepthWidth, kSliderHeight);
    zoom::Place(*filterSlider_, zoom::PlacedAt(*nrSlider_));
    y += kSliderHeight + 6;
    // The filter is one setting of the whole device: its caption says so on
    // a line of its own, over the choice.
    zoom::Place(*filterCaption_, kMargin, y, w, kCaptionHeight);
    zoom::Place(*filter_, kMargin, y + kCaptionHeight, w, kComboHeight);
}

void DynamicsPanel::SetNrDepth(int depth, bool unknown)
{
    nrSlider_->setValue(depth);
    nrSlider_->setEnabled(!unknown);
    nrDepth_->setText(unknown ? QStringLiteral("?") : QStringLiteral("%1 dB").arg(nrSlider_->value()));
}

void DynamicsPanel::SendSwitch(ButtonOf button, Op op, bool everyChannelOnSecondPane)
{
    PanelContext& context = Context();
    const int s = (this->*button)().isChecked() ? 1 : 0;
    if (!context.Connected())
        return;
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

void DynamicsPanel::OnAgcClicked()
{
    SendSwitch(&DynamicsPanel::Agc, Op::MA);
}
void DynamicsPanel::OnAfcClicked()
{
    SendSwitch(&DynamicsPanel::Afc, Op::MF);
}
void DynamicsPanel::OnPhantomClicked()
{
    SendSwitch(&DynamicsPanel::Phantom, Op::MT);
}
void DynamicsPanel::OnAecClicked()
{
    SendSwitch(&DynamicsPanel::Aec, Op::MC, true);
}

void DynamicsPanel::OnAutoMixClicked()
{
    PanelContext& context = Context();
    if (!context.Connected())
        return;
    // AutoMix belongs to the whole device: every input shows the model's state.
    context.Send({{Op::MB, {5}, autoMix_->isChecked() ? 1 : 0}});
}

void DynamicsPanel::OnNrClicked()
{
    PanelContext& context = Context();
    const bool on = nr_->isChecked();
    if (!context.Connected())
        return;
    // The device takes depth 0 as NR off, so NR going on at depth 0 goes on
    // at the smallest depth instead; otherwise the box would come back
    // unticked from the next read-back.
    const int stored = context.Model().Values().At(Op::MR, Channel());
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

void DynamicsPanel::OnNrDepthChosen(int depth)
{
    nrDepth_->setText(QStringLiteral("%1 dB").arg(depth));
    PanelContext& context = Context();
    if (!context.Connected())
        return;
    // While NR is off the depth is only remembered.
    const bool storeOnly = !nr_->isChecked();
    std::vector<SettingChange> changes;
    for (int k : context.ChannelsReached(channelIndex, true))
        changes.push_back({Op::MR, {k + 1}, depth, storeOnly});
    context.Send(std::move(changes));
}

void DynamicsPanel::OnFilterChosen(int index)
{
    PanelContext& context = Context();
    if (!context.Connected())
        return;
    // The filter choice belongs to the whole device, like AutoMix.
    context.Send({{Op::SN, {5}, index}});
}

void DynamicsPanel::OnModelChanged(unsigned what)
{
    if (!Live())
        return;
    const PanelModel& model = Context().Model();
    const ShownValues& v = model.Values();
    const int n = Channel();
    const bool secondPane = paneFamily == ModelFamily::K217K218;
    // A read-back, a user change or a newly unknown setting shows the depth
    // and the filter choice too; a polling pass only the switches.
    const bool settings = what & (model::kReadBack | model::kSettings | model::kUnknown);
    if (settings || (what & model::kPoll)) {
        ShowSwitch(*autoMix_, v.At(Op::MB) != 0, !model.Holds(Op::MB, {5}));
        ShowSwitch(*agc_, v.At(Op::MA, n) != 0, UnknownHere(Op::MA));
        ShowSwitch(*afc_, v.At(Op::MF, n) != 0, UnknownHere(Op::MF));
        ShowSwitch(*nr_, v.At(Op::MRSwitch, n) != 0, UnknownHere(Op::MR));
        ShowSwitch(*phantom_, v.At(Op::MT, n) != 0, UnknownHere(Op::MT));
        if (HasHere(Op::MC))
            ShowSwitch(*aec_, v.At(Op::MC, n) != 0, UnknownHere(Op::MC));
    }
    if (settings) {
        SetNrDepth(v.At(Op::MR, n), UnknownHere(Op::MR));
        if (!model.HasValues())
            nrDepth_->clear();  // "?" is for a depth the device did not give
        const bool filterUnknown = !model.Holds(Op::SN, {5});
        filter_->setEnabled(!filterUnknown);
        filter_->setCurrentIndex(filterUnknown ? -1 : v.At(Op::SN));
        if (!secondPane && !filterUnknown)
            filterSlider_->setValue(v.At(Op::SN));
    }
}

}  // namespace brevant
