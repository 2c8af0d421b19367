#include "ui/controls/RoundKnob.h"

#include "ui/controls/FormZoom.h"

#include <QFocusEvent>
#include <QFontMetricsF>
#include <QLinearGradient>
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

RoundKnob::RoundKnob(QWidget* parent) : RoundKnob(0, parent) {}

RoundKnob::RoundKnob(int controlId, QWidget* parent) : DrawnSlider(controlId, KeyStepEnds::OnRelease, parent)
{
    setRange(0, 359);
    setSingleStep(1);
    setPageStep(10);
    UpdateMask();
}

QString RoundKnob::Text() const
{
    return QString::asprintf("%ld", static_cast<long>(sliderPosition()));
}

QSize RoundKnob::sizeHint() const
{
    return zoom::Scaled(QSize(48, 48), zoom::Of(*this));
}

QSize RoundKnob::minimumSizeHint() const
{
    const int side = 2 * (dotRadius_ + 1) + 8;
    return zoom::Scaled(QSize(side, side), zoom::Of(*this));
}

int RoundKnob::Side() const
{
    const QSize base = zoom::BaseSize(*this);
    return std::min(base.width(), base.height());
}

bool RoundKnob::ApplyDrag(QPointF point, Qt::KeyboardModifiers modifiers)
{
    const bool fine = modifiers.testFlag(Qt::ShiftModifier);
    if (fine != anchorFine_) {
        anchorY_ = point.y();
        anchorPos_ = sliderPosition();
        anchorFine_ = fine;
    }
    const int pixelsPerStep = fine ? kFineDragPixelsPerStep : kDragPixelsPerStep;
    // Up the screen is a smaller y and a larger value.
    const double steps = (anchorY_ - point.y()) / pixelsPerStep;
    const long long next = std::clamp<long long>(
        anchorPos_ + static_cast<long long>(std::trunc(steps)) * singleStep(), minimum(), maximum());
    if (next == sliderPosition())
        return false;
    setSliderPosition(static_cast<int>(next));
    return true;
}

double RoundKnob::AngleOf(int pos) const
{
    const double low = minimum();
    const double high = maximum();
    const double share = high > low ? (std::clamp(double(pos), low, high) - low) / (high - low) : 0.0;
    return std::fmod(kStartAngle + share * kSweepAngle, 360.0);
}

QPointF RoundKnob::DotCentre(int pos) const
{
    const double angle = AngleOf(pos) * std::numbers::pi / 180.0;
    const QPointF centre(Side() / 2.0, Side() / 2.0);
    const int radius = KnobRadius();
    return {centre.x() + radius * std::sin(angle), centre.y() - radius * std::cos(angle)};
}

QPoint RoundKnob::KnobCentre() const
{
    const int side = Side();
    return {side / 2, side / 2};
}

int RoundKnob::KnobRadius() const
{
    return Side() / 2 - dotRadius_ - 1;
}

void RoundKnob::UpdateMask()
{
    // Round, so the panel shows through the corners and clicks there miss;
    // the mask is in the widget's own pixels.
    const int side = std::min(width(), height());
    if (side > 0)
        setMask(QRegion(QRect(0, 0, side, side), QRegion::Ellipse));
    else
        clearMask();
}

void RoundKnob::resizeEvent(QResizeEvent* event)
{
    UpdateMask();
    DrawnSlider::resizeEvent(event);
}

void RoundKnob::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        DrawnSlider::mousePressEvent(event);
        return;
    }
    // Qt keeps sending the mouse to this widget until the button is released.
    // A press alone changes nothing: only the drag that follows does.
    setFocus(Qt::MouseFocusReason);
    setSliderDown(true);
    moved_ = false;
    anchorY_ = zoom::ToBase(*this, event->position()).y();
    anchorPos_ = sliderPosition();
    anchorFine_ = event->modifiers().testFlag(Qt::ShiftModifier);
    update();
    event->accept();
}

void RoundKnob::mouseMoveEvent(QMouseEvent* event)
{
    if (!IsDragging()) {
        DrawnSlider::mouseMoveEvent(event);
        return;
    }
    if (ApplyDrag(zoom::ToBase(*this, event->position()), event->modifiers()))
        moved_ = true;
    event->accept();
}

void RoundKnob::mouseReleaseEvent(QMouseEvent* event)
{
    if (!IsDragging() || event->button() != Qt::LeftButton) {
        DrawnSlider::mouseReleaseEvent(event);
        return;
    }
    if (ApplyDrag(zoom::ToBase(*this, event->position()), event->modifiers()))
        moved_ = true;
    setSliderDown(false);
    // A click that never moved the knob leaves nothing to finish.
    if (moved_) {
        PostChangeFinished();
        moved_ = false;
    }
    update();
    event->accept();
}

void RoundKnob::wheelEvent(QWheelEvent* event)
{
    const QPointF offset = zoom::ToBase(*this, event->position()) - QPointF(KnobCentre());
    if (std::hypot(offset.x(), offset.y()) > KnobRadius() + dotRadius_) {
        event->ignore();
        return;
    }
    // Turning the wheel away from the user raises the value. Each step is a
    // whole turn of the knob, finished at once as a key that is let go.
    StepByWheel(*event, +1);
    event->accept();
}

QAbstractSlider::SliderAction RoundKnob::KeyAction(int key) const
{
    switch (key) {
    case Qt::Key_PageUp: return SliderPageStepAdd;
    case Qt::Key_PageDown: return SliderPageStepSub;
    case Qt::Key_Right:
    case Qt::Key_Up: return SliderSingleStepAdd;
    case Qt::Key_Left:
    case Qt::Key_Down: return SliderSingleStepSub;
    default: return SliderNoAction;
    }
}

void RoundKnob::focusInEvent(QFocusEvent* event)
{
    update();
    DrawnSlider::focusInEvent(event);
}

void RoundKnob::focusOutEvent(QFocusEvent* event)
{
    update();
    DrawnSlider::focusOutEvent(event);
}

void RoundKnob::paintEvent(QPaintEvent* /*event*/)
{
    const int side = Side();
    if (side <= 0)
        return;
    QPainter painter(this);
    const double scale = zoom::Of(*this);
    if (scale != 1.0)
        painter.scale(scale, scale);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);

    const QPalette& pal = palette();
    const QColor face = pal.color(QPalette::Button);
    const QColor accent = pal.color(QPalette::Highlight);
    const QColor text = pal.color(QPalette::ButtonText);
    const bool dark = face.lightness() < 128;

    // Outside the face (only the corners of the square, which the mask hides
    // anyway) the panel's own colour.
    painter.fillRect(QRectF(QPointF(), zoom::BaseSizeF(*this)), pal.color(QPalette::Window));

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
        const double grooveWidth = std::max(2.0, dotRadius_ * 0.9);
        QColor groove = face.darker(dark ? 160 : 125);
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(groove, grooveWidth, Qt::SolidLine, Qt::RoundCap));
        painter.drawArc(track, QtArcAngle(kStartAngle), QtArcSpan(kSweepAngle));
        const double valueSweep = std::fmod(AngleOf(sliderPosition()) - kStartAngle + 360.0, 360.0);
        if (sliderPosition() > minimum()) {
            QColor fill = accent;
            fill.setAlpha(dark ? 200 : 170);
            painter.setPen(QPen(fill, grooveWidth, Qt::SolidLine, Qt::RoundCap));
            painter.drawArc(track, QtArcAngle(kStartAngle), QtArcSpan(valueSweep));
        }

        // The dot at the position.
        const QPointF dot = DotCentre(sliderPosition());
        const double dotSize = std::max(2.0, dotRadius_ - 1.5);
        QRadialGradient shine(dot - QPointF(dotSize / 3.0, dotSize / 3.0), dotSize * 1.4);
        shine.setColorAt(0.0, QColor(255, 255, 255));
        shine.setColorAt(1.0, accent.lighter(130));
        painter.setPen(QPen(accent.darker(160), 1.0));
        painter.setBrush(shine);
        painter.drawEllipse(dot, dotSize, dotSize);
    }

    // The value in the middle, as large as fits inside the groove: a size in
    // base units, which the painter's zoom scales with the rest.
    const double inner = std::max(4.0, radius - dotRadius_ * 0.6);
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
