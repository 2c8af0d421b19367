// The round knob of each crosspoint gain. It keeps a position within a range
// with a line and a page size and tells its parent about every move with the
// trackbar's scroll codes (Notifications.h), delivered later from the event
// loop rather than from inside the mouse or key handler.
//
// The dial sweeps 300 degrees clockwise, from the minimum at the lower left
// to the maximum at the lower right, with the gap at the bottom, so the two
// ends never meet. The knob turns as a knob does, not by the pointer's angle:
// dragging up raises the value and dragging down lowers it, one step for
// every kDragPixelsPerStep pixels (kFineDragPixelsPerStep with Shift held);
// the wheel turned away from the user raises it, one line per notch; Up,
// Right and Page Up raise it, Down, Left and Page Down lower it. Neither
// goes past an end. The scroll codes follow the value: "up" means raised.
#pragma once

#include "WheelNotches.h"

#include <QPoint>
#include <QPointF>
#include <QString>
#include <QWidget>

namespace brevant {

class CRoundSliderCtrl : public QWidget {
    Q_OBJECT

public:
    static constexpr int kDefaultDotRadius = 7;
    // The minimum's angle, clockwise from the top, and the dial's sweep.
    static constexpr double kStartAngle = 210.0;
    static constexpr double kSweepAngle = 300.0;
    static constexpr int kDragPixelsPerStep = 4;
    static constexpr int kFineDragPixelsPerStep = 16;

    explicit CRoundSliderCtrl(QWidget* parent = nullptr);
    explicit CRoundSliderCtrl(int controlId, QWidget* parent = nullptr);

    // The position is clamped into the new range.
    void SetRange(int min, int max);
    int GetRangeMin() const { return m_min; }
    int GetRangeMax() const { return m_max; }

    // Clamped to the range; no notification.
    void SetPos(int pos);
    int GetPos() const { return m_pos; }

    void SetLineSize(int size) { m_lineSize = size; }
    int GetLineSize() const { return m_lineSize; }
    void SetPageSize(int size) { m_pageSize = size; }
    int GetPageSize() const { return m_pageSize; }

    int DotRadius() const { return m_dotRadius; }
    // The clockwise angle from the top, in degrees, at which `pos` lies on
    // the dial, and the centre of the dot drawn there.
    double AngleOf(int pos) const;
    QPointF DotCentre(int pos) const;
    // The knob's geometry, which follows the widget's size: the centre of the
    // square of the shorter side, and the radius on which the dot travels.
    QPoint KnobCentre() const;
    int KnobRadius() const;

    bool IsDragging() const { return m_dragging; }
    // The number written in the knob.
    QString Text() const;

    // The number the owner knows this knob by, kept in the "controlId"
    // property too.
    void SetControlId(int controlId);
    int ControlId() const { return m_controlId; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    // A trackbar scroll code (ScrollCode) and the position it left the knob at.
    void scrolled(int code, int position);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    // Follows the pointer's height since the press; true when the position changed.
    bool ApplyDrag(QPointF point, Qt::KeyboardModifiers modifiers);
    void UpdateMask();
    void Post(int code);

    int m_min = 0;
    int m_max = 0;
    int m_pos = 0;
    int m_lineSize = 1;
    int m_pageSize = 10;

    int m_dotRadius = kDefaultDotRadius;
    bool m_dragging = false;
    // Where the steps counted so far in the current drag began: the pointer's
    // height, and the position then. Shift changes the scale; the anchor moves
    // to the pointer so the value does not jump.
    double m_anchorY = 0.0;
    int m_anchorPos = 0;
    bool m_anchorFine = false;
    bool m_moved = false;
    WheelNotches m_wheel;
    int m_controlId = 0;
};

}  // namespace brevant
