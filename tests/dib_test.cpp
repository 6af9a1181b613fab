// CDIB in memory: the blank image, colour counts of headers, geometry, pixel
// addressing, attached pixel blocks and block copies.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <tuple>
#include <vector>

#include "core/image/dib.h"

namespace {

// An information block as a caller builds one: header plus a full table
// whose entry i is (i, 255 - i, i ^ 0x55) so that copied entries can be told apart.
std::vector<BYTE> InfoBlock(LONG width, LONG height, WORD bits, DWORD clrUsed) {
    std::vector<BYTE> block(kInfoBlockBytes);
    auto* info = reinterpret_cast<BITMAPINFO*>(block.data());
    info->bmiHeader = BITMAPINFOHEADER{40, width, height, 1, bits, 0, 0, 0, 0, clrUsed, 0};
    for (int i = 0; i < 256; ++i)
        info->bmiColors[i] = RGBQUAD{static_cast<BYTE>(i), static_cast<BYTE>(255 - i), static_cast<BYTE>(i ^ 0x55), 0};
    return block;
}
const BITMAPINFO* AsInfo(const std::vector<BYTE>& block) {
    return reinterpret_cast<const BITMAPINFO*>(block.data());
}

TEST(DibBlank, FailedCreateLeavesNoImageAndRecreatingWipesPixels) {
    CDIB dib;
    *dib.PixelAddress(3, 3) = 77;
    EXPECT_FALSE(dib.CreateBlank(-1, 4));
    EXPECT_FALSE(dib.CreateBlank(4, -1));
    EXPECT_EQ(dib.PixelAddress(0, 0), nullptr);
    ASSERT_TRUE(dib.CreateBlank(16, 16));
    EXPECT_EQ(*dib.PixelAddress(3, 3), 0);
}

struct ColorCountCase {
    bool core;
    WORD bits;
    DWORD clrUsed;
    int expected;
};

class HeaderColorCountTest : public testing::TestWithParam<ColorCountCase> {};

TEST_P(HeaderColorCountTest, CountsMeaningfulEntries) {
    const ColorCountCase& c = GetParam();
    BITMAPINFOHEADER h{40, 0, 0, 1, c.bits, 0, 0, 0, 0, c.clrUsed, 0};
    // What follows a core header is not a biClrUsed field.
    const BITMAPCOREHEADER core{12, 0, 0, 1, c.bits};
    if (c.core) std::memcpy(&h, &core, sizeof core);
    EXPECT_EQ(HeaderColorCount(&h), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Headers, HeaderColorCountTest,
                         testing::Values(ColorCountCase{false, 8, 0, 256}, ColorCountCase{false, 8, 201, 201},
                                         ColorCountCase{false, 8, 300, 256}, ColorCountCase{false, 1, 0, 2},
                                         ColorCountCase{false, 1, 5, 2}, ColorCountCase{false, 4, 0, 16},
                                         ColorCountCase{false, 4, 3, 3}, ColorCountCase{false, 24, 0, 0},
                                         ColorCountCase{false, 24, 5, 5}, ColorCountCase{false, 24, 300, 256},
                                         ColorCountCase{true, 1, 7, 2}, ColorCountCase{true, 8, 7, 256},
                                         ColorCountCase{true, 24, 7, 0}));

struct GeometryCase {
    int width, height;
    std::size_t stride;
};

class DibGeometryTest : public testing::TestWithParam<GeometryCase> {};

TEST_P(DibGeometryTest, RowsArePaddedToFourBytesAndStoredBottomUp) {
    const GeometryCase& g = GetParam();
    EXPECT_EQ(RowStride(g.width), g.stride);
    CDIB dib;
    ASSERT_TRUE(dib.CreateBlank(g.width, g.height));
    RECT r{-1, -1, -1, -1};
    dib.GetBounds(&r);
    EXPECT_EQ(std::make_tuple(r.left, r.top, r.right, r.bottom), std::make_tuple(0, 0, g.width, g.height));
    ASSERT_EQ(dib.PixelBytes(), g.stride * static_cast<std::size_t>(g.height));
    const BYTE* base = dib.Pixels();
    // The top-left pixel is the first byte of the last row in memory.
    EXPECT_EQ(dib.PixelAddress(0, 0), base + (g.height - 1) * g.stride);
    EXPECT_EQ(dib.PixelAddress(g.width - 1, g.height - 1), base + g.width - 1);
    EXPECT_EQ(dib.PixelAddress(g.width - 1, 0), base + (g.height - 1) * g.stride + g.width - 1);
    for (auto [x, y] : {std::pair{g.width, 0}, {0, g.height}, {-1, 0}, {0, -1}, {INT_MIN, 0}, {0, INT_MAX}})
        EXPECT_EQ(dib.PixelAddress(x, y), nullptr) << x << "," << y;
}

INSTANTIATE_TEST_SUITE_P(Sizes, DibGeometryTest,
                         testing::Values(GeometryCase{1, 1, 4}, GeometryCase{4, 2, 4}, GeometryCase{5, 3, 8},
                                         GeometryCase{640, 480, 640}, GeometryCase{133, 100, 136}));

TEST(DibAttach, CopiesHeaderAndMeaningfulEntriesOnly) {
    // {bits, biClrUsed, entries copied}: only 256 entries fit the block.
    for (auto [bits, used, colors] : {std::tuple{WORD{8}, DWORD{201}, 201}, {WORD{24}, DWORD{1000}, 256}}) {
        std::vector<BYTE> info = InfoBlock(5, 3, bits, used);
        std::vector<BYTE> pixels(24, 7);
        CDIB dib;
        ASSERT_TRUE(dib.AttachPixels(AsInfo(info), pixels.data()));
        EXPECT_FALSE(dib.OwnsPixels());
        EXPECT_EQ(dib.ColorCount(), colors);
        EXPECT_EQ(dib.Pixels(), pixels.data());
        std::vector<BYTE> want(info.begin(), info.begin() + 40 + 4 * colors);
        want.resize(kInfoBlockBytes);
        // The caller may drop its header at once: the object has its own copy.
        info.assign(info.size(), 0xEE);
        EXPECT_EQ(std::memcmp(dib.Info(), want.data(), kInfoBlockBytes), 0) << bits;
    }
}

TEST(DibAttach, AttachedBlockOutlivesTheObjectAndItsReplacement) {
    const std::vector<BYTE> info = InfoBlock(5, 3, 8, 0);
    std::vector<BYTE> pixels(24);
    for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<BYTE>(i + 1);
    const std::vector<BYTE> original = pixels;
    {
        CDIB dib;
        ASSERT_TRUE(dib.AttachPixels(AsInfo(info), pixels.data()));
        EXPECT_EQ(dib.PixelAddress(0, 0), pixels.data() + 16);
        ASSERT_TRUE(dib.CreateBlank(4, 4));
        EXPECT_TRUE(dib.OwnsPixels());
        EXPECT_NE(dib.Pixels(), pixels.data());
        ASSERT_TRUE(dib.AttachPixels(AsInfo(info), pixels.data()));
    }
    // Neither CreateBlank nor the destructor released or touched the block
    // (the sanitizer build catches a release of memory it does not own).
    EXPECT_EQ(pixels, original);
}

TEST(DibAttach, TopDownImagesAreNeverAddressed) {
    const std::vector<BYTE> info = InfoBlock(4, -3, 8, 0);
    std::vector<BYTE> pixels(12, 5);
    CDIB dib, blank;
    ASSERT_TRUE(dib.AttachPixels(AsInfo(info), pixels.data()));
    for (int y = -3; y < 3; ++y)
        for (int x = 0; x < 4; ++x) EXPECT_EQ(dib.PixelAddress(x, y), nullptr);
    dib.CopyBlockTo(&blank, 0, 0, 4, 3, 0, 0, -1);
    blank.CopyBlockTo(&dib, 0, 0, 4, 3, 0, 0, -1);
    EXPECT_EQ(*blank.PixelAddress(0, 0), 0);
    EXPECT_EQ(pixels, std::vector<BYTE>(12, 5));
}

// Block copies against a model: destination pixel (X, Y) takes source pixel
// (X - xd + xs, Y - yd + ys) when it lies in the block and in both images,
// unless that source pixel equals the low byte of the transparent index.
struct CopyCase {
    const char* name;
    int xd, yd, width, height, xs, ys, transparent;
};

class DibCopyBlockTest : public testing::TestWithParam<CopyCase> {};

TEST_P(DibCopyBlockTest, MatchesClippedCopyModel) {
    const CopyCase& c = GetParam();
    CDIB src, dest;
    ASSERT_TRUE(src.CreateBlank(6, 5));
    ASSERT_TRUE(dest.CreateBlank(7, 7));
    // Source values 1..30 with a zero and a 7 sprinkled in to test transparency.
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 6; ++x) *src.PixelAddress(x, y) = static_cast<BYTE>((x + y) % 4 == 0 ? 0 : 10 * y + x + 1);
    *src.PixelAddress(2, 1) = 7;
    std::memset(dest.PixelAddress(0, 6), 0xEE, dest.PixelBytes());

    src.CopyBlockTo(&dest, c.xd, c.yd, c.width, c.height, c.xs, c.ys, c.transparent);

    for (int y = 0; y < 7; ++y) {
        for (int x = 0; x < 7; ++x) {
            const long long bx = x - static_cast<long long>(c.xd), by = y - static_cast<long long>(c.yd);
            const long long sx = c.xs + bx, sy = c.ys + by;
            BYTE want = 0xEE;
            if (bx >= 0 && bx < c.width && by >= 0 && by < c.height && sx >= 0 && sx < 6 && sy >= 0 && sy < 5) {
                const BYTE v = *src.PixelAddress(static_cast<int>(sx), static_cast<int>(sy));
                if (c.transparent == -1 || v != (c.transparent & 0xFF)) want = v;
            }
            ASSERT_EQ(*dest.PixelAddress(x, y), want) << "at " << x << "," << y;
        }
    }
    // The destination's row padding (a 7-pixel row takes 8 bytes) is never written.
    for (int y = 0; y < 7; ++y) EXPECT_EQ(dest.Pixels()[y * 8 + 7], 0xEE);
}

INSTANTIATE_TEST_SUITE_P(
    Blocks, DibCopyBlockTest,
    testing::Values(CopyCase{"WholeImageOpaque", 1, 1, 6, 5, 0, 0, -1},
                    CopyCase{"WholeImageZeroTransparent", 1, 1, 6, 5, 0, 0, 0},
                    CopyCase{"LowByteOfTransparentIndex", 0, 0, 6, 5, 0, 0, 0x107},
                    CopyCase{"InnerBlockToCorner", 5, 4, 3, 3, 2, 1, -1}, CopyCase{"ZeroWidth", 0, 0, 0, 5, 0, 0, -1},
                    // Blocks that do not lie wholly inside both images are clipped.
                    CopyCase{"PastDestinationCorner", 5, 5, 6, 5, 0, 0, -1},
                    CopyCase{"NegativeDestination", -2, -3, 6, 5, 0, 0, -1},
                    CopyCase{"NegativeSource", 0, 0, 6, 5, -2, -1, 0}, CopyCase{"PastSourceEdge", 0, 0, 8, 7, 3, 2, -1},
                    CopyCase{"HugeBlock", 0, 0, INT_MAX, INT_MAX, 0, 0, -1},
                    CopyCase{"HugeOffsets", INT_MIN, INT_MAX, INT_MAX, INT_MAX, INT_MAX, INT_MIN, -1},
                    CopyCase{"NegativeSizes", 0, 0, -3, -3, 0, 0, -1}),
    [](const testing::TestParamInfo<CopyCase>& param) { return std::string(param.param.name); });

TEST(DibCopyBlock, OverlappingCopyWithinOneImage) {
    CDIB dib;
    ASSERT_TRUE(dib.CreateBlank(5, 4));
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 5; ++x) *dib.PixelAddress(x, y) = static_cast<BYTE>(10 * y + x + 1);
    // Down and right by one. The walk starts at the block's bottom row, so each
    // source row is read before the copy reaches it: every pixel of the block
    // takes the original value of its upper-left neighbour.
    dib.CopyBlockTo(&dib, 1, 1, 4, 3, 0, 0, -1);
    for (int y = 1; y < 4; ++y)
        for (int x = 1; x < 5; ++x) EXPECT_EQ(*dib.PixelAddress(x, y), 10 * (y - 1) + x) << x << "," << y;
}

}  // namespace
