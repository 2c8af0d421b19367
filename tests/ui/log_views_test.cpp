// The communication list and the protocol trace views, fed from another
// thread through the event loop.
#include "tests/ui/UiTestHelpers.h"
#include "ui/views/CommLogView.h"
#include "ui/views/TraceView.h"

#include <QCheckBox>
#include <QFile>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <thread>

namespace brevant {
namespace {

QStringList Row(const QTableWidget& table, int row)
{
    QStringList cells;
    for (int column = 0; column < table.columnCount(); ++column)
        cells << (table.item(row, column) ? table.item(row, column)->text() : QString());
    return cells;
}

TEST(CommLogViewTest, ShowsNumberTimePortDirectionAndBytesFromAnotherThreadInOneRefresh)
{
    using namespace std::chrono;
    const system_clock::time_point at = system_clock::time_point(seconds(1'700'000'000)) + milliseconds(512);
    CommLog log;
    log.Take({1, at, 3, TraceDirection::Sent, "SSs1\r\n"});
    CommLogView view(log, nullptr, [](int port) { return port == 40 ? "tcp://127.0.0.1:4001" : "COM3"; });
    ASSERT_EQ(view.rowCount(), 1);  // what the list held before
    EXPECT_TRUE(view.item(0, 1)->text().endsWith(".512")) << view.item(0, 1)->text().toStdString();

    // The list keeps the newest entries: the top rows go as it lets go of them.
    const int before = view.RefreshCount();
    std::thread([&] {
        for (std::size_t i = 0; i < CommLog::kCapacity; ++i)
            log.Take({0, at, 40, TraceDirection::Received, "SNs" + std::to_string(i % 2) + "\r\n"});
    }).join();
    EXPECT_EQ(view.rowCount(), 1);  // nothing changes until the event loop runs
    test::Deliver();
    EXPECT_EQ(view.RefreshCount(), before + 1);
    ASSERT_EQ(view.rowCount(), static_cast<int>(CommLog::kCapacity));
    // A row without its time.
    const auto untimed = [&](int row) {
        QStringList cells = Row(view, row);
        cells.removeAt(1);
        return cells;
    };
    EXPECT_EQ(untimed(0), (QStringList{"2", "tcp://127.0.0.1:4001", "Received", "SNs0\\r\\n"}));

    // Not shown, the view costs nothing; shown again, it catches up.
    view.SetShown(false);
    const int hidden = view.RefreshCount();
    std::thread([&] { log.Take({0, at, 3, TraceDirection::Sent, "SNs2\r\n"}); }).join();
    test::Deliver();
    EXPECT_EQ(view.RefreshCount(), hidden);
    view.SetShown(true);
    ASSERT_EQ(view.rowCount(), static_cast<int>(CommLog::kCapacity));
    EXPECT_EQ(untimed(view.rowCount() - 1), (QStringList{"502", "COM3", "Sent", "SNs2\\r\\n"}));
    EXPECT_EQ(view.item(0, 0)->text(), "3");
}

TEST(TraceViewTest, ShowsRecordsFromAnotherThreadKeepsTheNewestLinesAndClears)
{
    ProtocolTrace trace;
    trace.Record(3, TraceDirection::Sent, "SVsr\n");
    TraceView view(trace);
    view.SetMaxLines(4);
    ASSERT_EQ(view.Text()->blockCount(), 1);
    std::thread([&] {
        for (int i = 1; i <= 5; ++i)
            trace.Record(3, TraceDirection::Sent, "ML" + std::to_string(i) + "r\r\n");
    }).join();
    test::Deliver();
    const QStringList lines = view.Text()->toPlainText().split('\n');
    EXPECT_EQ(lines.size(), 4);
    EXPECT_TRUE(lines[0].endsWith(QStringLiteral("  COM3  >  ML2r\\r\\n"))) << lines[0].toStdString();

    view.ClearButton()->click();
    EXPECT_EQ(trace.Size(), 0u);
    EXPECT_TRUE(view.Text()->toPlainText().isEmpty());
}

TEST(TraceViewTest, HidesMeterPollingFromThePaneButSavesEverythingInOrderAndNamesAFailedFile)
{
    QTemporaryDir dir;
    ProtocolTrace trace;
    using D = TraceDirection;
    const std::pair<D, const char*> records[] = {
        {D::Sent, "MG1r\r\n"},  {D::Received, "MG1-12\r\n"}, {D::Sent, "ML2r\r\n"},    {D::Received, "ML2-4"},
        {D::Received, "0\r\n"}, {D::Sent, "MG23\r\n"},       {D::Received, "MG23\r\n"}};
    for (const auto& [direction, piece] : records)
        trace.Record(3, direction, piece);
    TraceView view(trace);
    // The bytes of each line, shown or saved, without the time, port and direction.
    const auto bytes = [](const QString& text) {
        QStringList found;
        for (const QString& line : text.split('\n', Qt::SkipEmptyParts))
            found << line.section(QStringLiteral("  "), 3);
        return found;
    };
    const auto shown = [&] { return bytes(view.Text()->toPlainText()); };

    view.HidePollingBox()->click();
    EXPECT_EQ(shown(), (QStringList{"MG1r\\r\\n", "MG1-12\\r\\n", "MG23\\r\\n", "MG23\\r\\n"}));
    trace.Record(3, D::Sent, "OL1r\r\n");
    trace.Record(3, D::Received, "OL1-30\r\n");
    trace.Record(3, D::Event, "port gone");
    view.Refresh();
    EXPECT_EQ(shown(), (QStringList{"MG1r\\r\\n", "MG1-12\\r\\n", "MG23\\r\\n", "MG23\\r\\n", "port gone"}));

    QString path = dir.filePath(QStringLiteral("trace.txt"));
    QStringList errors;
    view.SetPathChooser([&] { return path; });
    view.SetErrorReporter([&](const QString& message) { errors << message; });
    view.SaveButton()->click();
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QStringList saved = bytes(QString::fromUtf8(file.readAll()));
    EXPECT_EQ(saved, (QStringList{"MG1r\\r\\n", "MG1-12\\r\\n", "ML2r\\r\\n", "ML2-4", "0\\r\\n",
                                  "MG23\\r\\n", "MG23\\r\\n", "OL1r\\r\\n", "OL1-30\\r\\n", "port gone"}));

    view.HidePollingBox()->click();
    EXPECT_EQ(shown(), saved);

    // A cancelled save is quiet; a failed one names the file.
    path.clear();
    EXPECT_FALSE(view.Save());
    EXPECT_TRUE(errors.isEmpty());
    path = dir.filePath(QStringLiteral("missing/trace.txt"));
    EXPECT_FALSE(view.Save());
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors[0].contains(path)) << errors[0].toStdString();
}

TEST(TraceViewTest, FollowsNewLinesAgainOnceScrolledBackToTheBottom)
{
    ProtocolTrace trace;
    const auto poll = [&](int lines) {
        for (int i = 0; i < lines; ++i)
            trace.Record(3, TraceDirection::Received, "ML1-40\r\n");
    };
    poll(200);
    TraceView view(trace);
    view.resize(500, 300);
    view.show();
    QScrollBar& bar = *view.Text()->verticalScrollBar();
    ASSERT_GT(bar.maximum(), 0);

    bar.setValue(bar.maximum() / 2);  // the user scrolls up to read
    const int reading = bar.value();
    poll(100);
    view.Refresh();
    EXPECT_EQ(bar.value(), reading);

    bar.setValue(bar.maximum());  // and back down
    poll(40);
    view.Refresh();
    EXPECT_EQ(bar.value(), bar.maximum());
}

}  // namespace
}  // namespace brevant
