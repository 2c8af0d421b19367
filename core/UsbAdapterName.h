// What a serial device node is, read from sysfs: for a USB adapter or modem
// (ttyUSB*, ttyACM*), its maker and product, as the user knows it from the
// box ("FTDI FT232R USB UART").
//
// Thread-safety: pure functions over the file system.
#pragma once

#include <string>

namespace brevant {

// The adapter behind the tty named `ttyName` ("ttyUSB0"), looked up under
// `sysRoot` (normally /sys/class/tty): `ttyName`/device leads into the device
// tree, whose nearest ancestor holding idVendor and idProduct is the USB
// device. Empty when it is no USB device or sysfs says nothing.
std::string UsbAdapterName(const std::string& sysRoot, const std::string& ttyName);

// The name from the USB device's attributes, any of which may be empty:
// "maker product", the product alone when it already names its maker, and
// "USB vendor:product" when the device gives no names.
std::string UsbDeviceName(const std::string& manufacturer, const std::string& product,
                          const std::string& idVendor, const std::string& idProduct);

}  // namespace brevant
