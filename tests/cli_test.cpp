// tindral-render's command line and its road from options to a file: the
// picture, its record, saved pictures rendered again, and what it says when
// it cannot.
#include <gtest/gtest.h>
#include <zlib.h>

#include <chrono>
#include <functional>
#include <set>

#ifdef __linux__
#include <sys/resource.h>
#endif

#include "cli/options.h"
#include "cli/render.h"
#include "core/engine/record.h"
#include "support/tempdir.h"

namespace {

using Bytes = std::vector<unsigned char>;

TEST(CommandLine, ReadsEveryOptionAndNotesWhichWereGiven) {
    const auto p = ParseCommandLine({"--rect", "-2,1.5,4.9e-324,-1.5", "--noise", "1e-310", "--exponent=-2.5", "--size",
                                     "640x480", "--iterations=1000000", "--palette", "jungle", "--from", "saved.bmp",
                                     "--seed", "4294967295", "--threads=1024", "o.bmp"});
    ASSERT_EQ(p.action, ParsedCommandLine::Action::Render) << p.error;
    const RenderOptions& o = p.options;
    EXPECT_EQ(std::make_tuple(o.rect.upperLeft.re, o.rect.lowerRight.re, o.noise, o.exponent, o.width, o.iterations),
              std::make_tuple(-2.0, 4.9e-324, 1e-310, -2.5, 640, 1000000));
    EXPECT_TRUE(o.given.rect && o.given.noise && o.given.exponent && o.given.size && o.given.palette &&
                o.scheme == Scheme::Jungle && o.fromFile == "saved.bmp" && o.given.seed && o.seed == 4294967295u &&
                o.threads == 1024 && !ParseCommandLine({"o.bmp"}).options.given.size &&
                ParseCommandLine({"o.bmp"}).options.threads == 0);
}

TEST(CommandLine, FailsWithOneClearLine) {
    // The arguments, and a part of the one-line error.
    // clang-format off
    const std::pair<std::vector<std::string>, const char*> cases[] = {
        {{"--colour", "red", "o.bmp"}, "unknown option --colour"}, {{}, "no output file"},
        {{"a.bmp", "b.bmp"}, "more than one output"}, {{""}, "the output file name is empty"},
        {{"o.bmp", "--size"}, "--size needs a value"}, {{"--size", "100x1000001", "o.bmp"}, "between 1 and 1000000"},
        {{"--size", "100", "o.bmp"}, "WIDTHxHEIGHT"}, {{"--iterations", " 5", "o.bmp"}, "needs an integer"},
        {{"--iterations", "99999999999999999999", "o.bmp"}, "needs an integer"},
        {{"--noise", "1e", "o.bmp"}, "needs a number"}, {{"--seed", "-1", "o.bmp"}, "--seed needs an integer"}, {{"--noise", "nan", "o.bmp"}, "needs a finite number"},
        {{"--exponent", "1e999", "o.bmp"}, "needs a finite number"}, {{"--rect", "1,2,3", "o.bmp"}, "four numbers"},
        {{"--rect", "-2,1.5,1,-5.5", "o.bmp"}, "between -5 and 5"}, {{"--from", "", "o.bmp"}, "--from needs"},
        {{"--colour\nred", "o.bmp"}, "unknown option --colour\\x0ared"}, {{"--threads", "0", "o.bmp"}, "between 1 and 1024"},
        {{"--threads", "1025", "o.bmp"}, "between 1 and 1024"}, {{"o.bmp", "--threads"}, "--threads needs a value"},
        {{"--center", "0,0", "o.bmp"}, "go together"}, {{"--width", "0.000", "--center", "0,0", "o.bmp"}, "above 0"},
        {{"--width", "-1e-9", "--center", "0,0", "o.bmp"}, "above 0"}, {{"--center", "0,0,1", "o.bmp"}, "two numbers"},
        {{"--center", "0x1p-3,0", "--width", "1", "o.bmp"}, "decimal numbers"},
        {{"--rect", "-2,1,1,-1", "--center", "0,0", "--width", "1", "o.bmp"}, "not both"}};
    // clang-format on
    for (const auto& [args, message] : cases) {
        const auto p = ParseCommandLine(args);
        EXPECT_EQ(p.action, ParsedCommandLine::Action::Fail) << message;
        EXPECT_NE(p.error.find(message), std::string::npos) << p.error;
        EXPECT_EQ(p.error.find('\n'), std::string::npos);
    }
}

std::uint32_t Dword(const Bytes& b, std::size_t at) {
    return static_cast<std::uint32_t>(b[at] | b[at + 1] << 8 | b[at + 2] << 16 |
                                      static_cast<std::uint32_t>(b[at + 3]) << 24);
}
void PutDword(Bytes* b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) (*b)[at + i] = static_cast<unsigned char>(v >> (8 * i));
}

RenderOptions Options(const std::string& output) {
    RenderOptions o;
    o.output = output;
    return o;
}

// A saved picture's record under the options given, its colour map kept.
TEST(Render, SavedPicturesAreRenderedAgainFromTheirRecord) {
    TempDir dir;
    CDIB dib;
    ASSERT_TRUE(dib.CreateBlank(20, 10));
    // The table the writer gives a picture: its colours, then black.
    for (int i = 201; i < 256; ++i) dib.Info()->bmiColors[i] = RGBQUAD{};
    PictureRecord record;
    record.params = DefaultPictureParams();
    record.params.width = 20, record.params.height = 10, record.params.noise = 0.5;
    record.hasColorMap = true;
    record.colorMap.assign(51, 7);
    record.colorMap[50] = 0;
    CReplacingFile saved;
    ASSERT_TRUE(saved.OpenFor(dir.File("saved.bmp")) && WritePictureFile(&saved, dib, record) && saved.Commit());
    RenderOptions again = Options(dir.File("again.bmp"));
    again.fromFile = dir.File("saved.bmp");
    again.width = 20, again.height = 12, again.given.size = true;
    again.noise = 0.0, again.given.noise = true;
    std::string error;
    ASSERT_TRUE(RenderToFile(again, 0, &error)) << error;
    const Bytes bytes = ReadBytes(again.output);
    EXPECT_EQ(std::set<int>(bytes.begin() + 1078, bytes.begin() + 1078 + 240), (std::set<int>{0, 7}));
    CFile file;
    ASSERT_TRUE(file.Open(again.output.c_str(), CFile::modeRead) && ReadPictureRecord(&file, &record));
    EXPECT_EQ(std::make_tuple(record.params.width, record.params.height, record.params.noise, record.colorMap.size()),
              std::make_tuple(20, 12, 0.0, std::size_t{51}));
}

// A palette from a bitmap with the 124-byte header editors write, read by
// its table alone: the picture it claims to be would fill no memory.
TEST(Render, PaletteFromTheLargestHeaderWhateverPictureItClaims) {
    TempDir dir;
    Bytes b = ReadBytes(TINDRAL_TEST_DATA "/info4.bmp");
    b.insert(b.begin() + 54, 124 - 40, 0);
    const unsigned char fields[][2] = {{10, 54 + 84 + 64}, {14, 124}};  // bfOffBits, biSize
    for (const auto& f : fields) b[f[0]] = f[1], b[f[0] + 1] = 0;
    for (int at : {18, 22}) b[at] = b[at + 1] = b[at + 2] = 0xFF, b[at + 3] = 0x7F;  // 2147483647 x 2147483647
    WriteBytes(dir.File("v5.bmp"), b);
    RenderOptions o = Options(dir.File("out.bmp"));
    o.paletteFile = dir.File("v5.bmp"), o.given.palette = true;
    std::string error;
    ASSERT_TRUE(RenderToFile(o, 0, &error)) << error;
    const Bytes out = ReadBytes(o.output);
    EXPECT_EQ(Bytes(out.begin() + 54, out.begin() + 54 + 64), Bytes(b.begin() + 138, b.begin() + 138 + 64));
}

// What is wrong with the output, the palette or the saved picture is found
// before any computation starts, and an existing output is left alone.
struct Failure {
    const char* name;
    const char *output, *palette, *from;  // in the test's folder, or (with %) in tests/data
    const char* message;
};
class RenderFailure : public testing::TestWithParam<Failure> {};

TEST_P(RenderFailure, SaysWhy) {
    TempDir dir;
    const auto path = [&dir](std::string name) {
        return name.empty() ? name : name[0] == '%' ? TINDRAL_TEST_DATA + ("/" + name.substr(1)) : dir.File(name);
    };
    WriteBytes(dir.File("keep.bmp"), {1, 2, 3});
    WriteBytes(dir.File("text.bmp"), {'h', 'e', 'l', 'l', 'o'});
    std::filesystem::create_directory(dir.File("folder"));
    Bytes damaged = ReadBytes(path("%tindral-7x5-noise.bmp"));
    damaged[damaged.size() - 40] ^= 1;
    WriteBytes(dir.File("folder/damaged.bmp"), damaged);
    // Hostile and damaged shapes of the 7x5 picture: records that pass their
    // checksum (made again after each change) but describe another bitmap
    // than the one they follow, and files cut short or shifted.
    const Bytes sound = ReadBytes(path("%tindral-7x5-noise.bmp"));
    const std::size_t bitmapEnd = 1078 + 8 * 5;
    const auto craft = [&](const char* name, std::function<void(Bytes&)> change, bool resum = true) {
        Bytes bytes = sound;
        change(bytes);
        const std::size_t trailer = bytes.size() - 18, body = trailer - Dword(bytes, trailer);
        if (resum)
            PutDword(&bytes, trailer + 4,
                     static_cast<std::uint32_t>(crc32(0L, bytes.data() + body, static_cast<uInt>(trailer - body))));
        WriteBytes(dir.File(std::string("folder/") + name), bytes);
    };
    const auto size = [&](std::uint32_t width, std::uint32_t height) {
        return [=](Bytes& b) { PutDword(&b, bitmapEnd, width), PutDword(&b, bitmapEnd + 4, height); };
    };
    craft("huge.bmp", size(46340, 46340));
    craft("wide.bmp", size(1000000, 2147));
    craft("one.bmp", size(1, 1));
    craft("zero.bmp", size(0, 0));
    craft("negative.bmp", size(0u - 7, 5));
    craft("topdown.bmp", [](Bytes& b) { PutDword(&b, 22, 0u - Dword(b, 22)); });
    craft("deep.bmp", [](Bytes& b) { b[28] = 24; });
    craft("table.bmp", [](Bytes& b) { b[54 + 4 * 250] = 1; });
    craft("shifted.bmp", [&](Bytes& b) { b.insert(b.begin() + bitmapEnd, 0); });
    craft(
        "cutrows.bmp", [](Bytes& b) { b.resize(1078 + 8 * 2 + 3); }, false);
    craft(
        "cutbody.bmp", [&](Bytes& b) { b.resize(bitmapEnd + 30); }, false);
    craft(
        "cuttrailer.bmp", [](Bytes& b) { b.resize(b.size() - 5); }, false);
    craft(
        "map.bmp",
        [&](Bytes& b) {
            PictureRecord r;
            r.params = DefaultPictureParams();
            r.params.width = 7, r.params.height = 5, r.params.iterations = 50;
            r.hasColorMap = true, r.colorMap.assign(10, 3);
            Bytes record;
            ASSERT_TRUE(PictureRecordBytes(r, &record));
            b.resize(bitmapEnd);
            b.insert(b.end(), record.begin(), record.end());
        },
        false);
    RenderOptions o = Options(path(GetParam().output));
    o.paletteFile = path(GetParam().palette);
    o.fromFile = path(GetParam().from);
    RenderHooks hooks;
    bool computed = false;
    hooks.progress = [&computed](double) { return computed = true; };
    std::string error;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(RenderToFile(o, 0, &error, hooks));
    // Refused at once and in little memory, whatever picture a record claims
    // (bounds far above what a refusal takes, even under the sanitizers).
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
#ifdef __linux__
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    EXPECT_LT(usage.ru_maxrss, 200 * 1024) << "kB at the most";
#endif
    EXPECT_NE(error.find(GetParam().message), std::string::npos) << error;
    EXPECT_FALSE(computed);
    EXPECT_EQ(ReadBytes(dir.File("keep.bmp")), (Bytes{1, 2, 3}));
    EXPECT_EQ(dir.Entries().size(), 3u);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Cases, RenderFailure, testing::Values(
    Failure{"OutputIsAFolder", "folder", "", "", "folder: it is a folder"},
    Failure{"OutputFolderMissing", "nowhere/out.bmp", "", "", "its folder does not exist"},
    Failure{"OutputFolderIsAFile", "text.bmp/out.bmp", "", "", "a part of its path is not a folder"},
    Failure{"PaletteMissing", "keep.bmp", "none.bmp", "", "cannot open palette file"},
    Failure{"PaletteNotABitmap", "keep.bmp", "text.bmp", "", "text.bmp: neither a bitmap nor a PNG file"},
    Failure{"PaletteWithoutTable", "keep.bmp", "%info24.bmp", "", "info24.bmp is a 24-bit picture: its colours are not a palette"},
    Failure{"FromPlainBitmap", "keep.bmp", "", "%info8-netpbm.bmp", "holds no picture record"},
    Failure{"FromDamagedRecord", "keep.bmp", "", "folder/damaged.bmp", "damaged.bmp is damaged: its checksum or its fields"},
    Failure{"FromZeroSizedRecord", "keep.bmp", "", "folder/zero.bmp", "zero.bmp is damaged"},
    Failure{"FromNegativeWidthRecord", "keep.bmp", "", "folder/negative.bmp", "negative.bmp is damaged"},
    Failure{"FromRowsCutShort", "keep.bmp", "", "folder/cutrows.bmp", "cutrows.bmp is incomplete: 2 of 5 rows"},
    Failure{"FromRecordCutShort", "keep.bmp", "", "folder/cutbody.bmp", "cutbody.bmp is damaged"},
    Failure{"FromTrailerCutShort", "keep.bmp", "", "folder/cuttrailer.bmp", "cuttrailer.bmp is damaged"},
    Failure{"FromShiftedRecord", "keep.bmp", "", "folder/shifted.bmp", "(the record does not start where the bitmap ends)"},
    Failure{"FromDeeperBitmap", "keep.bmp", "", "folder/deep.bmp", "(a 24-bit bitmap of another kind"},
    Failure{"FromOtherColourTable", "keep.bmp", "", "folder/table.bmp", "(a colour table of 256 entries unlike"},
    Failure{"FromMapOfAnotherLength", "keep.bmp", "", "folder/map.bmp", "(a colour map of 10 entries for the iteration limit 50)"},
    Failure{"FromHugeRecord", "keep.bmp", "", "folder/huge.bmp",
            "does not match its bitmap (7\u00d75 pixels, record 46340\u00d746340): the file is damaged"},
    Failure{"FromWideRecord", "keep.bmp", "", "folder/wide.bmp", "record 1000000\u00d72147): the file is damaged"},
    Failure{"FromSmallRecord", "keep.bmp", "", "folder/one.bmp", "record 1\u00d71): the file is damaged"},
    Failure{"FromTopDownBitmap", "keep.bmp", "", "folder/topdown.bmp", "(a top-down bitmap): the file is damaged"}),
    [](const testing::TestParamInfo<Failure>& param) { return std::string(param.param.name); });
// clang-format on

}  // namespace
