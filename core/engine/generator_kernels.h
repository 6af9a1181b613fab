// The vector loops' side of a run: what they need, in plain types, so that
// nothing compiled for a wider instruction set leaks into code that runs on
// every processor.
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
    const int* rowOrder = nullptr;     // the rows in the order they are handed out
    std::int32_t* counts = nullptr;
};

// Where a loop gets its rows and tells how many pixels it has finished. The
// loops keep their lanes busy across runs of rows, so that no lane waits for
// the slowest pixel of a run while rows are left.
class PixelSource {
public:
    // The next rows to compute, as positions [*begin, *end) of rowOrder;
    // false when none is left or the run was stopped.
    virtual bool NextRows(int* begin, int* end) = 0;
    // Pixels whose counts have been written since the last call.
    virtual void Finished(std::int64_t pixels) = 0;
    virtual bool Stopped() const = 0;

protected:
    ~PixelSource() = default;
};

// Computes the pixels of the rows the source hands out until it has none
// left. Each is built with its own instruction set and may be called only
// when the processor has it.
using Kernel = void (*)(const KernelRun& run, PixelSource& source);
void GenerateSse2(const KernelRun& run, PixelSource& source);
void GenerateAvx2(const KernelRun& run, PixelSource& source);
void GenerateAvx512(const KernelRun& run, PixelSource& source);

// The benchmark's ceiling of the quadratic loop: its steps alone, `chunks`
// chunks of them on every lane it keeps in flight, with no lane ever done
// and nothing looked at between chunks. Answers the steps taken, summed
// over the lanes.
using KernelCeiling = std::int64_t (*)(std::int64_t chunks);
std::int64_t GenerateSse2Ceiling(std::int64_t chunks);
std::int64_t GenerateAvx2Ceiling(std::int64_t chunks);
std::int64_t GenerateAvx512Ceiling(std::int64_t chunks);
