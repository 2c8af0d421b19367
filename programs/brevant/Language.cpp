#include "programs/brevant/Language.h"

#include "programs/brevant/ConnectSettings.h"

#include <QActionGroup>
#include <QCoreApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QLocale>
#include <QMenu>
#include <QPointer>
#include <QTranslator>

#include <array>

namespace brevant {

namespace {

const QString kLanguageKey = QStringLiteral("Language");

struct Named {
    LanguageChoice choice;
    const char* word;
};
constexpr std::array<Named, 3> kWords{{{LanguageChoice::System, "system"},
                                       {LanguageChoice::English, "en"},
                                       {LanguageChoice::Chinese, "zh_CN"}}};

// The translators InstallLanguage put in place; the application owns them.
QList<QPointer<QTranslator>>& Installed()
{
    static QList<QPointer<QTranslator>> installed;
    return installed;
}

bool Install(const QString& file, const QString& folder)
{
    auto* translator = new QTranslator(QCoreApplication::instance());
    if (!translator->load(file, folder) || !QCoreApplication::installTranslator(translator)) {
        delete translator;
        return false;
    }
    Installed() << translator;
    return true;
}

// "zh-CN", "zh-Hans-CN", "zh_CN", "zh": Simplified Chinese; "zh-TW" and
// "zh-Hant…" are not.
bool IsSimplifiedChinese(const QString& tag)
{
    const QStringList parts =
        QString(tag).replace(QLatin1Char('_'), QLatin1Char('-')).split(QLatin1Char('-'));
    if (parts.constFirst().compare(QLatin1String("zh"), Qt::CaseInsensitive) != 0)
        return false;
    if (parts.size() == 1)
        return true;
    const QString& second = parts.at(1);
    return second.compare(QLatin1String("Hans"), Qt::CaseInsensitive) == 0 ||
           second.compare(QLatin1String("CN"), Qt::CaseInsensitive) == 0 ||
           second.compare(QLatin1String("SG"), Qt::CaseInsensitive) == 0;
}

}  // namespace

QString LanguageWord(LanguageChoice choice)
{
    for (const Named& named : kWords)
        if (named.choice == choice)
            return QLatin1String(named.word);
    return {};
}

std::optional<LanguageChoice> LanguageFromWord(const QString& word)
{
    for (const Named& named : kWords)
        if (word == QLatin1String(named.word))
            return named.choice;
    return std::nullopt;
}

QString ResolveLanguage(LanguageChoice choice, const std::optional<QStringList>& uiLanguages)
{
    if (choice == LanguageChoice::English)
        return QStringLiteral("en");
    if (choice == LanguageChoice::Chinese)
        return QStringLiteral("zh_CN");
    const QStringList tags = uiLanguages.value_or(QLocale::system().uiLanguages());
    for (const QString& tag : tags) {
        if (IsSimplifiedChinese(tag))
            return QStringLiteral("zh_CN");
        if (tag.startsWith(QLatin1String("en"), Qt::CaseInsensitive))
            return QStringLiteral("en");
    }
    return QStringLiteral("en");
}

LanguageChoice SavedLanguageChoice()
{
    return LanguageFromWord(ProgramSettings().value(kLanguageKey).toString())
        .value_or(LanguageChoice::System);
}

void SaveLanguageChoice(LanguageChoice choice)
{
    ProgramSettings().setValue(kLanguageKey, LanguageWord(choice));
}

bool InstallLanguage(const QString& language)
{
    for (const QPointer<QTranslator>& translator : Installed())
        delete translator.data();  // its destructor takes it off the application
    Installed().clear();
    if (language == QLatin1String("en"))
        return true;
    // Every translation compiled in for the language: the window's and the
    // lower layers' (brevant_<lang>.qm, brevant_core_<lang>.qm).
    const QString suffix = QStringLiteral("_%1.qm").arg(language);
    const QDir embedded(QStringLiteral(":/i18n"));
    bool complete = false;
    for (const QString& file : embedded.entryList({QLatin1Char('*') + suffix}, QDir::Files))
        complete = Install(file, embedded.path()) || complete;
    const bool qt = Install(QStringLiteral("qtbase") + suffix.chopped(3),
                            QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    return complete && qt;
}

void FillLanguageMenu(QMenu* menu, const std::function<void(const QString&)>& tell)
{
    // Each language is named in itself, so whoever reads neither finds their own.
    const std::array<std::pair<LanguageChoice, QString>, 3> items{{
        {LanguageChoice::System, QCoreApplication::translate("brevant::Language", "&System")},
        {LanguageChoice::English, QStringLiteral("&English")},
        {LanguageChoice::Chinese, QStringLiteral("简体中文(&C)")},
    }};
    auto* group = new QActionGroup(menu);
    const LanguageChoice saved = SavedLanguageChoice();
    for (const auto& item : items) {
        const LanguageChoice choice = item.first;
        QAction* action = menu->addAction(item.second);
        action->setCheckable(true);
        action->setChecked(choice == saved);
        group->addAction(action);
        QObject::connect(action, &QAction::triggered, menu, [choice, tell] {
            if (choice == SavedLanguageChoice())
                return;
            SaveLanguageChoice(choice);
            tell(QCoreApplication::translate("brevant::Language",
                                             "The language changes when Brevant is next started."));
        });
    }
}

}  // namespace brevant
