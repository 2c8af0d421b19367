#include "ui/controls/LevelMeter.h"

#include "ui/controls/ControlAccessibility.h"
#include "ui/controls/FormZoom.h"

#include <QAccessible>
#include <QEvent>
#include <QFont>
#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>
#include <QResizeEvent>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace brevant {

namespace {

// Room for the scale ticks at each side of an upright bar.
constexpr int kTickLength = 2;
constexpr int kTickCount = 11;

// The gloss runs from a translucent grey at the edges of the bar to a
// translucent white along its middle.
constexpr int kGlossAlpha = 100;
constexpr int kGlossEdge = 128;
constexpr int kGlossMiddle = 255;

int SpanOf(int lower, int upper)
{
    return std::max(1, std::abs(upper - lower));
}

// The gloss gradient between `from` and `to` (across the bar), blended along
// a bell curve so that the light gathers in the middle and fades smoothly to
// the edges.
QLinearGradient GlossGradient(QPointF from, QPointF to)
{
    QLinearGradient gradient(from, to);
    constexpr int kStops = 12;
    constexpr double kWidth = 0.22;
    for (int i = 0; i <= kStops; ++i) {
        const double t = static_cast<double>(i) / kStops;
        const double d = (t - 0.5) / kWidth;
        const double weight = std::exp(-0.5 * d * d);
        const int grey = kGlossEdge + static_cast<int>(std::lround((kGlossMiddle - kGlossEdge) * weight));
        gradient.setColorAt(t, QColor(grey, grey, grey, kGlossAlpha));
    }
    return gradient;
}

QFont BaseNumberFont()
{
    QFont font(QStringLiteral("Arial"));
    font.setFamilies({QStringLiteral("Arial"), QStringLiteral("Sans Serif")});
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(6.0);
    font.setStyleStrategy(QFont::PreferAntialias);
    return font;
}

// Copies `part` of `picture` to the same place relative to `at`, a band of
// rows at a time. Under the clip of a zoomed form's changed parts the raster
// engine hands any copy of more than about a hundred rows to worker threads;
// for a meter's few thousand pixels waking them costs far more than the copy.
void CopyInBands(QPainter& painter, QPoint at, const QPixmap& picture, const QRect& part)
{
    constexpr int kRows = 64;
    for (int top = part.top(); top <= part.bottom(); top += kRows) {
        const QRect band(part.left(), top, part.width(), std::min(kRows, part.bottom() + 1 - top));
        painter.drawPixmap(QRectF(band.translated(at)), picture, QRectF(band));
    }
}

}  // namespace

LevelMeter::LevelMeter(QWidget* parent) : LevelMeter(0, Qt::Horizontal, parent) {}

LevelMeter::LevelMeter(int controlId, Qt::Orientation orientation, QWidget* parent)
    : QWidget(parent), orientation_(orientation)
{
    SetControlId(controlId);
    InstallControlAccessibility();
    // Every pixel is drawn from the cached picture, so Qt need not clear first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    TakePaletteColours();
    SetLimits(0, 100);
    if (orientation_ == Qt::Horizontal)
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    else
        setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
}

void LevelMeter::SetControlId(int controlId)
{
    controlId_ = controlId;
    setProperty("controlId", controlId);
}

void LevelMeter::SetLimits(int lower, int upper)
{
    const auto newLower = static_cast<std::int16_t>(lower);
    const auto newUpper = static_cast<std::int16_t>(upper);
    if (newLower == lower_ && newUpper == upper_)
        return;
    lower_ = newLower;
    upper_ = newUpper;
    span_ = SpanOf(lower_, upper_);
    position_ = std::clamp(position_, std::min<int>(lower_, upper_), std::max<int>(lower_, upper_));
    Invalidate(true);
}

void LevelMeter::GetLimits(int& lower, int& upper) const
{
    lower = lower_;
    upper = upper_;
}

void LevelMeter::SetValue(int position)
{
    const int clamped = std::clamp(position, std::min<int>(lower_, upper_), std::max<int>(lower_, upper_));
    if (clamped == position_)
        return;
    const int oldPercent = FilledPercent();
    const QString oldText = showText_ ? DisplayText() : QString();
    position_ = clamped;
    // A new position that leaves the bar and the number as they were costs no
    // paint; one that changes them copies from the pictures already drawn.
    if (FilledPercent() != oldPercent || (showText_ && DisplayText() != oldText))
        update();
    // The meters change with every polling pass: the news is only made up
    // while something listens.
    if (QAccessible::isActive()) {
        QAccessibleValueChangeEvent event(this, position_ + displayOffset_);
        QAccessible::updateAccessibility(&event);
    }
}

void LevelMeter::SetBarColour(QRgb colour, bool redraw)
{
    if (colour == barColour_)
        return;
    barColour_ = colour;
    Invalidate(redraw);
}

void LevelMeter::SetFrameColour(QRgb colour, bool redraw)
{
    if (colour == frameColour_)
        return;
    frameColour_ = colour;
    Invalidate(redraw);
}

void LevelMeter::SetTooltipText(const QString& text, bool activate)
{
    tooltipText_ = text;
    setToolTip(activate ? text : QString());
}

void LevelMeter::SetDisplayOffset(int offset)
{
    if (offset == displayOffset_)
        return;
    displayOffset_ = offset;
    if (showText_)
        update();
}

void LevelMeter::SetShowText(bool show)
{
    if (show == showText_)
        return;
    showText_ = show;
    update();
}

QRectF LevelMeter::BarRect() const
{
    // The frame is a 1 px line centred on the outline, so the outline sits on
    // half pixels; an upright bar leaves room for its ticks.
    const qreal side = orientation_ == Qt::Vertical ? kTickLength + 0.5 : 0.5;
    return QRectF(QPointF(), BaseSize()).adjusted(side, 0.5, -side, -0.5);
}

QRectF LevelMeter::NumberArea() const
{
    // The whole thickness of the bar (the digits may touch its outline, a
    // narrow bar has little else), less the rounded ends along it.
    const QRectF bar = BarRect();
    if (bar.width() <= 2 || bar.height() <= 2)
        return {};
    const qreal end = std::min(bar.width(), bar.height()) / 4.0;
    return orientation_ == Qt::Vertical ? bar.adjusted(0.0, end, 0.0, -end)
                                        : bar.adjusted(end, 0.0, -end, 0.0);
}

QFont LevelMeter::NumberFont() const
{
    const QRectF area = NumberArea();
    const int shown = position_ + displayOffset_;
    const NumberShape shape{lower_ + displayOffset_, upper_ + displayOffset_,
                            static_cast<int>(QString::number(std::abs(shown)).size()) + (shown < 0 ? 1 : 0),
                            area, orientation_ == Qt::Vertical};
    if (shape != numberShape_) {
        numberFont_ = FittingNumberFont(area);
        numberShape_ = shape;
    }
    return numberFont_;
}

QFont LevelMeter::FittingNumberFont(const QRectF& area) const
{
    QFont font = BaseNumberFont();
    if (area.isEmpty())
        return font;
    // An upright bar is written along its length, so the number's run is the
    // bar's height and its digits must stand within the bar's width.
    const bool upright = orientation_ == Qt::Vertical;
    const qreal run = (upright ? area.height() : area.width()) - 1.0;
    const qreal across = (upright ? area.width() : area.height()) - 1.0;
    const QString widest[] = {QString::number(lower_ + displayOffset_),
                              QString::number(upper_ + displayOffset_), DisplayText()};
    constexpr qreal kSmallest = 3.0;
    for (qreal points = font.pointSizeF(); points > kSmallest; points -= 0.25) {
        font.setPointSizeF(points);
        const QFontMetricsF metrics(font);
        qreal advance = 0.0;
        for (const QString& text : widest)
            advance = std::max(advance, metrics.horizontalAdvance(text));
        if (advance <= run && metrics.tightBoundingRect(QStringLiteral("-0123456789")).height() <= across)
            return font;
    }
    font.setPointSizeF(kSmallest);
    return font;
}

QString LevelMeter::DisplayText() const
{
    return QString::asprintf("%d", position_ + displayOffset_);
}

QString LevelMeter::ValueText() const
{
    return unitText_.isEmpty() ? DisplayText() : DisplayText() + QLatin1Char(' ') + unitText_;
}

int LevelMeter::FilledPercent() const
{
    return std::clamp((position_ - lower_) * 100 / span_, 0, 100);
}

void LevelMeter::SetOrientation(Qt::Orientation orientation)
{
    if (orientation == orientation_)
        return;
    orientation_ = orientation;
    updateGeometry();
    Invalidate(true);
}

void LevelMeter::Rebuild(bool redraw)
{
    empty_ = QPixmap();
    full_ = QPixmap();
    Invalidate(redraw);
}

QSize LevelMeter::sizeHint() const
{
    return zoom::Scaled(orientation_ == Qt::Horizontal ? QSize(120, 14) : QSize(18, 120), zoom::Of(*this));
}

QSize LevelMeter::minimumSizeHint() const
{
    return zoom::Scaled(orientation_ == Qt::Horizontal ? QSize(24, 8) : QSize(12, 24), zoom::Of(*this));
}

void LevelMeter::paintEvent(QPaintEvent* event)
{
    Q_UNUSED(event);  // Qt clips to the region that needs painting
    QPainter painter(this);
    // Everything is drawn in base units; the form's zoom scales the painter.
    TakeZoom();
    if (zoom_ != 1.0)
        painter.scale(zoom_, zoom_);
    // The pictures are drawn at the scale the meter is shown at: the screen's
    // pixel ratio times the form's zoom. Copying them is then a plain copy,
    // and the bar stays sharp at any zoom.
    const QTransform toDevice = painter.deviceTransform();
    const qreal shown = std::hypot(toDevice.m11(), toDevice.m12());
    const qreal ratio = std::clamp(std::round(shown * 100.0) / 100.0, 0.25, 8.0);
    if (layersStale_ || empty_.isNull() || layerRatio_ != ratio)
        RenderLayers(ratio);
    const QRect filled = FilledPixels();
    if (toDevice.type() == QTransform::TxScale && toDevice.m11() == toDevice.m22() &&
        std::abs(toDevice.m11() - ratio) < 0.005) {
        // A scaled painter (a zoomed form, a screen of more than one pixel
        // to the unit): copy the pictures pixel for pixel from where the
        // meter's corner falls, rather than through the painter's scaling of
        // images.
        const QPointF corner = toDevice.map(QPointF(0, 0));
        const QPoint at(static_cast<int>(std::lround(corner.x())), static_cast<int>(std::lround(corner.y())));
        const QTransform redirection = painter.worldTransform().inverted() * toDevice;
        painter.save();
        painter.setWorldTransform(redirection.inverted());  // world units are now device pixels
        CopyInBands(painter, at, empty_, empty_.rect());
        CopyInBands(painter, at, full_, filled);
        painter.restore();
    } else {
        painter.drawPixmap(QPointF(0, 0), empty_);
        if (!filled.isEmpty())
            painter.drawPixmap(QRectF(QPointF(filled.topLeft()) / ratio, QSizeF(filled.size()) / ratio),
                               full_, QRectF(filled));
    }
    if (showText_)
        PaintNumber(painter);
}

void LevelMeter::resizeEvent(QResizeEvent* event)
{
    TakeZoom();
    layersStale_ = true;
    QWidget::resizeEvent(event);
}

void LevelMeter::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::PaletteChange) {
        TakePaletteColours();
        Invalidate(true);
    }
    QWidget::changeEvent(event);
}

// The form's zoom is looked up once per paint and on every resize (a new
// zoom places the meter again), not by every measure taken while painting.
void LevelMeter::TakeZoom()
{
    zoom_ = zoom::Of(*this);
}

QSizeF LevelMeter::BaseSize() const
{
    return QSizeF(size()) / zoom_;
}

void LevelMeter::Invalidate(bool redraw)
{
    layersStale_ = true;
    if (redraw)
        update();
}

void LevelMeter::TakePaletteColours()
{
    backColour_ = palette().color(QPalette::Button).rgba();
    textColour_ = palette().color(QPalette::ButtonText).rgba();
}

void LevelMeter::RenderLayers(qreal ratio)
{
    const QSize pixels = (BaseSize() * ratio).toSize().expandedTo(QSize(1, 1));
    for (QPixmap* layer : {&empty_, &full_}) {
        if (layer->size() != pixels)
            *layer = QPixmap(pixels);
        layer->setDevicePixelRatio(ratio);
    }
    layerRatio_ = ratio;
    layersStale_ = false;
    ++renderCount_;
    QPainter empty(&empty_);
    PaintLayer(empty, emptyColour_);
    QPainter full(&full_);
    PaintLayer(full, barColour_);
}

void LevelMeter::PaintLayer(QPainter& painter, QRgb fill) const
{
    const QSizeF base = BaseSize();
    painter.fillRect(QRectF(QPointF(), base), QColor::fromRgba(backColour_));
    const QRectF bar = BarRect();
    if (base.width() <= 0 || base.height() <= 0 || bar.width() <= 0 || bar.height() <= 0)
        return;
    painter.setRenderHint(QPainter::Antialiasing);
    const bool upright = orientation_ == Qt::Vertical;
    const qreal radius = std::min(bar.width(), bar.height()) / 2.0;
    QPainterPath outline;
    outline.addRoundedRect(bar, radius, radius);

    painter.save();
    painter.setClipPath(outline);
    painter.fillRect(bar, QColor::fromRgba(fill));
    const QLinearGradient gloss = upright ? GlossGradient(bar.topLeft(), bar.topRight())
                                          : GlossGradient(bar.topLeft(), bar.bottomLeft());
    painter.fillRect(bar, gloss);
    painter.restore();

    painter.setPen(QPen(QColor::fromRgba(frameColour_), 1.0));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(outline);

    if (upright) {
        // Eleven pairs of ticks, one at every tenth of the height, crisp on
        // whole pixels.
        painter.setRenderHint(QPainter::Antialiasing, false);
        const QColor tick = QColor::fromRgba(kTickColour);
        const QSize whole = base.toSize();
        const int last = whole.height() - 1;
        for (int i = 0; i < kTickCount; ++i) {
            const int y = i * last / (kTickCount - 1);
            painter.fillRect(QRect(0, y, kTickLength, 1), tick);
            painter.fillRect(QRect(whole.width() - kTickLength, y, kTickLength, 1), tick);
        }
    }
}

QRect LevelMeter::FilledPixels() const
{
    const double fraction = FilledPercent() / 100.0;
    if (fraction <= 0.0)
        return {};
    // The whole thickness of the widget: the full picture's frame and ticks
    // sit where the empty one's do.
    const qreal ratio = layerRatio_;
    const QRectF bar = BarRect();
    const int across = full_.width();
    if (orientation_ == Qt::Vertical) {
        const int top = static_cast<int>(std::lround((bar.bottom() - bar.height() * fraction) * ratio));
        return QRect(0, top, across, full_.height() - top);
    }
    const int end = static_cast<int>(std::lround((bar.left() + bar.width() * fraction) * ratio));
    return QRect(0, 0, end, full_.height());
}

void LevelMeter::PaintNumber(QPainter& painter)
{
    const QRectF area = NumberArea();
    if (area.isEmpty())
        return;
    painter.setRenderHint(QPainter::TextAntialiasing);
    const QFont font = NumberFont();
    painter.setFont(font);
    painter.setPen(QColor::fromRgba(textColour_));
    const QStaticText& number = numbers_.Get(DisplayText(), font);
    const QSizeF size = number.size();
    if (orientation_ == Qt::Vertical) {
        // Read from the bottom up, as the bar fills.
        painter.translate(area.center());
        painter.rotate(-90.0);
        painter.drawStaticText(QPointF(-size.width() / 2.0, -size.height() / 2.0), number);
    } else {
        painter.drawStaticText(area.center() - QPointF(size.width() / 2.0, size.height() / 2.0), number);
    }
}

}  // namespace brevant
