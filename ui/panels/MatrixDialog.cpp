#include "ui/panels/MatrixDialog.h"

#include "ui/controls/ImageCheckButton.h"
#include "ui/controls/RoundKnob.h"
#include "ui/panels/ControlPanel.h"
#include "ui/panels/LevelPopupDialog.h"
#include "ui/res/ResourceRegistry.h"

#include <QCoreApplication>
#include <QFont>

#include "ui/controls/FormZoom.h"
#include <QLineEdit>
#include <QPainter>
#include <QPointer>
#include <QPushButton>

#include <algorithm>

namespace brevant {

namespace {

// The knobs' ids in cell order; they are not one run.
constexpr std::array<int, MatrixDialog::kCells> kKnobIds{1000, 1001, 1002, 1003, 1004, 1057, 1058, 1059,
                                                         1061, 1062, 1063, 1064, 1065, 1066, 1067, 1068};
constexpr int kFirstGainBoxId = 1017;   // cells 0..7
constexpr int kSecondGainBoxId = 1070;  // cells 8..15

constexpr QSize kClientSize{1000, 420};

// The grid, in client pixels: one column of 150 per output, one row of 60 per
// input.
constexpr int kColumnPitch = 150;
constexpr int kRowPitch = 60;
QRect OutputButtonRect(int o)
{
    return {376 + kColumnPitch * (o - 1), 80, 80, 32};
}
QRect InputButtonRect(int i)
{
    return {100, 150 + kRowPitch * (i - 1), 80, 32};
}
QRect GainBoxRect(int i, int o)
{
    return {320 + kColumnPitch * (o - 1), 160 + kRowPitch * (i - 1), 32, 20};
}
QRect KnobRect(int i, int o)
{
    return {360 + kColumnPitch * (o - 1), 150 + kRowPitch * (i - 1), 40, 40};
}
QRect CrosspointRect(int i, int o)
{
    return {400 + kColumnPitch * (o - 1), 150 + kRowPitch * (i - 1), 32, 32};
}

QPushButton* AddButton(QWidget* parent, int controlId, const QString& caption, QRect at)
{
    auto* button = new QPushButton(caption, parent);
    TagControl(button, controlId);
    // Return in the dialog must not open a popup.
    button->setAutoDefault(false);
    zoom::Place(*button, at);
    return button;
}

ImageCheckButton* AddCrosspoint(QWidget* parent, int controlId)
{
    auto* button = new ImageCheckButton(controlId, QString(), parent);
    TagControl(button, controlId);
    button->LoadImages(res::kCrosspointOn, res::kCrosspointOff);
    button->setChecked(false);
    return button;
}

// What assistive technology calls a route: "Input 1 to Output 2".
QString RouteName(int input, int output)
{
    return QCoreApplication::translate("brevant::MatrixDialog", "Input %1 to Output %2")
        .arg(input)
        .arg(output);
}

bool InMatrix(int input, int output)
{
    return input >= 1 && input <= MatrixDialog::kSize && output >= 1 && output <= MatrixDialog::kSize;
}

}  // namespace

int MatrixDialog::KnobId(int cell)
{
    return kKnobIds.at(static_cast<std::size_t>(cell));
}

int MatrixDialog::GainBoxId(int cell)
{
    return cell < 8 ? kFirstGainBoxId + cell : kSecondGainBoxId + (cell - 8);
}

MatrixDialog::MatrixDialog(PanelContext& context, QWidget* parent) : QDialog(parent), context_(context)
{
    setWindowTitle(tr("Matrix"));
    resize(kClientSize);
    SetPopupOpener({});
    BuildControls();
    connect(&context.Model(), &PanelModel::changed, this, &MatrixDialog::OnModelChanged);
    OnModelChanged(model::kLink);  // greyed until a device is connected
}

MatrixDialog::~MatrixDialog() = default;

void MatrixDialog::BuildControls()
{
    // Created in reading order, which is also the tab order.
    const QStringList outputCaptions{tr("Output1"), tr("Outpu2"), tr("Output3"), tr("Output4")};
    for (int o = 1; o <= kSize; ++o) {
        QPushButton* button =
            AddButton(this, kFirstOutputButtonId + o - 1, outputCaptions[o - 1], OutputButtonRect(o));
        connect(button, &QPushButton::clicked, this, [this, o] { openPopup_(Direction::Output, o - 1); });
        outputButtons_[static_cast<std::size_t>(o - 1)] = button;
    }
    for (int i = 1; i <= kSize; ++i) {
        QPushButton* button =
            AddButton(this, kFirstInputButtonId + i - 1, tr("Input%1").arg(i), InputButtonRect(i));
        connect(button, &QPushButton::clicked, this, [this, i] { openPopup_(Direction::Input, i - 1); });
        inputButtons_[static_cast<std::size_t>(i - 1)] = button;

        for (int o = 1; o <= kSize; ++o) {
            const int cell = Cell(i, o);
            const auto at = static_cast<std::size_t>(cell);

            auto* box = new QLineEdit(this);  // empty until the device gives the gain
            TagControl(box, GainBoxId(cell));
            box->setEnabled(false);
            box->setAlignment(Qt::AlignCenter);
            zoom::Place(*box, GainBoxRect(i, o));
            box->setToolTip(tr("%1 to %2 dB; Return sends it").arg(kGainMin).arg(kGainMax));
            connect(box, &QLineEdit::returnPressed, this, [this, cell] { OnGainTyped(cell); });
            gainBoxes_[at] = box;

            auto* knob = new RoundKnob(KnobId(cell), this);
            TagControl(knob, KnobId(cell));
            knob->setRange(kGainMin, kGainMax);
            knob->SetValueReading(0, 1, QStringLiteral("dB"));
            knob->setAccessibleName(RouteName(i, o) + tr(" gain"));
            knob->setValue(0);
            knob->setEnabled(false);
            zoom::Place(*knob, KnobRect(i, o));
            // Queued, as a refusal may open a message box: not from inside
            // the knob's mouse or key handler.
            connect(
                knob, &RoundKnob::actionTriggered, this,
                [this, cell, knob] { OnKnobMoved(cell, knob->value()); }, Qt::QueuedConnection);
            connect(knob, &RoundKnob::changeFinished, this,
                    [this, cell](int position) { OnKnobFinished(cell, position); });
            knobs_[at] = knob;

            ImageCheckButton* crosspoint = AddCrosspoint(this, CrosspointId(i, o));
            zoom::Place(*crosspoint, CrosspointRect(i, o));
            crosspoint->setAccessibleName(RouteName(i, o));
            connect(crosspoint, &ImageCheckButton::clicked, this,
                    [this, i, o] { OnCrosspointClicked(i, o); });
            crosspoints_[at] = crosspoint;
        }
    }

    // Spare controls: set up like the others so that their ids are taken,
    // never shown and never used.
    for (int k = 0; k < kSize; ++k)
        AddButton(this, kFirstChannelButtonId + k, tr("Channel%1").arg(kSize + 1 + k), QRect())->hide();
    for (int k = 0; k < kCells; ++k)
        AddCrosspoint(this, kFirstSpareCrosspointId + k)->hide();
}

void MatrixDialog::SetPopupOpener(PopupOpener opener)
{
    if (opener)
        openPopup_ = std::move(opener);
    else
        openPopup_ = [this](Direction direction, int channelIndex) {
            OpenLevelStrip(direction, channelIndex);
        };
}

void MatrixDialog::OpenLevelStrip(Direction direction, int channelIndex)
{
    LevelPopupDialog popup(context_, direction, channelIndex, this);
    popup.exec();
}

std::function<void(const SendOutcome&)> MatrixDialog::ReportFailure()
{
    // The answer comes back later; the dialog may be gone by then.
    return [self = QPointer<MatrixDialog>(this)](const SendOutcome& outcome) {
        if (!outcome.Confirmed() && self)
            self->context_.TellUser(msg::Text(msg::kSetMatrixError));
    };
}

void MatrixDialog::OnCrosspointClicked(int input, int output)
{
    ImageCheckButton* crosspoint = Crosspoint(input, output);
    if (!crosspoint)
        return;
    // Without a device the switch keeps the state the user gave it, and the
    // mirror is not touched.
    if (!context_.Connected())
        return;
    const int routed = crosspoint->isChecked() ? 1 : 0;
    context_.Send({{Op::MX, {input, output}, routed}}, ReportFailure());
}

void MatrixDialog::OnKnobMoved(int cell, int position)
{
    if (cell < 0 || cell >= kCells)
        return;
    // A knob that takes no input moves nothing (a disconnect in mid-drag).
    if (!context_.Model().TakesInput(Op::XG, {1 + cell / kSize, 1 + cell % kSize}))
        return;
    // Still moving: the box follows, the device hears of it at the end.
    ShowGain(cell, std::clamp(position, kGainMin, kGainMax));
}

void MatrixDialog::OnKnobFinished(int cell, int position)
{
    if (cell < 0 || cell >= kCells)
        return;
    if (!context_.Connected())
        return;
    const int gain = std::clamp(position, kGainMin, kGainMax);
    ShowGain(cell, gain);
    context_.Send({{Op::XG, {1 + cell / kSize, 1 + cell % kSize}, gain}}, ReportFailure());
}

void MatrixDialog::OnGainTyped(int cell)
{
    if (cell < 0 || cell >= kCells)
        return;
    const auto at = static_cast<std::size_t>(cell);
    bool whole = false;
    const QString typed = gainBoxes_[at]->text().trimmed();
    const int gain = typed.toInt(&whole);
    if (!whole || gain < kGainMin || gain > kGainMax) {
        // Nothing is sent; the box shows the gain it had, and the status bar why.
        context_.Model().SetNotice(
            tr("\"%1\" is no gain from %2 to %3 dB: not sent").arg(typed).arg(kGainMin).arg(kGainMax));
        ShowGain(cell, gains_[at]);
        return;
    }
    knobs_[at]->setValue(gain);
    OnKnobFinished(cell, gain);
}

void MatrixDialog::ShowGain(int cell, int gain)
{
    const auto at = static_cast<std::size_t>(cell);
    gains_[at] = gain;
    gainBoxes_[at]->setText(QString::number(gain));
}

void MatrixDialog::EnableControls(bool gains, bool switches)
{
    for (std::size_t cell = 0; cell < kCells; ++cell) {
        knobs_[cell]->setEnabled(gains);
        gainBoxes_[cell]->setEnabled(gains);
        crosspoints_[cell]->setEnabled(switches);
    }
}

void MatrixDialog::OnModelChanged(unsigned what)
{
    const PanelModel& model = context_.Model();
    // Nothing reaches a device while none is connected: greyed, showing
    // what was last read.
    if ((what & model::kLink) && !model.Connected())
        EnableControls(false, false);
    if (!(what & (model::kReadBack | model::kSettings | model::kUnknown)))
        return;
    if (!model.HasValues()) {
        // A connection whose read-back has not come yet: empty and greyed.
        EnableControls(false, false);
        for (int i = 1; i <= kSize; ++i)
            ClearRow(i);
    } else if (model.Connected()) {
        EnableControls(true, true);
        for (int i = 1; i <= kSize; ++i)
            ShowRow(i);
    }
}

void MatrixDialog::ShowRow(int input)
{
    const PanelModel& model = context_.Model();
    for (int o = 1; o <= kSize; ++o) {
        ImageCheckButton* crosspoint = Crosspoint(input, o);
        const bool routeUnknown = model.Unknown(Op::MX, {input, o});
        crosspoint->setEnabled(!routeUnknown);
        crosspoint->setChecked(!routeUnknown && model.Values().At(Op::MX, input, o) != 0);
        const int cell = Cell(input, o);
        const int gain = model.Values().At(Op::XG, input, o);
        if (model.Unknown(Op::XG, {input, o})) {
            knobs_[static_cast<std::size_t>(cell)]->setEnabled(false);
            gainBoxes_[static_cast<std::size_t>(cell)]->setText(QStringLiteral("?"));
            continue;
        }
        // A knob the user holds, or has just turned, stays where they put it.
        RoundKnob* knob = Knob(input, o);
        if (knob->isSliderDown() || knob->ChangePending())
            continue;
        knob->setValue(gain);
        ShowGain(cell, gain);
    }
}

void MatrixDialog::ClearRow(int input)
{
    for (int o = 1; o <= kSize; ++o) {
        Crosspoint(input, o)->setChecked(false);
        Knob(input, o)->setValue(0);
        gainBoxes_[static_cast<std::size_t>(Cell(input, o))]->clear();
    }
}

void MatrixDialog::RenameButtons(const QStringList& inputs, const QStringList& outputs)
{
    for (int k = 0; k < kSize; ++k) {
        if (k < inputs.size())
            inputButtons_[static_cast<std::size_t>(k)]->setText(inputs[k]);
        if (k < outputs.size())
            outputButtons_[static_cast<std::size_t>(k)]->setText(outputs[k]);
    }
}

ImageCheckButton* MatrixDialog::Crosspoint(int input, int output) const
{
    return InMatrix(input, output) ? crosspoints_[static_cast<std::size_t>(Cell(input, output))] : nullptr;
}

RoundKnob* MatrixDialog::Knob(int input, int output) const
{
    return InMatrix(input, output) ? knobs_[static_cast<std::size_t>(Cell(input, output))] : nullptr;
}

QLineEdit* MatrixDialog::GainBox(int input, int output) const
{
    return InMatrix(input, output) ? gainBoxes_[static_cast<std::size_t>(Cell(input, output))] : nullptr;
}

QPushButton* MatrixDialog::InputButton(int input) const
{
    return InMatrix(input, 1) ? inputButtons_[static_cast<std::size_t>(input - 1)] : nullptr;
}

QPushButton* MatrixDialog::OutputButton(int output) const
{
    return InMatrix(1, output) ? outputButtons_[static_cast<std::size_t>(output - 1)] : nullptr;
}

QSize MatrixDialog::BaseSize()
{
    // The controls with a margin at the right and bottom like the one at
    // their left and top.
    const QRect last = CrosspointRect(kSize, kSize);
    return QSize(last.right() + 1 + InputButtonRect(1).left(), last.bottom() + 1 + OutputButtonRect(1).top())
        .expandedTo(kClientSize);
}

QSize MatrixDialog::sizeHint() const
{
    return zoom::Scaled(BaseSize(), zoom::Of(*this));
}

void MatrixDialog::paintEvent(QPaintEvent* /*event*/)
{
    // A table behind the controls: a band per input row under the heading row
    // of output buttons, with a rule between the columns. Drawn in the form's
    // base units.
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPalette& pal = palette();
    const QColor window = pal.color(QPalette::Window);
    const bool dark = window.lightness() < 128;
    painter.fillRect(rect(), window);
    const double factor = zoom::Of(*this);
    painter.scale(factor, factor);
    const QFont base = zoom::BaseFont(*this);

    const int left = InputButtonRect(1).left() - 8;
    const int right = OutputButtonRect(kSize).right() + 9;

    // Heading and legend above the table.
    QFont heading = base;
    heading.setBold(true);
    heading.setPointSizeF(heading.pointSizeF() * 1.25);
    painter.setFont(heading);
    painter.setPen(pal.color(QPalette::WindowText));
    painter.drawText(QRect(InputButtonRect(1).left(), 16, right - left, 24), Qt::AlignLeft | Qt::AlignVCenter,
                     tr("Crosspoint matrix"));
    painter.setFont(base);
    painter.setPen(pal.color(QPalette::PlaceholderText));
    painter.drawText(QRect(InputButtonRect(1).left(), 40, right - left, 20), Qt::AlignLeft | Qt::AlignVCenter,
                     tr("A lit switch routes the input of its row to the output of its column; "
                        "the knob beside it sets that route's gain, -30 to 0 dB."));

    const QColor band = dark ? window.lighter(118) : window.darker(106);
    const QColor rule = dark ? window.lighter(150) : window.darker(125);
    painter.setPen(Qt::NoPen);
    for (int i = 1; i <= kSize; ++i) {
        const QRect row = KnobRect(i, 1);
        painter.setBrush(i % 2 ? band : band.lighter(dark ? 110 : 102));
        painter.drawRoundedRect(QRectF(left, row.top() - 6, right - left, row.height() + 12), 6, 6);
    }

    painter.setPen(QPen(rule, 1));
    const int headingBottom = OutputButtonRect(1).bottom() + 14;
    painter.drawLine(QPointF(left, headingBottom + 0.5), QPointF(right, headingBottom + 0.5));
    const int top = KnobRect(1, 1).top() - 6;
    const int bottom = KnobRect(kSize, 1).bottom() + 6;
    for (int o = 1; o < kSize; ++o) {
        const double x = (CrosspointRect(1, o).right() + GainBoxRect(1, o + 1).left()) / 2.0 + 0.5;
        painter.drawLine(QPointF(x, top + 8), QPointF(x, bottom - 8));
    }
}

}  // namespace brevant
