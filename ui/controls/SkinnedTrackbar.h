// A trackbar drawn with images: a thumb, the channel before the thumb (from
// the minimum up to the thumb's centre) and the channel after it. A slider
// (DrawnSlider.h) whose line and page sizes are its single and page steps:
//
//   drag       sliderMoved() while the position changes, changeFinished()
//              on release
//   keys       Left/Up a line towards the minimum, Right/Down towards the
//              maximum, Page Up/Down a page, Home/End to the ends;
//              changeFinished() when the key is let go
//   wheel      a line per notch, away from the user towards the minimum;
//              changeFinished() at once
//   click on the channel beside the thumb
//              a page towards the click (repeated while held), then
//              changeFinished() on release
//
// The minimum lies at the left, or at the top of a vertical trackbar. A new
// trackbar is horizontal.
#pragma once

#include "ui/controls/DrawnSlider.h"

#include <QImage>
#include <QPoint>
#include <QTimer>

class QFocusEvent;
class QKeyEvent;
class QMouseEvent;
class QPaintEvent;

namespace brevant {

class SkinnedTrackbar : public DrawnSlider {
    Q_OBJECT

public:
    explicit SkinnedTrackbar(QWidget* parent = nullptr);
    SkinnedTrackbar(int controlId, QWidget* parent = nullptr);
    ~SkinnedTrackbar() override;

    SkinnedTrackbar(const SkinnedTrackbar&) = delete;
    SkinnedTrackbar& operator=(const SkinnedTrackbar&) = delete;

    bool IsVertical() const { return orientation() == Qt::Vertical; }

    // The thumb and the channel before and after it, by resource number at
    // this widget's device pixel ratio times the form's zoom. False (and no
    // images) when one is missing.
    bool LoadImages(int thumbBitmapId, int channelBeforeBitmapId, int channelAfterBitmapId);
    // The same images given directly.
    void SetImages(const QImage& thumb, const QImage& channelBefore, const QImage& channelAfter);

    // Where along the travel (in the form's base units: FormZoom.h) the
    // thumb's centre lies for `position`, and the position (within the range)
    // for a thumb centre at `pixel`.
    int ValueToPixel(int position) const;
    int PixelToValue(int pixel) const;
    bool IsDragging() const { return isSliderDown(); }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;
    SliderAction KeyAction(int key) const override;

private:
    qreal ImageRatio() const;
    void ReloadForRatio();
    QSize BaseSizeHint() const;
    int Length() const;
    int ThumbLength() const;
    int Along(QPoint point) const;
    // The first pixel of the thumb along the travel.
    int ThumbStart() const;

    void PageTowards(int along);
    void RepeatPage();
    void StopMouse();

    QImage thumb_;
    QImage before_;
    QImage after_;
    int thumbId_ = 0;
    int beforeId_ = 0;
    int afterId_ = 0;
    qreal ratio_ = 1.0;

    int dragOffset_ = 0;
    bool paging_ = false;
    int pageTarget_ = 0;
    QTimer pageRepeat_;
};

}  // namespace brevant
