#include "COutputFilterDlg.h"

#include "CChannelPane.h"
#include "CImageCheckButton.h"
#include "MirrorCheck.h"

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
    resize(120, 100);
}

COutputFilterDlg::~COutputFilterDlg() = default;

void COutputFilterDlg::OnEqClicked()
{
    MirrorCheckInGroup(Context(), Direction::Output, m_eq->GetCheck(), [](CChannelPane* pane) {
        COutputFilterDlg* panel = pane ? pane->OutputFilter() : nullptr;
        return panel ? &panel->Eq() : nullptr;
    });
}

void COutputFilterDlg::OnFbkClicked()
{
    MirrorCheckInGroup(Context(), Direction::Output, m_fbk->GetCheck(), [](CChannelPane* pane) {
        COutputFilterDlg* panel = pane ? pane->OutputFilter() : nullptr;
        return panel ? &panel->Fbk() : nullptr;
    });
}

}  // namespace brevant
