#include "ui/panels/PanelRefresher.h"

#include "qtcore/HandOff.h"

#include <QTimer>

namespace brevant {

namespace {

// A model the program does not know is connected read-only, with no pane of
// its own: every pane stays idle, and it has no values of its own to show.
bool KnownFamily(ModelFamily family)
{
    return family != ModelFamily::Unknown;
}

}  // namespace

PanelRefresher::PanelRefresher(PanelContext& context, const DeviceParams& mirror, QObject* parent)
    : QObject(parent), context_(context), mirror_(mirror)
{
}

PanelRefresher::~PanelRefresher() = default;

template <typename F>
void PanelRefresher::OnUiThread(F apply)
{
    PostTo(this, std::move(apply));
}

void PanelRefresher::ModelPanesShown(ModelFamily family)
{
    OnUiThread([this, family] { context_.Model().StartConnection(family); });
}

void PanelRefresher::ChannelViewShown()
{
    OnUiThread([this] { emit channelViewShown(); });
}

void PanelRefresher::ReadBackIncomplete(const std::vector<SettingRef>& unread)
{
    OnUiThread([this, unread] {
        context_.Model().MarkUnknown(unread);
        // Told once the panels show the read-back, and without holding up
        // what follows: a message box runs its own event loop.
        QTimer::singleShot(0, this, [this, text = UnreadSummary(unread)] { context_.TellUser(text); });
    });
}

void PanelRefresher::ReadBackRefreshed(ModelFamily family)
{
    OnUiThread([this, family] {
        if (KnownFamily(family))
            context_.Model().TakeReadBack(mirror_, family);
    });
}

void PanelRefresher::PollPassCompleted(ModelFamily family)
{
    OnUiThread([this, family] {
        if (!KnownFamily(family))
            return;
        ++pollPassesApplied_;
        context_.Model().TakePollPass(mirror_);
    });
}

void PanelRefresher::SettingsChanged(const std::vector<SettingRef>& changed)
{
    // The user's choices still on their way stand over these, as over a pass.
    OnUiThread([this, changed] { context_.Model().TakeSettings(mirror_, changed, {}); });
}

void PanelRefresher::LinkLost(int port)
{
    OnUiThread([this, port] { context_.Model().LoseLink(port); });
}

void PanelRefresher::LinkRestored(int port)
{
    OnUiThread([this, port] { context_.Model().RestoreLink(port); });
}

void PanelRefresher::PanelsReset(ModelFamily family)
{
    OnUiThread([this, family] { context_.Model().Reset(family); });
}

void PanelRefresher::ReadBackEnded()
{
    OnUiThread([this] { emit readBackEnded(); });
}

}  // namespace brevant
