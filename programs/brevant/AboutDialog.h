// The About box: the program's name and version, and once a device is
// connected its model and firmware version.
#pragma once

#include "core/DeviceState.h"

#include <QDialog>

class QLabel;

namespace brevant {

class AboutDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr int kFirstLineId = 1002;
    static constexpr int kSecondLineId = 1026;

    AboutDialog(DeviceState& state, QWidget* parent = nullptr);

    QString FirstLine() const;
    QString SecondLine() const;

private:
    QLabel* first_;
    QLabel* second_;
};

}  // namespace brevant
