#include "PanelContext.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QPointer>

#include <algorithm>

namespace brevant {

void PanelContext::ShowMessageBox(const QString& text)
{
    QMessageBox box(QMessageBox::NoIcon, QCoreApplication::applicationName(), text, QMessageBox::Ok);
    box.exec();
}

PanelContext::PanelContext(DeviceLink& link, CommandQueue& queue, Tell tell, QObject* parent)
    : QObject(parent)
    , m_link(link)
    , m_queue(queue)
    , m_tell(std::move(tell))
{
}

PanelContext::~PanelContext() = default;

int PanelContext::Family() const
{
    return m_link.State().params.DeviceFamily == 2 ? 2 : 1;
}

std::vector<int> PanelContext::ChannelsReached(int channelIndex, bool absentOnFirstChannel) const
{
    if (!Group())
        return {channelIndex};
    const int first = absentOnFirstChannel && Family() == 2 ? 1 : 0;
    std::vector<int> channels;
    for (int k = first; k < kChannels; ++k)
        channels.push_back(k);
    return channels;
}

bool PanelContext::Send(std::vector<SettingChange> changes, std::function<void(bool)> done)
{
    const Report report = [this](std::string_view text, std::string_view) { TellUser(text); };
    std::function<void(const SendOutcome&)> onQueue;
    if (done) {
        // The outcome is known on the queue's thread; the caller hears of it
        // on the UI thread, and not at all once the context is gone.
        QPointer<PanelContext> self(this);
        onQueue = [self, done = std::move(done)](const SendOutcome& outcome) {
            const bool confirmed = outcome.Confirmed();
            QMetaObject::invokeMethod(
                QCoreApplication::instance(),
                [self, done, confirmed] {
                    if (self)
                        done(confirmed);
                },
                Qt::QueuedConnection);
        };
    }
    return PanelSend(m_link, m_queue, std::move(changes), report, std::move(onQueue));
}

void PanelContext::TellUser(std::string_view text) const
{
    if (m_tell)
        m_tell(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
}

int PanelContext::Slot(Direction direction, int channelIndex, int paneKind)
{
    if (channelIndex < 0 || channelIndex >= kChannels || (paneKind != 1 && paneKind != 2))
        return -1;
    const int d = direction == Direction::Input ? 0 : 1;
    return (d * kChannels + channelIndex) * 2 + (paneKind - 1);
}

void PanelContext::RegisterPane(Direction direction, int channelIndex, int paneKind, CChannelPane* pane)
{
    if (const int slot = Slot(direction, channelIndex, paneKind); slot >= 0)
        m_panes[static_cast<std::size_t>(slot)] = pane;
}

void PanelContext::UnregisterPane(const CChannelPane* pane)
{
    std::replace(m_panes.begin(), m_panes.end(), const_cast<CChannelPane*>(pane), static_cast<CChannelPane*>(nullptr));
}

CChannelPane* PanelContext::Pane(Direction direction, int channelIndex, int paneKind) const
{
    const int slot = Slot(direction, channelIndex, paneKind);
    return slot < 0 ? nullptr : m_panes[static_cast<std::size_t>(slot)];
}

}  // namespace brevant
