// What loading a preset would change, shown before anything is sent: how many
// settings differ from the device and which ("Input 2 gain: −5 dB → 3 dB"),
// with Load and Cancel.
//
// UI thread only.
#pragma once

#include <QString>
#include <QStringList>

#include <string>
#include <vector>

class QWidget;

namespace brevant {

struct PresetPreview {
    QString summary;    // "3 settings differ from the device:", "The preset holds what the device holds."
    QStringList lines;  // one per differing setting
};

// `deviceKnown` false: not connected, so the differences cannot be known.
PresetPreview MakePresetPreview(const QString& file, const std::vector<std::string>& differences,
                                bool deviceKnown);

// Shows the preview in a dialog; true when the user chose Load.
bool AskToLoad(QWidget* parent, const PresetPreview& preview);

}  // namespace brevant
