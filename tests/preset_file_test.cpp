// Preset files and the preset upload: the exact bytes a preset is saved as,
// the line rules a preset is loaded by (whatever its line ends, keys or
// damage), a save that fails without harming the file it was to replace, and
// the commands an upload writes, on the scripted port and against the
// simulator.
#include "LinkFixture.h"
#include "PresetFile.h"
#include "SimLinkFixture.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <random>
#include <set>
#include <sstream>

#include <sys/resource.h>
#include <unistd.h>

namespace brevant::test {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

void Put(Channels& field, std::initializer_list<int32_t> values)
{
    std::size_t n = 1;
    for (int32_t v : values)
        field[n++] = v;
}

// A mirror whose every preset value is set, with negatives, zeros and the
// ends of the output ranges among them.
void FillKnownSetting(DeviceParams& p)
{
    p.DeviceFamily = 2;
    Put(p.MG, {-12, 0, 7, 47});
    p.MB = 1;
    Put(p.MA, {1, 0, 0, 1});
    Put(p.MF, {0, 1, 0, 0});
    Put(p.MR, {9, 3, 0, -1});
    Put(p.MI, {0, 0, 1, 0});
    Put(p.MT, {1, 1, 0, 0});
    Put(p.MM, {0, 0, 0, 1});
    Put(p.MC, {1, 0, 1, 0});
    p.MP = 3;
    p.SN = -4;
    Put(p.OV, {-20, -3, 0, 6});
    Put(p.OM, {0, 1, 0, 0});
    Put(p.OD, {0, 15, 200, 7});
    Put(p.OF, {300, 8000, 20000, 0});
    Put(p.OH, {30, 120, 600, 45});
    for (int i = 1; i <= kChannels; ++i) {
        for (int j = 1; j <= kChannels; ++j) {
            const auto in = static_cast<std::size_t>(i);
            const auto out = static_cast<std::size_t>(j);
            p.MX[in][out] = i == j ? 1 : 0;
            p.XG[in][out] = -(10 * i + j);
        }
    }
    p.MX[4][1] = 1;
    p.XG[2][3] = 0;
}

const std::string kKnownFile =
    "DeviceType:2\r\r\n"
    "MG:-12,0,7,47,\r\r\n"
    "MB:1\r\r\n"
    "MA:1,0,0,1,\r\r\n"
    "MF:0,1,0,0,\r\r\n"
    "MR:9,3,0,-1,\r\r\n"
    "MI:0,0,1,0,\r\r\n"
    "MT:1,1,0,0,\r\r\n"
    "MM:0,0,0,1,\r\r\n"
    "MC:1,0,1,0,\r\r\n"
    "MP:3\r\r\n"
    "SN:-4\r\r\n"
    "OV:-20,-3,0,6,\r\r\n"
    "OM:0,1,0,0,\r\r\n"
    "OD:0,15,200,7,\r\r\n"
    "OF:300,8000,20000,0,\r\r\n"
    "OH:30,120,600,45,\r\r\n"
    "MX:1,0,0,0,0,1,0,0,0,0,1,0,1,0,0,1,\r\r\n"
    "XG:-11,-12,-13,-14,-21,-22,0,-24,-31,-32,-33,-34,-41,-42,-43,-44,\r\r\n";

// Every preset field of `p` to a different value, unlike any of `FillKnownSetting`.
void FillDistinct(DeviceParams& p, int32_t base)
{
    int32_t v = base;
    p.DeviceFamily = v++;
    p.MB = v++;
    p.MP = v++;
    p.SN = v++;
    for (Channels* c : {&p.MG, &p.MA, &p.MF, &p.MR, &p.MI, &p.MT, &p.MM, &p.MC, &p.OV, &p.OM,
                        &p.OD, &p.OF, &p.OH}) {
        for (int n = 1; n <= kChannels; ++n)
            (*c)[static_cast<std::size_t>(n)] = (v++) * (n % 2 ? -1 : 1);
    }
    for (Matrix* m : {&p.MX, &p.XG}) {
        for (std::size_t i = 1; i <= kChannels; ++i) {
            for (std::size_t j = 1; j <= kChannels; ++j)
                (*m)[i][j] = -(v++);
        }
    }
}

// The mirror fields a preset does not hold, and the unused entry 0 of every
// array, as one text: none of them may ever change by loading a preset.
std::string OutsideThePreset(const DeviceParams& p)
{
    std::ostringstream out;
    for (const Channels* c : {&p.MRon, &p.ML, &p.ME, &p.MS, &p.OL})
        for (const Value& v : *c)
            out << v << ' ';
    for (const Channels* c : {&p.MG, &p.MA, &p.MF, &p.MR, &p.MI, &p.MT, &p.MM, &p.MC, &p.OV,
                              &p.OM, &p.OD, &p.OF, &p.OH})
        out << (*c)[0] << ' ';
    for (const Matrix* m : {&p.MX, &p.XG}) {
        for (const Value& v : (*m)[0])
            out << v << ' ';
        for (std::size_t i = 1; i <= kChannels; ++i)
            out << (*m)[i][0] << ' ';
    }
    for (const Value* v : {&p.CN, &p.CP, &p.CT, &p.CNValid, &p.CPValid, &p.CTValid, &p.SM, &p.CE,
                           &p.CG0, &p.CG1, &p.CG2, &p.CG3, &p.SS})
        out << *v << ' ';
    for (const ResultBlocks* r : {&p.DSR, &p.ESR})
        for (const auto& block : *r)
            for (const Value& v : block)
                out << v << ' ';
    return out.str();
}

void FillOutside(DeviceParams& p)
{
    int32_t v = 7000;
    for (Channels* c : {&p.MRon, &p.ML, &p.ME, &p.MS, &p.OL})
        for (Value& e : *c)
            e = v++;
    for (Channels* c : {&p.MG, &p.MA, &p.MF, &p.MR, &p.MI, &p.MT, &p.MM, &p.MC, &p.OV, &p.OM,
                        &p.OD, &p.OF, &p.OH})
        (*c)[0] = v++;
    for (Matrix* m : {&p.MX, &p.XG}) {
        for (Value& e : (*m)[0])
            e = v++;
        for (std::size_t i = 1; i <= kChannels; ++i)
            (*m)[i][0] = v++;
    }
    for (Value* e : {&p.CN, &p.CP, &p.CT, &p.CNValid, &p.CPValid, &p.CTValid, &p.SM, &p.CE,
                     &p.CG0, &p.CG1, &p.CG2, &p.CG3, &p.SS})
        *e = v++;
    for (ResultBlocks* r : {&p.DSR, &p.ESR})
        for (auto& block : *r)
            for (Value& e : block)
                e = v++;
}

// `text` with every CR CR LF line end turned into `lineEnd`.
std::string WithLineEnds(const std::string& text, const std::string& lineEnd)
{
    std::string out;
    std::size_t pos = 0;
    for (std::size_t end; (end = text.find("\r\r\n", pos)) != std::string::npos; pos = end + 3)
        out += text.substr(pos, end - pos) + lineEnd;
    return out + text.substr(pos);
}

std::string Contents(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void Store(const fs::path& file, const std::string& bytes)
{
    std::ofstream(file, std::ios::binary) << bytes;
}

std::set<std::string> Names(const fs::path& dir)
{
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir))
        names.insert(entry.path().filename().string());
    return names;
}

// ---------------------------------------------------------------------------
// The saved form.

TEST(PresetFormatTest, AKnownSettingGivesTheseExactBytes)
{
    DeviceParams p;
    FillKnownSetting(p);
    EXPECT_EQ(FormatPreset(p), kKnownFile);
}

TEST(PresetFormatTest, APresetSavedBeforeAnyDeviceAnsweredNamesFamilyOne)
{
    const DeviceParams fresh;
    const std::string text = FormatPreset(fresh);
    EXPECT_EQ(text.substr(0, 32), "DeviceType:1\r\r\nMG:0,0,0,0,\r\r\nMB:");
    EXPECT_EQ(text.substr(text.size() - 38), "XG:0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,\r\r\n");

    DeviceParams loaded;
    loaded.DeviceFamily = 2;
    ParsePreset(text, loaded);
    EXPECT_EQ(loaded.DeviceFamily, 1);
}

// ---------------------------------------------------------------------------
// Loading.

class PresetParseTest : public ::testing::Test {
protected:
    PresetParseTest()
    {
        FillDistinct(p, 100);
        FillOutside(p);
        outside = OutsideThePreset(p);
    }
    void TearDown() override { EXPECT_EQ(OutsideThePreset(p), outside) << "a field outside the preset changed"; }

    DeviceParams p;
    std::string outside;  // the fields a preset does not hold
};

TEST_F(PresetParseTest, ASavedSettingReadsBackWhateverItsLineEnds)
{
    DeviceParams source;
    FillDistinct(source, -900);
    const std::string saved = FormatPreset(source);
    for (const char* lineEnd : {"\r\r\n", "\r\n", "\n"}) {
        FillDistinct(p, 100);
        ParsePreset(WithLineEnds(saved, lineEnd), p);
        EXPECT_EQ(FormatPreset(p), saved) << "line end of " << std::string(lineEnd).size() << " bytes";
    }
    // The last line needs no line end.
    FillDistinct(p, 100);
    ParsePreset(saved.substr(0, saved.size() - 1), p);
    EXPECT_EQ(FormatPreset(p), saved);
}

TEST_F(PresetParseTest, OnlyTheLineNumberSaysWhatALineHolds)
{
    ParsePreset("2\r\n"
                "XX:5,5,5,5,\r\n"
                "MP:6\r\n"                 // line 3 is MB
                "9,8,7,6,\r\n"             // no key, no colon: MA
                "MF:1:2,3,4,5,\r\n",       // only the first colon ends the key
                p);
    EXPECT_EQ(p.DeviceFamily, 2);
    for (std::size_t n = 1; n <= kChannels; ++n)
        EXPECT_EQ(p.MG[n], 5);
    EXPECT_EQ(p.MB, 6);
    EXPECT_EQ(p.MP, 102);  // untouched
    EXPECT_EQ(p.MA[1], 9);
    EXPECT_EQ(p.MA[4], 6);
    EXPECT_EQ(p.MF[1], 1);  // "1:2" reads as 1
    EXPECT_EQ(p.MF[2], 3);
    EXPECT_EQ(p.MF[4], 5);
}

TEST_F(PresetParseTest, ValuesAreTheTextsClosedByCommas)
{
    const int32_t mg4 = p.MG[4];
    const int32_t ma3 = p.MA[3];
    const int32_t ma4 = p.MA[4];
    ParsePreset("DeviceType:1\n"
                "MG:1,2,3,4\n"        // the fourth has no comma: MG4 keeps its value
                "MB:1\n"
                "MA:,-7,\n",          // an empty text is 0; MA3 and MA4 are not in the line
                p);
    EXPECT_EQ(p.MG[1], 1);
    EXPECT_EQ(p.MG[2], 2);
    EXPECT_EQ(p.MG[3], 3);
    EXPECT_EQ(p.MG[4], mg4);
    EXPECT_EQ(p.MA[1], 0);
    EXPECT_EQ(p.MA[2], -7);
    EXPECT_EQ(p.MA[3], ma3);
    EXPECT_EQ(p.MA[4], ma4);
}

TEST_F(PresetParseTest, NumbersReadAsAtoiReadsThem)
{
    ParsePreset("DeviceType: \t+2x\r\n"
                "MG: 12abc, -3 ,--4,9999999999,\r\n"
                "MB:\r\n",
                p);
    EXPECT_EQ(p.DeviceFamily, 2);
    EXPECT_EQ(p.MG[1], 12);
    EXPECT_EQ(p.MG[2], -3);
    EXPECT_EQ(p.MG[3], 0);
    EXPECT_EQ(p.MG[4], 2147483647);
    EXPECT_EQ(p.MB, 0);
}

TEST_F(PresetParseTest, SurplusValuesAndLinesAreIgnored)
{
    std::string text = FormatPreset(p);
    // Line 2 with six values, line 18 with seventeen.
    text.replace(text.find("MG:"), 3, "MG:1,2,3,4,5,6,");
    text.replace(text.find("MX:"), 3, "MX:1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,");
    text += "MG:9,9,9,9,\r\nDeviceType:9\r\n";
    ParsePreset(text, p);
    EXPECT_EQ(p.MG[1], 1);
    EXPECT_EQ(p.MG[4], 4);
    EXPECT_EQ(p.MA[1], -108);  // line 4 is still the MA line it was
    // Matrix values run input by input, the four outputs of input 1 first.
    EXPECT_EQ(p.MX[1][1], 1);
    EXPECT_EQ(p.MX[1][4], 4);
    EXPECT_EQ(p.MX[2][1], 5);
    EXPECT_EQ(p.MX[4][4], 16);
    EXPECT_EQ(p.XG[1][1], -(100 + 4 + 13 * 4 + 16));  // line 19 as it was
    EXPECT_EQ(p.DeviceFamily, 100);
}

TEST_F(PresetParseTest, AShortFileChangesOnlyWhatItHolds)
{
    ParsePreset("DeviceType:2\r\r\nMG:1,2,3,4,\r\r\n", p);
    DeviceParams expected;
    FillDistinct(expected, 100);
    expected.DeviceFamily = 2;
    Put(expected.MG, {1, 2, 3, 4});
    EXPECT_EQ(FormatPreset(p), FormatPreset(expected));

    ParsePreset("", p);
    EXPECT_EQ(FormatPreset(p), FormatPreset(expected));
}

TEST_F(PresetParseTest, DamagedTextNeverReachesBeyondThePresetFields)
{
    ParsePreset("\0\0:\0,\xff,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,,\n"s, p);
    EXPECT_EQ(p.DeviceFamily, 0);

    std::mt19937 random(20240611);
    const std::string alphabet = "0123456789-+ :,\r\n\n\n\0\x80\xff"s;
    for (int round = 0; round < 500; ++round) {
        std::string junk(random() % 2000, '\0');
        for (char& c : junk)
            c = round % 2 ? static_cast<char>(random()) : alphabet[random() % alphabet.size()];
        ParsePreset(junk, p);
    }
    // TearDown checks every field outside the preset.
}

// ---------------------------------------------------------------------------
// Files.

class PresetFileTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        std::error_code ignored;
        fs::permissions(dir, fs::perms::owner_all, ignored);
        fs::remove_all(dir, ignored);
    }

    const fs::path dir = MakeTempDir("brevant-preset");
};

TEST_F(PresetFileTest, SaveWritesTheExactBytesAndLeavesNothingElse)
{
    DeviceParams p;
    FillKnownSetting(p);
    const fs::path file = dir / "known.lg";
    Store(file, "an older and longer preset that is replaced as a whole\n");

    const PresetResult result = WritePresetFile(file.string(), p);
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(result.error, "");
    EXPECT_EQ(Contents(file), kKnownFile);
    EXPECT_EQ(Names(dir), std::set<std::string>{"known.lg"});
}

TEST_F(PresetFileTest, SavedAndLoadedFilesRoundTripWithAnyLineEnds)
{
    DeviceParams source;
    FillDistinct(source, 31);
    const fs::path file = dir / "a.lg";
    ASSERT_TRUE(WritePresetFile(file.string(), source).ok);
    const std::string saved = Contents(file);

    for (const char* lineEnd : {"\r\r\n", "\r\n", "\n"}) {
        Store(file, WithLineEnds(saved, lineEnd));
        DeviceParams loaded;
        const PresetResult result = ReadPresetFile(file.string(), loaded);
        ASSERT_TRUE(result.ok) << result.error;
        EXPECT_EQ(FormatPreset(loaded), saved);
    }
}

TEST_F(PresetFileTest, ALongFileLoadsItsFirstNineteenLines)
{
    DeviceParams source;
    FillDistinct(source, 5);
    std::string text = FormatPreset(source);
    for (int n = 0; n < 20000; ++n)
        text += "MG:1,1,1,1,\r\r\n";
    const fs::path file = dir / "long.lg";
    Store(file, text);

    DeviceParams loaded;
    ASSERT_TRUE(ReadPresetFile(file.string(), loaded).ok);
    EXPECT_EQ(FormatPreset(loaded), FormatPreset(source));
}

TEST_F(PresetFileTest, LoadFailuresNameTheFileAndReasonAndChangeNothing)
{
    DeviceParams p;
    FillDistinct(p, 1);
    const std::string before = FormatPreset(p);

    const std::string missing = (dir / "missing.lg").string();
    PresetResult result = ReadPresetFile(missing, p);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.error, "cannot open " + missing + ": No such file or directory");

    result = ReadPresetFile(dir.string(), p);  // a directory opens but cannot be read
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.error, "cannot read " + dir.string() + ": Is a directory");
    EXPECT_EQ(FormatPreset(p), before);
}

TEST_F(PresetFileTest, SavingIntoAMissingDirectoryFailsWithFileAndReason)
{
    const DeviceParams p;
    const std::string target = (dir / "no-such-dir" / "x.lg").string();
    const PresetResult result = WritePresetFile(target, p);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.error, "cannot create " + target + ": No such file or directory");
    EXPECT_EQ(Names(dir), std::set<std::string>{});
}

TEST_F(PresetFileTest, SavingIntoAReadOnlyDirectoryFailsAndKeepsTheOldFile)
{
    const fs::path file = dir / "old.lg";
    Store(file, "old preset\n");
    fs::permissions(dir, fs::perms::owner_read | fs::perms::owner_exec);
    if (::access(dir.c_str(), W_OK) == 0)
        GTEST_SKIP() << "this user may write into a read-only directory";

    const DeviceParams p;
    const PresetResult result = WritePresetFile(file.string(), p);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.error, "cannot create " + file.string() + ": Permission denied");
    EXPECT_EQ(Contents(file), "old preset\n");
    EXPECT_EQ(Names(dir), std::set<std::string>{"old.lg"});
}

TEST_F(PresetFileTest, ATargetThatCannotBeReplacedFailsAndLeavesNoTemporaryFile)
{
    const fs::path target = dir / "taken.lg";
    fs::create_directory(target);
    Store(target / "inside", "kept");

    const DeviceParams p;
    const PresetResult result = WritePresetFile(target.string(), p);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.error.rfind("cannot replace " + target.string() + ": ", 0), 0u) << result.error;
    EXPECT_EQ(Names(dir), std::set<std::string>{"taken.lg"});
    EXPECT_EQ(Contents(target / "inside"), "kept");
}

// A write that fails half way (here the file size limit of a child process)
// must leave the old preset exactly as it was and no temporary file behind.
TEST_F(PresetFileTest, AWriteThatFailsHalfWayKeepsTheOldPresetWhole)
{
    const fs::path file = dir / "old.lg";
    Store(file, "old preset\n");
    DeviceParams p;
    FillKnownSetting(p);

    const auto saveWithLittleRoom = [&] {
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{};
        limit.rlim_cur = limit.rlim_max = 100;  // room for part of a preset only
        ::setrlimit(RLIMIT_FSIZE, &limit);
        const PresetResult result = WritePresetFile(file.string(), p);
        std::fprintf(stderr, "[%s]\n", result.error.c_str());
        std::_Exit(result.ok ? 0 : 3);
    };
    EXPECT_EXIT(saveWithLittleRoom(), ::testing::ExitedWithCode(3),
                "\\[cannot write .*old\\.lg: File too large\\]");
    EXPECT_EQ(Contents(file), "old preset\n");
    EXPECT_EQ(Names(dir), std::set<std::string>{"old.lg"});
}

// ---------------------------------------------------------------------------
// Upload on the scripted port.

class PresetUploadTest : public LinkFixture {
protected:
    PresetUploadTest()
    {
        FillKnownSetting(p);
        port.SetResponder(kPort, [](std::string_view written) {
            return std::vector<Piece>{{1ms, std::string(written)}};
        });
    }

    // The lines written that start with `code`.
    std::vector<std::string> Starting(std::string_view code) const
    {
        std::vector<std::string> lines;
        for (const std::string& w : port.Writes())
            if (w.starts_with(code))
                lines.push_back(w);
        return lines;
    }
};

TEST_F(PresetUploadTest, FamilyOneSendsEveryValueOnceInChannelOrder)
{
    p.DeviceFamily = 1;
    EXPECT_EQ(UploadPreset(link), 87);

    const std::vector<std::string> writes = port.Writes();
    ASSERT_EQ(writes.size(), 87u);
    const std::vector<std::string> input1(writes.begin(), writes.begin() + 21);
    EXPECT_EQ(input1, (std::vector<std::string>{
                          "MG1-12\r\n", "MA11\r\n", "MC11\r\n", "MF10\r\n", "MR19\r\n",
                          "MI10\r\n", "MT11\r\n", "MM10\r\n", "OV1-20\r\n", "OM10\r\n",
                          "OF1300\r\n", "OH130\r\n", "OD10\r\n",
                          "MX111\r\n", "XG11-11\r\n", "MX120\r\n", "XG12-12\r\n",
                          "MX130\r\n", "XG13-13\r\n", "MX140\r\n", "XG14-14\r\n"}));
    const std::vector<std::string> input4(writes.begin() + 63, writes.begin() + 84);
    EXPECT_EQ(input4, (std::vector<std::string>{
                          "MG447\r\n", "MA41\r\n", "MC40\r\n", "MF40\r\n", "MR4-1\r\n",
                          "MI40\r\n", "MT40\r\n", "MM41\r\n", "OV46\r\n", "OM40\r\n",
                          "OF40\r\n", "OH445\r\n", "OD47\r\n",
                          "MX411\r\n", "XG41-41\r\n", "MX420\r\n", "XG42-42\r\n",
                          "MX430\r\n", "XG43-43\r\n", "MX441\r\n", "XG44-44\r\n"}));
    const std::vector<std::string> deviceWide(writes.begin() + 84, writes.end());
    EXPECT_EQ(deviceWide, (std::vector<std::string>{"MBs1\r\n", "MPs3\r\n", "SNs-4\r\n"}));

    // Inputs 2 and 3 in the same order.
    EXPECT_EQ(writes[21], "MG20\r\n");
    EXPECT_EQ(writes[23], "MC20\r\n");
    EXPECT_EQ(writes[42], "MG37\r\n");
    EXPECT_EQ(Starting("MC"), (std::vector<std::string>{"MC11\r\n", "MC20\r\n", "MC31\r\n",
                                                        "MC40\r\n"}));
    EXPECT_EQ(Starting("XG2"), (std::vector<std::string>{"XG21-21\r\n", "XG22-22\r\n",
                                                         "XG230\r\n", "XG24-24\r\n"}));
    EXPECT_EQ(Starting("OD"), (std::vector<std::string>{"OD10\r\n", "OD215\r\n", "OD3200\r\n",
                                                        "OD47\r\n"}));
}

TEST_F(PresetUploadTest, OtherFamiliesSendNoMC)
{
    for (int family : {2, 0, 3}) {
        p.DeviceFamily = family;
        port.ClearRecord();
        EXPECT_EQ(UploadPreset(link), 83) << family;
        const std::vector<std::string> writes = port.Writes();
        ASSERT_EQ(writes.size(), 83u) << family;
        EXPECT_EQ(Starting("MC"), std::vector<std::string>{}) << family;
        EXPECT_EQ(writes[0], "MG1-12\r\n");
        EXPECT_EQ(writes[1], "MA11\r\n");
        EXPECT_EQ(writes[2], "MF10\r\n");
        EXPECT_EQ(writes[20], "MG20\r\n");  // input 2 starts after 20 lines
        EXPECT_EQ(writes[80], "MBs1\r\n");
        EXPECT_EQ(writes[82], "SNs-4\r\n");
    }
}

TEST_F(PresetUploadTest, ASilentDeviceStillGetsEachCommandExactlyOnce)
{
    p.DeviceFamily = 1;
    UploadPreset(link);
    const std::vector<std::string> answered = port.Writes();

    port.SetResponder(kPort, [](std::string_view) { return std::vector<Piece>{}; });
    port.ClearRecord();
    EXPECT_EQ(UploadPreset(link), 87);
    EXPECT_EQ(port.Writes(), answered);
}

TEST_F(PresetUploadTest, TheValuesSentAreTheMirrorsBeforeTheFirstCommand)
{
    // A device that answers MG1 with a value for channel 4 changes the mirror
    // in mid-upload; what goes out for channel 4 is still the preset's value.
    port.SetResponder(kPort, [](std::string_view written) {
        const std::string reply = written.starts_with("MG1") ? "MG499\r\n" : std::string(written);
        return std::vector<Piece>{{1ms, reply}};
    });
    UploadPreset(link);
    EXPECT_EQ(Starting("MG4"), std::vector<std::string>{"MG447\r\n"});
    EXPECT_EQ(p.MG[4], 47);
}

// ---------------------------------------------------------------------------
// Upload against the simulator.

using PresetSimTest = SimLinkFixture;

TEST_F(PresetSimTest, AnUploadedPresetIsWhatTheDeviceThenHolds)
{
    Start({"--no-pacing"});
    p.DeviceFamily = 1;
    Put(p.MG, {-5, 3, 0, 12});
    Put(p.MC, {1, 0, 0, 1});
    Put(p.OV, {0, -20, 4, 0});
    Put(p.OD, {0, 0, 120, 0});
    Put(p.OF, {8000, 0, 0, 500});
    Put(p.OH, {0, 300, 0, 0});
    p.MX[3][4] = 1;
    p.XG[1][2] = -12;
    p.MB = 1;
    p.MP = 3;
    p.SN = 4;
    EXPECT_EQ(UploadPreset(*link), 87);

    p.Reset();
    const struct {
        Op op;
        Address at;
        int expected;
    } checks[] = {
        {Op::MG, {1}, -5}, {Op::MG, {4}, 12}, {Op::MC, {4}, 1}, {Op::OV, {2}, -20},
        {Op::OD, {3}, 120}, {Op::OF, {1}, 8000}, {Op::OF, {4}, 500}, {Op::OH, {2}, 300},
        {Op::MX, {3, 4}, 1}, {Op::MX, {4, 3}, 0}, {Op::XG, {1, 2}, -12},
        {Op::MB, {}, 1}, {Op::MP, {}, 3}, {Op::SN, {}, 4},
    };
    for (const auto& c : checks) {
        const Command& command = CommandFor(c.op);
        Value* field = command.field(p, c.at.a, c.at.b);
        field->store(12345);
        ASSERT_TRUE(link->Query(c.op, c.at)) << command.name;
        EXPECT_EQ(*field, c.expected) << command.name << " " << c.at.a << c.at.b;
    }
}

}  // namespace
}  // namespace brevant::test
