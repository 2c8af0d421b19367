// Runs the long device commands (Connect with its scan, Disconnect, the
// preset upload, SaveDevice, the firmware upgrade) on a worker thread, one
// at a time, so the window keeps answering. What the command reports is
// gathered and shown when it ends; its progress, if it has any, and a busy
// dialog for work that lasts over half a second are shown meanwhile. Work
// that can stop part-way gets a Cancel button in that dialog.
//
// UI thread only; the work runs on the runner's worker thread.
#pragma once

#include "procedures/FirmwareTransfer.h"
#include "procedures/Messages.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>
#include <mutex>
#include <thread>

class QProgressDialog;
class QWidget;

namespace brevant {

class TaskRunner : public QObject {
    Q_OBJECT
public:
    // `report` gathers texts for the end; `progress` (0..100) moves the bar.
    using Work = std::function<void(const Report& report, const ProgressFn& progress)>;
    // The same, told by `stop` that the user cancelled it.
    using StoppableWork =
        std::function<void(const Report& report, const ProgressFn& progress, const std::atomic<bool>& stop)>;
    using Tell = std::function<void(const QString& text)>;

    TaskRunner(QWidget* window, Tell tell, QObject* parent = nullptr);
    ~TaskRunner() override;  // waits for the work in hand

    // Starts `work`; refused (false) while another runs. `after` runs on the
    // UI thread once the texts have been shown.
    bool Run(const QString& what, Work work, std::function<void()> after = {});
    // Run, with a Cancel button in the busy dialog that sets the work's `stop`.
    bool RunCancellable(const QString& what, StoppableWork work, std::function<void()> after = {});
    bool Busy() const { return busy_; }
    // Waits (running the event loop) until no work runs; for tests and shutdown.
    void WaitIdle();

signals:
    void busyChanged(bool busy, const QString& what);
    void progressed(int percent);

private:
    bool Start(const QString& what, StoppableWork work, std::function<void()> after, bool cancellable);
    void Finish();

    QWidget* window_;
    Tell tell_;
    bool busy_ = false;
    std::atomic<bool> stop_{false};
    std::thread worker_;
    std::mutex mutex_;
    QStringList texts_;
    std::function<void()> after_;
    QProgressDialog* dialog_ = nullptr;
};

}  // namespace brevant
