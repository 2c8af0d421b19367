#include "ui/views/CoalescedRefresh.h"

#include <QCoreApplication>
#include <QMetaObject>

#include <atomic>

namespace brevant {

struct CoalescedRefresh::Shared {
    std::atomic<bool> pending{false};
    std::function<void()> refresh;  // touched on the UI thread only; emptied at destruction
};

CoalescedRefresh::CoalescedRefresh(std::function<void()> refresh) : shared_(std::make_shared<Shared>())
{
    shared_->refresh = std::move(refresh);
}

CoalescedRefresh::~CoalescedRefresh()
{
    shared_->refresh = nullptr;
}

std::function<void()> CoalescedRefresh::Notifier() const
{
    return [shared = shared_] {
        if (shared->pending.exchange(true))
            return;  // the refresh already waiting will show this change too
        // Posted to the application object rather than to the widget, which
        // may be gone by the time the call is delivered.
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [shared] {
                // Cleared first: a change made during the refresh asks for another.
                shared->pending = false;
                if (shared->refresh)
                    shared->refresh();
            },
            Qt::QueuedConnection);
    };
}

}  // namespace brevant
