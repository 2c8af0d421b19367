#include "CRoundSliderCtrl.h"

#include "Notifications.h"

#include <QFocusEvent>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QLinearGradient>
#include <QMetaObject>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QRegion>
#include <QResizeEvent>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace brevant {

namespace {

// The part of the range above the user's maximum, as a share of it.
constexpr double kGapFactor = 1.3;
constexpr double kGapShare = 0.3;
constexpr int kWheelNotch = 120;

// Qt measures arcs in sixteenths of a degree, counter-clockwise from three
// o'clock; the dial measures degrees clockwise from the top.
int QtArcAngle(double clockwiseFromTop)
{
    return static_cast<int>(std::lround((90.0 - clockwiseFromTop) * 16.0));
}

int QtArcSpan(double clockwiseDegrees)
{
    return static_cast<int>(std::lround(-clockwiseDegrees * 16.0));
}

}  // namespace

CRoundSliderCtrl::CRoundSliderCtrl(QWidget* parent)
    : CRoundSliderCtrl(0, parent)
{
}

CRoundSliderCtrl::CRoundSliderCtrl(int controlId, QWidget* parent)
    : QWidget(parent)
{
    SetControlId(controlId);
    setFocusPolicy(Qt::StrongFocus);
    SetRange(0, 359);
    m_lineSize = 1;
    m_pageSize = 10;
    UpdateMask();
}

void CRoundSliderCtrl::SetControlId(int controlId)
{
    m_controlId = controlId;
    setProperty("controlId", controlId);
}

void CRoundSliderCtrl::SetRange(int min, int max)
{
    m_userMin = min;
    m_userMax = max;
    m_min = min;
    // The part above the user's maximum is the gap of the dial.
    m_max = std::max(min, static_cast<int>(std::trunc(kGapFactor * max)));
    m_pos = std::clamp(m_pos, m_min, m_max);
    update();
}

void CRoundSliderCtrl::SetPos(int pos)
{
    pos = std::clamp(pos, m_min, m_max);
    if (pos == m_pos)
        return;
    m_pos = pos;
    update();
}

void CRoundSliderCtrl::SetInverted(bool inverted)
{
    if (inverted == m_inverted)
        return;
    m_inverted = inverted;
    update();
}

void CRoundSliderCtrl::SetZeroAngle(int degrees)
{
    m_zeroAngle = degrees;
    update();
}

QString CRoundSliderCtrl::Text() const
{
    return QString::asprintf("%ld", static_cast<long>(m_pos));
}

QSize CRoundSliderCtrl::sizeHint() const
{
    return {48, 48};
}

QSize CRoundSliderCtrl::minimumSizeHint() const
{
    const int side = 2 * (m_dotRadius + 1) + 8;
    return {side, side};
}

bool CRoundSliderCtrl::ApplyPoint(QPointF point)
{
    const QPoint centre = KnobCentre();
    double dx = point.x() - centre.x();
    const double dy = point.y() - centre.y();
    if (m_inverted)
        dx = -dx;

    // The pointer's angle in degrees clockwise from the top.
    double angle;
    if (dx != 0.0) {
        angle = 90.0 - std::atan(-dy / dx) * 180.0 / std::numbers::pi;
        if (dx < 0.0)
            angle += 180.0;
    } else {
        angle = dy >= 0.0 ? 180.0 : 0.0;
    }
    // Measured from the minimum instead.
    angle = std::fmod(angle - m_zeroAngle, 360.0);
    if (angle < 0.0)
        angle += 360.0;
    if (angle >= 360.0)
        angle = 0.0;

    const int span = m_max + 1 - m_min;
    const int target = m_min + static_cast<int>(std::trunc(span * angle / 360.0));
    if (target == m_pos)
        return false;

    // One step towards the pointer, never more.
    int next;
    if (target > span) {
        // In the gap: back towards the maximum from its near half, towards the
        // minimum from the far half.
        const int halfGap = static_cast<int>(std::trunc(kGapShare * span)) / 2;
        next = target - span <= halfGap ? m_pos + 1 : m_pos - 1;
        next = std::min(next, m_max);
    } else {
        next = target <= m_pos ? m_pos - 1 : m_pos + 1;
    }
    next = std::clamp(next, m_min, m_max);
    if (next == m_pos)
        return false;
    m_pos = next;
    return true;
}

double CRoundSliderCtrl::AngleOf(int pos) const
{
    const int span = m_max + 1 - m_min;
    double angle = std::fmod(m_zeroAngle + (pos - m_min) * 360.0 / span, 360.0);
    if (angle < 0.0)
        angle += 360.0;
    return m_inverted ? 360.0 - angle : angle;
}

QPoint CRoundSliderCtrl::KnobCentre() const
{
    const int side = std::min(width(), height());
    return {side / 2, side / 2};
}

int CRoundSliderCtrl::KnobRadius() const
{
    return std::min(width(), height()) / 2 - m_dotRadius - 1;
}

void CRoundSliderCtrl::UpdateMask()
{
    // Round, so the panel shows through the corners and clicks there miss.
    const int side = std::min(width(), height());
    if (side > 0)
        setMask(QRegion(QRect(0, 0, side, side), QRegion::Ellipse));
    else
        clearMask();
}

void CRoundSliderCtrl::Post(int code)
{
    // Queued, so the parent hears of the move from the event loop, after the
    // handler that caused it has finished.
    QMetaObject::invokeMethod(
        this, [this, code, pos = m_pos] { emit scrolled(code, pos); }, Qt::QueuedConnection);
}

void CRoundSliderCtrl::resizeEvent(QResizeEvent* event)
{
    UpdateMask();
    QWidget::resizeEvent(event);
}

void CRoundSliderCtrl::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    const QPointF offset = event->position() - QPointF(KnobCentre());
    if (m_dragOnKnobOnly && std::hypot(offset.x(), offset.y()) > m_dotRadius) {
        event->ignore();
        return;
    }
    // Qt keeps sending the mouse to this widget until the button is released.
    setFocus(Qt::MouseFocusReason);
    m_dragging = true;
    m_moved = false;
    if (ApplyPoint(event->position())) {
        m_moved = true;
        Post(kScrollThumbTrack);
    }
    update();
    event->accept();
}

void CRoundSliderCtrl::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_dragging) {
        QWidget::mouseMoveEvent(event);
        return;
    }
    if (ApplyPoint(event->position())) {
        m_moved = true;
        Post(kScrollThumbTrack);
        update();
    }
    event->accept();
}

void CRoundSliderCtrl::mouseReleaseEvent(QMouseEvent* event)
{
    if (!m_dragging || event->button() != Qt::LeftButton) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    m_dragging = false;
    if (ApplyPoint(event->position())) {
        m_moved = true;
        Post(kScrollThumbTrack);
    }
    if (m_moved) {
        Post(kScrollThumbPosition);
        m_moved = false;
    }
    update();
    event->accept();
}

void CRoundSliderCtrl::wheelEvent(QWheelEvent* event)
{
    const QPointF offset = event->position() - QPointF(KnobCentre());
    if (std::hypot(offset.x(), offset.y()) > KnobRadius() + m_dotRadius) {
        event->ignore();
        return;
    }
    const QPoint delta = event->angleDelta();
    m_wheelRemainder += delta.y() != 0 ? delta.y() : delta.x();
    const int notches = m_wheelRemainder / kWheelNotch;
    m_wheelRemainder %= kWheelNotch;
    event->accept();
    if (notches == 0)
        return;
    // As on a trackbar: turning the wheel away from the user is a line up,
    // towards the minimum.
    // Each step is a whole turn of the knob: it ends at once, as a key that
    // is let go ends, so the owner sends the new value.
    const int pos = std::clamp(m_pos - notches * m_lineSize, m_min, m_max);
    if (pos != m_pos) {
        m_pos = pos;
        Post(notches > 0 ? kScrollLineUp : kScrollLineDown);
        Post(kScrollEnd);
    }
    update();
}

void CRoundSliderCtrl::keyPressEvent(QKeyEvent* event)
{
    int pos = m_pos;
    int code;
    switch (event->key()) {
    case Qt::Key_PageUp:
        pos -= m_pageSize;
        code = kScrollPageUp;
        break;
    case Qt::Key_PageDown:
        pos += m_pageSize;
        code = kScrollPageDown;
        break;
    case Qt::Key_Left:
    case Qt::Key_Up:
        pos -= m_lineSize;
        code = kScrollLineUp;
        break;
    case Qt::Key_Right:
    case Qt::Key_Down:
        pos += m_lineSize;
        code = kScrollLineDown;
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    // The keys go round the dial: past one end they come in at the other.
    const int span = m_max + 1 - m_min;
    if (pos < m_min)
        pos += span;
    else if (pos > m_max)
        pos -= span;
    m_pos = std::clamp(pos, m_min, m_max);
    update();
    Post(code);
    event->accept();
}

void CRoundSliderCtrl::keyReleaseEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Left:
    case Qt::Key_Up:
    case Qt::Key_Right:
    case Qt::Key_Down:
        // A held key repeats press and release; the scroll ends when it is let go.
        if (!event->isAutoRepeat())
            Post(kScrollEnd);
        event->accept();
        return;
    default:
        QWidget::keyReleaseEvent(event);
    }
}

void CRoundSliderCtrl::focusInEvent(QFocusEvent* event)
{
    update();
    QWidget::focusInEvent(event);
}

void CRoundSliderCtrl::focusOutEvent(QFocusEvent* event)
{
    update();
    QWidget::focusOutEvent(event);
}

void CRoundSliderCtrl::paintEvent(QPaintEvent* /*event*/)
{
    const int side = std::min(width(), height());
    if (side <= 0)
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);

    const QPalette& pal = palette();
    const QColor face = pal.color(QPalette::Button);
    const QColor accent = pal.color(QPalette::Highlight);
    const QColor text = pal.color(QPalette::ButtonText);
    const bool dark = face.lightness() < 128;

    // Outside the face (only the corners of the square, which the mask hides
    // anyway) the panel's own colour.
    painter.fillRect(rect(), pal.color(QPalette::Window));

    // The face: the round of the square, lit from above. It stops a pixel
    // short of the mask, whose edge is stepped in whole pixels, so the smooth
    // edge of the face is what shows.
    const QPointF centre(side / 2.0, side / 2.0);
    const int radius = KnobRadius();
    const double faceRadius = side / 2.0 - 1.5;
    QLinearGradient light(0, 0, 0, side);
    light.setColorAt(0.0, face.lighter(dark ? 135 : 112));
    light.setColorAt(1.0, face.darker(dark ? 115 : 118));
    const QColor rim = hasFocus() ? accent : face.darker(dark ? 170 : 150);
    painter.setPen(QPen(rim, hasFocus() ? 1.5 : 1.0));
    painter.setBrush(light);
    painter.drawEllipse(centre, faceRadius, faceRadius);

    // The groove the dot runs in: the user's part of the dial, and the part
    // from the minimum to the position in the accent colour.
    const double span = m_max + 1 - m_min;
    const double degreesPerStep = 360.0 / span;
    const double direction = m_inverted ? -1.0 : 1.0;
    if (radius > 0) {
        const QRectF track(centre.x() - radius, centre.y() - radius, 2.0 * radius, 2.0 * radius);
        const double grooveWidth = std::max(2.0, m_dotRadius * 0.9);
        QColor groove = face.darker(dark ? 160 : 125);
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(groove, grooveWidth, Qt::SolidLine, Qt::RoundCap));
        const double userSweep = std::clamp(m_userMax - m_min, 0, m_max - m_min) * degreesPerStep;
        painter.drawArc(track, QtArcAngle(AngleOf(m_min)), QtArcSpan(direction * userSweep));
        const double valueSweep = (m_pos - m_min) * degreesPerStep;
        if (valueSweep > 0.0) {
            QColor fill = accent;
            fill.setAlpha(dark ? 200 : 170);
            painter.setPen(QPen(fill, grooveWidth, Qt::SolidLine, Qt::RoundCap));
            painter.drawArc(track, QtArcAngle(AngleOf(m_min)), QtArcSpan(direction * valueSweep));
        }

        // The dot at the position.
        const double angle = AngleOf(m_pos) * std::numbers::pi / 180.0;
        const QPointF dot(centre.x() + radius * std::sin(angle), centre.y() - radius * std::cos(angle));
        const double dotSize = std::max(2.0, m_dotRadius - 1.5);
        QRadialGradient shine(dot - QPointF(dotSize / 3.0, dotSize / 3.0), dotSize * 1.4);
        shine.setColorAt(0.0, QColor(255, 255, 255));
        shine.setColorAt(1.0, accent.lighter(130));
        painter.setPen(QPen(accent.darker(160), 1.0));
        painter.setBrush(shine);
        painter.drawEllipse(dot, dotSize, dotSize);
    }

    // The value in the middle, as large as fits inside the groove.
    const double inner = std::max(4.0, radius - m_dotRadius * 0.6);
    QFont font = this->font();
    double pixels = std::max(6.0, inner * 0.8);
    font.setPixelSize(static_cast<int>(pixels));
    const QString value = Text();
    while (pixels > 6.0 && QFontMetricsF(font).horizontalAdvance(value) > inner * 1.9) {
        pixels -= 1.0;
        font.setPixelSize(static_cast<int>(pixels));
    }
    painter.setFont(font);
    painter.setPen(text);
    const QRectF middle(centre.x() - inner, centre.y() - inner, 2.0 * inner, 2.0 * inner);
    painter.drawText(middle, Qt::AlignCenter, value);
}

}  // namespace brevant
