// The gallery's pictures of the panels, the channel panes, the popup strip
// and the matrix dialog, each showing the sample setting of GalleryRig.
#include "procedures/SoundTest.h"
#include "programs/gallery/GalleryRig.h"
#include "programs/gallery/GalleryScenes.h"
#include "ui/panels/ChannelPane.h"
#include "ui/panels/DynamicsPanel.h"
#include "ui/panels/InputFilterPanel.h"
#include "ui/panels/InputLevelPanel.h"
#include "ui/panels/LevelPopupDialog.h"
#include "ui/panels/MatrixDialog.h"
#include "ui/panels/OutputFilterPanel.h"
#include "ui/panels/OutputLevelPanel.h"
#include "ui/skin/InputChannelWindow.h"
#include "ui/skin/OutputChannelWindow.h"
#include "ui/soundtest/SoundTestDialog.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QResizeEvent>
#include <QTimer>
#include <QToolTip>

#include <algorithm>
#include <cmath>

namespace brevant::gallery {

namespace {

// A pane of `kind` for channel `k`: the panel picked by `pick` alone, or the
// whole pane when `pick` is null.
using Pick = QWidget* (*)(ChannelPane&);

Scene PaneScene(const QString& name, const QString& group, const QString& caption, int kind, int k, Pick pick)
{
    return Scene{name, group, caption, [kind, k, pick](QWidget* parent) {
                     auto* stage = new QWidget(parent);
                     // Kinds 1 and 3 are a K225's panes, 2 and 4 a K217's.
                     const ModelFamily family = kind % 2 == 1 ? ModelFamily::K225 : ModelFamily::K217K218;
                     auto* rig = new GalleryRig(family, stage);
                     auto* pane = new ChannelPane(rig->Context(), kind, k, 1, stage);
                     pane->setFixedWidth(110);
                     pane->adjustSize();
                     rig->Refresh();
                     if (!pick) {
                         stage->setFixedSize(pane->size());
                         return Stage{stage};
                     }
                     QWidget* panel = pick(*pane);
                     panel->setParent(stage);
                     panel->move(0, 0);
                     panel->show();
                     pane->hide();
                     stage->setFixedSize(panel->size());
                     return Stage{stage};
                 }};
}

QWidget* InputLevel(ChannelPane& pane)
{
    return pane.InputLevel();
}
QWidget* InputFilter(ChannelPane& pane)
{
    return pane.InputFilter();
}
QWidget* Dynamics(ChannelPane& pane)
{
    return pane.Dynamics();
}
QWidget* OutputLevel(ChannelPane& pane)
{
    return pane.OutputLevel();
}
QWidget* OutputFilter(ChannelPane& pane)
{
    pane.OutputFilter()->resize(120, 100);
    return pane.OutputFilter();
}

// The output level panel with the range hint its low-pass box shows on
// hover: the box's own tooltip text, drawn as the tooltip draws it, just
// below the box.
Scene RangeHintScene()
{
    return Scene{"panel-output-level-range-hint", "Panels", "Output level, the low-pass box's range hint",
                 [](QWidget* parent) {
                     auto* stage = new QWidget(parent);
                     auto* rig = new GalleryRig(ModelFamily::K225, stage);
                     auto* pane = new ChannelPane(rig->Context(), 3, 3, 1, stage);
                     pane->setFixedWidth(110);
                     pane->adjustSize();
                     rig->Refresh();
                     OutputLevelPanel* panel = pane->OutputLevel();
                     panel->setParent(stage);
                     panel->move(0, 0);
                     panel->show();
                     pane->hide();
                     // Lays the rows out now, not when the stage is shown, so
                     // the box's place is known.
                     QResizeEvent layout(panel->size(), panel->size());
                     QCoreApplication::sendEvent(panel, &layout);
                     const QLineEdit& box = panel->LowpassEdit();
                     auto* tip = new QLabel(box.toolTip(), stage);
                     tip->setPalette(QToolTip::palette());
                     tip->setFont(QToolTip::font());
                     tip->setAutoFillBackground(true);
                     tip->setFrameStyle(QFrame::Box | QFrame::Plain);
                     tip->setMargin(2);
                     tip->adjustSize();
                     tip->move(box.geometry().left() + 12, box.geometry().bottom() + 4);
                     tip->raise();
                     stage->setFixedSize(std::max(panel->width(), tip->geometry().right() + 1),
                                         panel->height());
                     return Stage{stage};
                 }};
}

Scene PopupScene(Direction direction, int k)
{
    const bool input = direction == Direction::Input;
    return Scene{
        QStringLiteral("popup-%1").arg(input ? QStringLiteral("input") : QStringLiteral("output")),
        QStringLiteral("Popup level strip"),
        QStringLiteral("%1 %2").arg(input ? QStringLiteral("Input") : QStringLiteral("Output")).arg(k + 1),
        [direction, k](QWidget* parent) {
            auto* stage = new QWidget(parent);
            auto* rig = new GalleryRig(ModelFamily::K225, stage);
            auto* popup = new LevelPopupDialog(rig->Context(), direction, k, stage);
            popup->setWindowFlags(Qt::Widget);  // photographed inside the stage
            popup->move(0, 0);
            popup->show();
            stage->setFixedSize(popup->size());
            return Stage{stage};
        }};
}

Scene WindowScene(Direction direction, ModelFamily family, int k)
{
    const bool input = direction == Direction::Input;
    const QString what = input ? QStringLiteral("input") : QStringLiteral("output");
    return Scene{QStringLiteral("window-%1-family%2").arg(what).arg(FamilyNumber(family)),
                 QStringLiteral("Channel windows"),
                 QStringLiteral("%1 %2, family %3")
                     .arg(input ? "Input" : "Output")
                     .arg(k + 1)
                     .arg(FamilyNumber(family)),
                 [direction, family, k](QWidget* parent) {
                     auto* stage = new QWidget(parent);
                     auto* rig = new GalleryRig(family, stage);
                     ChannelWindow* window = direction == Direction::Input
                                                 ? static_cast<ChannelWindow*>(
                                                       new InputChannelWindow(rig->Context(), k, 1, stage))
                                                 : new OutputChannelWindow(rig->Context(), k, 1, stage);
                     window->SetChannelName(
                         QStringLiteral("%1%2").arg(direction == Direction::Input ? "In" : "Out").arg(k + 1));
                     window->ShowPane(family);
                     window->ShowChannel();
                     rig->Refresh();
                     stage->setFixedSize(window->size());
                     return Stage{stage};
                 }};
}

// A measured room for the sound test picture: a gently rolling response
// over a flat noise floor.
ResultCurves SampleResult()
{
    ResultCurves curves;
    for (int k = 0; k < kResultPoints; ++k) {
        const double frequency = ResultFrequency(k);
        const double octave = std::log2(frequency / 1000.0);
        const auto at = static_cast<std::size_t>(k);
        curves.d[at] =
            static_cast<int>(std::round(4.0 * std::sin(1.3 * octave) - 8.0 * std::exp(-frequency / 120.0)));
        curves.e[at] = static_cast<int>(std::round(-40.0 + 2.0 * std::cos(2.1 * octave)));
    }
    return curves;
}

Scene SoundTestScene(bool withResult)
{
    return Scene{withResult ? QStringLiteral("soundtest-result") : QStringLiteral("soundtest"),
                 QStringLiteral("Sound test"),
                 withResult ? QStringLiteral("Channel 2, three points, result plotted")
                            : QStringLiteral("Channel 2, three points, before the result"),
                 [withResult](QWidget* parent) {
                     auto* stage = new QWidget(parent);
                     auto* rig = new GalleryRig(ModelFamily::K225, stage);
                     DeviceParams& p = rig->Mirror();
                     p.SM = 1;
                     p.CN = 2;
                     p.CP = 3;
                     p.CT = 3;
                     p.CNValid = 1;
                     p.CPValid = 1;
                     p.CTValid = 1;
                     rig->Refresh();  // the model knows the family: the channel list names its inputs
                     auto* dialog = new SoundTestDialog(rig->Context(), stage);
                     dialog->setWindowFlags(Qt::Widget);  // photographed inside the stage
                     dialog->adjustSize();
                     dialog->move(0, 0);
                     dialog->show();
                     // Showing starts a run, which clears the graph: the picture's state goes in after it.
                     QTimer::singleShot(0, dialog, [dialog, withResult] {
                         dialog->RefreshMonitor();
                         if (withResult) {
                             // As the device's settings will select it, so the title names it.
                             dialog->ChannelList().setCurrentIndex(1);
                             dialog->PlotResults(SampleResult());
                         }
                     });
                     stage->setFixedSize(dialog->size());
                     return Stage{stage};
                 }};
}

}  // namespace

void AddPanelScenes(std::vector<Scene>& scenes)
{
    const QString panels = QStringLiteral("Panels");
    scenes.push_back(PaneScene("panel-input-level", panels, "Input level, first pane", 1, 1, &InputLevel));
    scenes.push_back(PaneScene("panel-input-level-echo", panels, "Input level, second pane with ERLE and ERL",
                               2, 1, &InputLevel));
    scenes.push_back(PaneScene("panel-input-filter", panels, "Input filter", 1, 3, &InputFilter));
    scenes.push_back(PaneScene("panel-dynamics", panels, "Dynamics, first pane", 1, 2, &Dynamics));
    scenes.push_back(
        PaneScene("panel-dynamics-aec", panels, "Dynamics, second pane with AEC", 2, 2, &Dynamics));
    scenes.push_back(
        PaneScene("panel-output-level", panels, "Output level with delay and limits", 3, 3, &OutputLevel));
    scenes.push_back(RangeHintScene());
    scenes.push_back(PaneScene("panel-output-filter", panels, "Output filter", 3, 0, &OutputFilter));

    const QString panes = QStringLiteral("Channel panes");
    scenes.push_back(PaneScene("pane-kind1", panes, "Input, first pane, channel 2", 1, 1, nullptr));
    scenes.push_back(PaneScene("pane-kind2-first", panes, "Input, second pane, channel 1", 2, 0, nullptr));
    scenes.push_back(PaneScene("pane-kind2", panes, "Input, second pane, channel 3", 2, 2, nullptr));
    scenes.push_back(PaneScene("pane-kind3", panes, "Output, first pane, channel 4", 3, 3, nullptr));
    scenes.push_back(PaneScene("pane-kind4-first", panes, "Output, second pane, channel 1", 4, 0, nullptr));

    for (ModelFamily family : {ModelFamily::K225, ModelFamily::K217K218}) {
        scenes.push_back(WindowScene(Direction::Input, family, 1));
        scenes.push_back(WindowScene(Direction::Output, family, 2));
    }

    scenes.push_back(PopupScene(Direction::Input, 1));
    scenes.push_back(PopupScene(Direction::Output, 2));

    scenes.push_back(SoundTestScene(false));
    scenes.push_back(SoundTestScene(true));

    scenes.push_back(Scene{"matrix", "Matrix", "Crosspoints and gains", [](QWidget* parent) {
                               auto* stage = new QWidget(parent);
                               auto* rig = new GalleryRig(ModelFamily::K225, stage);
                               auto* matrix = new MatrixDialog(rig->Context(), stage);
                               matrix->setWindowFlags(Qt::Widget);
                               rig->Refresh();
                               matrix->move(0, 0);
                               matrix->show();
                               stage->setFixedSize(matrix->size());
                               return Stage{stage};
                           }});
}

}  // namespace brevant::gallery
