#include "core/BoundedFile.h"

#include "core/Translate.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <filesystem>
#include <random>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace brevant {

namespace {

// `pattern` places the path (%1) and the system's reason (%2).
std::string Failure(const std::string& pattern, const std::string& path, int error)
{
    return Fill(pattern, {path, std::generic_category().message(error)});
}

std::string TypeName(mode_t mode)
{
    if (S_ISCHR(mode))
        return Tr("brevant::File", "a character device");
    if (S_ISBLK(mode))
        return Tr("brevant::File", "a block device");
    if (S_ISFIFO(mode))
        return Tr("brevant::File", "a FIFO");
    if (S_ISSOCK(mode))
        return Tr("brevant::File", "a socket");
    if (S_ISDIR(mode))
        return Tr("brevant::File", "a directory");
    return Tr("brevant::File", "something else");
}

std::string NotAFile(const std::string& path, mode_t mode)
{
    return Fill(Tr("brevant::File", "%1 is %2, not a file"), {path, TypeName(mode)});
}

std::string LinkLoop(const std::string& path)
{
    return Fill(Tr("brevant::File", "%1 is a loop of symbolic links"), {path});
}

// Why a file to read could not be looked at or opened.
std::string Unreadable(const std::string& path, int error)
{
    if (error == ELOOP)
        return LinkLoop(path);
    if (error == ENOENT)
        return Fill(Tr("brevant::File", "%1 does not exist"), {path});
    return Failure(Tr("brevant::File", "cannot open %1: %2"), path, error);
}

// Why a file of this kind and these properties is not read; empty when it is.
std::string ReadRefusal(const std::string& path, const struct stat& info, const FileKind& kind)
{
    if (!S_ISREG(info.st_mode))
        return NotAFile(path, info.st_mode);
    if (const std::string why = SizeRefusal(static_cast<std::size_t>(info.st_size), kind); !why.empty())
        return Fill(Tr("brevant::File", "%1 is %2"), {path, why});
    return {};
}

// Closes a descriptor on every way out.
class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int Get() const { return fd_; }

private:
    int fd_;
};

FileBytes Refused(std::string error)
{
    return {std::nullopt, std::move(error)};
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

// Looks at what `path` names, its links followed: `info` is filled and true
// returned when something is there; false for a new name. The refusal, if
// any, lands in `refusal`.
bool Inspect(const std::string& path, struct stat& info, std::string& refusal)
{
    if (::stat(path.c_str(), &info) == 0) {
        if (!S_ISREG(info.st_mode))
            refusal = NotAFile(path, info.st_mode);
        return true;
    }
    if (errno == ELOOP)
        refusal = LinkLoop(path);
    // Otherwise a new name, a link to a file yet to be made, or a folder that
    // is not there or not searchable: creating the temporary file tells.
    return false;
}

}  // namespace

std::string SizeRefusal(std::size_t size, const FileKind& kind)
{
    if (size <= kind.maxBytes)
        return {};
    const std::string bound = kind.maxBytes % 1024 == 0
                                  ? std::to_string(kind.maxBytes / 1024) + " KiB"
                                  : Fill(Tr("brevant::File", "%1 bytes"), {std::to_string(kind.maxBytes)});
    return Fill(Tr("brevant::File", "larger than %1 can be (%2)"), {Tr("brevant::File", kind.name), bound});
}

FileBytes ReadBoundedFile(const std::string& path, const FileKind& kind)
{
    // Looked at before it is opened: opening a device node can itself act
    // (a serial port's pulls its control lines).
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return Refused(Unreadable(path, errno));
    if (std::string why = ReadRefusal(path, info, kind); !why.empty())
        return Refused(std::move(why));

    // Without blocking: a FIFO put in the file's place meanwhile must not
    // hold the open for ever waiting for a writer.
    const Descriptor fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (fd.Get() < 0)
        return Refused(Unreadable(path, errno));
    if (::fstat(fd.Get(), &info) != 0)
        return Refused(Failure(Tr("brevant::File", "cannot read %1: %2"), path, errno));
    if (std::string why = ReadRefusal(path, info, kind); !why.empty())
        return Refused(std::move(why));

    // One byte past the bound tells a file that grew while it was read.
    std::string bytes;
    std::array<char, 16384> buffer;
    while (bytes.size() <= kind.maxBytes) {
        const std::size_t room = std::min(buffer.size(), kind.maxBytes + 1 - bytes.size());
        const ssize_t n = ::read(fd.Get(), buffer.data(), room);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return Refused(Failure(Tr("brevant::File", "cannot read %1: %2"), path, errno));
        }
        if (n == 0)
            break;
        bytes.append(buffer.data(), static_cast<std::size_t>(n));
    }
    if (const std::string why = SizeRefusal(bytes.size(), kind); !why.empty())
        return Refused(Fill(Tr("brevant::File", "%1 is %2"), {path, why}));
    return {std::move(bytes), {}};
}

std::string WriteRefusal(const std::string& path)
{
    struct stat info {};
    std::string refusal;
    Inspect(path, info, refusal);
    return refusal;
}

std::string WriteFileAtomically(const std::string& path, std::string_view bytes)
{
    // Checked before anything is made: what is refused is left untouched.
    struct stat existing {};
    std::string refusal;
    const bool exists = Inspect(path, existing, refusal);
    if (!refusal.empty())
        return refusal;
    const std::string target = Resolved(path);

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
        return Failure(Tr("brevant::File", "cannot create %1: %2"), path, errno);
    const auto fail = [&](std::string reason) {
        if (fd >= 0)
            ::close(fd);
        ::unlink(temp.c_str());
        return reason;
    };
    // A file that was there keeps who may read and write it.
    if (exists && ::fchmod(fd, existing.st_mode & 07777) != 0)
        return fail(Failure(Tr("brevant::File", "cannot create %1: %2"), path, errno));
    if (!WriteAll(fd, bytes) || ::fsync(fd) != 0)
        return fail(Failure(Tr("brevant::File", "cannot write %1: %2"), path, errno));
    const int closing = fd;
    fd = -1;
    if (::close(closing) != 0)
        return fail(Failure(Tr("brevant::File", "cannot write %1: %2"), path, errno));
    // The name may have come to mean something else while the bytes went out.
    struct stat now {};
    Inspect(path, now, refusal);
    if (!refusal.empty())
        return fail(refusal);
    if (::rename(temp.c_str(), target.c_str()) != 0)
        return fail(Failure(Tr("brevant::File", "cannot replace %1: %2"), path, errno));
    SyncFolder(target);
    return {};
}

}  // namespace brevant
