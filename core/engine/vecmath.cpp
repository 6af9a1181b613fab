// One-lane use of xsimd's SSE2 math, compiled for the baseline processor of
// every build (x86-64, and i686 with SSE2).
#include "core/engine/vecmath.h"

#include <xsimd/xsimd.hpp>

namespace vecmath {

namespace {
using Lane = xsimd::batch<double, xsimd::sse2>;

double First(const Lane& v) {
    double out[Lane::size];
    v.store_unaligned(out);
    return out[0];
}
}  // namespace

double Pow(double x, double y) {
    return First(xsimd::pow(Lane(x), Lane(y)));
}

double Atan2(double y, double x) {
    return First(xsimd::atan2(Lane(y), Lane(x)));
}

void SinCos(double x, double* sine, double* cosine) {
    const auto both = xsimd::sincos(Lane(x));
    *sine = First(both.first);
    *cosine = First(both.second);
}

double Log(double x) {
    return First(xsimd::log(Lane(x)));
}

}  // namespace vecmath
