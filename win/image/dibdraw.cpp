// Drawing a CDIB, putting it on the clipboard, and matching it to a
// logical palette.
#include "win/framework/win32.h"

#include "win/image/dibwin32.h"

#include <cstring>

int DrawStretched(const CDIB& dib, CDC& dc, int x, int y, int width, int height) {
    const BITMAPINFO* info = dib.Info();
    if (!info || !dib.Pixels()) return 0;
    // A shrunk picture drops rows and columns whole: the context's default
    // mode would AND neighbouring pixels into colours the picture never had.
    const int mode = ::SetStretchBltMode(dc.GetSafeHdc(), COLORONCOLOR);
    const int lines = ::StretchDIBits(dc.GetSafeHdc(), x, y, width, height, 0, 0, info->bmiHeader.biWidth,
                                      info->bmiHeader.biHeight, dib.Pixels(), info, DIB_RGB_COLORS, SRCCOPY);
    if (mode) ::SetStretchBltMode(dc.GetSafeHdc(), mode);
    return lines;
}

int DrawAt(const CDIB& dib, CDC& dc, int x, int y) {
    const BITMAPINFO* info = dib.Info();
    if (!info) return 0;
    return DrawStretched(dib, dc, x, y, info->bmiHeader.biWidth, info->bmiHeader.biHeight);
}

BOOL CopyToClipboard(const CDIB& dib, HWND owner) {
    const BITMAPINFO* info = dib.Info();
    if (!info || !dib.Pixels() || dib.ImageWidth() <= 0 || dib.ImageHeight() <= 0) return FALSE;
    const std::size_t header = sizeof(BITMAPINFOHEADER);
    const std::size_t table = static_cast<std::size_t>(HeaderColorCount(&info->bmiHeader)) * sizeof(RGBQUAD);
    const std::size_t pixels = RowStride(dib.ImageWidth()) * static_cast<std::size_t>(dib.ImageHeight());
    if (dib.PixelBytes() < pixels) return FALSE;
    // The clipboard takes a movable block and owns it once it is placed.
    HGLOBAL block = ::GlobalAlloc(GMEM_MOVEABLE, header + table + pixels);
    if (!block) return FALSE;
    auto* bytes = static_cast<BYTE*>(::GlobalLock(block));
    if (!bytes) {
        ::GlobalFree(block);
        return FALSE;
    }
    std::memcpy(bytes, &info->bmiHeader, header);
    std::memcpy(bytes + header, info->bmiColors, table);
    std::memcpy(bytes + header + table, dib.Pixels(), pixels);
    ::GlobalUnlock(block);
    if (!::OpenClipboard(owner)) {
        ::GlobalFree(block);
        return FALSE;
    }
    ::EmptyClipboard();
    const bool placed = ::SetClipboardData(CF_DIB, block) != nullptr;
    ::CloseClipboard();
    if (!placed) ::GlobalFree(block);
    return placed;
}

BOOL MatchToPalette(CDIB& dib, const CPalette* palette) {
    if (!palette || !palette->GetSafeHandle() || !dib.Info()) return FALSE;
    HPALETTE handle = palette->GetSafeHandle();
    BITMAPINFO* info = dib.Info();
    BYTE translation[256];
    for (int i = 0; i < 256; ++i) {
        const RGBQUAD& q = info->bmiColors[i];
        translation[i] = static_cast<BYTE>(::GetNearestPaletteIndex(handle, RGB(q.rgbRed, q.rgbGreen, q.rgbBlue)));
    }
    // The whole block, row padding included; its first byte is the first
    // pixel of the bottom row.
    const int height = dib.ImageHeight();
    BYTE* block = height > 0 && dib.ImageWidth() > 0 ? dib.PixelAddress(0, height - 1) : nullptr;
    if (block)
        for (std::size_t i = 0; i < dib.PixelBytes(); ++i) block[i] = translation[block[i]];
    PALETTEENTRY entries[256] = {};
    const UINT count = ::GetPaletteEntries(handle, 0, 256, entries);
    // Table entries past a short palette keep the colours they had.
    for (UINT i = 0; i < count && i < 256; ++i) {
        info->bmiColors[i].rgbRed = entries[i].peRed;
        info->bmiColors[i].rgbGreen = entries[i].peGreen;
        info->bmiColors[i].rgbBlue = entries[i].peBlue;
    }
    info->bmiHeader.biClrUsed = 256;
    return TRUE;
}
