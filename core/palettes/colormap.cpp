// Equal-share colour assignment. The thresholds are accumulated in single
// precision on purpose: where they stop decides whether the leftover counts
// get colour 201 or 200.
#include "core/palettes/colormap.h"

#include <utility>

#include "core/image/dib.h"

CColorMap::CColorMap(int iterations) : m_index(static_cast<std::size_t>(iterations < 0 ? 0 : iterations) + 1, 0) {}

CColorMap CColorMap::FromEntries(std::vector<int> entries) {
    CColorMap map(0);
    map.m_index = std::move(entries);
    return map;
}

CColorMap CColorMap::Assign(int iterations, int pixelCount, const std::int32_t* counts) {
    CColorMap map(iterations);
    std::vector<int>& h = map.m_index;
    const int n = map.Iterations();
    // Neighbouring pixels often share a count, and each increment of a bin
    // waits for the one before: four histograms, summed after, let four
    // increments be under way at once where the picture is large enough
    // beside N for their room to pay.
    constexpr int kWays = 4;
    if (pixelCount >= 8 * kWays * (n + 1)) {
        std::vector<int> more(static_cast<std::size_t>(kWays - 1) * (n + 1), 0);
        int* part[kWays] = {h.data(), more.data(), more.data() + (n + 1), more.data() + 2 * (n + 1)};
        int k = 0;
        for (; k + kWays <= pixelCount; k += kWays)
            for (int w = 0; w < kWays; ++w) {
                const std::int32_t c = counts[k + w];
                if (c >= 0 && c <= n) ++part[w][c];
            }
        for (; k < pixelCount; ++k) {
            const std::int32_t c = counts[k];
            if (c >= 0 && c <= n) ++h[c];
        }
        for (int w = 1; w < kWays; ++w)
            for (int c = 0; c <= n; ++c) h[c] += part[w][c];
    } else {
        for (int k = 0; k < pixelCount; ++k) {
            const std::int32_t c = counts[k];
            if (c >= 0 && c <= n) ++h[c];
        }
    }

    const int escaped = pixelCount - h[n];
    h[n] = 0;
    int i = n - 1;
    int colour = 1;
    float threshold = 0.005f;
    long long sum = 0;
    double fraction = 0.0;
    while (i >= 0) {
        if (threshold > fraction) {
            // With nothing escaped the fraction has no value and the loop runs
            // to the end, as the comparison with a NaN says.
            do {
                sum += h[i];
                h[i] = colour;
                --i;
                fraction = static_cast<double>(sum) / static_cast<double>(escaped);
            } while (i >= 0 && !(fraction >= threshold));
        }
        ++colour;
        const double next = static_cast<double>(threshold) + static_cast<double>(0.005f);
        threshold = static_cast<float>(next);
        if (next >= 1.0) break;
    }
    for (; i >= 0; --i) h[i] = colour;
    return map;
}

void MapCountsToPixels(int width, int height, const std::int32_t* counts, const CColorMap& map, BYTE* pixels) {
    const std::size_t stride = RowStride(width);
    for (int r = 0; r < height; ++r) {
        const std::int32_t* rowCounts = counts + static_cast<std::size_t>(r) * width;
        BYTE* row = pixels + r * stride;
        for (int c = 0; c < width; ++c) row[c] = static_cast<BYTE>(map.IndexFor(rowCounts[c]));
    }
}
