// Preset files and the preset upload: the exact bytes a preset is saved as, the
// line rules it is loaded by, a save that fails without harming the file it was
// to replace, and the commands an upload writes, scripted and to the simulator.
#include "LinkFixture.h"
#include "PresetFile.h"
#include "SimLinkFixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <initializer_list>
#include <iterator>
#include <random>
#include <sstream>

#include <sys/resource.h>

namespace brevant::test {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

// Calls `f` on every number of the mirror, in the preset or not, entry 0 of
// every array included.
template <class Params, class F>
void EachValue(Params& p, F f)
{
    const auto each = [&](auto& values) { std::ranges::for_each(values, std::ref(f)); };
    for (auto* c : {&p.MG, &p.MM, &p.MA, &p.MF, &p.MC, &p.MR, &p.MRon, &p.MI, &p.MT, &p.ML, &p.ME, &p.MS, &p.OV,
                    &p.OM, &p.OD, &p.OF, &p.OH, &p.OL})
        each(*c);
    for (auto* m : {&p.MX, &p.XG})
        std::ranges::for_each(*m, each);
    for (auto* r : {&p.DSR, &p.ESR})
        std::ranges::for_each(*r, each);
    for (auto* v : {&p.MB, &p.MP, &p.SN, &p.CN, &p.CP, &p.CT, &p.CNValid, &p.CPValid, &p.CTValid, &p.SM, &p.CE,
                    &p.CG0, &p.CG1, &p.CG2, &p.CG3, &p.SS, &p.DeviceFamily})
        f(*v);
}

// Every number of the mirror to a different value from `first` on, odd ones negative.
void Fill(DeviceParams& p, int32_t first)
{
    EachValue(p, [n = first](Value& v) mutable { v = n % 2 ? -n : n; ++n; });
}

// Every number of the mirror in one text: equal texts, equal mirrors.
std::string Dump(const DeviceParams& p)
{
    std::ostringstream out;
    EachValue(p, [&](const Value& v) { out << v << ','; });
    return out.str();
}

void Put(Channels& field, std::initializer_list<int32_t> values)
{
    std::size_t n = 1;
    for (int32_t v : values)
        field[n++] = v;
}

// The preset of Fill(p, 1).
const std::string kFilledFile =
    "DeviceType:-377\r\r\n"
    "MG:2,-3,4,-5,\r\r\n"
    "MB:-361\r\r\n"
    "MA:12,-13,14,-15,\r\r\n"
    "MF:-17,18,-19,20,\r\r\n"
    "MR:-27,28,-29,30,\r\r\n"
    "MI:-37,38,-39,40,\r\r\n"
    "MT:42,-43,44,-45,\r\r\n"
    "MM:-7,8,-9,10,\r\r\n"
    "MC:22,-23,24,-25,\r\r\n"
    "MP:362\r\r\n"
    "SN:-363\r\r\n"
    "OV:62,-63,64,-65,\r\r\n"
    "OM:-67,68,-69,70,\r\r\n"
    "OD:72,-73,74,-75,\r\r\n"
    "OF:-77,78,-79,80,\r\r\n"
    "OH:82,-83,84,-85,\r\r\n"
    "MX:-97,98,-99,100,102,-103,104,-105,-107,108,-109,110,112,-113,114,-115,\r\r\n"
    "XG:122,-123,124,-125,-127,128,-129,130,132,-133,134,-135,-137,138,-139,140,\r\r\n";

// `text` with every CR CR LF line end turned into `lineEnd`.
std::string WithLineEnds(std::string text, const std::string& lineEnd)
{
    for (std::size_t at = 0; (at = text.find("\r\r\n", at)) != std::string::npos; at += lineEnd.size())
        text.replace(at, 3, lineEnd);
    return text;
}

std::string Contents(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// How many entries `dir` holds: a temporary file left behind shows here.
long Entries(const fs::path& dir)
{
    return std::distance(fs::directory_iterator(dir), fs::directory_iterator{});
}

// Loading a text into a mirror changes only the values the text holds.
class PresetParseTest : public ::testing::Test {
protected:
    PresetParseTest() { Fill(p, 1000), Fill(expected, 1000); }
    DeviceParams p;
    DeviceParams expected;
};

// A text and what it changes in a mirror.
struct ParseCase { const char* name; std::string text; std::function<void(DeviceParams&)> change; };
void PrintTo(const ParseCase& c, std::ostream* out) { *out << c.name; }
class PresetParse : public PresetParseTest, public ::testing::WithParamInterface<ParseCase> {};

TEST_P(PresetParse, ChangesOnlyTheValuesTheTextHolds)
{
    GetParam().change(expected);
    ParsePreset(GetParam().text, p);
    EXPECT_EQ(Dump(p), Dump(expected));
}

INSTANTIATE_TEST_SUITE_P(
    Texts, PresetParse,
    ::testing::ValuesIn(std::vector<ParseCase>{
        // The key is not looked at, nor needed; only the first colon ends it.
        {"OnlyTheLineNumberSaysWhatALineHolds", "2\r\nXX:5,5,5,5,\r\nMP:6\r\n9,8,7,6,\r\nMF:1:2,3,4,5,\r\n",
         [](DeviceParams& e) {
             e.DeviceFamily = 2, e.MB = 6, Put(e.MG, {5, 5, 5, 5}), Put(e.MA, {9, 8, 7, 6}), Put(e.MF, {1, 3, 4, 5});
         }},
        // A value without its comma is not one; an empty text is 0.
        {"ValuesAreTheTextsClosedByCommas", "DeviceType:1\nMG:1,2,3,4\nMB:1\nMA:,-7,\n", [](DeviceParams& e) {
             e.DeviceFamily = 1, e.MG[1] = 1, e.MG[2] = 2, e.MG[3] = 3, e.MB = 1, e.MA[1] = 0, e.MA[2] = -7;
         }},
        // Surplus values are dropped; the last line needs no line end.
        {"AShortFileChangesOnlyItsLines", "DeviceType:3\r\r\nMG:1,2,3,4,5,6,\r\r\nMB:7",
         [](DeviceParams& e) { e.DeviceFamily = 3, e.MB = 7, Put(e.MG, {1, 2, 3, 4}); }},
        {"Nothing", "", [](DeviceParams&) {}}}),
    [](const auto& c) { return std::string(c.param.name); });

TEST_F(PresetParseTest, JunkNeverReachesBeyondThePresetValues)
{
    std::mt19937 random(20240611);
    const std::string alphabet = "0123456789-+ :,\r\n\n\n\0\x80\xff"s;
    for (int round = 0; round < 500; ++round) {
        std::string junk(random() % 2000, '\0');
        for (char& c : junk)
            c = round % 2 ? static_cast<char>(random()) : alphabet[random() % alphabet.size()];
        ParsePreset(junk, p);
    }
    ParsePreset(FormatPreset(p), expected);  // takes over the preset values junk left
    EXPECT_EQ(Dump(p), Dump(expected));
}

class PresetFileTest : public ::testing::Test {
protected:
    ~PresetFileTest() override { std::error_code ignored; fs::remove_all(dir, ignored); }
    const fs::path dir = MakeTempDir("brevant-preset");
};

// A save replaces the older file whole and leaves nothing else behind; its
// bytes load back whatever their line ends, and lines after the nineteenth are
// ignored, and the last line needs no line end.
TEST_F(PresetFileTest, SaveWritesTheseExactBytesWhichLoadBackWhateverTheirLineEnds)
{
    DeviceParams p;
    Fill(p, 1);
    const fs::path file = dir / "known.lg";
    std::ofstream(file) << "an older and longer preset that is replaced as a whole\n";
    EXPECT_TRUE(WritePresetFile(file.string(), p).ok);
    EXPECT_EQ(Contents(file), kFilledFile);
    EXPECT_EQ(Entries(dir), 1);

    for (const std::string& text : {kFilledFile, WithLineEnds(kFilledFile, "\r\n") + "MG:1,1,1,1,\r\nDeviceType:9\r\n",
                                    WithLineEnds(kFilledFile, "\n"), kFilledFile.substr(0, kFilledFile.size() - 1)}) {
        std::ofstream(file, std::ios::binary) << text;
        DeviceParams loaded;
        EXPECT_TRUE(ReadPresetFile(file.string(), loaded).ok);
        EXPECT_EQ(FormatPreset(loaded), kFilledFile);
    }
}

TEST_F(PresetFileTest, FailuresNameTheFileAndReasonAndChangeNothing)
{
    DeviceParams p;
    const std::string missing = (dir / "missing.lg").string();
    EXPECT_EQ(ReadPresetFile(missing, p).error, "cannot open " + missing + ": No such file or directory");
    EXPECT_EQ(ReadPresetFile(dir.string(), p).error, "cannot read " + dir.string() + ": Is a directory");
    EXPECT_EQ(Dump(p), Dump(DeviceParams{}));

    const std::string noDir = (dir / "no-such-dir" / "x.lg").string();
    EXPECT_EQ(WritePresetFile(noDir, p).error, "cannot create " + noDir + ": No such file or directory");
    // A target that cannot be replaced: no temporary file is left beside it.
    fs::create_directory(dir / "taken.lg");
    const PresetResult taken = WritePresetFile((dir / "taken.lg").string(), p);
    EXPECT_EQ(taken.error.rfind("cannot replace " + (dir / "taken.lg").string() + ": ", 0), 0u) << taken.error;
    EXPECT_EQ(Entries(dir), 1);
}

// A write that fails half way (here at the file size limit of a child process)
// leaves the old preset exactly as it was and no temporary file behind.
TEST_F(PresetFileTest, AWriteThatFailsHalfWayKeepsTheOldPresetWhole)
{
    const fs::path file = dir / "old.lg";
    std::ofstream(file) << "old preset\n";
    const DeviceParams p;
    const auto saveWithLittleRoom = [&] {
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{};
        limit.rlim_cur = limit.rlim_max = 100;  // room for part of a preset only
        ::setrlimit(RLIMIT_FSIZE, &limit);
        const PresetResult result = WritePresetFile(file.string(), p);
        std::fprintf(stderr, "[%s]\n", result.error.c_str());
        std::_Exit(result.ok ? 0 : 3);
    };
    EXPECT_EXIT(saveWithLittleRoom(), ::testing::ExitedWithCode(3), "\\[cannot write .*old\\.lg: File too large\\]");
    EXPECT_EQ(Contents(file), "old preset\n");
    EXPECT_EQ(Entries(dir), 1);
}

using PresetUploadTest = LinkFixture;

// Family 1 sends MC too, the others not; each value goes once, input by input,
// then the device-wide ones, answered or not. MG1 is answered with a value for
// channel 4: what goes out for channel 4 is still the one the upload began with.
TEST_F(PresetUploadTest, SendsEveryValueOnceInputByInput)
{
    port.SetResponder(kPort, [](std::string_view written) {
        return std::vector<Piece>{{1ms, written.starts_with("MG1") ? "MG499\r\n" : std::string(written)}};
    });
    const std::vector<std::string> input1{
        "MG1-101\r\n", "MA1-111\r\n", "MC1-121\r\n", "MF1116\r\n", "MR1126\r\n", "MI1136\r\n", "MT1-141\r\n",
        "MM1106\r\n", "OV1-161\r\n", "OM1166\r\n", "OF1176\r\n", "OH1-181\r\n", "OD1-171\r\n", "MX11196\r\n",
        "XG11-221\r\n", "MX12-197\r\n", "XG12222\r\n", "MX13198\r\n", "XG13-223\r\n", "MX14-199\r\n", "XG14224\r\n"};
    const std::vector<std::string> input4{
        "MG4104\r\n", "MA4114\r\n", "MC4124\r\n", "MF4-119\r\n", "MR4-129\r\n", "MI4-139\r\n", "MT4144\r\n",
        "MM4-109\r\n", "OV4164\r\n", "OM4-169\r\n", "OF4-179\r\n", "OH4184\r\n", "OD4174\r\n", "MX41-211\r\n",
        "XG41236\r\n", "MX42212\r\n", "XG42-237\r\n", "MX43-213\r\n", "XG43238\r\n", "MX44214\r\n", "XG44-239\r\n"};
    const std::vector<std::string> deviceWide{"MBs460\r\n", "MPs-461\r\n", "SNs462\r\n"};

    for (const int family : {1, 2, 0}) {
        SCOPED_TRACE("family " + std::to_string(family));
        Fill(p, 100);  // the echoes of the last round are stored as the link reads them
        p.DeviceFamily = family;
        if (family == 2)
            port.SetResponder(kPort, [](std::string_view) { return std::vector<Piece>{}; });
        port.ClearRecord();
        const bool mc = family == 1;
        const std::size_t block = mc ? 21 : 20;
        EXPECT_EQ(UploadPreset(link), mc ? 87 : 83);
        const std::vector<std::string> writes = port.Writes();
        ASSERT_EQ(writes.size(), 4 * block + 3);
        const auto without = [&](std::vector<std::string> lines) {
            std::erase_if(lines, [&](const std::string& line) { return !mc && line.starts_with("MC"); });
            return lines;
        };
        EXPECT_EQ(std::vector(writes.begin(), writes.begin() + block), without(input1));
        EXPECT_EQ(writes[block], "MG2102\r\n");
        EXPECT_EQ(writes[2 * block], "MG3-103\r\n");
        EXPECT_EQ(std::vector(writes.begin() + 3 * block, writes.end() - 3), without(input4));
        EXPECT_EQ(std::vector(writes.end() - 3, writes.end()), deviceWide);
    }
}

using PresetSimTest = SimLinkFixture;

TEST_F(PresetSimTest, AnUploadedPresetIsWhatTheDeviceThenHolds)
{
    Start({"--no-pacing"});
    Put(p.MG, {-5, 3, 0, 12});
    Put(p.MC, {1, 0, 0, 1});
    Put(p.OF, {8000, 0, 0, 500});
    p.MX[3][4] = 1;
    p.XG[1][2] = -12;
    p.MB = 1;
    p.SN = 4;
    EXPECT_EQ(UploadPreset(*link), 87);

    p.Reset();
    const struct { Op op; Address at; int expected; } checks[] = {
        {Op::MG, {1}, -5},   {Op::MG, {4}, 12},     {Op::MC, {4}, 1},      {Op::OF, {1}, 8000},     {Op::OF, {4}, 500},
        {Op::MX, {3, 4}, 1}, {Op::MX, {4, 3}, 0},   {Op::XG, {1, 2}, -12}, {Op::MB, {}, 1},         {Op::SN, {}, 4}};
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
