// The main window: the form view under the "Device", "Tools", "View" and
// "Help" menus, a toolbar and a status bar. Every device command runs off the
// UI thread through the task runner; while one runs, the commands that would
// conflict with it are disabled and the status bar says what is going on.
//
// UI thread only.
#pragma once

#include "procedures/Preset.h"
#include "programs/brevant/PresetPreview.h"
#include "programs/brevant/ProgramCore.h"
#include "programs/brevant/TaskRunner.h"
#include "programs/brevant/ZoomedForm.h"

#include <QDialog>
#include <QMainWindow>
#include <QPointer>

#include <functional>
#include <optional>

class QAction;
class QLabel;
class QMenu;

namespace brevant {

class LostBanner;
class MainForm;

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    // Asks for a file: the caption, the filter, true to save. An empty
    // answer is a cancelled dialog.
    using ChooseFile = std::function<QString(const QString& caption, const QString& filter, bool save)>;
    static constexpr int kRecentFiles = 4;

    MainWindow(ProgramCore& core, QWidget* parent = nullptr);
    ~MainWindow() override;

    MainForm& View() { return *view_; }
    // The form under its zoom (View > Zoom).
    ZoomedForm& Zoomed() { return *zoomed_; }
    // Zooms the form and keeps the choice for the next start.
    void SetZoom(Zoom zoom);
    TaskRunner& Tasks() { return tasks_; }
    void SetFileChooser(ChooseFile chooser) { chooseFile_ = std::move(chooser); }
    // Answers the preview shown before a preset is sent (true: Load); the
    // program asks the user in a dialog.
    using AnswerPreview = std::function<bool(const PresetPreview& preview)>;
    void SetPreviewAnswer(AnswerPreview answer) { answerPreview_ = std::move(answer); }
    // The menu command with this text ("Connect", "Matrix", ...); null when none.
    QAction* Action(const QString& text) const;
    QStringList RecentFiles() const;
    // The "View" menu, for the docks the program adds.
    QMenu* ViewMenu() const;
    // What the status bar says.
    QString StatusText() const;

    void OnConnect();
    // Asks which device in the Connect To dialog, then connects to it.
    void OnConnectTo();
    // Connects to `target` off the UI thread, as Connect does.
    void ConnectTo(const ConnectTarget& target);
    void OnDisconnect();
    void OnOpenFromFile();
    void OnSaveToFile();
    void OnSaveDevice();
    void OnUpgrade();
    void OnChannel();
    void OnMatrix();
    void OnSoundTest();
    void OnAppAbout();
    void OpenPreset(const QString& path);
    // Sends back the device's setting as it was before the last Open From File.
    void OnUndoOpen();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QAction* AddCommand(QMenu* menu, const QString& text, void (MainWindow::*handler)(), bool device = true);
    void BuildMenus();
    void BuildZoomMenu(QMenu* menu);
    void BuildDocks();
    void RememberFile(const QString& path);
    void FillRecentMenu();
    void OnBusyChanged(bool busy, const QString& what);
    void UpdateConnectCommands();
    void ShowStatus();
    // The status bar follows the link and names unconfirmed changes.
    void OnModelChanged(unsigned what);
    QString ChooseFileName(const QString& caption, const QString& filter, bool save);

    ProgramCore& core_;
    MainForm* view_;
    ZoomedForm* zoomed_ = nullptr;
    TaskRunner tasks_;
    ChooseFile chooseFile_;
    AnswerPreview answerPreview_;
    std::optional<Preset> undo_;  // the device's setting before the last preset sent
    QString undoFile_;            // the file that preset came from
    QAction* undoAction_ = nullptr;
    QAction* connectAction_ = nullptr;
    QAction* connectToAction_ = nullptr;
    QPointer<QDialog> soundTest_;  // the sound test, while open
    QAction* disconnectAction_ = nullptr;
    QList<QAction*> deviceCommands_;  // disabled while a command runs
    QMenu* recentMenu_ = nullptr;
    QLabel* status_ = nullptr;
    LostBanner* lostBanner_ = nullptr;  // shown while the device is lost
    bool upgrading_ = false;            // the form's progress bar follows the transfer
};

}  // namespace brevant
