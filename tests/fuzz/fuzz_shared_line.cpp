// A shared port's client bytes: cut into lines within the splitter's bound,
// each line read as the device reads it.
#include "service/parse/SharedLine.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace brevant::service;
    std::string_view rest(reinterpret_cast<const char*>(data), size);
    LineSplitter splitter;
    while (!rest.empty()) {
        rest.remove_prefix(splitter.Feed(rest.substr(0, 97)));
        while (const auto line = splitter.Next()) {
            if (line->size() > kMaxSharedLine + 2)
                std::abort();
            const SharedLine read = ParseSharedLine(*line);
            if (read.kind != LineKind::Unknown && read.command == nullptr && read.kind != LineKind::Upgrade &&
                read.kind != LineKind::ModelQuery && read.kind != LineKind::VersionQuery &&
                read.kind != LineKind::ServiceQuery)
                std::abort();
        }
    }
    return 0;
}
