#include "ui/form/MainForm.h"

#include "ui/panels/PanelModel.h"

#include <QLabel>

#include "ui/controls/FormZoom.h"
#include "ui/controls/ImageCheckButton.h"
#include "ui/controls/LevelMeter.h"
#include "ui/panels/ControlPanel.h"
#include "ui/panels/MatrixDialog.h"
#include "ui/res/ResourceRegistry.h"
#include "ui/skin/InputChannelWindow.h"
#include "ui/skin/OutputChannelWindow.h"

namespace brevant {

namespace {

constexpr int kCheckTop = 28;
constexpr QSize kCheckSize{90, 20};
constexpr int kGroupX = 412;
constexpr int kInputX = 532;
constexpr int kOutputX = 667;
constexpr QRect kProgressPlace{50, 550, 500, 50};
constexpr QRect kHintPlace{8, 620, 600, 30};
// Where the windows stand before the first layout: the outputs far right.
constexpr int kFirstOutputX = 960;

}  // namespace

std::array<QString, 8> MainForm::ChannelNames(ModelFamily family)
{
    if (family == ModelFamily::K217K218)
        return {tr("VCSIn"),  tr("Input%1").arg(1),  tr("Input%1").arg(2),  tr("Input%1").arg(3),
                tr("VCSOut"), tr("Output%1").arg(1), tr("Output%1").arg(2), tr("Output%1").arg(3)};
    return {tr("Input%1").arg(1),  tr("Input%1").arg(2),  tr("Input%1").arg(3),  tr("Input%1").arg(4),
            tr("Output%1").arg(1), tr("Output%1").arg(2), tr("Output%1").arg(3), tr("Output%1").arg(4)};
}

int MainForm::ChannelX(int window)
{
    // Inputs right to left from x 360, outputs left to right from x 480.
    return window < kChannels ? (kChannels - 1 - window) * kWindowWidth : window * kWindowWidth;
}

MainForm::MainForm(PanelContext& context, QWidget* parent) : QWidget(parent), context_(context)
{
    // The progress bar of the firmware upgrade, hidden until one runs.
    progress_ = new LevelMeter(kProgressId, Qt::Horizontal, this);
    TagControl(progress_, kProgressId);
    progress_->SetLimits(0, 100);
    progress_->SetValue(0);
    progress_->SetTooltipText(tr("Percent"), true);
    progress_->SetUnitText(QStringLiteral("%"));
    progress_->SetDisplayOffset(0);
    progress_->hide();

    // Until a device is connected the panels are greyed; this says why.
    hint_ = new QLabel(tr("Not connected \u2014 Device > Connect (Ctrl+K)"), this);
    hint_->setObjectName(QStringLiteral("notConnectedHint"));
    QFont bigger = hint_->font();
    bigger.setPointSizeF(bigger.pointSizeF() * 1.3);
    bigger.setBold(true);
    hint_->setFont(bigger);
    zoom::Place(*hint_, kHintPlace);
    connect(&context.Model(), &PanelModel::changed, this, &MainForm::OnModelChanged);

    for (int k = 0; k < kChannels; ++k) {
        auto* window = new InputChannelWindow(context, k, 1, this);
        window->SetChannelName(tr("Input%1").arg(k + 1));
        window->HideChannel();
        inputs_[static_cast<std::size_t>(k)] = window;
    }
    for (int k = 0; k < kChannels; ++k) {
        auto* window = new OutputChannelWindow(context, k, 1, this);
        window->SetChannelName(tr("Output%1").arg(k + 1));
        window->HideChannel();
        outputs_[static_cast<std::size_t>(k)] = window;
    }
    matrix_ = new MatrixDialog(context, this);
    matrix_->setWindowFlags(Qt::Widget);
    matrix_->hide();
    blank_ = new QWidget(this);
    blank_->hide();

    for (int k = 0; k < kChannels; ++k) {
        zoom::Place(*inputs_[static_cast<std::size_t>(k)], (kChannels - 1 - k) * kWindowWidth, kWindowTop,
                    kWindowWidth, kWindowHeight);
        inputs_[static_cast<std::size_t>(k)]->ShowChannel();
    }
    for (int k = 0; k < kChannels; ++k) {
        zoom::Place(*outputs_[static_cast<std::size_t>(k)], kFirstOutputX + k * kWindowWidth, kWindowTop,
                    kWindowWidth, kWindowHeight);
        outputs_[static_cast<std::size_t>(k)]->ShowChannel();
    }

    const auto check = [this](int id, const QString& caption, int x, bool checked) {
        auto* box = new ImageCheckButton(id, caption, this);
        TagControl(box, id);
        box->LoadImages(res::kCheckOn, res::kCheckOff);
        box->setChecked(checked);
        zoom::Place(*box, QRect(QPoint(x, kCheckTop), kCheckSize));
        return box;
    };
    group_ = check(kGroupId, tr("Group"), kGroupX, false);
    input_ = check(kInputId, tr("Input"), kInputX, true);
    output_ = check(kOutputId, tr("Output"), kOutputX, true);
    connect(group_, &ImageCheckButton::clicked, this, &MainForm::OnGroupCheck);
    connect(input_, &ImageCheckButton::clicked, this, &MainForm::OnInputCheck);
    connect(output_, &ImageCheckButton::clicked, this, &MainForm::OnOutputCheck);

    SetViewMode(ViewMode::ChannelView);

    viewReady_ = true;
    layoutPending_ = true;
}

MainForm::~MainForm() = default;

void MainForm::OnModelChanged(unsigned what)
{
    const PanelModel& model = context_.Model();
    if (what & model::kLink)
        hint_->setVisible(model.Link() == LinkState::Disconnected);
    // A connection to a known family shows that family's panes, names and places.
    const ModelFamily family = model.Family();
    if (!(what & model::kPanes) || family == ModelFamily::Unknown)
        return;
    for (int k = 0; k < kChannels; ++k) {
        inputs_[static_cast<std::size_t>(k)]->ShowPane(family);
        outputs_[static_cast<std::size_t>(k)]->ShowPane(family);
    }
    if (mode_ == ViewMode::ChannelView)
        PlaceChannels();
}

void MainForm::ShowInputs(bool shown)
{
    for (InputChannelWindow* window : inputs_)
        shown ? window->ShowChannel() : window->HideChannel();
}

void MainForm::ShowOutputs(bool shown)
{
    for (OutputChannelWindow* window : outputs_)
        shown ? window->ShowChannel() : window->HideChannel();
}

ModelFamily MainForm::Family() const
{
    // Before any connection the form is laid out as for a K225.
    const PanelModel& model = context_.Model();
    return model.Family() == ModelFamily::Unknown && model.Link() == LinkState::Disconnected
               ? ModelFamily::K225
               : model.Family();
}

void MainForm::PlaceChannels()
{
    const ModelFamily family = Family();
    if (family == ModelFamily::Unknown)
        return;
    const std::array<QString, 8> names = ChannelNames(family);
    for (int w = 0; w < 2 * kChannels; ++w) {
        ChannelWindow* window = w < kChannels
                                    ? static_cast<ChannelWindow*>(inputs_[static_cast<std::size_t>(w)])
                                    : outputs_[static_cast<std::size_t>(w - kChannels)];
        window->SetChannelName(names[static_cast<std::size_t>(w)]);
        zoom::Place(*window, ChannelX(w), kWindowTop, kWindowWidth, kWindowHeight);
    }
    matrix_->RenameButtons({names[0], names[1], names[2], names[3]},
                           {names[4], names[5], names[6], names[7]});
}

void MainForm::SetViewMode(ViewMode mode)
{
    mode_ = mode;
    const bool channels = mode == ViewMode::ChannelView;
    ShowInputs(channels);
    ShowOutputs(channels);
    for (ImageCheckButton* box : {group_, input_, output_})
        box->setVisible(channels);
    matrix_->setVisible(mode == ViewMode::MatrixView);
    blank_->hide();
    if (channels)
        PlaceChannels();
    zoom::Place(*progress_, kProgressPlace);
    // The channel view reaches down to the hint under the progress bar; the
    // matrix takes as much room as its controls, and a margin like its left one.
    const QSize size = channels ? QSize(ChannelX(2 * kChannels - 1) + kWindowWidth, kHintPlace.bottom() + 1)
                                : matrix_->BaseSize().expandedTo(QSize(600, 600));
    if (size != baseSize_) {
        baseSize_ = size;
        emit formSizeChanged();
    }
}

void MainForm::OnGroupCheck()
{
    context_.Model().SetGroup(group_->isChecked());
}

void MainForm::OnInputCheck()
{
    const bool known = Family() != ModelFamily::Unknown;
    if (input_->isChecked()) {
        ShowInputs(true);
        if (known)
            PlaceChannels();
        return;
    }
    ShowInputs(false);
    // Without the inputs the outputs move to the left edge.
    if (known) {
        for (int k = 0; k < kChannels; ++k)
            zoom::Place(*outputs_[static_cast<std::size_t>(k)], k * kWindowWidth, kWindowTop, kWindowWidth,
                        kWindowHeight);
    }
}

void MainForm::OnOutputCheck()
{
    ShowOutputs(output_->isChecked());
}

void MainForm::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!layoutPending_)
        return;
    // Once shown, the form is laid out once more, the matrix's size included.
    layoutPending_ = false;
    SetViewMode(ViewMode::MatrixView);
    SetViewMode(ViewMode::ChannelView);
}

void MainForm::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (!viewReady_)
        return;
    blank_->setGeometry(rect());
    matrix_->setGeometry(rect());
}

}  // namespace brevant
