// The equal-share colour assignment and the mapping of counts to pixels.
#include <gtest/gtest.h>

#include <tuple>
#include <vector>

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
    const std::vector<int>& m = map.Entries();
    EXPECT_EQ(std::vector<int>(m.begin(), m.begin() + 5), (std::vector<int>{201, 201, 201, 1, 1}));
    EXPECT_EQ(std::vector<int>(m.begin() + 45, m.end()), (std::vector<int>{1, 1, 1, 1, 1, 0}));
    // Nothing escaped: colour 1 everywhere but the interior.
    const auto inside = Repeat({{20, 30}});
    EXPECT_EQ(CColorMap::Assign(20, 30, inside.data()).Entries(), [] {
        std::vector<int> ones(21, 1);
        ones[20] = 0;
        return ones;
    }());
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
    EXPECT_EQ((std::vector<int>{m[400], m[399], m[398], m[397], m[396], m[1], m[0]}),
              (std::vector<int>{0, 1, 1, 2, 2, 200, 200}));
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

TEST(AssignColors, CountsOutsideTheMapAreIgnoredAndNeverRead) {
    const std::vector<std::int32_t> counts{-3, 0, 5, 99, 1000000};
    const CColorMap map = CColorMap::Assign(5, 5, counts.data());
    // A picture made with a higher limit than the map's shows those pixels
    // as the interior.
    EXPECT_EQ(std::make_tuple(map.Entries().size(), map.IndexFor(99), map.IndexFor(-1)), std::make_tuple(6u, 0, 0));
    // A large picture is counted another way, with the same shares.
    std::vector<std::int32_t> many;
    for (int k = 0; k < 1001; ++k) many.insert(many.end(), counts.begin(), counts.end());
    EXPECT_EQ(CColorMap::Assign(5, 5005, many.data()).Entries(), map.Entries());
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
