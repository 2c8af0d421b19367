// The gallery's pictures in Simplified Chinese: the main window as it starts,
// with its Device menu open and the communication list shown, and two of the
// other scenes, to check that every glyph is drawn and no text is cut. Each
// is built and photographed with the Chinese translation installed.
#include "programs/brevant/MainWindow.h"
#include "programs/brevant/ProgramCore.h"
#include "programs/gallery/GalleryScenes.h"

#include <QDockWidget>
#include <QMenu>
#include <QMenuBar>
#include <QTemporaryDir>

#include <algorithm>
#include <memory>

namespace brevant::gallery {

namespace {

constexpr QSize kWindowSize{1280, 760};
const QString kChinese = QStringLiteral("zh_CN");

// The window with no device (an empty folder of ports).
class WindowStage : public QWidget {
public:
    explicit WindowStage(QWidget* parent)
        : QWidget(parent), core_(PortMap::Directory(ports_.path().toStdString()), [](const QString&) {})
    {
        window_ = std::make_unique<MainWindow>(core_, this);
        window_->setWindowFlags(Qt::Widget);  // photographed inside the stage
        window_->setGeometry(QRect(QPoint(0, 0), kWindowSize));
        if (auto* list = window_->findChild<QDockWidget*>(QStringLiteral("commLog")))
            list->show();
        window_->show();
        // The Device menu, open under its title.
        QAction* title = window_->menuBar()->actions().constFirst();
        QMenu* device = title->menu();
        device->setParent(this, Qt::Widget);
        device->adjustSize();
        device->move(window_->menuBar()->actionGeometry(title).bottomLeft());
        device->show();
        device->raise();
        setFixedSize(kWindowSize);
    }
    ~WindowStage() override { window_.reset(); }
    WindowStage(const WindowStage&) = delete;
    WindowStage& operator=(const WindowStage&) = delete;

private:
    QTemporaryDir ports_;
    ProgramCore core_;
    std::unique_ptr<MainWindow> window_;
};

}  // namespace

void AddLanguageScenes(std::vector<Scene>& scenes)
{
    const QString group = QStringLiteral("Languages");
    std::vector<Scene> chinese{Scene{QStringLiteral("window-zh_CN"), group,
                                     QStringLiteral("The window in Simplified Chinese: the Device menu open, "
                                                    "the communication list shown"),
                                     [](QWidget* parent) { return Stage{new WindowStage(parent)}; },
                                     kChinese}};
    // Two of the scenes before, with the texts that fill them most.
    for (const QString& name : {QStringLiteral("connect-to"), QStringLiteral("form-lost-banner")}) {
        const auto found = std::find_if(scenes.begin(), scenes.end(),
                                        [&name](const Scene& scene) { return scene.name == name; });
        if (found != scenes.end())
            chinese.push_back(Scene{found->name + QStringLiteral("-zh_CN"), group,
                                    found->caption + QStringLiteral(", in Simplified Chinese"), found->build,
                                    kChinese});
    }
    scenes.insert(scenes.end(), chinese.begin(), chinese.end());
}

}  // namespace brevant::gallery
