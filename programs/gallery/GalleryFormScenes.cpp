// The gallery's pictures of the whole form in the states a user meets first:
// before any device is connected, while a connection's read-back runs, after
// the link to one was lost (with the window's banner over the form), and
// zoomed to 150 % in a small window.
#include "programs/brevant/LostBanner.h"
#include "programs/brevant/ZoomedForm.h"
#include "programs/gallery/GalleryRig.h"
#include "programs/gallery/GalleryScenes.h"
#include "ui/form/MainForm.h"
#include "ui/panels/PanelModel.h"
#include "ui/skin/InputChannelWindow.h"
#include "ui/skin/OutputChannelWindow.h"

#include <QVBoxLayout>

namespace brevant::gallery {

namespace {

enum class FormState { NotConnected, ReadingBack, Lost };

// A K225's form in `state`, on `parent` (or parentless for a zoom).
// The form owns its rig, so the rig outlives every panel that uses it.
MainForm* MakeForm(FormState state, QWidget* parent)
{
    auto* rig = new GalleryRig(ModelFamily::K225, nullptr);
    auto* form = new MainForm(rig->Context(), parent);
    rig->setParent(form);
    if (state == FormState::NotConnected)
        return form;
    rig->FillSample();
    for (int k = 0; k < kChannels; ++k) {
        form->InputWindow(k).ShowPane(ModelFamily::K225);
        form->OutputWindow(k).ShowPane(ModelFamily::K225);
    }
    form->SetViewMode(MainForm::ViewMode::ChannelView);
    if (state == FormState::ReadingBack) {
        // Connected, the panes of the model shown, no value read yet.
        rig->Context().Model().StartConnection(ModelFamily::K225);
        rig->Context().Model().Flush();
        return form;
    }
    rig->Refresh();
    rig->Context().Model().LoseLink(3);
    rig->Context().Model().Flush();
    return form;
}

Scene FormScene(const QString& name, const QString& caption, FormState state)
{
    return Scene{name, QStringLiteral("Main form"), caption, [state](QWidget* parent) {
                     auto* stage = new QWidget(parent);
                     MainForm* form = MakeForm(state, stage);
                     form->resize(form->BaseSize());
                     stage->setFixedSize(form->BaseSize());
                     return Stage{stage};
                 }};
}

}  // namespace

void AddFormScenes(std::vector<Scene>& scenes)
{
    scenes.push_back(FormScene(QStringLiteral("form-not-connected"),
                               QStringLiteral("Before a device is connected: greyed, no values"),
                               FormState::NotConnected));
    scenes.push_back(FormScene(QStringLiteral("form-reading-back"),
                               QStringLiteral("Connected, the read-back under way: greyed and empty until "
                                              "the device's values arrive"),
                               FormState::ReadingBack));
    scenes.push_back(FormScene(QStringLiteral("form-lost"),
                               QStringLiteral("The link lost: the last values kept, greyed, meters empty"),
                               FormState::Lost));
    scenes.push_back(Scene{QStringLiteral("form-lost-banner"), QStringLiteral("Main form"),
                           QStringLiteral("The link lost, as the window shows it: the banner across the top"),
                           [](QWidget* parent) {
                               auto* stage = new QWidget(parent);
                               auto* column = new QVBoxLayout(stage);
                               column->setContentsMargins(0, 0, 0, 0);
                               column->setSpacing(0);
                               auto* banner = new LostBanner(stage);
                               banner->ShowLost(QStringLiteral("COM3"));
                               MainForm* form = MakeForm(FormState::Lost, stage);
                               form->setFixedSize(form->BaseSize());
                               column->addWidget(banner);
                               column->addWidget(form);
                               const QSize size = form->BaseSize();
                               stage->setFixedSize(size.width(), size.height() + banner->sizeHint().height());
                               return Stage{stage};
                           }});
    scenes.push_back(Scene{QStringLiteral("form-zoom150"), QStringLiteral("Main form"),
                           QStringLiteral("Zoom 150 % in a 1024 \u00d7 600 window: it scrolls"),
                           [](QWidget* parent) {
                               auto* stage = new QWidget(parent);
                               auto* zoomed = new ZoomedForm(MakeForm(FormState::Lost, nullptr), stage);
                               zoomed->SetZoom(Zoom::Percent150);
                               zoomed->setGeometry(0, 0, 1024, 600);
                               stage->setFixedSize(1024, 600);
                               return Stage{stage};
                           }});
}

}  // namespace brevant::gallery
