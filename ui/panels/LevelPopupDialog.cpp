#include "ui/panels/LevelPopupDialog.h"

#include "ui/controls/ImageCheckButton.h"
#include "ui/look/VisualManager.h"
#include "ui/panels/ControlPanel.h"
#include "ui/res/ResourceRegistry.h"

#include <QPainter>

namespace brevant {

namespace {

constexpr QSize kClientSize{180, 300};

GainScale ScaleFor(Direction direction)
{
    return direction == Direction::Input ? kPopupInputScale : kOutputScale;
}

}  // namespace

LevelPopupDialog::LevelPopupDialog(PanelContext& context, Direction direction, int channelIndex,
                                   QWidget* parent)
    : QDialog(parent), context_(context), direction_(direction), channelIndex_(channelIndex),
      strip_(this, ScaleFor(direction), ScaleFor(direction).maxPosition,
             DbText(ScaleFor(direction).GainAt(ScaleFor(direction).maxPosition))),
      mute_(new ImageCheckButton(kMuteId, tr("Mute"), this))
{
    const int n = channelIndex + 1;
    setWindowTitle((IsInput() ? tr("Input%1") : tr("Output%1")).arg(n));
    setModal(true);
    setFixedSize(kClientSize);
    background_ = QPixmap::fromImage(res::Bitmap(res::kInputPanelBackground, devicePixelRatioF()));
    // The popup has the 2007 look of its own, with light text on the dark
    // strip artwork; the program's look stays as it is.
    QPalette onArtwork =
        VisualManager::PaletteFor(VisualManager::Look::Modern2007, VisualManager::Shade::Light);
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::ButtonText, QPalette::Text})
        onArtwork.setColor(role, QColor(0xE8, 0xEC, 0xF0));
    setPalette(onArtwork);

    TagControl(mute_, kMuteId);
    strip_.Name(direction, n);
    mute_->setAccessibleName(ControlName(direction, n, mute_->text()));
    mute_->LoadImages(res::kCheckOn, res::kCheckOff);

    // The strip opens on what the model shows for this channel.
    const PanelModel& model = context.Model();
    const ShownValues& v = model.Values();
    if (IsChannel(n)) {
        if (model.MetersLive())
            strip_.ShowReading(IsInput() ? v.At(Op::ML, n) : v.At(Op::OL, n));
        else
            strip_.ShowNoReading();
        gainDb_ = IsInput() ? v.At(Op::MG, n) : v.At(Op::OV, n);
        strip_.SetGain(gainDb_);
        if (!model.HasValues())
            strip_.ShowNoGain(QString());
        mute_->setChecked((IsInput() ? v.At(Op::MM, n) : v.At(Op::OM, n)) != 0);
    }
    EnableFromModel();

    strip_.Place(QRect(20, 16, 100, 240));
    mute_->setGeometry(40, 266, 100, 20);

    connect(&strip_, &GainStrip::gainChosen, this, &LevelPopupDialog::SendGain);
    connect(mute_, &ImageCheckButton::clicked, this, &LevelPopupDialog::OnMuteClicked);
    connect(&context.Model(), &PanelModel::changed, this, &LevelPopupDialog::OnModelChanged);
}

LevelPopupDialog::~LevelPopupDialog() = default;

void LevelPopupDialog::SendGain(int gain)
{
    if (!context_.Connected())
        return;
    gainDb_ = gain;
    context_.Send({{IsInput() ? Op::MG : Op::OV, {channelIndex_ + 1}, gain}});
}

void LevelPopupDialog::OnMuteClicked()
{
    context_.Send({{IsInput() ? Op::MM : Op::OM, {channelIndex_ + 1}, mute_->isChecked() ? 1 : 0}});
}

void LevelPopupDialog::EnableFromModel()
{
    // The strip takes input only while the model holds the device's values.
    const PanelModel& model = context_.Model();
    const int n = channelIndex_ + 1;
    strip_.Fader().setEnabled(model.TakesInput(IsInput() ? Op::MG : Op::OV, {n}));
    mute_->setEnabled(model.TakesInput(IsInput() ? Op::MM : Op::OM, {n}));
}

void LevelPopupDialog::OnModelChanged(unsigned what)
{
    const PanelModel& model = context_.Model();
    const int n = channelIndex_ + 1;
    if (!IsChannel(n))
        return;
    EnableFromModel();
    if (!model.MetersLive())
        strip_.ShowNoReading();
    if (!model.Connected())
        return;
    if (!(what & (model::kReadBack | model::kPoll | model::kSettings)))
        return;
    const ShownValues& v = model.Values();
    if (model.MetersLive())
        strip_.ShowReading(IsInput() ? v.At(Op::ML, n) : v.At(Op::OL, n));
    if (!model.HasValues())
        return;
    gainDb_ = IsInput() ? v.At(Op::MG, n) : v.At(Op::OV, n);
    mute_->setChecked((IsInput() ? v.At(Op::MM, n) : v.At(Op::OM, n)) != 0);
}

void LevelPopupDialog::paintEvent(QPaintEvent* /*event*/)
{
    if (background_.devicePixelRatio() != devicePixelRatioF())
        background_ = QPixmap::fromImage(res::Bitmap(res::kInputPanelBackground, devicePixelRatioF()));
    QPainter painter(this);
    painter.drawTiledPixmap(rect(), background_);
}

}  // namespace brevant
