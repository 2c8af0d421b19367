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
    m_min = min;
    m_max = std::max(min, max);
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

bool CRoundSliderCtrl::ApplyDrag(QPointF point, Qt::KeyboardModifiers modifiers)
{
    const bool fine = modifiers.testFlag(Qt::ShiftModifier);
    if (fine != m_anchorFine) {
        m_anchorY = point.y();
        m_anchorPos = m_pos;
        m_anchorFine = fine;
    }
    const int pixelsPerStep = fine ? kFineDragPixelsPerStep : kDragPixelsPerStep;
    // Up the screen is a smaller y and a larger value.
    const double steps = (m_anchorY - point.y()) / pixelsPerStep;
    const int next = std::clamp(m_anchorPos + static_cast<int>(std::trunc(steps)) * m_lineSize, m_min, m_max);
    if (next == m_pos)
        return false;
    m_pos = next;
    return true;
}

double CRoundSliderCtrl::AngleOf(int pos) const
{
    const double share = m_max > m_min ? double(std::clamp(pos, m_min, m_max) - m_min) / (m_max - m_min) : 0.0;
    return std::fmod(kStartAngle + share * kSweepAngle, 360.0);
}

QPointF CRoundSliderCtrl::DotCentre(int pos) const
{
    const double angle = AngleOf(pos) * std::numbers::pi / 180.0;
    const QPointF centre(std::min(width(), height()) / 2.0, std::min(width(), height()) / 2.0);
    const int radius = KnobRadius();
    return {centre.x() + radius * std::sin(angle), centre.y() - radius * std::cos(angle)};
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
    // Qt keeps sending the mouse to this widget until the button is released.
    // A press alone changes nothing: only the drag that follows does.
    setFocus(Qt::MouseFocusReason);
    m_dragging = true;
    m_moved = false;
    m_anchorY = event->position().y();
    m_anchorPos = m_pos;
    m_anchorFine = event->modifiers().testFlag(Qt::ShiftModifier);
    update();
    event->accept();
}

void CRoundSliderCtrl::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_dragging) {
        QWidget::mouseMoveEvent(event);
        return;
    }
    if (ApplyDrag(event->position(), event->modifiers())) {
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
    if (ApplyDrag(event->position(), event->modifiers())) {
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
    const int notches = m_wheel.Take(*event);
    event->accept();
    if (notches == 0)
        return;
    // Turning the wheel away from the user raises the value. Each step is a
    // whole turn of the knob: it ends at once, as a key that is let go ends,
    // so the owner sends the new value.
    const int pos = std::clamp(m_pos + notches * m_lineSize, m_min, m_max);
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
        pos += m_pageSize;
        code = kScrollPageUp;
        break;
    case Qt::Key_PageDown:
        pos -= m_pageSize;
        code = kScrollPageDown;
        break;
    case Qt::Key_Right:
    case Qt::Key_Up:
        pos += m_lineSize;
        code = kScrollLineUp;
        break;
    case Qt::Key_Left:
    case Qt::Key_Down:
        pos -= m_lineSize;
        code = kScrollLineDown;
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    // The keys stop at the ends; the release still ends the scroll.
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

    // The groove the dot runs in: the whole sweep, and the part from the
    // minimum to the position in the accent colour. The gap at the bottom
    // keeps the two ends apart.
    if (radius > 0) {
        const QRectF track(centre.x() - radius, centre.y() - radius, 2.0 * radius, 2.0 * radius);
        const double grooveWidth = std::max(2.0, m_dotRadius * 0.9);
        QColor groove = face.darker(dark ? 160 : 125);
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(groove, grooveWidth, Qt::SolidLine, Qt::RoundCap));
        painter.drawArc(track, QtArcAngle(kStartAngle), QtArcSpan(kSweepAngle));
        const double valueSweep = std::fmod(AngleOf(m_pos) - kStartAngle + 360.0, 360.0);
        if (m_pos > m_min) {
            QColor fill = accent;
            fill.setAlpha(dark ? 200 : 170);
            painter.setPen(QPen(fill, grooveWidth, Qt::SolidLine, Qt::RoundCap));
            painter.drawArc(track, QtArcAngle(kStartAngle), QtArcSpan(valueSweep));
        }

        // The dot at the position.
        const QPointF dot = DotCentre(m_pos);
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
