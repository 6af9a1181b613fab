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

}  // namespace

BOOL CDIB::ReadFromFile(CFile* file) {
    return ReadBitmap(file, nullptr) ? TRUE : FALSE;
}

bool CDIB::ReadBitmap(CFile* file, std::string* why) {
    // Every size field is checked against what the file really holds from
    // here, before anything is allocated.
    const std::uint64_t start = file->GetPosition();
    const std::uint64_t length = file->GetLength();
    const std::uint64_t held = length > start ? length - start : 0;

    BYTE head[kFileHeaderBytes + sizeof(BITMAPINFOHEADER)];
    const UINT firstBytes = kFileHeaderBytes + 4;
    const UINT got = file->Read(head, firstBytes);
    if (got < 2 || Word(head) != kBitmapType) return Refuse(why, "not a bitmap file");
    if (got < firstBytes) return Refuse(why, "the file is too short for its header");
    const DWORD fileSize = Dword(head + 2);
    const DWORD offBits = Dword(head + 10);
    const DWORD headerSize = Dword(head + kFileHeaderBytes);
    const bool core = headerSize == sizeof(BITMAPCOREHEADER);
    if (!core && headerSize != sizeof(BITMAPINFOHEADER)) {
        if (why) *why = "bitmaps with a " + std::to_string(headerSize) + "-byte header are not supported";
        return false;
    }
    const UINT rest = headerSize - 4;
    if (file->Read(head + firstBytes, rest) != rest) return Refuse(why, "the file is too short for its header");
    const BITMAPINFOHEADER header =
        core ? FromCoreHeader(head + kFileHeaderBytes) : DecodeInfoHeader(head + kFileHeaderBytes);
    const int colors = HeaderColorCount(&header);
    const std::uint64_t tableEnd = kFileHeaderBytes + headerSize + static_cast<std::uint64_t>(colors) * (core ? 3 : 4);
    if (tableEnd > held) return Refuse(why, "the file is too short for its colour table");

    // The pixel data runs from bfOffBits for as long as bfSize or the header
    // says, whichever is more, but never past the file's end: a bfSize that
    // understates (or is 0) loses nothing, and one that overstates claims no
    // memory the file does not back. Rows the file lacks read as zeros.
    const std::uint64_t claimed = fileSize > offBits ? fileSize - offBits : 0;
    const std::uint64_t available = held > offBits ? held - offBits : 0;
    const std::uint64_t dataBytes = std::min(std::max(claimed, ImpliedDataBytes(header)), available);
    std::size_t needed = 0;
    if (!AddressableBytes(header, &needed) || dataBytes > std::numeric_limits<UINT>::max())
        return Refuse(why, "not enough memory for the picture");
    const std::size_t blockBytes = std::max<std::size_t>(static_cast<std::size_t>(dataBytes), needed);

    Block<BITMAPINFO> info(static_cast<BITMAPINFO*>(GlobalAllocZeroed(kInfoBlockBytes)));
    Block<BYTE> pixels(static_cast<BYTE*>(GlobalAllocZeroed(blockBytes)));
    if (!info || !pixels) return Refuse(why, "not enough memory for the picture");
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
    if (!m_pInfo) return Refuse(why, "there is no picture");
    const BITMAPINFOHEADER& h = m_pInfo->bmiHeader;
    const int bits = h.biBitCount;
    const std::string depth = std::to_string(bits) + "-bit";
    if (bits == 24 || bits == 32) {
        if (why) *why = "a " + depth + " picture has no colour table";
        return false;
    }
    if (bits != 1 && bits != 4 && bits != 8) {
        if (why) *why = depth + " pictures are not supported";
        return false;
    }
    switch (h.biCompression) {
        case kUncompressed:
            return true;
        case kRle8:
            return bits == 8 || Refuse(why, "RLE8 compression needs 8 bits a pixel");
        case kRle4:
            return bits == 4 || Refuse(why, "RLE4 compression needs 4 bits a pixel");
        case kBitFields:
            return Refuse(why, "pictures with colour masks are not supported");
        default:
            if (why) *why = "compression " + std::to_string(h.biCompression) + " is not supported";
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
