// Adds or edits a saved network device: its name and its address, raw TCP
// (tcp://HOST:PORT) or RFC 2217 (rfc2217://HOST:PORT). An address that names
// no network port is refused with the reason shown in the dialog; an empty
// name becomes the address.
//
// UI thread only.
#pragma once

#include "programs/brevant/ConnectSettings.h"

#include <QDialog>

class QLabel;
class QLineEdit;

namespace brevant {

class NetworkDeviceDialog : public QDialog {
    Q_OBJECT
public:
    NetworkDeviceDialog(const NetworkDevice& device, QWidget* parent = nullptr);

    // The device as entered, its address in its normal form; valid once accepted.
    NetworkDevice Device() const { return device_; }
    // Why the address was refused; empty when it was not.
    QString Problem() const;

    void accept() override;

private:
    QLineEdit* name_;
    QLineEdit* address_;
    QLabel* problem_;
    NetworkDevice device_;
};

}  // namespace brevant
