#include "PresetFile.h"

#include "AtomicFile.h"
#include "Catalogue.h"
#include "SettingName.h"
#include "TextScan.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <system_error>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

namespace brevant {

namespace {

constexpr std::size_t kLineCount = kPresetLines;

std::string Failure(std::string_view what, const std::string& path, int error)
{
    return std::string(what) + " " + path + ": " + std::generic_category().message(error);
}

// Closes a descriptor on every way out.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    int Get() const { return fd_; }
    bool Valid() const { return fd_ >= 0; }
    // Closes now; false (errno set) when the close reports an error.
    bool Close()
    {
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0;
    }

private:
    int fd_;
};

struct UploadStep {
    Op op;
    Address at;
    int32_t value;
};

}  // namespace

std::string FormatPreset(const DeviceParams& params)
{
    return FormatPreset(PresetFromMirror(params));
}

PresetResult WritePresetFile(const std::string& path, const DeviceParams& params)
{
    std::string error = WriteFileAtomically(path, FormatPreset(params));
    return {error.empty(), std::move(error)};
}

PresetCheck ReadPresetFile(const std::string& path)
{
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd.Valid())
        return {std::nullopt, Failure("cannot open", path, errno)};

    // Only the first nineteen lines count, so reading stops once they are in:
    // a large file picked by mistake is not read whole.
    std::string text;
    std::size_t lineFeeds = 0;
    std::array<char, 4096> buffer;
    while (lineFeeds < kLineCount) {
        const ssize_t n = ::read(fd.Get(), buffer.data(), buffer.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return {std::nullopt, Failure("cannot read", path, errno)};
        }
        if (n == 0)
            break;
        const std::string_view chunk(buffer.data(), static_cast<std::size_t>(n));
        lineFeeds += static_cast<std::size_t>(std::count(chunk.begin(), chunk.end(), '\n'));
        text += chunk;
    }
    // Whatever followed the nineteenth line is not the preset's.
    std::size_t cut = 0;
    for (std::size_t n = 0; n < kLineCount && cut != std::string::npos; ++n)
        cut = text.find('\n', n == 0 ? 0 : cut + 1);
    if (cut != std::string::npos)
        text.resize(cut + 1);
    PresetCheck check = ParsePresetText(text);
    if (!check.preset)
        check.error = path + ": " + check.error;
    return check;
}


PresetLoad UploadPreset(DeviceLink& link, const ProgressFn& progress)
{
    // Every value is taken from the mirror before the first command goes out,
    // so an echo that names another entry cannot change what is sent later.
    DeviceParams& params = link.State().params;
    const bool hasMC = params.DeviceFamily.load() == 1;  // the other family has no MC

    std::vector<Op> channelOps = {Op::MG, Op::MA};
    if (hasMC)
        channelOps.push_back(Op::MC);
    channelOps.insert(channelOps.end(), {Op::MF, Op::MR, Op::MI, Op::MT, Op::MM, Op::OV, Op::OM,
                                         Op::OF, Op::OH, Op::OD});

    std::vector<UploadStep> steps;
    const auto add = [&](Op op, Address at) {
        steps.push_back({op, at, CommandFor(op).field(params, at.a, at.b)->load()});
    };
    for (int i = 1; i <= kChannels; ++i) {
        for (Op op : channelOps)
            add(op, {i});
        for (int j = 1; j <= kChannels; ++j) {
            add(Op::MX, {i, j});
            add(Op::XG, {i, j});
        }
    }
    for (Op op : {Op::MB, Op::MP, Op::SN})
        add(op, {});

    PresetLoad load;
    load.total = static_cast<int>(steps.size());
    for (std::size_t i = 0; i < steps.size(); ++i) {
        const UploadStep& step = steps[i];
        if (const Status status = link.SetConfirmed(step.op, step.at, step.value, kUploadAttempts); !status) {
            load.failure = SettingName({step.op, step.at}) + ": " + std::string(status.Message());
            return load;
        }
        load.sent = static_cast<int>(i + 1);
        if (progress)
            progress(static_cast<int>(100 * (i + 1) / steps.size()));
    }
    load.ok = true;
    return load;
}

std::string PartlyLoadedText(const PresetLoad& load, std::string_view undo)
{
    std::string text = "the preset was only partly loaded: " + std::to_string(load.sent) + " of " +
                       std::to_string(load.total) + " settings";
    if (!load.failure.empty())
        text += " (" + load.failure + ")";
    if (!undo.empty())
        text += "; " + std::string(undo);
    return text;
}

}  // namespace brevant
