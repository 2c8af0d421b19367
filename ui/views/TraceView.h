// The live protocol trace: every line sent and every reply chunk received,
// one text line each in a read-only monospace pane that keeps its newest
// lines, with "Hide meter polling" (leaves the meter queries and their
// replies out of the pane, not out of the trace), "Clear" (empties the trace
// and the pane) and "Save…" (writes everything the trace holds to a text
// file, hidden lines too). It follows the trace as records arrive from any
// thread; a burst of records costs one refresh. While the user has scrolled
// up the pane stays where it is; scrolled back to the bottom, it follows the
// new lines again.
//
// The view takes the trace's one observer hook while it lives and removes it
// when destroyed. Where Save asks for the file and how it reports a failure
// can be replaced (by a test, say); by default a file dialog and a message box.
//
// Thread-safety: a widget, for the UI thread only; the trace may be filled
// from any thread.
#pragma once

#include "core/ProtocolTrace.h"
#include "ui/views/CoalescedRefresh.h"

#include <QString>
#include <QWidget>

#include <cstdint>
#include <functional>

class QCheckBox;
class QPlainTextEdit;
class QPushButton;

namespace brevant {

class TraceView : public QWidget {
    Q_OBJECT

public:
    // As many lines as the trace holds by default.
    static constexpr int kDefaultMaxLines =
        static_cast<int>(ProtocolTrace::kDefaultCapacity + ProtocolTrace::kDefaultPollingCapacity);
    // The file to save to; an empty text when the user cancelled.
    using PathChooser = std::function<QString()>;
    using ErrorReporter = std::function<void(const QString& message)>;

    // `portLabel` names the ports in the lines ("COMn" without it).
    explicit TraceView(ProtocolTrace& trace, QWidget* parent = nullptr, TracePortLabel portLabel = {});
    ~TraceView() override;

    void SetPathChooser(PathChooser choose);
    void SetErrorReporter(ErrorReporter report);
    // The pane keeps at most this many lines, dropping the oldest.
    void SetMaxLines(int lines);

    // Shows the records not shown yet.
    void Refresh();
    // Whether anyone can see the view: one that is not shown is not told of
    // the traffic and skips the refreshes (they cost the UI thread for
    // nothing); it catches up when shown again.
    void SetShown(bool shown);
    // Shows or hides the meter polling, as the check box does: the pane is
    // filled again from what the trace holds.
    void SetHidePolling(bool hide);
    // What the buttons do. Save returns whether a file was written.
    void ClearTrace();
    bool Save();

    QPlainTextEdit* Text() const { return text_; }
    QCheckBox* HidePollingBox() const { return hidePolling_; }
    QPushButton* ClearButton() const { return clear_; }
    QPushButton* SaveButton() const { return save_; }
    int RefreshCount() const { return refreshes_; }

private:
    // Appends the lines of `records` the filter lets through, following them
    // when the pane was at its bottom.
    void Append(const std::vector<TraceRecord>& records);

    ProtocolTrace& trace_;
    TracePortLabel portLabel_;
    QPlainTextEdit* text_;
    QCheckBox* hidePolling_;
    QPushButton* clear_;
    QPushButton* save_;
    PathChooser choosePath_;
    ErrorReporter reportError_;
    std::uint64_t shown_ = 0;  // sequence number of the last record shown
    int refreshes_ = 0;
    bool visible_ = true;
    CoalescedRefresh relay_;
};

}  // namespace brevant
