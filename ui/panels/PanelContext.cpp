#include "ui/panels/PanelContext.h"

#include "ui/panels/UiHandOff.h"

#include <QCoreApplication>
#include <QGridLayout>
#include <QMessageBox>
#include <QPointer>
#include <QSpacerItem>
#include <QStringList>

#include <algorithm>

namespace brevant {

void PanelContext::ShowMessageBox(const QString& text)
{
    QMessageBox box(QMessageBox::NoIcon, QCoreApplication::applicationName(), text, QMessageBox::Ok);
    // A short text makes a narrow box, and a window manager then cuts the
    // title; a spacer across the bottom keeps room for the whole title and
    // the frame's buttons beside it.
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
        constexpr int kFrameButtons = 160;
        const int title = box.fontMetrics().horizontalAdvance(box.windowTitle()) + kFrameButtons;
        grid->addItem(new QSpacerItem(title, 0, QSizePolicy::Minimum, QSizePolicy::Fixed), grid->rowCount(),
                      0, 1, grid->columnCount());
    }
    box.exec();
}

PanelContext::PanelContext(DeviceLink& link, CommandQueue& queue, Tell tell, QObject* parent)
    : QObject(parent), link_(link), queue_(queue), tell_(std::move(tell))
{
}

PanelContext::~PanelContext() = default;

std::vector<int> PanelContext::ChannelsReached(int channelIndex, bool absentOnFirstChannel) const
{
    if (!Group())
        return {channelIndex};
    const int first = absentOnFirstChannel && Family() == ModelFamily::K217K218 ? 1 : 0;
    std::vector<int> channels;
    for (int k = first; k < kChannels; ++k)
        channels.push_back(k);
    return channels;
}

bool PanelContext::Send(std::vector<SettingChange> changes, std::function<void(const SendOutcome&)> done)
{
    const Report report = [this](std::string_view text, std::string_view) { TellUser(text); };
    // A setting the connected model does not have is never sent.
    const ModelFamily family = model_.Family();
    if (Connected() && family != ModelFamily::Unknown) {
        std::erase_if(changes,
                      [family](const SettingChange& c) { return !CommandFor(c.op).HasOn(family, c.at.a); });
        if (changes.empty())
            return false;
    }
    std::vector<SettingRef> sent;
    for (const SettingChange& change : changes)
        sent.push_back({change.op, change.at});
    // The outcome is known on the queue's thread; the model and the caller
    // hear of it on the UI thread, and not at all once the context is gone.
    QPointer<PanelContext> self(this);
    auto onQueue = [self, sent = std::move(sent), done = std::move(done)](const SendOutcome& outcome) {
        PostToUi(QCoreApplication::instance(), [self, sent, done, outcome] {
            if (self)
                self->TakeOutcome(sent, outcome);
            if (self && done)
                done(outcome);
        });
    };
    std::vector<SettingChange> chosen = changes;
    if (!PanelSend(link_, queue_, std::move(changes), report, std::move(onQueue)))
        return false;
    // The user's choice shows at once, on every channel it reaches.
    model_.TakeChoices(chosen);
    model_.Flush();
    return true;
}

void PanelContext::Run(QObject* receiver, Work work)
{
    QPointer<QObject> target(receiver);
    queue_.Post([&link = link_, target, work = std::move(work)] {
        std::function<void()> finish = work(link);
        PostToUi(QCoreApplication::instance(), [target, finish = std::move(finish)] {
            if (target && finish)
                finish();
        });
    });
}

void PanelContext::TakeOutcome(const std::vector<SettingRef>& sent, const SendOutcome& outcome)
{
    std::vector<SettingRef> confirmed;
    for (const SettingRef& s : sent) {
        const bool failed =
            std::any_of(outcome.unconfirmed.begin(), outcome.unconfirmed.end(), [&](const SettingChange& c) {
                return SettingRef{c.op, c.at} == s;
            });
        if (!failed)
            confirmed.push_back(s);
    }
    model_.DropChoices(sent);
    model_.TakeSettings(link_.State().params, confirmed, outcome.unknown);
    if (outcome.Confirmed())
        return;
    QStringList texts;
    for (const SettingChange& change : outcome.unconfirmed)
        texts << QString::fromStdString(UnconfirmedText(change));
    model_.SetNotice(texts.join(QStringLiteral("; ")));
}

void PanelContext::TellUser(std::string_view text) const
{
    if (tell_)
        tell_(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
}

}  // namespace brevant
