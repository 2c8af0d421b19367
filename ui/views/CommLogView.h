// The communication list of the main window: what went to the device and
// what came back, meter polling left out, in a report-style table. A row
// reads: its running number, the time, the port, the direction (sent or
// received) and the bytes. It follows the list as entries arrive from any
// thread; a burst of entries costs one refresh, which only adds the new rows
// and drops those the list let go of.
//
// The view takes the list's one observer hook while it lives and removes it
// when destroyed.
//
// Thread-safety: a widget, for the UI thread only; the list may be filled
// from any thread.
#pragma once

#include "core/CommLog.h"
#include "ui/views/CoalescedRefresh.h"

#include <QTableWidget>

#include <cstdint>

namespace brevant {

class CommLogView : public QTableWidget {
    Q_OBJECT

public:
    enum Column { kNumber, kTime, kPort, kDirection, kContent, kColumns };

    // `portLabel` names a port ("tcp://host:4001"); without it, "COMn".
    explicit CommLogView(CommLog& log, QWidget* parent = nullptr, TracePortLabel portLabel = {});
    ~CommLogView() override;

    // Shows the list's entries now.
    void Refresh();
    // Whether anyone can see the view: one that is not shown is not told of
    // the traffic and skips the refreshes (they cost the UI thread for
    // nothing); it catches up when shown again.
    void SetShown(bool shown);
    // How many refreshes have run: bursts of entries fold into one.
    int RefreshCount() const { return refreshes_; }

private:
    void AppendRow(const CommLogEntry& entry);
    void SetCell(int row, int column, const QString& text);

    CommLog& log_;
    TracePortLabel portLabel_;
    std::uint64_t firstShown_ = 0;  // the number of the entry in the top row
    int refreshes_ = 0;
    bool visible_ = true;
    CoalescedRefresh relay_;
};

}  // namespace brevant
