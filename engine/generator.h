// The escape-time generator: one iteration count per pixel of a rectangle of
// the complex plane, for z <- z^p + c. A pure function of its inputs, so that
// the set document, the command-line renderer and the tests share it.
#pragma once

#include <cstdint>

#include "app/params.h"

struct GeneratorInput {
    int width = 0;
    int height = 0;
    SearchRect rect{};
    double exponent = 2.0;
    double noise = 0.0;  // in pixel widths; +0.0 and -0.0 mean none
    int iterations = 0;  // the limit N; a count of N means the orbit stayed
    unsigned seed = 0;   // the noise draws' seed: the time in whole seconds
};

// Fills width x height counts, bottom row first: element r * width + c is the
// pixel in row r from the bottom and column c from the left.
void GenerateCounts(const GeneratorInput& input, std::int32_t* counts);

// A pair of normally distributed offsets for one pixel's start value, drawn
// by Box-Muller from integers uniform on 0...32767.
class CGaussNoise {
public:
    CGaussNoise() = default;

    // Seeds with the current calendar time in whole seconds, so that two
    // pictures computed within the same second get the same offsets.
    void Seed();
    void SeedWith(unsigned seed) { m_nState = seed; }
    void Draw(double sigma);

    double m_dRe = 0.0;
    double m_dIm = 0.0;

private:
    // The C standard's portable generator: the same sequence on every build,
    // and the range 0...32767 that the draw's constants assume.
    int NextInt();
    unsigned long m_nState = 1;
};
