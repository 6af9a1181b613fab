// The colour map from iteration counts to palette indices, and the
// equal-share assignment that builds it from a picture's own counts.
#pragma once

#include <cstdint>
#include <vector>

#include "core/base/wintypes.h"

class CColorMap {
public:
    // A map for counts 0...iterations; every count maps to the interior.
    explicit CColorMap(int iterations);

    int Iterations() const { return static_cast<int>(m_index.size()) - 1; }
    // The palette index for a count. Counts outside the map (a picture
    // computed with a higher limit than the map was built for) are shown as
    // the interior rather than read past the map's end.
    int IndexFor(std::int32_t count) const {
        return count >= 0 && count < static_cast<std::int32_t>(m_index.size()) ? m_index[count] : 0;
    }
    const std::vector<int>& Entries() const { return m_index; }

    // Entry N (the interior) is 0; the slowest escapes get 1 and each further
    // colour stands for about 0.5 % of the escaped pixels, up to 200; counts
    // left over when the thresholds run out get 201.
    // A map rebuilt from the entries Entries() gave, as a saved picture keeps them.
    static CColorMap FromEntries(std::vector<int> entries);

    static CColorMap Assign(int iterations, int pixelCount, const std::int32_t* counts);

private:
    std::vector<int> m_index;
};

// Turns counts into one palette-index byte per pixel: height rows of
// RowStride(width) bytes, bottom row first. Fill bytes at row ends are left
// as they are.
void MapCountsToPixels(int width, int height, const std::int32_t* counts, const CColorMap& map, BYTE* pixels);
