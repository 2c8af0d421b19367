#include "ui/panels/OutputFilterPanel.h"

#include "ui/controls/FormZoom.h"

#include "ui/controls/ImageCheckButton.h"
#include "ui/panels/PanelContext.h"
#include "ui/res/ResourceRegistry.h"

#include <QPushButton>

namespace brevant {

OutputFilterPanel::OutputFilterPanel(PanelContext& context, int channelIndex_, QWidget* parent)
    : ControlPanel(context, parent), eq_(AddCheck(kEqId, QStringLiteral("EQ"))),
      fbk_(AddCheck(kFbkId, QStringLiteral("FBK"))), edit_(new QPushButton(tr("Edit"), this))
{
    channelIndex = channelIndex_;
    NameChecks(Direction::Output);
    TagControl(edit_, kEditId);
    SetBackgroundImage(res::kOutputPanelBackground);
    zoom::Place(*eq_, 12, 10, 60, 18);
    zoom::Place(*fbk_, 12, 32, 60, 18);
    zoom::Place(*edit_, 12, 56, 60, 24);

    connect(eq_, &ImageCheckButton::clicked, this, &OutputFilterPanel::OnEqClicked);
    connect(fbk_, &ImageCheckButton::clicked, this, &OutputFilterPanel::OnFbkClicked);
    connect(&context.Model(), &PanelModel::changed, this, &OutputFilterPanel::OnModelChanged);
    resize(120, 100);
}

OutputFilterPanel::~OutputFilterPanel() = default;

void OutputFilterPanel::OnEqClicked()
{
    Context().Model().SetIndicator(Direction::Output, Indicator::Eq, channelIndex, eq_->isChecked());
}

void OutputFilterPanel::OnFbkClicked()
{
    Context().Model().SetIndicator(Direction::Output, Indicator::Fbk, channelIndex, fbk_->isChecked());
}

void OutputFilterPanel::OnModelChanged(unsigned what)
{
    // The indicators of the first panes follow the model, device or not.
    if (!(what & model::kIndicators) || paneFamily != ModelFamily::K225)
        return;
    const PanelModel& model = Context().Model();
    eq_->setChecked(model.IndicatorOn(Direction::Output, Indicator::Eq, channelIndex));
    fbk_->setChecked(model.IndicatorOn(Direction::Output, Indicator::Fbk, channelIndex));
}

}  // namespace brevant
