// The communication list of the main window: the selected replies the link
// logs (sequence text, port name, reply) in a report-style table of three
// columns, "序号", "串口号" and "内容". It follows the log as entries arrive
// from any thread; a burst of entries costs one refresh.
//
// The view takes the log's one observer hook while it lives and removes it
// when destroyed.
//
// Thread-safety: a widget, for the UI thread only; the log may be filled
// from any thread.
#pragma once

#include "core/CommLog.h"
#include "ui/views/CoalescedRefresh.h"

#include <QTableWidget>

namespace brevant {

class CommLogView : public QTableWidget {
    Q_OBJECT

public:
    static constexpr int kSequenceWidth = 50;
    static constexpr int kPortWidth = 100;
    static constexpr int kContentWidth = 500;

    explicit CommLogView(CommLog& log, QWidget* parent = nullptr);
    ~CommLogView() override;

    // Shows the log's entries now.
    void Refresh();
    // Whether anyone can see the view: one that is not shown is not told of
    // the traffic and skips the refreshes (they cost the UI thread for
    // nothing); it catches up when shown again.
    void SetShown(bool shown);
    // How many refreshes have run: bursts of entries fold into one.
    int RefreshCount() const { return refreshes_; }

private:
    void SetCell(int row, int column, const QString& text);

    CommLog& log_;
    int refreshes_ = 0;
    bool visible_ = true;
    CoalescedRefresh relay_;
};

}  // namespace brevant
