#include "ui/panels/COutputFilterDlg.h"

#include "ui/controls/CImageCheckButton.h"
#include "ui/panels/PanelContext.h"

#include <QPushButton>

namespace brevant {

COutputFilterDlg::COutputFilterDlg(PanelContext& context, int channelIndex_, QWidget* parent)
    : CPanelDialog(context, parent)
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

    connect(m_eq, &CImageCheckButton::clicked, this, &COutputFilterDlg::OnEqClicked);
    connect(m_fbk, &CImageCheckButton::clicked, this, &COutputFilterDlg::OnFbkClicked);
    connect(&context.Model(), &PanelModel::changed, this, &COutputFilterDlg::OnModelChanged);
    resize(120, 100);
}

COutputFilterDlg::~COutputFilterDlg() = default;

void COutputFilterDlg::OnEqClicked()
{
    Context().Model().SetIndicator(Direction::Output, Indicator::Eq, channelIndex, m_eq->GetCheck());
}

void COutputFilterDlg::OnFbkClicked()
{
    Context().Model().SetIndicator(Direction::Output, Indicator::Fbk, channelIndex, m_fbk->GetCheck());
}

void COutputFilterDlg::OnModelChanged(unsigned what)
{
    // The indicators of the first panes follow the model, device or not.
    if (!(what & model::kIndicators) || paneKind != 1)
        return;
    const PanelModel& model = Context().Model();
    m_eq->SetCheck(model.IndicatorOn(Direction::Output, Indicator::Eq, channelIndex));
    m_fbk->SetCheck(model.IndicatorOn(Direction::Output, Indicator::Fbk, channelIndex));
}

}  // namespace brevant
