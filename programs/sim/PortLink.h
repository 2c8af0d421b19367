// Publishes the pseudo-terminal as DIR/COMn: a symbolic link to the slave
// device, which the program finds through its port directory. A stale link
// from an earlier run is Replaced (atomically, by renaming a fresh link over
// it). The link is removed again on destruction if it still points to us.
#pragma once

#include <filesystem>
#include <string>

namespace brevant::sim {

class PortLink {
public:
    // Creates DIR if missing. Throws std::filesystem::filesystem_error.
    PortLink(const std::filesystem::path& dir, int comNumber, const std::string& target);
    ~PortLink();
    PortLink(const PortLink&) = delete;
    PortLink& operator=(const PortLink&) = delete;

    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
    std::string target_;
};

}  // namespace brevant::sim
