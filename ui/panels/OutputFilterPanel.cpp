#include "ui/panels/OutputFilterPanel.h"

#include "ui/controls/ImageCheckButton.h"
#include "ui/panels/PanelContext.h"

#include <QPushButton>

namespace brevant {

OutputFilterPanel::OutputFilterPanel(PanelContext& context, int channelIndex_, QWidget* parent)
    : ControlPanel(context, parent)
    , m_eq(AddCheck(kEqId, QStringLiteral("EQ")))
    , m_fbk(AddCheck(kFbkId, QStringLiteral("FBK")))
    , m_edit(new QPushButton(QStringLiteral("Edit"), this))
{
    channelIndex = channelIndex_;
    TagControl(m_edit, kEditId);
    SetBackgroundBitmap(185);
    m_eq->setGeometry(12, 10, 60, 18);
    m_fbk->setGeometry(12, 32, 60, 18);
    m_edit->setGeometry(12, 56, 60, 24);

    connect(m_eq, &ImageCheckButton::clicked, this, &OutputFilterPanel::OnEqClicked);
    connect(m_fbk, &ImageCheckButton::clicked, this, &OutputFilterPanel::OnFbkClicked);
    connect(&context.Model(), &PanelModel::changed, this, &OutputFilterPanel::OnModelChanged);
    resize(120, 100);
}

OutputFilterPanel::~OutputFilterPanel() = default;

void OutputFilterPanel::OnEqClicked()
{
    Context().Model().SetIndicator(Direction::Output, Indicator::Eq, channelIndex, m_eq->GetCheck());
}

void OutputFilterPanel::OnFbkClicked()
{
    Context().Model().SetIndicator(Direction::Output, Indicator::Fbk, channelIndex, m_fbk->GetCheck());
}

void OutputFilterPanel::OnModelChanged(unsigned what)
{
    // The indicators of the first panes follow the model, device or not.
    if (!(what & model::kIndicators) || paneKind != 1)
        return;
    const PanelModel& model = Context().Model();
    m_eq->SetCheck(model.IndicatorOn(Direction::Output, Indicator::Eq, channelIndex));
    m_fbk->SetCheck(model.IndicatorOn(Direction::Output, Indicator::Fbk, channelIndex));
}

}  // namespace brevant
