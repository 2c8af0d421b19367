#include "ui/skin/SkinButton.h"

#include <QEnterEvent>
#include <QPaintEvent>
#include <QPainter>

#include <algorithm>
#include <array>
#include <string_view>

namespace brevant {

namespace {

// Glyphs on a grid of 5 x 5 cells; a cell is one pixel on the small button
// and grows with larger ones, so the strokes always fall on whole pixels.
constexpr int kGrid = 5;
using Glyph = std::array<std::string_view, kGrid>;

struct NamedGlyph {
    std::string_view name;
    Glyph cells;
};

constexpr std::array kGlyphs{
    NamedGlyph{"exit", {"#...#", ".#.#.", "..#..", ".#.#.", "#...#"}},
    // A window with a heavy title bar.
    NamedGlyph{"max", {"#####", "#####", "#...#", "#...#", "#####"}},
    // Two overlapping windows.
    NamedGlyph{"maxed", {".####", "#####", "#..##", "#..##", "####."}},
    NamedGlyph{"min", {".....", ".....", ".....", ".....", "#####"}},
    // An arrow rising to a bar; once on top, a pin pushed in.
    NamedGlyph{"top", {"#####", ".....", "..#..", ".###.", "#####"}},
    NamedGlyph{"toped", {"#####", "#####", ".###.", "..#..", "..#.."}},
    // An arrow sinking to a tray.
    NamedGlyph{"tray", {"#####", ".###.", "..#..", ".....", "#####"}},
    // A swatch.
    NamedGlyph{"color", {"..#..", ".###.", "#####", ".###.", "..#.."}},
    NamedGlyph{"plus", {"..#..", "..#..", "#####", "..#..", "..#.."}},
    NamedGlyph{"menu", {"#####", ".....", "#####", ".....", "#####"}},
};

constexpr std::string_view kMiniSuffix = "_mini";
constexpr int kMiniSize = 9;
constexpr int kFullSize = 14;

const NamedGlyph* FindGlyph(const QString& skinName)
{
    QString base = skinName;
    if (base.endsWith(QLatin1String(kMiniSuffix.data(), kMiniSuffix.size())))
        base.chop(static_cast<int>(kMiniSuffix.size()));
    const QByteArray key = base.toLatin1();
    const std::string_view name(key.constData(), static_cast<std::size_t>(key.size()));
    const auto found =
        std::find_if(kGlyphs.begin(), kGlyphs.end(), [name](const NamedGlyph& g) { return g.name == name; });
    return found == kGlyphs.end() ? nullptr : &*found;
}

// A one-pixel frame with its corner pixels left out, which reads as a
// rounded rectangle at this size.
void DrawFrame(QPainter& painter, const QRect& r, const QColor& colour)
{
    if (r.width() < 3 || r.height() < 3)
        return;
    painter.fillRect(QRect(r.left() + 1, r.top(), r.width() - 2, 1), colour);
    painter.fillRect(QRect(r.left() + 1, r.bottom(), r.width() - 2, 1), colour);
    painter.fillRect(QRect(r.left(), r.top() + 1, 1, r.height() - 2), colour);
    painter.fillRect(QRect(r.right(), r.top() + 1, 1, r.height() - 2), colour);
}

}  // namespace

SkinButton::SkinButton(QWidget* parent) : QAbstractButton(parent)
{
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_Hover);
}

SkinButton::~SkinButton() = default;

void SkinButton::SetSkinName(const QString& name)
{
    skinName_ = name;
    updateGeometry();
    update();
}

void SkinButton::SetColours(const std::array<QColor, 12>& colours)
{
    colours_ = colours;
    update();
}

SkinButton::DrawState SkinButton::State() const
{
    if (!isEnabled())
        return DrawState::Gray;
    if (!hover_)
        return DrawState::Normal;
    return isDown() ? DrawState::Down : DrawState::Over;
}

QSize SkinButton::sizeHint() const
{
    const bool mini = skinName_.endsWith(QLatin1String(kMiniSuffix.data(), kMiniSuffix.size()));
    const int side = mini ? kMiniSize : kFullSize;
    return {side, side};
}

void SkinButton::enterEvent(QEnterEvent* event)
{
    hover_ = true;
    update();
    QAbstractButton::enterEvent(event);
}

void SkinButton::leaveEvent(QEvent* event)
{
    hover_ = false;
    update();
    QAbstractButton::leaveEvent(event);
}

void SkinButton::DrawGlyph(QPainter& painter, const QColor& colour, QPoint offset) const
{
    const NamedGlyph* glyph = FindGlyph(skinName_);
    if (!glyph)
        return;
    const int cell = std::max(1, (std::min(width(), height()) - 4) / kGrid);
    const QPoint origin = QPoint((width() - kGrid * cell) / 2, (height() - kGrid * cell) / 2) + offset;

    // The cross of "exit" is the one glyph with slanted strokes: drawn as
    // pixel steps where a logical pixel is a device pixel, and as smooth
    // lines on denser screens.
    if (glyph->name == "exit" && painter.device()->devicePixelRatioF() > 1.0) {
        painter.save();
        painter.setRenderHint(QPainter::Antialiasing);
        QPen pen(colour, cell, Qt::SolidLine, Qt::SquareCap);
        painter.setPen(pen);
        const qreal near = cell * 0.5 + 0.15;
        const qreal far = kGrid * cell - cell * 0.5 - 0.15;
        painter.drawLine(QPointF(origin) + QPointF(near, near), QPointF(origin) + QPointF(far, far));
        painter.drawLine(QPointF(origin) + QPointF(far, near), QPointF(origin) + QPointF(near, far));
        painter.restore();
        return;
    }
    for (int row = 0; row < kGrid; ++row) {
        for (int column = 0; column < kGrid; ++column) {
            if (glyph->cells[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)] == '#')
                painter.fillRect(QRect(origin + QPoint(column * cell, row * cell), QSize(cell, cell)),
                                 colour);
        }
    }
}

void SkinButton::paintEvent(QPaintEvent* /*event*/)
{
    QPainter painter(this);
    const QRect area = rect();
    const DrawState state = State();

    QColor frame;
    QColor glyph;
    QPoint offset;
    switch (state) {
    case DrawState::Gray:
        frame = colours_[3];
        glyph = colours_[7];
        break;
    case DrawState::Normal:
        frame = colours_[0];
        glyph = colours_[1];
        break;
    case DrawState::Over:
        painter.fillRect(area.adjusted(1, 1, -1, -1), colours_[4]);
        frame = colours_[5];
        glyph = colours_[2];
        break;
    case DrawState::Down:
        painter.fillRect(area.adjusted(1, 1, -1, -1), colours_[4]);
        frame = colours_[5];
        glyph = colours_[6];
        offset = QPoint(1, 1);
        break;
    }
    DrawFrame(painter, area, frame);
    DrawGlyph(painter, glyph, offset);

    if (!text().isEmpty()) {
        painter.setPen(glyph);
        painter.drawText(area.translated(offset), Qt::AlignCenter, text());
    }
}

}  // namespace brevant
