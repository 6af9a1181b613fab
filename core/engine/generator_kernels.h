// The vector loops' side of a run: what a band of rows needs, in plain types,
// so that nothing compiled for a wider instruction set leaks into code that
// runs on every processor.
#pragma once

#include <cstdint>

struct KernelRun {
    int width = 0;
    int limit = 0;  // N, at least 1
    bool polar = false;
    double exponent = 2.0;
    bool noisy = false;
    double sigma = 0.0;
    unsigned seed = 0;
    const double* columnRe = nullptr;  // cr of every column, accumulated as the scalar loops do
    const double* rowIm = nullptr;     // ci of every row
    std::int32_t* counts = nullptr;
};

// Computes the counts of rows rowBegin to rowEnd - 1. Each is built with its
// own instruction set and may be called only when the processor has it.
using BandKernel = void (*)(const KernelRun& run, int rowBegin, int rowEnd);
void GenerateBandSse2(const KernelRun& run, int rowBegin, int rowEnd);
void GenerateBandAvx2(const KernelRun& run, int rowBegin, int rowEnd);
void GenerateBandAvx512(const KernelRun& run, int rowBegin, int rowEnd);
