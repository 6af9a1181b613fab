// The five colour schemes, checked at their published entries, and the
// interpolation they share.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "core/palettes/palette.h"
#include "core/palettes/schemes.h"

namespace {

struct Entry {
    Scheme scheme;
    int index;
    int red, green, blue;
};

class SchemeEntries : public testing::TestWithParam<Entry> {};

std::string EntryName(const testing::TestParamInfo<Entry>& param) { return "Entry" + std::to_string(param.param.index); }

TEST_P(SchemeEntries, HoldTheKnownColour) {
    const Entry& e = GetParam();
    const RGBQUAD q = MakeScheme(e.scheme)[e.index];
    EXPECT_EQ(q.rgbRed, e.red);
    EXPECT_EQ(q.rgbGreen, e.green);
    EXPECT_EQ(q.rgbBlue, e.blue);
    EXPECT_EQ(q.rgbReserved, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Gray, SchemeEntries,
    testing::Values(Entry{Scheme::Gray, 0, 0, 0, 0}, Entry{Scheme::Gray, 1, 255, 255, 255},
                    Entry{Scheme::Gray, 100, 156, 156, 156}, Entry{Scheme::Gray, 200, 56, 56, 56}), EntryName);
INSTANTIATE_TEST_SUITE_P(Edge, SchemeEntries,
                         testing::Values(Entry{Scheme::Edge, 0, 0, 0, 0}, Entry{Scheme::Edge, 1, 255, 255, 255},
                                         Entry{Scheme::Edge, 14, 255, 255, 255}, Entry{Scheme::Edge, 15, 0, 0, 0},
                                         Entry{Scheme::Edge, 200, 0, 0, 0}), EntryName);
INSTANTIATE_TEST_SUITE_P(
    Fatigues, SchemeEntries,
    testing::Values(Entry{Scheme::Fatigues, 0, 0, 55, 0}, Entry{Scheme::Fatigues, 1, 25, 25, 25},
                    Entry{Scheme::Fatigues, 3, 1, 77, 1}, Entry{Scheme::Fatigues, 7, 81, 81, 0},
                    Entry{Scheme::Fatigues, 12, 6, 85, 4}, Entry{Scheme::Fatigues, 199, 91, 91, 91},
                    Entry{Scheme::Fatigues, 200, 255, 255, 0}), EntryName);
INSTANTIATE_TEST_SUITE_P(
    Fire, SchemeEntries,
    testing::Values(Entry{Scheme::Fire, 0, 0, 0, 0}, Entry{Scheme::Fire, 1, 255, 255, 64},
                    Entry{Scheme::Fire, 2, 254, 249, 61}, Entry{Scheme::Fire, 8, 244, 213, 41},
                    Entry{Scheme::Fire, 14, 235, 177, 20}, Entry{Scheme::Fire, 15, 230, 164, 12},
                    Entry{Scheme::Fire, 16, 229, 157, 14}, Entry{Scheme::Fire, 34, 204, 17, 59},
                    Entry{Scheme::Fire, 36, 198, 0, 66}, Entry{Scheme::Fire, 60, 128, 0, 128},
                    Entry{Scheme::Fire, 61, 128, 0, 128}, Entry{Scheme::Fire, 100, 96, 3, 117},
                    Entry{Scheme::Fire, 199, 15, 12, 87}, Entry{Scheme::Fire, 200, 12, 12, 85}), EntryName);
INSTANTIATE_TEST_SUITE_P(
    Jungle, SchemeEntries,
    testing::Values(Entry{Scheme::Jungle, 0, 64, 32, 0}, Entry{Scheme::Jungle, 1, 61, 40, 0},
                    Entry{Scheme::Jungle, 19, 7, 189, 0}, Entry{Scheme::Jungle, 21, 0, 203, 0},
                    Entry{Scheme::Jungle, 50, 0, 128, 0}, Entry{Scheme::Jungle, 51, 0, 0, 0},
                    Entry{Scheme::Jungle, 52, 0, 0, 0}, Entry{Scheme::Jungle, 100, 0, 42, 32},
                    Entry{Scheme::Jungle, 199, 0, 127, 99}, Entry{Scheme::Jungle, 200, 0, 128, 100}), EntryName);

TEST(Schemes, LeaveEntriesPastTwoHundredEmptyAndRepeatExactly) {
    for (Scheme s : {Scheme::Gray, Scheme::Fire, Scheme::Edge, Scheme::Fatigues, Scheme::Jungle}) {
        const ColorList list = MakeScheme(s);
        for (int i = kSchemeEntries; i < 256; ++i) {
            EXPECT_EQ(list[i].rgbRed | list[i].rgbGreen | list[i].rgbBlue | list[i].rgbReserved, 0);
        }
        const ColorList again = MakeScheme(s);
        EXPECT_EQ(0, std::memcmp(list.data(), again.data(), sizeof list));
    }
}

TEST(Schemes, AreNamedForTheCommandLine) {
    EXPECT_EQ(SchemeByName("fatigues"), Scheme::Fatigues);
    EXPECT_EQ(SchemeByName("jungle"), Scheme::Jungle);
    EXPECT_FALSE(SchemeByName("Fire").has_value());
    EXPECT_FALSE(SchemeByName("").has_value());
}

TEST(InterpolateColors, StepsByTheSpanOverNNotNMinusOne) {
    RGBQUAD list[5] = {};
    list[0] = RGBQUAD{0, 0, 10, 0};   // red 10
    list[4] = RGBQUAD{0, 0, 20, 0};   // red 20: step (20 - 10 + 1) / 5 = 2.2
    InterpolateColors(list, 0, 5);
    EXPECT_EQ(list[1].rgbRed, 12);
    EXPECT_EQ(list[2].rgbRed, 14);
    EXPECT_EQ(list[3].rgbRed, 16);  // trunc(6.6): stops short of the end anchor
    EXPECT_EQ(list[4].rgbRed, 20);
}

TEST(InterpolateColors, TruncatesDescendingStepsTowardZero) {
    RGBQUAD list[3] = {};
    list[0] = RGBQUAD{100, 0, 0, 0};
    list[2] = RGBQUAD{96, 0, 0, 0};  // blue step (96 - 100 + 1) / 3 = -1
    InterpolateColors(list, 0, 3);
    EXPECT_EQ(list[1].rgbBlue, 99);
}

TEST(InterpolateColors, WritesNothingForNeighbouringAnchors) {
    RGBQUAD list[2] = {RGBQUAD{1, 2, 3, 4}, RGBQUAD{5, 6, 7, 8}};
    InterpolateColors(list, 0, 2);
    InterpolateColors(list, 0, 1);
    EXPECT_EQ(list[0].rgbReserved, 4);
    EXPECT_EQ(list[1].rgbBlue, 5);
}

TEST(PaletteEntries, TakeRedFromTheThirdByteAndAreReserved) {
    const RGBQUAD colors[2] = {RGBQUAD{10, 20, 30, 0}, RGBQUAD{1, 2, 3, 99}};
    const PaletteEntries entries = EntriesFromColors(colors, 2);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].peRed, 30);
    EXPECT_EQ(entries[0].peGreen, 20);
    EXPECT_EQ(entries[0].peBlue, 10);
    EXPECT_EQ(entries[0].peFlags, PC_RESERVED);
    EXPECT_EQ(entries[1].peFlags, PC_RESERVED);
}

}  // namespace
