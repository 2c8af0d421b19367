#include "procedures/Simulator.h"

#include <cstdlib>
#include <filesystem>
#include <unistd.h>

namespace brevant {

namespace fs = std::filesystem;

namespace {

constexpr const char* kSimulatorName = "brevant-sim";

bool Executable(const fs::path& path)
{
    std::error_code ec;
    return fs::is_regular_file(path, ec) && ::access(path.c_str(), X_OK) == 0;
}

}  // namespace

std::string FindSimulator()
{
    std::error_code ec;
    const fs::path self = fs::read_symlink("/proc/self/exe", ec);
    if (!ec && Executable(self.parent_path() / kSimulatorName))
        return fs::weakly_canonical(self.parent_path() / kSimulatorName, ec).string();
    const char* path = std::getenv("PATH");
    std::string_view rest = path == nullptr ? "" : path;
    while (!rest.empty()) {
        const std::size_t colon = rest.find(':');
        const std::string_view folder = rest.substr(0, colon);
        if (!folder.empty() && Executable(fs::path(folder) / kSimulatorName))
            return (fs::path(folder) / kSimulatorName).string();
        rest = colon == std::string_view::npos ? "" : rest.substr(colon + 1);
    }
    return {};
}

std::string MakePrivateDir(std::string_view prefix)
{
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    std::error_code ec;
    const fs::path base =
        runtime != nullptr && fs::is_directory(runtime, ec) ? fs::path(runtime) : fs::temp_directory_path(ec);
    std::string pattern = (base / (std::string(prefix) + "XXXXXX")).string();
    return ::mkdtemp(pattern.data()) == nullptr ? std::string() : pattern;
}

}  // namespace brevant
