// The zoom the form is laid out and drawn at.
//
// The form's root widget carries the factor (Set). Everything inside it is
// written in base units, the sizes at 100 %:
//  - a child is placed with Place() (or given a fixed height with
//    SetFixedHeight()), which scales its base rectangle and remembers it, so
//    a later zoom moves it again;
//  - a widget that lays out its children itself takes its own size in base
//    units (BaseSize) and places them with Place();
//  - a drawn control scales its painter by Of(*this), draws in base units,
//    and divides mouse positions by the same factor (ToBase);
//  - fonts follow by themselves: the root's font and every font a widget set
//    for itself are scaled from the size they had at 100 %.
// Outside a zoomed root the factor is 1 and all of this is the identity.
//
// UI thread only.
#pragma once

#include <QFont>
#include <QPointF>
#include <QRect>
#include <QSize>

class QWidget;

namespace brevant::zoom {

// The factor of the nearest ancestor (or `widget` itself) that carries one;
// 1 when none does.
double Of(const QWidget& widget);

// Makes `root` carry `factor` and moves, resizes and re-fonts every widget
// under it that was placed through this file. Widgets that lay themselves
// out follow from the resize events this sends.
void Set(QWidget& root, double factor);

// Base units to pixels at `factor`. Rectangles are scaled by their edges, so
// rectangles that meet at 100 % still meet when zoomed.
int Scaled(int base, double factor);
QRect Scaled(const QRect& base, double factor);
QSize Scaled(const QSize& base, double factor);

// Places `child` at `base` in its parent's base units, and keeps `base` for
// the next zoom.
void Place(QWidget& child, const QRect& base);
inline void Place(QWidget& child, int x, int y, int width, int height)
{
    Place(child, QRect(x, y, width, height));
}
// The base rectangle `child` was last placed at; null when never placed.
QRect PlacedAt(const QWidget& child);
// A fixed height in base units, kept for the next zoom.
void SetFixedHeight(QWidget& widget, int base);

// The widget's size in base units.
QSize BaseSize(const QWidget& widget);
QSizeF BaseSizeF(const QWidget& widget);
// The widget's font at 100 %: what to draw with under a painter scaled by
// the zoom.
QFont BaseFont(const QWidget& widget);
// A position in the widget's pixels in its base units.
QPointF ToBase(const QWidget& widget, QPointF pixels);

}  // namespace brevant::zoom
