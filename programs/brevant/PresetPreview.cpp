#include "programs/brevant/PresetPreview.h"

#include <QCoreApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace brevant {

PresetPreview MakePresetPreview(const QString& file, const std::vector<std::string>& differences,
                                bool deviceKnown)
{
    PresetPreview preview;
    const QString name = QFileInfo(file).fileName();
    if (!deviceKnown) {
        preview.summary =
            QCoreApplication::translate("brevant::PresetPreview",
                                        "Not connected: what %1 would change is not known. Every setting it "
                                        "holds will be sent.")
                .arg(name);
        return preview;
    }
    for (const std::string& line : differences)
        preview.lines << QString::fromStdString(line);
    if (differences.empty())
        preview.summary =
            QCoreApplication::translate("brevant::PresetPreview", "%1 holds what the device holds.")
                .arg(name);
    else
        preview.summary = (differences.size() == 1
                               ? QCoreApplication::translate("brevant::PresetPreview",
                                                             "%1 setting of %2 differs from the device:")
                               : QCoreApplication::translate("brevant::PresetPreview",
                                                             "%1 settings of %2 differ from the device:"))
                              .arg(differences.size())
                              .arg(name);
    return preview;
}

bool AskToLoad(QWidget* parent, const PresetPreview& preview)
{
    QDialog dialog(parent);
    dialog.setWindowTitle(QCoreApplication::translate("brevant::PresetPreview", "Open From File"));
    auto* layout = new QVBoxLayout(&dialog);
    auto* summary = new QLabel(preview.summary, &dialog);
    summary->setWordWrap(true);
    layout->addWidget(summary);
    if (!preview.lines.isEmpty()) {
        auto* list = new QListWidget(&dialog);
        list->addItems(preview.lines);
        list->setMinimumWidth(360);
        layout->addWidget(list);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, &dialog);
    QPushButton* load = buttons->addButton(QCoreApplication::translate("brevant::PresetPreview", "&Load"),
                                           QDialogButtonBox::AcceptRole);
    load->setDefault(true);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(buttons);
    return dialog.exec() == QDialog::Accepted;
}

}  // namespace brevant
