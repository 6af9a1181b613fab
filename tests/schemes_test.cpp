// The five colour schemes, checked at their published entries, and the
// interpolation they share.
#include <gtest/gtest.h>

#include <cstring>
#include <tuple>

#include "core/palettes/palette.h"
#include "core/palettes/schemes.h"

namespace {

// Entries where the schemes' rules change: anchors, the ends of
// interpolated runs, and the single-precision steps between them.
struct Entry {
    Scheme scheme;
    int index;
    int red, green, blue;
};
constexpr Entry kEntries[] = {
    {Scheme::Gray, 0, 0, 0, 0},          {Scheme::Gray, 1, 255, 255, 255},     {Scheme::Gray, 100, 156, 156, 156},
    {Scheme::Gray, 200, 56, 56, 56},     {Scheme::Edge, 14, 255, 255, 255},    {Scheme::Edge, 15, 0, 0, 0},
    {Scheme::Edge, 200, 0, 0, 0},        {Scheme::Fatigues, 0, 0, 55, 0},      {Scheme::Fatigues, 1, 25, 25, 25},
    {Scheme::Fatigues, 3, 1, 77, 1},     {Scheme::Fatigues, 7, 81, 81, 0},     {Scheme::Fatigues, 12, 6, 85, 4},
    {Scheme::Fatigues, 199, 91, 91, 91}, {Scheme::Fatigues, 200, 255, 255, 0}, {Scheme::Fire, 1, 255, 255, 64},
    {Scheme::Fire, 2, 254, 249, 61},     {Scheme::Fire, 8, 244, 213, 41},      {Scheme::Fire, 14, 235, 177, 20},
    {Scheme::Fire, 15, 230, 164, 12},    {Scheme::Fire, 16, 229, 157, 14},     {Scheme::Fire, 34, 204, 17, 59},
    {Scheme::Fire, 36, 198, 0, 66},      {Scheme::Fire, 60, 128, 0, 128},      {Scheme::Fire, 61, 128, 0, 128},
    {Scheme::Fire, 100, 96, 3, 117},     {Scheme::Fire, 199, 15, 12, 87},      {Scheme::Fire, 200, 12, 12, 85},
    {Scheme::Jungle, 0, 64, 32, 0},      {Scheme::Jungle, 1, 61, 40, 0},       {Scheme::Jungle, 19, 7, 189, 0},
    {Scheme::Jungle, 21, 0, 203, 0},     {Scheme::Jungle, 50, 0, 128, 0},      {Scheme::Jungle, 51, 0, 0, 0},
    {Scheme::Jungle, 100, 0, 42, 32},    {Scheme::Jungle, 199, 0, 127, 99},    {Scheme::Jungle, 200, 0, 128, 100},
};

TEST(Schemes, HoldTheKnownColours) {
    for (const Entry& e : kEntries) {
        const RGBQUAD q = MakeScheme(e.scheme)[static_cast<std::size_t>(e.index)];
        EXPECT_EQ(std::tie(q.rgbRed, q.rgbGreen, q.rgbBlue, q.rgbReserved),
                  std::make_tuple(BYTE(e.red), BYTE(e.green), BYTE(e.blue), BYTE(0)))
            << "scheme " << static_cast<int>(e.scheme) << ", entry " << e.index;
    }
}

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

// Steps of (end - start + 1) / n, truncated toward zero, so an ascending run
// stops short of its end anchor and a descending one rounds up.
TEST(InterpolateColors, StepsByTheSpanOverNAndTruncate) {
    RGBQUAD list[5] = {RGBQUAD{100, 0, 10, 0}, {}, {}, {}, RGBQUAD{96, 0, 20, 0}};
    InterpolateColors(list, 0, 5);
    EXPECT_EQ(std::make_tuple(list[1].rgbRed, list[2].rgbRed, list[3].rgbRed, list[4].rgbRed),
              std::make_tuple(BYTE(12), BYTE(14), BYTE(16), BYTE(20)));  // red steps of 2.2
    EXPECT_EQ(list[1].rgbBlue, 100);                                     // blue steps of -0.6
}

}  // namespace
