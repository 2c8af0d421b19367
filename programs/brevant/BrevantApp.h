// The program as a whole: reads the command line, builds the program core
// and the main window, and runs until the window closes. With --screenshot
// it instead renders the main window to a PNG file and ends.
#pragma once

#include "core/PortAddress.h"
#include "programs/brevant/Language.h"

#include <QSize>
#include <QString>

#include <memory>
#include <optional>
#include <string>

namespace brevant {

struct AppOptions {
    std::optional<std::string> portsDir;  // COMn files in a folder instead of the system's ports
    std::optional<PortAddress> port;  // the port to connect to instead of scanning (COMn or a network device)
    QString screenshot;               // render to this PNG and end
    bool connect = false;             // connect at start (before the screenshot)
    QSize size;                       // a window of this size instead of a maximized one
    QString view = QStringLiteral("channel");
    std::optional<LanguageChoice> language;  // instead of the one kept in the settings
};

// Parses the arguments after the program name; nullopt and an error text for
// arguments it does not know.
std::optional<AppOptions> ParseAppOptions(int argc, char** argv, QString* error);

class BrevantApp {
public:
    explicit BrevantApp(AppOptions options);
    ~BrevantApp();
    // Runs the program (the QApplication must exist); the exit status.
    int Run();

private:
    int Screenshot();

    AppOptions options_;
};

}  // namespace brevant
