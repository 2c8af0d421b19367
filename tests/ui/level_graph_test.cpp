// The sound test's result graph, through what it paints and what it exports.
#include "tests/ui/UiTestHelpers.h"
#include "ui/soundtest/LevelGraph.h"

#include <QFile>
#include <QLocale>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace brevant {
namespace {

using test::Find;

// An 800 x 500 graph with labels: the plot area runs from column 40 to 759
// and from row 50 to 449.
constexpr int kWidth = 800;
constexpr int kHeight = 500;
constexpr int kTop = 50;
constexpr int kBottom = 449;
// The column of the decade 1 kHz on the log axis.
constexpr int kKiloHertzColumn = 475;

const QRgb kRed = qRgb(255, 0, 0);
const QRgb kBlue = qRgb(0, 0, 255);
const QRgb kBlack = qRgb(0, 0, 0);

QImage Shot(LevelGraph& graph)
{
    return graph.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

test::Extent FindColour(const QImage& image, QRgb colour)
{
    return Find(image, image.rect(), [colour](QRgb p) { return p == colour; });
}

std::string Texts(const std::vector<LevelGraph::AxisLabel>& labels)
{
    std::string out;
    for (const auto& label : labels)
        out += label.text.toStdString() + ' ';
    return out;
}

class LevelGraphTest : public ::testing::Test {
protected:
    void SetUp() override { graph.resize(kWidth, kHeight); }
    // Frequencies 10, 210, 410, ... 19810 Hz.
    void SpreadFrequencies()
    {
        for (int k = 0; k < LevelGraph::kPointCount; ++k)
            graph.SetXValue(10.0 + 200.0 * k, k);
    }
    void FillCurve(int curve, double value)
    {
        for (int k = 0; k < LevelGraph::kPointCount; ++k)
            graph.SetCurvePoint(value, k, curve);
    }
    QString Path(const QString& name) const { return dir.filePath(name); }

    LevelGraph graph;
    QTemporaryDir dir;
};

TEST_F(LevelGraphTest, CurvesNeedFrequenciesAndLevelsBeyondTheRangeAreHeldAtTheEdges)
{
    FillCurve(1, 1000.0);        // above the default 0..100
    FillCurve(2, -5.0);          // below it
    QImage image = Shot(graph);  // no frequencies yet: only the grid, its decades on a log axis
    EXPECT_EQ(FindColour(image, kRed).count, 0);
    EXPECT_EQ(FindColour(image, kBlue).count, 0);
    const int tall = kBottom - kTop + 1;
    EXPECT_EQ(Find(image, QRect(kKiloHertzColumn, kTop, 1, tall), [](QRgb p) { return p == kBlack; }).count,
              tall);

    SpreadFrequencies();
    image = Shot(graph);
    const QRect red = FindColour(image, kRed).box;
    const QRect blue = FindColour(image, kBlue).box;
    EXPECT_TRUE(red.top() >= kTop - 1 && red.bottom() <= kTop + 1 && red.width() > 600);
    EXPECT_TRUE(blue.top() >= kBottom - 1 && blue.bottom() <= kBottom + 1 && blue.width() > 600);
}

TEST_F(LevelGraphTest, LabelsReadTenthsOfTheLevelRangeAndTheFrequencyDecades)
{
    graph.SetYMin(-200.0);
    graph.SetYMax(300.0);
    EXPECT_EQ(Texts(graph.LevelLabels()), "-150 -100 -50 0 50 100 150 200 250 300 ");
    const auto ink = [](QRgb p) { return qGray(p) < 160; };
    EXPECT_GT(Find(Shot(graph), QRect(0, kTop - 8, 39, kBottom - kTop), ink).count, 50) << "not painted";

    // A tick that misses a whole number only by the rounding of the steps reads as that number.
    graph.SetYMin(-19.9);
    graph.SetYMax(1.1);
    EXPECT_EQ(Texts(graph.LevelLabels()), "-17 -15 -13 -11 -9 -7 -5 -3 -1 1 ");
    EXPECT_EQ(Texts(graph.FrequencyLabels()), "10 100 1k 10k 20k ");
}

TEST_F(LevelGraphTest, CsvListsTheDrawnPointsExactlyWithDotDecimals)
{
    const QLocale previous;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const struct {
        double f, c1, c2;
    } points[] = {{20.0, -3.5, 0.25},
                  {1000.5, 6.0, -40.125},
                  {25000.0, 1.0, 1.0} /* above the axis: left out */,
                  {20000.0, 0.001, -100.0},
                  {9.99, 1.0, 1.0} /* below it */,
                  {10.0, 12345.678, 0.0}};
    for (int i = 0; i < 6; ++i) {
        graph.SetXValue(points[i].f, i);
        graph.SetCurvePoint(points[i].c1, i, 1);
        graph.SetCurvePoint(points[i].c2, i, 2);
        graph.SetCurvePoint(77.0, i, 3);
    }
    QString error;
    const bool saved = graph.ExportCsv(Path("m.csv"), &error);
    QLocale::setDefault(previous);
    ASSERT_TRUE(saved) << error.toStdString();

    QFile file(Path("m.csv"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll().toStdString(), "frequency,curve1,curve2\n"
                                            "20,-3.5,0.25\n"
                                            "1000.5,6,-40.125\n"
                                            "20000,0.001,-100\n"
                                            "10,12345.678,0\n");
}

TEST_F(LevelGraphTest, PngHoldsThePictureAsPaintedAtTheScaleAsked)
{
    SpreadFrequencies();
    FillCurve(1, 40.0);
    FillCurve(2, 70.0);
    QString error;
    ASSERT_TRUE(graph.ExportPng(Path("g.png"), &error)) << error.toStdString();
    EXPECT_EQ(QImage(Path("g.png")).convertToFormat(QImage::Format_RGB32), Shot(graph));
    ASSERT_TRUE(graph.ExportPng(Path("g2.png"), &error, 2.0)) << error.toStdString();
    EXPECT_EQ(QImage(Path("g2.png")).size(), QSize(2 * kWidth, 2 * kHeight));
}

TEST_F(LevelGraphTest, ExportToAnUnwritablePathFailsAndSaysWhy)
{
    // A path under a plain file cannot be created, whoever runs the test.
    QFile blocker(Path("plain"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    for (const QString& path : {Path("plain/graph.png"), Path("plain/graph.csv")}) {
        QString error;
        const bool saved = path.endsWith(QStringLiteral(".png")) ? graph.ExportPng(path, &error)
                                                                 : graph.ExportCsv(path, &error);
        EXPECT_FALSE(saved);
        EXPECT_TRUE(error.contains(path)) << error.toStdString();
        EXPECT_GT(error.size(), path.size() + 20) << "no reason given: " << error.toStdString();
    }
}

}  // namespace
}  // namespace brevant
