#include "programs/brevant/PresetPreview.h"

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
        preview.summary = QStringLiteral("Not connected: what %1 would change is not known. Every setting it "
                                         "holds will be sent.")
                              .arg(name);
        return preview;
    }
    for (const std::string& line : differences)
        preview.lines << QString::fromStdString(line);
    if (differences.empty())
        preview.summary = QStringLiteral("%1 holds what the device holds.").arg(name);
    else
        preview.summary =
            QStringLiteral("%1 %2 from the device:")
                .arg(differences.size())
                .arg(differences.size() == 1 ? QStringLiteral("setting of %1 differs").arg(name)
                                             : QStringLiteral("settings of %1 differ").arg(name));
    return preview;
}

bool AskToLoad(QWidget* parent, const PresetPreview& preview)
{
    QDialog dialog(parent);
    dialog.setWindowTitle(QStringLiteral("Open From File"));
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
    QPushButton* load = buttons->addButton(QStringLiteral("&Load"), QDialogButtonBox::AcceptRole);
    load->setDefault(true);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(buttons);
    return dialog.exec() == QDialog::Accepted;
}

}  // namespace brevant
