// Palette entries from colour lists.
#include "core/palettes/palette.h"

PaletteEntries EntriesFromColors(const RGBQUAD* colors, int count) {
    PaletteEntries entries;
    entries.reserve(count > 0 ? static_cast<std::size_t>(count) : 0);
    for (int i = 0; i < count; ++i)
        entries.push_back(PALETTEENTRY{colors[i].rgbRed, colors[i].rgbGreen, colors[i].rgbBlue, PC_RESERVED});
    return entries;
}
