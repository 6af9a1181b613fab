// The perturbation loops' side of a deep run, in plain types, as
// generator_kernels.h is for the double loops.
#pragma once

#include <algorithm>
#include <cstdint>

#include "core/engine/generator_kernels.h"

// A pixel starts at the reference's index 1 (Z(1) = C, as its own z = c)
// with a count of 0.
constexpr int kFirstIndex = 1;

// A run of 2^level steps from an index m, as one linear map of the scaled
// difference: w -> A w + B (c - C) / scale, for |re w| + |im w| < radius
// (deep.cpp shows what the radius proves).
struct DeepSkip {
    double ar, ai, br, bi, radius;
};
constexpr int kSkipLevels = 24;  // 2^23 steps and more than any limit

// Z(refEnd) is followed by this many points of zeros, which the vector
// loops may read for lanes that are done.
constexpr int kReferencePadding = 32;

struct DeepRun {
    int width = 0;
    int limit = 0;  // N, at least 1
    // Z(n) and Z(n) / scale for n = 0 ... refEnd, four doubles an index:
    // re, im, re / scale, im / scale; then kReferencePadding of zeros.
    const double* reference = nullptr;
    int refEnd = 0;
    double scale = 1.0;
    const double* dcRe = nullptr;  // (c - C) / scale of every column
    const double* dcIm = nullptr;  // and of every row
    const int* rowOrder = nullptr;
    std::int32_t* counts = nullptr;
    // The skips of each length 2^j from the indices 1 + i 2^j, i < skipCount[j];
    // none at all where skipping is off.
    const DeepSkip* skips[kSkipLevels] = {};
    int skipCount[kSkipLevels] = {};
};

// The level of the longest run from the index kFirstIndex + offset that
// exists and ends by the limit, left steps away (at least 1); 0 when none
// does. Runs of 2^j start at multiples of 2^j, and level j holds the runs
// that end by the orbit's last whole one, so each of the three holds for
// every j below one that it holds for.
inline int LongestSkip(const DeepRun& run, unsigned offset, int left) {
    int j = kSkipLevels - 1;
    if (offset != 0) j = std::min(j, __builtin_ctz(offset));
    j = std::min(j, 31 - __builtin_clz(static_cast<unsigned>(left)));
    while (j > 0 && static_cast<int>(offset >> j) >= run.skipCount[j]) --j;
    return j;
}

// Where a pixel's own steps begin: its scaled difference, its index into the
// reference and its count once it has taken every skip it may from its start.
struct DeepStart {
    double wr, wi;
    int n, count;
};
// The skips of the pixel whose (c - C) / scale is (dcr, dci), from its
// start: the one definition the scalar and the vector loops share, compiled
// once for every processor.
DeepStart SkipFromStart(const DeepRun& run, double dcr, double dci);
// The same skips taken on from a state that they reached.
DeepStart SkipOnward(const DeepRun& run, double dcr, double dci, DeepStart at);

// Computes the pixels of the rows the source hands out until it has none
// left; each is built with its own instruction set and called only when the
// processor has it.
using DeepKernel = void (*)(const DeepRun& run, PixelSource& source);
void PerturbSse2(const DeepRun& run, PixelSource& source);
void PerturbAvx2(const DeepRun& run, PixelSource& source);
void PerturbAvx512(const DeepRun& run, PixelSource& source);
