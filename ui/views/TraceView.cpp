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
    : QWidget(parent), trace_(trace), portLabel_(std::move(portLabel)), text_(new QPlainTextEdit(this)),
      hidePolling_(new QCheckBox(tr("Hide meter polling"), this)), clear_(new QPushButton(tr("Clear"), this)),
      save_(new QPushButton(tr("Save…"), this)), relay_([this] { Refresh(); })
{
    text_->setReadOnly(true);
    text_->setLineWrapMode(QPlainTextEdit::NoWrap);
    // The platform's fixed font where it names one, a monospace family otherwise.
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setStyleHint(QFont::Monospace);
    font.setFixedPitch(true);
    text_->setFont(font);
    text_->setMaximumBlockCount(kDefaultMaxLines);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(hidePolling_);
    buttons->addStretch();
    buttons->addWidget(clear_);
    buttons->addWidget(save_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text_);
    layout->addLayout(buttons);

    choosePath_ = [this] {
        return QFileDialog::getSaveFileName(this, tr("Save protocol trace"),
                                            QStringLiteral("brevant-trace.txt"),
                                            tr("Text files (*.txt);;All files (*)"));
    };
    reportError_ = [this](const QString& message) {
        QMessageBox::warning(this, QStringLiteral("Brevant"), message);
    };
    connect(hidePolling_, &QCheckBox::toggled, this, &TraceView::SetHidePolling);
    connect(clear_, &QPushButton::clicked, this, &TraceView::ClearTrace);
    connect(save_, &QPushButton::clicked, this, &TraceView::Save);

    Refresh();
    trace_.SetObserver(relay_.Notifier());
}

TraceView::~TraceView()
{
    trace_.SetObserver({});
}

void TraceView::SetPathChooser(PathChooser choose)
{
    choosePath_ = std::move(choose);
}

void TraceView::SetErrorReporter(ErrorReporter report)
{
    reportError_ = std::move(report);
}

void TraceView::SetMaxLines(int lines)
{
    text_->setMaximumBlockCount(lines);
}

void TraceView::SetShown(bool shown)
{
    visible_ = shown;
    // Unseen, the view is not even told of the traffic: no wake-up of the UI
    // thread per exchange.
    trace_.SetObserver(shown ? relay_.Notifier() : std::function<void()>{});
    if (shown)
        Refresh();
}

void TraceView::Refresh()
{
    if (!visible_)
        return;
    ++refreshes_;
    const std::vector<TraceRecord> records = trace_.Since(shown_);
    if (records.empty())
        return;
    shown_ = records.back().sequence;
    Append(records);
}

void TraceView::SetHidePolling(bool hide)
{
    if (hidePolling_->isChecked() != hide) {
        hidePolling_->setChecked(hide);  // comes back here through toggled
        return;
    }
    text_->clear();
    const std::vector<TraceRecord> records = trace_.Snapshot();
    shown_ = records.empty() ? shown_ : records.back().sequence;
    Append(records);
    text_->verticalScrollBar()->setValue(text_->verticalScrollBar()->maximum());
}

void TraceView::Append(const std::vector<TraceRecord>& records)
{
    std::string text;
    if (hidePolling_->isChecked()) {
        for (const TraceRecord& record : records)
            if (!record.meterPolling)
                text += FormatTraceRecord(record, portLabel_);
    } else {
        text = FormatTrace(records);
    }
    if (text.empty())
        return;
    text.pop_back();  // appendPlainText starts a line of its own
    // The pane follows the new lines only while its bottom is in view; the
    // user who scrolled up to read keeps the place until scrolling back down.
    QScrollBar* bar = text_->verticalScrollBar();
    const bool following = bar->value() >= bar->maximum();
    // Escaped, the lines are plain ASCII.
    text_->appendPlainText(QString::fromLatin1(text));
    if (following)
        bar->setValue(bar->maximum());
}

void TraceView::ClearTrace()
{
    trace_.Clear();
    text_->clear();
}

bool TraceView::Save()
{
    const QString path = choosePath_ ? choosePath_() : QString();
    if (path.isEmpty())
        return false;
    const std::string error =
        WriteTraceFile(QFile::encodeName(path).toStdString(), trace_.Snapshot(), portLabel_);
    if (error.empty())
        return true;
    if (reportError_)
        reportError_(QString::fromLocal8Bit(error));
    return false;
}

}  // namespace brevant
