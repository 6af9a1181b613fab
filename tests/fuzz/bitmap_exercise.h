// What the bitmap fuzzers and their regression tests do with one input: read
// it as a bitmap, then run every pixel and palette operation over the result.
#pragma once

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/base/globalmem.h"
#include "core/engine/setimage.h"
#include "core/image/dib.h"
#include "core/palettes/palette.h"

namespace bitmap_exercise {

// Bigger images are walked along their edges, bigger pixel blocks are not written
// out, and the fuzzers skip files claiming more, so that each input stays quick.
constexpr std::uint64_t kFullWalkPixels = std::uint64_t{1} << 12;
constexpr std::size_t kLargestWrite = std::size_t{1} << 16;
constexpr std::uint64_t kLargestClaim = std::uint64_t{1} << 22;

// A broken promise ends the process: the fuzzer keeps the input, a test fails.
[[noreturn]] inline void Fail(const char* what, int line) {
    std::fprintf(stderr, "bitmap exercise, line %d: %s\n", line, what);
    std::fflush(stderr);
    std::abort();
}
#define EXERCISE_CHECK(cond) ((cond) ? (void)0 : ::bitmap_exercise::Fail(#cond, __LINE__))

inline std::int64_t Le(const std::uint8_t* p, int bytes) {
    std::uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = v << 8 | p[i];
    return bytes == 4 ? static_cast<std::int32_t>(v) : v;
}

// The rows the reader would zero-fill for this file: a few bytes can claim
// gigabytes of rows, which says nothing about the reader's bounds. (The data
// it reads is cut to the file's length, so bfSize claims nothing.)
inline std::uint64_t ClaimedPixelBytes(const std::uint8_t* data, std::size_t size) {
    if (size < 26) return 0;
    const int field = Le(data + 14, 4) == 12 ? 2 : 4;  // a core header's sizes are words
    if (size < 18 + 2 * static_cast<std::size_t>(field)) return 0;
    const std::int64_t width = Le(data + 18, field), height = Le(data + 18 + field, field);
    return width > 0 && height > 0 ? RowStride(static_cast<LONG>(width)) * static_cast<std::uint64_t>(height) : 0;
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

// Copies blocks out of the image read into a small one, each checked pixel by
// pixel against what a clipped copy must leave, and back into the image read,
// where the writes must land inside its block or nowhere.
inline void CopyBlocks(CDIB& dib) {
    // Negative sizes copy nothing; held above INT_MIN so that the corners below can be computed.
    const int w = std::max(dib.ImageWidth(), -8), h = std::max(dib.ImageHeight(), -8);
    CDIB small;
    EXERCISE_CHECK(small.CreateBlank(7, 5));
    for (int i = 0; i < 35; ++i) *small.PixelAddress(i % 7, i / 7) = static_cast<BYTE>(i * 5 + 1);
    // {xd, yd, width, height, xs, ys}: inside, across every edge, far outside,
    // with sizes whose sums overflow an int, empty.
    // clang-format off
    const int blocks[][6] = {{0, 0, w, h, 0, 0}, {-3, -2, 5, 4, 0, 0}, {2, 1, 9, 9, w - 4, h - 3},
        {0, 0, INT_MAX, INT_MAX, INT_MIN, INT_MIN}, {5, 3, INT_MAX, 2, w - 1, h - 1}, {1, 1, 3, 3, w / 2, h / 2},
        {INT_MAX, 0, 1, 1, 0, 0}, {0, 0, -1, 3, 0, 0}, {0, 0, 0, 0, 0, 0}};
    // clang-format on
    for (const auto& b : blocks) {
        for (int transparent : {-1, 0, 0x1FF, 3}) {
            std::vector<BYTE> expected(small.Pixels(), small.Pixels() + small.PixelBytes());
            for (int y = 0; y < 5; ++y) {
                for (int x = 0; x < 7; ++x) {
                    const long long bx = x - static_cast<long long>(b[0]), by = y - static_cast<long long>(b[1]);
                    const long long sx = b[4] + bx, sy = b[5] + by;
                    if (bx < 0 || by < 0 || bx >= b[2] || by >= b[3] || sx > INT_MAX || sy > INT_MAX) continue;
                    const BYTE* from = dib.PixelAddress(static_cast<int>(sx), static_cast<int>(sy));
                    if (from && (transparent == -1 || *from != static_cast<BYTE>(transparent)))
                        expected[static_cast<std::size_t>(4 - y) * 8 + static_cast<std::size_t>(x)] = *from;
                }
            }
            dib.CopyBlockTo(&small, b[0], b[1], b[2], b[3], b[4], b[5], transparent);
            EXERCISE_CHECK(std::memcmp(small.Pixels(), expected.data(), expected.size()) == 0);
            small.CopyBlockTo(&dib, b[4], b[5], b[2], b[3], b[0], b[1], transparent);
        }
    }
    // Within one image, overlapping, kept small so that large images stay quick.
    dib.CopyBlockTo(&dib, 1, 1, std::min(w, 64), std::min(h, 64), 0, 0, -1);
    dib.CopyBlockTo(&dib, 0, 0, std::min(w, 64), std::min(h, 64), 1, 1, 0);
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
        EXERCISE_CHECK(dib.Info() == before && dib.Pixels() == pixelsBefore && dib.ImageWidth() == 3 &&
                       dib.ImageHeight() == 2 && *dib.PixelAddress(1, 1) == 9);
        return false;
    }
    // Every image read has a 40-byte header, at most 256 meaningful table
    // entries (the rest zero) and a pixel block holding every row.
    const int w = dib.ImageWidth(), h = dib.ImageHeight(), colors = dib.ColorCount();
    const std::size_t rows = w > 0 && h > 0 ? RowStride(w) * static_cast<std::size_t>(h) : 0;
    static const RGBQUAD zero[256] = {};
    EXERCISE_CHECK(dib.OwnsPixels() && dib.Info()->bmiHeader.biSize == 40 && colors >= 0 && colors <= 256);
    EXERCISE_CHECK(std::memcmp(dib.Info()->bmiColors + colors, zero, static_cast<std::size_t>(256 - colors) * 4) == 0);
    EXERCISE_CHECK(dib.PixelBytes() >= rows);

    // No address outside; inside, where the bottom-up rows put the pixel. Big
    // images are walked along their edges only.
    const int outside[][2] = {{-1, 0}, {0, -1}, {w, 0}, {0, h}, {INT_MIN, INT_MIN}, {INT_MAX, INT_MAX}, {w, h}, {0, 0}};
    for (const auto& xy : outside) EXERCISE_CHECK(!dib.PixelAddress(xy[0], xy[1]) == (xy[0] || xy[1] || rows == 0));
    // An image without rows has nothing to walk (a zero width with a huge
    // height would otherwise take as many empty steps).
    const bool all = rows <= kFullWalkPixels;
    for (int y = 0; rows > 0 && y < h; y = all || y >= h - 2 ? y + 1 : h - 2) {
        for (int x = 0; x < w; x = all || x >= w - 2 ? x + 1 : w - 2) {
            BYTE* p = dib.PixelAddress(x, y);
            EXERCISE_CHECK(p == dib.Pixels() + static_cast<std::size_t>(h - 1 - y) * RowStride(w) + x);
            *p = static_cast<BYTE>(*p + 1);  // the write is what the sanitizers watch
            *p = static_cast<BYTE>(*p - 1);
        }
    }
    CopyBlocks(dib);

    // Writing succeeds exactly for 8-bit bottom-up images, and the output reads back as the same image.
    if (rows > kLargestWrite) return true;
    const bool written = dib.WriteToFile(scratch) != FALSE;
    EXERCISE_CHECK(written == (dib.Info()->bmiHeader.biBitCount == 8 && h >= 0));
    if (!written) return true;
    EXERCISE_CHECK(scratch->GetPosition() == 1078 + rows);
    scratch->Seek(0);
    CDIB back;
    EXERCISE_CHECK(Read(back, scratch) && back.PixelBytes() == rows);
    EXERCISE_CHECK(std::memcmp(back.Info(), dib.Info(), kInfoBlockBytes) == 0);
    EXERCISE_CHECK(rows == 0 || std::memcmp(back.Pixels(), dib.Pixels(), rows) == 0);
    return true;
}

// The palette-from-bitmap target: the colour table of any bitmap read becomes
// palette entries, and those the colour header of a picture.
inline bool ExercisePaletteFromBitmap(CFile* input) {
    CDIB dib;
    try {
        // As the palette loaders read it: the table alone.
        if (!dib.ReadColorTable(input, nullptr)) return false;
    } catch (const CFileException&) {
        return false;
    }
    EXERCISE_CHECK(!dib.Pixels() && dib.PixelBytes() == 0);
    // The rule: only 1-, 4- and 8-bit pictures give a palette, and always at
    // least one colour; every refusal says why.
    std::string why;
    const int bits = dib.Info()->bmiHeader.biBitCount, count = dib.ColorCount();
    if (!dib.CanGivePalette(&why)) {
        EXERCISE_CHECK(!why.empty());
        return false;
    }
    EXERCISE_CHECK((bits == 1 || bits == 4 || bits == 8) && count >= 1 && count <= (1 << bits));
    const RGBQUAD* colors = dib.Info()->bmiColors;
    const PaletteEntries entries = EntriesFromColors(colors, count);
    EXERCISE_CHECK(entries.size() == static_cast<std::size_t>(count));
    BITMAPINFO* header = BuildColorHeader(dib.ImageWidth(), dib.ImageHeight(), entries);
    EXERCISE_CHECK(header && header->bmiHeader.biClrImportant == kPictureColors && HeaderColorCount(header) == 256);
    for (int i = 0; i < 256; ++i) {
        const RGBQUAD c = i < count ? colors[i] : RGBQUAD{};
        const PALETTEENTRY e = i < count ? entries[static_cast<std::size_t>(i)]
                                         : PALETTEENTRY{c.rgbRed, c.rgbGreen, c.rgbBlue, PC_RESERVED};
        EXERCISE_CHECK(e.peRed == c.rgbRed && e.peGreen == c.rgbGreen && e.peBlue == c.rgbBlue &&
                       e.peFlags == PC_RESERVED);
        // The picture keeps its first colours, a short palette's band colours
        // repeated; the rest of its table is zero.
        const int from = i < count ? i : count == 1 ? 0 : 1 + (i - 1) % (count - 1);
        const RGBQUAD& f = colors[from];
        const RGBQUAD want = i < kPictureColors ? RGBQUAD{f.rgbBlue, f.rgbGreen, f.rgbRed, 0} : RGBQUAD{};
        EXERCISE_CHECK(std::memcmp(&header->bmiColors[i], &want, sizeof want) == 0);
    }
    GlobalRelease(header);
    return true;
}

}  // namespace bitmap_exercise
