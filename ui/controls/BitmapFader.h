// The fader of a channel gain: a channel image with a thumb image that slides
// along it, moved by dragging, the keyboard or the wheel. sliderMoved() comes
// while the thumb is dragged; changeFinished() (DrawnSlider.h) when a drag
// ends, even one that left the value where it was, and after each key press
// and wheel notch. Up, Left and Page Up go towards the minimum, Home and End
// to the ends; a notch away from the user is a step towards the minimum.
//
// Horizontal faders have their minimum at the left; vertical ones have it at
// the top and the maximum at the bottom.
#pragma once

#include "ui/controls/DrawnSlider.h"

#include <QImage>
#include <QPoint>
#include <QtGlobal>

class QFocusEvent;
class QKeyEvent;
class QMouseEvent;
class QPaintEvent;

namespace brevant {

class BitmapFader : public DrawnSlider {
    Q_OBJECT

public:
    // Given as the transparent colour, this means "the colour of the pixel at
    // the pick point". Opaque black therefore cannot be keyed out directly;
    // 0x00000000 (black with no alpha) keys out black.
    static constexpr QRgb kColourFromPixel = 0xFF000000u;

    explicit BitmapFader(QWidget* parent = nullptr);
    BitmapFader(int controlId, QWidget* parent = nullptr);
    ~BitmapFader() override;

    BitmapFader(const BitmapFader&) = delete;
    BitmapFader& operator=(const BitmapFader&) = delete;

    // Space kept free at each end of the travel: the thumb's centre stays at
    // least half a thumb plus the inset away from the end. Left/right count
    // for a horizontal fader, top/bottom for a vertical one.
    void SetInsets(int left, int top, int right, int bottom);

    bool IsVertical() const { return orientation() == Qt::Vertical; }
    void ShowFocusFrame(bool show);

    // The channel image (and, when `activeBitmapId` is not 0, the image of the
    // channel between the minimum and the thumb) by resource number, at this
    // widget's device pixel ratio times the form's zoom. When `transparent`,
    // pixels of `transparentColour` are see-through; kColourFromPixel takes
    // the colour of the pixel at (pickX, pickY), in the image's logical
    // pixels. The widget takes the channel image's size (at the zoom). Id 0
    // removes both images. False when an image is missing; nothing stays
    // loaded then.
    bool LoadTrackImages(int bitmapId, int activeBitmapId = 0, bool transparent = false,
                         QRgb transparentColour = kColourFromPixel, int pickX = 0, int pickY = 0);
    // The same with images given directly; a null `channel` removes both, a
    // null `activeChannel` means there is no active channel.
    bool LoadTrackImages(const QImage& channel, const QImage& activeChannel = QImage(),
                         bool transparent = false, QRgb transparentColour = kColourFromPixel, int pickX = 0,
                         int pickY = 0);
    // The thumb image and the one shown while it is dragged, the same way.
    // The widget keeps its size.
    bool LoadKnobImages(int bitmapId, int activeBitmapId = 0, bool transparent = false,
                        QRgb transparentColour = kColourFromPixel, int pickX = 0, int pickY = 0);
    bool LoadKnobImages(const QImage& thumb, const QImage& activeThumb = QImage(), bool transparent = false,
                        QRgb transparentColour = kColourFromPixel, int pickX = 0, int pickY = 0);

    // Where along the travel (x for horizontal, y for vertical, in the form's
    // base units: FormZoom.h) the thumb's centre lies for `value`, and the
    // value a thumb centre at `pixel` stands for (not brought into the range).
    int ValueToPixel(int value) const;
    int PixelToValue(int pixel) const;
    // The thumb's centre for the present value.
    int ThumbCentre() const { return ValueToPixel(sliderPosition()); }
    bool IsDragging() const { return isSliderDown(); }

    QSize sizeHint() const override;

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
    // One image as loaded, with what is needed to load it again at another
    // device pixel ratio when it came from the resources.
    struct Picture {
        QImage image;
        int resourceId = 0;
        bool transparent = false;
        QRgb colour = kColourFromPixel;
        QPoint pick;
    };
    struct PicturePair {
        Picture normal;
        Picture active;
        qreal ratio = 1.0;
    };

    static bool LoadPair(PicturePair& pair, int bitmapId, int activeBitmapId, bool transparent, QRgb colour,
                         QPoint pick, qreal ratio);
    static void SetPair(PicturePair& pair, const QImage& normal, const QImage& active, bool transparent,
                        QRgb colour, QPoint pick);
    qreal ImageRatio() const;
    void ReloadForRatio();

    QSize ControlSize() const;
    QSize ThumbSize() const;
    int TravelLength() const;
    int ThumbLength() const;
    int InsetStart() const;
    int InsetEnd() const;
    int AlongTravel(QPoint point) const;

    void DragTo(int along);
    void EndDrag();

    int insetLeft_ = 0;
    int insetTop_ = 0;
    int insetRight_ = 0;
    int insetBottom_ = 0;
    PicturePair channel_;
    PicturePair thumb_;
    bool showFocusFrame_ = true;
    bool hasFocus_ = false;
    int dragOffset_ = 0;
};

}  // namespace brevant
