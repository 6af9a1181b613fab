// Binary floating-point numbers of a fixed number of digits, for the exact
// region and the reference orbit: Boost.Multiprecision's, header-only, so
// that every build computes them with the same code and the same digits.
#pragma once

// Boost's configuration for MinGW misses a C++11 feature it looks for and
// says so on every compile; nothing we use depends on it.
#define BOOST_MP_DISABLE_DEPRECATE_03_WARNING
#define BOOST_MATH_DISABLE_DEPRECATED_03_WARNING
#include <boost/multiprecision/cpp_bin_float.hpp>
#include <cstdint>

#include "core/engine/region.h"

template <unsigned Bits>
using BigFloat =
    boost::multiprecision::number<boost::multiprecision::cpp_bin_float<Bits, boost::multiprecision::digit_base_2, void,
                                                                       std::int32_t, -1000000, 1000000>,
                                  boost::multiprecision::et_off>;

// The most digits a picture is computed with, and the numbers a region is
// read in.
constexpr unsigned kMostBits = 1088;
using WidestFloat = BigFloat<kMostBits>;

// Where pixel (col, row) lies: origin + (col stepRe, row stepIm).
template <class Big>
struct PixelGrid {
    Big originRe, originIm, stepRe, stepIm;
};

template <class Big>
PixelGrid<Big> GridOf(const ExactRegion& region, int width, int height) {
    PixelGrid<Big> grid;
    const Big a(region.a), b(region.b), c(region.c);
    if (region.kind == ExactRegion::Kind::Centre) {
        const Big d = c / width;
        grid.stepRe = grid.stepIm = d;
        grid.originRe = a - c / 2;
        grid.originIm = b - (d * height) / 2;
    } else {
        const Big lower(region.d);
        grid.stepRe = (c - a) / width;
        grid.stepIm = (b - lower) / height;
        grid.originRe = a;
        grid.originIm = lower;
    }
    return grid;
}
