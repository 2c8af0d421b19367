// Small helpers shared by the widget tests: delivering what the widgets have
// posted, recording their notifications in order, and looking at pixels.
#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <QImage>
#include <QObject>
#include <QRect>
#include <QWidget>

#include <utility>
#include <vector>

namespace brevant::test {

// Runs the event loop once, so queued notifications and repaints arrive.
inline void Deliver() { QCoreApplication::processEvents(); }

// Runs the UI thread's events until `condition` holds; false when it has not
// after `limitMs`.
template <typename Condition>
bool Eventually(Condition condition, int limitMs = 10'000)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > limitMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(1);
    }
    return true;
}

inline QImage Solid(int width, int height, QRgb colour)
{
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(colour);
    return image;
}

// What the widget (and its children) show, as 32-bit ARGB.
inline QImage Grab(QWidget& widget)
{
    return widget.grab().toImage().convertToFormat(QImage::Format_ARGB32);
}

// The pixels of `area` for which `match` holds: how many, and their bounding box.
struct Extent {
    int count = 0;
    QRect box;
};

template <typename Match>
Extent Find(const QImage& image, const QRect& area, Match match)
{
    Extent found;
    const QRect r = area.intersected(image.rect());
    for (int y = r.top(); y <= r.bottom(); ++y) {
        for (int x = r.left(); x <= r.right(); ++x) {
            if (match(image.pixel(x, y))) {
                ++found.count;
                found.box |= QRect(x, y, 1, 1);
            }
        }
    }
    return found;
}

// One notification as the owner receives it: its arguments, led by the tag
// given to Watch() when there is one.
using Call = std::vector<int>;
using Calls = std::vector<Call>;

class SignalLog {
public:
    template <typename Widget>
    void Watch(Widget* sender, void (Widget::*signal)(int, int), Call tag = {})
    {
        QObject::connect(sender, signal, &m_context, [this, tag](int a, int b) {
            Call call = tag;
            call.push_back(a);
            call.push_back(b);
            m_calls.push_back(std::move(call));
        });
    }
    // What has arrived without the event loop running.
    const Calls& Arrived() const { return m_calls; }
    // Lets the event loop deliver, then hands over everything that arrived.
    Calls Take()
    {
        Deliver();
        return std::exchange(m_calls, {});
    }

private:
    QObject m_context;
    Calls m_calls;
};

}  // namespace brevant::test
