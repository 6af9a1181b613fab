// The escape-time generator: one iteration count per pixel of a rectangle of
// the complex plane, for z <- z^p + c. A pure function of its inputs, so that
// the set document, the command-line renderer and the tests share it.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <vector>

#include "core/engine/params.h"

// The generator computes a picture from its parameters as they are.
using GeneratorInput = PictureParams;

// The instruction sets the vector loops are built for. Automatic takes the
// widest one the processor has; a named one is used only when the processor
// has it, and otherwise the widest it has below it.
enum class SimdLevel { Automatic, Sse2, Avx2, Avx512 };

struct GeneratorControl {
    // Worker threads; 0 takes the TINDRAL_THREADS environment variable when
    // it holds a positive number, else one per processor.
    int threads = 0;
    SimdLevel simd = SimdLevel::Automatic;
    // Called on the calling thread now and then with the share of pixels
    // done, 0 to 1, and with 1 at the end; answering false stops the run.
    std::function<bool(double done)> progress;
    // Another thread may set this to stop the run.
    const std::atomic<bool>* cancel = nullptr;
};

// Fills width x height counts, bottom row first: element r * width + c is the
// pixel in row r from the bottom and column c from the left. Answers false
// when the run was stopped before every pixel was done; the pixels not done
// are then left as they were. Rows are taken in an order spread over the
// whole picture, so a stopped run leaves no band of it done.
bool GenerateCounts(const GeneratorInput& input, std::int32_t* counts, const GeneratorControl& control = {});

// The real part of every column, left to right, and the imaginary part of
// every row, bottom to top, exactly as the loops reach them.
void PixelCoordinates(const GeneratorInput& input, std::vector<double>* columnRe, std::vector<double>* rowIm);

// The scalar loops, one pixel at a time on the calling thread, every orbit run
// until it escapes or reaches N: the definition of every count, which the
// vector loops must reproduce bit for bit, however early they stop an orbit.
void GenerateCountsReference(const GeneratorInput& input, std::int32_t* counts);

// The level Automatic stands for on this processor, and the level a request
// comes down to on it.
SimdLevel DetectedSimdLevel();
SimdLevel EffectiveSimdLevel(SimdLevel requested);
const char* SimdLevelName(SimdLevel level);

// The number of threads a run with this setting uses at most.
int GeneratorThreadCount(int requested);

// A pair of normally distributed offsets for one pixel's start value, drawn
// by Box-Muller from integers uniform on 0...32767. The integers come from a
// hash of the seed and the pixel's index rather than from a sequence, so that
// pixels can be drawn in any order and on any thread and still get the same
// offsets.
class CGaussNoise {
public:
    CGaussNoise() = default;

    void SeedWith(unsigned seed);
    // Draws for the next pixel, counting from pixel 0 after seeding.
    void Draw(double sigma) { DrawAt(m_nNext++, sigma); }
    // Draws for pixel index r * width + c.
    void DrawAt(std::uint64_t pixel, double sigma);

    double m_dRe = 0.0;
    double m_dIm = 0.0;

private:
    std::uint64_t m_nKey = 0;
    std::uint64_t m_nNext = 0;
};
