// The keys clients name settings by, and the JSON of the table, of a device's
// settings and of a value a client sends.
#include "service/parse/SettingJson.h"
#include "service/parse/SettingKeys.h"

#include "core/Catalogue.h"
#include "core/DeviceParams.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <set>
#include <string>
#include <tuple>

namespace brevant::service {
namespace {

using nlohmann::json;
constexpr ModelFamily kK225 = ModelFamily::K225;
constexpr ModelFamily kK217 = ModelFamily::K217K218;

struct RefOrder {
    bool operator()(const SettingRef& x, const SettingRef& y) const
    {
        return std::tie(x.op, x.at.a, x.at.b) < std::tie(y.op, y.at.a, y.at.b);
    }
};
using RefSet = std::set<SettingRef, RefOrder>;

TEST(SettingKeysTest, KeysOfEachScopeAndFamily)
{
    const struct {
        ModelFamily family;
        const char* key;
        SettingRef ref;
    } cases[] = {
        {kK225, "input/2/gain", {Op::MG, {2, 0}}},
        {kK217, "input/1/aec", {Op::MC, {1, 0}}},
        {kK225, "input/4/level-meter", {Op::ML, {4, 0}}},
        {kK217, "input/2/erle-meter", {Op::ME, {2, 0}}},
        {kK225, "output/3/delay", {Op::OD, {3, 0}}},
        {kK217, "output/4/delay", {Op::OD, {4, 0}}},
        {kK225, "output/1/mute", {Op::OM, {1, 0}}},
        {kK217, "output/2/low-pass", {Op::OF, {2, 0}}},
        {kK225, "crosspoint/1/3/on", {Op::MX, {1, 3}}},
        {kK217, "crosspoint/4/1/gain", {Op::XG, {4, 1}}},
        {kK225, "device/filter", {Op::SN, {5, 0}}},
        {kK217, "device/automix", {Op::MB, {5, 0}}},
        {ModelFamily::Unknown, "input/3/nr-depth", {Op::MR, {3, 0}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.key);
        const KeyLookup found = FindSetting(c.key, c.family);
        ASSERT_TRUE(found.ref) << found.message;
        EXPECT_EQ(*found.ref, c.ref);
        EXPECT_EQ(KeyOf(c.ref), c.key);
    }
    EXPECT_EQ(KeyOf({Op::MRSwitch, {1, 0}}), "");  // no read-back, so no key
    EXPECT_EQ(KeyOf({Op::CN, {}}), "");
}

// Each family's keys are its read-back, each setting once, and every key
// leads back to its setting; the settable ones are its upload.
TEST(SettingKeysTest, EveryFamilyHasItsReadBackAsKeys)
{
    for (const ModelFamily family : {kK225, kK217, ModelFamily::Unknown}) {
        SCOPED_TRACE(FamilyName(family));
        const std::vector<KeyedSetting> keys = KeysOf(family);
        RefSet refs;
        std::set<std::string> names;
        for (const KeyedSetting& k : keys) {
            refs.insert(k.ref);
            names.insert(k.key);
            const KeyLookup found = FindSetting(k.key, family);
            ASSERT_TRUE(found.ref) << k.key << ": " << found.message;
            EXPECT_EQ(*found.ref, k.ref) << k.key;
            EXPECT_EQ(KeyOf(*found.ref), k.key);
        }
        const std::vector<SettingRef> readBack = ReadBackList(family);
        EXPECT_EQ(refs, RefSet(readBack.begin(), readBack.end()));
        EXPECT_EQ(names.size(), keys.size());
        EXPECT_EQ(std::count_if(keys.begin(), keys.end(), [](auto& k) { return IsSettable(k.ref); }),
                  static_cast<long>(UploadList(family).size()));
    }
    EXPECT_EQ(KeysOf(kK225).size(), 89U);
    EXPECT_EQ(KeysOf(kK217).size(), 96U);
}

TEST(SettingKeysTest, RefusedKeysSayWhy)
{
    const struct {
        std::string key;
        ModelFamily family;
        SettingError error;
        const char* message;
    } cases[] = {
        {"input/2/volume", kK225, SettingError::NoSuchSetting, "no such setting: input/2/volume"},
        {"Input/2/gain", kK225, SettingError::NoSuchSetting, "no such setting: Input/2/gain"},
        {"input/02/gain", kK225, SettingError::NoSuchSetting, "no such setting: input/02/gain"},
        {"input/2/gain/", kK225, SettingError::NoSuchSetting, "no such setting: input/2/gain/"},
        {"device/5/filter", kK225, SettingError::NoSuchSetting, "no such setting: device/5/filter"},
        {"input/2/gain\n", kK225, SettingError::NoSuchSetting, "no such setting"},
        {"", kK225, SettingError::NoSuchSetting, "no such setting"},
        {"input/" + std::string(60, '1') + "/x", kK225, SettingError::NoSuchSetting,
         "no such setting: a key has at most 64 characters"},
        {"output/5/gain", kK225, SettingError::NoSuchPlace, "output 5 does not exist"},
        {"input/0/mute", kK225, SettingError::NoSuchPlace, "input 0 does not exist"},
        {"crosspoint/1/12/on", kK217, SettingError::NoSuchPlace, "output 12 does not exist"},
        {"input/1/aec", kK225, SettingError::NotOnModel, "a K225 has no Input 1 AEC"},
        {"output/3/delay", kK217, SettingError::NotOnModel, "a K217/K218 has no Output 3 delay"},
        {"input/2/erle-meter", ModelFamily::Unknown, SettingError::NotOnModel,
         "a device of unknown model has no Input 2 ERLE meter"},
    };
    for (const auto& c : cases) {
        const KeyLookup found = FindSetting(c.key, c.family);
        EXPECT_FALSE(found.ref) << c.key;
        EXPECT_EQ(found.error, c.error) << c.key;
        EXPECT_EQ(found.message, c.message);
    }
}

const json* EntryWithKey(const json& entries, const std::string& key)
{
    const auto it =
        std::find_if(entries.begin(), entries.end(), [&](const json& e) { return e["key"] == key; });
    return it == entries.end() ? nullptr : &*it;
}

TEST(SettingJsonTest, SchemaDescribesEveryKeyedRow)
{
    const json schema = json::parse(SchemaJson().dump());
    const json& settings = schema["settings"];
    std::set<Op> rows;
    for (const ModelFamily family : {kK225, kK217})
        for (const KeyedSetting& k : KeysOf(family))
            rows.insert(k.ref.op);
    ASSERT_EQ(settings.size(), rows.size());
    for (const json& entry : settings)
        EXPECT_TRUE(entry["range"].is_object()) << entry["key"];

    const json* gain = EntryWithKey(settings, "input/{channel}/gain");
    ASSERT_NE(gain, nullptr);
    EXPECT_EQ((*gain)["name"], "Input {channel} gain");
    EXPECT_EQ((*gain)["unit"], "dB");
    EXPECT_EQ((*gain)["range"], json::parse(R"({"min": -10, "max": 47, "below_min_is_off": false,
                                                "text": "-10..47"})"));
    EXPECT_EQ((*gain)["settable"], true);
    const json* delay = EntryWithKey(settings, "output/{channel}/delay");
    ASSERT_NE(delay, nullptr);
    EXPECT_EQ((*delay)["channels"], json::parse(R"({"K225": [3, 4], "K217/K218": [4]})"));
    EXPECT_EQ((*EntryWithKey(settings, "output/{channel}/low-pass"))["range"]["text"], "0 or 300..20000");
    EXPECT_EQ((*EntryWithKey(settings, "input/{channel}/erle-meter"))["families"],
              json::parse(R"(["K217/K218"])"));
    EXPECT_EQ((*EntryWithKey(settings, "input/{channel}/level-meter"))["settable"], false);
    const json* filter = EntryWithKey(settings, "device/filter");
    ASSERT_NE(filter, nullptr);
    EXPECT_FALSE(filter->contains("channels"));
    EXPECT_EQ((*filter)["families"], json::parse(R"(["K225", "K217/K218"])"));
    EXPECT_EQ(schema["families"][1]["models"], json::parse(R"(["K217", "K218"])"));
}

TEST(SettingJsonTest, DeviceSettingsShowNullUntilKnown)
{
    DeviceParams mirror;
    mirror.MG[1] = 5;
    mirror.MG[2] = -7;
    mirror.SN = 3;
    const SettingRef unknown{Op::MG, {1, 0}};
    const json settings =
        DeviceSettingsJson(kK225, mirror, [&](const SettingRef& r) { return !(r == unknown); });
    EXPECT_EQ(settings.size(), KeysOf(kK225).size());
    EXPECT_TRUE((*EntryWithKey(settings, "input/1/gain"))["value"].is_null());
    const json* gain = EntryWithKey(settings, "input/2/gain");
    ASSERT_NE(gain, nullptr);
    EXPECT_EQ((*gain)["value"], -7);
    EXPECT_EQ((*gain)["name"], "Input 2 gain");
    EXPECT_EQ((*EntryWithKey(settings, "device/filter"))["value"], 3);
    EXPECT_TRUE((*EntryWithKey(settings, "crosspoint/2/3/on"))["value"].is_number());
}

TEST(SettingJsonTest, ValueBodies)
{
    const SettingRef gain{Op::MG, {2, 0}};
    const SettingRef lowPass{Op::OF, {1, 0}};
    const struct {
        std::string body;
        SettingRef ref;
        SettingError error;
        std::optional<int32_t> value;
        const char* message;
    } cases[] = {
        {"12", gain, SettingError::None, 12, ""},
        {R"( {"value": -10} )", gain, SettingError::None, -10, ""},
        {"0", lowPass, SettingError::None, 0, ""},
        {"48", gain, SettingError::OutOfRange, {}, "value 48 is outside -10..47"},
        {"299", lowPass, SettingError::OutOfRange, {}, "value 299 is outside 0 or 300..20000"},
        {"99999999999999999999", gain, SettingError::OutOfRange, {}, "value 1e+20 is outside -10..47"},
        {"4294967296", gain, SettingError::OutOfRange, {}, "value 4294967296 is outside -10..47"},
        {"-5.0", gain, SettingError::None, -5, ""},
        {"-4294967296", gain, SettingError::OutOfRange, {}, "value -4294967296 is outside -10..47"},
        {"1.5", gain, SettingError::NotWhole, {}, "the value must be a whole number, not 1.5"},
        {R"({"value": "5"})",
         gain,
         SettingError::NotWhole,
         {},
         "the value must be a whole number, not string"},
        {"true", gain, SettingError::NotWhole, {}, "the value must be a whole number, not boolean"},
        {R"({"value": 3, "at": 1})",
         gain,
         SettingError::Malformed,
         {},
         R"(the body must be a number or {"value": number})"},
        {"{}", gain, SettingError::Malformed, {}, R"(the body must be a number or {"value": number})"},
        {"garbage", gain, SettingError::Malformed, {}, "the body is not JSON (at byte 1)"},
        {"", gain, SettingError::Malformed, {}, "the body is not JSON (at byte 1)"},
        {"1e400", gain, SettingError::Malformed, {}, "the body is not JSON"},
        {std::string(1024, ' ') + "1",
         gain,
         SettingError::TooLarge,
         {},
         "the body has 1025 bytes; a value takes at most 1024"},
        {"3", {Op::ML, {2, 0}}, SettingError::ReadOnly, {}, "Input 2 level meter can only be read"},
    };
    for (const auto& c : cases) {
        const ValueRead read = ReadSettingValue(c.body, c.ref);
        EXPECT_EQ(read.error, c.error) << c.body;
        EXPECT_EQ(read.value, c.value) << c.body;
        EXPECT_EQ(read.message, c.message) << c.body;
    }
}

}  // namespace
}  // namespace brevant::service
