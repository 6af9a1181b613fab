// CDIB: creation, attachment, geometry, pixel addressing and block copy.
#include "core/image/dib.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <utility>

#include "core/base/globalmem.h"

namespace {

// stride x height for a positive height, 0 otherwise; false when the product
// cannot be held in memory sizes.
bool ImageRowBytes(LONG width, LONG height, std::size_t* bytes) {
    *bytes = 0;
    if (width < 0) return false;
    if (height <= 0) return height == 0;
    const std::size_t stride = RowStride(width);
    if (stride > std::numeric_limits<std::size_t>::max() / static_cast<std::size_t>(height)) return false;
    *bytes = stride * static_cast<std::size_t>(height);
    return true;
}

}  // namespace

int HeaderColorCount(const void* header) {
    const auto* info = static_cast<const BITMAPINFOHEADER*>(header);
    const bool core = info->biSize == sizeof(BITMAPCOREHEADER);
    const int bits = core ? static_cast<const BITMAPCOREHEADER*>(header)->bcBitCount : info->biBitCount;
    const int depthDefault = bits == 1 ? 2 : bits == 4 ? 16 : bits == 8 ? 256 : 0;
    DWORD count = depthDefault;
    if (!core && info->biClrUsed != 0) count = info->biClrUsed;
    if (depthDefault != 0 && count > static_cast<DWORD>(depthDefault)) count = depthDefault;
    // The information block holds 256 entries and no more, whatever the header claims.
    return static_cast<int>(std::min<DWORD>(count, 256));
}

CDIB::CDIB() {
    CreateBlank(16, 16);
}

CDIB::~CDIB() {
    ReleaseBlocks();
}

void CDIB::ReleaseBlocks() {
    GlobalRelease(m_pInfo);
    m_pInfo = nullptr;
    if (m_bOwnsPixels) GlobalRelease(m_pPixels);
    m_pPixels = nullptr;
    m_nPixelBytes = 0;
}

BITMAPINFO* NewEightBitInfo(LONG width, LONG height) {
    auto* info = static_cast<BITMAPINFO*>(GlobalAllocZeroed(kInfoBlockBytes));
    if (!info) return nullptr;
    BITMAPINFOHEADER& h = info->bmiHeader;
    h.biSize = sizeof(BITMAPINFOHEADER);
    h.biWidth = width;
    h.biHeight = height;
    h.biPlanes = 1;
    h.biBitCount = 8;
    return info;
}

BOOL CDIB::CreateBlank(int width, int height) {
    ReleaseBlocks();
    std::size_t bytes = 0;
    if (width < 0 || height < 0 || !ImageRowBytes(width, height, &bytes)) return FALSE;
    BITMAPINFO* info = NewEightBitInfo(width, height);
    if (!info) return FALSE;
    auto* pixels = static_cast<BYTE*>(GlobalAllocZeroed(bytes));
    if (!pixels) {
        GlobalRelease(info);
        return FALSE;
    }
    for (int i = 0; i < 256; ++i) {
        const BYTE v = static_cast<BYTE>(i);
        info->bmiColors[i] = RGBQUAD{v, v, v, 0};
    }
    m_pInfo = info;
    m_pPixels = pixels;
    m_bOwnsPixels = TRUE;
    m_nPixelBytes = bytes;
    return TRUE;
}

BOOL CDIB::AttachPixels(const BITMAPINFO* info, BYTE* pixels) {
    GlobalRelease(m_pInfo);
    m_pInfo = static_cast<BITMAPINFO*>(GlobalAllocZeroed(kInfoBlockBytes));
    if (!m_pInfo) {
        ReleaseBlocks();
        return FALSE;
    }
    std::memcpy(m_pInfo, info, sizeof(BITMAPINFOHEADER) + sizeof(RGBQUAD) * HeaderColorCount(info));
    if (m_bOwnsPixels) GlobalRelease(m_pPixels);
    m_pPixels = pixels;
    m_bOwnsPixels = FALSE;
    std::size_t bytes = 0;
    ImageRowBytes(m_pInfo->bmiHeader.biWidth, m_pInfo->bmiHeader.biHeight, &bytes);
    m_nPixelBytes = bytes;
    return TRUE;
}

void CDIB::Swap(CDIB& other) noexcept {
    std::swap(m_pInfo, other.m_pInfo);
    std::swap(m_pPixels, other.m_pPixels);
    std::swap(m_bOwnsPixels, other.m_bOwnsPixels);
    std::swap(m_nPixelBytes, other.m_nPixelBytes);
}

int CDIB::ColorCount() const {
    return m_pInfo ? HeaderColorCount(m_pInfo) : 0;
}

int CDIB::ImageWidth() const {
    return m_pInfo ? m_pInfo->bmiHeader.biWidth : 0;
}

int CDIB::ImageHeight() const {
    return m_pInfo ? m_pInfo->bmiHeader.biHeight : 0;
}

void CDIB::GetBounds(RECT* rect) const {
    *rect = RECT{0, 0, ImageWidth(), ImageHeight()};
}

BYTE* CDIB::PixelAddress(int x, int y) const {
    // Top-down images (negative heights) are not addressed: every pixel
    // operation here assumes the bottom-up layout.
    const int width = ImageWidth();
    const int height = ImageHeight();
    if (!m_pPixels || x < 0 || y < 0 || x >= width || y >= height) return nullptr;
    const std::size_t offset =
        static_cast<std::size_t>(height - 1 - y) * RowStride(width) + static_cast<std::size_t>(x);
    return offset < m_nPixelBytes ? m_pPixels + offset : nullptr;
}

void CDIB::CopyBlockTo(CDIB* dest, int xd, int yd, int width, int height, int xs, int ys, int transparent) const {
    if (!dest || width <= 0 || height <= 0) return;
    // Clip the block to both bitmaps, in 64 bits so that no sum overflows.
    auto clip = [](long long start, long long length, long long& lo, long long& hi) {
        lo = std::max(lo, -start);
        hi = std::min(hi, length - start);
    };
    long long x0 = 0, x1 = width, y0 = 0, y1 = height;
    clip(xs, ImageWidth(), x0, x1);
    clip(xd, dest->ImageWidth(), x0, x1);
    clip(ys, ImageHeight(), y0, y1);
    clip(yd, dest->ImageHeight(), y0, y1);
    if (x0 >= x1 || y0 >= y1) return;

    const auto count = static_cast<std::size_t>(x1 - x0);
    const BYTE key = static_cast<BYTE>(transparent & 0xFF);
    for (long long y = y1 - 1; y >= y0; --y) {
        const BYTE* from = PixelAddress(static_cast<int>(xs + x0), static_cast<int>(ys + y));
        BYTE* to = dest->PixelAddress(static_cast<int>(xd + x0), static_cast<int>(yd + y));
        if (!from || !to) continue;
        if (transparent == -1) {
            std::memmove(to, from, count);
        } else {
            for (std::size_t k = 0; k < count; ++k)
                if (from[k] != key) to[k] = from[k];
        }
    }
}
