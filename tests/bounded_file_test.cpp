// The one way files are read and written: what is no regular file is refused
// on both sides, at once, and left as it was; sizes are bounded before and
// while reading; a write that fails keeps the old file whole.
#include "core/BoundedFile.h"
#include "tests/SimProcess.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/time.h>

namespace brevant::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr FileKind kPreset{"a preset", 64 * 1024};

// A blocked open is interrupted after a few seconds, and every second after,
// instead of hanging the test: it then fails with EINTR, which no expected
// message matches.
class OpenGuard {
public:
    OpenGuard()
    {
        struct sigaction action {};
        action.sa_handler = [](int) {};
        ::sigaction(SIGALRM, &action, &old_);
        const itimerval timer{{1, 0}, {3, 0}};
        ::setitimer(ITIMER_REAL, &timer, nullptr);
    }
    ~OpenGuard()
    {
        const itimerval off{};
        ::setitimer(ITIMER_REAL, &off, nullptr);
        ::sigaction(SIGALRM, &old_, nullptr);
    }
    OpenGuard(const OpenGuard&) = delete;
    OpenGuard& operator=(const OpenGuard&) = delete;

private:
    struct sigaction old_ {};
};

class BoundedFileTest : public ::testing::Test {
protected:
    const TempDir dir{"brevant-file"};
};

// Reading and writing refuse what is no file at once, and leave it as it was:
// a FIFO, a directory, a loop of two links and a link to the FIFO.
TEST_F(BoundedFileTest, WhatIsNoFileIsRefusedBothWaysAtOnceAndLeftAsItWas)
{
    const std::string fifo = dir / "fifo", folder = dir / "folder";
    const std::string loop = dir / "loop", linkToFifo = dir / "link-to-fifo", missing = dir / "missing";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    fs::create_directory(folder);
    fs::create_symlink("loop2", loop);
    fs::create_symlink("loop", dir / "loop2");
    fs::create_symlink("fifo", linkToFifo);
    const std::pair<std::string, std::string> cases[] = {
        {fifo, fifo + " is a FIFO, not a file"},
        {linkToFifo, linkToFifo + " is a FIFO, not a file"},
        {folder, folder + " is a directory, not a file"},
        {loop, loop + " is a loop of symbolic links"},
        {"/dev/zero", "/dev/zero is a character device, not a file"},
        {missing, missing + " does not exist"}};
    const OpenGuard guard;
    const auto start = std::chrono::steady_clock::now();
    for (const auto& [path, error] : cases) {
        const FileBytes read = ReadBoundedFile(path, kPreset);
        EXPECT_FALSE(read.bytes) << path;
        EXPECT_EQ(read.error, error);
        if (path.starts_with(dir.path) && path != missing) {
            EXPECT_EQ(WriteRefusal(path), error);
            EXPECT_EQ(WriteFileAtomically(path, "new"), error);
        }
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
    EXPECT_TRUE(fs::is_fifo(fifo));
    EXPECT_TRUE(fs::is_empty(folder));
    EXPECT_EQ(fs::read_symlink(loop), "loop2");
    EXPECT_EQ(fs::read_symlink(linkToFifo), "fifo");
    EXPECT_EQ(DirEntries(dir.path), 5);  // no temporary file was left
}

// A file above its bound is refused before it is read (a sparse 200 MB file
// takes no disk), and one that says it is small but is not (as /proc's files
// do, like one growing while it is read) once one byte more than the bound is in.
TEST_F(BoundedFileTest, ReadingIsBoundedBeforeAndWhileReading)
{
    const std::string huge = dir.Write("huge", "");
    fs::resize_file(huge, 200'000'000);
    const std::string atBound = dir.Write("at-bound", std::string(kPreset.maxBytes, 'x'));
    const std::string overBound = dir.Write("over-bound", std::string(kPreset.maxBytes + 1, 'x'));
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(ReadBoundedFile(huge, kPreset).error, huge + " is larger than a preset can be (64 KiB)");
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
    EXPECT_EQ(ReadBoundedFile(atBound, kPreset).bytes, std::string(kPreset.maxBytes, 'x'));
    EXPECT_EQ(ReadBoundedFile(overBound, kPreset).error,
              overBound + " is larger than a preset can be (64 KiB)");

    struct stat info {};
    ASSERT_EQ(::stat("/proc/self/status", &info), 0);
    ASSERT_EQ(info.st_size, 0);
    EXPECT_EQ(ReadBoundedFile("/proc/self/status", {"a status", 16}).error,
              "/proc/self/status is larger than a status can be (16 bytes)");
    EXPECT_EQ(ReadBoundedFile("/proc/self/status", kPreset).bytes->rfind("Name:", 0), 0u);
}

// A new name, an older longer file, a link (to a file, or to a name yet to be
// made): the target holds the bytes, keeps its permissions, links stay links.
TEST_F(BoundedFileTest, AWriteReplacesTheFileWholeKeepingPermissionsAndLinks)
{
    EXPECT_EQ(WriteFileAtomically(dir / "new", "one"), "");
    EXPECT_EQ(FileText(dir / "new"), "one");

    const std::string real = dir.Write("real", "an older and longer text");
    fs::permissions(real, fs::perms::owner_read | fs::perms::owner_write);
    fs::create_symlink("real", dir / "link");
    EXPECT_EQ(WriteFileAtomically(dir / "link", "two"), "");
    EXPECT_TRUE(fs::is_symlink(dir / "link"));
    EXPECT_EQ(FileText(real), "two");
    EXPECT_EQ(fs::status(real).permissions(), fs::perms::owner_read | fs::perms::owner_write);

    fs::create_symlink("later", dir / "dangling");
    EXPECT_EQ(WriteFileAtomically(dir / "dangling", "three"), "");
    EXPECT_EQ(FileText(dir / "later"), "three");
    EXPECT_EQ(DirEntries(dir.path), 5);

    const std::string noFolder = dir / "no-folder/x";
    EXPECT_EQ(WriteFileAtomically(noFolder, "x"),
              "cannot create " + noFolder + ": No such file or directory");
}

// A write that fails half way (here at the file size limit of a child
// process) leaves the old file exactly as it was and no temporary file behind.
TEST_F(BoundedFileTest, AWriteCutShortKeepsTheOldFile)
{
    const std::string file = dir.Write("old", "old text\n");
    const auto writeWithLittleRoom = [&] {
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{};
        limit.rlim_cur = limit.rlim_max = 100;
        ::setrlimit(RLIMIT_FSIZE, &limit);
        const std::string error = WriteFileAtomically(file, std::string(1000, 'n'));
        std::fprintf(stderr, "[%s]\n", error.c_str());
        std::_Exit(error.empty() ? 0 : 3);
    };
    EXPECT_EXIT(writeWithLittleRoom(), ::testing::ExitedWithCode(3),
                "\\[cannot write .*/old: File too large\\]");
    EXPECT_EQ(FileText(file), "old text\n");
    EXPECT_EQ(DirEntries(dir.path), 1);
}

}  // namespace
}  // namespace brevant::test
