#include "ui/controls/SkinnedTrackbar.h"

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

namespace brevant {

namespace {

// Held on the channel, the first page waits this long before it repeats, and
// then repeats this often.
constexpr int kPageRepeatDelayMs = 400;
constexpr int kPageRepeatIntervalMs = 100;

// Size along the travel when there is no channel image, and across it when
// there is no image at all.
constexpr int kDefaultLength = 100;
constexpr int kDefaultThickness = 20;

}  // namespace

SkinnedTrackbar::SkinnedTrackbar(QWidget* parent) : SkinnedTrackbar(0, parent) {}

SkinnedTrackbar::SkinnedTrackbar(int controlId, QWidget* parent)
    : DrawnSlider(controlId, KeyStepEnds::OnRelease, parent)
{
    // Horizontal, as any new slider; setOrientation() turns this size policy
    // with the trackbar as long as it counts as the default one.
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    setAttribute(Qt::WA_WState_OwnSizePolicy, false);
    setRange(0, 100);
    setSingleStep(1);
    setPageStep(20);
    pageRepeat_.setSingleShot(true);
    connect(&pageRepeat_, &QTimer::timeout, this, &SkinnedTrackbar::RepeatPage);
}

SkinnedTrackbar::~SkinnedTrackbar() = default;

bool SkinnedTrackbar::LoadImages(int thumbBitmapId, int channelBeforeBitmapId, int channelAfterBitmapId)
{
    ratio_ = ImageRatio();
    const QImage thumb = res::Bitmap(thumbBitmapId, ratio_);
    const QImage before = res::Bitmap(channelBeforeBitmapId, ratio_);
    const QImage after = res::Bitmap(channelAfterBitmapId, ratio_);
    const bool loaded = !thumb.isNull() && !before.isNull() && !after.isNull();
    SetImages(loaded ? thumb : QImage(), loaded ? before : QImage(), loaded ? after : QImage());
    if (loaded) {
        thumbId_ = thumbBitmapId;
        beforeId_ = channelBeforeBitmapId;
        afterId_ = channelAfterBitmapId;
    }
    return loaded;
}

void SkinnedTrackbar::SetImages(const QImage& thumb, const QImage& channelBefore, const QImage& channelAfter)
{
    thumb_ = thumb;
    before_ = channelBefore;
    after_ = channelAfter;
    thumbId_ = beforeId_ = afterId_ = 0;
    updateGeometry();
    update();
}

// Images from the resources are drawn at the screen's pixel ratio times the
// form's zoom, one image pixel to one device pixel.
qreal SkinnedTrackbar::ImageRatio() const
{
    return devicePixelRatioF() * zoom::Of(*this);
}

// Images from the resources are made again at a new pixel ratio so they stay
// crisp after the window has moved to another screen or the form was zoomed.
void SkinnedTrackbar::ReloadForRatio()
{
    const qreal ratio = ImageRatio();
    if (qFuzzyCompare(ratio, ratio_) || thumbId_ == 0)
        return;
    ratio_ = ratio;
    const QImage thumb = res::Bitmap(thumbId_, ratio);
    const QImage before = res::Bitmap(beforeId_, ratio);
    const QImage after = res::Bitmap(afterId_, ratio);
    if (!thumb.isNull() && !before.isNull() && !after.isNull()) {
        thumb_ = thumb;
        before_ = before;
        after_ = after;
    }
}

int SkinnedTrackbar::Length() const
{
    const QSize base = zoom::BaseSize(*this);
    return IsVertical() ? base.height() : base.width();
}

int SkinnedTrackbar::ThumbLength() const
{
    const QSize size = res::LogicalSize(thumb_);
    return IsVertical() ? size.height() : size.width();
}

int SkinnedTrackbar::Along(QPoint point) const
{
    return IsVertical() ? point.y() : point.x();
}

int SkinnedTrackbar::ValueToPixel(int position) const
{
    const int half = ThumbLength() / 2;
    const int travel = std::max(0, Length() - ThumbLength());
    const double range = double(maximum()) - double(minimum());
    if (range <= 0)
        return half;
    const double fraction = (double(std::clamp(position, minimum(), maximum())) - double(minimum())) / range;
    return half + static_cast<int>(std::lround(fraction * travel));
}

int SkinnedTrackbar::PixelToValue(int pixel) const
{
    const int travel = Length() - ThumbLength();
    if (travel <= 0)
        return minimum();
    const double fraction = (double(pixel) - ThumbLength() / 2) / double(travel);
    const double range = double(maximum()) - double(minimum());
    const double position =
        std::clamp(std::round(fraction * range) + double(minimum()), double(minimum()), double(maximum()));
    return static_cast<int>(position);
}

int SkinnedTrackbar::ThumbStart() const
{
    return ValueToPixel(sliderPosition()) - ThumbLength() / 2;
}

QSize SkinnedTrackbar::sizeHint() const
{
    return zoom::Scaled(BaseSizeHint(), zoom::Of(*this));
}

QSize SkinnedTrackbar::BaseSizeHint() const
{
    const QSize thumb = res::LogicalSize(thumb_);
    const QSize channel = res::LogicalSize(before_).expandedTo(res::LogicalSize(after_));
    int length = IsVertical() ? channel.height() : channel.width();
    if (length <= 0)
        length = kDefaultLength;
    int thickness =
        IsVertical() ? std::max(thumb.width(), channel.width()) : std::max(thumb.height(), channel.height());
    if (thickness <= 0)
        thickness = kDefaultThickness;
    return IsVertical() ? QSize(thickness, length) : QSize(length, thickness);
}

QSize SkinnedTrackbar::minimumSizeHint() const
{
    const QSize hint = BaseSizeHint();
    const int thumb = std::max(ThumbLength(), 1);
    return zoom::Scaled(IsVertical() ? QSize(hint.width(), thumb) : QSize(thumb, hint.height()),
                        zoom::Of(*this));
}

QAbstractSlider::SliderAction SkinnedTrackbar::KeyAction(int key) const
{
    switch (key) {
    case Qt::Key_Left:
    case Qt::Key_Up: return SliderSingleStepSub;
    case Qt::Key_Right:
    case Qt::Key_Down: return SliderSingleStepAdd;
    case Qt::Key_PageUp: return SliderPageStepSub;
    case Qt::Key_PageDown: return SliderPageStepAdd;
    case Qt::Key_Home: return SliderToMinimum;
    case Qt::Key_End: return SliderToMaximum;
    default: return SliderNoAction;
    }
}

// Moves a page from the thumb towards `along`, unless the thumb has reached
// it already.
void SkinnedTrackbar::PageTowards(int along)
{
    const int start = ThumbStart();
    if (along < start)
        triggerAction(SliderPageStepSub);
    else if (along >= start + std::max(ThumbLength(), 1))
        triggerAction(SliderPageStepAdd);
}

void SkinnedTrackbar::RepeatPage()
{
    if (!paging_ || !isEnabled())
        return;
    PageTowards(pageTarget_);
    pageRepeat_.start(kPageRepeatIntervalMs);
}

void SkinnedTrackbar::mousePressEvent(QMouseEvent* event)
{
    if (!isEnabled() || event->button() != Qt::LeftButton || IsDragging() || paging_) {
        DrawnSlider::mousePressEvent(event);
        return;
    }
    setFocus(Qt::MouseFocusReason);
    const int along = Along(zoom::ToBase(*this, event->position()).toPoint());
    const int start = ThumbStart();
    if (along >= start && along < start + ThumbLength()) {
        setSliderDown(true);
        dragOffset_ = along - ValueToPixel(sliderPosition());
    } else {
        paging_ = true;
        pageTarget_ = along;
        PageTowards(along);
        pageRepeat_.start(kPageRepeatDelayMs);
    }
    update();
    event->accept();
}

void SkinnedTrackbar::mouseMoveEvent(QMouseEvent* event)
{
    if (!isEnabled() || !(IsDragging() || paging_)) {
        DrawnSlider::mouseMoveEvent(event);
        return;
    }
    const int along = Along(zoom::ToBase(*this, event->position()).toPoint());
    if (paging_)
        pageTarget_ = along;
    else
        setSliderPosition(PixelToValue(along - dragOffset_));
    event->accept();
}

void SkinnedTrackbar::mouseReleaseEvent(QMouseEvent* event)
{
    if (!isEnabled() || event->button() != Qt::LeftButton || !(IsDragging() || paging_)) {
        DrawnSlider::mouseReleaseEvent(event);
        return;
    }
    StopMouse();
    event->accept();
}

// Ends a drag or a held page click, which finishes the change.
void SkinnedTrackbar::StopMouse()
{
    const bool finished = IsDragging() || paging_;
    setSliderDown(false);
    paging_ = false;
    pageRepeat_.stop();
    if (finished)
        PostChangeFinished();
    update();
}

void SkinnedTrackbar::focusInEvent(QFocusEvent* event)
{
    update();
    DrawnSlider::focusInEvent(event);
}

void SkinnedTrackbar::focusOutEvent(QFocusEvent* event)
{
    update();
    DrawnSlider::focusOutEvent(event);
}

void SkinnedTrackbar::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::EnabledChange && !isEnabled())
        StopMouse();
    DrawnSlider::changeEvent(event);
}

void SkinnedTrackbar::paintEvent(QPaintEvent* /*event*/)
{
    ReloadForRatio();
    QPainter painter(this);
    const double zoomed = zoom::Of(*this);
    if (zoomed != 1.0)
        painter.scale(zoomed, zoomed);
    if (!isEnabled())
        painter.setOpacity(0.5);
    const QSize base = zoom::BaseSize(*this);
    const int length = Length();
    const int centre = ValueToPixel(sliderPosition());

    // Each channel image stands for the whole length of the trackbar (scaled
    // along it when its length differs); the one before the thumb shows up
    // to the thumb's centre, the one after it from there on.
    auto drawChannel = [&](const QImage& image, int from, int to) {
        if (image.isNull() || to <= from || length <= 0)
            return;
        const QSize logical = res::LogicalSize(image);
        const qreal ratio = image.devicePixelRatio();
        if (IsVertical()) {
            const qreal scale = qreal(logical.height()) / length;
            const int left = (base.width() - logical.width()) / 2;
            painter.drawImage(QRectF(left, from, logical.width(), to - from), image,
                              QRectF(0, from * scale * ratio, image.width(), (to - from) * scale * ratio));
        } else {
            const qreal scale = qreal(logical.width()) / length;
            const int top = (base.height() - logical.height()) / 2;
            painter.drawImage(QRectF(from, top, to - from, logical.height()), image,
                              QRectF(from * scale * ratio, 0, (to - from) * scale * ratio, image.height()));
        }
    };
    const int split = std::clamp(centre, 0, std::max(length, 0));
    drawChannel(before_, 0, split);
    drawChannel(after_, split, length);

    if (!thumb_.isNull()) {
        const QSize thumb = res::LogicalSize(thumb_);
        const QPointF topLeft =
            IsVertical() ? QPointF((base.width() - thumb.width()) / 2, centre - thumb.height() / 2)
                         : QPointF(centre - thumb.width() / 2, (base.height() - thumb.height()) / 2);
        painter.drawImage(topLeft, thumb_);
    }

    if (hasFocus()) {
        painter.setOpacity(1.0);
        QPen pen(palette().color(QPalette::WindowText), zoomed);
        pen.setStyle(Qt::DotLine);
        pen.setCosmetic(true);
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(QRectF(QPointF(), zoom::BaseSizeF(*this)).adjusted(0.5, 0.5, -0.5, -0.5));
    }
}

}  // namespace brevant
