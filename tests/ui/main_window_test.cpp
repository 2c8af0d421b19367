// The whole program's window against the simulator: the form's layout, the
// device menu's commands run off the UI thread, and what the user is told.
#include "procedures/Preset.h"
#include "procedures/PresetProcedures.h"
#include "programs/brevant/AboutDialog.h"
#include "programs/brevant/ConnectToDialog.h"
#include "programs/brevant/MainWindow.h"
#include "programs/brevant/ProgramCore.h"
#include "programs/brevant/ZoomedForm.h"
#include "tests/SimProcess.h"
#include "tests/ui/UiTestHelpers.h"
#include "ui/controls/ImageCheckButton.h"
#include "ui/controls/LevelMeter.h"
#include "ui/controls/RoundKnob.h"
#include "ui/form/MainForm.h"
#include "ui/panels/ChannelPane.h"
#include "ui/panels/MatrixDialog.h"
#include "ui/skin/InputChannelWindow.h"
#include "ui/skin/OutputChannelWindow.h"

#include <QDockWidget>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProgressDialog>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace brevant::test {
namespace {

class MainWindowTest : public ::testing::Test {
protected:
    void Start(std::vector<std::string> simArgs = {"--no-pacing"})
    {
        sim = std::make_unique<SimProcess>(std::move(simArgs), 3);
        ASSERT_TRUE(sim->Started()) << sim->ReadyLine();
        core =
            std::make_unique<ProgramCore>(PortMap::Directory(sim->PortsDir()), [this](const QString& text) {
                told << text;
                // A busy window still up when a message comes would cover it.
                for (const QProgressDialog* busy : frame->findChildren<QProgressDialog*>())
                    busyWindowsOverMessages += busy->isVisible() ? 1 : 0;
            });
        frame = std::make_unique<MainWindow>(*core);
        frame->resize(1600, 900);
        frame->show();
    }
    void TearDown() override
    {
        if (frame)
            frame->Tasks().WaitIdle();
        frame.reset();
        core.reset();
    }
    void Run(void (MainWindow::*command)())
    {
        (frame.get()->*command)();
        frame->Tasks().WaitIdle();
    }
    MainForm& View() { return frame->View(); }
    // What the device holds for input 2's gain, asked with the polling held
    // back (a busy machine may make one query miss its time).
    int DeviceGain2()
    {
        PollingHold hold(core->state.flags);
        for (int attempt = 0; attempt < 3; ++attempt) {
            if (core->link.Query(Op::MG, {2}))
                return core->state.params.MG[2];
        }
        ADD_FAILURE() << "the device did not answer";
        return -999;
    }
    int X(ChannelWindow& window) { return window.geometry().x(); }
    std::vector<int> Xs(Direction direction)
    {
        std::vector<int> xs;
        for (int k = 0; k < 4; ++k)
            xs.push_back(direction == Direction::Input ? X(View().InputWindow(k))
                                                       : X(View().OutputWindow(k)));
        return xs;
    }
    // A firmware image of `words` words made by the simulator, offered by the file chooser.
    void OfferFirmware(const std::string& dir, const char* words)
    {
        const std::string image = dir + "/new.b";
        ASSERT_EQ(RunProgram(BREVANT_SIM_PATH, {"--make-firmware", image, "--version", "9", "--words", words})
                      .status,
                  0);
        frame->SetFileChooser([this, image](const QString&, const QString& filter, bool) {
            ++fileDialogs;
            EXPECT_TRUE(filter.contains("*.b"));
            return QString::fromStdString(image);
        });
    }

    std::unique_ptr<SimProcess> sim;
    std::unique_ptr<ProgramCore> core;
    std::unique_ptr<MainWindow> frame;
    QStringList told;
    int busyWindowsOverMessages = 0;
    int fileDialogs = 0;
};

TEST_F(MainWindowTest, LaysTheChannelsOutAndFollowsTheCheckBoxes)
{
    Start();
    MainForm& view = View();
    const Direction inputs = Direction::Input, outputs = Direction::Output;
    EXPECT_EQ(Xs(inputs), (std::vector<int>{360, 240, 120, 0}));
    EXPECT_EQ(Xs(outputs), (std::vector<int>{480, 600, 720, 840}));
    EXPECT_EQ(view.OutputWindow(3).ChannelName(), "Output4");

    view.InputCheck().click();
    EXPECT_FALSE(view.InputWindow(0).isVisible());
    EXPECT_EQ(Xs(outputs), (std::vector<int>{0, 120, 240, 360}));
    frame->Action("Channel")->trigger();
    EXPECT_TRUE(view.InputWindow(0).isVisible());
    EXPECT_EQ(Xs(outputs), (std::vector<int>{480, 600, 720, 840}));
    EXPECT_FALSE(view.InputCheck().isChecked()) << "the box keeps its state";

    view.OutputCheck().click();
    EXPECT_FALSE(view.OutputWindow(2).isVisible());
    view.GroupCheck().click();
    EXPECT_TRUE(core->context.Model().Group());

    frame->Action("Matrix")->trigger();
    EXPECT_TRUE(view.Matrix().isVisible());
    EXPECT_FALSE(view.InputWindow(1).isVisible());
    EXPECT_FALSE(view.GroupCheck().isVisible());
}

TEST_F(MainWindowTest, ConnectLaysOutTheModelNamesItAndTellsALostLink)
{
    Start({"--no-pacing", "--model", "K217"});
    // Before any device has spoken, no value is made up.
    EXPECT_EQ(View().Matrix().GainBox(2, 3)->text(), "");
    Run(&MainWindow::OnConnect);
    EXPECT_TRUE(told.isEmpty()) << told.join("|").toStdString();
    ASSERT_TRUE(core->state.flags.Connected);
    ASSERT_TRUE(Eventually([&] { return core->refresher.PollPassesApplied() >= 2; }));
    // Family 2: renamed, the second panes shown, the first input and output
    // side by side in the middle.
    EXPECT_EQ(View().OutputWindow(0).ChannelName(), "VCSOut");
    EXPECT_EQ(View().InputWindow(1).ChannelName(), "Input1");
    EXPECT_EQ(View().Matrix().InputButton(1)->text(), "VCSIn");
    EXPECT_EQ(X(View().InputWindow(0)), 360);
    EXPECT_EQ(X(View().OutputWindow(0)), 480);
    EXPECT_TRUE(View().InputWindow(2).SecondPane()->isVisible());

    // The traffic is in the protocol trace, whose dock stays hidden until asked for.
    EXPECT_GT(core->trace.Snapshot().size(), 90u);
    ASSERT_NE(frame->findChild<QDockWidget*>("trace"), nullptr);
    EXPECT_FALSE(frame->findChild<QDockWidget*>("trace")->isVisible());

    EXPECT_EQ(AboutDialog(core->state).FirstLine(), QStringLiteral("Model：SAK217"));

    // A lost link is named with its port until the device is back.
    const QString connected = frame->StatusText();
    EXPECT_TRUE(connected.startsWith("Connected: K217 on COM3")) << connected.toStdString();
    core->refresher.LinkLost(3);
    ASSERT_TRUE(Eventually([&] {
        return frame->StatusText() == QStringLiteral("Device lost on COM3 \u2014 reconnecting\u2026");
    }));
    core->refresher.LinkRestored(3);
    ASSERT_TRUE(Eventually([&] { return frame->StatusText() == connected; }));
    Run(&MainWindow::OnDisconnect);
    EXPECT_FALSE(core->state.flags.Connected);
}

// A model the program does not know is named wherever the model is shown;
// and a connected window holds its port, so brevantctl cannot change the
// device behind its back.
TEST_F(MainWindowTest, AnUnknownModelIsNamedAndTheConnectedWindowKeepsItsPortToItself)
{
    Start({"--no-pacing", "--unknown-model"});
    Run(&MainWindow::OnConnect);
    EXPECT_TRUE(told.isEmpty()) << told.join("|").toStdString();
    ASSERT_TRUE(core->state.flags.Connected);
    EXPECT_TRUE(Eventually([&] {
        return frame->StatusText().startsWith("Connected: unknown model K999 on COM3");
    })) << frame->StatusText().toStdString();
    EXPECT_EQ(AboutDialog(core->state).FirstLine(), QStringLiteral("Model：unknown model K999"));

    const std::string terminal = std::filesystem::canonical(sim->PortsDir() + "/COM3").string();
    const std::vector<std::string> set = {"--ports", sim->PortsDir(), "--port", "3", "set", "MG", "2", "11"};
    const ProgramResult refused = RunProgram(BREVANT_CTL_PATH, set);
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.err, "brevantctl: COM3 (" + terminal + ") is in use by another program\n");
    Run(&MainWindow::OnDisconnect);
    const std::vector<std::string> get = {"--ports", sim->PortsDir(), "--port", "3", "get", "MG", "2"};
    EXPECT_EQ(RunProgram(BREVANT_CTL_PATH, get).status, 0) << "Disconnect leaves the port to others";
}

// View > Zoom scales the form as one picture: the controls keep their places
// relative to each other, still take the mouse wheel where they are drawn,
// and the choice is kept for the next start.
TEST_F(MainWindowTest, ZoomScalesTheFormAsOnePictureAndIsRemembered)
{
    Start();
    frame->resize(1024, 600);
    ZoomedForm& zoomed = frame->Zoomed();
    const auto viewX = [&](QWidget& w) { return zoomed.ViewportPos(w, QPoint(0, 0)).x(); };

    // At 100 % a small window scrolls down to the hint under the panels.
    frame->Action("100 %")->trigger();
    QApplication::processEvents();
    EXPECT_EQ(viewX(View().OutputWindow(0)) - viewX(View().InputWindow(0)), 120);
    QScrollBar& bar = *zoomed.ScrollBar(Qt::Vertical);
    EXPECT_GE(bar.maximum() + zoomed.Viewport()->height(), 650) << "nothing cut off";

    frame->Action("150 %")->trigger();
    QApplication::processEvents();
    EXPECT_EQ(viewX(View().OutputWindow(0)) - viewX(View().InputWindow(0)), 180);
    // A wheel over the drawn knob reaches it (towards the user: one step down
    // from 0 dB) and its change goes to the device.
    Run(&MainWindow::OnConnect);
    ASSERT_TRUE(core->state.flags.Connected);
    ASSERT_TRUE(Eventually([&] { return core->refresher.PollPassesApplied() >= 1; }));
    frame->Action("Matrix")->trigger();
    RoundKnob& knob = *View().Matrix().Knob(2, 3);
    zoomed.EnsureVisible(knob, knob.KnobCentre());
    const QPointF at = zoomed.ViewportPos(knob, knob.KnobCentre());
    const int before = core->state.params.XG[2][3];
    QWheelEvent wheel(at, zoomed.Viewport()->mapToGlobal(at), {}, QPoint(0, -120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(zoomed.Viewport(), &wheel);
    EXPECT_TRUE(Eventually([&] { return core->state.params.XG[2][3] == before - 1; }));
    Run(&MainWindow::OnDisconnect);
    frame->Action("Channel")->trigger();

    // Fit: the whole picture in the window, no bars.
    frame->Action("Fit to window")->trigger();
    QApplication::processEvents();
    EXPECT_LT(zoomed.Scale(), 1.0);
    EXPECT_LE(650 * zoomed.Scale(), zoomed.Viewport()->height() + 1);

    frame = std::make_unique<MainWindow>(*core);
    EXPECT_EQ(frame->Zoomed().CurrentZoom(), Zoom::Fit);
    EXPECT_TRUE(frame->Action("Fit to window")->isChecked());
    frame->SetZoom(Zoom::Percent100);
}

TEST_F(MainWindowTest, TheKeyboardReachesEveryCommandAndConnectFollowsTheState)
{
    Start();
    // Every menu and item has its underlined letter.
    for (QMenu* menu : frame->menuBar()->findChildren<QMenu*>()) {
        if (menu->title().isEmpty())
            continue;  // a menu of Qt's own, not one of the program's
        EXPECT_TRUE(menu->title().contains('&')) << menu->title().toStdString();
        for (QAction* item : menu->actions()) {
            if (!item->isSeparator()) {
                EXPECT_TRUE(item->text().contains('&')) << item->text().toStdString();
            }
        }
    }
    // Ctrl+K connects, and Connect is greyed while connected.
    frame->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(frame.get()));
    QTest::keyClick(frame.get(), Qt::Key_K, Qt::ControlModifier);
    frame->Tasks().WaitIdle();
    ASSERT_TRUE(Eventually([&] { return !frame->Action("Connect")->isEnabled(); }));
    // Tab from the top of the form lands in Input1 first, then moves on.
    ASSERT_TRUE(Eventually([&] { return core->refresher.PollPassesApplied() >= 1; }));
    core->context.Model().Flush();
    frame->Zoomed().Viewport()->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QWidget* first = View().focusWidget();
    ASSERT_NE(first, nullptr);
    EXPECT_TRUE(View().InputWindow(0).isAncestorOf(first))
        << first->metaObject()->className() << " " << first->objectName().toStdString();
    Run(&MainWindow::OnDisconnect);
    EXPECT_TRUE(Eventually([&] { return frame->Action("Connect")->isEnabled(); }));
}

// Connect To… right after Connect: the virtual device runs the simulator and
// connects to it; choosing another device ends it; a missing simulator is named.
TEST_F(MainWindowTest, TheVirtualDeviceRunsTheSimulatorUntilAnotherDeviceIsChosen)
{
    Start();
    core->virtualDevice.SetProgram(BREVANT_SIM_PATH);

    // The dialog is answered from the keyboard: the virtual device, Return.
    QTimer::singleShot(0, [] {
        auto* dialog = qobject_cast<ConnectToDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        auto* list = dialog->findChild<QTreeWidget*>("targets");
        list->setCurrentItem(
            list->findItems("Virtual device (simulator)", Qt::MatchExactly | Qt::MatchRecursive)[0]);
        QTest::keyClick(list, Qt::Key_Return);
    });
    Run(&MainWindow::OnConnectTo);
    EXPECT_TRUE(told.isEmpty()) << told.join("|").toStdString();
    EXPECT_EQ(core->state.flags.PortNumber, VirtualDevice::kPort);
    EXPECT_TRUE(core->virtualDevice.Running());
    EXPECT_TRUE(frame->StatusText().contains(" on the virtual device")) << frame->StatusText().toStdString();
    ASSERT_EQ(core->SerialPorts().size(), 1u) << "the virtual device is not listed as a serial port";
    EXPECT_EQ(core->SerialPorts()[0].number, 3);
    Run(&MainWindow::OnDisconnect);

    frame->ConnectTo(ConnectTarget{TargetKind::Port, *ParsePortAddress("COM3").address});
    frame->Tasks().WaitIdle();
    EXPECT_TRUE(core->state.flags.Connected) << told.join("|").toStdString();
    EXPECT_FALSE(core->virtualDevice.Running());
    Run(&MainWindow::OnDisconnect);

    core->virtualDevice.SetProgram("/nonexistent/brevant-sim");
    frame->ConnectTo(ConnectTarget{TargetKind::VirtualDevice, {}});
    frame->Tasks().WaitIdle();
    ASSERT_EQ(told.size(), 1);
    EXPECT_TRUE(told[0].startsWith("The virtual device could not be started\n/nonexistent/brevant-sim: "))
        << told[0].toStdString();
    EXPECT_FALSE(core->state.flags.Connected);
}

TEST_F(MainWindowTest, PresetFilesArePreviewedUndoneAndRememberedOnlyWhenTheyWork)
{
    Start();
    const std::string dir = MakeTempDir("brevant-preset");
    QString file = QString::fromStdString(dir + "/room.lg");
    frame->SetFileChooser([&](const QString&, const QString&, bool) { return file; });
    bool load = true;
    PresetPreview shown;
    frame->SetPreviewAnswer([&](const PresetPreview& preview) {
        shown = preview;
        return load;
    });

    Run(&MainWindow::OnConnect);
    ASSERT_TRUE(core->state.flags.Connected);
    ASSERT_TRUE(Eventually([&] { return core->refresher.PollPassesApplied() >= 1; })) << "read-back done";
    core->state.params.MG[2] = 21;
    frame->OnSaveToFile();
    EXPECT_EQ(told, QStringList{"Save successfully"});
    EXPECT_EQ(frame->RecentFiles().value(0), file);
    core->state.params.MG[2] = 0;  // what the device holds

    // Cancel: nothing is sent.
    told.clear();
    load = false;
    Run(&MainWindow::OnOpenFromFile);
    EXPECT_EQ(shown.summary, "1 setting of room.lg differs from the device:");
    EXPECT_EQ(shown.lines, QStringList{"Input 2 gain: 0 dB \u2192 21 dB"});
    EXPECT_TRUE(told.isEmpty());
    EXPECT_EQ(DeviceGain2(), 0);

    // Load, then undo: the device holds what it held before.
    load = true;
    Run(&MainWindow::OnOpenFromFile);
    EXPECT_EQ(told, QStringList{"Open successfully"});
    EXPECT_EQ(DeviceGain2(), 21);
    ASSERT_TRUE(frame->Action("Undo Open From File")->isEnabled());
    ASSERT_TRUE(
        Eventually([&] { return core->refresher.PollPassesApplied() >= 1 && core->state.flags.Connected; }));
    told.clear();
    Run(&MainWindow::OnUndoOpen);
    EXPECT_EQ(told, QStringList{"Open successfully"});
    EXPECT_EQ(DeviceGain2(), 0);
    EXPECT_FALSE(frame->Action("Undo Open From File")->isEnabled());

    // What is no preset, and a save that fails, are told and not remembered.
    const QStringList recent = frame->RecentFiles();
    file = QString::fromStdString(dir + "/notes.lg");
    std::ofstream(file.toStdString()) << "shopping list\n";
    told.clear();
    Run(&MainWindow::OnOpenFromFile);
    EXPECT_EQ(told, QStringList{file + ": line 1: expected \"DeviceType:\", found \"shopping list\""});
    file = QString::fromStdString(dir + "/no-such-folder/x.lg");
    told.clear();
    frame->OnSaveToFile();
    EXPECT_EQ(told.size(), 1);
    EXPECT_EQ(frame->RecentFiles(), recent);
    Run(&MainWindow::OnDisconnect);
    std::filesystem::remove_all(dir);
}

// On a line paced like the real one an upgrade takes about a second: the
// window keeps answering, the progress bar fills, and no busy window is left
// over the messages of this or the commands after it. Connected, an upgrade
// is refused before any file is asked for.
TEST_F(MainWindowTest, AnUpgradeRunsBesideTheWindowAndNoBusyWindowOutlivesItsCommand)
{
    Start({});
    const std::string dir = MakeTempDir("brevant-slow");
    OfferFirmware(dir, "300");
    int ticks = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    timer.start(20);
    int highest = 0;
    QObject::connect(&frame->Tasks(), &TaskRunner::progressed,
                     [&](int percent) { highest = std::max(highest, percent); });
    const std::size_t traced = core->trace.Size();
    QElapsedTimer took;
    took.start();
    frame->OnUpgrade();
    ASSERT_TRUE(Eventually([&] { return frame->Tasks().Busy() && View().ProgressBar().isVisible(); }));
    EXPECT_FALSE(frame->Action("Connect")->isEnabled()) << "no Connect during the transfer";
    EXPECT_TRUE(frame->Action("Matrix")->isEnabled());
    ASSERT_TRUE(Eventually([&] { return !told.isEmpty(); }));
    EXPECT_GE(ticks, took.elapsed() / 20 / 4) << "the timer kept firing for " << took.elapsed() << " ms";
    EXPECT_EQ(highest, 100);
    EXPECT_GT(core->trace.Size(), traced + 40) << "the transfer's packets are in the trace";
    frame->Tasks().WaitIdle();
    frame->Tasks().WaitIdle();  // the Connect that follows a successful upgrade
    ASSERT_TRUE(core->state.flags.Connected);
    EXPECT_FALSE(View().ProgressBar().isVisible());
    Run(&MainWindow::OnConnect);  // "Already connect"
    Run(&MainWindow::OnUpgrade);
    EXPECT_EQ(fileDialogs, 1);
    Run(&MainWindow::OnSaveDevice);
    Run(&MainWindow::OnDisconnect);
    EXPECT_EQ(told, (QStringList{"update successfully", "Already connect",
                                 "Already connect,please disconnect", "Save device successfully"}));
    EXPECT_EQ(busyWindowsOverMessages, 0);
    std::filesystem::remove_all(dir);
    QTest::qWait(600);
    EXPECT_TRUE(frame->findChildren<QProgressDialog*>().isEmpty());
}

// Closing the window ends the worker, the queue and the port within a second,
// whatever the device is doing.
TEST_F(MainWindowTest, ClosingEndsEverythingWithinASecondInEveryState)
{
    enum class State { Polling, SilentDuringReadBack, Lost, ChangesQueuedForASilentDevice };
    for (State s :
         {State::Polling, State::SilentDuringReadBack, State::Lost, State::ChangesQueuedForASilentDevice}) {
        SCOPED_TRACE(static_cast<int>(s));
        Start(s == State::SilentDuringReadBack ? std::vector<std::string>{}
                                               : std::vector<std::string>{"--no-pacing"});
        Run(&MainWindow::OnConnect);
        ASSERT_TRUE(core->state.flags.Connected);
        if (s == State::SilentDuringReadBack)
            sim->Freeze();
        if (s == State::Polling || s == State::ChangesQueuedForASilentDevice) {
            ASSERT_TRUE(Eventually([&] { return core->connection.PollPasses() >= 1; }));
        }
        if (s == State::Lost) {
            sim->Kill();
            ASSERT_TRUE(Eventually([&] { return core->connection.Lost(); }));
        }
        if (s == State::ChangesQueuedForASilentDevice) {
            sim->Freeze();
            for (int gain = 1; gain <= 5; ++gain)
                core->context.Send({{Op::MG, {1}, gain}});
        }
        QElapsedTimer took;
        took.start();
        frame->close();
        frame.reset();
        core.reset();
        EXPECT_LT(took.elapsed(), 1000);
        sim.reset();
    }
}

// Save to File and Open From File bring a device back exactly, on every
// model, and what a model lacks is neither sent nor compared.
class WindowRoundTripTest : public MainWindowTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(WindowRoundTripTest, ThePresetComesBackExactlyAndNothingTheModelLacksIsSent)
{
    Start({"--no-pacing", "--model", GetParam()});
    const std::string dir = MakeTempDir("brevant-window-trip");
    const QString file = QString::fromStdString(dir + "/trip.lg");
    frame->SetFileChooser([&](const QString&, const QString&, bool) { return file; });
    PresetPreview shown;
    frame->SetPreviewAnswer([&](const PresetPreview& preview) {
        shown = preview;
        return true;
    });
    Run(&MainWindow::OnConnect);
    ASSERT_TRUE(Eventually([&] { return core->refresher.PollPassesApplied() >= 1; })) << "read-back done";
    const auto send = [&](std::vector<SettingChange> changes) {
        bool done = false;
        ASSERT_TRUE(
            core->context.Send(std::move(changes), [&](const SendOutcome& o) { done = o.Confirmed(); }));
        ASSERT_TRUE(Eventually([&] { return done; }));
    };
    // Six settings each model has; output 1's delay is on no model, AEC
    // not on a K225, output 1's low-pass not on a K217 or K218.
    send({{Op::MG, {2}, 12},
          {Op::OV, {3}, -5},
          {Op::XG, {2, 3}, -12},
          {Op::MB, {}, 1},
          {Op::OD, {4}, 120},
          {Op::OD, {1}, 50},
          {Op::MC, {2}, 1},
          {Op::OF, {1}, 8000}});
    frame->OnSaveToFile();
    EXPECT_EQ(told, QStringList{"Save successfully"});
    send({{Op::MG, {2}, 0},
          {Op::OV, {3}, 0},
          {Op::XG, {2, 3}, 0},
          {Op::MB, {}, 0},
          {Op::OD, {4}, 0},
          {Op::MC, {2}, 0},
          {Op::OF, {1}, 0}});

    told.clear();
    Run(&MainWindow::OnOpenFromFile);
    EXPECT_EQ(shown.lines.size(), 6) << shown.lines.join("\n").toStdString();
    EXPECT_EQ(told, QStringList{"Open successfully"});

    // The device, asked afresh, holds exactly the file's settings.
    const ModelFamily family = ToModelFamily(core->state.params.DeviceFamily.load());
    {
        PollingHold hold(core->state.flags);
        for (const SettingRef& s : ReadBackList(family)) {
            if (!CommandFor(s.op).IsMeter()) {
                EXPECT_TRUE(core->link.Query(s.op, s.at)) << CommandFor(s.op).code << s.at.a;
            }
        }
    }
    const std::optional<Preset> preset = LoadPresetFile(file.toStdString(), {});
    ASSERT_TRUE(preset);
    EXPECT_EQ(DiffPreset(*preset, core->state.params), std::vector<std::string>{});
    for (const TraceRecord& r : core->trace.Snapshot()) {
        const Command* c = r.direction == TraceDirection::Sent ? FindCommand(r.bytes.substr(0, 2)) : nullptr;
        if (c && c->setting.scope != Scope::None && r.bytes.size() > 2) {
            EXPECT_TRUE(c->HasOn(family, r.bytes[2] - '0')) << r.bytes;
        }
    }
    Run(&MainWindow::OnDisconnect);
    std::filesystem::remove_all(dir);
}

INSTANTIATE_TEST_SUITE_P(Models, WindowRoundTripTest, ::testing::Values("K225", "K217", "K218"),
                         [](const auto& param) { return std::string(param.param); });

TEST(Program, StartsConnectsAndRendersItsWindowWithoutADisplay)
{
    SimProcess sim({"--no-pacing", "--model", "K218"}, 3);
    ASSERT_TRUE(sim.Started()) << sim.ReadyLine();
    const std::string dir = MakeTempDir("brevant-shot");
    const std::string shot = dir + "/matrix.png";
    const ProgramResult run = RunProgram(
        BREVANT_GUI_PATH, {"--ports", sim.PortsDir(), "--screenshot", shot, "--connect", "--view", "matrix"});
    EXPECT_EQ(run.status, 0) << run.err;
    const QImage image(QString::fromStdString(shot));
    EXPECT_EQ(image.size(), QSize(1600, 900));
    EXPECT_EQ(RunProgram(BREVANT_GUI_PATH, {"--view", "sideways"}).status, 2) << "unknown words are refused";
    const ProgramResult help = RunProgram(BREVANT_GUI_PATH, {"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("--ports DIR"), std::string::npos) << help.out;
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace brevant::test
