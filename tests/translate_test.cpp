#include "core/LinkError.h"
#include "core/SettingName.h"
#include "core/Translate.h"
#include "procedures/Preset.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace brevant::test {
namespace {

// A language that reorders: each entry names the context it belongs to, so
// a text looked up under the wrong context stays untranslated.
std::string Reversed(const char* context, const char* text)
{
    struct Entry {
        const char* context;
        const char* text;
        const char* translation;
    };
    static constexpr Entry kEntries[] = {
        {"brevant::Setting", "%1 is below %2: %3", "[%3] %2 > %1"},
        {"brevant::Setting", "%1 off", "OFF(%1)"},
        {"brevant::Setting", "low-pass", "LP"},
        {"brevant::Setting", "Input", "IN"},
        {"brevant::Setting", "gain", "G"},
        {"brevant::Preset", "line %1: %2", "%2 @%1"},
        {"brevant::Preset", "expected \"%1\", found %2", "%2 != %1"},
        {"brevant::LinkError", "the device did not answer", "SILENT"},
    };
    for (const Entry& e : kEntries) {
        if (std::strcmp(context, e.context) == 0 && std::strcmp(text, e.text) == 0)
            return e.translation;
    }
    return text;
}

class TranslateTest : public ::testing::Test {
protected:
    void TearDown() override { InstallTranslator(nullptr); }
};

TEST_F(TranslateTest, FillPlacesEachArgumentOnceInThePatternsOrder)
{
    EXPECT_EQ(Fill("%2 before %1", {"a", "b"}), "b before a");
    // A file name that holds a placeholder is not filled in again.
    EXPECT_EQ(Fill("cannot open %1: %2", {"/tmp/mix%2.lg", "denied"}), "cannot open /tmp/mix%2.lg: denied");
    // A % that names no argument stays: "100%" and a pattern missing its part.
    EXPECT_EQ(Fill("100% of %1, %3", {"x"}), "100% of x, %3");
}

TEST_F(TranslateTest, MadeTextsFollowTheInstalledLanguageAndGoBack)
{
    const auto english = [] {
        return std::vector<std::string>{TypedValueNotice(Op::OF, 5), SettingName({Op::MG, {2, 0}}),
                                        ParsePresetText("x").error, Status(LinkError::NoReply).Message()};
    };
    const std::vector<std::string> before = english();
    EXPECT_EQ(before[0], "5 Hz is below 300 Hz: low-pass off");
    EXPECT_EQ(before[1], "Input 2 gain");

    InstallTranslator(&Reversed);
    EXPECT_EQ(TypedValueNotice(Op::OF, 5), "[OFF(LP)] 300 Hz > 5 Hz");
    EXPECT_EQ(SettingName({Op::MG, {2, 0}}), "IN 2 G");
    EXPECT_EQ(ParsePresetText("x").error, "\"x\" != DeviceType: @1");
    EXPECT_EQ(Status(LinkError::NoReply).Message(), "SILENT");
    // The trace keeps its English words whatever the window's language.
    EXPECT_EQ(Describe(LinkError::NoReply), "the device did not answer");

    InstallTranslator(nullptr);
    EXPECT_EQ(english(), before);
}

}  // namespace
}  // namespace brevant::test
