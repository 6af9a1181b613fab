// Palette entries as the system's logical palettes hold them, made from
// colour lists and colour tables (blue, green, red order).
#pragma once

#include <vector>

#include "core/base/wintypes.h"

using PaletteEntries = std::vector<PALETTEENTRY>;

// One entry per colour, red from byte 2, green from byte 1, blue from byte 0,
// each flagged PC_RESERVED so that the palette can be animated.
PaletteEntries EntriesFromColors(const RGBQUAD* colors, int count);
