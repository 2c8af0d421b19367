// The whole program's window against the simulator: the form's layout, the
// device menu's commands run off the UI thread, and what the user is told;
// the Connect To dialog and the program's settings.
#include "procedures/Preset.h"
#include "procedures/PresetProcedures.h"
#include "programs/brevant/AboutDialog.h"
#include "programs/brevant/ConnectSettings.h"
#include "programs/brevant/ConnectToDialog.h"
#include "programs/brevant/MainWindow.h"
#include "programs/brevant/NetworkDeviceDialog.h"
#include "programs/brevant/ProgramCore.h"
#include "programs/brevant/ZoomedForm.h"
#include "tests/LinkFixture.h"
#include "tests/RecordingObserver.h"
#include "tests/SimProcess.h"
#include "tests/ui/UiTestHelpers.h"
#include "ui/controls/FormZoom.h"
#include "ui/controls/ImageCheckButton.h"
#include "ui/controls/LevelMeter.h"
#include "ui/form/MainForm.h"
#include "ui/panels/ChannelPane.h"
#include "ui/panels/MatrixDialog.h"
#include "ui/skin/InputChannelWindow.h"
#include "ui/skin/OutputChannelWindow.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProgressDialog>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QScrollBar>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <fstream>
#include <set>

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
                told << text;  // a busy window still up would cover the message
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
    // Connects and waits until `passes` poll passes have reached the window.
    void Connect(int passes = 1)
    {
        Run(&MainWindow::OnConnect);
        ASSERT_TRUE(core->state.flags.Connected) << told.join("|").toStdString();
        ASSERT_TRUE(Eventually([&] { return core->refresher.PollPassesApplied() >= passes; }));
    }
    MainForm& View() { return frame->View(); }
    // An input's gain, asked of the device with the polling held back.
    int DeviceGain(int input = 2)
    {
        PollingHold hold(core->state.flags);
        for (int attempt = 0; attempt < 3; ++attempt) {
            if (core->link.Query(Op::MG, {input}))
                return core->state.params.MG[input];
        }
        ADD_FAILURE() << "the device did not answer";
        return -999;
    }
    std::vector<int> Xs(Direction direction)
    {
        std::vector<int> xs;
        xs.reserve(4);
        for (int k = 0; k < 4; ++k)
            xs.push_back(qRound(
                (direction == Direction::Input ? View().InputWindow(k).x() : View().OutputWindow(k).x()) /
                zoom::Of(View())));
        return xs;
    }

    std::unique_ptr<SimProcess> sim;
    std::unique_ptr<ProgramCore> core;
    std::unique_ptr<MainWindow> frame;
    QStringList told;
    int busyWindowsOverMessages = 0;
};

TEST_F(MainWindowTest, LaysTheChannelsOutAndFollowsTheCheckBoxes)
{
    Start();
    MainForm& view = View();
    EXPECT_EQ(Xs(Direction::Input), (std::vector<int>{360, 240, 120, 0}));
    EXPECT_EQ(Xs(Direction::Output), (std::vector<int>{480, 600, 720, 840}));
    EXPECT_EQ(view.OutputWindow(3).ChannelName(), "Output4");

    view.InputCheck().click();
    EXPECT_FALSE(view.InputWindow(0).isVisible());
    EXPECT_EQ(Xs(Direction::Output), (std::vector<int>{0, 120, 240, 360}));
    frame->Action("Channel")->trigger();
    EXPECT_TRUE(view.InputWindow(0).isVisible());
    EXPECT_EQ(Xs(Direction::Output), (std::vector<int>{480, 600, 720, 840}));
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
    Connect(2);
    EXPECT_TRUE(told.isEmpty()) << told.join("|").toStdString();
    EXPECT_FALSE(frame->Action("Connect")->isEnabled()) << "greyed while connected";
    // Family 2: renamed, the second panes shown, input 1 and output 1 side by side.
    EXPECT_EQ(View().OutputWindow(0).ChannelName(), "VCSOut");
    EXPECT_EQ(View().InputWindow(1).ChannelName(), "Input1");
    EXPECT_EQ(View().Matrix().InputButton(1)->text(), "VCSIn");
    EXPECT_EQ(std::pair(Xs(Direction::Input)[0], Xs(Direction::Output)[0]), std::pair(360, 480));
    EXPECT_TRUE(View().InputWindow(2).SecondPane()->isVisible());
    EXPECT_EQ(AboutDialog(core->state).FirstLine(), QStringLiteral("Model：K217"));

    // A lost link is named in the status bar and in a banner across the form
    // until the device is back or Disconnect gives it up.
    ASSERT_TRUE(Eventually([&] { return frame->StatusText().startsWith("Connected: K217 on COM3"); }))
        << frame->StatusText().toStdString();
    const QString connected = frame->StatusText();
    const auto* banner = frame->findChild<QLabel*>("lostBanner");
    ASSERT_NE(banner, nullptr);
    core->refresher.LinkLost(3);
    ASSERT_TRUE(Eventually([&] {
        return frame->StatusText() == QStringLiteral("Device lost on COM3 \u2014 reconnecting\u2026");
    }));
    EXPECT_TRUE(banner->isVisible());
    EXPECT_EQ(banner->text(), QStringLiteral("Device lost on COM3 \u2014 looking for it again\u2026"));
    EXPECT_GE(banner->width(), frame->Zoomed().width()) << "across the whole form";
    core->refresher.LinkRestored(3);
    ASSERT_TRUE(Eventually([&] { return frame->StatusText() == connected; }));
    EXPECT_FALSE(banner->isVisible());
    core->refresher.LinkLost(3);
    ASSERT_TRUE(Eventually([&] { return banner->isVisible(); }));
    Run(&MainWindow::OnDisconnect);
    EXPECT_TRUE(Eventually([&] { return !banner->isVisible(); }));
    EXPECT_TRUE(frame->Action("Connect")->isEnabled());
}

TEST_F(MainWindowTest, ZoomLaysTheFormOutAtItsScaleAndIsRemembered)
{
    Start();
    frame->resize(1024, 600);
    ZoomedForm& zoomed = frame->Zoomed();
    const auto viewX = [&](QWidget& w) { return zoomed.ViewportPos(w, QPoint(0, 0)).x(); };

    // At 100 % a small window scrolls down to the hint under the panels.
    frame->Action("Normal (100 %)")->trigger();
    QApplication::processEvents();
    EXPECT_EQ(viewX(View().OutputWindow(0)) - viewX(View().InputWindow(0)), 120);
    EXPECT_GE(zoomed.ScrollBar(Qt::Vertical)->maximum() + zoomed.Viewport()->height(), 650)
        << "nothing cut off";

    frame->Action("Extra large (150 %)")->trigger();
    QApplication::processEvents();
    EXPECT_EQ(viewX(View().OutputWindow(0)) - viewX(View().InputWindow(0)), 180);
    // A meter that moves is drawn again on the screen, at its place and scale.
    LevelMeter& meter = *View().InputWindow(0).findChild<LevelMeter*>();
    meter.SetBarColour(kZoneRed);
    zoomed.EnsureVisible(meter, {meter.width() / 2, meter.height()});
    const auto redRows = [&](int value) {
        meter.SetValue(value);
        QApplication::processEvents();
        QApplication::processEvents();
        const QImage shown = frame->screen()->grabWindow(frame->winId()).toImage();
        const QPoint top =
            zoomed.Viewport()->mapTo(frame.get(), zoomed.ViewportPos(meter, {meter.width() / 2, 0}));
        int rows = 0;
        for (int y = top.y(); y < top.y() + meter.height(); ++y)
            rows += qRed(shown.pixel(top.x(), y)) - qBlue(shown.pixel(top.x(), y)) > 80 ? 1 : 0;
        return rows;
    };
    meter.SetLimits(0, 100);
    const int low = redRows(20);
    EXPECT_NEAR(redRows(80) - low, 0.6 * meter.height(), 4);
    EXPECT_EQ(redRows(20), low);
    frame->Action("Fit to window")->trigger();  // the whole picture, no bars
    QApplication::processEvents();
    EXPECT_LT(zoomed.Scale(), 1.0);
    EXPECT_LE(650 * zoomed.Scale(), zoomed.Viewport()->height() + 1);

    // The choice is kept for the next start; the first start fits.
    frame->Action("Extra large (150 %)")->trigger();
    frame = std::make_unique<MainWindow>(*core);
    EXPECT_TRUE(frame->Action("Extra large (150 %)")->isChecked());
    ProgramSettings().remove(QStringLiteral("Zoom"));
    frame = std::make_unique<MainWindow>(*core);
    EXPECT_EQ(frame->Zoomed().CurrentZoom(), Zoom::Fit);
    EXPECT_TRUE(frame->Action("Fit to window")->isChecked());
    frame->SetZoom(Zoom::Percent100);
}

TEST_F(MainWindowTest, EveryMenuAndItemHasAnUnderlinedLetterOfItsOwn)
{
    Start();
    // Within its menu; a digit only where it numbers the item, at its start.
    std::vector<QList<QAction*>> menus{frame->menuBar()->actions()};
    for (QMenu* menu : frame->menuBar()->findChildren<QMenu*>())
        menus.push_back(menu->title().isEmpty() ? QList<QAction*>() : menu->actions());  // untitled: Qt's own
    for (const QList<QAction*>& items : menus) {
        std::set<int> taken;
        for (QAction* item : items) {
            const QString text = item->text();
            const qsizetype at = text.indexOf(QRegularExpression(QStringLiteral("&[^&]")));
            EXPECT_TRUE(item->isSeparator() || (at >= 0 && (at == 0 || !text[at + 1].isDigit()) &&
                                                taken.insert(text[at + 1].toLower().unicode()).second))
                << text.toStdString();
        }
    }
}

// The simulator is found beside the running program; a missing one is named.
TEST_F(MainWindowTest, TheVirtualDeviceRunsTheSimulatorUntilAnotherDeviceIsChosen)
{
    Start();
    EXPECT_EQ(core->virtualDevice.Program(), QFileInfo(BREVANT_SIM_PATH).canonicalFilePath().toStdString());
    QTimer::singleShot(0, [] {  // answered from the keyboard
        QWidget* dialog = QApplication::activeModalWidget();
        ASSERT_NE(dialog, nullptr);
        auto* list = dialog->findChild<QTreeWidget*>("targets");
        list->setCurrentItem(list->findItems("Virtual device (simulator)", Qt::MatchRecursive)[0]);
        QTest::keyClick(list, Qt::Key_Return);
    });
    Run(&MainWindow::OnConnectTo);
    EXPECT_TRUE(told.isEmpty()) << told.join("|").toStdString();
    EXPECT_EQ(core->state.flags.PortNumber, VirtualDevice::kPort);
    EXPECT_TRUE(core->virtualDevice.Running() && frame->StatusText().contains(" on the virtual device"));
    EXPECT_EQ(core->SerialPorts().size(), 1u) << "the virtual device is not listed as a serial port";
    Run(&MainWindow::OnDisconnect);

    frame->ConnectTo(ConnectTarget{TargetKind::Port, *ParsePortAddress("COM3").address});
    frame->Tasks().WaitIdle();
    EXPECT_TRUE(core->state.flags.Connected) << told.join("|").toStdString();
    EXPECT_FALSE(core->virtualDevice.Running());
    Run(&MainWindow::OnDisconnect);

    core->virtualDevice.SetProgram("/nonexistent/brevant-sim");
    frame->ConnectTo(ConnectTarget{TargetKind::VirtualDevice, {}});
    frame->Tasks().WaitIdle();
    EXPECT_TRUE(
        told.join("|").startsWith("The virtual device could not be started\n/nonexistent/brevant-sim: "))
        << told.join("|").toStdString();
    EXPECT_FALSE(core->state.flags.Connected);
}

// On a paced line an upgrade takes about a second: the window keeps answering
// and no busy window is left over the messages. Connected, an upgrade is
// refused before any file is asked for.
TEST_F(MainWindowTest, AnUpgradeRunsBesideTheWindowAndNoBusyWindowOutlivesItsCommand)
{
    Start({});
    const TempDir dir("brevant-slow");
    const std::string image = dir / "new.b";
    ASSERT_EQ(
        RunProgram(BREVANT_SIM_PATH, {"--make-firmware", image, "--version", "9", "--words", "300"}).status,
        0);
    int fileDialogs = 0;
    frame->SetFileChooser([&](const QString&, const QString&, bool) {
        ++fileDialogs;
        return QString::fromStdString(image);
    });
    int ticks = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    timer.start(20);
    int highest = 0;
    QObject::connect(&frame->Tasks(), &TaskRunner::progressed, [&](int percent) { highest = percent; });
    QElapsedTimer took;
    took.start();
    frame->OnUpgrade();
    ASSERT_TRUE(Eventually([&] { return frame->Tasks().Busy() && View().ProgressBar().isVisible(); }));
    EXPECT_FALSE(frame->Action("Connect")->isEnabled()) << "no Connect during the transfer";
    ASSERT_TRUE(Eventually([&] { return !told.isEmpty(); }));
    EXPECT_GE(ticks, took.elapsed() / 20 / 4) << "the timer kept firing for " << took.elapsed() << " ms";
    EXPECT_EQ(highest, 100);
    ASSERT_TRUE(Eventually([&] { return core->state.flags.Connected && !frame->Tasks().Busy(); }, 20'000));
    EXPECT_FALSE(View().ProgressBar().isVisible());
    Run(&MainWindow::OnUpgrade);
    EXPECT_EQ(fileDialogs, 1);
    Run(&MainWindow::OnDisconnect);
    EXPECT_EQ(told, (QStringList{"update successfully", "Already connect,please disconnect"}));
    EXPECT_EQ(busyWindowsOverMessages, 0);
    EXPECT_TRUE(Eventually([&] { return frame->findChildren<QProgressDialog*>().isEmpty(); }));
}

// Changes queued for a device that has gone silent do not hold the close up.
TEST_F(MainWindowTest, ClosingEndsEverythingWithinASecondWhenTheDeviceIsSilent)
{
    Start();
    Connect();
    sim->Freeze();
    for (int gain = 1; gain <= 5; ++gain)
        core->context.Send({{Op::MG, {1}, gain}});
    QElapsedTimer took;
    took.start();
    frame->close();
    frame.reset();
    core.reset();
    EXPECT_LT(took.elapsed(), 1000);
}

// Save to File and Open From File on every model; a declined preview sends
// nothing; Undo puts back what the device held; what is no preset, and a
// failed save, are told.
class WindowRoundTripTest : public MainWindowTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(WindowRoundTripTest, ThePresetIsPreviewedLoadedAndUndoneOnEveryModel)
{
    Start({"--no-pacing", "--model", GetParam()});
    const TempDir dir("brevant-window-trip");
    QString file = QString::fromStdString(dir / "trip.lg");
    frame->SetFileChooser([&](const QString&, const QString&, bool) { return file; });
    bool load = false;
    PresetPreview shown;
    frame->SetPreviewAnswer([&](const PresetPreview& preview) {
        shown = preview;
        return load;
    });
    Connect();
    const auto send = [&](std::vector<SettingChange> changes) {
        bool done = false;
        ASSERT_TRUE(
            core->context.Send(std::move(changes), [&](const SendOutcome& o) { done = o.Confirmed(); }));
        ASSERT_TRUE(Eventually([&] { return done; }));
    };
    // Six settings each model has; output 1's delay is on no model, AEC
    // not on a K225, output 1's low-pass not on a K217 or K218.
    std::vector<SettingChange> changes = {{Op::MG, {2}, 12}, {Op::OV, {3}, -5},  {Op::XG, {2, 3}, -12},
                                          {Op::MB, {}, 1},   {Op::OD, {4}, 120}, {Op::OD, {1}, 50},
                                          {Op::MC, {2}, 1},  {Op::OF, {1}, 8000}};
    send(changes);
    frame->OnSaveToFile();
    EXPECT_EQ(told, QStringList{"Save successfully"});
    EXPECT_EQ(frame->RecentFiles().value(0), file);
    for (SettingChange& change : changes)
        change.value = 0;
    send(changes);

    told.clear();
    Run(&MainWindow::OnOpenFromFile);
    EXPECT_EQ(shown.summary, "6 settings of trip.lg differ from the device:");
    EXPECT_TRUE(shown.lines.contains("Input 2 gain: 0 dB \u2192 12 dB"))
        << shown.lines.join("\n").toStdString();
    EXPECT_TRUE(told.isEmpty());
    EXPECT_EQ(DeviceGain(), 0) << "declined, nothing is sent";
    load = true;
    Run(&MainWindow::OnOpenFromFile);
    EXPECT_EQ(told, QStringList{"Open successfully"});

    EXPECT_EQ(DeviceGain(), 12);  // what each model is sent: PresetUploadTest
    ASSERT_TRUE(frame->Action("Undo Open From File")->isEnabled());
    ASSERT_TRUE(
        Eventually([&] { return core->refresher.PollPassesApplied() >= 1 && core->state.flags.Connected; }));
    told.clear();
    Run(&MainWindow::OnUndoOpen);
    const int settings = std::string(GetParam()) == "K225" ? 81 : 82;
    EXPECT_EQ(
        told,
        QStringList{QStringLiteral("Restored the %1 settings the device held before trip.lg").arg(settings)});
    EXPECT_EQ(DeviceGain(), 0);
    EXPECT_FALSE(frame->Action("Undo Open From File")->isEnabled());

    file = QString::fromStdString(dir.Write("notes.lg", "shopping list\n"));
    told.clear();
    Run(&MainWindow::OnOpenFromFile);
    EXPECT_EQ(told, QStringList{file + ": line 1: expected \"DeviceType:\", found \"shopping list\""});
    file = QString::fromStdString(dir / "no-such-folder/x.lg");
    frame->OnSaveToFile();
    EXPECT_EQ(told.size(), 2);
}

// On a paced line Cancel stops a preset part-way; the report says how far it
// got, what was sent stays, and Undo puts back what the device held.
TEST_F(MainWindowTest, APresetLoadCancelledPartWayIsReportedAndUndone)
{
    Start({});
    Connect();
    Preset preset = PresetFromMirror(core->state.params);
    for (PresetEntry& entry : preset.entries)
        if (entry.setting.op == Op::MG && entry.setting.at.a == 1)
            entry.value = 12;
    const TempDir dir("brevant-cancel");
    const QString file = QString::fromStdString(dir.Write("room.lg", FormatPreset(preset)));
    frame->SetPreviewAnswer([](const PresetPreview&) { return true; });
    int percent = 0;
    QObject::connect(&frame->Tasks(), &TaskRunner::progressed, [&](int p) { percent = p; });

    frame->OpenPreset(file);  // input 1's settings go first
    ASSERT_TRUE(Eventually([&] { return percent >= 15; }, 20'000));
    QProgressDialog* busy = frame->findChild<QProgressDialog*>();
    ASSERT_TRUE(busy != nullptr && busy->isVisible());
    QTest::mouseClick(busy->findChild<QPushButton*>(), Qt::LeftButton);
    frame->Tasks().WaitIdle();
    ASSERT_EQ(told.size(), 1);
    const QRegularExpression partly(
        QStringLiteral("the preset was only partly loaded: (\\d+) of 81 settings \\(cancelled\\); "
                       "Undo Open From File restores the earlier setting"));
    const QRegularExpressionMatch match = partly.match(told[0]);
    ASSERT_TRUE(match.hasMatch()) << told[0].toStdString();
    EXPECT_LT(match.captured(1).toInt(), 75) << "it stopped at the next setting, not at the end";
    EXPECT_EQ(DeviceGain(1), 12) << "what was sent stays";
    ASSERT_TRUE(Eventually([&] { return core->state.flags.Connected && !frame->Tasks().Busy(); }));
    told.clear();
    Run(&MainWindow::OnUndoOpen);
    EXPECT_EQ(told, QStringList{"Restored the 81 settings the device held before room.lg"});
    EXPECT_EQ(DeviceGain(1), 0);
}

// No device found names the ports tried and Connect To; Open From File under
// "*.* (*)" opens the name as typed, under the .lg filter with ".lg".
TEST_F(MainWindowTest, NoDeviceFoundPointsToConnectToAndTheFilterDecidesTheSuffix)
{
    Start();
    sim->Freeze();
    Run(&MainWindow::OnConnect);
    EXPECT_EQ(told, QStringList{"Cannot find device\nTried COM3: no answer\n"
                                "Choose the device with Device > Connect To\u2026"});

    const TempDir dir("brevant-typed");
    dir.Write("notes", "x\n");
    dir.Write("notes.lg", "x\n");
    for (const QString& filter : {QStringLiteral("*.* (*)"), QStringLiteral("lg Files (*.lg)")}) {
        told.clear();
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            dialog->setDirectory(QString::fromStdString(dir.path));
            auto* types = dialog->findChild<QComboBox*>("fileTypeCombo");
            QTest::keyClick(types, filter.startsWith("*") ? Qt::Key_End : Qt::Key_Home);
            dialog->findChild<QLineEdit*>("fileNameEdit")->setText("notes");
            static_cast<QDialog*>(dialog)->accept();  // as the Open button does
        });
        frame->OnOpenFromFile();
        ASSERT_EQ(told.size(), 1);
        const QString opened = told[0].section(QStringLiteral(": "), 0, 0);
        EXPECT_EQ(QFileInfo(opened).fileName(), filter.startsWith("*") ? "notes" : "notes.lg")
            << filter.toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(Models, WindowRoundTripTest, ::testing::Values("K225", "K217", "K218"),
                         [](const auto& param) { return std::string(param.param); });

TEST(Program, StartsConnectsAndRendersItsWindowWithoutADisplay)
{
    SimProcess sim({"--no-pacing", "--model", "K218"}, 3);
    ASSERT_TRUE(sim.Started()) << sim.ReadyLine();
    const TempDir dir("brevant-shot");
    const std::string shot = dir / "matrix.png";
    const ProgramResult run = RunProgram(
        BREVANT_GUI_PATH, {"--ports", sim.PortsDir(), "--screenshot", shot, "--connect", "--view", "matrix"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(QImage(QString::fromStdString(shot)).size(), QSize(1600, 900));
    EXPECT_EQ(RunProgram(BREVANT_GUI_PATH, {"--view", "sideways"}).status, 2) << "unknown words are refused";
    EXPECT_NE(RunProgram(BREVANT_GUI_PATH, {"--help"}).out.find("--ports DIR"), std::string::npos);
}

class ConnectToDialogTest : public LinkFixture {
protected:
    // The rows as shown, a line each: a heading marked "#", the columns of
    // an entry joined by "|", one that cannot be chosen marked "-".
    static std::string Rows(ConnectToDialog& dialog)
    {
        QStringList rows;
        auto* list = dialog.findChild<QTreeWidget*>("targets");
        for (QTreeWidgetItemIterator it(list); *it != nullptr; ++it) {
            QStringList columns;
            for (int c = 0; c < list->columnCount(); ++c)
                columns << (*it)->text(c);
            const bool heading = (*it)->parent() == nullptr;
            rows << (heading ? "# " + columns[0]
                             : ((*it)->flags() & Qt::ItemIsSelectable ? "" : "- ") + columns.join('|'));
        }
        return rows.join('\n').toStdString();
    }
    static void Choose(ConnectToDialog& dialog, const QString& name)
    {
        auto* list = dialog.findChild<QTreeWidget*>("targets");
        const auto found = list->findItems(name, Qt::MatchExactly | Qt::MatchRecursive);
        ASSERT_EQ(found.size(), 1) << name.toStdString();
        list->setCurrentItem(found[0]);
    }
    static void Click(ConnectToDialog& dialog, const char* button)
    {
        dialog.findChild<QPushButton*>(button)->click();
    }
    std::vector<PortInfo> Ports()  // COM2 and COM5
    {
        for (const char* name : {"COM2", "COM5"})
            std::ofstream((dir.path() + "/" + name).toStdString()) << "";
        return PortMap::Directory(dir.path().toStdString()).Ports();
    }

    QTemporaryDir dir;
    QSettings settings{dir.filePath("settings.ini"), QSettings::IniFormat};
};

TEST_F(ConnectToDialogTest, ListsEveryKindAndKeepsTheNetworkDevicesInTheSettings)
{
    {
        ConnectToDialog dialog(Ports(), settings, QString());
        EXPECT_EQ(Rows(dialog),
                  QStringLiteral("# Serial ports\nCOM2|%1|\nCOM5|%2|\n# Network devices\n"
                                 "- No network devices saved||Add a serial device server or "
                                 "ser2net port with Add\u2026\n# Virtual device\n"
                                 "- Virtual device (simulator)||The simulator, brevant-sim, was "
                                 "not found next to brevant or on the PATH.")
                      .arg(dir.filePath("COM2"), dir.filePath("COM5"))
                      .toStdString());
        EXPECT_EQ(dialog.Chosen()->Key(), "COM2") << "the first entry, with nothing remembered";

        const NetworkDevice answers[] = {{"Rack 2", "tcp://10.0.0.5:4001"},
                                         {"Booth", "rfc2217://booth.local:2217"}};
        int added = 0;
        dialog.SetDeviceEditor([&](const NetworkDevice& current) -> std::optional<NetworkDevice> {
            EXPECT_EQ(current, NetworkDevice{}) << "Add starts empty";
            return answers[added++ % 2];
        });
        Click(dialog, "add");
        Click(dialog, "add");
        EXPECT_EQ(dialog.Chosen()->Key(), "rfc2217://booth.local:2217") << "the device just added";
        Choose(dialog, "Rack 2");
        dialog.SetDeviceEditor([](const NetworkDevice& current) -> std::optional<NetworkDevice> {
            EXPECT_EQ(current, (NetworkDevice{"Rack 2", "tcp://10.0.0.5:4001"}));
            return NetworkDevice{"Rack 2 (desk)", "tcp://10.0.0.5:4002"};
        });
        Click(dialog, "edit");
        Choose(dialog, "Booth");
        Click(dialog, "remove");
        EXPECT_FALSE(dialog.findChild<QPushButton*>("remove")->isEnabled()) << "nothing chosen to remove";
    }
    ConnectToDialog again({}, settings, "/usr/bin/brevant-sim");
    EXPECT_EQ(Rows(again),
              "# Serial ports\n"
              "- No serial ports found||Plug in a USB serial adapter and open this dialog again.\n"
              "# Network devices\nRack 2 (desk)|tcp://10.0.0.5:4002|raw TCP\n# Virtual device\n"
              "Virtual device (simulator)||A simulated device for work without hardware");
}

// Assigns network addresses the ports 100, 101, ... (none once `next` is 0).
class FakeAssigner final : public PortAssigner {
public:
    int Assign(const PortAddress&) override { return next == 0 ? 0 : next++; }
    int next = 100;
};

TEST_F(ConnectToDialogTest, TheEntryChosenIsRememberedAndReachesTheConnectProcedure)
{
    SaveNetworkDevices(settings, {{"Rack 2", "tcp://10.0.0.5:4001"}});
    std::optional<ConnectTarget> chosen;
    {
        ConnectToDialog dialog(Ports(), settings, "/usr/bin/brevant-sim");
        dialog.show();
        Choose(dialog, "Rack 2");
        QTest::keyClick(dialog.findChild<QTreeWidget*>("targets"), Qt::Key_Return);
        ASSERT_EQ(dialog.result(), QDialog::Accepted) << "Return connects";
        chosen = dialog.Chosen();
    }
    EXPECT_EQ(LastConnectTarget(settings), "tcp://10.0.0.5:4001");
    {
        ConnectToDialog dialog(Ports(), settings, "/usr/bin/brevant-sim");
        EXPECT_EQ(dialog.Chosen(), chosen) << "the last one is chosen again";
        QTest::keyClick(dialog.findChild<QTreeWidget*>("targets"), Qt::Key_Up);
        EXPECT_EQ(dialog.Chosen().value_or(ConnectTarget{}).Key(), "COM5")
            << "the keys pass over the headings";
        QTest::keyClick(&dialog, Qt::Key_Escape);
        EXPECT_EQ(dialog.result(), QDialog::Rejected);
    }
    EXPECT_EQ(LastConnectTarget(settings), "tcp://10.0.0.5:4001") << "a cancelled choice is not remembered";

    // A network address gets its port from the assigner; the port in use before is closed.
    RecordingObserver observer;
    Connection connection(link, observer);
    FakeAssigner assigner;
    std::vector<std::string> told;
    const Report report = [&](std::string_view text, std::string_view) { told.emplace_back(text); };

    EXPECT_FALSE(ConnectToAddress(connection, assigner, chosen->address, report));
    EXPECT_FALSE(port.IsOpen(3));
    EXPECT_EQ(state.flags.PortNumber, 100);
    assigner.next = 0;
    EXPECT_FALSE(ConnectToAddress(connection, assigner, chosen->address, report));
    EXPECT_EQ(state.flags.PortNumber, 100) << "an address given no port leaves the port alone";
    EXPECT_EQ(told, (std::vector<std::string>{"Connect fail!", "Network ports are not available"}));
}

const QString kOld = QStringLiteral("Brevant Settings Test Old Name");

void ClearBoth()
{
    QSettings(kOld, QStringLiteral("Brevant")).clear();
    QSettings(QStringLiteral("Brevant"), QStringLiteral("Brevant")).clear();
}

TEST(ProgramSettings, MoveFromTheOldNameOnceAndNeverOverTheProgramsOwn)
{
    ClearBoth();
    {
        QSettings old(kOld, QStringLiteral("Brevant"));
        old.setValue(QStringLiteral("View/Zoom"), QStringLiteral("150"));
        old.setValue(QStringLiteral("Connect To/Last"), QStringLiteral("tcp://room:4001"));
    }
    ASSERT_TRUE(MoveSettingsFromOldName(kOld));

    QSettings now(QStringLiteral("Brevant"), QStringLiteral("Brevant"));
    EXPECT_EQ(now.value(QStringLiteral("View/Zoom")).toString(), QStringLiteral("150"));
    EXPECT_EQ(LastConnectTarget(now), QStringLiteral("tcp://room:4001"));
    QSettings old(kOld, QStringLiteral("Brevant"));
    EXPECT_TRUE(old.allKeys().isEmpty());
    EXPECT_FALSE(QFileInfo::exists(old.fileName()));

    // Old settings that turn up again do not replace the program's own.
    old.setValue(QStringLiteral("View/Zoom"), QStringLiteral("200"));
    old.sync();
    EXPECT_FALSE(MoveSettingsFromOldName(kOld));
    now.sync();
    EXPECT_EQ(now.value(QStringLiteral("View/Zoom")).toString(), QStringLiteral("150"));
    ClearBoth();
}

}  // namespace
}  // namespace brevant::test
