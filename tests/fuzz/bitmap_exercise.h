// What the bitmap fuzzers and their regression tests do with one input: read
// it as a bitmap, then run every pixel and palette operation over the result.
#pragma once

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "engine/setimage.h"
#include "image/dib.h"
#include "palettes/palette.h"
#include "platform/globalmem.h"

namespace bitmap_exercise {

// Images with more pixels than this are visited along a grid of rows and
// columns rather than everywhere, and bigger pixel blocks are not written out,
// so that one input stays quick however large the image it claims.
constexpr std::uint64_t kFullWalkPixels = std::uint64_t{1} << 12;
constexpr std::size_t kLargestWrite = std::size_t{1} << 16;
// The fuzzers skip files whose pixel block would be larger than this.
constexpr std::uint64_t kLargestClaim = std::uint64_t{1} << 22;

// A broken promise ends the process: the fuzzer keeps the input, a test fails.
[[noreturn]] inline void Fail(const char* what, int line) {
    std::fprintf(stderr, "bitmap exercise, line %d: %s\n", line, what);
    std::fflush(stderr);
    std::abort();
}
#define EXERCISE_CHECK(cond) ((cond) ? (void)0 : ::bitmap_exercise::Fail(#cond, __LINE__))

inline std::uint32_t Le32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

// The pixel block (in bytes) that the reader would zero-fill for this file: a
// few bytes can claim an image of gigabytes, which says nothing about the
// reader's bounds and only slows the fuzzer down, so such inputs are skipped.
inline std::uint64_t ClaimedPixelBytes(const std::uint8_t* data, std::size_t size) {
    if (size < 54) return 0;
    std::int64_t width = 0, height = 0;
    if (Le32(data + 14) == 12) {
        width = data[18] | data[19] << 8;
        height = data[20] | data[21] << 8;
    } else {
        width = static_cast<std::int32_t>(Le32(data + 18));
        height = static_cast<std::int32_t>(Le32(data + 22));
    }
    const std::uint64_t rows =
        width > 0 && height > 0 ? RowStride(static_cast<LONG>(width)) * static_cast<std::uint64_t>(height) : 0;
    const std::uint32_t fileSize = Le32(data + 2), offBits = Le32(data + 10);
    return std::max<std::uint64_t>(rows, fileSize >= offBits ? fileSize - offBits : 0);
}

// The file object raises its exception when the system refuses a seek (memory
// streams refuse one past their end); that is a refusal of the file too.
inline bool Read(CDIB& dib, CFile* file) {
    try {
        return dib.ReadFromFile(file) != FALSE;
    } catch (const CFileException&) {
        return false;
    }
}

inline std::size_t AddressableBytes(const CDIB& dib) {
    const int w = dib.ImageWidth(), h = dib.ImageHeight();
    return w > 0 && h > 0 ? RowStride(w) * static_cast<std::size_t>(h) : 0;
}

// Every image a read produces has a 40-byte header, at most 256 meaningful
// table entries (the rest zero) and a pixel block holding every row.
inline void CheckLayout(const CDIB& dib) {
    EXERCISE_CHECK(dib.Info() && dib.Pixels() && dib.OwnsPixels());
    EXERCISE_CHECK(dib.Info()->bmiHeader.biSize == sizeof(BITMAPINFOHEADER));
    const int colors = dib.ColorCount();
    EXERCISE_CHECK(colors >= 0 && colors <= 256);
    static const RGBQUAD zero{};
    for (int i = colors; i < 256; ++i) EXERCISE_CHECK(std::memcmp(&dib.Info()->bmiColors[i], &zero, sizeof zero) == 0);
    EXERCISE_CHECK(dib.PixelBytes() >= AddressableBytes(dib));
}

// The coordinates to visit along one axis of n pixels: all of them, or a few
// at each end and in the middle.
inline std::vector<int> Coordinates(int n, bool all) {
    std::vector<int> at;
    if (all) {
        for (int i = 0; i < n; ++i) at.push_back(i);
        return at;
    }
    for (int i : {0, 1, 2, n / 3, n / 2, n - 3, n - 2, n - 1})
        if (i >= 0 && i < n) at.push_back(i);
    std::sort(at.begin(), at.end());
    at.erase(std::unique(at.begin(), at.end()), at.end());
    return at;
}

inline void WalkPixels(CDIB& dib) {
    const int w = dib.ImageWidth(), h = dib.ImageHeight();
    const int outside[][2] = {{-1, 0}, {0, -1}, {w, 0}, {0, h}, {INT_MIN, INT_MIN}, {INT_MAX, INT_MAX}, {w, h}};
    for (const auto& xy : outside) EXERCISE_CHECK(dib.PixelAddress(xy[0], xy[1]) == nullptr);
    if (w <= 0 || h <= 0) {
        EXERCISE_CHECK(dib.PixelAddress(0, 0) == nullptr);
        return;
    }
    const bool all = static_cast<std::uint64_t>(w) * static_cast<std::uint64_t>(h) <= kFullWalkPixels;
    const std::size_t stride = RowStride(w);
    const BYTE* begin = dib.Pixels();
    for (int y : Coordinates(h, all)) {
        for (int x : Coordinates(w, all)) {
            BYTE* p = dib.PixelAddress(x, y);
            EXERCISE_CHECK(p == begin + static_cast<std::size_t>(h - 1 - y) * stride + static_cast<std::size_t>(x));
            EXERCISE_CHECK(p < begin + dib.PixelBytes());
            // Writing through the address is what the sanitizers watch.
            *p = static_cast<BYTE>(*p + 1);
            *p = static_cast<BYTE>(*p - 1);
        }
    }
}

// One CopyBlockTo from src into dest, checked pixel by pixel against what a
// clipped copy must leave (dest must be small: every pixel is compared).
inline void CheckedCopy(const CDIB& src, CDIB& dest, int xd, int yd, int width, int height, int xs, int ys,
                        int transparent) {
    const int dw = dest.ImageWidth(), dh = dest.ImageHeight();
    std::vector<BYTE> expected;
    for (int y = 0; y < dh; ++y) {
        for (int x = 0; x < dw; ++x) {
            BYTE value = *dest.PixelAddress(x, y);
            const long long bx = static_cast<long long>(x) - xd, by = static_cast<long long>(y) - yd;
            const long long sx = xs + bx, sy = ys + by;
            if (bx >= 0 && bx < width && by >= 0 && by < height && sx >= INT_MIN && sx <= INT_MAX && sy >= INT_MIN &&
                sy <= INT_MAX) {
                if (const BYTE* from = src.PixelAddress(static_cast<int>(sx), static_cast<int>(sy)))
                    if (transparent == -1 || *from != static_cast<BYTE>(transparent & 0xFF)) value = *from;
            }
            expected.push_back(value);
        }
    }
    src.CopyBlockTo(&dest, xd, yd, width, height, xs, ys, transparent);
    std::size_t i = 0;
    for (int y = 0; y < dh; ++y)
        for (int x = 0; x < dw; ++x) EXERCISE_CHECK(*dest.PixelAddress(x, y) == expected[i++]);
}

inline void CopyBlocks(CDIB& dib) {
    // Negative sizes copy nothing; held above INT_MIN so that the corners
    // below can be computed.
    const int w = std::max(dib.ImageWidth(), -8), h = std::max(dib.ImageHeight(), -8);
    CDIB small;
    EXERCISE_CHECK(small.CreateBlank(7, 5));
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x) *small.PixelAddress(x, y) = static_cast<BYTE>(x * 5 + y);
    // Blocks inside, across every edge, far outside, and with sizes whose
    // sums overflow an int.
    const int blocks[][6] = {
        {0, 0, w, h, 0, 0},
        {-3, -2, 5, 4, 0, 0},
        {2, 1, 9, 9, w - 4, h - 3},
        {0, 0, INT_MAX, INT_MAX, INT_MIN, INT_MIN},
        {5, 3, INT_MAX, 2, w - 1, h - 1},
        {1, 1, 3, 3, w / 2, h / 2},
        {INT_MAX, 0, 1, 1, 0, 0},
        {0, 0, -1, 3, 0, 0},
        {0, 0, 0, 0, 0, 0},
    };
    for (const auto& b : blocks) {
        for (int transparent : {-1, 0, 0x1FF, 3}) {
            CheckedCopy(dib, small, b[0], b[1], b[2], b[3], b[4], b[5], transparent);
            // Into the image read: the writes land inside its block or nowhere.
            small.CopyBlockTo(&dib, b[4], b[5], b[2], b[3], b[0], b[1], transparent);
        }
    }
    // Within one image, overlapping, kept small so that large images stay quick.
    dib.CopyBlockTo(&dib, 1, 1, std::min(w, 64), std::min(h, 64), 0, 0, -1);
    dib.CopyBlockTo(&dib, 0, 0, std::min(w, 64), std::min(h, 64), 1, 1, 0);
}

// Writing succeeds exactly for 8-bit bottom-up images, and reading the output
// back gives the same header, colour table and pixels.
inline void RoundTrip(const CDIB& dib, CFile* scratch) {
    const BITMAPINFOHEADER& h = dib.Info()->bmiHeader;
    const std::size_t pixelBytes = AddressableBytes(dib);
    if (pixelBytes > kLargestWrite) return;
    const bool written = const_cast<CDIB&>(dib).WriteToFile(scratch) != FALSE;
    EXERCISE_CHECK(written == (h.biBitCount == 8 && h.biHeight >= 0));
    if (!written) return;
    EXERCISE_CHECK(scratch->GetPosition() == 1078 + pixelBytes);
    scratch->Seek(0);
    CDIB back;
    EXERCISE_CHECK(Read(back, scratch));
    EXERCISE_CHECK(std::memcmp(back.Info(), dib.Info(), kInfoBlockBytes) == 0);
    EXERCISE_CHECK(back.PixelBytes() == pixelBytes);
    EXERCISE_CHECK(pixelBytes == 0 || std::memcmp(back.Pixels(), dib.Pixels(), pixelBytes) == 0);
}

// The bitmap-reader target. scratch is an empty file open for reading and
// writing. Answers whether the input was read as a bitmap.
inline bool ExerciseBitmap(CFile* input, CFile* scratch) {
    CDIB dib;
    EXERCISE_CHECK(dib.CreateBlank(3, 2));
    *dib.PixelAddress(1, 1) = 9;
    const BITMAPINFO* before = dib.Info();
    const BYTE* pixelsBefore = dib.Pixels();
    if (!Read(dib, input)) {
        // A refused file leaves the previous image as it was.
        EXERCISE_CHECK(dib.Info() == before && dib.Pixels() == pixelsBefore);
        EXERCISE_CHECK(dib.ImageWidth() == 3 && dib.ImageHeight() == 2 && *dib.PixelAddress(1, 1) == 9);
        return false;
    }
    CheckLayout(dib);
    WalkPixels(dib);
    CopyBlocks(dib);
    RoundTrip(dib, scratch);
    return true;
}

// The palette-from-bitmap target: the colour table of any bitmap read becomes
// palette entries, and those the colour header of a picture.
inline bool ExercisePaletteFromBitmap(CFile* input) {
    CDIB dib;
    if (!Read(dib, input)) return false;
    const int colors = dib.ColorCount();
    const PaletteEntries entries = EntriesFromColors(dib.Info()->bmiColors, colors);
    EXERCISE_CHECK(entries.size() == static_cast<std::size_t>(colors));
    for (int i = 0; i < colors; ++i) {
        const RGBQUAD& c = dib.Info()->bmiColors[i];
        const PALETTEENTRY& e = entries[static_cast<std::size_t>(i)];
        EXERCISE_CHECK(e.peRed == c.rgbRed && e.peGreen == c.rgbGreen && e.peBlue == c.rgbBlue &&
                       e.peFlags == PC_RESERVED);
    }
    BITMAPINFO* header = BuildColorHeader(dib.ImageWidth(), dib.ImageHeight(), entries);
    EXERCISE_CHECK(header != nullptr);
    EXERCISE_CHECK(header->bmiHeader.biClrImportant == kPictureColors && HeaderColorCount(header) == 256);
    for (int i = 0; i < 256; ++i) {
        const RGBQUAD& c = header->bmiColors[i];
        RGBQUAD want{};
        if (i < std::min(colors, kPictureColors)) want = dib.Info()->bmiColors[i];
        EXERCISE_CHECK(c.rgbRed == want.rgbRed && c.rgbGreen == want.rgbGreen && c.rgbBlue == want.rgbBlue &&
                       c.rgbReserved == 0);
    }
    GlobalRelease(header);
    return true;
}

}  // namespace bitmap_exercise
