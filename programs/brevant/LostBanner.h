// The strip across the top of the window while the link to the device is
// lost: which port it was on, and that the program is looking for it again.
// Hidden while a device is connected or none is.
//
// UI thread only.
#pragma once

#include <QLabel>

namespace brevant {

class LostBanner : public QLabel {
    Q_OBJECT
public:
    explicit LostBanner(QWidget* parent = nullptr);
    // Shows the banner naming `port` ("COM3"); an empty port hides it.
    void ShowLost(const QString& port);
};

}  // namespace brevant
