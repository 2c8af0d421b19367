#include "ui/panels/OutputLevelPanel.h"

#include "ui/controls/FormZoom.h"

#include "core/SettingName.h"
#include "core/SettingRange.h"
#include "ui/controls/ImageCheckButton.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QStringListModel>

#include <algorithm>

namespace brevant {

namespace {

constexpr int kMargin = 4;
constexpr int kCheckHeight = 18;
constexpr int kCaptionHeight = 14;
constexpr int kRowHeight = 22;
constexpr int kRowGap = 4;
constexpr int kSetWidth = 36;
constexpr int kFirstLowpassEntry = 30;

SettingRange RangeFor(Op op)
{
    return *RangeOf(op);
}

// The value the device is sent for a typed one: brought into the setting's
// range, a frequency below its lowest switching the filter off. Whenever that
// is not the typed value, or means off, the status bar says so.
int BroughtIntoRange(PanelContext& context, Op op, int typed)
{
    if (const std::string notice = TypedValueNotice(op, typed); !notice.empty())
        context.Model().SetNotice(QString::fromStdString(notice));
    return RangeFor(op).Clamp(typed);
}

// "OFF", then `first` .. `last`.
QStringListModel* OffThen(int first, int last, QObject* parent)
{
    QStringList entries;
    entries.reserve(last - first + 2);
    entries << QCoreApplication::translate("brevant::OutputLevelPanel", "OFF");
    for (int v = first; v <= last; ++v)
        entries << QString::number(v);
    return new QStringListModel(entries, parent);
}

}  // namespace

OutputLevelPanel::OutputLevelPanel(PanelContext& context, int channelIndex_, ModelFamily paneFamily_,
                                   QWidget* parent)
    : LevelPanel(context, Direction::Output, channelIndex_, paneFamily_, kOutputScale, QString(), parent),
      delay_(AddRow(kDelayCaptionId, tr("DelayTime"), kDelayEditId, Op::OD, kSetDelayId)),
      lowpass_(AddRow(kLowpassCaptionId, tr("Lowpass"), kLowpassEditId, Op::OF, kSetLowpassId)),
      highpass_(AddRow(kHighpassCaptionId, tr("Highpass"), kHighpassEditId, Op::OH, kSetHighpassId)),
      delayEdit_(delay_.edit), lowpassEdit_(lowpass_.edit), highpassEdit_(highpass_.edit),
      delayCombo_(new QComboBox(this)), lowpassCombo_(new QComboBox(this))
{
    // Two lists kept for choosing the delay and the low-pass limit from a
    // list instead of typing; the panel does not show them.
    TagControl(delayCombo_, kDelayComboId);
    TagControl(lowpassCombo_, kLowpassComboId);
    delayCombo_->setModel(OffThen(1, RangeFor(Op::OD).max, delayCombo_));
    lowpassCombo_->setModel(OffThen(kFirstLowpassEntry, RangeFor(Op::OF).max, lowpassCombo_));
    delayCombo_->setCurrentIndex(0);
    lowpassCombo_->setCurrentIndex(0);
    delayCombo_->hide();
    lowpassCombo_->hide();
    // The boxes stay empty until a device has said what they hold.

    // What each pane shows: the delay and the limits on the channels its
    // family has them on; Mute not on channel 0 of the second pane.
    const bool secondPane = paneFamily == ModelFamily::K217K218;
    for (QWidget* w : {static_cast<QWidget*>(delay_.caption), static_cast<QWidget*>(delay_.edit),
                       static_cast<QWidget*>(delay_.unit), static_cast<QWidget*>(delay_.set)})
        w->setVisible(HasHere(Op::OD));
    for (QWidget* w : {static_cast<QWidget*>(lowpass_.caption), static_cast<QWidget*>(lowpass_.edit),
                       static_cast<QWidget*>(lowpass_.unit), static_cast<QWidget*>(lowpass_.set)})
        w->setVisible(HasHere(Op::OF));
    for (QWidget* w : {static_cast<QWidget*>(highpass_.edit), static_cast<QWidget*>(highpass_.unit),
                       static_cast<QWidget*>(highpass_.set)})
        w->setVisible(HasHere(Op::OH));
    Mute().setVisible(!secondPane || channelIndex > 0);
    NameChecks(Direction::Output);

    connect(delay_.set, &QPushButton::clicked, this, &OutputLevelPanel::OnSetDelay);
    connect(lowpass_.set, &QPushButton::clicked, this, &OutputLevelPanel::OnSetLowpass);
    connect(highpass_.set, &QPushButton::clicked, this, &OutputLevelPanel::OnSetHighpass);
    // Return in a box does what its Set button does.
    connect(delayEdit_, &QLineEdit::returnPressed, this, &OutputLevelPanel::OnSetDelay);
    connect(lowpassEdit_, &QLineEdit::returnPressed, this, &OutputLevelPanel::OnSetLowpass);
    connect(highpassEdit_, &QLineEdit::returnPressed, this, &OutputLevelPanel::OnSetHighpass);
    connect(delayCombo_, &QComboBox::activated, this, &OutputLevelPanel::OnDelayComboChanged);
    connect(lowpassCombo_, &QComboBox::activated, this, &OutputLevelPanel::OnLowpassComboChanged);
    connect(&context.Model(), &PanelModel::changed, this, &OutputLevelPanel::OnModelChanged);
    resize(100, 432);
}

OutputLevelPanel::~OutputLevelPanel() = default;

OutputLevelPanel::LimitRow OutputLevelPanel::AddRow(int captionId, const QString& caption, int editId, Op op,
                                                    int setId)
{
    // The unit beside the box and the range in its tooltip come from the
    // setting's row: "300–20000 Hz, 0 = off".
    const QString unit = QString::fromUtf8(UnitText(op).data(), static_cast<qsizetype>(UnitText(op).size()));
    const QString hint = QString::fromStdString(RangeHint(op));
    LimitRow row{new QLabel(caption, this), new QLineEdit(this), new QLabel(unit, this),
                 new QPushButton(tr("Set"), this)};
    TagControl(row.caption, captionId);
    TagControl(row.edit, editId);
    TagControl(row.set, setId);
    const QString what = ControlName(Direction::Output, Channel(), caption);
    row.edit->setAccessibleName(tr("%1 (%2)").arg(what, unit));
    row.set->setAccessibleName(tr("Set %1").arg(what));
    row.edit->setToolTip(hint);
    row.edit->setAccessibleDescription(hint);
    row.caption->setAttribute(Qt::WA_TranslucentBackground);
    row.unit->setAttribute(Qt::WA_TranslucentBackground);
    row.edit->setAlignment(Qt::AlignRight);
    // Whole numbers only: a letter never gets into the box.
    row.edit->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("-?[0-9]{0,6}")), row.edit));
    row.set->setAutoDefault(false);
    return row;
}

void OutputLevelPanel::resizeEvent(QResizeEvent* /*event*/)
{
    const QSize base = zoom::BaseSize(*this);
    // From the bottom up: the three rows, then Mute; the fader takes the rest.
    const int rowsHeight = 3 * (kCaptionHeight + kRowHeight + kRowGap);
    int y = base.height() - kMargin - rowsHeight;
    const int muteTop = y - kCheckHeight - kRowGap;
    Strip().Place(QRect(0, kMargin, base.width(), muteTop - kMargin - kRowGap));
    zoom::Place(Mute(), kMargin + 8, muteTop, base.width() - 2 * kMargin - 8, kCheckHeight);
    const int unitWidth = QFontMetrics(zoom::BaseFont(*this)).horizontalAdvance(QStringLiteral("Hz")) + 3;
    const int editWidth = base.width() - 2 * kMargin - kSetWidth - 2 - unitWidth;
    for (const LimitRow* row : {&delay_, &lowpass_, &highpass_}) {
        zoom::Place(*row->caption, kMargin, y, base.width() - 2 * kMargin, kCaptionHeight);
        y += kCaptionHeight;
        zoom::Place(*row->edit, kMargin, y, editWidth, kRowHeight);
        zoom::Place(*row->unit, kMargin + editWidth + 2, y, unitWidth, kRowHeight);
        zoom::Place(*row->set, kMargin + editWidth + 2 + unitWidth, y, kSetWidth, kRowHeight);
        y += kRowHeight + kRowGap;
    }
}

void OutputLevelPanel::keyPressEvent(QKeyEvent* event)
{
    // Typing Enter or Escape in a box must not close or reset anything.
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape: event->accept(); return;
    default: ControlPanel::keyPressEvent(event);
    }
}

void OutputLevelPanel::ReadEdits(const QLineEdit* asked)
{
    bool complained = false;
    const auto read = [&](QLineEdit* edit, int& member) {
        // Another empty box (nothing known yet, nothing typed) leaves its
        // value alone without a word; the box whose Set was pressed must hold one.
        const QString text = edit->text().trimmed();
        if (text.isEmpty() && edit != asked)
            return;
        bool ok = false;
        const int value = text.toInt(&ok);
        if (ok) {
            member = value;
        } else if (!complained) {
            complained = true;
            Context().TellUser(tr("Please enter an integer.").toStdString());
        }
    };
    read(delayEdit_, delayTime);
    read(lowpassEdit_, lowpassLimit);
    read(highpassEdit_, highpassLimit);
}

void OutputLevelPanel::WriteEdits()
{
    const auto write = [this](QLineEdit* edit, int value, Op op) {
        const QString text = UnknownHere(op) ? QString() : QString::number(value);
        if (edit->text() != text)
            edit->setText(text);
    };
    write(delayEdit_, delayTime, Op::OD);
    write(lowpassEdit_, lowpassLimit, Op::OF);
    write(highpassEdit_, highpassLimit, Op::OH);
}

void OutputLevelPanel::OnSetDelay()
{
    ReadEdits(delayEdit_);
    PanelContext& context = Context();
    if (!context.Connected())
        return;
    // What the device then does to the low-pass limit it decides; the limit
    // is read back with the answer (PanelSend) and shown as it holds it.
    delayTime = BroughtIntoRange(context, Op::OD, delayTime);
    context.Send({{Op::OD, {channelIndex + 1}, delayTime}});
    WriteEdits();
}

void OutputLevelPanel::OnSetLowpass()
{
    ReadEdits(lowpassEdit_);
    PanelContext& context = Context();
    if (!context.Connected())
        return;
    lowpassLimit = BroughtIntoRange(context, Op::OF, lowpassLimit);
    context.Send({{Op::OF, {channelIndex + 1}, lowpassLimit}});
    WriteEdits();
}

void OutputLevelPanel::OnSetHighpass()
{
    ReadEdits(highpassEdit_);
    PanelContext& context = Context();
    if (!context.Connected())
        return;
    highpassLimit = BroughtIntoRange(context, Op::OH, highpassLimit);
    context.Send({{Op::OH, {channelIndex + 1}, highpassLimit}});
    WriteEdits();
}

void OutputLevelPanel::OnDelayComboChanged(int index)
{
    // Entry i is "OFF" (0) or the delay i.
    Context().Send({{Op::OD, {channelIndex + 1}, std::max(index, 0)}});
}

void OutputLevelPanel::OnLowpassComboChanged(int index)
{
    Context().Send({{Op::OF, {channelIndex + 1}, index <= 0 ? 0 : kFirstLowpassEntry + index - 1}});
}

void OutputLevelPanel::OnModelChanged(unsigned what)
{
    if (!Live())
        return;
    const PanelModel& model = Context().Model();
    const ShownValues& v = model.Values();
    const int n = Channel();
    // Mute is not shown on channel 0 of the second pane.
    const bool muteShown = paneFamily == ModelFamily::K225 || channelIndex >= 1;
    // A read-back, a user change or a newly unknown setting shows every
    // setting, faders and boxes included; a polling pass the meter, the gain
    // label and, on the second pane, Mute.
    if (what & (model::kReadBack | model::kSettings | model::kUnknown)) {
        ShowLevel(true);
        if (muteShown)
            ShowSwitch(Mute(), v.At(Op::OM, n) != 0, UnknownHere(Op::OM));
        delayTime = v.At(Op::OD, n);
        lowpassLimit = v.At(Op::OF, n);
        highpassLimit = v.At(Op::OH, n);
        WriteEdits();
    } else if (what & model::kPoll) {
        ShowLevel(false);
        if (paneFamily == ModelFamily::K217K218 && muteShown)
            ShowSwitch(Mute(), v.At(Op::OM, n) != 0, UnknownHere(Op::OM));
    }
    if ((what & model::kLink) && !model.MetersLive())
        EmptyMeter();
}

}  // namespace brevant
