#include "ui/panels/OutputLevelPanel.h"

#include "ui/controls/ImageCheckButton.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QPushButton>
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
constexpr int kMaxDelay = 200;
constexpr int kMaxLowpass = 20000;
constexpr int kMinLowpass = 300;
constexpr int kMaxHighpass = 600;
constexpr int kMinHighpass = 30;
constexpr int kFirstLowpassEntry = 30;

// "OFF", then `first` .. `last`.
QStringListModel* OffThen(int first, int last, QObject* parent)
{
    QStringList entries;
    entries.reserve(last - first + 2);
    entries << QStringLiteral("OFF");
    for (int v = first; v <= last; ++v)
        entries << QString::number(v);
    return new QStringListModel(entries, parent);
}

}  // namespace

OutputLevelPanel::OutputLevelPanel(PanelContext& context, int channelIndex_, int paneKind_, QWidget* parent)
    : LevelPanel(context, Direction::Output, channelIndex_, paneKind_, kOutputScale, QString(),
                  parent)
    , m_delay(AddRow(kDelayCaptionId, QStringLiteral("DelayTime"), kDelayEditId, QStringLiteral("ms"), kSetDelayId))
    , m_lowpass(AddRow(kLowpassCaptionId, QStringLiteral("Lowpass"), kLowpassEditId, QStringLiteral("Hz"), kSetLowpassId))
    , m_highpass(
          AddRow(kHighpassCaptionId, QStringLiteral("Highpass"), kHighpassEditId, QStringLiteral("Hz"), kSetHighpassId))
    , m_delayEdit(m_delay.edit)
    , m_lowpassEdit(m_lowpass.edit)
    , m_highpassEdit(m_highpass.edit)
    , m_delayCombo(new QComboBox(this))
    , m_lowpassCombo(new QComboBox(this))
{
    // Two lists kept for choosing the delay and the low-pass limit from a
    // list instead of typing; the panel does not show them.
    TagControl(m_delayCombo, kDelayComboId);
    TagControl(m_lowpassCombo, kLowpassComboId);
    m_delayCombo->setModel(OffThen(1, kMaxDelay, m_delayCombo));
    m_lowpassCombo->setModel(OffThen(kFirstLowpassEntry, kMaxLowpass, m_lowpassCombo));
    m_delayCombo->setCurrentIndex(0);
    m_lowpassCombo->setCurrentIndex(0);
    m_delayCombo->hide();
    m_lowpassCombo->hide();
    // The boxes stay empty until a device has said what they hold.

    // What each pane shows: the delay only on the channels that have one,
    // the limits and Mute not on channel 0 of the second pane.
    const bool secondPane = paneKind == 2;
    const bool delayShown = secondPane ? channelIndex >= 3 : channelIndex >= 2;
    for (QWidget* w : {static_cast<QWidget*>(m_delay.caption), static_cast<QWidget*>(m_delay.edit),
                       static_cast<QWidget*>(m_delay.unit), static_cast<QWidget*>(m_delay.set)})
        w->setVisible(delayShown);
    const bool limitsShown = !(secondPane && channelIndex < 1);
    for (QWidget* w : {static_cast<QWidget*>(m_lowpass.caption), static_cast<QWidget*>(m_lowpass.edit),
                       static_cast<QWidget*>(m_lowpass.unit), static_cast<QWidget*>(m_lowpass.set),
                       static_cast<QWidget*>(m_highpass.edit), static_cast<QWidget*>(m_highpass.unit),
                       static_cast<QWidget*>(m_highpass.set)})
        w->setVisible(limitsShown);
    Mute().setVisible(!secondPane || channelIndex > 0);

    connect(m_delay.set, &QPushButton::clicked, this, &OutputLevelPanel::OnSetDelay);
    connect(m_lowpass.set, &QPushButton::clicked, this, &OutputLevelPanel::OnSetLowpass);
    connect(m_highpass.set, &QPushButton::clicked, this, &OutputLevelPanel::OnSetHighpass);
    // Return in a box does what its Set button does.
    connect(m_delayEdit, &QLineEdit::returnPressed, this, &OutputLevelPanel::OnSetDelay);
    connect(m_lowpassEdit, &QLineEdit::returnPressed, this, &OutputLevelPanel::OnSetLowpass);
    connect(m_highpassEdit, &QLineEdit::returnPressed, this, &OutputLevelPanel::OnSetHighpass);
    connect(m_delayCombo, &QComboBox::activated, this, &OutputLevelPanel::OnDelayComboChanged);
    connect(m_lowpassCombo, &QComboBox::activated, this, &OutputLevelPanel::OnLowpassComboChanged);
    connect(&context.Model(), &PanelModel::changed, this, &OutputLevelPanel::OnModelChanged);
    resize(100, 432);
}

OutputLevelPanel::~OutputLevelPanel() = default;

OutputLevelPanel::LimitRow OutputLevelPanel::AddRow(int captionId, const QString& caption, int editId,
                                                  const QString& unit, int setId)
{
    LimitRow row{new QLabel(caption, this), new QLineEdit(this), new QLabel(unit, this),
                 new QPushButton(QStringLiteral("Set"), this)};
    TagControl(row.caption, captionId);
    TagControl(row.edit, editId);
    TagControl(row.set, setId);
    row.caption->setAttribute(Qt::WA_TranslucentBackground);
    row.unit->setAttribute(Qt::WA_TranslucentBackground);
    row.edit->setAlignment(Qt::AlignRight);
    // Whole numbers only: a letter never gets into the box.
    row.edit->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("-?[0-9]{0,6}")), row.edit));
    row.set->setAutoDefault(false);
    return row;
}

void OutputLevelPanel::resizeEvent(QResizeEvent* /*event*/)
{
    // From the bottom up: the three rows, then Mute; the fader takes the rest.
    const int rowsHeight = 3 * (kCaptionHeight + kRowHeight + kRowGap);
    int y = height() - kMargin - rowsHeight;
    const int muteTop = y - kCheckHeight - kRowGap;
    Strip().Place(QRect(0, kMargin, width(), muteTop - kMargin - kRowGap));
    Mute().setGeometry(kMargin + 8, muteTop, width() - 2 * kMargin - 8, kCheckHeight);
    const int unitWidth = fontMetrics().horizontalAdvance(QStringLiteral("Hz")) + 3;
    const int editWidth = width() - 2 * kMargin - kSetWidth - 2 - unitWidth;
    for (const LimitRow* row : {&m_delay, &m_lowpass, &m_highpass}) {
        row->caption->setGeometry(kMargin, y, width() - 2 * kMargin, kCaptionHeight);
        y += kCaptionHeight;
        row->edit->setGeometry(kMargin, y, editWidth, kRowHeight);
        row->unit->setGeometry(kMargin + editWidth + 2, y, unitWidth, kRowHeight);
        row->set->setGeometry(kMargin + editWidth + 2 + unitWidth, y, kSetWidth, kRowHeight);
        y += kRowHeight + kRowGap;
    }
}

void OutputLevelPanel::keyPressEvent(QKeyEvent* event)
{
    // Typing Enter or Escape in a box must not close or reset anything.
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
        event->accept();
        return;
    default:
        ControlPanel::keyPressEvent(event);
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
            Context().TellUser("Please enter an integer.");
        }
    };
    read(m_delayEdit, delayTime);
    read(m_lowpassEdit, lowpassLimit);
    read(m_highpassEdit, highpassLimit);
}

void OutputLevelPanel::WriteEdits()
{
    const auto write = [this](QLineEdit* edit, int value, Op op) {
        const QString text = UnknownHere(op) ? QString() : QString::number(value);
        if (edit->text() != text)
            edit->setText(text);
    };
    write(m_delayEdit, delayTime, Op::OD);
    write(m_lowpassEdit, lowpassLimit, Op::OF);
    write(m_highpassEdit, highpassLimit, Op::OH);
}

void OutputLevelPanel::OnSetDelay()
{
    ReadEdits(m_delayEdit);
    PanelContext& context = Context();
    if (!context.Connected()) {
        context.TellUser(msg::kCannotConnect);
        return;
    }
    // The device runs either a delay or a low-pass filter on an output:
    // setting the delay drops the low-pass limit.
    delayTime = std::clamp(delayTime, 0, kMaxDelay);
    lowpassLimit = 0;
    context.Send({{Op::OF, {channelIndex + 1}, 0, true}, {Op::OD, {channelIndex + 1}, delayTime}});
    WriteEdits();
}

void OutputLevelPanel::OnSetLowpass()
{
    ReadEdits(m_lowpassEdit);
    PanelContext& context = Context();
    if (!context.Connected()) {
        context.TellUser(msg::kCannotConnect);
        return;
    }
    if (lowpassLimit > kMaxLowpass)
        lowpassLimit = kMaxLowpass;
    else if (lowpassLimit < kMinLowpass)
        lowpassLimit = 0;
    delayTime = 0;
    context.Send({{Op::OD, {channelIndex + 1}, 0, true}, {Op::OF, {channelIndex + 1}, lowpassLimit}});
    WriteEdits();
}

void OutputLevelPanel::OnSetHighpass()
{
    ReadEdits(m_highpassEdit);
    PanelContext& context = Context();
    if (!context.Connected()) {
        context.TellUser(msg::kCannotConnect);
        return;
    }
    if (highpassLimit > kMaxHighpass)
        highpassLimit = kMaxHighpass;
    else if (highpassLimit < kMinHighpass)
        highpassLimit = 0;
    delayTime = 0;
    context.Send({{Op::OD, {channelIndex + 1}, 0, true}, {Op::OH, {channelIndex + 1}, highpassLimit}});
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
    const auto n = static_cast<std::size_t>(Channel());
    // Mute is not shown on channel 0 of the second pane.
    const bool muteShown = paneKind == 1 || channelIndex >= 1;
    if (what & model::kReset)
        ShowIdle();
    // A read-back, a user change or a newly unknown setting shows every
    // setting, faders and boxes included; a polling pass the meter, the gain
    // label and, on the second pane, Mute.
    if (what & (model::kReadBack | model::kSettings | model::kUnknown)) {
        ShowLevel(true);
        if (muteShown)
            ShowSwitch(Mute(), v.OM[n] != 0, UnknownHere(Op::OM));
        delayTime = v.OD[n];
        lowpassLimit = v.OF[n];
        highpassLimit = v.OH[n];
        WriteEdits();
    } else if (what & model::kPoll) {
        ShowLevel(false);
        if (paneKind == 2 && muteShown)
            ShowSwitch(Mute(), v.OM[n] != 0, UnknownHere(Op::OM));
    }
    if ((what & model::kLink) && model.Link() == LinkState::Lost)
        EmptyMeter();
}

}  // namespace brevant
