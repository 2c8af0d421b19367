// Hands "something changed" from any thread to one call on the UI thread.
// While a call is waiting, further notices fold into it, so a burst of
// changes costs one refresh.
//
// Thread-safety: the function Notifier() returns may be called from any
// thread, also while and after this object is destroyed; the refresh runs on
// the application object's (UI) thread and never after destruction, which
// must happen on that thread too.
#pragma once

#include <functional>
#include <memory>

namespace brevant {

class CoalescedRefresh {
public:
    explicit CoalescedRefresh(std::function<void()> refresh);
    ~CoalescedRefresh();
    CoalescedRefresh(const CoalescedRefresh&) = delete;
    CoalescedRefresh& operator=(const CoalescedRefresh&) = delete;

    // The notice to hand to an observer hook.
    std::function<void()> Notifier() const;

private:
    struct Shared;
    // Shared with every notice in flight, so a late one finds it alive.
    std::shared_ptr<Shared> shared_;
};

}  // namespace brevant
