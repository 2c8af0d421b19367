#include "ui/soundtest/LevelGraph.h"

#include "core/BoundedFile.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFont>
#include <QFontMetrics>
#include <QPaintEvent>
#include <QPainter>
#include <QPen>
#include <QPolygon>

#include <algorithm>
#include <cmath>

namespace brevant {

namespace {

// Pixel sizes of the label fonts. The level labels have to fit the 25 pixels
// left of the plot area; the frequency labels stand on end below it.
constexpr int kLevelLabelPixels = 11;
constexpr int kFrequencyLabelPixels = 16;

// Where the labels sit relative to their tick.
constexpr int kLevelLabelLeft = 25;     // text starts this far left of the plot area
constexpr int kLevelLabelRaise = 8;     // text top this far above the tick row
constexpr int kFrequencyLabelDrop = 5;  // text starts this far below the plot area
constexpr int kFrequencyLabelShift = 15;

// Powers of ten the frequency axis can carry a decade line at.
constexpr std::array<double, 7> kDecades = {0.01, 0.1, 1.0, 10.0, 100.0, 1000.0, 10000.0};

// Index into kDecades of the largest power of ten not above f (the smallest
// one when f is below all of them).
int DecadeAtOrBelow(double f)
{
    int found = 0;
    for (int e = 0; e < static_cast<int>(kDecades.size()); ++e) {
        if (kDecades[static_cast<std::size_t>(e)] <= f)
            found = e;
    }
    return found;
}

// A coordinate or label value as a whole number, cut toward zero. Values too
// large for an int are held at its range; NaN counts as 0.
int Truncate(double v)
{
    if (std::isnan(v))
        return 0;
    constexpr double kLimit = 2.0e9;
    return static_cast<int>(std::trunc(std::clamp(v, -kLimit, kLimit)));
}

// A tick value as a whole number. A value that only misses a whole number by
// the rounding of the step arithmetic counts as that number, so a tick meant
// to read -50 does not come out as -49.
int TickValue(double v)
{
    const double nearest = std::round(v);
    if (std::abs(v - nearest) < 1e-9)
        return Truncate(nearest);
    return Truncate(v);
}

QString FrequencyText(double f)
{
    if (f < 1000.0)
        return QString::number(Truncate(f));
    return QString::number(Truncate(f * 0.001)) + QLatin1Char('k');
}

QFont FrequencyLabelFont()
{
    QFont font;
    // The first family reads best on systems that have it; the second covers
    // the same characters on most Linux installations.
    font.setFamilies(
        {QStringLiteral("楷书"), QStringLiteral("WenQuanYi Micro Hei"), QStringLiteral("sans-serif")});
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(kFrequencyLabelPixels);
    return font;
}

QString CsvNumber(double v)
{
    // QString::number always formats in the C locale.
    return QString::number(v, 'g', QLocale::FloatingPointShortest);
}

bool Fail(QString* error, const QString& message)
{
    if (error)
        *error = message;
    return false;
}

// Writes a whole export the one way every file of the program is written;
// the reason when it could not be, naming the file.
QString SaveBytes(const QString& path, const QByteArray& bytes)
{
    const std::string why =
        WriteFileAtomically(QFile::encodeName(path).toStdString(),
                            std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    return QString::fromStdString(why);
}

}  // namespace

LevelGraph::LevelGraph(QWidget* parent) : QWidget(parent)
{
    setFocusPolicy(Qt::NoFocus);
}

bool LevelGraph::ValidCurve(int curve)
{
    return curve >= 1 && curve <= kCurveCount;
}

bool LevelGraph::ValidIndex(int index)
{
    return index >= 0 && index < kPointCount;
}

bool LevelGraph::InAxisRange(double frequency)
{
    return kXMin <= frequency && frequency <= kXMax;
}

void LevelGraph::ClearCurve(int curve)
{
    if (!ValidCurve(curve))
        return;
    curves_[static_cast<std::size_t>(curve - 1)].fill(0.0);
}

void LevelGraph::SetCurvePoint(double value, int index, int curve)
{
    if (!ValidCurve(curve) || !ValidIndex(index))
        return;
    curves_[static_cast<std::size_t>(curve - 1)][static_cast<std::size_t>(index)] = value;
}

void LevelGraph::SetXValue(double frequency, int index)
{
    if (!ValidIndex(index))
        return;
    xValues_[static_cast<std::size_t>(index)] = frequency;
}

void LevelGraph::SetYMax(double value)
{
    yMax_ = value;
}

void LevelGraph::SetYMin(double value)
{
    yMin_ = value;
}

void LevelGraph::SetShowLabels(bool show)
{
    showLabels_ = show;
}

void LevelGraph::SetShowGrid(bool show)
{
    showGrid_ = show;
}

void LevelGraph::SetBackgroundColour(const QColor& colour)
{
    backgroundColour_ = colour;
}

double LevelGraph::CurvePoint(int index, int curve) const
{
    if (!ValidCurve(curve) || !ValidIndex(index))
        return 0.0;
    return curves_[static_cast<std::size_t>(curve - 1)][static_cast<std::size_t>(index)];
}

double LevelGraph::XValue(int index) const
{
    if (!ValidIndex(index))
        return 0.0;
    return xValues_[static_cast<std::size_t>(index)];
}

QRect LevelGraph::PlotArea() const
{
    return PlotAreaFor(size());
}

std::vector<LevelGraph::AxisLabel> LevelGraph::LevelLabels() const
{
    return LevelLabelsFor(PlotArea());
}

std::vector<LevelGraph::AxisLabel> LevelGraph::FrequencyLabels() const
{
    return FrequencyLabelsFor(PlotArea());
}

QRect LevelGraph::PlotAreaFor(QSize size) const
{
    const int w = size.width();
    const int h = size.height();
    if (!showLabels_)
        return QRect(0, 0, w, h);
    // A twentieth of the width on either side and a tenth of the height above
    // and below hold the labels.
    return QRect(QPoint(w / 20, h / 10), QPoint((w - 1) - w / 20, (h - 1) - h / 10));
}

std::vector<LevelGraph::AxisLabel> LevelGraph::LevelLabelsFor(const QRect& plot) const
{
    std::vector<AxisLabel> labels;
    if (!showLabels_)
        return labels;
    // Ten equal steps from bottom to top; the bottom row has no label.
    const double step = (plot.bottom() - plot.top()) * 0.1;
    const int x = plot.left() - kLevelLabelLeft;
    for (int i = 1; i <= 9; ++i) {
        const int row = Truncate(plot.bottom() - i * step);
        const int value = TickValue(yMin_ + (yMax_ - yMin_) * i * 0.1);
        labels.push_back({QPoint(x, row - kLevelLabelRaise), QString::number(value)});
    }
    labels.push_back({QPoint(x, plot.top() - kLevelLabelRaise), QString::number(Truncate(yMax_))});
    return labels;
}

std::vector<LevelGraph::AxisLabel> LevelGraph::FrequencyLabelsFor(const QRect& plot) const
{
    std::vector<AxisLabel> labels;
    if (!showLabels_)
        return labels;
    const int y = plot.bottom() + kFrequencyLabelDrop;
    const int first = DecadeAtOrBelow(kXMin);
    const int last = DecadeAtOrBelow(kXMax);
    for (int e = first; e <= last; ++e) {
        const double f = kDecades[static_cast<std::size_t>(e)];
        // The first label hangs left of the left edge; the others stand
        // just right of their lines.
        const int shift = e == first ? 0 : kFrequencyLabelShift;
        labels.push_back({QPoint(Truncate(XPosition(plot, f)) + shift, y), FrequencyText(f)});
    }
    labels.push_back({QPoint(plot.right() + kFrequencyLabelShift, y),
                      QString::number(Truncate(kXMax * 0.001)) + QLatin1Char('k')});
    return labels;
}

double LevelGraph::XPosition(const QRect& plot, double frequency)
{
    return plot.left() +
           (plot.right() - plot.left()) * std::log10(frequency / kXMin) / std::log10(kXMax / kXMin);
}

double LevelGraph::YPosition(const QRect& plot, double value) const
{
    if (value < yMin_)
        return plot.bottom();
    if (value > yMax_)
        return plot.top();
    // An empty level range (or a value that is not a number) has no height to
    // place the point in; it rests on the bottom edge.
    if (!(yMax_ > yMin_) || std::isnan(value))
        return plot.bottom();
    return plot.bottom() - (value - yMin_) * (plot.bottom() - plot.top()) / (yMax_ - yMin_);
}

QImage LevelGraph::Render(qreal scale) const
{
    if (!(scale > 0.0) || !std::isfinite(scale) || width() <= 0 || height() <= 0)
        return {};
    const QSize pixels(std::max(1, qRound(width() * scale)), std::max(1, qRound(height() * scale)));
    QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return {};
    image.setDevicePixelRatio(scale);
    QPainter painter(&image);
    Paint(painter, size());
    return image;
}

void LevelGraph::paintEvent(QPaintEvent* /*event*/)
{
    // Drawn off screen first, then shown in one go, so a repaint never shows
    // a half-drawn graph.
    const QImage frame = Render(devicePixelRatioF());
    if (frame.isNull())
        return;
    QPainter painter(this);
    painter.drawImage(QPoint(0, 0), frame);
}

void LevelGraph::Paint(QPainter& painter, QSize size) const
{
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.fillRect(QRect(QPoint(0, 0), size), backgroundColour_);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.setRenderHint(QPainter::Antialiasing, false);

    const QRect plot = PlotAreaFor(size);
    if (showGrid_)
        PaintGrid(painter, plot);
    if (showLabels_)
        PaintLabels(painter, plot);
    PaintCurve(painter, plot, curves_[0], QColor(255, 0, 0));
    PaintCurve(painter, plot, curves_[1], QColor(0, 0, 255));
}

void LevelGraph::PaintGrid(QPainter& painter, const QRect& plot) const
{
    const int left = plot.left();
    const int right = plot.right();
    const int top = plot.top();
    const int bottom = plot.bottom();

    painter.setPen(QPen(Qt::black, 1, Qt::SolidLine));
    // The axes.
    painter.drawLine(left, bottom, left, top);
    painter.drawLine(left, bottom, right, bottom);

    // Level lines at each tenth, and the top edge.
    const double step = (bottom - top) * 0.1;
    for (int i = 1; i <= 9; ++i) {
        const int row = Truncate(bottom - i * step);
        painter.drawLine(left, row, right, row);
    }
    painter.drawLine(left, top, right, top);

    // A solid line at each decade, and the right edge.
    const int first = DecadeAtOrBelow(kXMin);
    const int last = DecadeAtOrBelow(kXMax);
    for (int e = first; e <= last; ++e) {
        const int column = Truncate(XPosition(plot, kDecades[static_cast<std::size_t>(e)]));
        painter.drawLine(column, bottom, column, top);
    }
    painter.drawLine(right, bottom, right, top);

    // Dotted lines at the whole multiples inside each decade, and above the
    // last decade up to (not on) the right edge.
    painter.setPen(QPen(Qt::black, 1, Qt::DotLine));
    const auto dotted = [&](double f) {
        const int column = Truncate(XPosition(plot, f));
        painter.drawLine(column, bottom, column, top);
    };
    for (int e = first; e < last; ++e) {
        const double decade = kDecades[static_cast<std::size_t>(e)];
        for (int m = 2; m <= 9; ++m) {
            if (InAxisRange(m * decade))
                dotted(m * decade);
        }
    }
    const double lastDecade = kDecades[static_cast<std::size_t>(last)];
    for (int m = 2; m * lastDecade < kXMax; ++m)
        dotted(m * lastDecade);
}

void LevelGraph::PaintLabels(QPainter& painter, const QRect& plot) const
{
    painter.setPen(Qt::black);
    painter.setBackgroundMode(Qt::TransparentMode);

    QFont levelFont = font();
    levelFont.setPixelSize(kLevelLabelPixels);
    painter.setFont(levelFont);
    const QFontMetrics levelMetrics(levelFont);
    for (const AxisLabel& label : LevelLabelsFor(plot))
        painter.drawText(label.position + QPoint(0, levelMetrics.ascent()), label.text);

    // Frequency labels stand on end: turned a quarter clockwise about their
    // starting point, so they read from top to bottom.
    const QFont frequencyFont = FrequencyLabelFont();
    painter.setFont(frequencyFont);
    const QFontMetrics frequencyMetrics(frequencyFont);
    for (const AxisLabel& label : FrequencyLabelsFor(plot)) {
        painter.save();
        painter.translate(label.position);
        painter.rotate(90.0);
        painter.drawText(QPoint(0, frequencyMetrics.ascent()), label.text);
        painter.restore();
    }
}

void LevelGraph::PaintCurve(QPainter& painter, const QRect& plot, const Curve& curve,
                            const QColor& colour) const
{
    QPolygon line;
    for (int k = 0; k < kPointCount; ++k) {
        const double f = xValues_[static_cast<std::size_t>(k)];
        if (!InAxisRange(f))
            continue;
        line << QPoint(Truncate(XPosition(plot, f)),
                       Truncate(YPosition(plot, curve[static_cast<std::size_t>(k)])));
    }
    if (line.isEmpty())
        return;
    painter.setPen(QPen(colour, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    if (line.size() == 1)
        painter.drawPoint(line.first());
    else
        painter.drawPolyline(line);
}

bool LevelGraph::ExportPng(const QString& path, QString* error, qreal scale) const
{
    const QString name = QDir::toNativeSeparators(path);
    const QImage image = Render(scale);
    if (image.isNull()) {
        return Fail(error, tr("Could not save the graph to %1: the graph has no area to draw at scale %2.")
                               .arg(name)
                               .arg(scale));
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    if (!buffer.open(QIODevice::WriteOnly) || !image.save(&buffer, "PNG"))
        return Fail(error, tr("Could not save the graph to %1: the picture could not be encoded.").arg(name));
    if (const QString why = SaveBytes(path, bytes); !why.isEmpty())
        return Fail(error, tr("Could not save the graph: %1").arg(why));
    return true;
}

bool LevelGraph::ExportCsv(const QString& path, QString* error) const
{
    QString text = QStringLiteral("frequency,curve1,curve2\n");
    for (int k = 0; k < kPointCount; ++k) {
        const auto i = static_cast<std::size_t>(k);
        if (!InAxisRange(xValues_[i]))
            continue;
        text += CsvNumber(xValues_[i]) + QLatin1Char(',') + CsvNumber(curves_[0][i]) + QLatin1Char(',') +
                CsvNumber(curves_[1][i]) + QLatin1Char('\n');
    }
    if (const QString why = SaveBytes(path, text.toUtf8()); !why.isEmpty())
        return Fail(error, tr("Could not save the measurement: %1").arg(why));
    return true;
}

QSize LevelGraph::sizeHint() const
{
    return {640, 400};
}

QSize LevelGraph::minimumSizeHint() const
{
    return {200, 120};
}

}  // namespace brevant
