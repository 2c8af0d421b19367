#include "ui/panels/InputFilterPanel.h"

#include "ui/controls/FormZoom.h"

#include "ui/controls/ImageCheckButton.h"
#include "ui/panels/PanelContext.h"

#include <QPushButton>

namespace brevant {

InputFilterPanel::InputFilterPanel(PanelContext& context, int channelIndex_, QWidget* parent)
    : ControlPanel(context, parent), highpass_(AddCheck(kHighpassId, tr("Highpass"))),
      eq_(AddCheck(kEqId, QStringLiteral("EQ"))), fbk_(AddCheck(kFbkId, QStringLiteral("FBK"))),
      edit_(new QPushButton(tr("Edit"), this))
{
    channelIndex = channelIndex_;
    NameChecks(Direction::Input);
    TagControl(edit_, kEditId);
    // Only the high-pass switch is shown here; the indicators ride along.
    eq_->hide();
    fbk_->hide();
    edit_->hide();
    zoom::Place(*highpass_, 12, 8, 96, 18);
    zoom::Place(*eq_, 12, 28, 48, 18);
    zoom::Place(*fbk_, 60, 28, 48, 18);
    zoom::Place(*edit_, 12, 48, 48, 22);

    connect(highpass_, &ImageCheckButton::clicked, this, &InputFilterPanel::OnHighpassClicked);
    connect(eq_, &ImageCheckButton::clicked, this, &InputFilterPanel::OnEqClicked);
    connect(fbk_, &ImageCheckButton::clicked, this, &InputFilterPanel::OnFbkClicked);
    connect(&context.Model(), &PanelModel::changed, this, &InputFilterPanel::OnModelChanged);
    resize(120, 60);
}

InputFilterPanel::~InputFilterPanel() = default;

void InputFilterPanel::OnHighpassClicked()
{
    PanelContext& context = Context();
    const int s = highpass_->isChecked() ? 1 : 0;
    if (!context.Connected())
        return;
    std::vector<SettingChange> changes;
    for (int k : context.ChannelsReached(channelIndex, true))
        changes.push_back({Op::MI, {k + 1}, s});
    context.Send(std::move(changes));
}

void InputFilterPanel::OnEqClicked()
{
    Context().Model().SetIndicator(Direction::Input, Indicator::Eq, channelIndex, eq_->isChecked());
}

void InputFilterPanel::OnFbkClicked()
{
    Context().Model().SetIndicator(Direction::Input, Indicator::Fbk, channelIndex, fbk_->isChecked());
}

void InputFilterPanel::OnModelChanged(unsigned what)
{
    // The indicators of the first panes follow the model, device or not.
    if ((what & model::kIndicators) && paneFamily == ModelFamily::K225) {
        const PanelModel& model = Context().Model();
        eq_->setChecked(model.IndicatorOn(Direction::Input, Indicator::Eq, channelIndex));
        fbk_->setChecked(model.IndicatorOn(Direction::Input, Indicator::Fbk, channelIndex));
    }
    if (!Live())
        return;
    if (what & (model::kReadBack | model::kSettings | model::kUnknown | model::kPoll)) {
        const PanelModel& model = Context().Model();
        ShowSwitch(*highpass_, model.Values().At(Op::MI, Channel()) != 0, UnknownHere(Op::MI));
    }
}

}  // namespace brevant
