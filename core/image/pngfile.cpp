// PNG files: the chunks are read and written here, the pixel data goes
// through zlib. Every length is checked against what the file holds before
// anything is allocated, and nothing is installed before the whole file has
// been read and every checksum has held.
#include "core/image/pngfile.h"

#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>

namespace {

using Bytes = std::vector<BYTE>;

constexpr BYTE kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr std::uint32_t kLargestChunk = 0x7FFFFFFFu;
constexpr BYTE kIndexed = 3;
// The highest compression, with zlib's default window and strategy: the
// bytes then hang on nothing but the pixels.
constexpr int kLevel = Z_BEST_COMPRESSION;
// Deflate never packs more than about 1032 bytes into one; data that would
// have to pack more is cut short, whatever it claims.
constexpr std::uint64_t kMostInflation = 1100;
// The writer's IDAT chunks hold at most this much each.
constexpr std::size_t kIdatBytes = std::size_t{1} << 18;

std::uint32_t Be32(const BYTE* p) {
    return static_cast<std::uint32_t>(p[0]) << 24 | static_cast<std::uint32_t>(p[1]) << 16 |
           static_cast<std::uint32_t>(p[2]) << 8 | p[3];
}
void PutBe32(Bytes& out, std::uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<BYTE>(v >> shift));
}

bool Refuse(std::string* why, std::string reason) {
    if (why) *why = std::move(reason);
    return false;
}

bool IsType(const BYTE* type, const char* name) {
    return std::memcmp(type, name, 4) == 0;
}

bool IsLetter(BYTE c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

std::uint32_t Crc(const BYTE* type, const BYTE* data, std::size_t size) {
    uLong crc = crc32(0L, type, 4);
    // zlib answers its initial value for a null buffer, so an empty chunk's
    // data is left out; lengths go as uInt, a chunk being at most 2^31 - 1 bytes.
    if (size > 0) crc = crc32(crc, data, static_cast<uInt>(size));
    return static_cast<std::uint32_t>(crc);
}

struct Header {
    std::uint32_t width = 0, height = 0;
    BYTE depth = 0, colorType = 0, interlace = 0;
};

// What kind of file a colour type names, for a refusal.
const char* ColorKind(BYTE colorType) {
    switch (colorType) {
        case 0:
            return "greyscale";
        case 2:
            return "true-colour";
        case 4:
            return "greyscale-with-alpha";
        case 6:
            return "true-colour-with-alpha";
        default:
            return nullptr;
    }
}

bool CheckHeader(const Bytes& data, Header* h, std::string* why) {
    if (data.size() != 13) return Refuse(why, "its IHDR header has the wrong length");
    h->width = Be32(data.data());
    h->height = Be32(data.data() + 4);
    h->depth = data[8];
    h->colorType = data[9];
    h->interlace = data[12];
    if (h->width == 0 || h->height == 0 || h->width > kLargestChunk || h->height > kLargestChunk)
        return Refuse(why, "its header gives no width or height");
    if (h->depth == 16) return Refuse(why, "16-bit PNG files are not supported, only indexed-colour ones");
    if (const char* kind = ColorKind(h->colorType))
        return Refuse(why, std::string("a ") + kind + " PNG file has no palette: only indexed-colour ones are read");
    if (h->colorType != kIndexed) return Refuse(why, "its header names an unknown colour type");
    if (h->depth != 1 && h->depth != 2 && h->depth != 4 && h->depth != 8)
        return Refuse(why, "its header names a bit depth that indexed colour does not have");
    if (data[10] != 0 || data[11] != 0 || h->interlace > 1)
        return Refuse(why, "its header names an unknown compression, filter or interlace method");
    if (h->interlace == 1) return Refuse(why, "interlaced PNG files are not supported");
    if (h->width > kPngLargestSide || h->height > kPngLargestSide)
        return Refuse(why, "a picture of " + std::to_string(h->width) + " x " + std::to_string(h->height) +
                               " pixels is too large");
    return true;
}

BYTE Paeth(int a, int b, int c) {
    const int p = a + b - c;
    const int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
    return static_cast<BYTE>(pa <= pb && pa <= pc ? a : pb <= pc ? b : c);
}

// Undoes one row's filter in place; prior is the row above (zeros for the
// first). Indexed pixels are at most a byte, so the filters look one byte back.
bool Unfilter(BYTE filter, BYTE* row, const BYTE* prior, std::size_t bytes) {
    constexpr std::size_t step = 1;
    switch (filter) {
        case 0:
            return true;
        case 1:
            for (std::size_t i = step; i < bytes; ++i) row[i] = static_cast<BYTE>(row[i] + row[i - step]);
            return true;
        case 2:
            for (std::size_t i = 0; i < bytes; ++i) row[i] = static_cast<BYTE>(row[i] + prior[i]);
            return true;
        case 3:
            for (std::size_t i = 0; i < bytes; ++i)
                row[i] = static_cast<BYTE>(row[i] + ((i >= step ? row[i - step] : 0) + prior[i]) / 2);
            return true;
        case 4:
            for (std::size_t i = 0; i < bytes; ++i)
                row[i] = static_cast<BYTE>(
                    row[i] + Paeth(i >= step ? row[i - step] : 0, prior[i], i >= step ? prior[i - step] : 0));
            return true;
        default:
            return false;
    }
}

// Inflates the whole data stream into out, which is exactly as long as the
// picture needs; bytes after them are ignored.
bool Inflate(const Bytes& data, Bytes* out, std::string* why) {
    z_stream z{};
    if (inflateInit(&z) != Z_OK) return Refuse(why, "not enough memory for the picture");
    z.next_in = const_cast<BYTE*>(data.data());
    z.next_out = out->data();
    std::size_t inLeft = data.size(), outLeft = out->size();
    int result = Z_OK;
    // zlib counts in uInt; larger buffers go through in pieces.
    constexpr std::size_t kPiece = std::size_t{1} << 30;
    while (outLeft > 0 && result == Z_OK) {
        if (z.avail_in == 0) {
            if (inLeft == 0) break;
            z.avail_in = static_cast<uInt>(std::min(inLeft, kPiece));
            inLeft -= z.avail_in;
        }
        if (z.avail_out == 0) {
            z.avail_out = static_cast<uInt>(std::min(outLeft, kPiece));
            outLeft -= z.avail_out;
        }
        result = inflate(&z, Z_NO_FLUSH);
        if (result == Z_BUF_ERROR && (z.avail_in > 0 || inLeft > 0)) result = Z_OK;
    }
    const bool complete = z.avail_out == 0 && outLeft == 0;
    inflateEnd(&z);
    if (result == Z_MEM_ERROR) return Refuse(why, "not enough memory for the picture");
    if (result == Z_DATA_ERROR || result == Z_NEED_DICT || result == Z_STREAM_ERROR)
        return Refuse(why, "its picture data is damaged");
    if (!complete) return Refuse(why, "its picture data is cut short");
    return true;
}

}  // namespace

namespace {

// The file's first bytes, the position kept.
UINT Peek(CFile* file, BYTE* head, UINT count) {
    const std::uint64_t start = file->GetPosition();
    const UINT got = file->Read(head, count);
    file->Seek(start);
    return got;
}

// The PLTE entries (red, green, blue) as the colour table, the rest zero.
void PutColorTable(const Bytes& palette, BITMAPINFO* info) {
    std::memset(info->bmiColors, 0, sizeof(RGBQUAD) * 256);
    const std::size_t colors = palette.size() / 3;
    for (std::size_t i = 0; i < colors; ++i)
        info->bmiColors[i] = RGBQUAD{palette[3 * i + 2], palette[3 * i + 1], palette[3 * i], 0};
    info->bmiHeader.biClrUsed = static_cast<DWORD>(colors);
}

}  // namespace

bool IsPngFile(CFile* file) {
    BYTE head[sizeof kSignature];
    return Peek(file, head, sizeof head) == sizeof head && std::memcmp(head, kSignature, sizeof head) == 0;
}

bool ReadPng(CFile* file, CDIB* dib, Bytes* privateData, std::string* why, bool withPixels) {
    const std::uint64_t start = file->GetPosition();
    const std::uint64_t length = file->GetLength();
    std::uint64_t left = length > start ? length - start : 0;
    BYTE signature[sizeof kSignature];
    if (file->Read(signature, sizeof signature) != sizeof signature ||
        std::memcmp(signature, kSignature, sizeof signature) != 0)
        return Refuse(why, "not a PNG file");
    left -= sizeof signature;

    Header header;
    Bytes palette, idat, extra;
    bool sawHeader = false, sawPrivate = false, sawIdat = false, idatEnded = false;
    int chunks = 0;
    for (;;) {
        BYTE head[8];
        if (left < 12 || file->Read(head, sizeof head) != sizeof head)
            return Refuse(why, "the file ends before its IEND chunk");
        const std::uint32_t size = Be32(head);
        const BYTE* type = head + 4;
        if (size > kLargestChunk) return Refuse(why, "a chunk's length is wrong");
        if (size > left - 12) return Refuse(why, "the file ends inside a chunk");
        if (!std::all_of(type, type + 4, IsLetter)) return Refuse(why, "a chunk's type is not a name");
        left -= 12 + std::uint64_t{size};
        const std::string name(reinterpret_cast<const char*>(type), 4);
        Bytes data(size);
        BYTE crc[4];
        if (file->Read(data.data(), size) != size || file->Read(crc, 4) != 4)
            return Refuse(why, "the file ends inside a chunk");
        // The private chunk's record carries a checksum of its own, whose
        // failure tells a damaged record while the image is still shown.
        if (Be32(crc) != Crc(type, data.data(), data.size()) && name != kPngPrivateChunk)
            return Refuse(why, "its " + name + " chunk has a bad checksum");
        ++chunks;

        if (chunks == 1 && !IsType(type, "IHDR")) return Refuse(why, "it does not begin with an IHDR header");
        const bool isIdat = IsType(type, "IDAT");
        if (sawIdat && !isIdat) idatEnded = true;
        if (IsType(type, "IHDR")) {
            if (sawHeader) return Refuse(why, "it has two IHDR headers");
            if (!CheckHeader(data, &header, why)) return false;
            sawHeader = true;
        } else if (IsType(type, "PLTE")) {
            if (!palette.empty()) return Refuse(why, "it has two palettes");
            if (sawIdat) return Refuse(why, "its palette comes after its picture data");
            if (size == 0 || size % 3 != 0 || size / 3 > (1u << header.depth))
                return Refuse(why, "its palette has the wrong length");
            palette = std::move(data);
        } else if (isIdat) {
            if (palette.empty()) return Refuse(why, "its picture data comes before a palette");
            if (idatEnded) return Refuse(why, "its picture data is split by other chunks");
            // The data can be no longer than the file, which is held.
            idat.insert(idat.end(), data.begin(), data.end());
            sawIdat = true;
        } else if (IsType(type, "IEND")) {
            if (size != 0) return Refuse(why, "its IEND chunk has the wrong length");
            break;
        } else if (IsType(type, "acTL") || IsType(type, "fcTL") || IsType(type, "fdAT")) {
            return Refuse(why, "animated PNG files are not supported");
        } else if (name == kPngPrivateChunk) {
            if (sawPrivate) return Refuse(why, "it has two " + name + " chunks");
            sawPrivate = true;
            extra = std::move(data);
        } else if (!(type[0] & 0x20)) {
            return Refuse(why, "it needs a " + name + " chunk, which Tindral does not know");
        }
    }
    if (palette.empty()) return Refuse(why, "it has no palette");
    if (!sawIdat) return Refuse(why, "it has no picture data");

    if (!withPixels) {
        CDIB table;
        if (!table.CreateBlank(0, 0)) return Refuse(why, "not enough memory for the picture");
        table.Info()->bmiHeader.biWidth = static_cast<LONG>(header.width);
        table.Info()->bmiHeader.biHeight = static_cast<LONG>(header.height);
        PutColorTable(palette, table.Info());
        dib->Swap(table);
        if (privateData) *privateData = std::move(extra);
        return true;
    }

    // The filtered rows: a filter byte, then the row's packed indices.
    const std::uint64_t rowBytes = (std::uint64_t{header.width} * header.depth + 7) / 8;
    const std::uint64_t rawBytes = (rowBytes + 1) * header.height;
    if (rawBytes > idat.size() * kMostInflation) return Refuse(why, "its picture data is cut short");
    if (rawBytes > std::numeric_limits<std::size_t>::max() ||
        std::uint64_t{RowStride(static_cast<LONG>(header.width))} * header.height >
            std::numeric_limits<std::size_t>::max())
        return Refuse(why, "not enough memory for the picture");
    Bytes raw;
    try {
        raw.resize(static_cast<std::size_t>(rawBytes));
    } catch (const std::bad_alloc&) {
        return Refuse(why, "not enough memory for the picture");
    }
    if (!Inflate(idat, &raw, why)) return false;
    idat = Bytes();

    CDIB image;
    if (!image.CreateBlank(static_cast<int>(header.width), static_cast<int>(header.height)))
        return Refuse(why, "not enough memory for the picture");
    PutColorTable(palette, image.Info());

    const std::size_t row = static_cast<std::size_t>(rowBytes);
    const Bytes zeros(row, 0);
    const unsigned perByte = 8u / header.depth, mask = (1u << header.depth) - 1u;
    for (std::uint32_t y = 0; y < header.height; ++y) {
        BYTE* line = raw.data() + std::size_t{y} * (row + 1);
        const BYTE* prior = y == 0 ? zeros.data() : line - row;
        if (!Unfilter(line[0], line + 1, prior, row)) return Refuse(why, "its picture data is damaged");
        BYTE* to = image.PixelAddress(0, static_cast<int>(y));
        if (header.depth == 8) {
            std::memcpy(to, line + 1, row);
            continue;
        }
        for (std::uint32_t x = 0; x < header.width; ++x) {
            const unsigned shift = 8u - header.depth * (x % perByte + 1);
            to[x] = static_cast<BYTE>(line[1 + x / perByte] >> shift & mask);
        }
    }
    dib->Swap(image);
    if (privateData) *privateData = std::move(extra);
    return true;
}

bool WritePng(CFile* file, const CDIB& dib, const Bytes& privateData) {
    const BITMAPINFO* info = dib.Info();
    if (!info || !dib.Pixels()) return false;
    const BITMAPINFOHEADER& h = info->bmiHeader;
    if (h.biBitCount != 8 || h.biWidth <= 0 || h.biHeight <= 0) return false;
    const auto width = static_cast<std::uint32_t>(h.biWidth), height = static_cast<std::uint32_t>(h.biHeight);
    if (std::uint64_t{RowStride(h.biWidth)} * height > dib.PixelBytes()) return false;
    if (privateData.size() > kLargestChunk) return false;
    const int colors = std::max(dib.ColorCount(), 1);

    // The rows top to bottom, each after filter byte 0 (none).
    const std::uint64_t rawBytes = (std::uint64_t{width} + 1) * height;
    if (rawBytes > std::numeric_limits<uLong>::max() || rawBytes > std::numeric_limits<std::size_t>::max())
        return false;
    Bytes raw(static_cast<std::size_t>(rawBytes));
    for (std::uint32_t y = 0; y < height; ++y) {
        BYTE* line = raw.data() + std::size_t{y} * (width + 1);
        line[0] = 0;
        std::memcpy(line + 1, dib.PixelAddress(0, static_cast<int>(y)), width);
    }
    uLongf packedBytes = compressBound(static_cast<uLong>(rawBytes));
    Bytes packed(packedBytes);
    if (compress2(packed.data(), &packedBytes, raw.data(), static_cast<uLong>(rawBytes), kLevel) != Z_OK) return false;
    packed.resize(packedBytes);

    Bytes out(kSignature, kSignature + sizeof kSignature);
    auto chunk = [&out](const char* type, const BYTE* data, std::size_t size) {
        PutBe32(out, static_cast<std::uint32_t>(size));
        const auto* t = reinterpret_cast<const BYTE*>(type);
        out.insert(out.end(), t, t + 4);
        out.insert(out.end(), data, data + size);
        PutBe32(out, Crc(t, data, size));
    };
    Bytes ihdr;
    PutBe32(ihdr, width);
    PutBe32(ihdr, height);
    ihdr.insert(ihdr.end(), {8, kIndexed, 0, 0, 0});
    chunk("IHDR", ihdr.data(), ihdr.size());
    Bytes plte;
    for (int i = 0; i < colors; ++i) {
        const RGBQUAD& c = info->bmiColors[i];
        plte.insert(plte.end(), {c.rgbRed, c.rgbGreen, c.rgbBlue});
    }
    chunk("PLTE", plte.data(), plte.size());
    if (!privateData.empty()) chunk(kPngPrivateChunk, privateData.data(), privateData.size());
    for (std::size_t at = 0; at < packed.size(); at += kIdatBytes)
        chunk("IDAT", packed.data() + at, std::min(kIdatBytes, packed.size() - at));
    chunk("IEND", nullptr, 0);
    if (out.size() > std::numeric_limits<UINT>::max()) return false;
    file->Write(out.data(), static_cast<UINT>(out.size()));
    return true;
}

bool ReadImageColorTable(CFile* file, CDIB* dib, std::string* why) {
    if (IsPngFile(file)) return ReadPng(file, dib, nullptr, why, false);
    BYTE head[2] = {};
    if (Peek(file, head, 2) != 2 || head[0] != 'B' || head[1] != 'M')
        return Refuse(why, "neither a bitmap nor a PNG file");
    return dib->ReadColorTable(file, why);
}

bool ReadImageFile(CFile* file, CDIB* dib, Bytes* privateData, std::string* why) {
    if (privateData) privateData->clear();
    if (IsPngFile(file)) return ReadPng(file, dib, privateData, why);
    BYTE head[2] = {};
    if (Peek(file, head, 2) != 2 || head[0] != 'B' || head[1] != 'M')
        return Refuse(why, "neither a bitmap nor a PNG file");
    return dib->ReadBitmap(file, why);
}
