// The window's language: English (the texts in the sources) or Simplified
// Chinese, chosen from the system's languages or by the user (View >
// Language, kept in the settings as "Language" = system, en or zh_CN). The
// translations are compiled into the program under :/i18n/; Qt's own, for
// the standard buttons and file dialogs, come from Qt's translations folder.
//
// UI thread only. The translators are installed before the first window is
// built; a change of choice takes effect at the next start.
#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class QMenu;

namespace brevant {

enum class LanguageChoice { System, English, Chinese };

// The word kept in the settings and taken by --language: "system", "en",
// "zh_CN"; nullopt for a word that names none.
QString LanguageWord(LanguageChoice choice);
std::optional<LanguageChoice> LanguageFromWord(const QString& word);

// The language a choice comes to: "en" or "zh_CN". System follows the first
// of `uiLanguages` (QLocale::system().uiLanguages() by default) that is
// English or Simplified Chinese ("zh-CN", "zh-Hans…", plain "zh"); English
// when none is.
QString ResolveLanguage(LanguageChoice choice, const std::optional<QStringList>& uiLanguages = std::nullopt);

// The choice kept in the program's settings (System when there is none).
LanguageChoice SavedLanguageChoice();
void SaveLanguageChoice(LanguageChoice choice);

// Installs the translators of `language` ("en" or "zh_CN") on the
// application, replacing any this function installed before: the program's
// own translations and Qt's. English installs none. True when every
// translation the language needs was found.
bool InstallLanguage(const QString& language);

// Fills `menu` with System, English and 简体中文 (each named in itself),
// the saved choice checked. Choosing another keeps it in the settings and
// calls `tell` with a line saying it applies from the next start.
void FillLanguageMenu(QMenu* menu, const std::function<void(const QString&)>& tell);

}  // namespace brevant
