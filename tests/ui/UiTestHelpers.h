// Small helpers shared by the widget tests: delivering what the widgets have
// posted, reading what a signal spy caught, and looking at pixels.
#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QObject>
#include <QRect>
#include <QSignalSpy>
#include <QThread>
#include <QWheelEvent>
#include <QWidget>

#include <utility>
#include <vector>

namespace brevant::test {

// Runs the event loop once, so queued notifications and repaints arrive.
inline void Deliver()
{
    QCoreApplication::processEvents();
}

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

// One turn of the mouse wheel over the middle of `widget` (120 is a notch away from the user).
inline void Wheel(QWidget& widget, int delta)
{
    const QPointF centre(widget.width() / 2.0, widget.height() / 2.0);
    QWheelEvent event(centre, widget.mapToGlobal(centre), QPoint(), QPoint(0, delta), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(&widget, &event);
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

// The first argument of every signal `spy` has caught, in order, once the
// event loop has delivered what was posted; the spy starts afresh.
inline std::vector<int> Take(QSignalSpy& spy)
{
    Deliver();
    std::vector<int> values;
    for (const QList<QVariant>& arguments : std::as_const(spy))
        values.push_back(arguments.value(0).toInt());
    spy.clear();
    return values;
}

}  // namespace brevant::test
