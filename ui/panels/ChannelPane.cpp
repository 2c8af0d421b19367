#include "ui/panels/ChannelPane.h"

#include "ui/panels/DynamicsPanel.h"
#include "ui/panels/InputFilterPanel.h"
#include "ui/panels/InputLevelPanel.h"
#include "ui/panels/OutputFilterPanel.h"
#include "ui/panels/OutputLevelPanel.h"
#include "ui/res/ResourceRegistry.h"

#include <QFont>

namespace brevant {

namespace {

constexpr int kShortLevelHeight = 150;
constexpr int kTallLevelHeight = 432;
constexpr int kFilterHeight = 60;
constexpr int kDynamicsHeight = 180;

}  // namespace

ChannelPane::ChannelPane(PanelContext& context, int kind, int channelIndex, int channelFlag, QWidget* parent)
    : TaskPane(parent), context_(context), kind_(kind), channelIndex_(channelIndex), channelFlag_(channelFlag)
{
    // The caption says which side of the device the pane belongs to; the
    // window's title names the channel.
    SetCaption(PaneDirection() == Direction::Input ? tr("Input") : tr("Output"));
    // The panes are narrow: one compact font for the captions and the panels.
    QFont compact = font();
    compact.setPixelSize(11);
    setFont(compact);
    SetIconList(res::kPaneIcons, 16);

    const ModelFamily family = PaneFamily();
    // Each group's caption is made before its panel: Tab follows the order
    // widgets are made in, and reads a group's caption, then its controls.
    const auto place = [this](const QString& caption, int height, auto make) {
        const int group = AddGroup(caption);
        auto* panel = make();
        panel->channelFlag = channelFlag_;
        panel->paneFamily = PaneFamily();
        AddWindow(group, panel, height);
        return panel;
    };
    if (PaneDirection() == Direction::Input) {
        // Channel 0 of the second pane is the reduced channel: level only.
        const bool reduced = family == ModelFamily::K217K218 && channelIndex < 1;
        inputLevel_ = place(tr("Level"), reduced ? kTallLevelHeight : kShortLevelHeight,
                            [&] { return new InputLevelPanel(context, channelIndex, family, this); });
        if (!reduced) {
            inputFilter_ = place(tr("Filter"), kFilterHeight,
                                 [&] { return new InputFilterPanel(context, channelIndex, this); });
            dynamics_ = place(tr("Dynamics"), kDynamicsHeight,
                              [&] { return new DynamicsPanel(context, channelIndex, family, this); });
        }
    } else {
        outputLevel_ = place(tr("Level"), kTallLevelHeight,
                             [&] { return new OutputLevelPanel(context, channelIndex, family, this); });
    }
    outputFilter_ = new OutputFilterPanel(context, channelIndex, this);
    outputFilter_->channelFlag = channelFlag;
    outputFilter_->hide();

    connect(&context.Model(), &PanelModel::changed, this, &ChannelPane::OnModelChanged);
    OnModelChanged(model::kLink);  // greyed until a device is connected
}

ChannelPane::~ChannelPane() = default;

void ChannelPane::OnModelChanged(unsigned what)
{
    if (!(what & (model::kLink | model::kReadBack)))
        return;
    const PanelModel& model = context_.Model();
    switch (model.Link()) {
    case LinkState::Connected:
        // Until the read-back has given the values nothing takes input.
        setEnabled(PaneFamily() == model.Family() && model.HasValues());
        break;
    case LinkState::Lost:
    case LinkState::Disconnected:
        // Nothing reaches a device now: the panes show what they last had, greyed.
        setEnabled(false);
        break;
    }
}

}  // namespace brevant
