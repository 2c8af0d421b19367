#include "ui/soundtest/SoundTestDialog.h"

#include "qtcore/HandOff.h"
#include "ui/controls/BitmapFader.h"
#include "ui/controls/ImageCheckButton.h"
#include "ui/controls/SkinnedTrackbar.h"
#include "ui/panels/GainStrip.h"
#include "ui/soundtest/LevelGraph.h"
#include "ui/soundtest/SoundTestButtons.h"
#include "ui/soundtest/SoundTestMonitor.h"
#include "ui/soundtest/SoundTestResultBox.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

#include <memory>
#include <utility>

namespace brevant {

namespace {

constexpr int kListWidth = 96;
constexpr int kButtonSpacing = 6;
constexpr int kGroupSpacing = 12;

QLabel* AddLabel(QWidget* parent, int controlId, const QString& text)
{
    auto* label = new QLabel(text, parent);
    TagControl(label, controlId);
    return label;
}

QComboBox* AddList(QWidget* parent, int controlId)
{
    auto* list = new QComboBox(parent);
    TagControl(list, controlId);
    list->setMinimumWidth(kListWidth);
    return list;
}

}  // namespace

SoundTestDialog::SoundTestDialog(PanelContext& context, QWidget* parent) : QDialog(parent), context_(context)
{
    setWindowTitle(tr("Sound Test"));
    BuildControls();
    connect(&context.Model(), &PanelModel::changed, this, &SoundTestDialog::OnModelChanged);
}

SoundTestDialog::~SoundTestDialog() = default;

void SoundTestDialog::SetPathChooser(SoundTestResultBox::PathChooser chooser)
{
    result_->SetPathChooser(std::move(chooser));
}

void SoundTestDialog::BuildControls()
{
    monitor_ = new SoundTestMonitor(this);

    // What to measure: channel, points, time per point.
    auto* settings = new QGroupBox(tr("Measurement"), this);
    TagControl(settings, kSettingsBoxId);
    channelList_ = AddList(settings, kChannelListId);
    pointList_ = AddList(settings, kPointListId);
    timeList_ = AddList(settings, kTimeListId);
    auto* settingsGrid = new QGridLayout(settings);
    settingsGrid->setHorizontalSpacing(10);
    settingsGrid->setColumnStretch(1, 1);
    settingsGrid->addWidget(AddLabel(settings, kChannelLabelId, tr("Channel")), 0, 0);
    settingsGrid->addWidget(channelList_, 0, 1);
    settingsGrid->addWidget(AddLabel(settings, kPointLabelId, tr("Point ")), 1, 0);
    settingsGrid->addWidget(pointList_, 1, 1);
    settingsGrid->addWidget(AddLabel(settings, kTimeLabelId, tr("Time")), 2, 0);
    settingsGrid->addWidget(timeList_, 2, 1);
    // Where the measurement stands, under a rule.
    auto* rule = new QFrame(settings);
    rule->setFrameShape(QFrame::HLine);
    rule->setFrameShadow(QFrame::Sunken);
    settingsGrid->addWidget(rule, 3, 0, 1, 2);
    signalState_ = AddLabel(settings, kSignalStateId, QString());
    pointState_ = AddLabel(settings, kPointStateId, QString());
    settingsGrid->addWidget(AddLabel(settings, kSignalCaptionId, tr("Signal")), 4, 0);
    settingsGrid->addWidget(signalState_, 4, 1);
    settingsGrid->addWidget(AddLabel(settings, kPointCaptionId, tr("Measured")), 5, 0);
    settingsGrid->addWidget(pointState_, 5, 1);
    settingsGrid->setRowStretch(6, 1);

    result_ = new SoundTestResultBox(this);

    // The command buttons: the test signal, the measurement, then the dialog's own.
    using Role = SoundTestButtons::Role;
    auto addCommand = [this](Role role, int controlId, const QString& caption) {
        auto* button = new QPushButton(caption, this);
        TagControl(button, controlId);
        button->setAutoDefault(false);
        button->setMinimumWidth(84);
        buttons_.Add(role, button);
        return button;
    };
    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(kButtonSpacing);
    buttons->addWidget(addCommand(Role::TestOn, kTestOnId, tr("TestOn")));
    buttons->addWidget(addCommand(Role::TestOff, kTestOffId, tr("TestOff")));
    buttons->addSpacing(kGroupSpacing);
    buttons->addWidget(addCommand(Role::Start, kStartId, tr("Start")));
    buttons->addWidget(addCommand(Role::Continue, kContinueId, tr("Continue")));
    buttons->addWidget(addCommand(Role::Result, kResultId, tr("Result")));
    buttons->addStretch(1);
    buttons->addWidget(addCommand(Role::Save, kSaveId, tr("Save")));
    buttons->addWidget(addCommand(Role::Quit, kQuitId, tr("Quit")));
    addCommand(Role::Calibrated, kCalibratedId, tr("Calibrated"))->hide();

    // The status line: what the dialog is doing or waiting for. The busy bar
    // keeps its place while hidden, so the line does not move.
    status_ = AddLabel(this, kStatusId, QString());
    status_->setTextFormat(Qt::PlainText);
    busyBar_ = new QProgressBar(this);
    TagControl(busyBar_, kBusyId);
    busyBar_->setRange(0, 0);
    busyBar_->setTextVisible(false);
    busyBar_->setFixedSize(96, 8);
    QSizePolicy keepPlace = busyBar_->sizePolicy();
    keepPlace.setRetainSizeWhenHidden(true);
    busyBar_->setSizePolicy(keepPlace);
    busyBar_->hide();
    auto* statusLine = new QHBoxLayout;
    statusLine->addWidget(status_, 1);
    statusLine->addWidget(busyBar_, 0, Qt::AlignVCenter);

    auto* left = new QVBoxLayout;
    left->setSpacing(kGroupSpacing);
    left->addWidget(monitor_);
    left->addWidget(settings, 1);

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(12, 10, 12, 8);
    grid->setHorizontalSpacing(kGroupSpacing);
    grid->setVerticalSpacing(kGroupSpacing);
    grid->addLayout(left, 0, 0);
    grid->addWidget(result_, 0, 1);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(0, 1);
    grid->addLayout(buttons, 1, 0, 1, 2);
    grid->addLayout(statusLine, 2, 0, 1, 2);

    // Controls that keep their ids but take no part in the test; never shown.
    for (int k = 0; k < 4; ++k)
        AddLabel(this, kFirstSpareStaticId + k, QString())->hide();
    AddLabel(this, kFilterLabelId, tr("Filter"))->hide();
    filterList_ = AddList(this, kFilterListId);
    filterList_->hide();
    auto* spareEdit = new QLineEdit(this);
    TagControl(spareEdit, kSpareEditId);
    spareEdit->setEnabled(false);
    spareEdit->hide();

    connect(channelList_, &QComboBox::activated, this, &SoundTestDialog::OnChannelChanged);
    connect(pointList_, &QComboBox::activated, this, &SoundTestDialog::OnPointChanged);
    connect(timeList_, &QComboBox::activated, this, &SoundTestDialog::OnTimeChanged);
    connect(&monitor_->Fader(), &BitmapFader::sliderMoved, this, &SoundTestDialog::OnFaderMoving);
    connect(&monitor_->Fader(), &BitmapFader::changeFinished, this, &SoundTestDialog::OnFaderMoved);
    connect(&monitor_->Phantom(), &ImageCheckButton::clicked, this, &SoundTestDialog::OnPhantomClicked);
    const std::pair<Role, void (SoundTestDialog::*)()> handlers[] = {
        {Role::Calibrated, &SoundTestDialog::OnCalibrated},
        {Role::TestOn, &SoundTestDialog::OnTestOn},
        {Role::TestOff, &SoundTestDialog::OnTestOff},
        {Role::Start, &SoundTestDialog::OnStart},
        {Role::Continue, &SoundTestDialog::OnContinue},
        {Role::Result, &SoundTestDialog::OnResult},
        {Role::Save, &SoundTestDialog::OnSave},
        {Role::Quit, &SoundTestDialog::OnQuit}};
    for (const auto& [role, handler] : handlers)
        connect(&buttons_.Button(role), &QPushButton::clicked, this, handler);
    connect(result_, &SoundTestResultBox::exported, this,
            [this](const QString& fileName) { Note(tr("Saved to %1.").arg(fileName)); });
    connect(result_, &SoundTestResultBox::exportFailed, this,
            [this](const QString& error) { context_.TellUser(error.toStdString()); });

    ApplyButtonSet(ButtonSet::Idle);
    UpdateControls();
}

QPushButton& SoundTestDialog::Button(int controlId) const
{
    return *Control<QPushButton>(controlId);
}

void SoundTestDialog::FillLists()
{
    channelList_->clear();
    switch (context_.Model().Family()) {
    case ModelFamily::K225:
        channelList_->addItems(
            {tr("Input%1").arg(1), tr("Input%1").arg(2), tr("Input%1").arg(3), tr("Input%1").arg(4)});
        break;
    case ModelFamily::K217K218:
        channelList_->addItems(
            {tr("VCSIN"), tr("Input%1").arg(1), tr("Input%1").arg(2), tr("Input%1").arg(3)});
        break;
    case ModelFamily::Unknown: break;
    }
    pointList_->clear();
    for (int points = 1; points <= kMaxTestPoints; ++points)
        pointList_->addItem(QString::number(points));
    timeList_->clear();
    for (int seconds = kFirstTestTime; seconds <= kLastTestTime; ++seconds)
        timeList_->addItem(tr("%1s").arg(seconds));
    for (QComboBox* list : {channelList_, pointList_, timeList_})
        list->setCurrentIndex(list->count() > 0 ? 0 : -1);
    filterList_->clear();
    for (int k = 0; k <= 5; ++k)
        filterList_->addItem(tr("Filter %1").arg(k));
}

void SoundTestDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        Initialise();
}

void SoundTestDialog::Initialise()
{
    note_.clear();
    closing_ = false;
    test_ = {};
    pointsDone_ = 0;
    signal_ = SignalState::Unknown;
    ApplyButtonSet(ButtonSet::Idle);
    gain_ = 0;
    testChannel_ = 0;
    FillLists();
    monitor_->Reset();
    result_->Clear();

    // Without a device the dialog says so in its status line; it does not
    // stop the user with a message.
    if (context_.Connected())
        OnCalibrated();
    if (context_.Connected()) {
        Post(tr("Reading the test settings..."), [](DeviceLink& link, const Report&) -> Finish {
            QueryTestSettings(link);
            return [](SoundTestDialog& dlg) {
                dlg.SelectStoredSettings();
                if (dlg.SettingsConfirmed()) {
                    dlg.TakeGainFromModel();
                    dlg.ApplyButtonSet(ButtonSet::Ready);
                }
            };
        });
    } else {
        // Nothing is sent: the lists show what the mirror last held.
        PostQuietly([](DeviceLink&, const Report&) -> Finish {
            return [](SoundTestDialog& dlg) { dlg.SelectStoredSettings(); };
        });
    }
    UpdateControls();
}

void SoundTestDialog::SelectStoredSettings()
{
    auto select = [](QComboBox* list, int index) {
        list->setCurrentIndex(index >= 0 && index < list->count() ? index : -1);
    };
    testChannel_ = test_.channel - 1;
    select(channelList_, test_.channel - 1);
    select(pointList_, test_.points - 1);
    select(timeList_, test_.time - kFirstTestTime);
}

bool SoundTestDialog::RequireConnection()
{
    if (context_.Connected())
        return true;
    context_.TellUser(msg::Text(msg::kCannotConnect));
    return false;
}

bool SoundTestDialog::SettingsConfirmed() const
{
    return test_.confirmed;
}

void SoundTestDialog::Post(const QString& doing, Work work)
{
    doing_.push_back(doing);
    note_.clear();
    UpdateControls();
    PostQuietly([work = std::move(work)](DeviceLink& link, const Report& report) -> Finish {
        Finish finish = work(link, report);
        return [finish = std::move(finish)](SoundTestDialog& dlg) {
            dlg.doing_.pop_front();
            if (finish)
                finish(dlg);
        };
    });
}

void SoundTestDialog::PostQuietly(Work work)
{
    // The answer comes back later; the context drops it when the dialog is
    // gone by then, so `this` is only used on the UI thread while it lives.
    context_.Run(this, [this, work = std::move(work)](DeviceLink& link) -> std::function<void()> {
        std::vector<std::string> told;
        Finish finish =
            work(link, [&told](std::string_view text, std::string_view) { told.emplace_back(text); });
        // The test's state as the device left it, read here on the queue's thread.
        const DeviceParams& p = link.State().params;
        const TestState test{p.SM.load(), p.CN.load(), p.CP.load(), p.CT.load(), TestSettingsConfirmed(p)};
        return [this, finish = std::move(finish), told = std::move(told), test] {
            Finished(finish, told, test);
        };
    });
}

void SoundTestDialog::Finished(const Finish& finish, const std::vector<std::string>& told,
                               const TestState& test)
{
    test_ = test;
    if (finish)
        finish(*this);
    UpdateControls();
    for (const std::string& text : told)
        context_.TellUser(text);
    if (closing_ && !Busy())
        reject();
}

void SoundTestDialog::ApplyButtonSet(ButtonSet set)
{
    buttons_.Apply(set);
    UpdateControls();
}

void SoundTestDialog::UpdateControls()
{
    const bool idle = !Busy();
    buttons_.Update(!idle);
    for (QComboBox* list : {channelList_, pointList_, timeList_})
        list->setEnabled(idle);
    busyBar_->setVisible(!idle);
    if (idle)
        busyBar_->setRange(0, 0);  // back to "busy" for the next command
    status_->setText(StatusText());
    const QString unknown = QStringLiteral("\u2014");
    signalState_->setText(signal_ == SignalState::Unknown ? unknown
                          : signal_ == SignalState::On    ? tr("On")
                                                          : tr("Off"));
    const int points = test_.points;
    pointState_->setText(points > 0 ? tr("%1 of %2").arg(pointsDone_).arg(points) : unknown);
}

QString SoundTestDialog::StatusText() const
{
    if (Busy())
        return doing_.front();
    if (!note_.isEmpty())
        return note_;
    return StateText();
}

QString SoundTestDialog::StateText() const
{
    if (!context_.Connected())
        return tr("No device connected.");
    if (test_.mode < 1)
        return tr("The device is not in test mode.");
    if (!SettingsConfirmed())
        return tr("Test mode: choose the channel, the points and the time.");
    const int points = test_.points;
    if (result_->Plotted())
        return tr("Result of %1: levels %2 to %3.")
            .arg(channelList_->currentText())
            .arg(result_->Graph().YMin())
            .arg(result_->Graph().YMax());
    if (pointsDone_ == 0)
        return tr("Ready: Start measures point 1 of %1.").arg(points);
    if (pointsDone_ < points)
        return tr("Point %1 of %2 measured: Continue measures the next.").arg(pointsDone_).arg(points);
    return tr("All %1 points measured: Result fetches the curves.").arg(points);
}

void SoundTestDialog::Note(const QString& text)
{
    note_ = text;
    UpdateControls();
}

void SoundTestDialog::TakeGainFromModel()
{
    const int n = TestedInput();
    if (!IsChannel(n))
        return;
    gain_ = context_.Model().Values().At(Op::MG, n);
    monitor_->SetGain(gain_);
}

void SoundTestDialog::OnCalibrated()
{
    if (!RequireConnection())
        return;
    Post(tr("Entering test mode..."), [](DeviceLink& link, const Report&) -> Finish {
        if (!EnterTestMode(link))
            return [](SoundTestDialog& dlg) { dlg.Note(tr("The device did not enter test mode.")); };
        return [](SoundTestDialog& dlg) { dlg.ApplyButtonSet(ButtonSet::InTestMode); };
    });
}

void SoundTestDialog::OnChannelChanged(int index)
{
    ChangeSetting(
        tr("channel"), [index](DeviceLink& link) { return SetTestChannel(link, index + 1); },
        [index](SoundTestDialog& dlg) {
            dlg.testChannel_ = index;
            if (dlg.SettingsConfirmed())
                dlg.TakeGainFromModel();
        });
}

void SoundTestDialog::OnPointChanged(int index)
{
    ChangeSetting(tr("points"), [index](DeviceLink& link) { return SetTestPoints(link, index + 1); });
}

void SoundTestDialog::OnTimeChanged(int index)
{
    ChangeSetting(tr("time"),
                  [index](DeviceLink& link) { return SetTestTime(link, index + kFirstTestTime); });
}

void SoundTestDialog::ChangeSetting(const QString& what, std::function<Status(DeviceLink&)> set, Finish taken)
{
    if (!RequireConnection() || test_.mode < 1)
        return;
    Post(tr("Setting the %1...").arg(what),
         [what, set = std::move(set), taken = std::move(taken)](DeviceLink& link, const Report&) -> Finish {
             if (!set(link)) {
                 return [what](SoundTestDialog& dlg) {
                     dlg.Note(tr("The device did not take the %1.").arg(what));
                 };
             }
             return [taken](SoundTestDialog& dlg) {
                 if (taken)
                     taken(dlg);
                 if (dlg.SettingsConfirmed())
                     dlg.ApplyButtonSet(ButtonSet::Ready);
             };
         });
}

void SoundTestDialog::OnFaderMoving(int value)
{
    monitor_->ShowGain(SoundTestMonitor::GainAt(value));
}

void SoundTestDialog::OnFaderMoved(int value)
{
    gain_ = SoundTestMonitor::GainAt(value);
    monitor_->Trackbar().setValue(value);
    monitor_->ShowGain(gain_);
    if (!RequireConnection())
        return;
    if (!SettingsConfirmed()) {
        context_.TellUser(msg::Text(msg::kPleaseSetPointAndTime));
        return;
    }
    // Through the model, like a panel's change: the channel panels and the
    // monitor show the new gain at once, while the set waits on the queue.
    context_.Send({{Op::MG, {TestedInput()}, gain_}}, [&context = context_](const SendOutcome& outcome) {
        if (!outcome.Confirmed())
            context.TellUser(msg::Text(msg::kSetGainError));
    });
}

void SoundTestDialog::OnPhantomClicked()
{
    const bool on = monitor_->Phantom().isChecked();
    if (!RequireConnection())
        return;
    if (!SettingsConfirmed()) {
        context_.TellUser(msg::Text(msg::kPleaseSetPointAndTime));
        return;
    }
    context_.Send({{Op::MT, {TestedInput()}, on ? 1 : 0}}, [&context = context_](const SendOutcome& outcome) {
        if (!outcome.Confirmed())
            context.TellUser(msg::Text(msg::kSetPhantomError));
    });
}

void SoundTestDialog::OnModelChanged(unsigned what)
{
    if (what & (model::kReadBack | model::kPoll | model::kSettings))
        RefreshMonitor();
}

void SoundTestDialog::RefreshMonitor()
{
    const int n = TestedInput();
    if (!SettingsConfirmed() || !IsChannel(n))
        return;
    const ShownValues& v = context_.Model().Values();
    monitor_->ShowLevels(v.At(Op::ML, n), v.At(Op::OL, n));
    monitor_->Phantom().setChecked(v.At(Op::MT, n) != 0);
    if (!monitor_->Fader().IsDragging())
        TakeGainFromModel();
}

void SoundTestDialog::OnTestOn()
{
    SwitchSignal(true);
}

void SoundTestDialog::OnTestOff()
{
    SwitchSignal(false);
}

void SoundTestDialog::SwitchSignal(bool on)
{
    if (!RequireConnection())
        return;
    const QString state = on ? tr("on") : tr("off");
    Post(tr("Switching the test signal %1...").arg(state),
         [on, state](DeviceLink& link, const Report&) -> Finish {
             const bool switched = static_cast<bool>(SwitchTestSignal(link, on));
             return [on, state, switched](SoundTestDialog& dlg) {
                 if (!switched) {
                     dlg.Note(tr("The device did not switch the test signal %1.").arg(state));
                     return;
                 }
                 dlg.signal_ = on ? SignalState::On : SignalState::Off;
                 dlg.Note(tr("Test signal %1.").arg(state));
             };
         });
}

void SoundTestDialog::OnStart()
{
    if (!RequireConnection())
        return;
    Post(tr("Measuring point 1..."), [](DeviceLink& link, const Report&) -> Finish {
        const PointProgress progress = StartMeasurement(link);
        return [progress](SoundTestDialog& dlg) {
            if (!progress.status) {
                dlg.Note(tr("The device did not measure the first point."));
                return;
            }
            dlg.pointsDone_ = progress.pointsDone;
            if (progress.complete) {
                dlg.ApplyButtonSet(ButtonSet::Measured);
                return;
            }
            dlg.buttons_.Allow(SoundTestButtons::Start, false);
            dlg.buttons_.Allow(SoundTestButtons::Continue, true);
            dlg.buttons_.Allow(SoundTestButtons::Result, false);
        };
    });
}

void SoundTestDialog::OnContinue()
{
    if (!RequireConnection())
        return;
    const int done = pointsDone_;
    Post(tr("Measuring point %1...").arg(done + 1), [done](DeviceLink& link, const Report&) -> Finish {
        const PointProgress progress = ContinueMeasurement(link, done);
        return [progress](SoundTestDialog& dlg) {
            if (!progress.status) {
                dlg.Note(tr("The device did not measure point %1.").arg(progress.pointsDone + 1));
                return;
            }
            dlg.pointsDone_ = progress.pointsDone;
            if (progress.complete)
                dlg.ApplyButtonSet(ButtonSet::Measured);
        };
    });
}

void SoundTestDialog::OnResult()
{
    if (!RequireConnection())
        return;
    // The twenty blocks take a while: the bar shows how many are in.
    QPointer<SoundTestDialog> self(this);
    const ProgressFn progress = [self](int percent) {
        PostTo(QCoreApplication::instance(), [self, percent] {
            if (!self)
                return;
            self->busyBar_->setRange(0, 100);
            self->busyBar_->setValue(percent);
        });
    };
    Post(tr("Reading the result..."), [progress](DeviceLink& link, const Report& report) -> Finish {
        if (!ReadResults(link, report, progress))
            return {};
        return [curves = TakeResults(link.State().params)](SoundTestDialog& dlg) { dlg.PlotResults(curves); };
    });
}

void SoundTestDialog::PlotResults(const ResultCurves& curves)
{
    // The title names the input, so that a saved picture says what was measured.
    const QString input = channelList_->currentText();
    result_->Graph().SetTitle(input.isEmpty() ? QString() : tr("Sound test of %1").arg(input));
    result_->Plot(curves);
    UpdateControls();
}

void SoundTestDialog::OnSave()
{
    if (!RequireConnection())
        return;
    Post(tr("Saving the setting in the device..."), [](DeviceLink& link, const Report& report) -> Finish {
        SaveTestSettings(link, report);
        return {};
    });
}

// Quit always closes: after the command under way, leaving test mode first
// when the device is in it.
void SoundTestDialog::OnQuit()
{
    reject();
}

bool SoundTestDialog::Quit(bool closing)
{
    if (!RequireConnection() || test_.mode < 1)
        return false;
    Post(tr("Leaving test mode..."), [closing](DeviceLink& link, const Report&) -> Finish {
        const bool left = static_cast<bool>(ExitTestMode(link));
        return [left, closing](SoundTestDialog& dlg) {
            dlg.closing_ = false;
            if (left) {
                dlg.ApplyButtonSet(ButtonSet::Idle);
                dlg.accept();
            } else if (closing) {
                dlg.QDialog::reject();
            } else {
                dlg.Note(tr("The device did not leave test mode."));
            }
        };
    });
    return true;
}

void SoundTestDialog::reject()
{
    // Commands still on their way finish first: one of them may be the one
    // that puts the device in test mode, which closing must leave.
    if (Busy()) {
        closing_ = true;
        return;
    }
    closing_ = false;
    if (test_.mode != 0 && Quit(true))
        return;
    QDialog::reject();
}

}  // namespace brevant
