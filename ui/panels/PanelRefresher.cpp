#include "ui/panels/PanelRefresher.h"

#include "ui/panels/UiHandOff.h"

#include <QTimer>

namespace brevant {

namespace {

bool KnownFamily(int family) { return family == 1 || family == 2; }
// A model the program does not know: connected read-only, with no pane of
// its own (every pane stays idle).
constexpr int kUnknownFamily = 0;

}  // namespace

PanelRefresher::PanelRefresher(PanelContext& context, const DeviceParams& mirror, QObject* parent)
    : QObject(parent)
    , m_context(context)
    , m_mirror(mirror)
{
}

PanelRefresher::~PanelRefresher() = default;

template <typename F>
void PanelRefresher::OnUiThread(F apply)
{
    PostToUi(this, std::move(apply));
}

void PanelRefresher::ModelPanesShown(int family)
{
    OnUiThread([this, family] {
        if (!KnownFamily(family) && family != kUnknownFamily)
            return;
        m_context.Model().StartConnection(family);
    });
}

void PanelRefresher::ChannelViewShown()
{
    OnUiThread([this] { emit channelViewShown(); });
}

void PanelRefresher::ReadBackIncomplete(const std::vector<SettingRef>& unread)
{
    OnUiThread([this, unread] {
        m_context.Model().MarkUnknown(unread);
        // Told once the panels show the read-back, and without holding up
        // what follows: a message box runs its own event loop.
        QTimer::singleShot(0, this, [this, text = UnreadSummary(unread)] { m_context.TellUser(text); });
    });
}

void PanelRefresher::ReadBackRefreshed(int family)
{
    OnUiThread([this, family] {
        if (KnownFamily(family))
            m_context.Model().TakeReadBack(m_mirror, family);
    });
}

void PanelRefresher::PollPassCompleted(int family)
{
    OnUiThread([this, family] {
        if (!KnownFamily(family))
            return;
        ++m_pollPassesApplied;
        m_context.Model().TakePollPass(m_mirror);
    });
}

void PanelRefresher::LinkLost(int port)
{
    OnUiThread([this, port] { m_context.Model().LoseLink(port); });
}

void PanelRefresher::LinkRestored(int port)
{
    OnUiThread([this, port] { m_context.Model().RestoreLink(port); });
}

void PanelRefresher::PanelsReset(int family)
{
    OnUiThread([this, family] {
        if (KnownFamily(family) || family == kUnknownFamily)
            m_context.Model().Reset(family);
    });
}

void PanelRefresher::ReadBackEnded()
{
    OnUiThread([this] { emit readBackEnded(); });
}

}  // namespace brevant
