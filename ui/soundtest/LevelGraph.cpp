#include "ui/soundtest/LevelGraph.h"

#include "core/BoundedFile.h"

#include <QBuffer>
#include <QCoreApplication>
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

// Pixel sizes of the fonts: the title, and every other text.
constexpr int kTitlePixels = 13;
constexpr int kLabelPixels = 11;

// Spacing around the texts, in pixels.
constexpr int kEdge = 4;            // between the widget's edges and its texts
constexpr int kGap = 4;             // between rows of text, and a label and its axis
constexpr int kLabelSpacing = 6;    // the least room between two frequency labels
constexpr int kSwatch = 18;         // a legend entry's colour line
constexpr int kSwatchGap = 5;       // from the colour line to the name
constexpr int kLegendSpacing = 16;  // between legend entries on a row

// The smallest plot worth drawing texts around; below it the texts go.
constexpr int kMinPlotWidth = 40;
constexpr int kMinPlotHeight = 20;

// The curves the graph draws, in their colours.
constexpr int kDrawnCurves = 2;
const QColor kCurveColours[kDrawnCurves] = {QColor(255, 0, 0), QColor(0, 0, 255)};

// How many tenths of the level range lie between two level labels: as few as
// leave a line of text between them, from those that divide the range.
constexpr std::array<int, 4> kLevelLabelSteps = {1, 2, 5, 10};

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

QFont TextFont(const QFont& base, int pixels, bool bold)
{
    QFont font = base;
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

// A box for `text` in `metrics` with its top-left corner at `at`, one pixel
// wider than the text advances so that no glyph spills out.
QRect TextRect(const QFontMetrics& metrics, QPoint at, const QString& text)
{
    return QRect(at, QSize(metrics.horizontalAdvance(text) + 1, metrics.height()));
}

// Lays the legend's entries out in rows centred across `width`, the first row
// at `top`, starting a new row where the next entry would not fit; returns
// the row below the last.
int PlaceLegend(const QFontMetrics& metrics, int width, int top, std::vector<LevelGraph::TextBox>& legend)
{
    const int room = width - 2 * kEdge;
    std::vector<LevelGraph::TextBox> row;
    int rowWidth = 0;
    int y = top;
    const auto finishRow = [&] {
        int x = std::max(kEdge, (width - rowWidth) / 2);
        for (LevelGraph::TextBox& entry : row) {
            entry.box.moveTopLeft(QPoint(x, y));
            x += entry.box.width() + kLegendSpacing;
            legend.push_back(entry);
        }
        row.clear();
        rowWidth = 0;
        y += metrics.height();
    };
    for (int curve = 1; curve <= kDrawnCurves; ++curve) {
        const QString name = metrics.elidedText(LevelGraph::CurveName(curve), Qt::ElideRight,
                                                std::max(0, room - kSwatch - kSwatchGap));
        const QRect box = TextRect(metrics, QPoint(0, 0), name).adjusted(0, 0, kSwatch + kSwatchGap, 0);
        if (!row.empty() && rowWidth + kLegendSpacing + box.width() > room)
            finishRow();
        rowWidth += (row.empty() ? 0 : kLegendSpacing) + box.width();
        row.push_back({box, name});
    }
    if (!row.empty())
        finishRow();
    return y;
}

QString CsvNumber(double v)
{
    // QString::number always formats in the C locale.
    return QString::number(v, 'g', QLocale::FloatingPointShortest);
}

// A CSV field: quoted when it holds a separator, a quote or a line break.
QString CsvField(const QString& text)
{
    if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"')) &&
        !text.contains(QLatin1Char('\n')))
        return text;
    QString quoted = text;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
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

// The curves' names: translated in the legend, in English in the CSV file.
constexpr std::array<const char*, kDrawnCurves> kCurveNames{
    QT_TRANSLATE_NOOP("brevant::LevelGraph", "Response"),
    QT_TRANSLATE_NOOP("brevant::LevelGraph", "Noise floor")};

QString EnglishCurveName(int curve)
{
    return curve >= 1 && curve <= kDrawnCurves
               ? QLatin1String(kCurveNames[static_cast<std::size_t>(curve - 1)])
               : QString();
}

}  // namespace

LevelGraph::LevelGraph(QWidget* parent) : QWidget(parent)
{
    setFocusPolicy(Qt::NoFocus);
}

QString LevelGraph::CurveName(int curve)
{
    return curve >= 1 && curve <= kDrawnCurves ? tr(kCurveNames[static_cast<std::size_t>(curve - 1)])
                                               : QString();
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

void LevelGraph::SetTitle(const QString& title)
{
    title_ = title;
}

QString LevelGraph::Title() const
{
    return title_.isEmpty() ? tr("Sound test result") : title_;
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

LevelGraph::Layout LevelGraph::Arrangement() const
{
    return LayoutFor(size());
}

LevelGraph::Layout LevelGraph::LayoutFor(QSize size) const
{
    Layout bare;
    bare.plot = QRect(QPoint(0, 0), size);
    if (!showLabels_)
        return bare;
    const QFontMetrics titleMetrics(TextFont(font(), kTitlePixels, true));
    const QFontMetrics metrics(TextFont(font(), kLabelPixels, false));
    const int line = metrics.height();
    const int room = size.width() - 2 * kEdge;
    Layout layout;

    // From the top: the title, the legend, then the level axis's unit over
    // its labels.
    const QString title = titleMetrics.elidedText(Title(), Qt::ElideRight, std::max(0, room));
    layout.title = {TextRect(titleMetrics, QPoint(0, kEdge), title), title};
    layout.title.box.moveLeft(std::max(kEdge, (size.width() - layout.title.box.width()) / 2));
    int y = PlaceLegend(metrics, size.width(), layout.title.box.bottom() + 1 + kGap, layout.legend) + kGap;
    const QString levelUnit = tr("Level (dB)");
    layout.levelUnit = {TextRect(metrics, QPoint(kEdge, y), levelUnit), levelUnit};
    // The top level label stands half a line above the plot's top edge.
    const int top = layout.levelUnit.box.bottom() + 1 + line / 2 + 1;

    // From the bottom: the frequency axis's unit under its labels, which
    // hang a gap below the plot.
    const int unitTop = size.height() - kEdge - line;
    const int bottom = unitTop - kGap - line - kGap - 1;

    // As far left as the widest level label allows.
    int widest = 0;
    for (const TextBox& label :
         LevelLabelsFor(QRect(QPoint(size.width(), top), QPoint(size.width(), bottom))))
        widest = std::max(widest, label.box.width());
    layout.plot = QRect(QPoint(kEdge + widest + kGap, top), QPoint(size.width() - 1 - kEdge, bottom));
    if (layout.plot.width() < kMinPlotWidth || layout.plot.height() < kMinPlotHeight)
        return bare;

    layout.levelLabels = LevelLabelsFor(layout.plot);
    layout.frequencyLabels = FrequencyLabelsFor(layout.plot);
    const QString frequencyUnit = tr("Frequency (Hz)");
    layout.frequencyUnit = {TextRect(metrics, QPoint(0, unitTop), frequencyUnit), frequencyUnit};
    const int unitWidth = layout.frequencyUnit.box.width();
    layout.frequencyUnit.box.moveLeft(std::clamp(layout.plot.center().x() - unitWidth / 2, kEdge,
                                                 std::max(kEdge, size.width() - kEdge - unitWidth)));
    return layout;
}

std::vector<LevelGraph::TextBox> LevelGraph::LevelLabelsFor(const QRect& plot) const
{
    const QFontMetrics metrics(TextFont(font(), kLabelPixels, false));
    const int line = metrics.height();
    // Ten equal steps from bottom to top, as the grid has them; labels at as
    // many of them as leave a line of text between two.
    const double tenth = (plot.bottom() - plot.top()) * 0.1;
    int every = 0;
    for (int step : kLevelLabelSteps) {
        if (step * tenth >= line + 1) {
            every = step;
            break;
        }
    }
    // Too low for two labels: the top one alone.
    const int first = every == 0 ? 10 : 0;
    every = std::max(every, 1);

    std::vector<TextBox> labels;
    for (int i = first; i <= 10; i += every) {
        const int row = i == 10 ? plot.top() : Truncate(plot.bottom() - i * tenth);
        const QString text = i == 10 ? QString::number(Truncate(yMax_))
                                     : QString::number(TickValue(yMin_ + (yMax_ - yMin_) * i * 0.1));
        QRect box = TextRect(metrics, QPoint(0, row - line / 2), text);
        box.moveRight(plot.left() - kGap);
        labels.push_back({box, text});
    }
    return labels;
}

std::vector<LevelGraph::TextBox> LevelGraph::FrequencyLabelsFor(const QRect& plot) const
{
    const QFontMetrics metrics(TextFont(font(), kLabelPixels, false));
    const QPoint row(0, plot.bottom() + 1 + kGap);
    // A label at each decade and at the right edge: the first starts at its
    // line, the last ends at it, the others are centred on theirs.
    std::vector<TextBox> candidates;
    for (int e = DecadeAtOrBelow(kXMin); e <= DecadeAtOrBelow(kXMax); ++e) {
        const double f = kDecades[static_cast<std::size_t>(e)];
        if (!InAxisRange(f) || f == kXMax)
            continue;
        QRect box = TextRect(metrics, row, FrequencyText(f));
        const int column = Truncate(XPosition(plot, f));
        box.moveLeft(candidates.empty() ? column : column - box.width() / 2);
        candidates.push_back({box, FrequencyText(f)});
    }
    QRect last = TextRect(metrics, row, FrequencyText(kXMax));
    last.moveRight(plot.right());
    candidates.push_back({last, FrequencyText(kXMax)});

    // Left to right, a label too close to the one before is left out; the
    // last one stays and pushes out those it would touch.
    std::vector<TextBox> labels;
    const auto crowds = [&labels](const QRect& box) {
        return !labels.empty() && labels.back().box.right() + kLabelSpacing > box.left();
    };
    for (std::size_t k = 0; k < candidates.size(); ++k) {
        const bool isLast = k + 1 == candidates.size();
        while (isLast && crowds(candidates[k].box))
            labels.pop_back();
        if (!crowds(candidates[k].box))
            labels.push_back(candidates[k]);
    }
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

    const Layout layout = LayoutFor(size);
    if (showGrid_)
        PaintGrid(painter, layout.plot);
    PaintTexts(painter, layout);
    for (int c = 0; c < kDrawnCurves; ++c)
        PaintCurve(painter, layout.plot, curves_[static_cast<std::size_t>(c)], kCurveColours[c]);
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

void LevelGraph::PaintTexts(QPainter& painter, const Layout& layout) const
{
    painter.setBackgroundMode(Qt::TransparentMode);
    painter.setPen(Qt::black);
    const auto put = [&painter](const TextBox& text, Qt::Alignment align) {
        if (!text.text.isEmpty())
            painter.drawText(text.box, static_cast<int>(align | Qt::AlignVCenter), text.text);
    };
    painter.setFont(TextFont(font(), kTitlePixels, true));
    put(layout.title, Qt::AlignLeft);

    painter.setFont(TextFont(font(), kLabelPixels, false));
    put(layout.levelUnit, Qt::AlignLeft);
    put(layout.frequencyUnit, Qt::AlignLeft);
    for (const TextBox& label : layout.levelLabels)
        put(label, Qt::AlignRight);
    for (const TextBox& label : layout.frequencyLabels)
        put(label, Qt::AlignLeft);

    // Each legend entry: a short line in its curve's colour, then the name.
    for (std::size_t k = 0; k < layout.legend.size() && k < kDrawnCurves; ++k) {
        const TextBox& entry = layout.legend[k];
        const int middle = entry.box.center().y();
        painter.setPen(QPen(kCurveColours[k], 2, Qt::SolidLine, Qt::FlatCap));
        painter.drawLine(entry.box.left(), middle, entry.box.left() + kSwatch - 1, middle);
        painter.setPen(Qt::black);
        put({entry.box.adjusted(kSwatch + kSwatchGap, 0, 0, 0), entry.text}, Qt::AlignLeft);
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
    // The file's columns are named in English whatever the window's language.
    QString text = CsvField(QStringLiteral("frequency (Hz)"));
    for (int curve = 1; curve <= kDrawnCurves; ++curve)
        text += QLatin1Char(',') + CsvField(QStringLiteral("%1 (dB)").arg(EnglishCurveName(curve)));
    text += QLatin1Char('\n');
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
    return {280, 180};
}

}  // namespace brevant
