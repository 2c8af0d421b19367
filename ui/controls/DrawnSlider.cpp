#include "ui/controls/DrawnSlider.h"

#include "ui/controls/ControlAccessibility.h"

#include <QKeyEvent>
#include <QMetaObject>
#include <QWheelEvent>

#include <algorithm>

namespace brevant {

DrawnSlider::DrawnSlider(int controlId, KeyStepEnds keyStepEnds, QWidget* parent)
    : QAbstractSlider(parent), keyStepEnds_(keyStepEnds)
{
    SetControlId(controlId);
    setFocusPolicy(Qt::StrongFocus);
    InstallControlAccessibility();
}

void DrawnSlider::SetControlId(int controlId)
{
    controlId_ = controlId;
    setProperty("controlId", controlId);
}

void DrawnSlider::SetValueReading(int offset, int direction, const QString& unit)
{
    readingOffset_ = offset;
    readingDirection_ = direction < 0 ? -1 : 1;
    unit_ = unit;
}

QString DrawnSlider::ValueText() const
{
    const QString number = QString::number(ReadingAt(value()));
    return unit_.isEmpty() ? number : number + QLatin1Char(' ') + unit_;
}

void DrawnSlider::ChooseValue(int position)
{
    const int wanted = std::clamp(position, minimum(), maximum());
    if (!isEnabled() || wanted == value())
        return;
    setSliderPosition(wanted);
    if (!hasTracking())
        triggerAction(SliderMove);
    PostChangeFinished();
}

void DrawnSlider::PostChangeFinished()
{
    ++pendingChanges_;
    QMetaObject::invokeMethod(
        this,
        [this, finished = value()] {
            --pendingChanges_;
            emit changeFinished(finished);
        },
        Qt::QueuedConnection);
}

void DrawnSlider::StepByWheel(const QWheelEvent& event, int direction)
{
    const long long notches = wheel_.Take(event);
    const long long wanted =
        std::clamp<long long>(value() + direction * notches * singleStep(), minimum(), maximum());
    if (notches != 0)
        ChooseValue(static_cast<int>(wanted));
}

void DrawnSlider::wheelEvent(QWheelEvent* event)
{
    if (!isEnabled()) {
        QWidget::wheelEvent(event);
        return;
    }
    StepByWheel(*event, -1);
    event->accept();
}

void DrawnSlider::keyPressEvent(QKeyEvent* event)
{
    const SliderAction action = KeyAction(event->key());
    if (!isEnabled() || action == SliderNoAction) {
        QWidget::keyPressEvent(event);
        return;
    }
    // A step stops at the ends of the range; it still counts as a step.
    triggerAction(action);
    if (keyStepEnds_ == KeyStepEnds::OnPress)
        PostChangeFinished();
    else
        keyHeld_ = true;
    event->accept();
}

void DrawnSlider::keyReleaseEvent(QKeyEvent* event)
{
    if (!isEnabled() || KeyAction(event->key()) == SliderNoAction) {
        QWidget::keyReleaseEvent(event);
        return;
    }
    // A held key repeats press and release; only the last release is real.
    if (keyStepEnds_ == KeyStepEnds::OnRelease && !event->isAutoRepeat()) {
        keyHeld_ = false;
        PostChangeFinished();
    }
    event->accept();
}

}  // namespace brevant
