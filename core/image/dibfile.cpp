// Reading and writing a CDIB as a Windows bitmap file. Fields are decoded and
// encoded little-endian one by one, so the format does not hang on the host's
// structure layout or byte order.
#include <algorithm>
#include <cstring>
#include <limits>
#include <vector>

#include "core/base/globalmem.h"
#include "core/image/dib.h"

namespace {

constexpr WORD kBitmapType = 0x4D42;  // "BM"
// biCompression values.
constexpr DWORD kUncompressed = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3;
constexpr DWORD kFileHeaderBytes = 14;
// The header sizes read: the core header, the information header, and the
// two later versions (colour spaces, then profiles) that editors write by
// default, whose first 40 bytes are the information header.
constexpr DWORD kV4HeaderBytes = 108, kV5HeaderBytes = 124;
constexpr DWORD kWrittenOffBits = kFileHeaderBytes + kInfoBlockBytes;  // 1078

WORD Word(const BYTE* p) {
    return static_cast<WORD>(p[0] | p[1] << 8);
}
DWORD Dword(const BYTE* p) {
    return static_cast<DWORD>(p[0]) | static_cast<DWORD>(p[1]) << 8 | static_cast<DWORD>(p[2]) << 16 |
           static_cast<DWORD>(p[3]) << 24;
}
void PutWord(BYTE* p, DWORD v) {
    p[0] = static_cast<BYTE>(v);
    p[1] = static_cast<BYTE>(v >> 8);
}
void PutDword(BYTE* p, DWORD v) {
    PutWord(p, v & 0xFFFF);
    PutWord(p + 2, v >> 16);
}

BITMAPINFOHEADER DecodeInfoHeader(const BYTE* p) {
    BITMAPINFOHEADER h{};
    h.biSize = Dword(p);
    h.biWidth = static_cast<LONG>(Dword(p + 4));
    h.biHeight = static_cast<LONG>(Dword(p + 8));
    h.biPlanes = Word(p + 12);
    h.biBitCount = Word(p + 14);
    h.biCompression = Dword(p + 16);
    h.biSizeImage = Dword(p + 20);
    h.biXPelsPerMeter = static_cast<LONG>(Dword(p + 24));
    h.biYPelsPerMeter = static_cast<LONG>(Dword(p + 28));
    h.biClrUsed = Dword(p + 32);
    h.biClrImportant = Dword(p + 36);
    return h;
}

void EncodeInfoHeader(const BITMAPINFOHEADER& h, BYTE* p) {
    PutDword(p, h.biSize);
    PutDword(p + 4, static_cast<DWORD>(h.biWidth));
    PutDword(p + 8, static_cast<DWORD>(h.biHeight));
    PutWord(p + 12, h.biPlanes);
    PutWord(p + 14, h.biBitCount);
    PutDword(p + 16, h.biCompression);
    PutDword(p + 20, h.biSizeImage);
    PutDword(p + 24, static_cast<DWORD>(h.biXPelsPerMeter));
    PutDword(p + 28, static_cast<DWORD>(h.biYPelsPerMeter));
    PutDword(p + 32, h.biClrUsed);
    PutDword(p + 36, h.biClrImportant);
}

// A core header becomes the information header it stands for.
BITMAPINFOHEADER FromCoreHeader(const BYTE* p) {
    BITMAPINFOHEADER h{};
    h.biSize = sizeof(BITMAPINFOHEADER);
    h.biWidth = Word(p + 4);
    h.biHeight = Word(p + 6);
    h.biPlanes = Word(p + 8);
    h.biBitCount = Word(p + 10);
    return h;
}

// The bytes that pixel operations may touch: one byte per pixel, rows padded
// to 4 bytes. 0 for images they never address (no width, top-down).
bool AddressableBytes(const BITMAPINFOHEADER& h, std::size_t* bytes) {
    *bytes = 0;
    if (h.biWidth <= 0 || h.biHeight <= 0) return true;
    const std::uint64_t total =
        static_cast<std::uint64_t>(RowStride(h.biWidth)) * static_cast<std::uint64_t>(h.biHeight);
    if (total > std::numeric_limits<std::size_t>::max()) return false;
    *bytes = static_cast<std::size_t>(total);
    return true;
}

// Bytes of pixel data that the header itself implies: the rows at its depth
// when uncompressed, the stored size when compressed. Saturates rather than
// wraps, since it is only ever cut to what the file holds.
std::uint64_t ImpliedDataBytes(const BITMAPINFOHEADER& h) {
    if (h.biCompression != kUncompressed) return h.biSizeImage;
    if (h.biWidth <= 0 || h.biHeight == 0) return 0;
    const std::uint64_t row = (static_cast<std::uint64_t>(h.biWidth) * h.biBitCount + 31) / 32 * 4;
    const std::uint64_t rows = h.biHeight < 0 ? 0 - static_cast<std::uint64_t>(static_cast<std::int64_t>(h.biHeight))
                                              : static_cast<std::uint64_t>(h.biHeight);
    return row > UINT64_MAX / rows ? UINT64_MAX : row * rows;
}

bool Refuse(std::string* why, const char* reason) {
    if (why) *why = reason;
    return false;
}

// What no writer means: a careful reader refuses it rather than guess.
bool CheckHeader(const BITMAPINFOHEADER& h, std::string* why) {
    if (h.biPlanes != 1) {
        if (why) *why = "the header gives " + std::to_string(h.biPlanes) + " colour planes where a bitmap has 1";
        return false;
    }
    if (h.biWidth < 0) return Refuse(why, "the header gives a negative width");
    if (h.biWidth == 0 && h.biHeight == 0) return Refuse(why, "the picture is 0 x 0 pixels");
    if (h.biHeight < 0 && (h.biCompression == kRle8 || h.biCompression == kRle4))
        return Refuse(why, "a top-down picture cannot be run-length encoded");
    if (h.biBitCount < 32 && h.biClrUsed > (std::uint64_t{1} << h.biBitCount)) {
        if (why)
            *why = "the header claims " + std::to_string(h.biClrUsed) + " colours where " +
                   std::to_string(h.biBitCount) + " bits a pixel give at most " +
                   std::to_string(std::uint64_t{1} << h.biBitCount);
        return false;
    }
    return true;
}

}  // namespace

BOOL CDIB::ReadFromFile(CFile* file) {
    return ReadBitmap(file, nullptr) ? TRUE : FALSE;
}

bool CDIB::ReadBitmap(CFile* file, std::string* why) {
    return Read(file, why, true);
}

bool CDIB::ReadColorTable(CFile* file, std::string* why) {
    return Read(file, why, false);
}

bool CDIB::Read(CFile* file, std::string* why, bool withPixels) {
    // Every size field is checked against what the file really holds from
    // here, before anything is allocated.
    const std::uint64_t start = file->GetPosition();
    const std::uint64_t length = file->GetLength();
    const std::uint64_t held = length > start ? length - start : 0;

    BYTE head[kFileHeaderBytes + kV5HeaderBytes];
    const UINT firstBytes = kFileHeaderBytes + 4;
    const UINT got = file->Read(head, firstBytes);
    if (got < 2 || Word(head) != kBitmapType) return Refuse(why, "not a bitmap file");
    const char* const kShort = "the file is too short for its header";
    if (got < firstBytes) return Refuse(why, kShort);
    const DWORD fileSize = Dword(head + 2);
    const DWORD offBits = Dword(head + 10);
    const DWORD headerSize = Dword(head + kFileHeaderBytes);
    // A size the file cannot hold says more about the file than about the size.
    if (kFileHeaderBytes + std::uint64_t{headerSize} > held) return Refuse(why, kShort);
    const bool core = headerSize == sizeof(BITMAPCOREHEADER);
    if (!core && headerSize != sizeof(BITMAPINFOHEADER) && headerSize != kV4HeaderBytes &&
        headerSize != kV5HeaderBytes) {
        if (why) *why = "bitmaps with a " + std::to_string(headerSize) + "-byte header are not supported";
        return false;
    }
    const UINT rest = headerSize - 4;
    if (file->Read(head + firstBytes, rest) != rest) return Refuse(why, kShort);
    BITMAPINFOHEADER header =
        core ? FromCoreHeader(head + kFileHeaderBytes) : DecodeInfoHeader(head + kFileHeaderBytes);
    // The later fields of the larger headers are not kept: in memory every
    // image has an information header.
    header.biSize = sizeof(BITMAPINFOHEADER);
    if (!CheckHeader(header, why)) return false;
    const int colors = HeaderColorCount(&header);
    const std::uint64_t tableEnd = kFileHeaderBytes + headerSize + static_cast<std::uint64_t>(colors) * (core ? 3 : 4);
    if (tableEnd > held) return Refuse(why, "the file is too short for its colour table");

    // The pixel data runs from bfOffBits for as long as bfSize or the header
    // says, whichever is more, but never past the file's end: a bfSize that
    // understates (or is 0) loses nothing, and one that overstates claims no
    // memory the file does not back. Rows the file lacks read as zeros.
    std::uint64_t dataBytes = 0;
    std::size_t blockBytes = 0;
    if (withPixels) {
        const std::uint64_t claimed = fileSize > offBits ? fileSize - offBits : 0;
        const std::uint64_t available = held > offBits ? held - offBits : 0;
        dataBytes = std::min(std::max(claimed, ImpliedDataBytes(header)), available);
        std::size_t needed = 0;
        if (!AddressableBytes(header, &needed) || dataBytes > std::numeric_limits<UINT>::max())
            return Refuse(why, "not enough memory for the picture");
        blockBytes = std::max<std::size_t>(static_cast<std::size_t>(dataBytes), needed);
    }

    Block<BITMAPINFO> info(static_cast<BITMAPINFO*>(GlobalAllocZeroed(kInfoBlockBytes)));
    Block<BYTE> pixels(withPixels ? static_cast<BYTE*>(GlobalAllocZeroed(blockBytes)) : nullptr);
    if (!info || (withPixels && !pixels)) return Refuse(why, "not enough memory for the picture");
    BITMAPINFO* newInfo = info.get();
    newInfo->bmiHeader = header;
    if (!core) {
        const UINT tableBytes = static_cast<UINT>(colors * sizeof(RGBQUAD));
        if (file->Read(newInfo->bmiColors, tableBytes) != tableBytes) return Refuse(why, "the file could not be read");
    } else {
        BYTE triples[256 * 3];
        const UINT tableBytes = static_cast<UINT>(colors * 3);
        if (file->Read(triples, tableBytes) != tableBytes) return Refuse(why, "the file could not be read");
        for (int i = 0; i < colors; ++i)
            newInfo->bmiColors[i] = RGBQUAD{triples[3 * i], triples[3 * i + 1], triples[3 * i + 2], 0};
    }
    if (dataBytes > 0) {
        file->Seek(start + offBits);
        if (file->Read(pixels.get(), static_cast<UINT>(dataBytes)) != dataBytes)
            return Refuse(why, "the file could not be read");
    }

    ReleaseBlocks();
    m_pInfo = info.release();
    m_pPixels = pixels.release();
    m_bOwnsPixels = TRUE;
    m_nPixelBytes = blockBytes;
    return true;
}

bool CDIB::CanGivePalette(std::string* why) const {
    if (!m_pInfo) return Refuse(why, "holds no picture");
    const BITMAPINFOHEADER& h = m_pInfo->bmiHeader;
    const int bits = h.biBitCount;
    const std::string depth = std::to_string(bits) + "-bit";
    // Such a picture may carry a table, but only as a hint for displays
    // with fewer colours; its pixels are colours of their own.
    if (bits == 16 || bits == 24 || bits == 32) {
        if (why) *why = "is a " + depth + " picture: its colours are not a palette";
        return false;
    }
    if (bits != 1 && bits != 4 && bits != 8) {
        if (why) *why = "is a " + depth + " picture, which Tindral does not read";
        return false;
    }
    switch (h.biCompression) {
        case kUncompressed:
            return true;
        case kRle8:
            return bits == 8 || Refuse(why, "uses RLE8 compression, which needs 8 bits a pixel");
        case kRle4:
            return bits == 4 || Refuse(why, "uses RLE4 compression, which needs 4 bits a pixel");
        case kBitFields:
            return Refuse(why, "has colour masks, which Tindral does not read");
        default:
            if (why) *why = "uses compression " + std::to_string(h.biCompression) + ", which Tindral does not read";
            return false;
    }
}

bool CDIB::WriteBitmap(CFile* file) const {
    if (!m_pInfo || !m_pPixels) return false;
    const BITMAPINFOHEADER& h = m_pInfo->bmiHeader;
    std::size_t pixelBytes = 0;
    if (h.biBitCount != 8 || h.biHeight < 0 || !AddressableBytes(h, &pixelBytes) || pixelBytes > m_nPixelBytes)
        return false;
    if (pixelBytes > std::numeric_limits<DWORD>::max() - kWrittenOffBits) return false;

    BYTE fileHeader[kFileHeaderBytes] = {};
    PutWord(fileHeader, kBitmapType);
    PutDword(fileHeader + 2, static_cast<DWORD>(pixelBytes) + kWrittenOffBits);
    PutDword(fileHeader + 10, kWrittenOffBits);
    BYTE infoBlock[kInfoBlockBytes];
    EncodeInfoHeader(h, infoBlock);
    std::memcpy(infoBlock + sizeof(BITMAPINFOHEADER), m_pInfo->bmiColors, 256 * sizeof(RGBQUAD));
    file->Write(fileHeader, sizeof fileHeader);
    file->Write(infoBlock, sizeof infoBlock);
    file->Write(m_pPixels, static_cast<UINT>(pixelBytes));
    return true;
}

BOOL CDIB::WriteToFile(CFile* file) {
    // A failed write leaves what was written; the caller decides what that
    // means for the file (the savers write to a temporary file).
    try {
        return WriteBitmap(file) ? TRUE : FALSE;
    } catch (const CFileException&) {
        return FALSE;
    }
}

void CDIB::Serialize(CArchive& ar) {
    ar.Flush();
    if (ar.IsLoading())
        ReadFromFile(ar.GetFile());
    else
        WriteToFile(ar.GetFile());
}
