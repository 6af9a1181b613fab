// The escape-time loops. Their order of evaluation and escape rule decide
// every count, so they are written exactly as the counts require: squares and
// products rounded to double before they are added, coordinates accumulated
// by repeated addition, |z|^2 >= 4 escapes and a NaN does not.
#include "engine/generator.h"

#include <cmath>
#include <ctime>

namespace {

int QuadraticCount(double zr, double zi, double cr, double ci, int limit) {
    int count = 0;
    if (limit < 1) return 0;
    for (;;) {
        const double a = zi * zi;
        const double b = zr * zr;
        if (b + a >= 4.0) break;
        const double newRe = (cr - a) + b;
        zi = (zr * zi) * 2.0 + ci;
        zr = newRe;
        if (++count >= limit) break;
    }
    return count;
}

int PolarCount(double zr, double zi, double cr, double ci, double p, int limit) {
    int count = 0;
    if (limit < 1) return 0;
    for (;;) {
        const double m = zr * zr + zi * zi;
        if (m >= 4.0) break;
        ++count;
        const double r = std::pow(std::sqrt(m), p);
        const double phi = std::atan2(zi, zr) * p;
        zr = r * std::cos(phi) + cr;
        zi = r * std::sin(phi) + ci;
        if (count >= limit) break;
    }
    return count;
}

// One loop nest per case, so the common noiseless quadratic case pays for
// neither the noise nor the exponent test inside its loops.
template <typename PixelCount>
void ForEachPixel(const GeneratorInput& in, std::int32_t* counts, PixelCount pixelCount) {
    const double dx = (in.rect.lowerRight.re - in.rect.upperLeft.re) / in.width;
    const double dy = (in.rect.lowerRight.im - in.rect.upperLeft.im) / in.height;
    double ci = in.rect.lowerRight.im;
    for (int r = 0; r < in.height; ++r) {
        double cr = in.rect.upperLeft.re;
        std::int32_t* row = counts + static_cast<std::ptrdiff_t>(r) * in.width;
        for (int c = 0; c < in.width; ++c) {
            row[c] = pixelCount(cr, ci, dx);
            cr = cr + dx;
        }
        ci = ci - dy;
    }
}

}  // namespace

void GenerateCounts(const GeneratorInput& in, std::int32_t* counts) {
    if (in.width < 1 || in.height < 1) return;
    const int n = in.iterations;
    const double p = in.exponent;
    const bool quadratic = p == 2.0;

    if (std::fabs(in.noise) == 0.0) {
        if (quadratic)
            ForEachPixel(in, counts, [n](double cr, double ci, double) { return QuadraticCount(cr, ci, cr, ci, n); });
        else
            ForEachPixel(in, counts, [n, p](double cr, double ci, double) { return PolarCount(cr, ci, cr, ci, p, n); });
        return;
    }

    CGaussNoise noise;
    noise.SeedWith(in.seed);
    const double s = in.noise;
    // Every pixel draws, whatever its loop does, so that the sequence stays in
    // step with the pixels.
    if (quadratic)
        ForEachPixel(in, counts, [&](double cr, double ci, double dx) {
            noise.Draw(s * dx);
            return QuadraticCount(noise.m_dRe + cr, noise.m_dIm + ci, cr, ci, n);
        });
    else
        ForEachPixel(in, counts, [&](double cr, double ci, double dx) {
            noise.Draw(s * dx);
            return PolarCount(noise.m_dRe + cr, noise.m_dIm + ci, cr, ci, p, n);
        });
}

void CGaussNoise::Seed() { SeedWith(static_cast<unsigned>(std::time(nullptr))); }

int CGaussNoise::NextInt() {
    m_nState = (m_nState * 1103515245UL + 12345UL) & 0xFFFFFFFFUL;
    return static_cast<int>((m_nState / 65536UL) % 32768UL);
}

void CGaussNoise::Draw(double sigma) {
    const double alpha = NextInt() * 0.00019175345033661917;
    const double u = NextInt() * (1.0 / 32767);
    const double rho = std::sqrt(std::log(1.0 / (u * u)));
    m_dRe = (std::cos(alpha) * rho) * sigma;
    m_dIm = (std::sin(alpha) * rho) * sigma;
}
