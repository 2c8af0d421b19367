// The base of the three drawn sliders (the gain fader, the crosspoint knob
// and the image trackbar). Qt's slider keeps the range, the value, the single
// and page steps and tracking, and emits sliderPressed, sliderMoved,
// sliderReleased, actionTriggered and valueChanged as for any slider:
// sliderMoved while the user drags, actionTriggered for every move the user
// makes (a key, a page click, a wheel notch, and each step of a drag while
// tracking, which is on unless turned off), valueChanged for the owner's
// setValue too. What Qt has no signal for is the end of a change by
// the user, when the panels send the value on: changeFinished().
//
// The wheel moves a single step per whole notch; a fast wheel that sends
// several notches in one event moves them all at once (WheelNotches.h).
//
// What a position stands for (a fader's gain, say) is the owner's; the owner
// tells the slider how it reads, so that assistive technology hears "12 dB"
// rather than the position (ControlAccessibility.h).
//
// UI thread only.
#pragma once

#include "ui/controls/WheelNotches.h"

#include <QAbstractSlider>
#include <QString>

class QKeyEvent;
class QWheelEvent;

namespace brevant {

class DrawnSlider : public QAbstractSlider {
    Q_OBJECT

public:
    // The number the owner knows this control by, kept in the "controlId"
    // property too.
    void SetControlId(int controlId);
    int ControlId() const { return controlId_; }
    // A change the user finished has not been reported yet: the value is
    // theirs, and the owner should not move the control from under it.
    // A key held down counts too, until it is let go.
    bool ChangePending() const { return pendingChanges_ > 0 || keyHeld_; }

    // The number a position stands for is offset + direction * position
    // (direction +1 or -1), followed by `unit`: "12 dB". Until set, the
    // position itself without a unit.
    void SetValueReading(int offset, int direction, const QString& unit);
    int ReadingAt(int position) const { return readingOffset_ + readingDirection_ * position; }
    // The position standing for `reading`, not brought into the range.
    int PositionFor(int reading) const { return readingDirection_ * (reading - readingOffset_); }
    QString ValueText() const;

    // Moves to `position`, brought into the range, as a wheel notch would:
    // the change is finished when the value moved. Nothing while disabled.
    void ChooseValue(int position);

signals:
    // The user has finished a change, which left `value`: a drag let go, a
    // key step, a wheel notch that moved the value, a held page click let go.
    // Posted, so it arrives from the event loop after the event that caused
    // it has been handled.
    void changeFinished(int value);

protected:
    // Whether a key step finishes when the key is pressed (every repeat of a
    // held key then finishes one) or when it is let go (once for a held key).
    enum class KeyStepEnds { OnPress, OnRelease };

    DrawnSlider(int controlId, KeyStepEnds keyStepEnds, QWidget* parent);

    // The step a key stands for; SliderNoAction for a key that is not the
    // control's, which goes on to the parent.
    virtual SliderAction KeyAction(int key) const = 0;

    // Moves `direction` (+1 or -1) single steps for every whole notch turned
    // away from the user, within the range, and finishes the change when the
    // value has moved.
    void StepByWheel(const QWheelEvent& event, int direction);
    void PostChangeFinished();

    // A whole notch away from the user is a single step towards the lower
    // value, as on a fader; the knob turns the other way.
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

private:
    int controlId_ = 0;
    int pendingChanges_ = 0;
    bool keyHeld_ = false;
    int readingOffset_ = 0;
    int readingDirection_ = 1;
    QString unit_;
    KeyStepEnds keyStepEnds_;
    WheelNotches wheel_;
};

}  // namespace brevant
