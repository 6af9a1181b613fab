// The sizes and colour header of a set picture.
#include <gtest/gtest.h>

#include <memory>

#include "core/engine/setimage.h"
#include "core/palettes/schemes.h"
#include "core/base/globalmem.h"

namespace {

struct Released {
    void operator()(BITMAPINFO* info) const { GlobalRelease(info); }
};

TEST(SetImageSizes, DefaultPicture) {
    SetImageSizes sizes{};
    ASSERT_TRUE(ComputeSetImageSizes(133, 100, &sizes));
    EXPECT_EQ(sizes.countBytes, 53200u);
    EXPECT_EQ(sizes.pixelBytes, 13600u);  // rows of 136 bytes
    ASSERT_TRUE(ComputeSetImageSizes(132, 3, &sizes));
    EXPECT_EQ(sizes.pixelBytes, 396u);  // a multiple of 4 has no fill bytes
    ASSERT_TRUE(ComputeSetImageSizes(0, 0, &sizes));
    EXPECT_EQ(sizes.pixelBytes, 0u);
}

TEST(SetImageSizes, RefusesWhatABitmapFileOrMemoryCannotHold) {
    SetImageSizes sizes{};
    EXPECT_FALSE(ComputeSetImageSizes(1000000, 1000000, &sizes));
    EXPECT_FALSE(ComputeSetImageSizes(70000, 70000, &sizes));  // 4.9 GB of pixels: past 32-bit file sizes
    EXPECT_FALSE(ComputeSetImageSizes(-1, 5, &sizes));
    EXPECT_FALSE(ComputeSetImageSizes(65000, 65000, &sizes));  // more pixels than an int counts
    EXPECT_TRUE(ComputeSetImageSizes(46000, 46000, &sizes) == (sizeof(std::size_t) == 8));
}

TEST(ColorHeader, DescribesAnEightBitBottomUpPictureOfTwoHundredAndOneColours) {
    const ColorList fire = MakeScheme(Scheme::Fire);
    std::unique_ptr<BITMAPINFO, Released> info(BuildColorHeader(133, 100, EntriesFromColors(fire.data(), 201)));
    ASSERT_TRUE(info);
    const BITMAPINFOHEADER& h = info->bmiHeader;
    EXPECT_EQ(h.biSize, 40u);
    EXPECT_EQ(h.biWidth, 133);
    EXPECT_EQ(h.biHeight, 100);
    EXPECT_EQ(h.biPlanes, 1);
    EXPECT_EQ(h.biBitCount, 8);
    EXPECT_EQ(h.biCompression, 0u);
    EXPECT_EQ(h.biSizeImage, 13600u);
    EXPECT_EQ(h.biClrUsed, 256u);
    EXPECT_EQ(h.biClrImportant, 201u);
    for (int i = 0; i < 201; ++i) {
        EXPECT_EQ(info->bmiColors[i].rgbRed, fire[i].rgbRed);
        EXPECT_EQ(info->bmiColors[i].rgbBlue, fire[i].rgbBlue);
        EXPECT_EQ(info->bmiColors[i].rgbReserved, 0);
    }
    for (int i = 201; i < 256; ++i) EXPECT_EQ(info->bmiColors[i].rgbRed | info->bmiColors[i].rgbGreen, 0);
}

TEST(ColorHeader, AShortPaletteLeavesTheRestBlack) {
    PaletteEntries sixteen(16, PALETTEENTRY{200, 100, 50, PC_RESERVED});
    std::unique_ptr<BITMAPINFO, Released> info(BuildColorHeader(4, 4, sixteen));
    ASSERT_TRUE(info);
    EXPECT_EQ(info->bmiColors[15].rgbRed, 200);
    EXPECT_EQ(info->bmiColors[15].rgbBlue, 50);
    EXPECT_EQ(info->bmiColors[16].rgbRed, 0);
    EXPECT_EQ(info->bmiColors[200].rgbGreen, 0);
}

}  // namespace
