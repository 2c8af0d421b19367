#include "programs/sim/StateFile.h"

#include <charconv>
#include <fstream>
#include <sstream>
#include <system_error>
#include <unistd.h>

namespace brevant::sim {
namespace {

constexpr std::string_view kHeader = "# brevant-sim device memory";
constexpr std::string_view kFirmwareKey = "FW";

std::optional<long long> ParseNumber(std::string_view text)
{
    long long value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc{} || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

std::string_view Trim(std::string_view s)
{
    const auto first = s.find_first_not_of(" \t\r");
    if (first == std::string_view::npos)
        return {};
    const auto last = s.find_last_not_of(" \t\r");
    return s.substr(first, last - first + 1);
}

}  // namespace

std::string StateFile::Serialize(const DeviceSettings& settings)
{
    std::ostringstream out;
    out << kHeader << '\n' << kFirmwareKey << ' ' << settings.FirmwareVersion() << '\n';
    for (const auto& key : DeviceSettings::AllKeys())
        out << DeviceSettings::KeyName(key) << ' ' << settings.Get(key) << '\n';
    return out.str();
}

std::optional<DeviceSettings> StateFile::Parse(std::string_view text, std::string& error)
{
    DeviceSettings settings;
    int lineNumber = 0;
    while (!text.empty()) {
        const auto newline = text.find('\n');
        const std::string_view line = Trim(text.substr(0, newline));
        text = newline == std::string_view::npos ? std::string_view{} : text.substr(newline + 1);
        ++lineNumber;
        if (line.empty() || line.front() == '#')
            continue;

        const auto space = line.find_first_of(" \t");
        const std::string_view name = line.substr(0, space);
        const auto number =
            space == std::string_view::npos ? std::nullopt : ParseNumber(Trim(line.substr(space)));
        const auto where = "line " + std::to_string(lineNumber) + ": ";
        if (!number) {
            error = where + "expected \"key value\"";
            return std::nullopt;
        }
        const long long value = number.value_or(0);
        if (name == kFirmwareKey) {
            if (value < 0 || value > 0xFFFFFFFFLL) {
                error = where + "firmware version out of range";
                return std::nullopt;
            }
            settings.SetFirmwareVersion(static_cast<std::uint32_t>(value));
            continue;
        }
        const auto key = DeviceSettings::FindKeyName(name);
        if (!key) {
            error = where + "unknown setting \"" + std::string(name) + "\"";
            return std::nullopt;
        }
        if (value < -1'000'000 || value > 1'000'000) {
            error = where + "value out of range";
            return std::nullopt;
        }
        settings.Set(*key, static_cast<int>(value));
    }
    return settings;
}

StateFile::LoadResult StateFile::Load() const
{
    LoadResult result;
    std::error_code ec;
    if (!std::filesystem::exists(path_, ec)) {
        result.status = Status::Missing;
        return result;
    }
    std::ifstream in(path_, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    if (!in) {
        result.status = Status::Broken;
        result.error = "cannot read the file";
        return result;
    }
    std::string error;
    if (auto settings = Parse(text.str(), error)) {
        result.status = Status::Loaded;
        result.settings = *settings;
    } else {
        result.status = Status::Broken;
        result.error = error;
    }
    return result;
}

bool StateFile::Save(const DeviceSettings& settings, std::string* error) const
{
    auto fail = [&](const std::string& why) {
        if (error)
            *error = why;
        return false;
    };
    auto temporary = path_;
    temporary += ".tmp" + std::to_string(::getpid());
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out)
            return fail("cannot create " + temporary.string());
        out << Serialize(settings);
        out.flush();
        if (!out) {
            std::error_code ignored;
            std::filesystem::remove(temporary, ignored);
            return fail("cannot write " + temporary.string());
        }
    }
    std::error_code ec;
    std::filesystem::rename(temporary, path_, ec);
    if (ec) {
        std::error_code ignored;
        std::filesystem::remove(temporary, ignored);
        return fail("cannot replace " + path_.string() + ": " + ec.message());
    }
    return true;
}

}  // namespace brevant::sim
