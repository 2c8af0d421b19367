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
        {kK217, "input/2/erle-meter", {Op::ME, {2, 0}}},
        {kK225, "output/3/delay", {Op::OD, {3, 0}}},
        {kK217, "output/2/low-pass", {Op::OF, {2, 0}}},
        {kK225, "crosspoint/1/3/on", {Op::MX, {1, 3}}},
        {kK217, "crosspoint/4/1/gain", {Op::XG, {4, 1}}},
        {kK225, "device/filter", {Op::SN, {5, 0}}},
        {ModelFamily::Unknown, "input/3/nr-depth", {Op::MR, {3, 0}}},
    };
    for (const auto& c : cases) {
        const KeyLookup found = FindSetting(c.key, c.family);
        EXPECT_EQ(found.ref, c.ref) << c.key << ": " << found.message;
        EXPECT_EQ(KeyOf(c.ref), c.key);
    }
    EXPECT_EQ(KeyOf({Op::MRSwitch, {1, 0}}), "");  // not read back, so no key
}

// Each family's keys are its read-back, each setting once, and every key
// leads back to its setting; the settable ones are its upload.
TEST(SettingKeysTest, EveryFamilyHasItsReadBackAsKeys)
{
    for (const ModelFamily family : {kK225, kK217, ModelFamily::Unknown}) {
        SCOPED_TRACE(FamilyName(family));
        const std::vector<KeyedSetting> keys = KeysOf(family);
        RefSet refs;
        for (const KeyedSetting& k : keys) {
            refs.insert(k.ref);
            EXPECT_EQ(FindSetting(k.key, family).ref, k.ref) << k.key;  // so no two keys are the same
            EXPECT_EQ(KeyOf(k.ref), k.key);
        }
        const std::vector<SettingRef> readBack = ReadBackList(family);
        EXPECT_EQ(refs, RefSet(readBack.begin(), readBack.end()));
        EXPECT_EQ(refs.size(), keys.size());
        EXPECT_EQ(std::count_if(keys.begin(), keys.end(), [](auto& k) { return IsSettable(k.ref); }),
                  static_cast<long>(UploadList(family).size()));
    }
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
        {"input/2/gain\n", kK225, SettingError::NoSuchSetting, "no such setting"},
        {"input/" + std::string(60, '1') + "/x", kK225, SettingError::NoSuchSetting,
         "no such setting: a key has at most 64 characters"},
        {"output/5/gain", kK225, SettingError::NoSuchPlace, "output 5 does not exist"},
        {"crosspoint/1/12/on", kK217, SettingError::NoSuchPlace, "output 12 does not exist"},
        {"input/1/aec", kK225, SettingError::NotOnModel, "a K225 has no Input 1 AEC"},
        {"output/3/delay", kK217, SettingError::NotOnModel, "a K217/K218 has no Output 3 delay"},
    };
    for (const auto& c : cases) {
        const KeyLookup found = FindSetting(c.key, c.family);
        EXPECT_FALSE(found.ref) << c.key;
        EXPECT_EQ(found.error, c.error) << c.key;
        EXPECT_EQ(found.message, c.message);
    }
}

// The entry with `key`; a text saying it is missing when there is none, which
// fails any test that looks into it.
json At(const json& entries, const std::string& key)
{
    const auto it =
        std::find_if(entries.begin(), entries.end(), [&](const json& e) { return e["key"] == key; });
    return it == entries.end() ? json("no entry " + key) : *it;
}

TEST(SettingJsonTest, SchemaDescribesEveryKeyedRow)
{
    const json schema = json::parse(SchemaJson().dump());
    const json& settings = schema["settings"];
    EXPECT_EQ(At(settings, "input/{channel}/gain"), json::parse(R"({"key": "input/{channel}/gain",
        "scope": "input", "name": "Input {channel} gain", "unit": "dB", "reads": "decibels", "settable": true,
        "range": {"min": -10, "max": 47, "below_min_is_off": false, "text": "-10..47"},
        "families": ["K225", "K217/K218"], "channels": {"K225": [1, 2, 3, 4], "K217/K218": [1, 2, 3, 4]}})"));
    EXPECT_EQ(At(settings, "output/{channel}/delay")["channels"],
              json::parse(R"({"K225": [3, 4], "K217/K218": [4]})"));
    EXPECT_EQ(At(settings, "output/{channel}/low-pass")["range"]["text"], "0 or 300..20000");
    EXPECT_EQ(At(settings, "input/{channel}/erle-meter")["families"], json::parse(R"(["K217/K218"])"));
    EXPECT_EQ(At(settings, "input/{channel}/level-meter")["settable"], false);
    EXPECT_FALSE(At(settings, "device/filter").contains("channels"));
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
    EXPECT_TRUE(At(settings, "input/1/gain").at("value").is_null());
    EXPECT_EQ(At(settings, "input/2/gain")["value"], -7);
    EXPECT_EQ(At(settings, "input/2/gain")["name"], "Input 2 gain");
    EXPECT_EQ(At(settings, "device/filter")["value"], 3);
}

TEST(SettingJsonTest, ValueBodies)
{
    const SettingRef gain{Op::MG, {2, 0}};
    const SettingRef lowPass{Op::OF, {1, 0}};
    const std::string notWhole = "the value must be a whole number, not ";
    const std::string wrongShape = R"(the body must be a number or {"value": number})";
    const struct {
        std::string body;
        SettingRef ref;
        std::optional<int32_t> value;
        SettingError error;
        std::string message;
    } cases[] = {
        // clang-format off
        {"12", gain, 12, SettingError::None, ""},
        {R"( {"value": -10} )", gain, -10, SettingError::None, ""},
        {"-5.0", gain, -5, SettingError::None, ""},
        {"0", lowPass, 0, SettingError::None, ""},
        {"48", gain, {}, SettingError::OutOfRange, "value 48 is outside -10..47"},
        {"299", lowPass, {}, SettingError::OutOfRange, "value 299 is outside 0 or 300..20000"},
        {"99999999999999999999", gain, {}, SettingError::OutOfRange, "value 1e+20 is outside -10..47"},
        {"1.5", gain, {}, SettingError::NotWhole, notWhole + "1.5"},
        {R"({"value": "5"})", gain, {}, SettingError::NotWhole, notWhole + "string"},
        {R"({"value": 3, "at": 1})", gain, {}, SettingError::Malformed, wrongShape},
        {"garbage", gain, {}, SettingError::Malformed, "the body is not JSON (at byte 1)"},
        {"1e400", gain, {}, SettingError::Malformed, "the body holds a number too large to read"},
        {std::string(1024, ' ') + "1", gain, {}, SettingError::TooLarge, "the body has 1025 bytes; a value takes at most 1024"},
        {"3", {Op::ML, {2, 0}}, {}, SettingError::ReadOnly, "Input 2 level meter can only be read"},
        // clang-format on
    };
    for (const auto& c : cases) {
        const ValueRead read = ReadSettingValue(c.body, c.ref);
        EXPECT_EQ(read.value, c.value) << c.body;
        EXPECT_EQ(read.error, c.error) << c.body;
        EXPECT_EQ(read.message, c.message) << c.body;
    }
}

}  // namespace
}  // namespace brevant::service
