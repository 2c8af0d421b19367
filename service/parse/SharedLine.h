// A line a client writes to a device's shared port, read the way the device
// reads it: what kind of command it is and which setting or meter it names.
// The line splitter cuts a client's bytes into such lines and keeps at most
// a few lines' worth of them: an overlong line is dropped whole, as the
// device ignores a line it cannot read.
//
// Thread-safety: ParseSharedLine is a pure function. A LineSplitter belongs
// to one client and is used by one thread at a time.
#pragma once

#include "core/Catalogue.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace brevant::service {

// The longest line taken; the longest command line is far shorter.
inline constexpr std::size_t kMaxSharedLine = 64;

enum class LineKind {
    SettingQuery,  // "MG1r", "MX12r", "MBsr"
    MeterQuery,    // "ML1r"
    Set,           // "MG1-5", "MBs1"
    Action,        // save to device: "SSs1"
    SoundTest,     // "SMs1", "CEs1", "CGs0".."CGs3", "CNs2", "CPsr", "DAsr".."EJsr"
    Upgrade,       // "UGst": binary firmware packets follow
    ModelQuery,    // "SAsr"
    VersionQuery,  // "SVsr"
    ServiceQuery,  // "SZsr": is this a service's shared port? (the device knows no such line)
    Unknown,       // anything else: the device gives no answer
};

struct SharedLine {
    LineKind kind = LineKind::Unknown;
    const Command* command = nullptr;  // the catalogue row, unless an identity query, upgrade or unknown
    // What a query or set names: device-wide settings at {0, 0}, channel
    // settings and meters at {n, 0}, crosspoints at {input, output}, a
    // result block at {block, 0}.
    SettingRef setting{Op::ML, {}};
    bool query = false;      // asks for a value rather than setting one
    std::int32_t value = 0;  // the value of a set
};

// Reads one line, with or without its line end ("\r\n" or "\n").
SharedLine ParseSharedLine(std::string_view line);

// Cuts a stream of bytes into lines, each with its line feed. Holds at most
// kSplitterCapacity bytes: Feed takes only what fits.
class LineSplitter {
public:
    static constexpr std::size_t kSplitterCapacity = 4 * kMaxSharedLine;

    // How many bytes Feed takes now.
    std::size_t Room() const { return kSplitterCapacity - pending_.size(); }
    // Takes the first Room() bytes of `bytes`; returns how many it took.
    std::size_t Feed(std::string_view bytes);
    // The next whole line, line feed included; nullopt until one is whole.
    // A line longer than kMaxSharedLine is dropped, up to its line feed.
    std::optional<std::string> Next();
    // Hands over the bytes held and forgets them (the client stops writing lines).
    std::string TakeRest()
    {
        skipping_ = false;
        return std::exchange(pending_, {});
    }
    // Lines dropped for their length so far.
    std::size_t Dropped() const { return dropped_; }

private:
    std::string pending_;
    bool skipping_ = false;  // inside an overlong line: drop up to its line feed
    std::size_t dropped_ = 0;
};

}  // namespace brevant::service
