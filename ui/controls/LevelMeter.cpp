#include "ui/controls/LevelMeter.h"

#include "ui/controls/ControlAccessibility.h"

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
    // A new position that leaves the bar and the number as they were costs no paint.
    if (FilledPercent() != oldPercent || (showText_ && DisplayText() != oldText))
        Invalidate(true);
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
        Invalidate(true);
}

void LevelMeter::SetShowText(bool show)
{
    if (show == showText_)
        return;
    showText_ = show;
    Invalidate(true);
}

QRectF LevelMeter::BarRect() const
{
    // The frame is a 1 px line centred on the outline, so the outline sits on
    // half pixels; an upright bar leaves room for its ticks.
    const qreal side = orientation_ == Qt::Vertical ? kTickLength + 0.5 : 0.5;
    return QRectF(0, 0, width(), height()).adjusted(side, 0.5, -side, -0.5);
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
    QFont font = BaseNumberFont();
    const QRectF area = NumberArea();
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
    cache_ = QPixmap();
    Invalidate(redraw);
}

QSize LevelMeter::sizeHint() const
{
    return orientation_ == Qt::Horizontal ? QSize(120, 14) : QSize(18, 120);
}

QSize LevelMeter::minimumSizeHint() const
{
    return orientation_ == Qt::Horizontal ? QSize(24, 8) : QSize(12, 24);
}

void LevelMeter::paintEvent(QPaintEvent* event)
{
    const qreal ratio = devicePixelRatioF();
    const QSize pixels = (QSizeF(size()) * ratio).toSize();
    if (cacheStale_ || cache_.isNull() || cache_.size() != pixels || cache_.devicePixelRatio() != ratio)
        RenderCache(ratio);
    // The pixmap carries the ratio, so it covers the widget at its logical size;
    // Qt clips to the region that needs painting.
    Q_UNUSED(event);
    QPainter painter(this);
    painter.drawPixmap(QPoint(0, 0), cache_);
}

void LevelMeter::resizeEvent(QResizeEvent* event)
{
    cacheStale_ = true;
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

void LevelMeter::Invalidate(bool redraw)
{
    cacheStale_ = true;
    if (redraw)
        update();
}

void LevelMeter::TakePaletteColours()
{
    backColour_ = palette().color(QPalette::Button).rgba();
    textColour_ = palette().color(QPalette::ButtonText).rgba();
}

void LevelMeter::RenderCache(qreal ratio)
{
    const QSize pixels = (QSizeF(size()) * ratio).toSize();
    if (cache_.size() != pixels)
        cache_ = QPixmap(pixels);
    cache_.setDevicePixelRatio(ratio);
    cache_.fill(QColor::fromRgba(backColour_));
    cacheStale_ = false;
    ++renderCount_;
    if (width() <= 0 || height() <= 0)
        return;

    QPainter painter(&cache_);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);

    const bool upright = orientation_ == Qt::Vertical;
    const QRectF bar = BarRect();
    if (bar.width() <= 0 || bar.height() <= 0)
        return;
    const qreal radius = std::min(bar.width(), bar.height()) / 2.0;
    QPainterPath outline;
    outline.addRoundedRect(bar, radius, radius);

    const double fraction = FilledPercent() / 100.0;
    QRectF filled = bar;
    if (upright)
        filled.setTop(bar.bottom() - bar.height() * fraction);
    else
        filled.setWidth(bar.width() * fraction);

    painter.save();
    painter.setClipPath(outline);
    painter.fillRect(bar, QColor::fromRgba(emptyColour_));
    if (fraction > 0.0)
        painter.fillRect(filled, QColor::fromRgba(barColour_));
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
        const int last = height() - 1;
        for (int i = 0; i < kTickCount; ++i) {
            const int y = i * last / (kTickCount - 1);
            painter.fillRect(QRect(0, y, kTickLength, 1), tick);
            painter.fillRect(QRect(width() - kTickLength, y, kTickLength, 1), tick);
        }
        painter.setRenderHint(QPainter::Antialiasing, true);
    }

    if (showText_) {
        const QRectF area = NumberArea();
        painter.setFont(NumberFont());
        painter.setPen(QColor::fromRgba(textColour_));
        if (upright) {
            // Read from the bottom up, as the bar fills.
            painter.translate(area.center());
            painter.rotate(-90.0);
            painter.drawText(QRectF(-area.height() / 2.0, -area.width() / 2.0, area.height(), area.width()),
                             Qt::AlignCenter, DisplayText());
        } else {
            painter.drawText(area, Qt::AlignCenter, DisplayText());
        }
    }
}

}  // namespace brevant
