// The five built-in colour schemes. Each fills entries 0 to 200 of a 256-entry
// colour list: entry 0 for points that never escape, 1 to 200 for the bands
// from the slowest escapes to the fastest.
#pragma once

#include <array>
#include <optional>
#include <string_view>

#include "core/base/wintypes.h"

constexpr int kSchemeEntries = 201;

using ColorList = std::array<RGBQUAD, 256>;

enum class Scheme { Gray, Fire, Edge, Fatigues, Jungle };

// Entries 201 to 255 stay zero.
ColorList MakeScheme(Scheme scheme);

// Fills the entries strictly between list[first] and list[first + n - 1],
// which hold their anchor colours already, stepping each channel by
// (end - start + 1) / n held in single precision.
void InterpolateColors(RGBQUAD* list, int first, int n);

// "gray", "fire", "edge", "fatigues" or "jungle".
std::optional<Scheme> SchemeByName(std::string_view name);
