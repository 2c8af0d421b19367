#include "core/Translate.h"

#include <atomic>

namespace brevant {

namespace {

std::atomic<Translator> installed{nullptr};

}  // namespace

void InstallTranslator(Translator translator)
{
    installed.store(translator, std::memory_order_release);
}

std::string Tr(const char* context, std::string_view text)
{
    const Translator translator = installed.load(std::memory_order_acquire);
    // The translator takes a terminated text; a view need not be one.
    const std::string source(text);
    return translator ? translator(context, source.c_str()) : source;
}

std::string Fill(std::string_view pattern, std::initializer_list<std::string_view> args)
{
    std::string text;
    text.reserve(pattern.size());
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const char next = i + 1 < pattern.size() ? pattern[i + 1] : '\0';
        const auto index = static_cast<std::size_t>(next - '1');
        if (pattern[i] == '%' && next >= '1' && next <= '9' && index < args.size()) {
            text += *(args.begin() + index);
            ++i;
        } else {
            text += pattern[i];
        }
    }
    return text;
}

}  // namespace brevant
