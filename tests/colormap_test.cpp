// The equal-share colour assignment and the mapping of counts to pixels.
#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "core/engine/generator.h"
#include "core/image/dib.h"
#include "core/palettes/colormap.h"

namespace {

std::vector<std::int32_t> Repeat(std::vector<std::pair<int, int>> countAndPixels) {
    std::vector<std::int32_t> counts;
    for (auto [count, pixels] : countAndPixels) counts.insert(counts.end(), pixels, count);
    return counts;
}

TEST(AssignColors, OneCountHoldingEverythingSkipsTheOtherColours) {
    // 40 pixels inside, 60 at count 3: count 3 uses up every threshold.
    const auto counts = Repeat({{50, 40}, {3, 60}});
    const CColorMap map = CColorMap::Assign(50, 100, counts.data());
    ASSERT_EQ(map.Iterations(), 50);
    EXPECT_EQ(map.Entries()[50], 0);
    for (int k = 4; k <= 49; ++k) EXPECT_EQ(map.Entries()[k], 1) << k;
    EXPECT_EQ(map.Entries()[3], 1);
    for (int k = 0; k <= 2; ++k) EXPECT_EQ(map.Entries()[k], 201) << k;
}

TEST(AssignColors, NothingEscapedGivesColourOneEverywhere) {
    const auto counts = Repeat({{20, 30}});
    const CColorMap map = CColorMap::Assign(20, 30, counts.data());
    EXPECT_EQ(map.Entries()[20], 0);
    for (int k = 0; k < 20; ++k) EXPECT_EQ(map.Entries()[k], 1);
}

TEST(AssignColors, EqualSharesGiveEveryColourAboutTwoCountsAndEndAtTwoHundred) {
    // 400 counts of one pixel each: 0.25 % a count, so about two counts a
    // colour. The single-precision thresholds are what let 1 and 0 still
    // reach 200; where a threshold rounds just above its multiple of 0.005 a
    // colour takes a third count and a later one a single count.
    std::vector<std::int32_t> counts(400);
    for (int k = 0; k < 400; ++k) counts[k] = k;
    const CColorMap map = CColorMap::Assign(400, 400, counts.data());
    const auto& m = map.Entries();
    EXPECT_EQ(m[400], 0);
    EXPECT_EQ(m[399], 1);
    EXPECT_EQ(m[398], 1);
    EXPECT_EQ(m[397], 2);
    EXPECT_EQ(m[396], 2);
    EXPECT_EQ(m[1], 200);
    EXPECT_EQ(m[0], 200);
    std::vector<int> share(202, 0);
    for (int k = 0; k < 400; ++k) {
        ASSERT_GE(m[k], 1);
        ASSERT_LE(m[k], 200);
        if (k > 0) {
            ASSERT_LE(m[k], m[k - 1]) << "colours rise as counts fall";
        }
        ++share[m[k]];
    }
    for (int colour = 1; colour <= 200; ++colour) EXPECT_TRUE(share[colour] >= 1 && share[colour] <= 3) << colour;
}

TEST(AssignColors, DefaultPictureUsesTheKnownIndices) {
    GeneratorInput in;
    in.width = kDefaultImageWidth;
    in.height = kDefaultImageHeight;
    in.rect = kDefaultSearchRect;
    in.iterations = kDefaultIterations;
    std::vector<std::int32_t> counts(13300);
    GenerateCounts(in, counts.data());
    const CColorMap map = CColorMap::Assign(50, 13300, counts.data());
    EXPECT_EQ(map.IndexFor(50), 0);
    EXPECT_EQ(map.IndexFor(0), 158);
    EXPECT_EQ(map.IndexFor(1), 134);
    EXPECT_EQ(map.IndexFor(2), 76);
    std::set<int> used;
    for (std::int32_t c : counts) used.insert(map.IndexFor(c));
    EXPECT_EQ(used.size(), 22u);
}

TEST(AssignColors, CountsOutsideTheMapAreIgnoredAndNeverRead) {
    const std::vector<std::int32_t> counts{-3, 0, 5, 99, 1000000};
    const CColorMap map = CColorMap::Assign(5, 5, counts.data());
    EXPECT_EQ(map.Entries().size(), 6u);
    // A picture made with a higher limit than the map's shows those pixels as
    // the interior.
    EXPECT_EQ(map.IndexFor(99), 0);
    EXPECT_EQ(map.IndexFor(-1), 0);
}

TEST(MapCountsToPixels, FillsRowsBottomUpAndLeavesTheFillBytes) {
    std::vector<std::int32_t> counts{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14};  // 5 x 3
    CColorMap map(20);
    const CColorMap assigned = CColorMap::Assign(20, 15, counts.data());
    std::vector<BYTE> pixels(RowStride(5) * 3, 0xEE);
    MapCountsToPixels(5, 3, counts.data(), assigned, pixels.data());
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 5; ++c) EXPECT_EQ(pixels[r * 8 + c], assigned.IndexFor(counts[r * 5 + c]));
        for (int c = 5; c < 8; ++c) EXPECT_EQ(pixels[r * 8 + c], 0xEE);
    }
    // An unassigned map paints everything as the interior.
    MapCountsToPixels(5, 3, counts.data(), map, pixels.data());
    EXPECT_EQ(pixels[0], 0);
    EXPECT_EQ(pixels[2 * 8 + 4], 0);
}

}  // namespace
