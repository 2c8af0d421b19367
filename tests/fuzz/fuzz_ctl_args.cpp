// brevantctl's command line: any words (the input split at zero bytes) give a
// command to run, or help text with status 0, or a reason with status 2.
#include "programs/brevantctl/CtlArgs.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::vector<std::string> words(1);
    for (std::size_t i = 0; i < size && words.size() < 16; ++i) {
        if (data[i] == 0)
            words.emplace_back();
        else
            words.back() += static_cast<char>(data[i]);
    }
    const brevant::ctl::CtlParse parse = brevant::ctl::ParseCtlArgs(words);
    if (parse.args) {
        if (parse.status != 0 || !parse.error.empty())
            std::abort();
        if (parse.args->port != -1 && (parse.args->port < 1 || parse.args->port > 39))
            std::abort();
    } else if (!((parse.status == 0 && !parse.out.empty()) || (parse.status == 2 && !parse.error.empty()))) {
        std::abort();
    }
    return 0;
}
