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

struct BlockGuard {
    void* block;
    ~BlockGuard() { GlobalRelease(block); }
};

}  // namespace

BOOL CDIB::ReadFromFile(CFile* file) {
    const std::uint64_t start = file->GetPosition();

    BYTE fileHeader[kFileHeaderBytes];
    if (file->Read(fileHeader, sizeof fileHeader) != sizeof fileHeader) return FALSE;
    if (Word(fileHeader) != kBitmapType) return FALSE;
    const DWORD fileSize = Dword(fileHeader + 2);
    const DWORD offBits = Dword(fileHeader + 10);
    // A pixel size below zero would wrap around into a huge block.
    if (fileSize < offBits) return FALSE;
    const DWORD dataBytes = fileSize - offBits;

    BYTE raw[sizeof(BITMAPINFOHEADER)];
    if (file->Read(raw, sizeof raw) != sizeof raw) return FALSE;
    BITMAPINFOHEADER header{};
    bool core = false;
    if (Dword(raw) == sizeof(BITMAPINFOHEADER)) {
        header = DecodeInfoHeader(raw);
    } else if (Dword(raw) == sizeof(BITMAPCOREHEADER)) {
        // The core header was read into the larger buffer already.
        header = FromCoreHeader(raw);
        core = true;
        file->Seek(start + kFileHeaderBytes + sizeof(BITMAPCOREHEADER));
    } else {
        return FALSE;
    }
    const int colors = HeaderColorCount(&header);

    BlockGuard info{GlobalAllocZeroed(kInfoBlockBytes)};
    if (!info.block) return FALSE;
    auto* newInfo = static_cast<BITMAPINFO*>(info.block);
    newInfo->bmiHeader = header;
    if (!core) {
        const UINT tableBytes = static_cast<UINT>(colors * sizeof(RGBQUAD));
        if (file->Read(newInfo->bmiColors, tableBytes) != tableBytes) return FALSE;
    } else {
        for (int i = 0; i < colors; ++i) {
            BYTE triple[3];
            if (file->Read(triple, sizeof triple) != sizeof triple) return FALSE;
            newInfo->bmiColors[i] = RGBQUAD{triple[0], triple[1], triple[2], 0};
        }
    }

    // Pixel data shorter than the rows need (compressed or truncated data) is
    // padded with zeros, so no later pixel operation runs off the block.
    std::size_t needed = 0;
    if (!AddressableBytes(header, &needed)) return FALSE;
    const std::size_t blockBytes = std::max<std::size_t>(dataBytes, needed);

    // A file too short for its own pixel data fails below anyway; finding out
    // before allocating keeps a damaged header from claiming gigabytes.
    file->Seek(start + offBits);
    BYTE probe;
    if (dataBytes > 0) {
        file->Seek(start + offBits + dataBytes - 1);
        if (file->Read(&probe, 1) != 1) return FALSE;
        file->Seek(start + offBits);
    }

    BlockGuard pixels{GlobalAllocZeroed(blockBytes)};
    if (!pixels.block) return FALSE;
    if (file->Read(pixels.block, dataBytes) != dataBytes) return FALSE;

    ReleaseBlocks();
    m_pInfo = newInfo;
    m_pPixels = static_cast<BYTE*>(pixels.block);
    m_bOwnsPixels = TRUE;
    m_nPixelBytes = blockBytes;
    info.block = nullptr;
    pixels.block = nullptr;
    return TRUE;
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
