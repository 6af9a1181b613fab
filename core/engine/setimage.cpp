// Sizes and colour header of a set picture.
#include "core/engine/setimage.h"

#include <algorithm>
#include <cstdint>
#include <limits>

#include "core/base/globalmem.h"
#include "core/image/dib.h"

bool ComputeSetImageSizes(int width, int height, SetImageSizes* sizes) {
    if (width < 0 || height < 0) return false;
    const std::uint64_t pixels = static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height);
    const std::uint64_t countBytes = pixels * sizeof(std::int32_t);
    const std::uint64_t pixelBytes = static_cast<std::uint64_t>(RowStride(width)) * static_cast<std::uint64_t>(height);
    const std::uint64_t maxMemory = std::numeric_limits<std::size_t>::max();
    const std::uint64_t maxFileData = std::numeric_limits<DWORD>::max() - (14 + kInfoBlockBytes);
    // The colour assignment counts pixels in an int.
    const std::uint64_t maxPixels = std::numeric_limits<int>::max();
    if (pixels > maxPixels || countBytes > maxMemory || pixelBytes > maxMemory || pixelBytes > maxFileData)
        return false;
    sizes->countBytes = static_cast<std::size_t>(countBytes);
    sizes->pixelBytes = static_cast<std::size_t>(pixelBytes);
    return true;
}

BITMAPINFO* BuildColorHeader(int width, int height, const PaletteEntries& palette) {
    BITMAPINFO* info = NewEightBitInfo(width, height);
    if (!info) return nullptr;
    BITMAPINFOHEADER& h = info->bmiHeader;
    h.biSizeImage = static_cast<DWORD>(RowStride(width) * static_cast<std::size_t>(height));
    h.biClrUsed = 256;
    h.biClrImportant = kPictureColors;
    // A palette shorter than the picture's colours repeats its band colours
    // (all but the interior's, entry 0) until every band has one.
    const int size = static_cast<int>(palette.size());
    for (int i = 0; i < kPictureColors && size > 0; ++i) {
        const int from = i < size ? i : size == 1 ? 0 : 1 + (i - 1) % (size - 1);
        const PALETTEENTRY& e = palette[static_cast<std::size_t>(from)];
        info->bmiColors[i] = RGBQUAD{e.peBlue, e.peGreen, e.peRed, 0};
    }
    return info;
}
