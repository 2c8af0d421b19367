#include "CSkinnedTrackbar.h"

#include "Notifications.h"
#include "ResourceRegistry.h"

#include <QEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMetaObject>
#include <QMouseEvent>
#include <QPainter>
#include <QPen>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <limits>

namespace brevant {

namespace {

// Held on the channel, the first page waits this long before it repeats, and
// then repeats this often.
constexpr int kPageRepeatDelayMs = 400;
constexpr int kPageRepeatIntervalMs = 100;

// Size along the travel when there is no channel image, and across it when
// there is no image at all.
constexpr int kDefaultLength = 100;
constexpr int kDefaultThickness = 20;

}  // namespace

CSkinnedTrackbar::CSkinnedTrackbar(QWidget* parent)
    : CSkinnedTrackbar(0, parent)
{
}

CSkinnedTrackbar::CSkinnedTrackbar(int controlId, QWidget* parent)
    : QWidget(parent)
{
    SetControlId(controlId);
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    m_pageRepeat.setSingleShot(true);
    connect(&m_pageRepeat, &QTimer::timeout, this, &CSkinnedTrackbar::RepeatPage);
}

CSkinnedTrackbar::~CSkinnedTrackbar() = default;

void CSkinnedTrackbar::SetControlId(int controlId)
{
    m_controlId = controlId;
    setProperty("controlId", controlId);
}

void CSkinnedTrackbar::SetRange(int minimum, int maximum, bool redraw)
{
    m_minimum = std::min(minimum, maximum);
    m_maximum = std::max(minimum, maximum);
    m_position = Clamped(m_position);
    if (redraw)
        update();
}

void CSkinnedTrackbar::SetPos(int position)
{
    m_position = Clamped(position);
    update();
}

void CSkinnedTrackbar::SetOrientation(bool vertical)
{
    if (vertical == m_vertical)
        return;
    m_vertical = vertical;
    setSizePolicy(vertical ? QSizePolicy::Fixed : QSizePolicy::Preferred,
                  vertical ? QSizePolicy::Preferred : QSizePolicy::Fixed);
    updateGeometry();
    update();
}

bool CSkinnedTrackbar::LoadImages(int thumbBitmapId, int channelBeforeBitmapId,
                                  int channelAfterBitmapId)
{
    m_ratio = devicePixelRatioF();
    const QImage thumb = res::Bitmap(thumbBitmapId, m_ratio);
    const QImage before = res::Bitmap(channelBeforeBitmapId, m_ratio);
    const QImage after = res::Bitmap(channelAfterBitmapId, m_ratio);
    const bool loaded = !thumb.isNull() && !before.isNull() && !after.isNull();
    SetImages(loaded ? thumb : QImage(), loaded ? before : QImage(), loaded ? after : QImage());
    if (loaded) {
        m_thumbId = thumbBitmapId;
        m_beforeId = channelBeforeBitmapId;
        m_afterId = channelAfterBitmapId;
    }
    return loaded;
}

void CSkinnedTrackbar::SetImages(const QImage& thumb, const QImage& channelBefore,
                                 const QImage& channelAfter)
{
    m_thumb = thumb;
    m_before = channelBefore;
    m_after = channelAfter;
    m_thumbId = m_beforeId = m_afterId = 0;
    updateGeometry();
    update();
}

// Images from the resources are made again at a new pixel ratio so they stay
// crisp after the window has moved to another screen.
void CSkinnedTrackbar::ReloadForRatio()
{
    const qreal ratio = devicePixelRatioF();
    if (qFuzzyCompare(ratio, m_ratio) || m_thumbId == 0)
        return;
    m_ratio = ratio;
    const QImage thumb = res::Bitmap(m_thumbId, ratio);
    const QImage before = res::Bitmap(m_beforeId, ratio);
    const QImage after = res::Bitmap(m_afterId, ratio);
    if (!thumb.isNull() && !before.isNull() && !after.isNull()) {
        m_thumb = thumb;
        m_before = before;
        m_after = after;
    }
}

int CSkinnedTrackbar::Length() const { return m_vertical ? height() : width(); }

int CSkinnedTrackbar::ThumbLength() const
{
    const QSize size = res::LogicalSize(m_thumb);
    return m_vertical ? size.height() : size.width();
}

int CSkinnedTrackbar::Along(QPoint point) const { return m_vertical ? point.y() : point.x(); }

int CSkinnedTrackbar::Clamped(long long position) const
{
    return static_cast<int>(std::clamp<long long>(position, m_minimum, m_maximum));
}

int CSkinnedTrackbar::PosToPixel(int position) const
{
    const int half = ThumbLength() / 2;
    const int travel = std::max(0, Length() - ThumbLength());
    const double range = double(m_maximum) - double(m_minimum);
    if (range <= 0)
        return half;
    const double fraction = (double(Clamped(position)) - double(m_minimum)) / range;
    return half + static_cast<int>(std::lround(fraction * travel));
}

int CSkinnedTrackbar::PixelToPos(int pixel) const
{
    const int travel = Length() - ThumbLength();
    if (travel <= 0)
        return m_minimum;
    const double fraction = (double(pixel) - ThumbLength() / 2) / double(travel);
    const double range = double(m_maximum) - double(m_minimum);
    const double position = std::clamp(std::round(fraction * range) + double(m_minimum),
                                       double(m_minimum), double(m_maximum));
    return static_cast<int>(position);
}

int CSkinnedTrackbar::ThumbStart() const { return PosToPixel(m_position) - ThumbLength() / 2; }

QSize CSkinnedTrackbar::sizeHint() const
{
    const QSize thumb = res::LogicalSize(m_thumb);
    const QSize channel = res::LogicalSize(m_before).expandedTo(res::LogicalSize(m_after));
    int length = m_vertical ? channel.height() : channel.width();
    if (length <= 0)
        length = kDefaultLength;
    int thickness = m_vertical ? std::max(thumb.width(), channel.width())
                               : std::max(thumb.height(), channel.height());
    if (thickness <= 0)
        thickness = kDefaultThickness;
    return m_vertical ? QSize(thickness, length) : QSize(length, thickness);
}

QSize CSkinnedTrackbar::minimumSizeHint() const
{
    const QSize hint = sizeHint();
    const int thumb = std::max(ThumbLength(), 1);
    return m_vertical ? QSize(hint.width(), thumb) : QSize(thumb, hint.height());
}

void CSkinnedTrackbar::Post(int code)
{
    const int position = m_position;
    QMetaObject::invokeMethod(this, [this, code, position] { emit scrolled(code, position); },
                              Qt::QueuedConnection);
}

bool CSkinnedTrackbar::IsScrollKey(int key)
{
    switch (key) {
    case Qt::Key_Left:
    case Qt::Key_Up:
    case Qt::Key_Right:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Home:
    case Qt::Key_End:
        return true;
    default:
        return false;
    }
}

void CSkinnedTrackbar::keyPressEvent(QKeyEvent* event)
{
    if (!isEnabled() || !IsScrollKey(event->key())) {
        QWidget::keyPressEvent(event);
        return;
    }
    long long wanted = m_position;
    int code = kScrollLineUp;
    switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Up:
        wanted -= m_lineSize;
        code = kScrollLineUp;
        break;
    case Qt::Key_Right:
    case Qt::Key_Down:
        wanted += m_lineSize;
        code = kScrollLineDown;
        break;
    case Qt::Key_PageUp:
        wanted -= m_pageSize;
        code = kScrollPageUp;
        break;
    case Qt::Key_PageDown:
        wanted += m_pageSize;
        code = kScrollPageDown;
        break;
    case Qt::Key_Home:
        wanted = m_minimum;
        code = kScrollTop;
        break;
    default:  // Qt::Key_End
        wanted = m_maximum;
        code = kScrollBottom;
        break;
    }
    m_position = Clamped(wanted);
    update();
    Post(code);
    event->accept();
}

void CSkinnedTrackbar::keyReleaseEvent(QKeyEvent* event)
{
    // A held key repeats its step; the action ends when the key comes up.
    if (!isEnabled() || !IsScrollKey(event->key()) || event->isAutoRepeat()) {
        QWidget::keyReleaseEvent(event);
        return;
    }
    Post(kScrollEnd);
    event->accept();
}

void CSkinnedTrackbar::wheelEvent(QWheelEvent* event)
{
    if (!isEnabled()) {
        QWidget::wheelEvent(event);
        return;
    }
    // One notch (120) is a line, away from the user towards the minimum; each
    // step is a whole action, reported like a key that is pressed and let go.
    const int notches = m_wheel.Take(*event);
    event->accept();
    if (notches == 0)
        return;
    const int wanted = Clamped(static_cast<long long>(m_position) - static_cast<long long>(notches) * m_lineSize);
    if (wanted == m_position)
        return;
    m_position = wanted;
    update();
    Post(notches > 0 ? kScrollLineUp : kScrollLineDown);
    Post(kScrollEnd);
}

// Moves a page from the thumb towards `along`, unless the thumb has reached
// it already.
void CSkinnedTrackbar::PageTowards(int along)
{
    const int start = ThumbStart();
    if (along < start) {
        m_position = Clamped(static_cast<long long>(m_position) - m_pageSize);
        Post(kScrollPageUp);
    } else if (along >= start + std::max(ThumbLength(), 1)) {
        m_position = Clamped(static_cast<long long>(m_position) + m_pageSize);
        Post(kScrollPageDown);
    } else {
        return;
    }
    update();
}

void CSkinnedTrackbar::RepeatPage()
{
    if (!m_paging || !isEnabled())
        return;
    PageTowards(m_pageTarget);
    m_pageRepeat.start(kPageRepeatIntervalMs);
}

void CSkinnedTrackbar::mousePressEvent(QMouseEvent* event)
{
    if (!isEnabled() || event->button() != Qt::LeftButton || m_dragging || m_paging) {
        QWidget::mousePressEvent(event);
        return;
    }
    setFocus(Qt::MouseFocusReason);
    const int along = Along(event->position().toPoint());
    const int start = ThumbStart();
    if (along >= start && along < start + ThumbLength()) {
        m_dragging = true;
        m_dragOffset = along - PosToPixel(m_position);
    } else {
        m_paging = true;
        m_pageTarget = along;
        PageTowards(along);
        m_pageRepeat.start(kPageRepeatDelayMs);
    }
    update();
    event->accept();
}

void CSkinnedTrackbar::mouseMoveEvent(QMouseEvent* event)
{
    if (!isEnabled() || !(m_dragging || m_paging)) {
        QWidget::mouseMoveEvent(event);
        return;
    }
    const int along = Along(event->position().toPoint());
    if (m_paging) {
        m_pageTarget = along;
    } else {
        const int position = PixelToPos(along - m_dragOffset);
        if (position != m_position) {
            m_position = position;
            update();
            Post(kScrollThumbTrack);
        }
    }
    event->accept();
}

void CSkinnedTrackbar::mouseReleaseEvent(QMouseEvent* event)
{
    if (!isEnabled() || event->button() != Qt::LeftButton || !(m_dragging || m_paging)) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    StopMouse();
    event->accept();
}

// Ends a drag or a held page click with the reports that close it.
void CSkinnedTrackbar::StopMouse()
{
    if (m_dragging)
        Post(kScrollThumbPosition);
    if (m_dragging || m_paging)
        Post(kScrollEnd);
    m_dragging = false;
    m_paging = false;
    m_pageRepeat.stop();
    update();
}

void CSkinnedTrackbar::focusInEvent(QFocusEvent* event)
{
    update();
    QWidget::focusInEvent(event);
}

void CSkinnedTrackbar::focusOutEvent(QFocusEvent* event)
{
    update();
    QWidget::focusOutEvent(event);
}

void CSkinnedTrackbar::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::EnabledChange && !isEnabled())
        StopMouse();
    QWidget::changeEvent(event);
}

void CSkinnedTrackbar::paintEvent(QPaintEvent* /*event*/)
{
    ReloadForRatio();
    QPainter painter(this);
    if (!isEnabled())
        painter.setOpacity(0.5);
    const int length = Length();
    const int centre = PosToPixel(m_position);

    // Each channel image stands for the whole length of the trackbar (scaled
    // along it when its length differs); the one before the thumb shows up
    // to the thumb's centre, the one after it from there on.
    auto drawChannel = [&](const QImage& image, int from, int to) {
        if (image.isNull() || to <= from || length <= 0)
            return;
        const QSize logical = res::LogicalSize(image);
        const qreal ratio = image.devicePixelRatio();
        if (m_vertical) {
            const qreal scale = qreal(logical.height()) / length;
            const int left = (width() - logical.width()) / 2;
            painter.drawImage(QRectF(left, from, logical.width(), to - from), image,
                              QRectF(0, from * scale * ratio, image.width(), (to - from) * scale * ratio));
        } else {
            const qreal scale = qreal(logical.width()) / length;
            const int top = (height() - logical.height()) / 2;
            painter.drawImage(QRectF(from, top, to - from, logical.height()), image,
                              QRectF(from * scale * ratio, 0, (to - from) * scale * ratio, image.height()));
        }
    };
    const int split = std::clamp(centre, 0, std::max(length, 0));
    drawChannel(m_before, 0, split);
    drawChannel(m_after, split, length);

    if (!m_thumb.isNull()) {
        const QSize thumb = res::LogicalSize(m_thumb);
        const QPointF topLeft = m_vertical
                                    ? QPointF((width() - thumb.width()) / 2, centre - thumb.height() / 2)
                                    : QPointF(centre - thumb.width() / 2, (height() - thumb.height()) / 2);
        painter.drawImage(topLeft, m_thumb);
    }

    if (hasFocus()) {
        painter.setOpacity(1.0);
        QPen pen(palette().color(QPalette::WindowText));
        pen.setStyle(Qt::DotLine);
        pen.setCosmetic(true);
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
    }
}

}  // namespace brevant
