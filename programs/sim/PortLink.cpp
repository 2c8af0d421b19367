#include "programs/sim/PortLink.h"

#include <unistd.h>

namespace brevant::sim {

namespace fs = std::filesystem;

PortLink::PortLink(const fs::path& dir, int comNumber, const std::string& target)
    : path_(dir / ("COM" + std::to_string(comNumber))), target_(target)
{
    fs::create_directories(dir);
    const fs::path fresh = dir / (".COM" + std::to_string(comNumber) + ".new" + std::to_string(::getpid()));
    std::error_code ignored;
    fs::remove(fresh, ignored);
    fs::create_symlink(target_, fresh);
    try {
        fs::rename(fresh, path_);
    } catch (...) {
        fs::remove(fresh, ignored);
        throw;
    }
}

PortLink::~PortLink()
{
    std::error_code ec;
    if (fs::is_symlink(fs::symlink_status(path_, ec)) && fs::read_symlink(path_, ec) == target_)
        fs::remove(path_, ec);
}

}  // namespace brevant::sim
