// The sound test dialog: puts the device in test mode, lets the user pick the
// input to test, the number of measuring points and the time per point,
// switch the test signal, measure point by point, and plots the two result
// curves the device returns. Beside that a monitor of the channel under test:
// its input and output level meters, its gain fader and its phantom power
// switch, which like the channel panels show what the panel model holds and
// send through it.
//
// Showing the dialog starts a run: test mode is entered and the device's test
// settings are read; Quit (or closing the window) leaves test mode again.
//
// Every device command runs on the command queue, never on the UI thread; the
// test's own state (test mode, channel, points, time) is read from the mirror
// there too, after each command, and shown once the command is done.
// While one is out the command buttons and the lists are disabled and the
// status line says what is under way; the outcome comes back to the UI
// thread and sets the buttons as the measurement allows.
//
// Thread-safety: UI thread only.
#pragma once

#include "procedures/SoundTest.h"
#include "ui/panels/ControlPanel.h"
#include "ui/panels/PanelContext.h"
#include "ui/soundtest/SoundTestButtons.h"
#include "ui/soundtest/SoundTestMonitor.h"
#include "ui/soundtest/SoundTestResultBox.h"

#include <QDialog>
#include <QString>

#include <deque>
#include <functional>
#include <string>
#include <vector>

class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;

namespace brevant {

class LevelGraph;

class SoundTestDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr int kTrackbarId = SoundTestMonitor::kTrackbarId;
    static constexpr int kInputMeterId = SoundTestMonitor::kInputMeterId;
    static constexpr int kOutputMeterId = SoundTestMonitor::kOutputMeterId;
    static constexpr int kPhantomId = SoundTestMonitor::kPhantomId;
    static constexpr int kTestOnId = 1005;
    static constexpr int kTestOffId = 1006;
    static constexpr int kStartId = 1007;
    static constexpr int kContinueId = 1008;
    static constexpr int kChannelListId = 1009;
    static constexpr int kPointListId = 1010;
    static constexpr int kTimeListId = 1011;
    static constexpr int kFirstSpareStaticId = 1012;  // 1012..1015, hidden
    static constexpr int kSaveId = 1016;
    static constexpr int kQuitId = 1017;
    static constexpr int kCalibratedId = 1018;  // hidden; enters test mode
    static constexpr int kFilterListId = 1019;  // hidden
    static constexpr int kSpareEditId = 1020;   // hidden
    static constexpr int kResultId = 1021;
    static constexpr int kChannelLabelId = 1026;
    static constexpr int kPointLabelId = 1027;
    static constexpr int kTimeLabelId = 1028;
    static constexpr int kFilterLabelId = 1029;  // hidden
    static constexpr int kMonitorId = SoundTestMonitor::kBoxId;
    static constexpr int kGainTextId = SoundTestMonitor::kGainTextId;
    static constexpr int kGraphId = SoundTestResultBox::kGraphId;
    static constexpr int kFaderId = SoundTestMonitor::kFaderId;
    static constexpr int kExportPngId = SoundTestResultBox::kExportPngId;
    static constexpr int kExportCsvId = SoundTestResultBox::kExportCsvId;
    static constexpr int kStatusId = 1092;
    static constexpr int kBusyId = 1093;
    static constexpr int kSettingsBoxId = 1094;
    static constexpr int kResultBoxId = SoundTestResultBox::kBoxId;
    static constexpr int kSignalStateId = 1097;
    static constexpr int kPointStateId = 1098;
    static constexpr int kSignalCaptionId = 1101;
    static constexpr int kPointCaptionId = 1102;

    using ButtonSet = SoundTestButtons::Set;

    explicit SoundTestDialog(PanelContext& context, QWidget* parent = nullptr);
    ~SoundTestDialog() override;
    SoundTestDialog(const SoundTestDialog&) = delete;
    SoundTestDialog& operator=(const SoundTestDialog&) = delete;

    // Replaces the file dialog the export buttons open; an empty chooser
    // brings the file dialog back.
    void SetPathChooser(SoundTestResultBox::PathChooser chooser);

    template <typename T>
    T* Control(int controlId) const
    {
        return FindControl<T>(*this, controlId);
    }
    LevelGraph& Graph() const { return result_->Graph(); }
    SoundTestResultBox& ResultBox() const { return *result_; }
    SoundTestMonitor& Monitor() const { return *monitor_; }
    QComboBox& ChannelList() const { return *channelList_; }
    QComboBox& PointList() const { return *pointList_; }
    QComboBox& TimeList() const { return *timeList_; }
    QPushButton& Button(int controlId) const;

    int Gain() const { return gain_; }
    int TestChannel() const { return testChannel_; }
    int PointsDone() const { return pointsDone_; }
    // A command that the buttons and the lists wait for is on the command
    // queue or being sent.
    bool Busy() const { return !doing_.empty(); }
    QString StatusText() const;

    // Puts the curves on the graph (what Result does once the device has
    // given them) and offers the exports.
    void PlotResults(const ResultCurves& curves);

    // What the dialog does at the start of every run (when it is shown).
    void Initialise();

    // The handlers, public so that a test can raise them as the user would.
    void OnCalibrated();
    void OnChannelChanged(int index);
    void OnPointChanged(int index);
    void OnTimeChanged(int index);
    void OnFaderMoving(int value);
    void OnFaderMoved(int value);
    void OnPhantomClicked();
    // The monitor from the model: levels, phantom and gain of the tested input.
    void RefreshMonitor();
    void OnTestOn();
    void OnTestOff();
    void OnStart();
    void OnContinue();
    void OnResult();
    void OnSave();
    // Leaves test mode and ends the dialog.
    void OnQuit();

public slots:
    // Closing the window (or Escape) leaves test mode first when it is on.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    // What to do on the UI thread once a command is done; made on the
    // queue's thread by the work it follows.
    using Finish = std::function<void(SoundTestDialog&)>;
    using Work = std::function<Finish(DeviceLink& link, const Report& report)>;
    // The device's test state, as the queue's thread last read it.
    struct TestState {
        int mode = 0;  // SM
        int channel = 0, points = 0, time = 0;
        bool confirmed = false;
    };

    void BuildControls();
    void FillLists();
    // Refuses with "Cannot connect" (and returns false) without a device.
    bool RequireConnection();
    // Runs `work` on the command queue with the command buttons and the
    // lists waiting for it and `doing` on the status line.
    void Post(const QString& doing, Work work);
    // Runs `work` on the command queue; the dialog stays as it is meanwhile.
    // Either way what the work returned is done on the UI thread afterwards,
    // then what it told the user is shown.
    void PostQuietly(Work work);
    // Leaves test mode, then ends the dialog; `closing` when the window is
    // being closed, which it then is whatever the device answers. False when
    // nothing was sent.
    bool Quit(bool closing);
    void Finished(const Finish& finish, const std::vector<std::string>& told, const TestState& test);

    void ApplyButtonSet(ButtonSet set);
    // A setting of the test, when the device is in test mode: `set` sends it;
    // once the device took it, `taken` runs and, with every setting
    // confirmed, the buttons become ready to measure.
    void ChangeSetting(const QString& what, std::function<Status(DeviceLink&)> set, Finish taken = {});
    void SwitchSignal(bool on);
    void UpdateControls();
    // Gain, fader and text from the model's MG of the channel under test.
    void TakeGainFromModel();
    void SelectStoredSettings();
    void OnModelChanged(unsigned what);
    void Note(const QString& text);
    QString StateText() const;
    bool SettingsConfirmed() const;
    int TestedInput() const { return testChannel_ + 1; }

    PanelContext& context_;
    TestState test_;

    SoundTestMonitor* monitor_ = nullptr;
    QComboBox* channelList_ = nullptr;
    QComboBox* pointList_ = nullptr;
    QComboBox* timeList_ = nullptr;
    QComboBox* filterList_ = nullptr;
    SoundTestResultBox* result_ = nullptr;
    QLabel* status_ = nullptr;
    QLabel* signalState_ = nullptr;
    QLabel* pointState_ = nullptr;
    QProgressBar* busyBar_ = nullptr;

    SoundTestButtons buttons_;

    // The test signal as the device last confirmed it in this run.
    enum class SignalState { Unknown, On, Off };

    SignalState signal_ = SignalState::Unknown;
    int gain_ = 0;
    int testChannel_ = 0;
    int pointsDone_ = 0;
    // The window is to close once the commands on their way are done.
    bool closing_ = false;
    // What each command on the queue is doing, the one being sent first.
    std::deque<QString> doing_;
    QString note_;
};

}  // namespace brevant
