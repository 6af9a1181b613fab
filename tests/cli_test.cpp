// tindral-render's command line and its road from options to a file.
#include <gtest/gtest.h>

#include <set>

#include "cli/options.h"
#include "cli/render.h"
#include "support/tempdir.h"

namespace {

ParsedCommandLine Parse(std::vector<std::string> args) { return ParseCommandLine(args); }

TEST(CommandLine, DefaultsNeedOnlyTheOutput) {
    const auto p = Parse({"out.bmp"});
    ASSERT_EQ(p.action, ParsedCommandLine::Action::Render);
    EXPECT_EQ(p.options.output, "out.bmp");
    EXPECT_EQ(p.options.width, 133);
    EXPECT_EQ(p.options.height, 100);
    EXPECT_EQ(p.options.iterations, 50);
    EXPECT_EQ(p.options.rect.upperLeft.re, -2.416667);
    EXPECT_EQ(p.options.scheme, Scheme::Fire);
}

TEST(CommandLine, TakesNegativeNumbersAsValues) {
    const auto p = Parse({"--rect", "-2,1.5,1,-1.5", "--noise", "-1", "--exponent=-2.5", "o.bmp"});
    ASSERT_EQ(p.action, ParsedCommandLine::Action::Render) << p.error;
    EXPECT_EQ(p.options.rect.upperLeft.re, -2.0);
    EXPECT_EQ(p.options.rect.lowerRight.im, -1.5);
    EXPECT_EQ(p.options.noise, -1.0);
    EXPECT_EQ(p.options.exponent, -2.5);
}

TEST(CommandLine, ReadsSizeIterationsAndPalette) {
    const auto p = Parse({"--size", "640x480", "--iterations=1000000", "--palette", "jungle", "o.bmp"});
    ASSERT_EQ(p.action, ParsedCommandLine::Action::Render) << p.error;
    EXPECT_EQ(p.options.width, 640);
    EXPECT_EQ(p.options.height, 480);
    EXPECT_EQ(p.options.iterations, 1000000);
    EXPECT_EQ(p.options.scheme, Scheme::Jungle);
    EXPECT_TRUE(p.options.paletteFile.empty());
    EXPECT_EQ(Parse({"--palette", "colours.bmp", "o.bmp"}).options.paletteFile, "colours.bmp");
}

TEST(CommandLine, HelpAndVersion) {
    EXPECT_EQ(Parse({"--help"}).action, ParsedCommandLine::Action::Help);
    EXPECT_EQ(Parse({"x.bmp", "--version"}).action, ParsedCommandLine::Action::Version);
}

struct BadCase {
    std::vector<std::string> args;
    const char* message;  // a part of the one-line error
};

class BadCommandLine : public testing::TestWithParam<BadCase> {};

TEST_P(BadCommandLine, FailsWithOneClearLine) {
    const auto p = ParseCommandLine(GetParam().args);
    EXPECT_EQ(p.action, ParsedCommandLine::Action::Fail);
    EXPECT_NE(p.error.find(GetParam().message), std::string::npos) << p.error;
    EXPECT_EQ(p.error.find('\n'), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BadCommandLine,
    testing::Values(BadCase{{"--colour", "red", "o.bmp"}, "unknown option --colour"},
                    BadCase{{}, "no output file"}, BadCase{{"a.bmp", "b.bmp"}, "more than one output"},
                    BadCase{{"o.bmp", "--size"}, "--size needs a value"},
                    BadCase{{"--size", "0x100", "o.bmp"}, "between 1 and 1000000"},
                    BadCase{{"--size", "100x1000001", "o.bmp"}, "between 1 and 1000000"},
                    BadCase{{"--size", "100", "o.bmp"}, "WIDTHxHEIGHT"},
                    BadCase{{"--size", "12ax4", "o.bmp"}, "needs an integer"},
                    BadCase{{"--iterations", "0", "o.bmp"}, "between 1 and 1000000"},
                    BadCase{{"--iterations", "99999999999999999999", "o.bmp"}, "needs an integer"},
                    BadCase{{"--iterations", " 5", "o.bmp"}, "needs an integer"},
                    BadCase{{"--noise", "1e", "o.bmp"}, "needs a number"},
                    BadCase{{"--noise", "nan", "o.bmp"}, "needs a number"},
                    BadCase{{"--exponent", "inf", "o.bmp"}, "needs a number"},
                    BadCase{{"--rect", "1,2,3", "o.bmp"}, "four numbers"},
                    BadCase{{"--rect", "-2,1.5,1,-5.5", "o.bmp"}, "between -5 and 5"},
                    BadCase{{"--palette", "", "o.bmp"}, "--palette needs"}));

RenderOptions Options(const std::string& output) {
    RenderOptions o;
    o.output = output;
    return o;
}

TEST(Render, DefaultPictureHasTheKnownFigures) {
    TempDir dir;
    std::string error;
    ASSERT_TRUE(RenderToFile(Options(dir.File("out.bmp")), 0, &error)) << error;
    const auto bytes = ReadBytes(dir.File("out.bmp"));
    ASSERT_EQ(bytes.size(), 14678u);
    const auto dword = [&](std::size_t at) {
        return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | bytes[at + 3] << 24;
    };
    EXPECT_EQ(dword(2), 14678);   // bfSize
    EXPECT_EQ(dword(10), 1078);   // bfOffBits
    EXPECT_EQ(dword(18), 133);    // biWidth
    EXPECT_EQ(dword(22), 100);    // biHeight
    EXPECT_EQ(dword(50), 201);    // biClrImportant
    EXPECT_EQ(bytes[54 + 4 * 1 + 2], 255);  // Fire entry 1 is (255, 255, 64)
    EXPECT_EQ(bytes[54 + 4 * 1 + 0], 64);
    int interior = 0, fastest = 0;
    std::set<int> used;
    for (int r = 0; r < 100; ++r)
        for (int c = 0; c < 133; ++c) {
            const int index = bytes[1078 + r * 136 + c];
            interior += index == 0;
            fastest += index == 158;
            used.insert(index);
        }
    EXPECT_EQ(interior, 2556);
    EXPECT_EQ(fastest, 2266);
    EXPECT_EQ(used.size(), 22u);
}

TEST(Render, AFailureLeavesAnExistingOutputAlone) {
    TempDir dir;
    const std::string out = dir.File("keep.bmp");
    WriteBytes(out, {1, 2, 3});
    RenderOptions o = Options(out);
    o.paletteFile = dir.File("missing.bmp");
    std::string error;
    EXPECT_FALSE(RenderToFile(o, 0, &error));
    EXPECT_NE(error.find("cannot open palette file"), std::string::npos) << error;
    EXPECT_EQ(ReadBytes(out), (std::vector<unsigned char>{1, 2, 3}));
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"keep.bmp"});
}

TEST(Render, RefusesPalettesThatAreNotUsableBitmaps) {
    TempDir dir;
    WriteBytes(dir.File("text.bmp"), {'h', 'e', 'l', 'l', 'o'});
    RenderOptions o = Options(dir.File("out.bmp"));
    o.paletteFile = dir.File("text.bmp");
    std::string error;
    EXPECT_FALSE(RenderToFile(o, 0, &error));
    EXPECT_NE(error.find("not a bitmap"), std::string::npos) << error;
    EXPECT_TRUE(ReadBytes(dir.File("out.bmp")).empty());
}

TEST(Render, TakesThePaletteOfAnotherPicture) {
    TempDir dir;
    RenderOptions gray = Options(dir.File("gray.bmp"));
    gray.scheme = Scheme::Gray;
    std::string error;
    ASSERT_TRUE(RenderToFile(gray, 0, &error)) << error;
    RenderOptions fromFile = Options(dir.File("copy.bmp"));
    fromFile.paletteFile = dir.File("gray.bmp");
    ASSERT_TRUE(RenderToFile(fromFile, 0, &error)) << error;
    // Only the first 201 entries come from a palette, the rest stay black:
    // rendering through a saved picture's palette gives the same file.
    EXPECT_EQ(ReadBytes(dir.File("copy.bmp")), ReadBytes(dir.File("gray.bmp")));
}

TEST(Render, RefusesPicturesTooLargeForABitmapFile) {
    TempDir dir;
    RenderOptions o = Options(dir.File("huge.bmp"));
    o.width = 1000000;
    o.height = 1000000;
    std::string error;
    EXPECT_FALSE(RenderToFile(o, 0, &error));
    EXPECT_NE(error.find("too large"), std::string::npos) << error;
    EXPECT_TRUE(dir.Entries().empty());
}

TEST(Render, CannotWriteIntoAMissingFolder) {
    TempDir dir;
    std::string error;
    EXPECT_FALSE(RenderToFile(Options(dir.File("nowhere/out.bmp")), 0, &error));
    EXPECT_NE(error.find("cannot create"), std::string::npos) << error;
}

}  // namespace
