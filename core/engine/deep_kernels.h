// The perturbation loops' side of a deep run, in plain types, as
// generator_kernels.h is for the double loops.
#pragma once

#include <cstdint>

#include "core/engine/generator_kernels.h"

// A pixel starts at the reference's index 1 (Z(1) = C, as its own z = c)
// with a count of 0.
constexpr int kFirstIndex = 1;

struct DeepRun {
    int width = 0;
    int limit = 0;  // N, at least 1
    // Z(n) and Z(n) / scale for n = 0 ... refEnd, four doubles an index:
    // re, im, re / scale, im / scale.
    const double* reference = nullptr;
    int refEnd = 0;
    double scale = 1.0;
    const double* dcRe = nullptr;  // (c - C) / scale of every column
    const double* dcIm = nullptr;  // and of every row
    const int* rowOrder = nullptr;
    std::int32_t* counts = nullptr;
};

// Computes the pixels of the rows the source hands out until it has none
// left; each is built with its own instruction set and called only when the
// processor has it.
using DeepKernel = void (*)(const DeepRun& run, PixelSource& source);
void PerturbSse2(const DeepRun& run, PixelSource& source);
void PerturbAvx2(const DeepRun& run, PixelSource& source);
void PerturbAvx512(const DeepRun& run, PixelSource& source);
