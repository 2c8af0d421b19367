#include "CInputFilterDlg.h"

#include "CChannelPane.h"
#include "CImageCheckButton.h"
#include "MirrorCheck.h"

#include <QPushButton>

namespace brevant {

CInputFilterDlg::CInputFilterDlg(PanelContext& context, int channelIndex_, QWidget* parent)
    : CPanelDialog(context, parent)
    , m_highpass(AddCheck(kHighpassId, QStringLiteral("Highpass")))
    , m_eq(AddCheck(kEqId, QStringLiteral("EQ")))
    , m_fbk(AddCheck(kFbkId, QStringLiteral("FBK")))
    , m_edit(new QPushButton(QStringLiteral("Edit"), this))
{
    channelIndex = channelIndex_;
    TagControl(m_edit, kEditId);
    // Only the high-pass switch is shown here; the indicators ride along.
    m_eq->hide();
    m_fbk->hide();
    m_edit->hide();
    m_highpass->setGeometry(12, 8, 96, 18);
    m_eq->setGeometry(12, 28, 48, 18);
    m_fbk->setGeometry(60, 28, 48, 18);
    m_edit->setGeometry(12, 48, 48, 22);

    connect(m_highpass, &CImageCheckButton::clicked, this, &CInputFilterDlg::OnHighpassClicked);
    connect(m_eq, &CImageCheckButton::clicked, this, &CInputFilterDlg::OnEqClicked);
    connect(m_fbk, &CImageCheckButton::clicked, this, &CInputFilterDlg::OnFbkClicked);
    connect(&context.Model(), &PanelModel::changed, this, &CInputFilterDlg::OnModelChanged);
    resize(120, 60);
}

CInputFilterDlg::~CInputFilterDlg() = default;

void CInputFilterDlg::OnHighpassClicked()
{
    PanelContext& context = Context();
    const int s = m_highpass->GetCheck() ? 1 : 0;
    if (!context.Connected()) {
        context.TellUser(msg::kCannotConnect);
        return;
    }
    std::vector<SettingChange> changes;
    for (int k : context.ChannelsReached(channelIndex, true)) {
        CChannelPane* pane = context.LivePane(Direction::Input, k);
        if (CInputFilterDlg* panel = pane ? pane->InputFilter() : nullptr; panel && context.Group())
            panel->Highpass().SetCheck(s);
        changes.push_back({Op::MI, {k + 1}, s});
    }
    context.Send(std::move(changes));
}

void CInputFilterDlg::OnEqClicked()
{
    MirrorCheckInGroup(Context(), Direction::Input, m_eq->GetCheck(), [](CChannelPane* pane) {
        CInputFilterDlg* panel = pane ? pane->InputFilter() : nullptr;
        return panel ? &panel->Eq() : nullptr;
    });
}

void CInputFilterDlg::OnFbkClicked()
{
    MirrorCheckInGroup(Context(), Direction::Input, m_fbk->GetCheck(), [](CChannelPane* pane) {
        CInputFilterDlg* panel = pane ? pane->InputFilter() : nullptr;
        return panel ? &panel->Fbk() : nullptr;
    });
}

void CInputFilterDlg::OnModelChanged(unsigned what)
{
    if (!Live())
        return;
    if (what & model::kReset)
        ShowSwitch(*m_highpass, false, false);
    if (what & (model::kReadBack | model::kSettings | model::kUnknown | model::kPoll)) {
        const PanelModel& model = Context().Model();
        ShowSwitch(*m_highpass, model.Values().MI[static_cast<std::size_t>(Channel())] != 0, UnknownHere(Op::MI));
    }
}

}  // namespace brevant
