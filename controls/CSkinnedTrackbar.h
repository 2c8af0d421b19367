// A trackbar drawn with images: a thumb, the channel before the thumb (from
// the minimum up to the thumb's centre) and the channel after it. It moves
// and reports like a standard trackbar: scrolled(code, position) with the
// scroll codes of Notifications.h, posted so that it arrives after the
// current event has been handled.
//
//   drag       kScrollThumbTrack while the position changes, then
//              kScrollThumbPosition and kScrollEnd on release
//   keys       Left/Up kScrollLineUp, Right/Down kScrollLineDown,
//              Page Up kScrollPageUp, Page Down kScrollPageDown,
//              Home kScrollTop, End kScrollBottom; kScrollEnd on release
//   click on the channel beside the thumb
//              a page towards the click (repeated while held), then
//              kScrollEnd on release
//
// The minimum lies at the left, or at the top of a vertical trackbar.
#pragma once

#include "WheelNotches.h"

#include <QImage>
#include <QPoint>
#include <QTimer>
#include <QWidget>

class QFocusEvent;
class QKeyEvent;
class QMouseEvent;
class QPaintEvent;

namespace brevant {

class CSkinnedTrackbar : public QWidget {
    Q_OBJECT

public:
    // Codes for Home and End, next to those of Notifications.h.
    static constexpr int kScrollTop = 6;
    static constexpr int kScrollBottom = 7;

    explicit CSkinnedTrackbar(QWidget* parent = nullptr);
    CSkinnedTrackbar(int controlId, QWidget* parent = nullptr);
    ~CSkinnedTrackbar() override;

    CSkinnedTrackbar(const CSkinnedTrackbar&) = delete;
    CSkinnedTrackbar& operator=(const CSkinnedTrackbar&) = delete;

    // The number the owner knows this trackbar by, kept in the "controlId"
    // property too.
    void SetControlId(int controlId);
    int ControlId() const { return m_controlId; }

    // Sets the range (a reversed pair is put in order) and brings the
    // position into it.
    void SetRange(int minimum, int maximum, bool redraw = true);
    int GetRangeMin() const { return m_minimum; }
    int GetRangeMax() const { return m_maximum; }
    // The step of the arrow keys and of Page Up/Down and channel clicks.
    void SetLineSize(int size) { m_lineSize = size; }
    int GetLineSize() const { return m_lineSize; }
    void SetPageSize(int size) { m_pageSize = size; }
    int GetPageSize() const { return m_pageSize; }

    // Sets the position, brought into the range, and repaints; reports
    // nothing.
    void SetPos(int position);
    int GetPos() const { return m_position; }

    void SetOrientation(bool vertical);
    bool IsVertical() const { return m_vertical; }

    // The thumb and the channel before and after it, by resource number at
    // this widget's device pixel ratio. False (and no images) when one is
    // missing.
    bool LoadImages(int thumbBitmapId, int channelBeforeBitmapId, int channelAfterBitmapId);
    // The same images given directly.
    void SetImages(const QImage& thumb, const QImage& channelBefore, const QImage& channelAfter);

    // Where along the travel (logical pixels) the thumb's centre lies for
    // `position`, and the position (within the range) for a thumb centre at
    // `pixel`.
    int PosToPixel(int position) const;
    int PixelToPos(int pixel) const;
    bool IsDragging() const { return m_dragging; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    void scrolled(int code, int position);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    static bool IsScrollKey(int key);
    void ReloadForRatio();
    int Length() const;
    int ThumbLength() const;
    int Along(QPoint point) const;
    int Clamped(long long position) const;
    WheelNotches m_wheel;
    // The first pixel of the thumb along the travel.
    int ThumbStart() const;

    void PageTowards(int along);
    void RepeatPage();
    void StopMouse();
    void Post(int code);

    int m_controlId = 0;
    int m_minimum = 0;
    int m_maximum = 100;
    int m_lineSize = 1;
    int m_pageSize = 20;
    int m_position = 0;
    bool m_vertical = false;

    QImage m_thumb;
    QImage m_before;
    QImage m_after;
    int m_thumbId = 0;
    int m_beforeId = 0;
    int m_afterId = 0;
    qreal m_ratio = 1.0;

    bool m_dragging = false;
    int m_dragOffset = 0;
    bool m_paging = false;
    int m_pageTarget = 0;
    QTimer m_pageRepeat;
};

}  // namespace brevant
