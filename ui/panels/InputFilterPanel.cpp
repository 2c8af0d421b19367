#include "ui/panels/InputFilterPanel.h"

#include "ui/controls/ImageCheckButton.h"
#include "ui/panels/PanelContext.h"

#include <QPushButton>

namespace brevant {

InputFilterPanel::InputFilterPanel(PanelContext& context, int channelIndex_, QWidget* parent)
    : ControlPanel(context, parent)
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

    connect(m_highpass, &ImageCheckButton::clicked, this, &InputFilterPanel::OnHighpassClicked);
    connect(m_eq, &ImageCheckButton::clicked, this, &InputFilterPanel::OnEqClicked);
    connect(m_fbk, &ImageCheckButton::clicked, this, &InputFilterPanel::OnFbkClicked);
    connect(&context.Model(), &PanelModel::changed, this, &InputFilterPanel::OnModelChanged);
    resize(120, 60);
}

InputFilterPanel::~InputFilterPanel() = default;

void InputFilterPanel::OnHighpassClicked()
{
    PanelContext& context = Context();
    const int s = m_highpass->GetCheck() ? 1 : 0;
    if (!context.Connected()) {
        context.TellUser(msg::kCannotConnect);
        return;
    }
    std::vector<SettingChange> changes;
    for (int k : context.ChannelsReached(channelIndex, true))
        changes.push_back({Op::MI, {k + 1}, s});
    context.Send(std::move(changes));
}

void InputFilterPanel::OnEqClicked()
{
    Context().Model().SetIndicator(Direction::Input, Indicator::Eq, channelIndex, m_eq->GetCheck());
}

void InputFilterPanel::OnFbkClicked()
{
    Context().Model().SetIndicator(Direction::Input, Indicator::Fbk, channelIndex, m_fbk->GetCheck());
}

void InputFilterPanel::OnModelChanged(unsigned what)
{
    // The indicators of the first panes follow the model, device or not.
    if ((what & model::kIndicators) && paneKind == 1) {
        const PanelModel& model = Context().Model();
        m_eq->SetCheck(model.IndicatorOn(Direction::Input, Indicator::Eq, channelIndex));
        m_fbk->SetCheck(model.IndicatorOn(Direction::Input, Indicator::Fbk, channelIndex));
    }
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
