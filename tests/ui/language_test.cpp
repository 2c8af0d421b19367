// The window's languages: which one the system's list comes to, and the
// window itself with the Chinese translation loaded.
#include "programs/brevant/BrevantApp.h"
#include "programs/brevant/ConnectSettings.h"
#include "programs/brevant/Language.h"
#include "programs/brevant/MainWindow.h"
#include "programs/brevant/ProgramCore.h"
#include "ui/views/CommLogView.h"

#include <QDialogButtonBox>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QToolBar>

#include <gtest/gtest.h>

namespace brevant::test {
namespace {

TEST(LanguageTest, TheSystemListComesToEnglishOrSimplifiedChinese)
{
    struct Row {
        QStringList system;
        const char* language;
    };
    const Row rows[] = {
        {{"zh-CN", "en-US"}, "zh_CN"},      {{"zh-Hans-CN"}, "zh_CN"}, {{"zh"}, "zh_CN"},
        {{"zh-TW", "zh-Hant", "en"}, "en"},  // traditional Chinese is not offered
        {{"de-DE", "zh-CN"}, "zh_CN"},       // the first one the program has
        {{"en-GB", "zh-CN"}, "en"},         {{"fr-FR"}, "en"},         {{}, "en"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(ResolveLanguage(LanguageChoice::System, row.system), row.language)
            << row.system.join(' ').toStdString();
    EXPECT_EQ(ResolveLanguage(LanguageChoice::English, QStringList{"zh-CN"}), "en");
    EXPECT_EQ(ResolveLanguage(LanguageChoice::Chinese, QStringList{"en-US"}), "zh_CN");
}

TEST(LanguageTest, TheCommandLineChoosesALanguageItKnows)
{
    const auto parse = [](std::vector<const char*> words, QString* error) {
        words.insert(words.begin(), "brevant");
        return ParseAppOptions(static_cast<int>(words.size()), const_cast<char**>(words.data()), error);
    };
    QString error;
    EXPECT_FALSE(parse({}, &error)->language.has_value()) << "the saved choice, by default";
    EXPECT_EQ(parse({"--language", "zh_CN"}, &error)->language, LanguageChoice::Chinese);
    EXPECT_EQ(parse({"--language", "system"}, &error)->language, LanguageChoice::System);
    for (const std::vector<const char*>& wrong :
         {std::vector<const char*>{"--language", "de"}, std::vector<const char*>{"--language"}}) {
        error.clear();
        EXPECT_FALSE(parse(wrong, &error).has_value());
        EXPECT_EQ(error, "--language takes system, en or zh_CN");
    }
}

TEST(LanguageTest, TheMenuKeepsTheChoiceForTheNextStartAndSaysSo)
{
    ProgramSettings().remove(QStringLiteral("Language"));
    QMenu menu;
    QStringList told;
    FillLanguageMenu(&menu, [&told](const QString& text) { told << text; });
    const QList<QAction*> items = menu.actions();
    ASSERT_EQ(items.size(), 3);
    EXPECT_TRUE(items[0]->isChecked()) << "the system's language until one is chosen";

    items[2]->trigger();
    EXPECT_EQ(ProgramSettings().value(QStringLiteral("Language")).toString(), "zh_CN");
    EXPECT_EQ(SavedLanguageChoice(), LanguageChoice::Chinese);
    EXPECT_TRUE(items[2]->isChecked());
    EXPECT_FALSE(items[0]->isChecked());
    EXPECT_EQ(told, QStringList{"The language changes when Brevant is next started."});
    items[2]->trigger();
    EXPECT_EQ(told.size(), 1) << "the same choice again changes nothing";
    ProgramSettings().remove(QStringLiteral("Language"));
}

// Every menu's title and item, in menu order (separators left out), with the
// recent files, which are file names in any language.
QStringList MenuTexts(const MainWindow& window)
{
    QStringList texts;
    const std::function<void(const QMenu&)> walk = [&](const QMenu& menu) {
        texts << menu.title();
        if (menu.objectName() == QLatin1String("recentMenu"))
            return;
        for (const QAction* action : menu.actions()) {
            if (action->menu())
                walk(*action->menu());
            else if (!action->isSeparator())
                texts << action->text();
        }
    };
    for (const QAction* top : window.menuBar()->actions())
        if (top->menu())
            walk(*top->menu());
    return texts;
}

class ChineseWindowTest : public ::testing::Test {
protected:
    void TearDown() override { InstallLanguage(QStringLiteral("en")); }

    QTemporaryDir ports;  // no device: the window as it starts
    ProgramCore core{PortMap::Directory(ports.path().toStdString()), [](const QString&) {}};
};

TEST_F(ChineseWindowTest, EveryMenuTextIsTranslatedAndTheListKeepsItsChineseHeadings)
{
    CommLog log;
    const auto headings = [&log] {
        CommLogView view(log, nullptr, {});
        QStringList texts;
        for (int column = 0; column < view.columnCount(); ++column)
            texts << view.horizontalHeaderItem(column)->text();
        return texts;
    };
    EXPECT_EQ(headings(), (QStringList{"No.", "Time", "Port", "Direction", "Content"}));
    const QStringList english = MenuTexts(MainWindow(core));

    ASSERT_TRUE(InstallLanguage(QStringLiteral("zh_CN")))
        << "the translations are compiled in, Qt's installed";
    const MainWindow window(core);
    const QStringList chinese = MenuTexts(window);
    ASSERT_EQ(chinese.size(), english.size());
    // The languages are named in themselves, whatever the window's language.
    const QStringList same{"&English", "简体中文(&C)"};
    for (qsizetype i = 0; i < english.size(); ++i) {
        if (same.contains(english[i]))
            EXPECT_EQ(chinese[i], english[i]);
        else
            EXPECT_NE(chinese[i], english[i]) << "untranslated: " << english[i].toStdString();
    }
    EXPECT_TRUE(chinese.contains("设备(&D)")) << chinese.join(" | ").toStdString();
    // The toolbar's buttons: the command without its underlined letter.
    QStringList buttons;
    for (const QAction* action : window.findChild<QToolBar*>(QStringLiteral("commands"))->actions())
        buttons << action->iconText();
    EXPECT_EQ(buttons, (QStringList{"连接", "断开", "通道", "矩阵", "声场测试"}));

    EXPECT_EQ(headings(), (QStringList{"序号", "时间", "串口号", "方向", "内容"}));
    // Qt's own texts follow: the standard buttons.
    QDialogButtonBox standard(QDialogButtonBox::Cancel);
    EXPECT_EQ(standard.button(QDialogButtonBox::Cancel)->text(), "取消");

    InstallLanguage(QStringLiteral("en"));
    EXPECT_EQ(MenuTexts(MainWindow(core)), english) << "English again: no translator left behind";
}

}  // namespace
}  // namespace brevant::test
