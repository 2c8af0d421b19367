// The sound test dialog: a whole measurement against the simulator, and on the
// scripted port what it does when the test settings are not confirmed or no
// device is connected; the result graph, painted and exported.
#include "tests/ui/PanelFixture.h"
#include "tests/ui/SimPanelFixture.h"
#include "tests/ui/UiTestHelpers.h"
#include "ui/controls/BitmapFader.h"
#include "ui/controls/ImageCheckButton.h"
#include "ui/controls/LevelMeter.h"
#include "ui/panels/DynamicsPanel.h"
#include "ui/panels/InputLevelPanel.h"
#include "ui/soundtest/LevelGraph.h"
#include "ui/soundtest/SoundTestDialog.h"

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace brevant::test {
namespace {

using Dlg = SoundTestDialog;

// The enabled state of the visible command buttons, in the order
// TestOn, TestOff, Start, Continue, Result, Save, Quit.
std::string Buttons(const Dlg& dlg)
{
    std::string states;
    for (int id : {Dlg::kTestOnId, Dlg::kTestOffId, Dlg::kStartId, Dlg::kContinueId, Dlg::kResultId,
                   Dlg::kSaveId, Dlg::kQuitId})
        states += dlg.Button(id).isEnabled() ? 'E' : 'd';
    return states;
}

void Choose(QComboBox& list, int index)
{
    list.setCurrentIndex(index);
    emit list.activated(index);
}

class SoundTestDialogOnSim : public SimPanelFixture {
protected:
    void SetUp() override
    {
        StartPanels("K225");
        ASSERT_TRUE(connection->Connect([](std::string_view, std::string_view) {}));
        ASSERT_TRUE(Eventually([&] { return connection->PollPasses() >= 1; }));
        Deliver();
        told.clear();  // what the connection told (a slow machine can miss a reply) is not the dialog's
        dlg = std::make_unique<Dlg>(*context);
    }
    void TearDown() override
    {
        dlg.reset();
        SimPanelFixture::TearDown();
    }
    void Click(int id)
    {
        dlg->Button(id).click();
        ASSERT_TRUE(Eventually([&] { return !dlg->Busy(); }));
    }

    std::unique_ptr<Dlg> dlg;
};

TEST_F(SoundTestDialogOnSim, FromTestModeThroughThreePointsToThePlottedResultAndOut)
{
    dlg->show();
    EXPECT_EQ(Buttons(*dlg), "ddddddE") << "only Quit while the commands run";
    ASSERT_TRUE(Eventually([&] { return !dlg->Busy(); }));
    EXPECT_EQ(Buttons(*dlg), "EEEddEE") << "the simulator's settings (input 1, 1 point, 2 s) are confirmed";
    EXPECT_EQ(dlg->TimeList().currentText(), "2s");

    // Channel 2 at 30 dB with phantom power, measured in three points.
    Choose(dlg->ChannelList(), 1);
    ASSERT_TRUE(Eventually([&] { return !dlg->Busy(); }));
    Choose(dlg->PointList(), 2);
    ASSERT_TRUE(Eventually([&] { return !dlg->Busy(); }));
    EXPECT_EQ(p.CN * 10 + p.CP, 23);

    dlg->OnFaderMoved(12);
    dlg->Monitor().Phantom().click();
    ASSERT_TRUE(queue->WaitIdle(Micros{5'000'000}));
    // What the device confirmed reaches the window with the model's next refresh.
    InputLevelPanel& level = *In(1, 1).InputLevel();
    EXPECT_TRUE(Eventually([&] {
        return dlg->Monitor().GainText().text() == "30 dB" && level.Strip().Label().text() == "30 dB" &&
               level.Strip().Fader().value() == 17 && In(1, 1).Dynamics()->Phantom().isChecked();
    }));

    Click(Dlg::kTestOnId);
    Click(Dlg::kStartId);
    EXPECT_EQ(Buttons(*dlg), "EEdEdEE");
    Click(Dlg::kContinueId);
    Click(Dlg::kContinueId);
    EXPECT_EQ(dlg->PointsDone(), 3);
    EXPECT_EQ(Buttons(*dlg), "EEEdEEE");
    EXPECT_EQ(dlg->StatusText(), "All 3 points measured: Result fetches the curves.");

    Click(Dlg::kResultId);
    const LevelGraph& graph = dlg->Graph();
    // Response -10..6 dB and noise floor -45..-35 dB sit in -100..100.
    EXPECT_EQ(graph.YMax(), 100.0);
    const ResultCurves curves = TakeResults(p);
    EXPECT_EQ(std::pair(graph.CurvePoint(57, 1), graph.CurvePoint(57, 2)),
              std::pair(curves.d[57], curves.e[57]));
    EXPECT_EQ(graph.XValue(57), 11410.0);
    EXPECT_TRUE(std::any_of(curves.d.begin(), curves.d.end(), [](double dB) { return dB != 0.0; }));

    QTemporaryDir dir;
    dlg->SetPathChooser(
        [&](const QString&, const QString& name, const QString&) { return dir.filePath(name); });
    dlg->Button(Dlg::kExportCsvId).click();
    EXPECT_TRUE(QFile::exists(dir.filePath("soundtest.csv"))) << "the export writes where the user says";
    Click(Dlg::kQuitId);
    EXPECT_FALSE(dlg->isVisible());
    EXPECT_EQ(p.SM, 0);
    EXPECT_TRUE(told.isEmpty()) << told.join(", ").toStdString();
}

class SoundTestDialogScripted : public PanelFixture {
protected:
    void Settle(Dlg& dlg)
    {
        ASSERT_TRUE(Eventually([&] { return !dlg.Busy() && queue.Pending() == 0; }));
        Deliver();
    }
};

TEST_F(SoundTestDialogScripted, UnconfirmedSettingsKeepGainAndPhantomBackAndTheMonitorStill)
{
    ConnectModel(ModelFamily::K217K218);
    // A device that enters test mode but never answers the settings queries.
    port.SetResponder(kPort, [](std::string_view line) {
        if (line == "CNsr\r\n" || line == "CPsr\r\n" || line == "CTsr\r\n")
            return std::vector<Piece>{};
        return std::vector<Piece>{{std::chrono::milliseconds(1), std::string(line)}};
    });
    Dlg dlg(context);
    dlg.show();
    Settle(dlg);
    EXPECT_EQ(Buttons(dlg), "dddddEE") << "in test mode, settings not confirmed";
    EXPECT_EQ(dlg.ChannelList().currentIndex(), -1) << "no channel stored";
    port.ClearRecord();

    p.ML[1] = -3;
    context.Model().TakePollPass(p);
    context.Model().Flush();
    EXPECT_EQ(dlg.Monitor().InputMeter().GetValue(), 0);
    dlg.OnFaderMoved(0);
    EXPECT_EQ(dlg.Monitor().GainText().text(), "42 dB");
    dlg.Monitor().Phantom().click();
    EXPECT_EQ(told, QStringList({"Please set point and time", "Please set point and time"}));

    // The lists still set the device's values ("VCSIN" is channel 1, "2s" is
    // 2); the buttons stay as they were while CP is unconfirmed.
    Choose(dlg.ChannelList(), 0);
    Settle(dlg);
    Choose(dlg.TimeList(), 0);
    Settle(dlg);
    EXPECT_EQ(Sent(), (std::vector<std::string>{"CNs1\r\n", "CTs2\r\n"}));
    EXPECT_EQ(Buttons(dlg), "dddddEE");

    // A result the device does not give leaves the graph as it was.
    port.SetResponder(kPort, [](std::string_view line) {
        return line == "EAsr\r\n" ? std::vector<Piece>{}
                                  : std::vector<Piece>{{std::chrono::milliseconds(1),
                                                        "DA0-7\r\nDA1-8\r\nDA2-9\r\nDA3-9\r\nDA4-9\r\n"
                                                        "DA5-9\r\nDA6-9\r\nDA7-9\r\nDA8-9\r\nDA9-9\r\n"}};
    });
    told.clear();
    dlg.OnResult();
    Settle(dlg);
    EXPECT_EQ(told, QStringList{"Get esr error"});
    EXPECT_EQ(dlg.Graph().CurvePoint(0, 1), 0.0);
    EXPECT_FALSE(dlg.Button(Dlg::kExportPngId).isEnabled());

    // Closing the window waits for the command on its way, leaves test mode, then closes.
    EchoEverySet();
    port.ClearRecord();
    told.clear();
    dlg.OnSave();
    dlg.close();
    EXPECT_TRUE(dlg.isVisible());
    Settle(dlg);
    EXPECT_EQ(port.Writes(), (std::vector<std::string>{"SSs1\r\n", "CEs1\r\n"}));
    EXPECT_EQ(told, QStringList{"The device has stored the sound test settings."});
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_EQ(p.SM, 0);
}

TEST_F(SoundTestDialogScripted, WithoutADeviceItSaysSoInsideAndQuitCloses)
{
    state.flags.Connected = false;
    p.CN = 3;
    p.CT = 5;
    Dlg dlg(context);
    dlg.show();
    Settle(dlg);
    EXPECT_TRUE(told.isEmpty()) << "no message stops the user";
    EXPECT_EQ(Buttons(dlg), "ddddddE");
    EXPECT_EQ(dlg.ChannelList().currentText(), "Input3");
    EXPECT_EQ(dlg.StatusText(), "No device connected.");
    dlg.Button(Dlg::kQuitId).click();
    Settle(dlg);
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_EQ(port.Written(), "") << "never in test mode: nothing to leave";
}

constexpr int kWidth = 800;
constexpr int kHeight = 500;

const QRgb kRed = qRgb(255, 0, 0);
const QRgb kBlue = qRgb(0, 0, 255);

test::Extent FindColour(const QImage& image, QRgb colour, QRect in = {})
{
    return Find(image, in.isNull() ? image.rect() : in, [colour](QRgb p) { return p == colour; });
}

std::string Texts(const std::vector<LevelGraph::TextBox>& labels)
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
    FillCurve(1, 1000.0);  // above the default 0..100
    FillCurve(2, -5.0);    // below it
    const QRect plot = graph.Arrangement().plot;
    QImage image = Grab(graph);  // no frequencies yet: only the grid, its decades on a log axis
    EXPECT_EQ(FindColour(image, kRed, plot).count + FindColour(image, kBlue, plot).count, 0);
    // 1 kHz lies log(100) / log(2000) = 0.606 of the way along the axis.
    const int kiloHertz = plot.left() + qRound((plot.right() - plot.left()) * 0.606);
    EXPECT_GE(FindColour(image, qRgb(0, 0, 0), QRect(kiloHertz - 1, plot.top(), 3, plot.height())).count,
              plot.height());

    SpreadFrequencies();
    image = Grab(graph);
    const QRect red = FindColour(image, kRed, plot).box;
    const QRect blue = FindColour(image, kBlue, plot).box;
    EXPECT_TRUE(red.top() >= plot.top() - 1 && red.bottom() <= plot.top() + 1 && red.width() > 600);
    EXPECT_TRUE(blue.top() >= plot.bottom() - 1 && blue.bottom() <= plot.bottom() + 1 && blue.width() > 600);
}

TEST_F(LevelGraphTest, LabelsLegendAndUnitsArePaintedAndTheFrequenciesLieLevel)
{
    graph.SetYMin(-200.0);
    const LevelGraph::Layout layout = graph.Arrangement();
    EXPECT_EQ(Texts(layout.legend), "Response Noise floor ");
    EXPECT_EQ(layout.levelUnit.text + ' ' + layout.frequencyUnit.text, "Level (dB) Frequency (Hz)");
    // "10k" painted wider than it is tall.
    const QImage image = Grab(graph);
    const auto ink = [](QRgb p) { return qGray(p) < 160; };
    for (const LevelGraph::TextBox& label : layout.levelLabels)
        EXPECT_GT(Find(image, label.box, ink).count, 3) << label.text.toStdString() << " not painted";
    const QRect tenK = layout.frequencyLabels[3].box;
    const QRect written =
        Find(image, tenK.adjusted(-tenK.height(), 0, tenK.height(), 2 * tenK.height()), ink).box;
    EXPECT_GT(written.width(), written.height());
    EXPECT_GT(FindColour(image, kRed, layout.legend[0].box).count, 10)
        << "the response's colour in the legend";

    // A tick that misses a whole number only by the rounding of the steps reads as that number.
    graph.SetYMin(-19.9);
    graph.SetYMax(1.1);
    EXPECT_EQ(Texts(graph.Arrangement().levelLabels), "-19 -17 -15 -13 -11 -9 -7 -5 -3 -1 1 ");
}

// At every size no text covers another or the plot, or leaves the widget; a
// small plot labels every second level line and drops a frequency that would touch.
TEST_F(LevelGraphTest, TextsFitWithoutOverlapAtEverySize)
{
    graph.SetYMin(-100.0);
    graph.SetTitle(QStringLiteral("Sound test of Input2"));
    const std::string everyTenth = "-100 -80 -60 -40 -20 0 20 40 60 80 100 ";
    const struct {
        QSize size;
        std::string levels, frequencies;
    } sizes[] = {{graph.minimumSizeHint(), "-100 -60 -20 20 60 100 ", "10 100 1k 20k "},
                 {QSize(560, 320), everyTenth, "10 100 1k 10k 20k "},
                 {QSize(1600, 1000), everyTenth, "10 100 1k 10k 20k "}};
    for (const auto& [size, levels, frequencies] : sizes) {
        graph.resize(size);
        const LevelGraph::Layout layout = graph.Arrangement();
        EXPECT_EQ(Texts(layout.levelLabels), levels);
        EXPECT_EQ(Texts(layout.frequencyLabels), frequencies);
        std::vector<LevelGraph::TextBox> texts = {layout.title, layout.levelUnit, layout.frequencyUnit};
        for (const auto* group : {&layout.legend, &layout.levelLabels, &layout.frequencyLabels})
            texts.insert(texts.end(), group->begin(), group->end());
        for (std::size_t i = 0; i < texts.size(); ++i) {
            const QRect& box = texts[i].box;
            EXPECT_TRUE(graph.rect().contains(box) && !box.intersects(layout.plot))
                << texts[i].text.toStdString() << " at " << size.width();
            for (std::size_t j = i + 1; j < texts.size(); ++j)
                EXPECT_FALSE(box.intersects(texts[j].box))
                    << texts[i].text.toStdString() << " / " << texts[j].text.toStdString() << " at "
                    << size.width();
        }
    }
}

// The CSV holds the points drawn with dot decimals, the PNG the picture at the scale asked.
TEST_F(LevelGraphTest, ExportsAreExactAndAFailedOneSaysWhy)
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
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll().toStdString(), "frequency (Hz),Response (dB),Noise floor (dB)\n"
                                            "20,-3.5,0.25\n"
                                            "1000.5,6,-40.125\n"
                                            "20000,0.001,-100\n"
                                            "10,12345.678,0\n");

    SpreadFrequencies();
    FillCurve(1, 40.0);
    ASSERT_TRUE(graph.ExportPng(Path("g.png"), &error)) << error.toStdString();
    EXPECT_EQ(QImage(Path("g.png")).convertToFormat(QImage::Format_ARGB32), Grab(graph));
    ASSERT_TRUE(graph.ExportPng(Path("g2.png"), &error, 2.0)) << error.toStdString();
    EXPECT_EQ(QImage(Path("g2.png")).size(), QSize(2 * kWidth, 2 * kHeight));

    // A path under a plain file cannot be created, whoever runs the test.
    for (const QString& path : {Path("g.png/graph.png"), Path("g.png/graph.csv")}) {
        EXPECT_FALSE(path.endsWith(QStringLiteral(".png")) ? graph.ExportPng(path, &error)
                                                           : graph.ExportCsv(path, &error));
        EXPECT_TRUE(error.contains(path)) << error.toStdString();
        EXPECT_GT(error.size(), path.size() + 20) << "no reason given: " << error.toStdString();
    }
}

}  // namespace
}  // namespace brevant::test
