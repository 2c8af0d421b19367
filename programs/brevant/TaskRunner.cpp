#include "programs/brevant/TaskRunner.h"

#include <QEventLoop>
#include <QProgressDialog>
#include <QPushButton>
#include <QWidget>

namespace brevant {

namespace {

constexpr int kBusyDialogAfterMs = 500;

}  // namespace

TaskRunner::TaskRunner(QWidget* window, Tell tell, QObject* parent)
    : QObject(parent), window_(window), tell_(std::move(tell))
{
}

TaskRunner::~TaskRunner()
{
    if (worker_.joinable())
        worker_.join();
}

bool TaskRunner::Run(const QString& what, Work work, std::function<void()> after)
{
    return Start(
        what,
        [work = std::move(work)](const Report& report, const ProgressFn& progress, const std::atomic<bool>&) {
            work(report, progress);
        },
        std::move(after), false);
}

bool TaskRunner::RunCancellable(const QString& what, StoppableWork work, std::function<void()> after)
{
    return Start(what, std::move(work), std::move(after), true);
}

bool TaskRunner::Start(const QString& what, StoppableWork work, std::function<void()> after, bool cancellable)
{
    if (busy_)
        return false;
    if (worker_.joinable())
        worker_.join();
    busy_ = true;
    stop_ = false;
    after_ = std::move(after);
    {
        std::lock_guard lock(mutex_);
        texts_.clear();
    }
    if (window_) {
        dialog_ = new QProgressDialog(what, cancellable ? tr("Cancel") : QString(), 0, 0, window_);
        dialog_->setWindowModality(Qt::WindowModal);
        dialog_->setMinimumDuration(kBusyDialogAfterMs);
        dialog_->setAutoClose(false);
        dialog_->setAutoReset(false);
        connect(this, &TaskRunner::progressed, dialog_, [dialog = dialog_](int percent) {
            dialog->setMaximum(100);
            dialog->setValue(percent);
        });
        if (cancellable) {
            // Cancel asks the work to stop; the dialog stays up, saying so,
            // until the work has ended and its report can be shown.
            disconnect(dialog_, SIGNAL(canceled()), dialog_, SLOT(cancel()));
            connect(dialog_, &QProgressDialog::canceled, this, [this] {
                stop_ = true;
                dialog_->setLabelText(tr("Stopping…"));
                if (auto* button = dialog_->findChild<QPushButton*>())
                    button->setEnabled(false);
            });
        }
    }
    emit busyChanged(true, what);

    worker_ = std::thread([this, work = std::move(work)] {
        const Report report = [this](std::string_view text, std::string_view detail) {
            QString line = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
            if (!detail.empty())
                line += QStringLiteral("\n") +
                        QString::fromUtf8(detail.data(), static_cast<qsizetype>(detail.size()));
            std::lock_guard lock(mutex_);
            texts_ << line;
        };
        const ProgressFn progress = [this](int percent) {
            QMetaObject::invokeMethod(
                this, [this, percent] { emit progressed(percent); }, Qt::QueuedConnection);
        };
        work(report, progress, stop_);
        QMetaObject::invokeMethod(this, &TaskRunner::Finish, Qt::QueuedConnection);
    });
    return true;
}

void TaskRunner::Finish()
{
    if (worker_.joinable())
        worker_.join();
    // The busy window goes before any message comes up: deleted now, not
    // later, since a message box's own event loop would leave a deferred
    // delete pending and the window's show timer could still fire over it.
    delete dialog_;
    dialog_ = nullptr;
    busy_ = false;
    emit busyChanged(false, QString());
    QStringList texts;
    {
        std::lock_guard lock(mutex_);
        texts.swap(texts_);
    }
    for (const QString& text : texts) {
        if (tell_)
            tell_(text);
    }
    if (auto after = std::move(after_))
        after();
}

void TaskRunner::WaitIdle()
{
    if (!busy_)
        return;
    QEventLoop loop;
    connect(this, &TaskRunner::busyChanged, &loop, [&loop](bool busy) {
        if (!busy)
            loop.quit();
    });
    loop.exec();
}

}  // namespace brevant
