// Runs `apply` on the thread of `receiver` (the window's UI thread, the
// service's main thread) through Qt's event queue, after everything the
// calling thread did before the call.
//
// Qt's queue orders the two threads, but Qt's libraries are not built with
// ThreadSanitizer, so in a ThreadSanitizer build the hand-off is also made
// visible to it: the caller holds a mutex while it posts, and the delivery
// takes the same mutex before it runs `apply`. Elsewhere this is a plain
// queued call.
//
// Thread-safety: any thread; `apply` runs on the receiver's thread.
#pragma once

#include <QMetaObject>
#include <QObject>

#include <utility>

#if defined(__SANITIZE_THREAD__)
#include <mutex>
#endif

namespace brevant {

template <typename F>
void PostTo(QObject* receiver, F apply)
{
#if defined(__SANITIZE_THREAD__)
    // One mutex for every hand-off: the delivery must reach it without
    // reading anything the posting thread wrote.
    static std::mutex posting;
    std::lock_guard lock(posting);
    QMetaObject::invokeMethod(
        receiver,
        [apply = std::move(apply)]() mutable {
            {
                std::lock_guard seen(posting);
            }
            apply();
        },
        Qt::QueuedConnection);
#else
    QMetaObject::invokeMethod(receiver, std::move(apply), Qt::QueuedConnection);
#endif
}

}  // namespace brevant
