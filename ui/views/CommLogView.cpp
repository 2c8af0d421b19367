#include "ui/views/CommLogView.h"

#include <QCoreApplication>
#include <QHeaderView>

namespace brevant {

namespace {

constexpr Qt::Alignment kLeft = Qt::AlignLeft | Qt::AlignVCenter;

// The column headings, translated when the table is made.
struct Heading {
    const char* text;
    int width;
};
constexpr Heading kHeadings[CommLogView::kColumns] = {
    {QT_TRANSLATE_NOOP("brevant::CommLogView", "No."), 60},
    {QT_TRANSLATE_NOOP("brevant::CommLogView", "Time"), 100},
    {QT_TRANSLATE_NOOP("brevant::CommLogView", "Port"), 100},
    {QT_TRANSLATE_NOOP("brevant::CommLogView", "Direction"), 80},
    {QT_TRANSLATE_NOOP("brevant::CommLogView", "Content"), 500},
};

}  // namespace

CommLogView::CommLogView(CommLog& log, QWidget* parent, TracePortLabel portLabel)
    : QTableWidget(0, kColumns, parent), log_(log), portLabel_(std::move(portLabel)),
      relay_([this] { Refresh(); })
{
    for (int column = 0; column < kColumns; ++column) {
        auto* heading = new QTableWidgetItem(tr(kHeadings[column].text));
        heading->setTextAlignment(kLeft);
        setHorizontalHeaderItem(column, heading);
        setColumnWidth(column, kHeadings[column].width);
    }
    horizontalHeader()->setDefaultAlignment(kLeft);
    horizontalHeader()->setSectionsMovable(true);
    horizontalHeader()->setStretchLastSection(false);
    verticalHeader()->hide();
    setShowGrid(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setWordWrap(false);

    Refresh();
    log_.SetObserver(relay_.Notifier());
}

CommLogView::~CommLogView()
{
    log_.SetObserver({});
}

void CommLogView::SetShown(bool shown)
{
    visible_ = shown;
    // Unseen, the view is not even told of the traffic: no wake-up of the UI
    // thread per exchange.
    log_.SetObserver(shown ? relay_.Notifier() : std::function<void()>{});
    if (shown)
        Refresh();
}

void CommLogView::Refresh()
{
    if (!visible_)
        return;
    ++refreshes_;
    const std::vector<CommLogEntry> entries = log_.Entries();
    if (entries.empty()) {
        setRowCount(0);
        return;
    }
    // The entries' numbers follow on one by one, so the rows shown are the
    // numbers firstShown_ .. firstShown_ + rowCount() - 1: the rows above the
    // list's oldest entry go, and the entries past the last row are added.
    const std::uint64_t first = entries.front().number;
    const std::uint64_t shownEnd = firstShown_ + static_cast<std::uint64_t>(rowCount());
    if (first >= shownEnd) {
        setRowCount(0);
    } else if (first > firstShown_) {
        model()->removeRows(0, static_cast<int>(first - firstShown_));
    }
    firstShown_ = first;
    const int before = rowCount();
    for (std::size_t i = static_cast<std::size_t>(before); i < entries.size(); ++i)
        AppendRow(entries[i]);
    if (rowCount() > before)
        scrollToBottom();
}

void CommLogView::AppendRow(const CommLogEntry& entry)
{
    const int row = rowCount();
    insertRow(row);
    SetCell(row, kNumber, QString::number(entry.number));
    SetCell(row, kTime, QString::fromStdString(FormatTraceTime(entry.time)));
    SetCell(row, kPort,
            QString::fromStdString(portLabel_ ? portLabel_(entry.port) : "COM" + std::to_string(entry.port)));
    SetCell(row, kDirection, entry.direction == TraceDirection::Sent ? tr("Sent") : tr("Received"));
    // The bytes may be anything and end in their line end: shown escaped on
    // one line, as the trace shows them.
    QString content = QString::fromLatin1(EscapeTraceBytes(entry.bytes));
    if (entry.omitted > 0)
        content += tr(" ... (%1 more bytes not kept)").arg(entry.omitted);
    SetCell(row, kContent, content);
}

void CommLogView::SetCell(int row, int column, const QString& text)
{
    auto* cell = new QTableWidgetItem(text);
    cell->setTextAlignment(kLeft);
    cell->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    setItem(row, column, cell);
}

}  // namespace brevant
