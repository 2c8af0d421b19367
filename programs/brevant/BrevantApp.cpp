#include "programs/brevant/BrevantApp.h"

#include "programs/brevant/LayoutReport.h"
#include "programs/brevant/MainWindow.h"
#include "programs/brevant/ProgramCore.h"
#include "ui/soundtest/SoundTestDialog.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPainter>
#include <QPalette>
#include <QTimer>

#include <cstdio>

namespace brevant {

namespace {

PortMap PortsFor(const AppOptions& options)
{
    return options.portsDir ? PortMap::Directory(*options.portsDir) : PortMap::System();
}

// --port: Connect goes to that port instead of scanning.
void UsePort(const AppOptions& options, ProgramCore& core)
{
    if (options.port)
        core.ChoosePort(*options.port);
}

// Runs the event loop for `ms` milliseconds.
void Settle(int ms)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms)
        QApplication::processEvents(QEventLoop::AllEvents, 10);
}

}  // namespace

std::optional<AppOptions> ParseAppOptions(int argc, char** argv, QString* error)
{
    AppOptions options;
    for (int i = 1; i < argc; ++i) {
        const QString arg = QString::fromLocal8Bit(argv[i]);
        const auto value = [&]() -> std::optional<QString> {
            if (i + 1 >= argc)
                return std::nullopt;
            return QString::fromLocal8Bit(argv[++i]);
        };
        if (arg == "--ports") {
            const auto dir = value();
            if (!dir)
                return *error = "--ports needs a folder", std::nullopt;
            options.portsDir = dir->toStdString();
        } else if (arg == "--port") {
            const auto text = value();
            if (!text)
                return *error = "--port needs a port: N, COMn, tcp://HOST:PORT or rfc2217://HOST:PORT",
                       std::nullopt;
            const PortAddressParse parsed = ParsePortAddress(text->toStdString());
            if (!parsed.address)
                return *error = QStringLiteral("--port: %1").arg(QString::fromStdString(parsed.error)),
                       std::nullopt;
            options.port = parsed.address;
        } else if (arg == "--screenshot") {
            const auto file = value();
            if (!file)
                return *error = "--screenshot needs a file name", std::nullopt;
            options.screenshot = *file;
        } else if (arg == "--connect") {
            options.connect = true;
        } else if (arg == "--size") {
            const auto size = value();
            const QStringList wh = size ? size->split('x') : QStringList();
            const int w = wh.size() == 2 ? wh[0].toInt() : 0;
            const int h = wh.size() == 2 ? wh[1].toInt() : 0;
            if (w <= 0 || h <= 0)
                return *error = "--size takes WIDTHxHEIGHT", std::nullopt;
            options.size = QSize(w, h);
        } else if (arg == "--view") {
            const auto view = value();
            if (!view || (*view != "channel" && *view != "matrix" && *view != "soundtest"))
                return *error = "--view takes channel, matrix or soundtest", std::nullopt;
            options.view = *view;
        } else if (arg == "--language") {
            const auto word = value();
            options.language = word ? LanguageFromWord(*word) : std::nullopt;
            if (!options.language)
                return *error = "--language takes system, en or zh_CN", std::nullopt;
        } else {
            *error = QStringLiteral("unknown argument: %1").arg(arg);
            return std::nullopt;
        }
    }
    return options;
}

BrevantApp::BrevantApp(AppOptions options) : options_(std::move(options)) {}

BrevantApp::~BrevantApp() = default;

int BrevantApp::Run()
{
    if (!options_.screenshot.isEmpty())
        return Screenshot();
    ProgramCore core(PortsFor(options_), &PanelContext::ShowMessageBox);
    MainWindow frame(core);
    UsePort(options_, core);
    if (options_.size.isValid()) {
        frame.resize(options_.size);
        frame.show();
    } else {
        frame.showMaximized();
    }
    if (options_.connect)
        QTimer::singleShot(0, &frame, &MainWindow::OnConnect);
    // For a script that drives the window from outside: the controls'
    // places, kept current as the layout, the zoom and the values move.
    QTimer layout;
    if (const QString file = qEnvironmentVariable("BREVANT_LAYOUT_FILE"); !file.isEmpty()) {
        QObject::connect(&layout, &QTimer::timeout, &frame, [&frame, file] {
            QFile out(file + QStringLiteral(".new"));
            if (out.open(QIODevice::WriteOnly) && out.write(LayoutReport(frame).toUtf8()) >= 0 &&
                out.flush()) {
                out.close();
                QFile::remove(file);
                QFile::rename(file + QStringLiteral(".new"), file);
            }
        });
        layout.start(200);
    }
    return QApplication::exec();
}

int BrevantApp::Screenshot()
{
    // Messages go to the terminal: nobody is there to close a box.
    ProgramCore core(PortsFor(options_), [](const QString& text) {
        std::fprintf(stderr, "brevant: %s\n", text.toLocal8Bit().constData());
    });
    MainWindow frame(core);
    UsePort(options_, core);
    frame.resize(1600, 900);
    frame.show();
    Settle(100);
    if (options_.connect) {
        frame.OnConnect();
        frame.Tasks().WaitIdle();
        QElapsedTimer waited;
        waited.start();
        while (core.refresher.PollPassesApplied() < 1 && waited.elapsed() < 20'000)
            QApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    Settle(1200);  // the form's first layout tick
    core.context.Model().Flush();
    if (options_.view == "matrix")
        frame.OnMatrix();
    Settle(100);

    QImage image = frame.grab().toImage();
    if (options_.view == "soundtest") {
        SoundTestDialog dialog(core.context, &frame);
        dialog.show();
        Settle(300);
        const QImage overlay = dialog.grab().toImage();
        // The dialog over the dimmed window, as a modal dialog stands.
        QPainter painter(&image);
        painter.fillRect(image.rect(), QColor(0, 0, 0, 80));
        const QRect place(
            QPoint((image.width() - overlay.width()) / 2, (image.height() - overlay.height()) / 2),
            overlay.size());
        const QRect frameRect = place.adjusted(-10, -30, 10, 10);
        painter.fillRect(frameRect, dialog.palette().color(QPalette::Window));
        painter.setPen(dialog.palette().color(QPalette::Dark));
        painter.drawRect(frameRect.adjusted(0, 0, -1, -1));
        painter.setPen(dialog.palette().color(QPalette::WindowText));
        painter.drawText(frameRect.adjusted(12, 6, 0, 0), Qt::AlignLeft | Qt::AlignTop, dialog.windowTitle());
        painter.drawImage(place.topLeft(), overlay);
        painter.end();
        dialog.reject();
        Settle(200);
    }
    const bool saved = image.save(options_.screenshot, "PNG");
    if (options_.connect)
        core.connection.Disconnect();
    if (!saved) {
        std::fprintf(stderr, "brevant: cannot write %s\n", options_.screenshot.toLocal8Bit().constData());
        return 1;
    }
    return 0;
}

}  // namespace brevant
