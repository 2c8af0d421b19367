// brevant-gallery --out DIR [--scale 1|2]
//
// Renders every drawn control in its states, the artwork by itself and a
// contact sheet of all of it to PNG files in DIR, at 1x and 2x unless --scale
// picks one, and prints the path of each file written.
// Exit status: 0 done, 1 DIR or a file could not be written, 2 wrong usage.
#include "programs/brevant/CoreTexts.h"
#include "programs/gallery/GalleryCapture.h"
#include "programs/gallery/GalleryScenes.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QStringList>
#include <QTemporaryFile>
#include <QTextStream>

#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace {

constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

constexpr char kUsage[] = "usage: brevant-gallery --out DIR [--scale 1|2]\n"
                          "\n"
                          "Renders every drawn control in its states to PNG files in DIR (made when\n"
                          "missing): <picture>@1x.png and <picture>@2x.png, each image of the program\n"
                          "as image-<number>@<n>x.png, and all of them on contact-sheet@<n>x.png.\n"
                          "  --out DIR      where the files go\n"
                          "  --scale 1|2    only this scale (both by default)\n"
                          "Prints the path of each file written.\n"
                          "Exit status: 0 done, 1 DIR or a file could not be written, 2 wrong usage.\n";

struct Options {
    QString outDir;
    std::vector<int> scales;
    bool help = false;
};

// The options, or nothing with `error` set when the command line is wrong.
std::optional<Options> ParseArguments(const QStringList& arguments, QString& error)
{
    Options options;
    std::optional<int> scale;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        QString name = arguments[i];
        std::optional<QString> value;
        if (const qsizetype equals = name.indexOf(QLatin1Char('='));
            name.startsWith(QLatin1String("--")) && equals > 0) {
            value = name.mid(equals + 1);
            name = name.left(equals);
        }
        if (name == QLatin1String("--help") || name == QLatin1String("-h")) {
            options.help = true;
            continue;
        }
        if (name != QLatin1String("--out") && name != QLatin1String("--scale")) {
            error = QStringLiteral("unknown argument: %1").arg(arguments[i]);
            return std::nullopt;
        }
        if (!value) {
            if (i + 1 >= arguments.size()) {
                error = QStringLiteral("%1 needs a value").arg(name);
                return std::nullopt;
            }
            value = arguments[++i];
        }
        if (name == QLatin1String("--out")) {
            if (value->isEmpty()) {
                error = QStringLiteral("--out needs a directory");
                return std::nullopt;
            }
            options.outDir = *value;
        } else if (*value == QLatin1String("1") || *value == QLatin1String("2")) {
            scale = value->toInt();
        } else {
            error = QStringLiteral("--scale takes 1 or 2, not %1").arg(*value);
            return std::nullopt;
        }
    }
    if (options.help)
        return options;
    if (options.outDir.isEmpty()) {
        error = QStringLiteral("--out DIR is missing");
        return std::nullopt;
    }
    options.scales = scale ? std::vector<int>{*scale} : std::vector<int>{1, 2};
    return options;
}

// Makes `dir` when missing and checks a file can be written in it.
bool PrepareOutDir(const QString& dir, QString& error)
{
    const QFileInfo info(dir);
    if (info.exists() && !info.isDir()) {
        error = QStringLiteral("cannot write to %1: it is not a directory").arg(dir);
        return false;
    }
    if (!QDir().mkpath(dir)) {
        error = QStringLiteral("cannot write to %1: the directory cannot be made").arg(dir);
        return false;
    }
    QTemporaryFile probe(QDir(dir).filePath(QStringLiteral(".brevant-gallery-XXXXXX")));
    if (!probe.open()) {
        error = QStringLiteral("cannot write to %1: %2").arg(dir, probe.errorString());
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    // The screen layout must be in place before the application starts.
    const std::unique_ptr<QTemporaryFile> screenLayout = brevant::gallery::UseOffscreenScreens();
    QApplication app(argc, argv);
    // The scenes in Chinese show the lower layers' texts in Chinese too.
    brevant::InstallCoreTranslator();
    QApplication::setPalette(brevant::gallery::ConsolePalette());

    QTextStream out(stdout);
    QTextStream err(stderr);
    QString error;
    const std::optional<Options> options = ParseArguments(QApplication::arguments(), error);
    if (!options) {
        err << "brevant-gallery: " << error << "\n" << kUsage;
        return kExitUsage;
    }
    if (options->help) {
        out << kUsage;
        return 0;
    }
    if (!PrepareOutDir(options->outDir, error)) {
        err << "brevant-gallery: " << error << "\n";
        return kExitFailed;
    }

    const QDir dir(options->outDir);
    const std::vector<brevant::gallery::Scene> scenes = brevant::gallery::Scenes();
    for (const int scale : options->scales) {
        if (!brevant::gallery::HasScreenWithRatio(scale)) {
            err << "brevant-gallery: no screen at " << scale << "x on this platform; the " << scale
                << "x pictures are rendered from another screen and may be less sharp\n";
            err.flush();
        }
        std::vector<brevant::gallery::Shot> shots = brevant::gallery::TakeShots(scenes, scale);
        for (brevant::gallery::Shot& shot : brevant::gallery::ArtworkShots(scale))
            shots.push_back(std::move(shot));
        shots.push_back(brevant::gallery::Shot{QStringLiteral("contact-sheet"), QString(), QString(),
                                               brevant::gallery::ContactSheet(shots, scale)});
        for (const brevant::gallery::Shot& shot : shots) {
            const QString path = dir.filePath(QStringLiteral("%1@%2x.png").arg(shot.name).arg(scale));
            if (!brevant::gallery::SavePng(shot.image, path, &error)) {
                err << "brevant-gallery: " << error << "\n";
                return kExitFailed;
            }
            out << path << "\n";
            out.flush();
        }
    }
    return 0;
}
