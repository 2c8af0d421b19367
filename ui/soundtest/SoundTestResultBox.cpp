#include "ui/soundtest/SoundTestResultBox.h"

#include "ui/panels/ControlPanel.h"
#include "ui/soundtest/LevelGraph.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace brevant {

namespace {

QPushButton* AddButton(QWidget* parent, int controlId, const QString& caption)
{
    auto* button = new QPushButton(caption, parent);
    TagControl(button, controlId);
    button->setAutoDefault(false);
    return button;
}

}  // namespace

SoundTestResultBox::SoundTestResultBox(QWidget* parent)
    : QGroupBox(tr("Result"), parent), graph_(new LevelGraph(this)),
      exportPng_(AddButton(this, kExportPngId, tr("Save Picture..."))),
      exportCsv_(AddButton(this, kExportCsvId, tr("Save Data...")))
{
    TagControl(this, kBoxId);
    TagControl(graph_, kGraphId);
    graph_->setMinimumSize(560, 320);
    SetPathChooser({});

    auto* foot = new QHBoxLayout;
    foot->setSpacing(6);
    foot->addStretch(1);
    foot->addWidget(exportPng_);
    foot->addWidget(exportCsv_);
    auto* column = new QVBoxLayout(this);
    column->addWidget(graph_, 1);
    column->addLayout(foot);

    connect(exportPng_, &QPushButton::clicked, this, &SoundTestResultBox::OnExportPng);
    connect(exportCsv_, &QPushButton::clicked, this, &SoundTestResultBox::OnExportCsv);
    SetPlotted(false);
}

SoundTestResultBox::~SoundTestResultBox() = default;

void SoundTestResultBox::SetPathChooser(PathChooser chooser)
{
    if (chooser) {
        choosePath_ = std::move(chooser);
        return;
    }
    choosePath_ = [this](const QString& caption, const QString& suggested, const QString& filter) {
        return QFileDialog::getSaveFileName(this, caption, suggested, filter);
    };
}

void SoundTestResultBox::Clear()
{
    for (int curve = 1; curve <= LevelGraph::kCurveCount; ++curve)
        graph_->ClearCurve(curve);
    graph_->SetTitle({});
    graph_->update();
    SetPlotted(false);
}

void SoundTestResultBox::Plot(const ResultCurves& curves)
{
    const LevelRange range = GraphRange(curves);
    graph_->SetYMax(range.maximum);
    graph_->SetYMin(range.minimum);
    graph_->SetShowLabels(true);
    for (int k = 0; k < kResultPoints; ++k) {
        const auto at = static_cast<std::size_t>(k);
        graph_->SetCurvePoint(curves.d[at], k, 1);
        graph_->SetCurvePoint(curves.e[at], k, 2);
        graph_->SetXValue(ResultFrequency(k), k);
    }
    graph_->update();
    SetPlotted(true);
}

void SoundTestResultBox::SetPlotted(bool plotted)
{
    plotted_ = plotted;
    exportPng_->setEnabled(plotted);
    exportCsv_->setEnabled(plotted);
}

void SoundTestResultBox::OnExportPng()
{
    // Twice the size on screen: sharp enough to print.
    Export(tr("Save the graph as a picture"), QStringLiteral("soundtest.png"), tr("PNG images (*.png)"),
           [this](const QString& path, QString* error) { return graph_->ExportPng(path, error, 2.0); });
}

void SoundTestResultBox::OnExportCsv()
{
    Export(tr("Save the curves as data"), QStringLiteral("soundtest.csv"), tr("CSV files (*.csv)"),
           [this](const QString& path, QString* error) { return graph_->ExportCsv(path, error); });
}

void SoundTestResultBox::Export(const QString& caption, const QString& suggested, const QString& filter,
                                const std::function<bool(const QString& path, QString* error)>& write)
{
    const QString path = choosePath_(caption, suggested, filter);
    if (path.isEmpty())
        return;
    QString error;
    if (write(path, &error))
        emit exported(QFileInfo(path).fileName());
    else
        emit exportFailed(error);
}

}  // namespace brevant
