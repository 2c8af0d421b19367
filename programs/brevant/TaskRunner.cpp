#include "programs/brevant/TaskRunner.h"

#include <QEventLoop>
#include <QProgressDialog>
#include <QWidget>

namespace brevant {

namespace {

constexpr int kBusyDialogAfterMs = 500;

}  // namespace

TaskRunner::TaskRunner(QWidget* window, Tell tell, QObject* parent)
    : QObject(parent)
    , m_window(window)
    , m_tell(std::move(tell))
{
}

TaskRunner::~TaskRunner()
{
    if (m_worker.joinable())
        m_worker.join();
}

bool TaskRunner::Run(const QString& what, Work work, std::function<void()> after)
{
    if (m_busy)
        return false;
    if (m_worker.joinable())
        m_worker.join();
    m_busy = true;
    m_after = std::move(after);
    {
        std::lock_guard lock(m_mutex);
        m_texts.clear();
    }
    if (m_window) {
        m_dialog = new QProgressDialog(what, QString(), 0, 0, m_window);
        m_dialog->setWindowModality(Qt::WindowModal);
        m_dialog->setMinimumDuration(kBusyDialogAfterMs);
        m_dialog->setAutoClose(false);
        m_dialog->setAutoReset(false);
        connect(this, &TaskRunner::progressed, m_dialog, [dialog = m_dialog](int percent) {
            dialog->setMaximum(100);
            dialog->setValue(percent);
        });
    }
    emit busyChanged(true, what);

    m_worker = std::thread([this, work = std::move(work)] {
        const Report report = [this](std::string_view text, std::string_view detail) {
            QString line = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
            if (!detail.empty())
                line += QStringLiteral("\n") + QString::fromUtf8(detail.data(), static_cast<qsizetype>(detail.size()));
            std::lock_guard lock(m_mutex);
            m_texts << line;
        };
        const ProgressFn progress = [this](int percent) {
            QMetaObject::invokeMethod(this, [this, percent] { emit progressed(percent); }, Qt::QueuedConnection);
        };
        work(report, progress);
        QMetaObject::invokeMethod(this, &TaskRunner::Finish, Qt::QueuedConnection);
    });
    return true;
}

void TaskRunner::Finish()
{
    if (m_worker.joinable())
        m_worker.join();
    // The busy window goes before any message comes up: deleted now, not
    // later, since a message box's own event loop would leave a deferred
    // delete pending and the window's show timer could still fire over it.
    delete m_dialog;
    m_dialog = nullptr;
    m_busy = false;
    emit busyChanged(false, QString());
    QStringList texts;
    {
        std::lock_guard lock(m_mutex);
        texts.swap(m_texts);
    }
    for (const QString& text : texts) {
        if (m_tell)
            m_tell(text);
    }
    if (auto after = std::move(m_after))
        after();
}

void TaskRunner::WaitIdle()
{
    if (!m_busy)
        return;
    QEventLoop loop;
    connect(this, &TaskRunner::busyChanged, &loop, [&loop](bool busy) {
        if (!busy)
            loop.quit();
    });
    loop.exec();
}

}  // namespace brevant
