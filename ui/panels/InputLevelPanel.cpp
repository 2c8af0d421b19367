#include "ui/panels/InputLevelPanel.h"

#include "ui/controls/FormZoom.h"

#include "ui/controls/ImageCheckButton.h"

namespace brevant {

namespace {

constexpr int kMargin = 4;
constexpr int kCheckHeight = 18;
constexpr int kEchoMeterWidth = 12;

}  // namespace

InputLevelPanel::InputLevelPanel(PanelContext& context, int channelIndex_, ModelFamily paneFamily_,
                                 QWidget* parent)
    : LevelPanel(context, Direction::Input, channelIndex_, paneFamily_, kInputPanelScale, QString(), parent),
      priority_(AddCheck(kPriorityId, tr("Priority"))), erle_(new LevelMeter(kErleId, Qt::Vertical, this)),
      erl_(new LevelMeter(kErlId, Qt::Vertical, this))
{
    // The hidden trackbar starts one step above the fader, as the panel
    // always has; the first refresh brings both to the device's gain.
    Strip().Trackbar().setValue(47);
    SetUpEchoMeter(*erle_, QStringLiteral("ERLE"));
    SetUpEchoMeter(*erl_, QStringLiteral("ERL"));
    erle_->setAccessibleName(ControlName(Direction::Input, Channel(), QStringLiteral("ERLE")));
    erl_->setAccessibleName(ControlName(Direction::Input, Channel(), QStringLiteral("ERL")));
    NameChecks(Direction::Input);

    // Channel 0 of the second pane is the reduced channel: its level strip only.
    const bool reducedChannel = paneFamily == ModelFamily::K217K218 && channelIndex == 0;
    erle_->setVisible(HasHere(Op::ME));
    erl_->setVisible(HasHere(Op::MS));
    Mute().setVisible(!reducedChannel);
    priority_->setVisible(!reducedChannel);

    connect(priority_, &ImageCheckButton::clicked, this, &InputLevelPanel::OnPriorityClicked);
    connect(&context.Model(), &PanelModel::changed, this, &InputLevelPanel::OnModelChanged);
    resize(100, 150);
}

InputLevelPanel::~InputLevelPanel() = default;

void InputLevelPanel::resizeEvent(QResizeEvent* /*event*/)
{
    const QSize base = zoom::BaseSize(*this);
    // Fader and meters take the height left above the check buttons; the
    // echo meters stand to the right of the signal meter.
    const bool checks = Mute().isVisibleTo(this);
    const int bottom = base.height() - kMargin - (checks ? kCheckHeight * 2 + 2 : 0);
    const bool echo = erle_->isVisibleTo(this);
    const int stripWidth = echo ? base.width() - 2 * (kEchoMeterWidth + 3) - kMargin : base.width();
    Strip().Place(QRect(0, kMargin, stripWidth, bottom - kMargin));
    const QRect meter = zoom::PlacedAt(Strip().Meter());
    zoom::Place(*erle_, meter.right() + 5, meter.top(), kEchoMeterWidth, meter.height());
    zoom::Place(*erl_, meter.right() + 5 + kEchoMeterWidth + 3, meter.top(), kEchoMeterWidth, meter.height());
    zoom::Place(Mute(), kMargin + 8, bottom + 1, base.width() - 2 * kMargin - 8, kCheckHeight);
    zoom::Place(*priority_, kMargin + 8, bottom + 1 + kCheckHeight, base.width() - 2 * kMargin - 8,
                kCheckHeight);
}

void InputLevelPanel::OnPriorityClicked()
{
    // Priority names one channel; checking it here does not clear the
    // others' buttons, the next refresh from the device does.
    const int value = priority_->isChecked() ? channelIndex + 1 : 0;
    Context().Send({{Op::MP, {5}, value}});
}

void InputLevelPanel::OnModelChanged(unsigned what)
{
    if (!Live())
        return;
    const PanelModel& model = Context().Model();
    const ShownValues& v = model.Values();
    const int n = Channel();
    // Channel 0 of the second pane has nothing but its level strip.
    const bool reduced = paneFamily == ModelFamily::K217K218 && channelIndex == 0;
    // A read-back, a user change or a newly unknown setting shows every
    // setting, faders included; a polling pass leaves the fader alone.
    const bool settings = what & (model::kReadBack | model::kSettings | model::kUnknown);
    if (settings || (what & model::kPoll)) {
        ShowLevel(settings);
        if (!reduced)
            ShowSwitch(Mute(), v.At(Op::MM, n) != 0, UnknownHere(Op::MM));
        // MP names the one input that has priority; 0 names none. Anything
        // else is not a channel and leaves the button as it is.
        if (v.At(Op::MP) >= 0 && v.At(Op::MP) <= kChannels)
            ShowSwitch(*priority_, v.At(Op::MP) == Channel(), !model.Holds(Op::MP, {5}));
        if (model.Connected() && (what & model::kPoll)) {
            if (HasHere(Op::ME))
                erle_->SetValue(v.At(Op::ME, n));
            if (HasHere(Op::MS))
                erl_->SetValue(v.At(Op::MS, n));
        }
    }
    if ((what & model::kLink) && !model.MetersLive()) {
        EmptyMeter();
        erle_->SetValue(0);
        erl_->SetValue(0);
    }
}

}  // namespace brevant
