#include "core/UsbAdapterName.h"

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace brevant {

namespace {

// From the tty's device to its USB device is two steps (port, interface);
// hubs add none. Beyond this the walk has left the USB device.
constexpr int kMostLevelsUp = 6;

// The first line of a sysfs attribute, without surrounding blanks; empty
// when there is none.
std::string Attribute(const fs::path& path)
{
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    const auto first = line.find_first_not_of(" \t\r");
    if (first == std::string::npos)
        return {};
    return line.substr(first, line.find_last_not_of(" \t\r") - first + 1);
}

}  // namespace

std::string UsbDeviceName(const std::string& manufacturer, const std::string& product,
                          const std::string& idVendor, const std::string& idProduct)
{
    if (!product.empty() && (manufacturer.empty() || product.rfind(manufacturer, 0) == 0))
        return product;
    if (!manufacturer.empty())
        return product.empty() ? manufacturer : manufacturer + " " + product;
    if (idVendor.empty() || idProduct.empty())
        return {};
    return "USB " + idVendor + ":" + idProduct;
}

std::string UsbAdapterName(const std::string& sysRoot, const std::string& ttyName)
{
    std::error_code ec;
    fs::path dir = fs::canonical(fs::path(sysRoot) / ttyName / "device", ec);
    if (ec)
        return {};
    for (int level = 0; level <= kMostLevelsUp && dir.has_relative_path(); ++level, dir = dir.parent_path()) {
        if (fs::exists(dir / "idVendor", ec) && fs::exists(dir / "idProduct", ec))
            return UsbDeviceName(Attribute(dir / "manufacturer"), Attribute(dir / "product"),
                                 Attribute(dir / "idVendor"), Attribute(dir / "idProduct"));
    }
    return {};
}

}  // namespace brevant
