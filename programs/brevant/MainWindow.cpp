#include "programs/brevant/MainWindow.h"

#include "procedures/DeviceFit.h"
#include "procedures/PresetProcedures.h"
#include "procedures/SaveDevice.h"
#include "procedures/UpgradeProcedure.h"
#include "programs/brevant/AboutDialog.h"
#include "programs/brevant/ConnectSettings.h"
#include "programs/brevant/ConnectToDialog.h"
#include "programs/brevant/Language.h"
#include "programs/brevant/LostBanner.h"
#include "programs/brevant/ZoomedForm.h"
#include "ui/controls/LevelMeter.h"
#include "ui/form/MainForm.h"
#include "ui/look/VisualManager.h"
#include "ui/skin/InputChannelWindow.h"
#include "ui/skin/OutputChannelWindow.h"
#include "ui/soundtest/SoundTestDialog.h"
#include "ui/views/CommLogView.h"
#include "ui/views/TraceView.h"

#include <QActionGroup>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDockWidget>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMenuBar>
#include <QRegularExpression>
#include <QSettings>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QVBoxLayout>

#include <memory>

namespace brevant {

namespace {

const QString kRecentKey = QStringLiteral("Recent File List");
const QString kZoomKey = QStringLiteral("Zoom");

// A scan that found no device ends by pointing to the command that names one.
Report PointToConnectTo(const Report& report)
{
    return [report](std::string_view text, std::string_view detail) {
        if (text != msg::Text(msg::kCannotFindDevice)) {
            report(text, detail);
            return;
        }
        std::string more(detail);
        more +=
            (more.empty() ? "" : "\n") +
            QCoreApplication::translate("brevant::MainWindow", "Choose the device with Device > Connect To…")
                .toStdString();
        report(text, more);
    };
}

// The file-dialog filters, in the window's language.
QString PresetFilter()
{
    return QCoreApplication::translate("brevant::MainWindow", "lg Files (*.lg);;*.* (*)");
}

QString FirmwareFilter()
{
    return QCoreApplication::translate("brevant::MainWindow", "lg Files (*.b);;*.* (*)");
}

// A toolbar button's text: the menu text without its underlined letter, also
// where the letter stands apart in brackets ("连接(&C)").
QString ButtonText(QString text)
{
    static const QRegularExpression bracketed(QStringLiteral("\\(&[^&]\\)"));
    return text.remove(bracketed).remove(QLatin1Char('&'));
}

// Under "*.* (*)" a typed name is kept as it is; under "lg Files (*.lg)" a
// name without a suffix gets ".lg".
QString SuffixFor(const QString& filter)
{
    const qsizetype star = filter.lastIndexOf(QStringLiteral("(*."));
    if (star < 0)
        return {};
    const qsizetype end = filter.indexOf(QLatin1Char(')'), star);
    return filter.mid(star + 3, end - star - 3);
}

}  // namespace

MainWindow::MainWindow(ProgramCore& core, QWidget* parent)
    : QMainWindow(parent), core_(core), view_(nullptr),
      tasks_(this, [&core](const QString& text) { core.context.TellUser(text.toStdString()); })
{
    setWindowTitle(QStringLiteral("Brevant"));
    // One look for the whole program, set before any widget of the form
    // exists; nothing changes it afterwards.
    VisualManager::SetDefault(VisualManager::Look::Classic2003);

    view_ = new MainForm(core.context);
    // A lost device is told across the top of the form, above the zoom.
    auto* central = new QWidget(this);
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    lostBanner_ = new LostBanner(central);
    zoomed_ = new ZoomedForm(view_, central);
    column->addWidget(lostBanner_);
    column->addWidget(zoomed_, 1);

    setCentralWidget(central);

    BuildMenus();
    BuildDocks();
    status_ = new QLabel(this);
    statusBar()->addWidget(status_, 1);
    ShowStatus();

    UpdateConnectCommands();
    connect(&tasks_, &TaskRunner::busyChanged, this, &MainWindow::OnBusyChanged);
    // The firmware transfer shows its progress on the form as well.
    connect(&tasks_, &TaskRunner::progressed, this, [this](int percent) {
        if (upgrading_)
            view_->ProgressBar().SetValue(percent);
    });
    // What the connection reports reaches the form through the refresher.
    connect(&core.refresher, &PanelRefresher::channelViewShown, this, [this] {
        view_->SetViewMode(MainForm::ViewMode::BlankView);
        view_->SetViewMode(MainForm::ViewMode::ChannelView);
        ShowStatus();
    });
    connect(&core.refresher, &PanelRefresher::readBackEnded, this, &MainWindow::ShowStatus);
    connect(&core.context.Model(), &PanelModel::changed, this, &MainWindow::OnModelChanged);
}

void MainWindow::UpdateConnectCommands()
{
    // Connect only while no device is connected, Disconnect only while one is
    // (or is being sought again after a loss).
    const bool idle = !tasks_.Busy();
    const bool disconnected = core_.context.Model().Link() == LinkState::Disconnected;
    connectAction_->setEnabled(idle && disconnected);
    connectToAction_->setEnabled(idle && disconnected);
    disconnectAction_->setEnabled(idle && !disconnected);
    undoAction_->setEnabled(idle && undo_.has_value());
}

void MainWindow::OnModelChanged(unsigned what)
{
    if (what & model::kLink) {
        ShowStatus();
        UpdateConnectCommands();
        const PanelModel& shown = core_.context.Model();
        lostBanner_->ShowLost(shown.Link() == LinkState::Lost
                                  ? QString::fromStdString(core_.port.Label(shown.LostPort()))
                                  : QString());
    }
    // A change the device did not confirm is named until the next news.
    if ((what & model::kNotice) && !tasks_.Busy())
        status_->setText(core_.context.Model().Notice());
}

MainWindow::~MainWindow() = default;

QAction* MainWindow::AddCommand(QMenu* menu, const QString& text, void (MainWindow::*handler)(), bool device)
{
    QAction* action = menu->addAction(text, this, handler);
    if (device)
        deviceCommands_ << action;
    return action;
}

void MainWindow::BuildMenus()
{
    // Every menu and item has its underlined letter; the common commands
    // have the shortcuts people expect.
    QMenu* device = menuBar()->addMenu(tr("&Device"));
    QAction* connectAction = AddCommand(device, tr("&Connect"), &MainWindow::OnConnect);
    connectAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_K));
    connectToAction_ = AddCommand(device, tr("Connect &To\u2026"), &MainWindow::OnConnectTo);
    QAction* disconnectAction = AddCommand(device, tr("&Disconnect"), &MainWindow::OnDisconnect);
    disconnectAction->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_K));
    connectAction_ = connectAction;
    disconnectAction_ = disconnectAction;
    device->addSeparator();
    AddCommand(device, tr("&Open From File"), &MainWindow::OnOpenFromFile)->setShortcut(QKeySequence::Open);
    AddCommand(device, tr("&Save to File"), &MainWindow::OnSaveToFile, false)
        ->setShortcut(QKeySequence::Save);
    undoAction_ = AddCommand(device, tr("&Undo Open From File"), &MainWindow::OnUndoOpen);
    undoAction_->setEnabled(false);
    recentMenu_ = device->addMenu(tr("&Recent Files"));
    recentMenu_->setObjectName(QStringLiteral("recentMenu"));
    device->addSeparator();
    AddCommand(device, tr("Sa&veDevice"), &MainWindow::OnSaveDevice);
    AddCommand(device, tr("Up&grade"), &MainWindow::OnUpgrade);
    device->addSeparator();
    QAction* exit = device->addAction(tr("E&xit"), this, &QWidget::close);
    exit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    FillRecentMenu();

    QMenu* tools = menuBar()->addMenu(tr("&Tools"));
    QAction* channel = AddCommand(tools, tr("&Channel"), &MainWindow::OnChannel, false);
    channel->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_1));
    QAction* matrix = AddCommand(tools, tr("&Matrix"), &MainWindow::OnMatrix, false);
    matrix->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_2));
    QAction* soundTest = AddCommand(tools, tr("Sound &Test"), &MainWindow::OnSoundTest);
    soundTest->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_3));

    QMenu* view = menuBar()->addMenu(tr("&View"));
    view->setObjectName(QStringLiteral("viewMenu"));
    BuildZoomMenu(view->addMenu(tr("&Zoom")));
    FillLanguageMenu(view->addMenu(tr("L&anguage")),
                     [this](const QString& text) { statusBar()->showMessage(text, 10'000); });
    view->addSeparator();

    QMenu* help = menuBar()->addMenu(tr("&Help"));
    AddCommand(help, tr("&About Brevant"), &MainWindow::OnAppAbout, false);

    QToolBar* bar = addToolBar(tr("Commands"));
    bar->setObjectName(QStringLiteral("commands"));
    bar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    connectAction->setIcon(style()->standardIcon(QStyle::SP_DialogYesButton));
    disconnectAction->setIcon(style()->standardIcon(QStyle::SP_DialogNoButton));
    channel->setIcon(style()->standardIcon(QStyle::SP_FileDialogListView));
    matrix->setIcon(style()->standardIcon(QStyle::SP_FileDialogDetailedView));
    soundTest->setIcon(style()->standardIcon(QStyle::SP_MediaVolume));
    for (QAction* action : {connectAction, disconnectAction, channel, matrix, soundTest}) {
        action->setIconText(ButtonText(action->text()));
        bar->addAction(action);
    }
}

void MainWindow::BuildZoomMenu(QMenu* menu)
{
    // One choice at a time, the last one made kept in the settings; on the
    // first start the form fits the window, whatever the screen.
    auto* group = new QActionGroup(menu);
    const Zoom saved = ZoomFromSetting(ProgramSettings().value(kZoomKey).toString()).value_or(Zoom::Fit);
    for (Zoom zoom : kZooms) {
        QAction* action = menu->addAction(ZoomMenuText(zoom));
        action->setCheckable(true);
        action->setChecked(zoom == saved);
        group->addAction(action);
        connect(action, &QAction::triggered, this, [this, zoom] { SetZoom(zoom); });
    }
    zoomed_->SetZoom(saved);
}

void MainWindow::SetZoom(Zoom zoom)
{
    zoomed_->SetZoom(zoom);
    ProgramSettings().setValue(kZoomKey, ZoomSettingText(zoom));
}

void MainWindow::BuildDocks()
{
    // Both stay hidden until asked for from the View menu; a hidden one does
    // not follow the traffic, it catches up when it is shown.
    const auto dock = [this](const QString& title, const QString& name, auto* content) {
        auto* widget = new QDockWidget(title, this);
        widget->setObjectName(name);
        widget->setWidget(content);
        addDockWidget(Qt::BottomDockWidgetArea, widget);
        content->SetShown(false);
        connect(widget, &QDockWidget::visibilityChanged, content,
                [content](bool visible) { content->SetShown(visible); });
        widget->hide();
        ViewMenu()->addAction(widget->toggleViewAction());
        return widget;
    };
    dock(tr("Communication list"), QStringLiteral("commLog"),
         new CommLogView(core_.log, nullptr, [this](int port) { return core_.port.Label(port); }))
        ->toggleViewAction()
        ->setText(tr("Communication &list"));
    auto* trace = new TraceView(core_.trace, nullptr, [this](int port) { return core_.port.Label(port); });
    trace->SetErrorReporter([this](const QString& text) { core_.context.TellUser(text.toStdString()); });
    QAction* traceAction = dock(tr("Protocol trace"), QStringLiteral("trace"), trace)->toggleViewAction();
    traceAction->setText(tr("Protocol &trace"));
    traceAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_T));
}

QAction* MainWindow::Action(const QString& text) const
{
    for (QAction* action : findChildren<QAction*>()) {
        if (QString(action->text()).remove(QLatin1Char('&')) == text)
            return action;
    }
    return nullptr;
}

QMenu* MainWindow::ViewMenu() const
{
    return menuBar()->findChild<QMenu*>(QStringLiteral("viewMenu"));
}

QStringList MainWindow::RecentFiles() const
{
    return ProgramSettings().value(kRecentKey).toStringList();
}

void MainWindow::RememberFile(const QString& path)
{
    QStringList files = RecentFiles();
    files.removeAll(path);
    files.prepend(path);
    while (files.size() > kRecentFiles)
        files.removeLast();
    ProgramSettings().setValue(kRecentKey, files);
    FillRecentMenu();
}

void MainWindow::FillRecentMenu()
{
    recentMenu_->clear();
    const QStringList files = RecentFiles();
    recentMenu_->setEnabled(!files.isEmpty());
    for (int i = 0; i < files.size(); ++i) {
        const QString path = files[i];
        QAction* action = recentMenu_->addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(path));
        connect(action, &QAction::triggered, this, [this, path] { OpenPreset(path); });
    }
}

QString MainWindow::ChooseFileName(const QString& caption, const QString& filter, bool save)
{
    if (chooseFile_)
        return chooseFile_(caption, filter, save);
    QFileDialog dialog(this, caption, QString(), filter);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(SuffixFor(filter.section(QStringLiteral(";;"), 0, 0)));
    connect(&dialog, &QFileDialog::filterSelected, &dialog,
            [&dialog](const QString& chosen) { dialog.setDefaultSuffix(SuffixFor(chosen)); });
    dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

void MainWindow::OnConnect()
{
    Connection& connection = core_.connection;
    tasks_.Run(tr("Connecting…"), [&connection](const Report& report, const ProgressFn&) {
        connection.Connect(PointToConnectTo(report));
    });
}

void MainWindow::OnConnectTo()
{
    QSettings settings = ProgramSettings();
    ConnectToDialog dialog(core_.SerialPorts(), settings,
                           QString::fromStdString(core_.virtualDevice.Program()), this);
    if (dialog.exec() == QDialog::Accepted)
        if (const std::optional<ConnectTarget> target = dialog.Chosen())
            ConnectTo(*target);
}

void MainWindow::ConnectTo(const ConnectTarget& target)
{
    ProgramCore& core = core_;
    tasks_.Run(tr("Connecting\u2026"),
               [&core, target](const Report& report, const ProgressFn&) { core.ConnectTo(target, report); });
}

void MainWindow::OnDisconnect()
{
    Connection& connection = core_.connection;
    tasks_.Run(tr("Disconnecting…"),
               [&connection](const Report&, const ProgressFn&) { connection.Disconnect(); });
}

void MainWindow::OnOpenFromFile()
{
    const QString path = ChooseFileName(tr("Open From File"), PresetFilter(), false);
    if (!path.isEmpty())
        OpenPreset(path);
}

void MainWindow::OpenPreset(const QString& path)
{
    // The file is checked first: what is no preset is refused before anything
    // is sent, and it does not become a recent file.
    const Report tell = [this](std::string_view text, std::string_view) { core_.context.TellUser(text); };
    std::optional<Preset> preset = LoadPresetFile(path.toStdString(), tell);
    if (!preset)
        return;
    std::optional<Preset> before = DeviceSnapshot(core_.connection);
    // A preset refused by the connected device is refused before anything is sent.
    const std::string refusal = before ? FamilyRefusal(*preset, core_.state.params,
                                                       core_.port.Label(core_.state.flags.PortNumber.load()))
                                       : std::string();
    if (!refusal.empty()) {
        tell(tr("%1; nothing was sent").arg(QString::fromStdString(refusal)).toStdString(), {});
        return;
    }
    const PresetPreview preview =
        MakePresetPreview(path, before ? DiffPreset(*preset, core_.state.params) : std::vector<std::string>{},
                          before.has_value());
    if (!(answerPreview_ ? answerPreview_(preview) : AskToLoad(this, preview)))
        return;

    // Once an upload has begun, even one that ended early or was cancelled,
    // the earlier setting can be sent back.
    auto started = std::make_shared<std::atomic<bool>>(false);
    auto whole = std::make_shared<std::atomic<bool>>(false);
    Connection& connection = core_.connection;
    const std::string undo =
        before ? tr("Undo Open From File restores the earlier setting").toStdString() : std::string();
    tasks_.RunCancellable(
        tr("Sending the preset…"),
        [&connection, started, whole, undo, preset = std::move(*preset)](
            const Report& report, const ProgressFn& progress, const std::atomic<bool>& stop) {
            const PresetLoad load =
                brevant::OpenPreset(connection, preset, PointToConnectTo(report), progress, undo, &stop);
            *started = load.total > 0;
            *whole = load.ok;
        },
        [this, started, whole, path, before = std::move(before)] {
            if (*whole)
                RememberFile(path);
            if (!*started)
                return;
            undo_ = before;
            undoFile_ = QFileInfo(path).fileName();
            undoAction_->setEnabled(undo_.has_value());
        });
}

void MainWindow::OnUndoOpen()
{
    if (!undo_)
        return;
    auto sent = std::make_shared<std::atomic<bool>>(false);
    Connection& connection = core_.connection;
    const std::string file = undoFile_.toStdString();
    tasks_.Run(
        tr("Sending back the earlier setting…"),
        [&connection, sent, file, preset = *undo_](const Report& report, const ProgressFn& progress) {
            // What was restored is said in the undo's own words, not as an
            // Open From File of its own.
            const Report quiet = [&report](std::string_view text, std::string_view detail) {
                if (text != msg::Text(msg::kOpenSuccessfully))
                    report(text, detail);
            };
            const PresetLoad load = brevant::OpenPreset(connection, preset, quiet, progress);
            if (load.ok)
                report(RestoredText(load.sent, file), {});
            *sent = load.ok;
        },
        [this, sent] {
            if (*sent)
                undo_.reset();
            undoAction_->setEnabled(undo_.has_value());
        });
}

void MainWindow::OnSaveToFile()
{
    const QString path = ChooseFileName(tr("Save to File"), PresetFilter(), true);
    if (path.isEmpty())
        return;
    // Writing a file takes no time worth a worker.
    const bool saved = SaveToFile(core_.state.params, path.toStdString(),
                                  [this](std::string_view text, std::string_view detail) {
                                      std::string line(text);
                                      if (!detail.empty())
                                          line += "\n" + std::string(detail);
                                      core_.context.TellUser(line);
                                  });
    if (saved)
        RememberFile(path);
}

void MainWindow::OnSaveDevice()
{
    DeviceLink& link = core_.link;
    tasks_.Run(tr("Saving in the device…"),
               [&link](const Report& report, const ProgressFn&) { SaveDevice(link, report); });
}

void MainWindow::OnUpgrade()
{
    // First the port (refused while connected), then the file, then the
    // transfer with the form's progress bar.
    auto prepared = std::make_shared<std::atomic<bool>>(false);
    Connection& connection = core_.connection;
    tasks_.Run(
        tr("Looking for the device…"),
        [&connection, prepared](const Report& report, const ProgressFn&) {
            *prepared = PrepareUpgrade(connection, PointToConnectTo(report));
        },
        [this, prepared] {
            if (!*prepared)
                return;
            const QString path = ChooseFileName(tr("Upgrade"), FirmwareFilter(), false);
            if (path.isEmpty())
                return;
            view_->ProgressBar().SetLimits(0, 100);
            view_->ProgressBar().SetValue(0);
            view_->ProgressBar().show();
            upgrading_ = true;
            Connection& c = core_.connection;
            auto upgraded = std::make_shared<std::atomic<bool>>(false);
            tasks_.Run(
                tr("Upgrading the firmware…"),
                [&c, upgraded, file = path.toStdString()](const Report& report, const ProgressFn& progress) {
                    *upgraded = RunUpgrade(c, file, progress, report);
                },
                [this, upgraded] {
                    upgrading_ = false;
                    view_->ProgressBar().hide();
                    // The device with its new firmware is connected as after Connect.
                    if (*upgraded)
                        OnConnect();
                });
        });
}

void MainWindow::OnChannel()
{
    view_->SetViewMode(MainForm::ViewMode::ChannelView);
}

void MainWindow::OnMatrix()
{
    view_->SetViewMode(MainForm::ViewMode::MatrixView);
}

void MainWindow::OnSoundTest()
{
    // Opens with or without a device; the dialog says what it cannot do. It
    // does not hold the main window: one dialog, brought forward if open.
    if (soundTest_) {
        soundTest_->raise();
        soundTest_->activateWindow();
        return;
    }
    soundTest_ = new SoundTestDialog(core_.context, this);
    soundTest_->setAttribute(Qt::WA_DeleteOnClose);
    soundTest_->show();
}

void MainWindow::OnAppAbout()
{
    AboutDialog about(core_.state, this);
    about.exec();
}

void MainWindow::OnBusyChanged(bool busy, const QString& what)
{
    for (QAction* action : deviceCommands_)
        action->setEnabled(!busy);
    UpdateConnectCommands();
    if (busy)
        status_->setText(what);
    else
        ShowStatus();
}

QString MainWindow::StatusText() const
{
    return status_->text();
}

void MainWindow::ShowStatus()
{
    if (tasks_.Busy())
        return;
    const DeviceState& state = core_.state;
    // "K225", or "unknown model K999" for a model connected read-only.
    const QString model = QString::fromStdString(ModelName(state));
    const PanelModel& shown = core_.context.Model();
    if (shown.Link() == LinkState::Lost)
        status_->setText(tr("Device lost on %1 \u2014 reconnecting\u2026")
                             .arg(QString::fromStdString(core_.port.Label(shown.LostPort()))));
    else if (state.flags.Connected)
        status_->setText(tr("Connected: %1 on %2, firmware %3")
                             .arg(model)
                             .arg(QString::fromStdString(core_.port.Label(state.flags.PortNumber.load())))
                             .arg(QString::fromStdString(state.params.SV.Get())));
    else
        status_->setText(tr("Not connected"));
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    // A firmware transfer must not be cut off half-way.
    if (core_.state.flags.Upgrading) {
        event->ignore();
        return;
    }
    // Every exchange from here on fails at once, so a command still running
    // (a scan, a read-back from a silent device) ends at its next step, and
    // queued changes are dropped rather than tried against a closing port.
    core_.Shutdown([this] { tasks_.WaitIdle(); });
    event->accept();
}

}  // namespace brevant
