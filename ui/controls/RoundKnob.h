// The round knob of each crosspoint gain, a slider (DrawnSlider.h) whose
// line and page sizes are its single and page steps. A drag reports
// sliderMoved() and, when it moved the knob, changeFinished() on release;
// a key reports actionTriggered() when pressed and changeFinished() when let
// go; a wheel notch both at once.
//
// The dial sweeps 300 degrees clockwise, from the minimum at the lower left
// to the maximum at the lower right, with the gap at the bottom, so the two
// ends never meet. The knob turns as a knob does, not by the pointer's angle:
// dragging up raises the value and dragging down lowers it, one step for
// every kDragPixelsPerStep pixels (kFineDragPixelsPerStep with Shift held);
// the wheel turned away from the user raises it, one line per notch; Up,
// Right and Page Up raise it, Down, Left and Page Down lower it. Neither
// goes past an end.
#pragma once

#include "ui/controls/DrawnSlider.h"

#include <QPoint>
#include <QPointF>
#include <QString>

namespace brevant {

class RoundKnob : public DrawnSlider {
    Q_OBJECT

public:
    static constexpr int kDefaultDotRadius = 7;
    // The minimum's angle, clockwise from the top, and the dial's sweep.
    static constexpr double kStartAngle = 210.0;
    static constexpr double kSweepAngle = 300.0;
    static constexpr int kDragPixelsPerStep = 4;
    static constexpr int kFineDragPixelsPerStep = 16;

    explicit RoundKnob(QWidget* parent = nullptr);
    explicit RoundKnob(int controlId, QWidget* parent = nullptr);

    int DotRadius() const { return dotRadius_; }
    // The clockwise angle from the top, in degrees, at which `pos` lies on
    // the dial, and the centre of the dot drawn there.
    double AngleOf(int pos) const;
    QPointF DotCentre(int pos) const;
    // The knob's geometry, which follows the widget's size: the centre of the
    // square of the shorter side, and the radius on which the dot travels.
    // These, DotCentre() and the drag distances are in the form's base
    // units (FormZoom.h); at 100 % they are the widget's pixels.
    QPoint KnobCentre() const;
    int KnobRadius() const;

    bool IsDragging() const { return isSliderDown(); }
    // The number written in the knob.
    QString Text() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    SliderAction KeyAction(int key) const override;

private:
    // Follows the pointer's height since the press; true when the position changed.
    bool ApplyDrag(QPointF point, Qt::KeyboardModifiers modifiers);
    // The shorter side, in base units.
    int Side() const;
    void UpdateMask();

    int dotRadius_ = kDefaultDotRadius;
    // Where the steps counted so far in the current drag began: the pointer's
    // height, and the position then. Shift changes the scale; the anchor moves
    // to the pointer so the value does not jump.
    double anchorY_ = 0.0;
    int anchorPos_ = 0;
    bool anchorFine_ = false;
    bool moved_ = false;
};

}  // namespace brevant
