// brevant: the desktop program.
//   brevant [--ports DIR] [--port PORT] [--connect] [--size WxH] [--screenshot FILE [--view
//   channel|matrix|soundtest]] [--language system|en|zh_CN]
#include "programs/brevant/BrevantApp.h"
#include "programs/brevant/CoreTexts.h"

#include <QApplication>
#include <QIcon>

#include <cstdio>
#include <cstring>

namespace {

constexpr const char* kUsage =
    "usage: brevant [--ports DIR] [--port PORT] [--connect] [--size WxH]\n"
    "               [--screenshot FILE [--view channel|matrix|soundtest]]\n"
    "               [--language system|en|zh_CN]\n"
    "  --ports DIR        look for the ports COM1..COM39 as files in DIR\n"
    "  --port PORT        Connect uses PORT instead of scanning: N or COMn, tcp://HOST:PORT\n"
    "                     (raw TCP) or rfc2217://HOST:PORT (a serial device server, ser2net)\n"
    "  --connect          connect to the device at start (to PORT with --port)\n"
    "  --size WxH         open the window at this size\n"
    "  --screenshot FILE  draw the main window into the PNG file FILE and end\n"
    "  --view VIEW        with --screenshot: show channel, matrix or soundtest\n"
    "  --language LANG    system, en or zh_CN instead of the language chosen in View > Language\n"
    "  -h, --help         print this help and end\n";

}  // namespace

int main(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(kUsage, stdout);
            return 0;
        }
    }
    QString error;
    const auto options = brevant::ParseAppOptions(argc, argv, &error);
    if (!options) {
        std::fprintf(stderr, "brevant: %s\n", error.toLocal8Bit().constData());
        std::fputs(kUsage, stderr);
        return 2;
    }
    // A screenshot needs no screen.
    if (!options->screenshot.isEmpty())
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Brevant"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/res/icons/brevant.svg")));
    // The window's language, and Qt's own for its standard buttons and dialogs.
    // The lower layers' translations (brevant_core_<lang>.qm) are installed
    // with the window's, and their texts reach them through the hook.
    brevant::InstallLanguage(
        brevant::ResolveLanguage(options->language.value_or(brevant::SavedLanguageChoice())));
    brevant::InstallCoreTranslator();

    brevant::BrevantApp program(*options);
    return program.Run();
}
