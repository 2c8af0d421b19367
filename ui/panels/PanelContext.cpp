#include "ui/panels/PanelContext.h"

#include "qtcore/HandOff.h"

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

namespace {

std::vector<SettingRef> RefsOf(const std::vector<SettingChange>& changes)
{
    std::vector<SettingRef> refs;
    for (const SettingChange& change : changes)
        refs.push_back({change.op, change.at});
    return refs;
}

}  // namespace

bool PanelContext::Send(std::vector<SettingChange> changes, std::function<void(const SendOutcome&)> done)
{
    // Without a device (a Disconnect in mid-drag, say) nothing goes out and
    // nothing is said: the controls are greyed by then.
    if (!Connected() || !model_.Connected())
        return false;
    // A setting the connected model does not have is never sent.
    const ModelFamily family = model_.Family();
    if (family != ModelFamily::Unknown) {
        std::erase_if(changes,
                      [family](const SettingChange& c) { return !CommandFor(c.op).HasOn(family, c.at.a); });
        if (changes.empty())
            return false;
    }
    // Nor is a change of a setting whose value the window does not hold: it
    // would be a step from a placeholder, not a value the user chose.
    if (std::any_of(changes.begin(), changes.end(),
                    [this](const SettingChange& c) { return !model_.TakesInput(c.op, c.at); }))
        return false;
    Batch batch{std::move(changes), std::move(done)};
    const std::vector<SettingRef> refs = RefsOf(batch.changes);
    if (!std::any_of(refs.begin(), refs.end(), [this](const SettingRef& s) { return InFlight(s); }))
        return Dispatch(std::move(batch));
    // One of them is still on its way: the newest choice waits for its
    // answer, replacing a step that waits for the same settings.
    model_.TakeChoices(batch.changes);
    model_.Flush();
    const auto same = std::find_if(waiting_.begin(), waiting_.end(),
                                   [&](const Batch& w) { return RefsOf(w.changes) == refs; });
    if (same != waiting_.end())
        *same = std::move(batch);
    else
        waiting_.push_back(std::move(batch));
    return true;
}

bool PanelContext::InFlight(const SettingRef& setting) const
{
    return std::find(inFlight_.begin(), inFlight_.end(), setting) != inFlight_.end();
}

bool PanelContext::Waiting(const SettingRef& setting) const
{
    return std::any_of(waiting_.begin(), waiting_.end(), [&](const Batch& w) {
        return std::any_of(w.changes.begin(), w.changes.end(), [&](const SettingChange& c) {
            return SettingRef{c.op, c.at} == setting;
        });
    });
}

bool PanelContext::Dispatch(Batch batch)
{
    const Report report = [this](std::string_view text, std::string_view) { TellUser(text); };
    std::vector<SettingRef> sent = RefsOf(batch.changes);
    // The outcome is known on the queue's thread; the model and the caller
    // hear of it on the UI thread, and not at all once the context is gone.
    QPointer<PanelContext> self(this);
    auto onQueue = [self, sent, done = std::move(batch.done)](const SendOutcome& outcome) {
        PostTo(QCoreApplication::instance(), [self, sent, done, outcome] {
            if (self)
                self->TakeOutcome(sent, outcome);
            if (self && done)
                done(outcome);
        });
    };
    std::vector<SettingChange> chosen = batch.changes;
    if (!PanelSend(link_, queue_, std::move(batch.changes), report, std::move(onQueue))) {
        model_.DropChoices(sent);
        return false;
    }
    inFlight_.insert(inFlight_.end(), sent.begin(), sent.end());
    // The user's choice shows at once, on every channel it reaches.
    model_.TakeChoices(chosen);
    model_.Flush();
    return true;
}

void PanelContext::SendWaiting()
{
    if (!Connected() || !model_.Connected()) {
        waiting_.clear();
        return;
    }
    // In the order they were chosen; one dispatched may hold back a later
    // one of the same settings.
    for (std::size_t i = 0; i < waiting_.size();) {
        const std::vector<SettingRef> refs = RefsOf(waiting_[i].changes);
        if (std::any_of(refs.begin(), refs.end(), [this](const SettingRef& s) { return InFlight(s); })) {
            ++i;
            continue;
        }
        Batch batch = std::move(waiting_[i]);
        waiting_.erase(waiting_.begin() + static_cast<std::ptrdiff_t>(i));
        Dispatch(std::move(batch));
    }
}

void PanelContext::Run(QObject* receiver, Work work)
{
    QPointer<QObject> target(receiver);
    queue_.Post([&link = link_, target, work = std::move(work)] {
        std::function<void()> finish = work(link);
        PostTo(QCoreApplication::instance(), [target, finish = std::move(finish)] {
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
    confirmed.insert(confirmed.end(), outcome.reread.begin(), outcome.reread.end());
    for (const SettingRef& s : sent) {
        if (const auto it = std::find(inFlight_.begin(), inFlight_.end(), s); it != inFlight_.end())
            inFlight_.erase(it);
    }
    // A choice stands until every send of its setting has been answered.
    std::vector<SettingRef> settled;
    for (const SettingRef& s : sent) {
        if (!InFlight(s) && !Waiting(s))
            settled.push_back(s);
    }
    model_.DropChoices(settled);
    model_.TakeSettings(link_.State().params, confirmed, outcome.unknown);
    SendWaiting();
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
