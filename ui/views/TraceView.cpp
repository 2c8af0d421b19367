#include "ui/views/TraceView.h"

#include <QCheckBox>
#include <QFile>
#include <QFileDialog>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

namespace brevant {

TraceView::TraceView(ProtocolTrace& trace, QWidget* parent, TracePortLabel portLabel)
    : QWidget(parent)
    , m_trace(trace)
    , m_portLabel(std::move(portLabel))
    , m_text(new QPlainTextEdit(this))
    , m_hidePolling(new QCheckBox(tr("Hide meter polling"), this))
    , m_clear(new QPushButton(tr("Clear"), this))
    , m_save(new QPushButton(tr("Save…"), this))
    , m_relay([this] { Refresh(); })
{
    m_text->setReadOnly(true);
    m_text->setLineWrapMode(QPlainTextEdit::NoWrap);
    // The platform's fixed font where it names one, a monospace family otherwise.
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setStyleHint(QFont::Monospace);
    font.setFixedPitch(true);
    m_text->setFont(font);
    m_text->setMaximumBlockCount(kDefaultMaxLines);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_hidePolling);
    buttons->addStretch();
    buttons->addWidget(m_clear);
    buttons->addWidget(m_save);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_text);
    layout->addLayout(buttons);

    m_choosePath = [this] {
        return QFileDialog::getSaveFileName(this, tr("Save protocol trace"), QStringLiteral("brevant-trace.txt"),
                                            tr("Text files (*.txt);;All files (*)"));
    };
    m_reportError = [this](const QString& message) {
        QMessageBox::warning(this, QStringLiteral("Brevant"), message);
    };
    connect(m_hidePolling, &QCheckBox::toggled, this, &TraceView::SetHidePolling);
    connect(m_clear, &QPushButton::clicked, this, &TraceView::ClearTrace);
    connect(m_save, &QPushButton::clicked, this, &TraceView::Save);

    Refresh();
    m_trace.SetObserver(m_relay.Notifier());
}

TraceView::~TraceView()
{
    m_trace.SetObserver({});
}

void TraceView::SetPathChooser(PathChooser choose)
{
    m_choosePath = std::move(choose);
}

void TraceView::SetErrorReporter(ErrorReporter report)
{
    m_reportError = std::move(report);
}

void TraceView::SetMaxLines(int lines)
{
    m_text->setMaximumBlockCount(lines);
}

void TraceView::SetShown(bool shown)
{
    m_visible = shown;
    // Unseen, the view is not even told of the traffic: no wake-up of the UI
    // thread per exchange.
    m_trace.SetObserver(shown ? m_relay.Notifier() : std::function<void()>{});
    if (shown)
        Refresh();
}

void TraceView::Refresh()
{
    if (!m_visible)
        return;
    ++m_refreshes;
    const std::vector<TraceRecord> records = m_trace.Since(m_shown);
    if (records.empty())
        return;
    m_shown = records.back().sequence;
    Append(records);
}

void TraceView::SetHidePolling(bool hide)
{
    if (m_hidePolling->isChecked() != hide) {
        m_hidePolling->setChecked(hide);  // comes back here through toggled
        return;
    }
    m_text->clear();
    const std::vector<TraceRecord> records = m_trace.Snapshot();
    m_shown = records.empty() ? m_shown : records.back().sequence;
    Append(records);
    m_text->verticalScrollBar()->setValue(m_text->verticalScrollBar()->maximum());
}

void TraceView::Append(const std::vector<TraceRecord>& records)
{
    std::string text;
    if (m_hidePolling->isChecked()) {
        for (const TraceRecord& record : records)
            if (!record.meterPolling)
                text += FormatTraceRecord(record, m_portLabel);
    } else {
        text = FormatTrace(records);
    }
    if (text.empty())
        return;
    text.pop_back();  // appendPlainText starts a line of its own
    // The pane follows the new lines only while its bottom is in view; the
    // user who scrolled up to read keeps the place until scrolling back down.
    QScrollBar* bar = m_text->verticalScrollBar();
    const bool following = bar->value() >= bar->maximum();
    // Escaped, the lines are plain ASCII.
    m_text->appendPlainText(QString::fromLatin1(text));
    if (following)
        bar->setValue(bar->maximum());
}

void TraceView::ClearTrace()
{
    m_trace.Clear();
    m_text->clear();
}

bool TraceView::Save()
{
    const QString path = m_choosePath ? m_choosePath() : QString();
    if (path.isEmpty())
        return false;
    const std::string error = WriteTraceFile(QFile::encodeName(path).toStdString(), m_trace.Snapshot(), m_portLabel);
    if (error.empty())
        return true;
    if (m_reportError)
        m_reportError(QString::fromLocal8Bit(error));
    return false;
}

}  // namespace brevant
