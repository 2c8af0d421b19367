#include "ui/controls/FormZoom.h"

#include <QFont>
#include <QVariant>
#include <QWidget>

#include <algorithm>

#include <cmath>

namespace brevant::zoom {

namespace {

constexpr const char* kFactor = "brevantZoom";
constexpr const char* kPlace = "brevantZoomPlace";
constexpr const char* kHeight = "brevantZoomHeight";
constexpr const char* kFont = "brevantZoomFont";

QFont ScaledFont(QFont font, double factor)
{
    if (font.pixelSize() > 0)
        font.setPixelSize(std::max(1, Scaled(font.pixelSize(), factor)));
    else if (font.pointSizeF() > 0)
        font.setPointSizeF(font.pointSizeF() * factor);
    return font;
}

// A font the widget set for itself is scaled from its size at 100 %, kept
// the first time the widget is zoomed. A font that has been set again since
// (it no longer matches what was scaled) is taken as the new base.
void Refont(QWidget& widget, double factor, bool root)
{
    if (!root && !widget.testAttribute(Qt::WA_SetFont))
        return;
    const QVariant kept = widget.property(kFont);
    QFont base = widget.font();
    if (kept.isValid()) {
        const auto pair = kept.value<QVariantList>();
        if (pair.size() == 2 && pair[1].value<QFont>() == widget.font())
            base = pair[0].value<QFont>();
    }
    const QFont scaled = ScaledFont(base, factor);
    widget.setProperty(kFont, QVariantList{base, scaled});
    if (scaled != widget.font())
        widget.setFont(scaled);
}

void Replace(QWidget& widget, double factor)
{
    const QVariant place = widget.property(kPlace);
    if (place.isValid())
        widget.setGeometry(Scaled(place.toRect(), factor));
    const QVariant height = widget.property(kHeight);
    if (height.isValid())
        widget.setFixedHeight(Scaled(height.toInt(), factor));
}

// Whether `widget` is drawn as part of `root`: no window stands between them.
bool InForm(const QWidget* widget, const QWidget& root)
{
    for (; widget != nullptr && widget != &root; widget = widget->parentWidget()) {
        if (widget->isWindow())
            return false;
    }
    return widget == &root;
}

}  // namespace

double Of(const QWidget& widget)
{
    for (const QWidget* w = &widget; w != nullptr; w = w->parentWidget()) {
        const QVariant factor = w->property(kFactor);
        if (factor.isValid())
            return factor.toDouble();
        // A dialog opened from the form is not part of its picture.
        if (w->isWindow())
            break;
    }
    return 1.0;
}

void Set(QWidget& root, double factor)
{
    root.setProperty(kFactor, factor);
    const QList<QWidget*> all = root.findChildren<QWidget*>();
    // Fonts from the innermost out: a font set here carries its size, so a
    // parent's new font no longer reaches into it, and each widget's size at
    // 100 % is read before any parent has changed it.
    for (auto it = all.crbegin(); it != all.crend(); ++it) {
        if (InForm(*it, root))
            Refont(**it, factor, false);
    }
    Refont(root, factor, true);
    // Places from the outside in (the list is parents first), so a widget
    // that lays out its children when resized has its new size before its
    // children are placed again.
    for (QWidget* widget : all) {
        if (InForm(widget, root))
            Replace(*widget, factor);
    }
}

int Scaled(int base, double factor)
{
    return static_cast<int>(std::lround(base * factor));
}

QRect Scaled(const QRect& base, double factor)
{
    const int left = Scaled(base.x(), factor);
    const int top = Scaled(base.y(), factor);
    return {left, top, Scaled(base.x() + base.width(), factor) - left,
            Scaled(base.y() + base.height(), factor) - top};
}

QSize Scaled(const QSize& base, double factor)
{
    return {Scaled(base.width(), factor), Scaled(base.height(), factor)};
}

void Place(QWidget& child, const QRect& base)
{
    child.setProperty(kPlace, base);
    child.setGeometry(Scaled(base, Of(child)));
}

QRect PlacedAt(const QWidget& child)
{
    return child.property(kPlace).toRect();
}

void SetFixedHeight(QWidget& widget, int base)
{
    widget.setProperty(kHeight, base);
    widget.setFixedHeight(Scaled(base, Of(widget)));
}

QSizeF BaseSizeF(const QWidget& widget)
{
    return QSizeF(widget.size()) / Of(widget);
}

QSize BaseSize(const QWidget& widget)
{
    const double factor = Of(widget);
    return {static_cast<int>(std::lround(widget.width() / factor)),
            static_cast<int>(std::lround(widget.height() / factor))};
}

QFont BaseFont(const QWidget& widget)
{
    return ScaledFont(widget.font(), 1.0 / Of(widget));
}

QPointF ToBase(const QWidget& widget, QPointF pixels)
{
    return pixels / Of(widget);
}

}  // namespace brevant::zoom
