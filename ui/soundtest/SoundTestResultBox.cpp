#include "ui/soundtest/SoundTestResultBox.h"

#include "ui/soundtest/LevelGraph.h"
#include "ui/panels/ControlPanel.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
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
    : QGroupBox(QStringLiteral("Result"), parent)
    , m_graph(new LevelGraph(this))
    , m_exportPng(AddButton(this, kExportPngId, QStringLiteral("Save Picture...")))
    , m_exportCsv(AddButton(this, kExportCsvId, QStringLiteral("Save Data...")))
{
    TagControl(this, kBoxId);
    TagControl(m_graph, kGraphId);
    m_graph->setMinimumSize(560, 320);
    SetPathChooser({});

    // The curves' colours as the graph draws them.
    auto* legend = new QLabel(QStringLiteral("<span style=\"color:#ff0000\">&#9644;</span>&nbsp;Response"
                                             "&nbsp;&nbsp;&nbsp;&nbsp;"
                                             "<span style=\"color:#0000ff\">&#9644;</span>&nbsp;Noise floor"),
                              this);
    TagControl(legend, kLegendId);
    legend->setTextFormat(Qt::RichText);

    auto* foot = new QHBoxLayout;
    foot->setSpacing(6);
    foot->addWidget(legend);
    foot->addStretch(1);
    foot->addWidget(m_exportPng);
    foot->addWidget(m_exportCsv);
    auto* column = new QVBoxLayout(this);
    column->addWidget(m_graph, 1);
    column->addLayout(foot);

    connect(m_exportPng, &QPushButton::clicked, this, &SoundTestResultBox::OnExportPng);
    connect(m_exportCsv, &QPushButton::clicked, this, &SoundTestResultBox::OnExportCsv);
    SetPlotted(false);
}

SoundTestResultBox::~SoundTestResultBox() = default;

void SoundTestResultBox::SetPathChooser(PathChooser chooser)
{
    if (chooser) {
        m_choosePath = std::move(chooser);
        return;
    }
    m_choosePath = [this](const QString& caption, const QString& suggested, const QString& filter) {
        return QFileDialog::getSaveFileName(this, caption, suggested, filter);
    };
}

void SoundTestResultBox::Clear()
{
    for (int curve = 1; curve <= LevelGraph::kCurveCount; ++curve)
        m_graph->ClearCurve(curve);
    m_graph->update();
    SetPlotted(false);
}

void SoundTestResultBox::Plot(const ResultCurves& curves)
{
    const LevelRange range = GraphRange(curves);
    m_graph->SetYMax(range.maximum);
    m_graph->SetYMin(range.minimum);
    m_graph->SetShowLabels(true);
    for (int k = 0; k < kResultPoints; ++k) {
        const auto at = static_cast<std::size_t>(k);
        m_graph->SetCurvePoint(curves.d[at], k, 1);
        m_graph->SetCurvePoint(curves.e[at], k, 2);
        m_graph->SetXValue(ResultFrequency(k), k);
    }
    m_graph->update();
    SetPlotted(true);
}

void SoundTestResultBox::SetPlotted(bool plotted)
{
    m_plotted = plotted;
    m_exportPng->setEnabled(plotted);
    m_exportCsv->setEnabled(plotted);
}

void SoundTestResultBox::OnExportPng()
{
    // Twice the size on screen: sharp enough to print.
    Export(QStringLiteral("Save the graph as a picture"), QStringLiteral("soundtest.png"),
           QStringLiteral("PNG images (*.png)"),
           [this](const QString& path, QString* error) { return m_graph->ExportPng(path, error, 2.0); });
}

void SoundTestResultBox::OnExportCsv()
{
    Export(QStringLiteral("Save the curves as data"), QStringLiteral("soundtest.csv"),
           QStringLiteral("CSV files (*.csv)"),
           [this](const QString& path, QString* error) { return m_graph->ExportCsv(path, error); });
}

void SoundTestResultBox::Export(const QString& caption, const QString& suggested, const QString& filter,
                                const std::function<bool(const QString& path, QString* error)>& write)
{
    const QString path = m_choosePath(caption, suggested, filter);
    if (path.isEmpty())
        return;
    QString error;
    if (write(path, &error))
        emit exported(QFileInfo(path).fileName());
    else
        emit exportFailed(error);
}

}  // namespace brevant
