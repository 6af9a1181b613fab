// CDIB in memory: attached pixel blocks. (Colour counts
// of headers are tested on made files in dibfile_test; pixel addressing and
// block copies on every sample by the fuzz exercise.)
#include <gtest/gtest.h>

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

TEST(DibAttach, CopiesHeaderAndMeaningfulEntriesAndNeverReleasesTheBlock) {
    // {bits, biClrUsed, entries copied}: only 256 entries fit the block.
    for (auto [bits, used, colors] : {std::tuple{WORD{8}, DWORD{201}, 201}, {WORD{24}, DWORD{1000}, 256}}) {
        std::vector<BYTE> info = InfoBlock(5, 3, bits, used);
        std::vector<BYTE> pixels(24, 7);
        {
            CDIB dib;
            ASSERT_TRUE(dib.AttachPixels(AsInfo(info), pixels.data()));
            EXPECT_EQ(std::make_tuple(dib.OwnsPixels(), dib.ColorCount(), dib.PixelAddress(0, 0)),
                      std::make_tuple(FALSE, colors, pixels.data() + 16));
            std::vector<BYTE> want(info.begin(), info.begin() + 40 + 4 * colors);
            want.resize(kInfoBlockBytes);
            // The caller may drop its header at once: the object has its own copy.
            info.assign(info.size(), 0xEE);
            EXPECT_EQ(std::memcmp(dib.Info(), want.data(), kInfoBlockBytes), 0) << bits;
            ASSERT_TRUE(dib.CreateBlank(4, 4));
            ASSERT_TRUE(dib.AttachPixels(AsInfo(want), pixels.data()));
        }
        // Neither CreateBlank nor the destructor released or touched the block
        // (the sanitizer build catches a release of memory it does not own).
        EXPECT_EQ(pixels, std::vector<BYTE>(24, 7));
    }
}

}  // namespace
