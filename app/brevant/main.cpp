// brevant: the desktop program.
//   brevant [--ports DIR] [--connect] [--size WxH] [--screenshot FILE [--view channel|matrix|soundtest]]
#include "CCorvaneApp.h"

#include <QApplication>
#include <QIcon>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv)
{
    QString error;
    const auto options = brevant::ParseAppOptions(argc, argv, &error);
    if (!options) {
        std::fprintf(stderr, "brevant: %s\n", error.toLocal8Bit().constData());
        std::fprintf(stderr, "usage: brevant [--ports DIR] [--connect] [--size WxH] [--screenshot FILE "
                             "[--view channel|matrix|soundtest]]\n");
        return 2;
    }
    // A screenshot needs no screen.
    if (!options->screenshot.isEmpty())
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Brevant"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/res/icons/brevant.svg")));
    brevant::CCorvaneApp program(*options);
    return program.Run();
}
