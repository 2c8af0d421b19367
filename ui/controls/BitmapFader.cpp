#include "ui/controls/BitmapFader.h"

#include "ui/controls/FormZoom.h"
#include "ui/res/ResourceRegistry.h"

#include <QEvent>
#include <QFocusEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPen>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace brevant {

namespace {

// Drops the fraction towards zero, as an integer conversion does, without
// leaving the int range.
int TruncateToInt(double value)
{
    constexpr double lowest = std::numeric_limits<int>::min();
    constexpr double highest = std::numeric_limits<int>::max();
    return static_cast<int>(std::clamp(std::trunc(value), lowest, highest));
}

// `source` with every pixel of the key colour made fully transparent. The key
// is `colour`, or the colour of the pixel at `pick` (logical pixels) when
// `colour` is BitmapFader::kColourFromPixel. Only red, green and blue are
// compared, so an image with or without alpha keys the same way.
QImage SeeThrough(const QImage& source, QRgb colour, QPoint pick)
{
    QImage image = source.convertToFormat(QImage::Format_ARGB32);
    const qreal ratio = source.devicePixelRatio();
    if (image.isNull())
        return image;
    QRgb key = colour;
    if (colour == BitmapFader::kColourFromPixel) {
        const int x = std::clamp(static_cast<int>(pick.x() * ratio), 0, image.width() - 1);
        const int y = std::clamp(static_cast<int>(pick.y() * ratio), 0, image.height() - 1);
        key = image.pixel(x, y);
    }
    const QRgb keyRgb = key & RGB_MASK;
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if ((line[x] & RGB_MASK) == keyRgb)
                line[x] = 0;
        }
    }
    image = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    return image;
}

// Draws the part `logical` (in the image's logical pixels) of `image` at the
// same logical place, one image pixel to one device pixel when the ratios
// agree.
void DrawPart(QPainter& painter, const QImage& image, const QRect& logical)
{
    if (logical.isEmpty())
        return;
    const qreal ratio = image.devicePixelRatio();
    const QRectF source(logical.x() * ratio, logical.y() * ratio, logical.width() * ratio,
                        logical.height() * ratio);
    painter.drawImage(QRectF(logical), image, source);
}

}  // namespace

BitmapFader::BitmapFader(QWidget* parent) : BitmapFader(0, parent) {}

BitmapFader::BitmapFader(int controlId, QWidget* parent)
    : DrawnSlider(controlId, KeyStepEnds::OnPress, parent)
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setRange(0, 100);
    setPageStep(20);
}

BitmapFader::~BitmapFader() = default;

void BitmapFader::SetInsets(int left, int top, int right, int bottom)
{
    insetLeft_ = left;
    insetTop_ = top;
    insetRight_ = right;
    insetBottom_ = bottom;
    update();
}

void BitmapFader::ShowFocusFrame(bool show)
{
    showFocusFrame_ = show;
    update();
}

void BitmapFader::SetPair(PicturePair& pair, const QImage& normal, const QImage& active, bool transparent,
                          QRgb colour, QPoint pick)
{
    auto prepare = [&](Picture& picture, const QImage& image) {
        picture = Picture{};
        picture.transparent = transparent;
        picture.colour = colour;
        picture.pick = pick;
        picture.image = (transparent && !image.isNull()) ? SeeThrough(image, colour, pick) : image;
    };
    prepare(pair.normal, normal);
    prepare(pair.active, active);
}

bool BitmapFader::LoadPair(PicturePair& pair, int bitmapId, int activeBitmapId, bool transparent, QRgb colour,
                           QPoint pick, qreal ratio)
{
    pair = PicturePair{};
    pair.ratio = ratio;
    if (bitmapId == 0)
        return true;
    const QImage normal = res::Bitmap(bitmapId, ratio);
    if (normal.isNull())
        return false;
    QImage active;
    if (activeBitmapId != 0) {
        active = res::Bitmap(activeBitmapId, ratio);
        if (active.isNull())
            return false;
    }
    SetPair(pair, normal, active, transparent, colour, pick);
    pair.normal.resourceId = bitmapId;
    pair.active.resourceId = activeBitmapId;
    return true;
}

bool BitmapFader::LoadTrackImages(int bitmapId, int activeBitmapId, bool transparent, QRgb transparentColour,
                                  int pickX, int pickY)
{
    const bool loaded = LoadPair(channel_, bitmapId, activeBitmapId, transparent, transparentColour,
                                 QPoint(pickX, pickY), ImageRatio());
    if (loaded && !channel_.normal.image.isNull()) {
        resize(zoom::Scaled(res::LogicalSize(channel_.normal.image), zoom::Of(*this)));
        updateGeometry();
    }
    update();
    return loaded;
}

bool BitmapFader::LoadTrackImages(const QImage& channel, const QImage& activeChannel, bool transparent,
                                  QRgb transparentColour, int pickX, int pickY)
{
    channel_ = PicturePair{};
    channel_.ratio = ImageRatio();
    if (!channel.isNull()) {
        SetPair(channel_, channel, activeChannel, transparent, transparentColour, QPoint(pickX, pickY));
        resize(zoom::Scaled(res::LogicalSize(channel_.normal.image), zoom::Of(*this)));
        updateGeometry();
    }
    update();
    return true;
}

bool BitmapFader::LoadKnobImages(int bitmapId, int activeBitmapId, bool transparent, QRgb transparentColour,
                                 int pickX, int pickY)
{
    const bool loaded = LoadPair(thumb_, bitmapId, activeBitmapId, transparent, transparentColour,
                                 QPoint(pickX, pickY), ImageRatio());
    update();
    return loaded;
}

bool BitmapFader::LoadKnobImages(const QImage& thumb, const QImage& activeThumb, bool transparent,
                                 QRgb transparentColour, int pickX, int pickY)
{
    thumb_ = PicturePair{};
    thumb_.ratio = ImageRatio();
    if (!thumb.isNull())
        SetPair(thumb_, thumb, activeThumb, transparent, transparentColour, QPoint(pickX, pickY));
    update();
    return true;
}

// Images from the resources are drawn at the screen's pixel ratio times the
// form's zoom, one image pixel to one device pixel.
qreal BitmapFader::ImageRatio() const
{
    return devicePixelRatioF() * zoom::Of(*this);
}

// Images from the resources are made again when the widget has moved to a
// screen of another pixel ratio or the form's zoom has changed, so they stay
// sharp. Images given directly are kept as they are.
void BitmapFader::ReloadForRatio()
{
    const qreal ratio = ImageRatio();
    auto reload = [ratio](PicturePair& pair) {
        if (qFuzzyCompare(pair.ratio, ratio) || pair.normal.resourceId == 0)
            return;
        const Picture normal = pair.normal;
        const int activeId = pair.active.resourceId;
        // Should the images have gone, the pair stays empty at the new ratio
        // and is not tried again.
        LoadPair(pair, normal.resourceId, activeId, normal.transparent, normal.colour, normal.pick, ratio);
    };
    reload(channel_);
    reload(thumb_);
}

QSize BitmapFader::ControlSize() const
{
    return channel_.normal.image.isNull() ? zoom::BaseSize(*this) : res::LogicalSize(channel_.normal.image);
}

QSize BitmapFader::ThumbSize() const
{
    return res::LogicalSize(thumb_.normal.image);
}

int BitmapFader::TravelLength() const
{
    return IsVertical() ? ControlSize().height() : ControlSize().width();
}

int BitmapFader::ThumbLength() const
{
    return IsVertical() ? ThumbSize().height() : ThumbSize().width();
}

int BitmapFader::InsetStart() const
{
    return IsVertical() ? insetTop_ : insetLeft_;
}

int BitmapFader::InsetEnd() const
{
    return IsVertical() ? insetBottom_ : insetRight_;
}

int BitmapFader::AlongTravel(QPoint point) const
{
    return IsVertical() ? point.y() : point.x();
}

int BitmapFader::ValueToPixel(int value) const
{
    const int thumb = ThumbLength();
    const int start = thumb / 2 + InsetStart();
    if (maximum() == minimum())
        return start;
    // Multiplying before dividing keeps whole results whole: 29 / 100 * 100
    // would come out as 28.999... and truncate a pixel short.
    const double travel = std::max(0, TravelLength() - InsetEnd() - thumb - InsetStart());
    const double offset =
        (double(value) - double(minimum())) * travel / (double(maximum()) - double(minimum()));
    return TruncateToInt(double(start) + std::trunc(offset));
}

int BitmapFader::PixelToValue(int pixel) const
{
    const int thumb = ThumbLength();
    const int travel = TravelLength() - InsetEnd() - InsetStart() - thumb;
    if (travel <= 0)
        return minimum();
    const double steps =
        (double(pixel) - thumb / 2 - InsetStart()) * (double(maximum()) - double(minimum())) / double(travel);
    return TruncateToInt(steps + double(minimum()));
}

QSize BitmapFader::sizeHint() const
{
    if (!channel_.normal.image.isNull())
        return zoom::Scaled(res::LogicalSize(channel_.normal.image), zoom::Of(*this));
    return DrawnSlider::sizeHint();
}

// Puts the thumb's centre where the mouse (less the grab offset) is, kept
// inside the travel; the slider reports a new position.
void BitmapFader::DragTo(int along)
{
    const int half = ThumbLength() / 2;
    const int first = half + InsetStart();
    const int last = std::max(first, TravelLength() - InsetEnd() - half);
    const int wanted = std::clamp(along - dragOffset_, first, last);
    if (wanted == ThumbCentre())
        return;
    setSliderPosition(PixelToValue(wanted));
}

void BitmapFader::EndDrag()
{
    setSliderDown(false);
    dragOffset_ = 0;
    update();
}

void BitmapFader::mousePressEvent(QMouseEvent* event)
{
    if (!isEnabled() || event->button() != Qt::LeftButton) {
        DrawnSlider::mousePressEvent(event);
        return;
    }
    // Qt sends every mouse event to the pressed widget until the button is
    // released, which holds the mouse for the drag without an explicit grab.
    setFocus(Qt::MouseFocusReason);
    setSliderDown(true);
    const int along = AlongTravel(zoom::ToBase(*this, event->position()).toPoint());
    const int centre = ThumbCentre();
    // Taken by the thumb, the thumb keeps its place under the mouse; a click
    // elsewhere brings the thumb's centre to the click.
    dragOffset_ = std::abs(along - centre) <= ThumbLength() / 2 ? along - centre : 0;
    DragTo(along);
    update();
    event->accept();
}

void BitmapFader::mouseMoveEvent(QMouseEvent* event)
{
    if (!IsDragging() || !isEnabled()) {
        DrawnSlider::mouseMoveEvent(event);
        return;
    }
    DragTo(AlongTravel(zoom::ToBase(*this, event->position()).toPoint()));
    event->accept();
}

void BitmapFader::mouseReleaseEvent(QMouseEvent* event)
{
    if (!IsDragging() || !isEnabled() || event->button() != Qt::LeftButton) {
        DrawnSlider::mouseReleaseEvent(event);
        return;
    }
    EndDrag();
    PostChangeFinished();
    event->accept();
}

QAbstractSlider::SliderAction BitmapFader::KeyAction(int key) const
{
    switch (key) {
    case Qt::Key_PageUp: return SliderPageStepSub;
    case Qt::Key_PageDown: return SliderPageStepAdd;
    case Qt::Key_End: return SliderToMaximum;
    case Qt::Key_Home: return SliderToMinimum;
    case Qt::Key_Left:
    case Qt::Key_Up: return SliderSingleStepSub;
    case Qt::Key_Right:
    case Qt::Key_Down: return SliderSingleStepAdd;
    default: return SliderNoAction;
    }
}

void BitmapFader::focusInEvent(QFocusEvent* event)
{
    hasFocus_ = true;
    update();
    DrawnSlider::focusInEvent(event);
}

void BitmapFader::focusOutEvent(QFocusEvent* event)
{
    hasFocus_ = false;
    update();
    DrawnSlider::focusOutEvent(event);
}

void BitmapFader::changeEvent(QEvent* event)
{
    // A drag cut short by disabling still finishes with the value it reached,
    // so the owner is not left with a change it never hears the end of.
    if (event->type() == QEvent::EnabledChange && !isEnabled() && IsDragging()) {
        EndDrag();
        PostChangeFinished();
    }
    DrawnSlider::changeEvent(event);
}

void BitmapFader::paintEvent(QPaintEvent* /*event*/)
{
    ReloadForRatio();
    QPainter painter(this);
    const double scale = zoom::Of(*this);
    if (scale != 1.0)
        painter.scale(scale, scale);
    const int centre = ThumbCentre();

    const QImage& channel = channel_.normal.image;
    const QImage& activeChannel = channel_.active.image;
    if (!channel.isNull()) {
        if (!activeChannel.isNull() && isEnabled()) {
            // The active image shows from the minimum end up to the thumb's
            // centre, the normal one from there to the maximum end.
            const QSize activeSize = res::LogicalSize(activeChannel);
            const QSize normalSize = res::LogicalSize(channel);
            if (IsVertical()) {
                DrawPart(painter, activeChannel,
                         QRect(0, 0, activeSize.width(), std::clamp(centre, 0, activeSize.height())));
                const int from = std::clamp(centre, 0, normalSize.height());
                DrawPart(painter, channel, QRect(0, from, normalSize.width(), normalSize.height() - from));
            } else {
                DrawPart(painter, activeChannel,
                         QRect(0, 0, std::clamp(centre, 0, activeSize.width()), activeSize.height()));
                const int from = std::clamp(centre, 0, normalSize.width());
                DrawPart(painter, channel, QRect(from, 0, normalSize.width() - from, normalSize.height()));
            }
        } else {
            painter.drawImage(QPointF(0, 0), channel);
        }
    }

    if (!thumb_.normal.image.isNull() && isEnabled()) {
        const QImage& thumb =
            (IsDragging() && !thumb_.active.image.isNull()) ? thumb_.active.image : thumb_.normal.image;
        const QSize thumbSize = res::LogicalSize(thumb);
        const QSize control = ControlSize();
        const QPoint topLeft =
            IsVertical()
                ? QPoint((control.width() - thumbSize.width()) / 2, centre - thumbSize.height() / 2)
                : QPoint(centre - thumbSize.width() / 2, (control.height() - thumbSize.height()) / 2);
        painter.drawImage(QPointF(topLeft), thumb);
    }

    if (showFocusFrame_ && hasFocus_ && isEnabled()) {
        QPen pen(palette().color(QPalette::WindowText), scale);
        pen.setStyle(Qt::DotLine);
        pen.setCosmetic(true);
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(QRectF(QPointF(), zoom::BaseSizeF(*this)).adjusted(0.5, 0.5, -0.5, -0.5));
    }
}

}  // namespace brevant
