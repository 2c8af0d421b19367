#include "PanelRefresher.h"

#include "CChannelPane.h"
#include "CDynamicsDlg.h"
#include "CImageCheckButton.h"
#include "CInputFilterDlg.h"
#include "CInputLevelDlg.h"
#include "CMatrixDlg.h"
#include "COutputLevelDlg.h"
#include "CSkinnedTrackbar.h"

#include <QComboBox>
#include <QLineEdit>

namespace brevant {

namespace {

bool KnownFamily(int family) { return family == 1 || family == 2; }

}  // namespace

PanelRefresher::PanelRefresher(PanelContext& context, QObject* parent)
    : QObject(parent)
    , m_context(context)
{
}

PanelRefresher::~PanelRefresher() = default;

// The observer calls: each is replayed on the UI thread.

void PanelRefresher::ModelPanesShown(int family)
{
    QMetaObject::invokeMethod(this, [this, family] { ShowModelPanes(family); }, Qt::QueuedConnection);
}

void PanelRefresher::ChannelViewShown()
{
    QMetaObject::invokeMethod(this, [this] { emit channelViewShown(); }, Qt::QueuedConnection);
}

void PanelRefresher::ReadBackRefreshed(int family)
{
    QMetaObject::invokeMethod(this, [this, family] { ApplyReadBack(family); }, Qt::QueuedConnection);
}

void PanelRefresher::PollPassCompleted(int family)
{
    m_pollFamily = family;
    if (m_pollQueued.exchange(true))
        return;  // the pass already waiting will show the newest values
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_pollQueued = false;
            ApplyPollPass(m_pollFamily);
        },
        Qt::QueuedConnection);
}

void PanelRefresher::PanelsReset(int family)
{
    QMetaObject::invokeMethod(this, [this, family] { ResetPanels(family); }, Qt::QueuedConnection);
}

void PanelRefresher::ReadBackEnded()
{
    QMetaObject::invokeMethod(this, [this] { emit readBackEnded(); }, Qt::QueuedConnection);
}

// What each one does to the panels.

void PanelRefresher::ShowModelPanes(int family)
{
    if (!KnownFamily(family))
        return;
    for (int k = 0; k < kChannels; ++k) {
        for (Direction d : {Direction::Input, Direction::Output}) {
            for (int kind : {1, 2}) {
                if (CChannelPane* pane = m_context.Pane(d, k, kind))
                    pane->setVisible(kind == family);
            }
        }
    }
    emit panesChosen(family);
}

void PanelRefresher::Priority() const
{
    // MP names the one input that has priority; 0 names none. Anything
    // else is not a channel and leaves the buttons as they are.
    const int mp = m_context.Params().MP;
    if (mp < 0 || mp > kChannels)
        return;
    for (int k = 0; k < kChannels; ++k) {
        CChannelPane* pane = m_context.LivePane(Direction::Input, k);
        if (CInputLevelDlg* level = pane ? pane->InputLevel() : nullptr)
            level->Priority().SetCheck(mp == k + 1);
    }
}

void PanelRefresher::ApplyReadBack(int family)
{
    if (!KnownFamily(family))
        return;
    DeviceParams& p = m_context.Params();
    CMatrixDlg* matrix = m_context.Matrix();
    if (matrix)
        matrix->EnableGainControls(true);
    for (int k = 0; k < kChannels; ++k) {
        for (Direction d : {Direction::Input, Direction::Output}) {
            for (int kind : {1, 2}) {
                if (CChannelPane* pane = m_context.Pane(d, k, kind))
                    pane->setEnabled(kind == family);
            }
        }
    }
    Priority();

    for (int k = 0; k < kChannels; ++k) {
        const int n = k + 1;
        CChannelPane* in = m_context.Pane(Direction::Input, k, family);
        CChannelPane* out = m_context.Pane(Direction::Output, k, family);
        const bool reduced = family == 2 && k == 0;

        if (CInputLevelDlg* level = in ? in->InputLevel() : nullptr) {
            level->Strip().ShowReading(p.ML[n]);
            level->gainDb = p.MG[n];
            level->Strip().SetPosition(kInputPanelScale.PositionFor(p.MG[n]));
            level->refreshPending = true;
            if (!reduced)
                level->Mute().SetCheck(p.MM[n] != 0);
        }
        if (CInputFilterDlg* filter = in && !reduced ? in->InputFilter() : nullptr)
            filter->Highpass().SetCheck(p.MI[n] != 0);
        if (CDynamicsDlg* dynamics = in && !reduced ? in->Dynamics() : nullptr) {
            dynamics->AutoMix().SetCheck(p.MB != 0);
            dynamics->Agc().SetCheck(p.MA[n] != 0);
            dynamics->Afc().SetCheck(p.MF[n] != 0);
            dynamics->Nr().SetCheck(p.MRon[n] != 0);
            dynamics->SetNrDepth(p.MR[n]);
            dynamics->Filter().setCurrentIndex(p.SN);
            dynamics->Phantom().SetCheck(p.MT[n] != 0);
            if (family == 2)
                dynamics->Aec().SetCheck(p.MC[n] != 0);
            dynamics->refreshPending = true;
        }
        if (COutputLevelDlg* level = out ? out->OutputLevel() : nullptr) {
            level->Strip().ShowReading(p.OL[n]);
            level->gainDb = p.OV[n];
            level->Strip().SetPosition(kOutputScale.PositionFor(p.OV[n]));
            level->refreshPending = true;
            if (family == 1)
                level->Mute().SetCheck(p.OM[n] != 0);
            level->delayTime = p.OD[n];
            level->lowpassLimit = p.OF[n];
            level->highpassLimit = p.OH[n];
            level->DelayEdit().setText(QString::number(level->delayTime));
            level->LowpassEdit().setText(QString::number(level->lowpassLimit));
            level->editsPending = true;
        }
        if (matrix)
            matrix->ShowRow(n, p);
    }
}

void PanelRefresher::ApplyPollPass(int family)
{
    if (!KnownFamily(family))
        return;
    ++m_pollPassesApplied;
    DeviceParams& p = m_context.Params();
    Priority();
    for (int k = 0; k < kChannels; ++k) {
        const int n = k + 1;
        CChannelPane* in = m_context.Pane(Direction::Input, k, family);
        CChannelPane* out = m_context.Pane(Direction::Output, k, family);
        // Channel 0 of the second pane has nothing but its level strip.
        const bool switches = !(family == 2 && k == 0);

        if (CInputLevelDlg* level = in ? in->InputLevel() : nullptr) {
            level->Strip().ShowReading(p.ML[n]);
            level->gainDb = p.MG[n];
            level->refreshPending = true;
            if (switches)
                level->Mute().SetCheck(p.MM[n] != 0);
            if (family == 2 && k >= 1) {
                level->Erle().SetValue(p.ME[n]);
                level->Erl().SetValue(p.MS[n]);
            }
        }
        if (CInputFilterDlg* filter = in && switches ? in->InputFilter() : nullptr)
            filter->Highpass().SetCheck(p.MI[n] != 0);
        if (CDynamicsDlg* dynamics = in && switches ? in->Dynamics() : nullptr) {
            dynamics->AutoMix().SetCheck(p.MB != 0);
            dynamics->Agc().SetCheck(p.MA[n] != 0);
            dynamics->Afc().SetCheck(p.MF[n] != 0);
            dynamics->Nr().SetCheck(p.MRon[n] != 0);
            dynamics->Phantom().SetCheck(p.MT[n] != 0);
            if (family == 2) {
                dynamics->Aec().SetCheck(p.MC[n] != 0);
                dynamics->refreshPending = true;
            }
        }
        if (COutputLevelDlg* level = out ? out->OutputLevel() : nullptr) {
            level->Strip().ShowReading(p.OL[n]);
            level->gainDb = p.OV[n];
            level->refreshPending = true;
            if (family == 2 && k >= 1)
                level->Mute().SetCheck(p.OM[n] != 0);
        }
    }
}

void PanelRefresher::ResetPanels(int family)
{
    if (!KnownFamily(family))
        return;
    CMatrixDlg* matrix = m_context.Matrix();
    for (int k = 0; k < kChannels; ++k) {
        CChannelPane* in = m_context.Pane(Direction::Input, k, family);
        CChannelPane* out = m_context.Pane(Direction::Output, k, family);
        if (CInputLevelDlg* level = in ? in->InputLevel() : nullptr) {
            level->Strip().Meter().SetValue(0);
            if (family == 2) {
                level->Erle().SetValue(0);
                level->Erl().SetValue(0);
            }
            level->gainDb = 0;
            level->Strip().SetPosition(kInputPanelScale.PositionFor(0));
            level->refreshPending = true;
            level->Mute().SetCheck(false);
            level->Priority().SetCheck(false);
        }
        if (CInputFilterDlg* filter = in ? in->InputFilter() : nullptr)
            filter->Highpass().SetCheck(false);
        if (CDynamicsDlg* dynamics = in ? in->Dynamics() : nullptr) {
            for (CImageCheckButton* check : {&dynamics->AutoMix(), &dynamics->Agc(), &dynamics->Afc(),
                                             &dynamics->Nr(), &dynamics->Phantom()})
                check->SetCheck(false);
            dynamics->SetNrDepth(0);
            if (family == 2)
                dynamics->Aec().SetCheck(false);
            else
                dynamics->FilterSlider().SetPos(0);
            dynamics->refreshPending = true;
        }
        if (COutputLevelDlg* level = out ? out->OutputLevel() : nullptr) {
            level->Strip().Meter().SetValue(0);
            level->gainDb = 0;
            level->Strip().SetPosition(kOutputScale.PositionFor(0));
            level->refreshPending = true;
            level->Mute().SetCheck(false);
        }
        if (matrix)
            matrix->ResetRow(k + 1);
    }
}

}  // namespace brevant
