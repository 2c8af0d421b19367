// Preset files and the preset upload: the exact bytes a preset is saved as, the
// line rules it is loaded by, and the commands an upload writes, scripted and
// to the simulator.
#include "procedures/Connection.h"
#include "procedures/PresetFile.h"
#include "procedures/PresetProcedures.h"
#include "tests/LinkFixture.h"
#include "tests/RecordingObserver.h"
#include "tests/SimLinkFixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <utility>

namespace brevant::test {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

// A K217's preset: a value in every place, each within its range, and 0
// where the model has no setting (the delay of outputs 1..3, output 1's filters).
const std::string kFile = "DeviceType:2\r\r\n"
                          "MG:-5,3,0,47,\r\r\n"
                          "MB:1\r\r\n"
                          "MA:1,0,0,1,\r\r\n"
                          "MF:0,1,0,0,\r\r\n"
                          "MR:0,4,15,2,\r\r\n"
                          "MI:1,1,0,0,\r\r\n"
                          "MT:0,0,1,0,\r\r\n"
                          "MM:0,1,0,0,\r\r\n"
                          "MC:1,0,1,0,\r\r\n"
                          "MP:3\r\r\n"
                          "SN:4\r\r\n"
                          "OV:-20,0,7,20,\r\r\n"
                          "OM:0,0,1,0,\r\r\n"
                          "OD:0,0,0,12,\r\r\n"
                          "OF:0,0,20000,300,\r\r\n"
                          "OH:0,0,600,100,\r\r\n"
                          "MX:1,0,0,0,0,1,0,0,0,0,1,0,0,0,0,1,\r\r\n"
                          "XG:0,-1,-2,-3,-4,-5,-6,-7,-8,-9,-10,-11,-12,-13,-14,-30,\r\r\n";

// `text` with every CR CR LF line end turned into `lineEnd`.
std::string WithLineEnds(std::string text, const std::string& lineEnd)
{
    for (std::size_t at = 0; (at = text.find("\r\r\n", at)) != std::string::npos; at += lineEnd.size())
        text.replace(at, 3, lineEnd);
    return text;
}

// kFile with line `n` (from 1) replaced by `line`.
std::string WithLine(int n, const std::string& line)
{
    std::string text = kFile;
    std::size_t at = 0;
    for (int i = 1; i < n; ++i)
        at = text.find('\n', at) + 1;
    return text.replace(at, text.find('\n', at) - at + 1, line);
}

// What is not a preset is refused, naming the first bad line.
TEST(PresetText, WhatIsNoPresetIsRefusedNamingTheFirstBadLine)
{
    const std::pair<std::string, std::string> cases[] = {
        {"", "line 1: expected \"DeviceType:\", found the end of the file"},
        {"\x7f"
         "ELF\x02\x01\x01\0\0\0"s,
         "line 1: expected text, found the byte 0x7F"},
        {WithLine(7, "MT:1,1,1,1,\r\r\n"), "line 7: expected \"MI:\", found \"MT:1,1,1,1,\""},
        {kFile.substr(0, kFile.find("SN:")), "line 12: expected \"SN:\", found the end of the file"},
        {WithLine(3, "MB:on\r\n"), "line 3: expected an integer after \"MB:\", found \"on\""},
        {WithLine(2, "MG:1,x,3,4,\r\n"), "line 2: expected integers after \"MG:\", found \"1,x,3,4,\""},
        {WithLine(2, "MG:1,2,3,4,5,\r\n"), "line 2: expected at most 4 values, found 5"},
        {WithLine(3, "MB=1\r\n"), "line 3: expected \"MB:\", found \"MB=1\""},  // a key without its colon
        {WithLine(2, std::string(40, 'Q') + "\r\n"),                            // a long line is cut
         "line 2: expected \"MG:\", found \"QQQQQQQQQQQQQQQQQQQQQQQQ\u2026\""}};
    for (const auto& [text, error] : cases) {
        const PresetCheck check = ParsePresetText(text);
        EXPECT_FALSE(check.preset) << error;
        EXPECT_EQ(check.error, error);
    }
}

// Values out of range are brought in as the device would, and the
// differences name what the file said; a short list line keeps the entries it
// does not name, and the family stays the device's.
TEST(PresetText, ValuesOutOfRangeAreBroughtInAndAShortListKeepsTheRest)
{
    const PresetCheck check = ParsePresetText(
        WithLine(16, "OF:100,25000,0,300,\r\n").replace(kFile.find("MG:"), 16, "MG:-50,99,\r\r\n"));
    ASSERT_TRUE(check.preset) << check.error;
    DeviceParams p;
    const std::vector<std::string> diff = DiffPreset(*check.preset, p);
    ASSERT_GE(diff.size(), 2u);
    EXPECT_EQ(diff[0], "Input 1 gain: 0 dB \u2192 \u221210 dB (-50 in the file, brought into range)");
    EXPECT_EQ(diff[1], "Input 2 gain: 0 dB \u2192 47 dB (99 in the file, brought into range)");
    const auto listed = [&](const std::string& line) { return std::count(diff.begin(), diff.end(), line); };
    EXPECT_EQ(listed("Output 2 low-pass: off \u2192 20000 Hz (25000 in the file, brought into range)"), 1);
    EXPECT_EQ(listed("Output 4 low-pass: off \u2192 300 Hz"), 1) << "a value in range is not marked";
    EXPECT_EQ(check.preset->broughtIn.front().line, 2);
    p.MG[3] = 11;
    p.MG[4] = 12;
    StorePreset(*check.preset, p);
    EXPECT_EQ((std::array<int32_t, 4>{p.MG[1], p.MG[2], p.MG[3], p.MG[4]}),
              (std::array<int32_t, 4>{-10, 47, 11, 12}));
    EXPECT_EQ((std::array<int32_t, 4>{p.OF[1], p.OF[2], p.OF[3], p.OF[4]}),
              (std::array<int32_t, 4>{0, 20000, 0, 300}));
    EXPECT_EQ(check.preset->broughtIn.size(), 4u);
    EXPECT_EQ(ClampedText(*check.preset), "4 values were outside their range and were brought into it");
    EXPECT_EQ(p.DeviceFamily, 1) << "the family stays the device's";
}

TEST(PresetText, TheDifferencesFromTheDeviceAreListedInFileOrder)
{
    DeviceParams device;
    StorePreset(*ParsePresetText(kFile).preset, device);
    EXPECT_TRUE(DiffPreset(*ParsePresetText(kFile).preset, device).empty());
    device.MG[2] = -5;
    device.MX[1][3] = 1;
    device.OF[2] = 9000;
    device.MP = 0;
    EXPECT_EQ(DiffPreset(*ParsePresetText(kFile).preset, device),
              (std::vector<std::string>{
                  "Input 2 gain: \u22125 dB \u2192 3 dB", "Priority: none \u2192 input 3",
                  "Output 2 low-pass: 9000 Hz \u2192 off", "Crosspoint 1\u21923: on \u2192 off"}));
}

// A save replaces the older file whole and leaves nothing else behind; its
// bytes load back whatever their line ends, and lines after the nineteenth are
// ignored, and the last line needs no line end.
TEST(PresetFile, SaveWritesTheseExactBytesWhichLoadBackWhateverTheirLineEnds)
{
    const TempDir dir{"brevant-preset"};
    DeviceParams p;
    p.DeviceFamily = 2;  // a K217's mirror: the family is the device's, never the preset's
    StorePreset(*ParsePresetText(kFile).preset, p);
    const std::string file = dir.Write("known.lg", "an older and longer preset, replaced as a whole\n");
    EXPECT_TRUE(WritePresetFile(file, p).ok);
    EXPECT_EQ(FileText(file), kFile);
    EXPECT_EQ(DirEntries(dir.path), 1);

    for (const std::string& text :
         {kFile, WithLineEnds(kFile, "\r\n") + "MG:1,1,1,1,\r\nDeviceType:9\r\n\x01",
          WithLineEnds(kFile, "\n"), kFile.substr(0, kFile.size() - 1)}) {
        const PresetCheck loaded = ReadPresetFile(dir.Write("known.lg", text));
        ASSERT_TRUE(loaded.preset) << loaded.error;
        EXPECT_EQ(FormatPreset(*loaded.preset), kFile);
    }
}

// Reading and writing go through ReadBoundedFile and WriteFileAtomically
// (bounded_file_test covers every refusal); here only that they do.
TEST(PresetFile, WhatIsNoFileIsRefusedBothWays)
{
    const TempDir dir{"brevant-preset"};
    DeviceParams p;
    EXPECT_EQ(WritePresetFile(dir.path, p).error, dir.path + " is a directory, not a file");
    const std::string large = dir.Write("large.lg", "");
    fs::resize_file(large, kMaxPresetBytes + 1);
    EXPECT_EQ(ReadPresetFile(large).error, large + " is larger than a preset can be (64 KiB)");
    EXPECT_EQ(DirEntries(dir.path), 1);
}

using PresetUploadTest = LinkFixture;

// Each family sends what it has (a K225 no AEC and the delay of outputs 3
// and 4 only; a K217/K218 its delay on output 4, its filters on outputs
// 2..4): each value once, input by input, then the device-wide ones, each
// confirmed by its echo. MG1 is first answered for channel 4 (MG1 then goes
// again): what goes out for channel 4 is still the value the upload began with.
TEST_F(PresetUploadTest, SendsEveryValueTheFamilyHasOnceInputByInput)
{
    bool strayed = false;
    port.SetResponder(kPort, [&](std::string_view written) {
        const bool stray = written.starts_with("MG1") && !std::exchange(strayed, true);
        return std::vector<Piece>{{1ms, stray ? "MG41\r\n" : std::string(written)}};
    });
    const std::string crosspoints1 = "MX111 XG110 MX120 XG12-1 MX130 XG13-2 MX140 XG14-3";
    const std::string crosspoints4 = "MX410 XG41-12 MX420 XG42-13 MX430 XG43-14 MX441 XG44-30";
    const struct {
        ModelFamily family;
        std::string input1, input4;
        int sent;
    } families[] = {
        {ModelFamily::K225, "MG1-5 MA11 MF10 MR10 MI11 MT10 MM10 OV1-20 OM10 OF10 OH10 " + crosspoints1,
         "MG447 MA41 MF40 MR42 MI40 MT40 MM40 OV420 OM40 OF4300 OH4100 OD412 " + crosspoints4, 81},
        {ModelFamily::K217K218, "MG1-5 MA11 MC11 MF10 MR10 MI11 MT10 MM10 OV1-20 OM10 " + crosspoints1,
         "MG447 MA41 MC40 MF40 MR42 MI40 MT40 MM40 OV420 OM40 OF4300 OH4100 OD412 " + crosspoints4, 82},
    };
    for (const auto& f : families) {
        SCOPED_TRACE(FamilyNumber(f.family));
        p.DeviceFamily = FamilyNumber(f.family);
        StorePreset(*ParsePresetText(kFile).preset, p);
        port.ClearRecord();
        strayed = false;
        const PresetLoad load = UploadPreset(link);
        EXPECT_TRUE(load.ok) << load.failure;
        EXPECT_EQ(load.sent, f.sent);
        EXPECT_EQ(load.total, load.sent);
        std::string writes;
        for (const std::string& w : port.Writes())
            writes += w.substr(0, w.size() - 2) + " ";
        EXPECT_TRUE(writes.starts_with("MG1-5 " + f.input1 + " ")) << writes;
        EXPECT_TRUE(writes.ends_with(" " + f.input4 + " MBs1 MPs3 SNs4 ")) << writes;
        EXPECT_EQ(port.Writes().size(), static_cast<std::size_t>(f.sent) + 1);
    }
}

// A setting the device does not confirm in three tries ends the upload there,
// and the result says how far it got; a gone port ends it at once.
TEST_F(PresetUploadTest, TheFirstSettingNotTakenEndsTheUploadAndIsCounted)
{
    port.SetResponder(kPort, [](std::string_view written) {
        return written.starts_with("OD3") ? std::vector<Piece>{}
                                          : std::vector<Piece>{{1ms, std::string(written)}};
    });
    const PresetLoad load = UploadPreset(link);
    EXPECT_FALSE(load.ok);
    EXPECT_EQ(load.sent, 2 * 19 + 11);  // inputs 1 and 2, then input 3 up to its delay
    EXPECT_EQ(load.total, 81);
    EXPECT_EQ(
        PartlyLoadedText(load, "Undo Open From File restores the earlier setting"),
        "the preset was only partly loaded: 49 of 81 settings (Output 3 delay: the device did not confirm "
        "the value); Undo Open From File restores the earlier setting");
    const std::vector<std::string> writes = port.Writes();
    ASSERT_EQ(writes.size(), 49u + kUploadAttempts);
    EXPECT_EQ(std::vector(writes.end() - 3, writes.end()), std::vector<std::string>(3, writes.back()));
    EXPECT_TRUE(writes.back().starts_with("OD3"));
    port.Vanish(kPort);
    port.ClearRecord();
    const PresetLoad gone = UploadPreset(link);
    EXPECT_EQ(gone.sent, 0);
    EXPECT_TRUE(port.Writes().empty());
    EXPECT_EQ(PartlyLoadedText(gone, ""),
              "the preset was only partly loaded: 0 of 81 settings (Input 1 gain: " +
                  std::string(Describe(LinkError::PortGone)) + ")");
}

// Open From File against the simulator through the program's own procedures.
// Every setting went, but the device answers nothing afterwards (the version,
// the model and 81 sets are its last 83 replies): no "Open successfully".
using PresetOpenTest = SimLinkFixture;

TEST_F(PresetOpenTest, AWholeUploadAfterWhichTheDeviceFallsSilentIsNoSuccess)
{
    Start({"--no-pacing", "--fault-noreply", "1", "--fault-after", "83"});
    RecordingObserver observer;
    Connection connection(*link, observer);
    state.flags.PortNumber = kCom;
    std::vector<std::string> said;
    const Report report = [&](std::string_view text, std::string_view) { said.emplace_back(text); };
    const PresetLoad load = OpenPreset(connection, PresetFromMirror(p), report);
    EXPECT_FALSE(load.ok);
    EXPECT_EQ(load.sent, 81);
    ASSERT_EQ(said.size(), 2u);
    EXPECT_EQ(said[0].rfind("Connect fail!", 0), 0u) << said[0];
    EXPECT_EQ(said[1], "the preset was sent whole (81 settings), but the device did not answer afterwards");
}

}  // namespace
}  // namespace brevant::test
