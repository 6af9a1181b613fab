// Drawing a CDIB and matching it to a logical palette.
#include "win/framework/win32.h"

#include "win/image/dibwin32.h"

int DrawStretched(const CDIB& dib, CDC& dc, int x, int y, int width, int height) {
    const BITMAPINFO* info = dib.Info();
    if (!info || !dib.Pixels()) return 0;
    return ::StretchDIBits(dc.GetSafeHdc(), x, y, width, height, 0, 0, info->bmiHeader.biWidth,
                           info->bmiHeader.biHeight, dib.Pixels(), info, DIB_RGB_COLORS, SRCCOPY);
}

int DrawAt(const CDIB& dib, CDC& dc, int x, int y) {
    const BITMAPINFO* info = dib.Info();
    if (!info) return 0;
    return DrawStretched(dib, dc, x, y, info->bmiHeader.biWidth, info->bmiHeader.biHeight);
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
