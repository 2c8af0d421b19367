// The round knob of each crosspoint gain. It keeps a position within a range
// with a line and a page size, as a horizontal trackbar does, and tells its
// parent about every move with the trackbar's scroll codes (Notifications.h),
// delivered later from the event loop rather than from inside the mouse or
// key handler.
//
// The dial: the minimum lies `ZeroAngle()` degrees clockwise from the top and
// the range runs once round clockwise. SetRange(min, max) makes the range
// min .. 1.3 × max, so for a positive maximum the part above it is a gap at
// the bottom of the dial. Dragging moves the knob one step per mouse event
// towards the pointer, never more, so a jump of the pointer cannot throw the
// gain from one end to the other.
#pragma once

#include <QPoint>
#include <QPointF>
#include <QString>
#include <QWidget>

namespace brevant {

class CRoundSliderCtrl : public QWidget {
    Q_OBJECT

public:
    static constexpr int kDefaultZeroAngle = 220;
    static constexpr int kDefaultDotRadius = 7;

    explicit CRoundSliderCtrl(QWidget* parent = nullptr);
    explicit CRoundSliderCtrl(int controlId, QWidget* parent = nullptr);

    // Keeps min and max as the user range and sets the range to
    // min .. truncate(1.3 × max); the position is clamped into it.
    void SetRange(int min, int max);
    int GetRangeMin() const { return m_min; }
    int GetRangeMax() const { return m_max; }
    int GetUserMin() const { return m_userMin; }
    int GetUserMax() const { return m_userMax; }

    // Clamped to the range; no notification.
    void SetPos(int pos);
    int GetPos() const { return m_pos; }

    void SetLineSize(int size) { m_lineSize = size; }
    int GetLineSize() const { return m_lineSize; }
    void SetPageSize(int size) { m_pageSize = size; }
    int GetPageSize() const { return m_pageSize; }

    // Mirrors the horizontal offset of the mouse from the centre (and the dial).
    void SetInverted(bool inverted);
    bool IsInverted() const { return m_inverted; }
    // When set, a press farther than the dot radius from the centre is ignored.
    void SetDragOnKnobOnly(bool only) { m_dragOnKnobOnly = only; }
    bool IsDragOnKnobOnly() const { return m_dragOnKnobOnly; }

    void SetZeroAngle(int degrees);
    int ZeroAngle() const { return m_zeroAngle; }
    int DotRadius() const { return m_dotRadius; }
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
    // Moves the knob one step towards `point`; true when the position changed.
    bool ApplyPoint(QPointF point);
    // The clockwise angle from the top, in degrees, at which `pos` lies on the dial.
    double AngleOf(int pos) const;
    void UpdateMask();
    void Post(int code);

    int m_min = 0;
    int m_max = 0;
    int m_userMin = 0;
    int m_userMax = 0;
    int m_pos = 0;
    int m_lineSize = 1;
    int m_pageSize = 10;

    int m_zeroAngle = kDefaultZeroAngle;
    int m_dotRadius = kDefaultDotRadius;
    bool m_inverted = false;
    bool m_dragOnKnobOnly = false;
    bool m_dragging = false;
    bool m_moved = false;
    int m_wheelRemainder = 0;
    int m_controlId = 0;
};

}  // namespace brevant
