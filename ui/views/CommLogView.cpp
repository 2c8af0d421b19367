#include "ui/views/CommLogView.h"

#include "core/ProtocolTrace.h"

#include <QHeaderView>

namespace brevant {

namespace {

constexpr Qt::Alignment kLeft = Qt::AlignLeft | Qt::AlignVCenter;

}  // namespace

CommLogView::CommLogView(CommLog& log, QWidget* parent)
    : QTableWidget(0, 3, parent), log_(log), relay_([this] { Refresh(); })
{
    const QString headings[] = {QStringLiteral("序号"), QStringLiteral("串口号"), QStringLiteral("内容")};
    const int widths[] = {kSequenceWidth, kPortWidth, kContentWidth};
    for (int column = 0; column < 3; ++column) {
        auto* heading = new QTableWidgetItem(headings[column]);
        heading->setTextAlignment(kLeft);
        setHorizontalHeaderItem(column, heading);
        setColumnWidth(column, widths[column]);
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
    const int rows = static_cast<int>(entries.size());
    const bool grew = rows > rowCount();
    setRowCount(rows);
    for (int row = 0; row < rows; ++row) {
        const CommLogEntry& entry = entries[static_cast<std::size_t>(row)];
        SetCell(row, 0, QString::fromStdString(entry.sequence));
        SetCell(row, 1, QString::fromStdString(entry.port));
        // The reply ends in its line end and may hold any byte: shown escaped
        // on one line.
        SetCell(row, 2, QString::fromLatin1(EscapeTraceBytes(entry.content)));
    }
    if (grew)
        scrollToBottom();
}

void CommLogView::SetCell(int row, int column, const QString& text)
{
    if (QTableWidgetItem* cell = item(row, column)) {
        cell->setText(text);
        return;
    }
    auto* cell = new QTableWidgetItem(text);
    cell->setTextAlignment(kLeft);
    cell->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    setItem(row, column, cell);
}

}  // namespace brevant
