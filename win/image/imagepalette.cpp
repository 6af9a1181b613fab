// The shared logical palette and its swatch grid.
#include "win/framework/win32.h"

#include "win/image/imagepalette.h"

#include <cstring>
#include <vector>

#include "core/palettes/palette.h"

BOOL CImagePalette::CreateFromEntries(const PaletteEntries& entries) {
    const std::size_t count = entries.size();
    if (count < 1 || count > 65535) return FALSE;
    // LOGPALETTE ends in a one-entry array; the block holds all of them.
    std::vector<BYTE> block(offsetof(LOGPALETTE, palPalEntry) + sizeof(PALETTEENTRY) * count);
    auto* description = reinterpret_cast<LOGPALETTE*>(block.data());
    description->palVersion = 0x300;
    description->palNumEntries = static_cast<WORD>(count);
    std::memcpy(description->palPalEntry, entries.data(), sizeof(PALETTEENTRY) * count);
    return CreatePalette(description);
}

int CImagePalette::EntryCount() const {
    int count = 0;
    if (!m_hObject || !::GetObjectA(m_hObject, sizeof count, &count)) return 0;
    return count & 0xFFFF;
}

void CImagePalette::DrawSwatches(CDC& dc, const RECT& rect, BOOL background) const {
    int remaining = EntryCount();
    const int w = rect.right;
    const int h = rect.bottom;
    CSelectPalette select(dc.GetSafeHdc(), m_hObject, background);
    for (int r = 0; r < 16 && remaining > 0; ++r) {
        for (int c = 0; c < 16 && remaining > 0; ++c) {
            // Neighbours share their outline; the outer one lies just
            // outside the rectangle.
            const int left = c == 0 ? -1 : w * c / 16;
            const int right = w * (c + 1) / 16 + 1;
            const int top = r == 0 ? -1 : h * r / 16;
            const int bottom = h * (r + 1) / 16 + 1;
            CBrush brush(PALETTEINDEX(static_cast<WORD>(16 * r + c)));
            {
                CSelectObject selectBrush(dc.GetSafeHdc(), brush);
                ::Rectangle(dc.GetSafeHdc(), left, top, right, bottom);
            }
            --remaining;
        }
    }
}
