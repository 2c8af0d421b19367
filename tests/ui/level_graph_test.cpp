// The sound test's result graph, through what it paints and what it exports.
#include "CLevelGraph.h"

#include <QFile>
#include <QImage>
#include <QLocale>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace brevant {
namespace {

// An 800 x 500 graph with labels: the plot area runs from column 40 to 759
// and from row 50 to 449.
constexpr int kWidth = 800;
constexpr int kHeight = 500;
constexpr int kLeft = 40;
constexpr int kRight = 759;
constexpr int kTop = 50;
constexpr int kBottom = 449;

// The level grid rows, from the lowest up: 449 - i * 39.9, cut to whole pixels.
const std::vector<int> kLevelRows = {409, 369, 329, 289, 249, 209, 169, 129, 89};

// Columns of the decade lines at 100 Hz, 1 kHz and 10 kHz, and of the dotted
// line at 20 Hz.
constexpr int kColumn100 = 257;
constexpr int kColumn1k = 475;
constexpr int kColumn10k = 693;
constexpr int kColumn20 = 105;

const QRgb kRed = qRgb(255, 0, 0);
const QRgb kBlue = qRgb(0, 0, 255);
const QRgb kBlack = qRgb(0, 0, 0);
const QRgb kWhite = qRgb(255, 255, 255);

double ExpectedX(double f)
{
    return kLeft + (kRight - kLeft) * std::log10(f / 10.0) / std::log10(2000.0);
}

QImage Shot(CLevelGraph& graph)
{
    return graph.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

struct Extent {
    int count = 0;
    int minX = 1 << 30;
    int maxX = -1;
    int minY = 1 << 30;
    int maxY = -1;
};

template <typename Pred>
Extent Find(const QImage& image, const QRect& area, Pred pred)
{
    Extent e;
    const QRect r = area.intersected(image.rect());
    for (int y = r.top(); y <= r.bottom(); ++y) {
        for (int x = r.left(); x <= r.right(); ++x) {
            if (!pred(image.pixel(x, y)))
                continue;
            ++e.count;
            e.minX = std::min(e.minX, x);
            e.maxX = std::max(e.maxX, x);
            e.minY = std::min(e.minY, y);
            e.maxY = std::max(e.maxY, y);
        }
    }
    return e;
}

Extent FindColour(const QImage& image, QRgb colour)
{
    return Find(image, image.rect(), [colour](QRgb p) { return p == colour; });
}

// Ink of text or lines: dark and not one of the curve colours.
bool IsInk(QRgb p)
{
    return qGray(p) < 160 && p != kRed && p != kBlue;
}

bool HasRedNear(const QImage& image, int x, int y)
{
    return Find(image, QRect(x - 1, y - 1, 3, 3), [](QRgb p) { return p == kRed; }).count > 0;
}

std::string Texts(const std::vector<CLevelGraph::AxisLabel>& labels)
{
    std::string out;
    for (const auto& l : labels)
        out += l.text.toStdString() + ' ';
    return out;
}

class LevelGraph : public ::testing::Test {
protected:
    void SetUp() override { graph.resize(kWidth, kHeight); }

    // Frequencies 10, 210, 410, ... 19810 Hz.
    void SpreadFrequencies()
    {
        for (int k = 0; k < CLevelGraph::kPointCount; ++k)
            graph.SetXValue(10.0 + 200.0 * k, k);
    }

    void FillCurve(int curve, double value)
    {
        for (int k = 0; k < CLevelGraph::kPointCount; ++k)
            graph.SetCurvePoint(value, k, curve);
    }

    CLevelGraph graph;
};

// --- Holding the data ------------------------------------------------------

TEST_F(LevelGraph, OutOfRangeCurvesAndIndexesAreIgnored)
{
    for (int n = 1; n <= 3; ++n)
        graph.SetCurvePoint(5.0 * n, 0, n);

    graph.SetCurvePoint(1.0, -1, 1);
    graph.SetCurvePoint(1.0, 100, 1);
    graph.SetCurvePoint(1.0, 0, 0);
    graph.SetCurvePoint(1.0, 0, 4);
    graph.SetXValue(1.0, -1);
    graph.SetXValue(1.0, 100);
    graph.ClearCurve(0);
    graph.ClearCurve(4);

    EXPECT_EQ(graph.CurvePoint(0, 1), 5.0);
    EXPECT_EQ(graph.CurvePoint(0, 2), 10.0);
    EXPECT_EQ(graph.CurvePoint(0, 3), 15.0);
    EXPECT_EQ(graph.CurvePoint(99, 1), 0.0);
    EXPECT_EQ(graph.XValue(0), 0.0);
    EXPECT_EQ(graph.XValue(99), 0.0);

    graph.ClearCurve(2);
    EXPECT_EQ(graph.CurvePoint(0, 1), 5.0);
    EXPECT_EQ(graph.CurvePoint(0, 2), 0.0);
    EXPECT_EQ(graph.CurvePoint(0, 3), 15.0);
}

// --- Painting --------------------------------------------------------------

TEST_F(LevelGraph, WithoutFrequenciesOnlyTheGridAndLabelsArePainted)
{
    // Levels but no frequency: no point is on the axis.
    FillCurve(1, 50.0);
    FillCurve(2, 20.0);
    const QImage image = Shot(graph);

    EXPECT_EQ(FindColour(image, kRed).count, 0);
    EXPECT_EQ(FindColour(image, kBlue).count, 0);

    // Solid lines: the four edges, the level rows and the decades.
    for (int y = kTop; y <= kBottom; ++y) {
        ASSERT_EQ(image.pixel(kLeft, y), kBlack) << "left edge, row " << y;
        ASSERT_EQ(image.pixel(kRight, y), kBlack) << "right edge, row " << y;
        for (int column : {kColumn100, kColumn1k, kColumn10k})
            ASSERT_EQ(image.pixel(column, y), kBlack) << "decade column " << column << ", row " << y;
    }
    for (int x = kLeft; x <= kRight; ++x) {
        ASSERT_EQ(image.pixel(x, kTop), kBlack) << "top edge, column " << x;
        ASSERT_EQ(image.pixel(x, kBottom), kBlack) << "bottom edge, column " << x;
        for (int row : kLevelRows)
            ASSERT_EQ(image.pixel(x, row), kBlack) << "level row " << row << ", column " << x;
    }

    // A dotted line at 20 Hz: ink and gaps between two level rows.
    const Extent dots = Find(image, QRect(kColumn20, kLevelRows[0] + 1, 1, kBottom - kLevelRows[0] - 1),
                             [](QRgb p) { return p == kBlack; });
    EXPECT_GT(dots.count, 5);
    EXPECT_LT(dots.count, kBottom - kLevelRows[0] - 1 - 5);

    // Between the lines, and outside the plot area away from the labels, the
    // background shows.
    EXPECT_EQ(image.pixel(kLeft + 10, kBottom - 10), kWhite);
    EXPECT_EQ(image.pixel(kRight + 10, kTop + 100), kWhite);
    EXPECT_EQ(image.pixel(400, 10), kWhite);
}

TEST_F(LevelGraph, LevelsBeyondTheRangeAreHeldAtTheEdges)
{
    SpreadFrequencies();
    FillCurve(1, 1000.0);  // above yMax = 100
    FillCurve(2, -5.0);    // below yMin = 0
    const QImage image = Shot(graph);

    const Extent red = FindColour(image, kRed);
    ASSERT_GT(red.count, 0);
    EXPECT_LE(red.minY, kTop);
    EXPECT_GE(red.minY, kTop - 1);
    EXPECT_LE(red.maxY, kTop + 1);

    const Extent blue = FindColour(image, kBlue);
    ASSERT_GT(blue.count, 0);
    EXPECT_LE(blue.minY, kBottom);
    EXPECT_GE(blue.minY, kBottom - 1);
    EXPECT_LE(blue.maxY, kBottom + 1);

    // With a level range of -200..300 the same values lie inside it.
    graph.SetYMin(-200.0);
    graph.SetYMax(300.0);
    FillCurve(1, 50.0);
    const Extent inside = FindColour(Shot(graph), kRed);
    ASSERT_GT(inside.count, 0);
    EXPECT_NEAR(inside.minY, kBottom - 250.0 * (kBottom - kTop) / 500.0, 1.5);
}

TEST_F(LevelGraph, PointsLandAtTheirFrequencyAndLevel)
{
    SpreadFrequencies();
    for (int k = 0; k < CLevelGraph::kPointCount; ++k)
        graph.SetCurvePoint(k, k, 1);  // a ramp over the level range 0..100
    FillCurve(2, 100.0);               // the top edge, clear of the ramp
    const QImage image = Shot(graph);

    const Extent red = FindColour(image, kRed);
    ASSERT_GT(red.count, 0);
    // 10 Hz is on the left edge; 19810 Hz at column 758, just left of the
    // right edge at 759.
    EXPECT_GE(red.minX, kLeft - 1);
    EXPECT_LE(red.minX, kLeft);
    EXPECT_GE(red.maxX, 758);
    EXPECT_LE(red.maxX, kRight);

    for (int k : {0, 1, 2, 10, 37, 50, 98, 99}) {
        const double f = 10.0 + 200.0 * k;
        const int x = static_cast<int>(ExpectedX(f));
        const int y = static_cast<int>(kBottom - k * (kBottom - kTop) / 100.0);
        EXPECT_TRUE(HasRedNear(image, x, y)) << "point " << k << " (" << f << " Hz) at " << x << "," << y;
    }
    EXPECT_EQ(static_cast<int>(ExpectedX(19810.0)), 758);

    // Moving one frequency off the axis drops that point: the line now ends
    // at point 98.
    graph.SetXValue(20001.0, 99);
    const Extent shorter = FindColour(Shot(graph), kRed);
    EXPECT_LE(shorter.maxX, static_cast<int>(ExpectedX(19610.0)) + 1);
    EXPECT_LT(shorter.minY, kBottom);
}

TEST_F(LevelGraph, TheThirdCurveIsNeverDrawn)
{
    SpreadFrequencies();
    FillCurve(1, 30.0);
    FillCurve(2, 60.0);
    const QImage before = Shot(graph);
    for (int k = 0; k < CLevelGraph::kPointCount; ++k)
        graph.SetCurvePoint(k, k, 3);
    EXPECT_EQ(Shot(graph), before);
}

TEST_F(LevelGraph, WithoutLabelsThePlotFillsTheWidget)
{
    graph.SetShowLabels(false);
    SpreadFrequencies();
    FillCurve(1, 500.0);
    FillCurve(2, 50.0);
    const QImage image = Shot(graph);

    EXPECT_EQ(graph.PlotArea(), QRect(0, 0, kWidth, kHeight));
    EXPECT_TRUE(graph.LevelLabels().empty());
    EXPECT_TRUE(graph.FrequencyLabels().empty());

    // (The curves start on the left edge: red at the top, blue halfway up.)
    for (int y = 2; y < kHeight; ++y) {
        if (std::abs(y - (kHeight - 1) / 2) > 2) {
            ASSERT_EQ(image.pixel(0, y), kBlack) << "left edge, row " << y;
        }
    }
    for (int x = 0; x < kWidth; ++x)
        ASSERT_EQ(image.pixel(x, kHeight - 1), kBlack) << "bottom edge, column " << x;

    const Extent red = FindColour(image, kRed);
    ASSERT_GT(red.count, 0);
    EXPECT_LE(red.minY, 1);
    EXPECT_EQ(red.minX, 0);

    // Halfway up the level range is halfway up the widget.
    const Extent blue = FindColour(image, kBlue);
    ASSERT_GT(blue.count, 0);
    EXPECT_NEAR(blue.minY, (kHeight - 1) / 2.0, 1.5);

    // No text anywhere: every ink pixel belongs to a grid line.
    const Extent text = Find(image, QRect(1, 1, kWidth - 2, kHeight - 2), [](QRgb p) {
        return IsInk(p) && p != kBlack;
    });
    EXPECT_EQ(text.count, 0);
}

TEST_F(LevelGraph, GridAndLabelsOffLeaveOnlyTheBackground)
{
    const QColor backdrop(30, 40, 50);
    graph.SetBackgroundColour(backdrop);
    graph.SetShowGrid(false);
    graph.SetShowLabels(false);
    const QImage image = Shot(graph);
    EXPECT_EQ(Find(image, image.rect(), [&](QRgb p) { return p != backdrop.rgb(); }).count, 0);
}

TEST_F(LevelGraph, LevelLabelsTenthsOfTheRangeWithTheTopButNotTheBottom)
{
    graph.SetYMin(-200.0);
    graph.SetYMax(300.0);

    const auto labels = graph.LevelLabels();
    EXPECT_EQ(Texts(labels), "-150 -100 -50 0 50 100 150 200 250 300 ");
    ASSERT_EQ(labels.size(), 10u);
    for (std::size_t i = 0; i < kLevelRows.size(); ++i)
        EXPECT_EQ(labels[i].position, QPoint(kLeft - 25, kLevelRows[i] - 8)) << labels[i].text.toStdString();
    EXPECT_EQ(labels.back().position, QPoint(kLeft - 25, kTop - 8));

    // Each label is painted where the list says; where a bottom label would
    // go there is nothing.
    const QImage image = Shot(graph);
    for (const auto& label : labels) {
        const Extent ink = Find(image, QRect(label.position, QSize(25, 14)), IsInk);
        EXPECT_GT(ink.count, 3) << "label " << label.text.toStdString();
    }
    EXPECT_EQ(Find(image, QRect(0, kBottom - 12, kLeft - 1, 16), IsInk).count, 0);

    // The default range 0..100 reads in tens.
    graph.SetYMin(0.0);
    graph.SetYMax(100.0);
    EXPECT_EQ(Texts(graph.LevelLabels()), "10 20 30 40 50 60 70 80 90 100 ");
}

TEST_F(LevelGraph, FrequencyLabelsStandOnEndBelowTheirLines)
{
    const auto labels = graph.FrequencyLabels();
    EXPECT_EQ(Texts(labels), "10 100 1k 10k 20k ");
    ASSERT_EQ(labels.size(), 5u);
    const int y = kBottom + 5;
    EXPECT_EQ(labels[0].position, QPoint(kLeft, y));
    EXPECT_EQ(labels[1].position, QPoint(kColumn100 + 15, y));
    EXPECT_EQ(labels[2].position, QPoint(kColumn1k + 15, y));
    EXPECT_EQ(labels[3].position, QPoint(kColumn10k + 15, y));
    EXPECT_EQ(labels[4].position, QPoint(kRight + 15, y));

    // Each text runs downward from its starting point in the strip to its
    // left, and nothing else is painted below the plot area.
    const QImage image = Shot(graph);
    std::vector<QRect> boxes;
    for (const auto& label : labels) {
        const QRect box(label.position.x() - 21, label.position.y(), 22, kHeight - label.position.y());
        boxes.push_back(box);
        const Extent ink = Find(image, box, IsInk);
        ASSERT_GT(ink.count, 5) << "label " << label.text.toStdString();
        EXPECT_GT(ink.maxY - ink.minY, ink.maxX - ink.minX) << "label " << label.text.toStdString();
        EXPECT_GE(ink.minY, y);
        EXPECT_LE(ink.maxX, label.position.x());
    }
    int outside = 0;
    for (int yy = kBottom + 2; yy < kHeight; ++yy) {
        for (int x = 0; x < kWidth; ++x) {
            if (!IsInk(image.pixel(x, yy)))
                continue;
            const QPoint p(x, yy);
            if (std::none_of(boxes.begin(), boxes.end(), [&](const QRect& b) { return b.contains(p); }))
                ++outside;
        }
    }
    EXPECT_EQ(outside, 0);
}

// --- Keeping a measurement ---------------------------------------------------

class LevelGraphExport : public LevelGraph {
protected:
    QString Path(const QString& name) const { return dir.filePath(name); }
    QTemporaryDir dir;
};

TEST_F(LevelGraphExport, CsvListsTheDrawnPointsWithDotDecimals)
{
    const QLocale previous;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));

    const struct {
        int index;
        double f, c1, c2;
    } points[] = {
        {0, 20.0, -3.5, 0.25},
        {1, 1000.5, 6.0, -40.125},
        {2, 25000.0, 1.0, 1.0},  // above the axis: left out
        {3, 20000.0, 0.001, -100.0},
        {4, 9.99, 1.0, 1.0},  // below the axis: left out
        {5, 10.0, 12345.678, 0.0},
    };
    for (const auto& p : points) {
        graph.SetXValue(p.f, p.index);
        graph.SetCurvePoint(p.c1, p.index, 1);
        graph.SetCurvePoint(p.c2, p.index, 2);
        graph.SetCurvePoint(77.0, p.index, 3);
    }

    QString error;
    const bool ok = graph.ExportCsv(Path("m.csv"), &error);
    QLocale::setDefault(previous);
    ASSERT_TRUE(ok) << error.toStdString();

    QFile file(Path("m.csv"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll().toStdString(),
              "frequency,curve1,curve2\n"
              "20,-3.5,0.25\n"
              "1000.5,6,-40.125\n"
              "20000,0.001,-100\n"
              "10,12345.678,0\n");
}

TEST_F(LevelGraphExport, PngHoldsThePictureAsPainted)
{
    SpreadFrequencies();
    FillCurve(1, 40.0);
    FillCurve(2, 70.0);

    QString error;
    ASSERT_TRUE(graph.ExportPng(Path("g.png"), &error)) << error.toStdString();
    const QImage saved(Path("g.png"));
    ASSERT_FALSE(saved.isNull());
    EXPECT_EQ(saved.size(), QSize(kWidth, kHeight));
    EXPECT_EQ(saved.convertToFormat(QImage::Format_RGB32), Shot(graph));

    ASSERT_TRUE(graph.ExportPng(Path("g2.png"), &error, 2.0)) << error.toStdString();
    const QImage doubled(Path("g2.png"));
    EXPECT_EQ(doubled.size(), QSize(2 * kWidth, 2 * kHeight));
    // The left edge is still at the left edge, twice as far in.
    const Extent edge = Find(doubled.convertToFormat(QImage::Format_RGB32), QRect(2 * kLeft - 2, 500, 5, 1),
                             [](QRgb p) { return p == kBlack; });
    EXPECT_GT(edge.count, 0);
}

TEST_F(LevelGraphExport, AnUnwritablePathFailsAndSaysWhy)
{
    // A path under a plain file cannot be created, whoever runs the test.
    QFile blocker(Path("plain"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const QString png = Path("plain/graph.png");
    const QString csv = Path("plain/graph.csv");

    QString error;
    EXPECT_FALSE(graph.ExportPng(png, &error));
    EXPECT_TRUE(error.contains(png)) << error.toStdString();
    EXPECT_GT(error.size(), png.size() + 20) << error.toStdString();

    error.clear();
    EXPECT_FALSE(graph.ExportCsv(csv, &error));
    EXPECT_TRUE(error.contains(csv)) << error.toStdString();

    EXPECT_FALSE(graph.ExportCsv(csv, nullptr));

    // A graph with no area has no picture to save.
    CLevelGraph empty;
    empty.resize(0, 0);
    error.clear();
    EXPECT_FALSE(empty.ExportPng(Path("none.png"), &error));
    EXPECT_TRUE(error.contains(Path("none.png"))) << error.toStdString();
    EXPECT_FALSE(QFile::exists(Path("none.png")));
}

}  // namespace
}  // namespace brevant
