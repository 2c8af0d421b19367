// The sound test dialog: a whole measurement against the simulator, with the
// meter polling running beside it, and on the scripted port what it does when
// the test settings are not confirmed or no device is connected.
#include "tests/ui/PanelFixture.h"
#include "tests/ui/SimPanelFixture.h"
#include "ui/controls/BitmapFader.h"
#include "ui/controls/ImageCheckButton.h"
#include "ui/controls/LevelMeter.h"
#include "ui/panels/DynamicsPanel.h"
#include "ui/panels/InputLevelPanel.h"
#include "ui/soundtest/LevelGraph.h"
#include "ui/soundtest/SoundTestDialog.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>

#include <algorithm>

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
        told.clear();  // what the connection told (a slow machine can miss a read-back reply) is not the
                       // dialog's
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
    // What the device confirmed reaches the window with the model's next
    // refresh, which comes at most 20 times a second.
    InputLevelPanel& level = *In(1, 1).InputLevel();
    EXPECT_TRUE(Eventually([&] {
        return dlg->Monitor().GainText().text() == "30db" && level.Strip().Label().text() == "30db" &&
               level.Strip().Fader().value() == 17 && In(1, 1).Dynamics()->Phantom().isChecked();
    }));
    ASSERT_TRUE(link->Query(Op::MG, {2}) && link->Query(Op::MT, {2}));
    EXPECT_EQ(p.MG[2] * 10 + p.MT[2], 301) << "the device holds the new gain and phantom power";

    // The monitor shows the polled levels of channel 2, coloured by level.
    dlg->RefreshMonitor();
    EXPECT_TRUE(dlg->Monitor().Phantom().isChecked());
    for (LevelMeter* meter : {&dlg->Monitor().InputMeter(), &dlg->Monitor().OutputMeter()})
        EXPECT_EQ(meter->BarColour(), LevelColour(meter->GetValue() - 100));

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
    for (int k : {0, 57, kResultPoints - 1}) {
        const auto at = static_cast<std::size_t>(k);
        EXPECT_EQ(graph.CurvePoint(k, 1), curves.d[at]) << k;
        EXPECT_EQ(graph.CurvePoint(k, 2), curves.e[at]) << k;
        EXPECT_EQ(graph.XValue(k), 10.0 + 200.0 * k) << k;
    }
    EXPECT_TRUE(std::any_of(curves.d.begin(), curves.d.end(), [](double dB) { return dB != 0.0; }));

    // The export writes where the user says.
    const QString dir = QString::fromStdString(MakeTempDir("soundtest-export"));
    dlg->SetPathChooser(
        [&](const QString&, const QString& suggested, const QString&) { return dir + "/" + suggested; });
    dlg->Button(Dlg::kExportCsvId).click();
    EXPECT_TRUE(QFile::exists(dir + "/soundtest.csv"));
    QDir(dir).removeRecursively();

    // Quit leaves test mode and ends the dialog; the device measures no more.
    Click(Dlg::kQuitId);
    EXPECT_FALSE(dlg->isVisible());
    EXPECT_EQ(p.SM, 0);
    EXPECT_FALSE(link->Run(Op::CG1)) << "out of test mode the device refuses a measurement";
    EXPECT_TRUE(told.isEmpty()) << told.join(", ").toStdString();
}

class SoundTestDialogScripted : public PanelFixture {
protected:
    // A device that enters test mode but never answers the settings queries.
    void EchoAllButSettingQueries()
    {
        port.SetResponder(kPort, [](std::string_view line) {
            if (line == "CNsr\r\n" || line == "CPsr\r\n" || line == "CTsr\r\n")
                return std::vector<Piece>{};
            return std::vector<Piece>{{std::chrono::milliseconds(1), std::string(line)}};
        });
    }
    void Settle(Dlg& dlg)
    {
        ASSERT_TRUE(Eventually([&] { return !dlg.Busy() && queue.Pending() == 0; }));
        Deliver();
    }
};

TEST_F(SoundTestDialogScripted, UnconfirmedSettingsKeepGainAndPhantomBackAndTheMonitorStill)
{
    context.Model().StartConnection(2);
    EchoAllButSettingQueries();
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
    EXPECT_EQ(dlg.Monitor().GainText().text(), "42db");
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

    // Closing the window waits for the command on its way, then leaves test
    // mode, then closes.
    EchoEverySet();
    port.ClearRecord();
    told.clear();
    dlg.OnSave();
    dlg.close();
    EXPECT_TRUE(dlg.isVisible());
    Settle(dlg);
    EXPECT_EQ(port.Writes(), (std::vector<std::string>{"SSs1\r\n", "CEs1\r\n"}));
    EXPECT_EQ(told, QStringList{"Save OK."});
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

}  // namespace
}  // namespace brevant::test
