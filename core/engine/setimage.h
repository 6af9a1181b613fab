// The pieces of a set picture between its counts and its bitmap: how much
// memory it takes, and the information block that colours it.
#pragma once

#include <cstddef>

#include "core/palettes/palette.h"
#include "core/base/wintypes.h"

// The palette entries a picture uses: 0 for the interior, 1 to 200 for the bands.
constexpr int kPictureColors = 201;

struct SetImageSizes {
    std::size_t countBytes;  // width x height 32-bit counts
    std::size_t pixelBytes;  // height rows of the padded stride
};

// False when a picture of this size cannot be represented: its pixel count
// overflows an int, its counts or pixels overflow this machine's memory
// sizes, or its file would not fit the bitmap format's 32-bit sizes.
// Checked before anything is allocated.
bool ComputeSetImageSizes(int width, int height, SetImageSizes* sizes);

// The information block of a width x height picture: an 8-bit bottom-up
// header with 256 table entries, of which the first 201 (biClrImportant) come
// from the palette; a shorter palette's band colours (1 and up) repeat to
// fill them, and entries 201 to 255 are black.
// Allocated zero-filled; the caller releases it with GlobalRelease. Null when
// memory is exhausted.
BITMAPINFO* BuildColorHeader(int width, int height, const PaletteEntries& palette);
