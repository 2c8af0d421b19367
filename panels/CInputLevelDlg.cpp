#include "CInputLevelDlg.h"

#include "CChannelPane.h"
#include "CImageCheckButton.h"
#include "Notifications.h"
#include "PanelContext.h"

namespace brevant {

namespace {

constexpr int kMargin = 4;
constexpr int kCheckHeight = 18;
constexpr int kEchoMeterWidth = 12;

CInputLevelDlg* LiveInputLevel(const PanelContext& context, int k)
{
    CChannelPane* pane = context.LivePane(Direction::Input, k);
    return pane ? pane->InputLevel() : nullptr;
}

}  // namespace

CInputLevelDlg::CInputLevelDlg(PanelContext& context, int channelIndex_, int paneKind_, QWidget* parent)
    : CPanelDialog(context, parent)
    , m_strip(this, kInputPanelScale, kInputPanelScale.maxPosition, QStringLiteral("-1db"))
    , m_mute(AddCheck(kMuteId, QStringLiteral("Mute")))
    , m_priority(AddCheck(kPriorityId, QStringLiteral("Priority")))
    , m_erle(new CLevelMeter(kErleId, Qt::Vertical, this))
    , m_erl(new CLevelMeter(kErlId, Qt::Vertical, this))
{
    channelIndex = channelIndex_;
    paneKind = paneKind_;
    // The hidden trackbar starts one step above the fader, as the panel
    // always has; the first refresh brings both to the device's gain.
    m_strip.Trackbar().SetPos(47);
    SetUpEchoMeter(*m_erle, QStringLiteral("ERLE"));
    SetUpEchoMeter(*m_erl, QStringLiteral("ERL"));

    const bool secondPane = paneKind == 2;
    const bool reducedChannel = secondPane && channelIndex == 0;
    m_erle->setVisible(secondPane && !reducedChannel);
    m_erl->setVisible(secondPane && !reducedChannel);
    m_mute->setVisible(!reducedChannel);
    m_priority->setVisible(!reducedChannel);

    connect(&m_strip.Fader(), &CBitmapFader::moving, this, &CInputLevelDlg::OnFaderMoving);
    connect(&m_strip.Fader(), &CBitmapFader::moved, this, &CInputLevelDlg::OnFaderMoved);
    connect(&m_strip.Trackbar(), &CSkinnedTrackbar::scrolled, this, &CInputLevelDlg::OnTrackbarScrolled);
    connect(m_mute, &CImageCheckButton::clicked, this, &CInputLevelDlg::OnMuteClicked);
    connect(m_priority, &CImageCheckButton::clicked, this, &CInputLevelDlg::OnPriorityClicked);
    connect(&m_timer, &QTimer::timeout, this, &CInputLevelDlg::ApplyPendingRefresh);
    m_timer.start(kTickMs);
    resize(100, 150);
}

CInputLevelDlg::~CInputLevelDlg() = default;

void CInputLevelDlg::resizeEvent(QResizeEvent* /*event*/)
{
    // Fader and meters take the height left above the check buttons; the
    // echo meters stand to the right of the signal meter.
    const bool checks = m_mute->isVisibleTo(this);
    const int bottom = height() - kMargin - (checks ? kCheckHeight * 2 + 2 : 0);
    const bool echo = m_erle->isVisibleTo(this);
    const int stripWidth = echo ? width() - 2 * (kEchoMeterWidth + 3) - kMargin : width();
    m_strip.Place(QRect(0, kMargin, stripWidth, bottom - kMargin));
    const QRect meter = m_strip.Meter().geometry();
    m_erle->setGeometry(meter.right() + 5, meter.top(), kEchoMeterWidth, meter.height());
    m_erl->setGeometry(meter.right() + 5 + kEchoMeterWidth + 3, meter.top(), kEchoMeterWidth, meter.height());
    m_mute->setGeometry(kMargin + 8, bottom + 1, width() - 2 * kMargin - 8, kCheckHeight);
    m_priority->setGeometry(kMargin + 8, bottom + 1 + kCheckHeight, width() - 2 * kMargin - 8, kCheckHeight);
}

void CInputLevelDlg::OnFaderMoving(int controlId, int value)
{
    if (controlId == kFaderId)
        m_strip.ShowGain(kInputPanelScale.GainAt(value));
}

void CInputLevelDlg::OnFaderMoved(int controlId, int value)
{
    if (controlId == kFaderId)
        SendGain(value, false);
}

void CInputLevelDlg::OnTrackbarScrolled(int code, int position)
{
    if (code == kScrollEnd)
        SendGain(position, true);
}

void CInputLevelDlg::TakeGroupGain(int position, int gain, bool fromTrackbar)
{
    if (fromTrackbar)
        m_strip.Trackbar().SetPos(position);
    else
        m_strip.Fader().SetValue(position);
    gainDb = gain;
    m_strip.ShowGain(gain);
    refreshPending = true;
}

void CInputLevelDlg::SendGain(int position, bool fromTrackbar)
{
    const int gain = kInputPanelScale.GainAt(position);
    m_strip.ShowGain(gain);
    PanelContext& context = Context();
    if (!context.Connected()) {
        context.TellUser(msg::kCannotConnect);
        return;
    }
    std::vector<SettingChange> changes;
    // Gain changes reach every channel in group mode, on both families.
    for (int k : context.ChannelsReached(channelIndex, false)) {
        if (CInputLevelDlg* panel = LiveInputLevel(context, k); panel && context.Group())
            panel->TakeGroupGain(position, gain, fromTrackbar);
        changes.push_back({Op::MG, {k + 1}, gain});
    }
    gainDb = gain;
    context.Send(std::move(changes));
}

void CInputLevelDlg::OnMuteClicked()
{
    PanelContext& context = Context();
    const int s = m_mute->GetCheck() ? 1 : 0;
    if (!context.Connected()) {
        context.TellUser(msg::kCannotConnect);
        return;
    }
    std::vector<SettingChange> changes;
    for (int k : context.ChannelsReached(channelIndex, true)) {
        if (CInputLevelDlg* panel = LiveInputLevel(context, k); panel && context.Group())
            panel->Mute().SetCheck(s);
        changes.push_back({Op::MM, {k + 1}, s});
    }
    context.Send(std::move(changes));
}

void CInputLevelDlg::OnPriorityClicked()
{
    // Priority names one channel; checking it here does not clear the
    // others' buttons, the next refresh from the device does.
    const int value = m_priority->GetCheck() ? channelIndex + 1 : 0;
    Context().Send({{Op::MP, {5}, value}});
}

void CInputLevelDlg::ApplyPendingRefresh()
{
    if (!refreshPending)
        return;
    m_strip.ShowGain(gainDb);
    m_strip.Trackbar().update();
    const int n = channelIndex + 1;
    if (IsChannel(n))
        m_strip.ColourFrom(Context().Params().ML[n]);
    refreshPending = false;
}

}  // namespace brevant
