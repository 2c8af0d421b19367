#include "TextScan.h"

#include <cctype>
#include <cstdint>
#include <limits>
#include <vector>

namespace brevant {

namespace {

bool Matches(char patternChar, char c) { return patternChar == '?' || patternChar == c; }

}  // namespace

int FindPattern(std::string_view text, std::string_view pattern, int start)
{
    if (start < 0 || static_cast<std::size_t>(start) + pattern.size() > text.size())
        return -1;
    if (pattern.empty())
        return start;

    // failure[i]: length of the longest proper border of pattern[0..i].
    std::vector<int> failure(pattern.size(), 0);
    for (std::size_t i = 1, k = 0; i < pattern.size(); ++i) {
        while (k > 0 && !Matches(pattern[k], pattern[i]) && !Matches(pattern[i], pattern[k]))
            k = static_cast<std::size_t>(failure[k - 1]);
        if (Matches(pattern[k], pattern[i]) || Matches(pattern[i], pattern[k]))
            ++k;
        failure[i] = static_cast<int>(k);
    }

    std::size_t k = 0;
    for (std::size_t i = static_cast<std::size_t>(start); i < text.size(); ++i) {
        while (k > 0 && !Matches(pattern[k], text[i]))
            k = static_cast<std::size_t>(failure[k - 1]);
        if (Matches(pattern[k], text[i]))
            ++k;
        if (k == pattern.size())
            return static_cast<int>(i + 1 - pattern.size());
    }
    return -1;
}

int32_t ParseDecimal(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i])))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    int64_t value = 0;
    constexpr int64_t kLimit = int64_t{std::numeric_limits<int32_t>::max()} + 1;
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > kLimit)
            value = kLimit;
    }
    if (negative)
        return static_cast<int32_t>(-value);
    return static_cast<int32_t>(value > std::numeric_limits<int32_t>::max()
                                    ? std::numeric_limits<int32_t>::max()
                                    : value);
}

}  // namespace brevant
