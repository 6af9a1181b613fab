// What the PNG fuzzer and its regression tests do with one input: read it as
// a PNG (or a bitmap, as opening a file does), check what was made, write it
// back and read that again, and parse any private chunk as a picture record.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include <zlib.h>

#include "bitmap_exercise.h"
#include "core/engine/record.h"
#include "core/image/pngfile.h"

namespace png_exercise {

// The pixel bytes that a PNG's header claims: the reader allocates them once
// the data could hold them, which says nothing about its bounds.
inline std::uint64_t ClaimedPixelBytes(const std::uint8_t* data, std::size_t size) {
    if (size < 24) return 0;
    auto be = [data](std::size_t at) {
        return std::uint64_t{data[at]} << 24 | std::uint64_t{data[at + 1]} << 16 | std::uint64_t{data[at + 2]} << 8 |
               data[at + 3];
    };
    // The rows, padded, and the inflated data beside them; sides past 2^31
    // are refused before anything is allocated.
    const std::uint64_t width = std::min<std::uint64_t>(be(16), std::uint64_t{1} << 31);
    const std::uint64_t height = std::min<std::uint64_t>(be(20), std::uint64_t{1} << 31);
    return (width + 4) * height * 2;
}

// Mutations seldom keep a chunk's checksum right, so odd-length PNG inputs
// have every checksum made right first, and the reader's later checks are
// reached. Other inputs are left as they are.
inline std::vector<std::uint8_t> WithChecksums(const std::uint8_t* data, std::size_t size) {
    std::vector<std::uint8_t> b(data, data + size);
    static const std::uint8_t signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (size % 2 == 0 || size < 8 || std::memcmp(data, signature, 8) != 0) return b;
    for (std::size_t at = 8; at + 12 <= size;) {
        const std::uint64_t length = std::uint64_t{b[at]} << 24 | b[at + 1] << 16 | b[at + 2] << 8 | b[at + 3];
        if (length > size - at - 12) break;
        const std::size_t end = at + 8 + static_cast<std::size_t>(length);
        const uLong crc = crc32(0L, b.data() + at + 4, static_cast<uInt>(4 + length));
        for (int i = 0; i < 4; ++i)
            b[end + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(crc >> (24 - 8 * i));
        at = end + 4;
    }
    return b;
}

// input: the file to read; scratch: an empty file open for reading and writing.
inline bool ExercisePng(CFile* input, CFile* scratch) {
    CDIB dib;
    EXERCISE_CHECK(dib.CreateBlank(3, 2));
    *dib.PixelAddress(1, 1) = 9;
    const BITMAPINFO* before = dib.Info();
    std::vector<BYTE> chunk;
    std::string why;
    bool png = false, read = false;
    try {
        png = IsPngFile(input);
        read = ReadImageFile(input, &dib, &chunk, &why);
    } catch (const CFileException&) {
        return false;
    }
    if (!read) {
        EXERCISE_CHECK(!why.empty() && dib.Info() == before && *dib.PixelAddress(1, 1) == 9);
        return false;
    }
    // A bitmap has its own exercise.
    if (!png) return true;
    // A record found is one the writer makes again byte for byte.
    PictureRecord record;
    if (ParsePictureRecord(chunk.data(), chunk.size(), &record) == RecordState::Found) {
        std::vector<BYTE> again;
        EXERCISE_CHECK(PictureRecordBytes(record, &again) && again == chunk);
    }
    // A PNG gives an 8-bit bottom-up image with 1 to 256 colours, the rest of
    // the table zero, and every row addressable.
    const int w = dib.ImageWidth(), h = dib.ImageHeight(), colors = dib.ColorCount();
    static const RGBQUAD zero[256] = {};
    EXERCISE_CHECK(dib.Info()->bmiHeader.biBitCount == 8 && w > 0 && h > 0 && colors >= 1 && colors <= 256);
    EXERCISE_CHECK(std::memcmp(dib.Info()->bmiColors + colors, zero, static_cast<std::size_t>(256 - colors) * 4) == 0);
    // A palette's read gives the same table and no pixels.
    input->Seek(0);
    CDIB table;
    EXERCISE_CHECK(ReadImageColorTable(input, &table, &why) && table.ColorCount() == colors &&
                   table.PixelBytes() == 0 && !table.PixelAddress(0, 0) &&
                   std::memcmp(table.Info()->bmiColors, dib.Info()->bmiColors, 256 * sizeof(RGBQUAD)) == 0);
    const std::size_t rows = RowStride(w) * static_cast<std::size_t>(h);
    EXERCISE_CHECK(dib.PixelBytes() >= rows && dib.PixelAddress(w - 1, 0) && dib.PixelAddress(0, h - 1));
    if (rows > bitmap_exercise::kLargestWrite) return true;

    // Written back, the same image and the same private bytes.
    EXERCISE_CHECK(WritePng(scratch, dib, chunk));
    scratch->Seek(0);
    CDIB back;
    std::vector<BYTE> chunkBack;
    EXERCISE_CHECK(ReadPng(scratch, &back, &chunkBack, &why) && chunkBack == chunk);
    EXERCISE_CHECK(back.ColorCount() == colors &&
                   std::memcmp(back.Info()->bmiColors, dib.Info()->bmiColors, 256 * sizeof(RGBQUAD)) == 0);
    for (int y = 0; y < h; ++y)
        EXERCISE_CHECK(std::memcmp(back.PixelAddress(0, y), dib.PixelAddress(0, y), static_cast<std::size_t>(w)) == 0);
    return true;
}

}  // namespace png_exercise
