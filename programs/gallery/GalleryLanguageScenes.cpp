// The gallery's picture of the window in Simplified Chinese: the main window
// as it starts, with its Device menu open and the communication list shown,
// to check that every glyph is drawn and no text is cut.
#include "programs/brevant/Language.h"
#include "programs/brevant/MainWindow.h"
#include "programs/brevant/ProgramCore.h"
#include "programs/gallery/GalleryScenes.h"

#include <QDockWidget>
#include <QMenu>
#include <QMenuBar>
#include <QTemporaryDir>

#include <memory>

namespace brevant::gallery {

namespace {

constexpr QSize kWindowSize{1280, 760};

// The window with no device (an empty folder of ports), built while the
// Chinese translation is installed; the other scenes stay in English.
class ChineseWindowStage : public QWidget {
public:
    explicit ChineseWindowStage(QWidget* parent)
        : QWidget(parent), core_(PortMap::Directory(ports_.path().toStdString()), [](const QString&) {})
    {
        InstallLanguage(QStringLiteral("zh_CN"));
        window_ = std::make_unique<MainWindow>(core_, this);
        window_->setWindowFlags(Qt::Widget);  // photographed inside the stage
        window_->setGeometry(QRect(QPoint(0, 0), kWindowSize));
        if (auto* list = window_->findChild<QDockWidget*>(QStringLiteral("commLog")))
            list->show();
        window_->show();
        // The Device menu, open under its title.
        QMenu* device = window_->menuBar()->actions().constFirst()->menu();
        device->setParent(this, Qt::Widget);
        device->adjustSize();
        device->move(
            window_->menuBar()->actionGeometry(window_->menuBar()->actions().constFirst()).bottomLeft());
        device->show();
        device->raise();
        InstallLanguage(QStringLiteral("en"));
        setFixedSize(kWindowSize);
    }
    ~ChineseWindowStage() override { window_.reset(); }

private:
    QTemporaryDir ports_;
    ProgramCore core_;
    std::unique_ptr<MainWindow> window_;
};

}  // namespace

void AddLanguageScenes(std::vector<Scene>& scenes)
{
    scenes.push_back(Scene{QStringLiteral("window-zh_CN"), QStringLiteral("Languages"),
                           QStringLiteral("The window in Simplified Chinese: the Device menu open, the "
                                          "communication list shown"),
                           [](QWidget* parent) { return Stage{new ChineseWindowStage(parent)}; }});
}

}  // namespace brevant::gallery
