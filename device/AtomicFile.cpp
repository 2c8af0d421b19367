#include "AtomicFile.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace brevant {

namespace {

std::string Failure(std::string_view what, const std::string& path, int error)
{
    return std::string(what) + " " + path + ": " + std::generic_category().message(error);
}

// The file a path names once its symbolic links are followed, even when the
// last link points at a file that does not exist yet.
std::string Resolved(const std::string& path)
{
    std::filesystem::path target = path;
    std::error_code ec;
    for (int hops = 0; hops < 40 && std::filesystem::is_symlink(target, ec); ++hops) {
        const std::filesystem::path next = std::filesystem::read_symlink(target, ec);
        if (ec)
            break;
        target = next.is_absolute() ? next : target.parent_path() / next;
    }
    return target.string();
}

bool WriteAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

void SyncFolder(const std::string& file)
{
    std::string folder = std::filesystem::path(file).parent_path().string();
    if (folder.empty())
        folder = ".";
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

}  // namespace

std::string WriteFileAtomically(const std::string& path, std::string_view bytes)
{
    const std::string target = Resolved(path);
    struct stat existing {};
    const bool exists = ::stat(target.c_str(), &existing) == 0;

    std::random_device random;
    std::string temp;
    int fd = -1;
    for (int attempt = 0; attempt < 16 && fd < 0; ++attempt) {
        temp = target + ".tmp" + std::to_string(random() % 1000000);
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            break;
    }
    if (fd < 0)
        return Failure("cannot create", path, errno);
    const auto fail = [&](std::string_view what) {
        const int error = errno;
        if (fd >= 0)
            ::close(fd);
        ::unlink(temp.c_str());
        return Failure(what, path, error);
    };
    // A file that was there keeps who may read and write it.
    if (exists && ::fchmod(fd, existing.st_mode & 07777) != 0)
        return fail("cannot create");
    if (!WriteAll(fd, bytes) || ::fsync(fd) != 0)
        return fail("cannot write");
    const int closing = fd;
    fd = -1;
    if (::close(closing) != 0)
        return fail("cannot write");
    if (::rename(temp.c_str(), target.c_str()) != 0)
        return fail("cannot replace");
    SyncFolder(target);
    return {};
}

}  // namespace brevant
