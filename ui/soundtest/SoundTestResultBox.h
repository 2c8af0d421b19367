// The result of the sound test: the level graph of the two curves with their
// legend, and the buttons that save the graph as a picture or the curves as
// data, where the user chooses. The exports are offered once a result is
// plotted.
//
// Thread-safety: UI thread only.
#pragma once

#include "procedures/SoundTest.h"

#include <QGroupBox>
#include <QString>

#include <functional>

class QPushButton;

namespace brevant {

class LevelGraph;

class SoundTestResultBox : public QGroupBox {
    Q_OBJECT
public:
    static constexpr int kGraphId = 1071;
    static constexpr int kExportPngId = 1090;
    static constexpr int kExportCsvId = 1091;
    static constexpr int kBoxId = 1096;

    // Asks where to save an export: the caption, a suggested file name and
    // the file-type filter; an empty path when the user cancelled.
    using PathChooser =
        std::function<QString(const QString& caption, const QString& suggested, const QString& filter)>;

    explicit SoundTestResultBox(QWidget* parent = nullptr);
    ~SoundTestResultBox() override;

    // Replaces the file dialog the export buttons open; an empty chooser
    // brings the file dialog back.
    void SetPathChooser(PathChooser chooser);

    LevelGraph& Graph() const { return *graph_; }
    QPushButton& ExportPng() const { return *exportPng_; }
    QPushButton& ExportCsv() const { return *exportCsv_; }
    bool Plotted() const { return plotted_; }

    // Every curve back to 0 and the title back to the plain one; nothing to
    // export.
    void Clear();
    // The level range that encloses the curves, the two curves at their
    // frequencies, and the exports offered.
    void Plot(const ResultCurves& curves);

    void OnExportPng();
    void OnExportCsv();

signals:
    // An export was written (the file's name) or failed (why, naming the file).
    void exported(const QString& fileName);
    void exportFailed(const QString& error);

private:
    void Export(const QString& caption, const QString& suggested, const QString& filter,
                const std::function<bool(const QString& path, QString* error)>& write);
    void SetPlotted(bool plotted);

    LevelGraph* graph_;
    QPushButton* exportPng_;
    QPushButton* exportCsv_;
    PathChooser choosePath_;
    bool plotted_ = false;
};

}  // namespace brevant
