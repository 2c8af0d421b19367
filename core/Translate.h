// The user's language for the texts made below the window. The core and the
// procedures write their texts in English; the window installs a translator,
// and every text a user reads passes through Tr where it is made. Without a
// translator (brevantctl, brevant-sim, the tests) the texts stay English.
//
// A text with parts filled in at run time is one pattern with %1..%9, so that
// a translation may put the parts in its own order:
//   Fill(Tr("brevant::Setting", "%1 is below %2: %3"), {typed, min, outcome})
//
// Thread-safety: InstallTranslator is called once at start, before other
// threads run (and by tests between cases); Tr and Fill may then be called
// from any thread. The installed translator must itself be safe on any thread.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

// Marks a constant text for translation where it is defined; it is
// translated where it is shown, with Tr(context, text).
#define BRV_TEXT(context, text) text

namespace brevant {

// Returns the translation of `text` in `context` as UTF-8, or `text` itself.
using Translator = std::string (*)(const char* context, const char* text);

// Installs the translator Tr uses; nullptr goes back to English.
void InstallTranslator(Translator translator);

// `text` in the user's language: translated, or as it is when no translator
// is installed or it knows no translation.
std::string Tr(const char* context, std::string_view text);

// `pattern` with %1..%9 replaced by args[0..8]. A % not followed by the number
// of an argument stays as it is; the arguments are not searched again.
std::string Fill(std::string_view pattern, std::initializer_list<std::string_view> args);

}  // namespace brevant
