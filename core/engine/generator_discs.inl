// Interior discs of the main cardioid and the period-2 disc, found for a
// batch of lanes at once, and why an orbit that enters one counts N in the
// plain quadratic loop, rounding included. Included by generator_simd.inl,
// after xsimd.
//
// Let p_0, ..., p_{k-1} be points near the attracting k-cycle of c (k = 1 or
// 2) and f~ the step as the loops compute it in double precision. For z
// within D_i of p_i, f~(z) lies within
//   D_{i+1} = |f~(p_i) - p_{i+1}| + 2e + 2|p_i| D_i + D_i^2
// of p_{i+1} (indices mod k): z^2 + c = f(p_i) + 2 p_i d + d^2 with
// d = z - p_i, and f~ differs from the exact f by at most e wherever
// |z| <= 1.9 and |Re c|, |Im c| <= 2. Rounding to nearest with unit
// u = 2^-53, the real part (cr - zi^2) + zr^2 is off by at most
// u(2|cr| + 3|z|^2) and the imaginary part (zr zi) 2 + ci by u(2|z|^2 + |ci|),
// plus terms in u^2 and at most six halves of the smallest subnormal: under
// 25u < 3e-15 together, and e = 1e-14 is taken. When every |p_i| + D_i is at
// most 1.9 and D_k <= D_0 = r, an orbit that is once within r of p_0 stays
// within these discs for ever; there |z|^2 < 3.62, so the loop's computed
// |z|^2 stays below 4 and the orbit never escapes: its count is N whatever N
// is, and whatever its start value, noisy or not.
//
// The centres come from closed forms and need not be exact: the check uses
// the computed residues |f~(p_i) - p_{i+1}| and nothing else about them, and
// every bound is rounded up. The test InDisc is covered too: its computed
// value is at least (1 - 4u) times the true squared distance less a few
// subnormals, and r2 lies a factor (1 - 1e-9) below r^2. Lanes of a batch
// are computed independently, with the same operations as one at a time.

namespace {

constexpr double kStepError = 1e-14;
constexpr double kNoEscape = 1.9;

// Whether z lies in the disc; r2 < 0 is none.
template <class V>
auto InDisc(const V& re, const V& im, const V& r2, const V& zr, const V& zi) {
    const V dr = zr - re;
    const V di = zi - im;
    return dr * dr + di * di <= r2;
}

// Two discs a lane, for the two points of a 2-cycle; a fixed point has one.
template <class V>
struct DiscPair {
    V re[2];
    V im[2];
    V r2[2];
};

// Every bound below is a sum or product of a few non-negative roundings;
// this lifts it above the exact value, underflow included.
template <class V>
V Up(const V& x) {
    return x * V(1.0 + 1e-12) + V(1e-150);
}

// The loops' step: the same operations in the same order.
template <class V>
void DiscStep(V& zr, V& zi, const V& cr, const V& ci) {
    const V a = zi * zi;
    const V b = zr * zr;
    const V re = (cr - a) + b;
    zi = (zr * zi) * V(2.0) + ci;
    zr = re;
}

// D_{i+1} from D_i = d for the step from p (of magnitude at most m) to n;
// clears ok where the disc around p comes near escaping.
template <class V, class B>
V NextRadius(const V& pr, const V& pi, const V& m, const V& nr, const V& ni, const V& cr, const V& ci, const V& d,
             B& ok) {
    ok = ok & (Up(m + d) <= V(kNoEscape));
    V qr = pr;
    V qi = pi;
    DiscStep(qr, qi, cr, ci);
    // |x| + |y| bounds the residue's magnitude well enough: it is of the
    // order of the rounding, far below the margin.
    const V residue = Up(xsimd::abs(qr - nr) + xsimd::abs(qi - ni));
    return Up(Up(residue + V(2.0 * kStepError)) + Up(V(2.0) * m * d) + Up(d * d));
}

// r2 of the disc of radius r around p for a k-cycle through p then q (q = p
// for a fixed point), or of half that radius, whichever holds first; -1
// where neither does (near the boundary the margin is too thin).
template <class V>
V DiscRadius2(int k, const V& pr, const V& pi, const V& pm, const V& qr, const V& qi, const V& qm, const V& cr,
              const V& ci, V r) {
    V r2(-1.0);
    for (int attempt = 0; attempt < 2; ++attempt, r = r * V(0.5)) {
        auto ok = r > V(0.0);
        V d = NextRadius(pr, pi, pm, qr, qi, cr, ci, r, ok);
        if (k == 2) d = NextRadius(qr, qi, qm, pr, pi, cr, ci, d, ok);
        ok = ok & (d <= r) & (r2 < V(0.0));
        r2 = xsimd::select(ok, (r * r) * V(1.0 - 1e-9), r2);
        if (xsimd::all(r2 >= V(0.0))) break;
    }
    return r2;
}

// The principal square root of w, for the centres: its rounding decides only
// how large the discs come out.
template <class V>
void DiscSqrt(const V& wr, const V& wi, V& sr, V& si) {
    const V t = xsimd::sqrt((xsimd::sqrt(wr * wr + wi * wi) + xsimd::abs(wr)) * V(0.5));
    const V u = xsimd::select(t > V(0.0), wi / (t + t), V(0.0));
    const auto right = wr >= V(0.0);
    sr = xsimd::select(right, t, xsimd::abs(u));
    si = xsimd::select(right, u, xsimd::copysign(t, wi));
}

template <class V>
V DiscSize(const V& re, const V& im) {
    return Up(xsimd::sqrt(re * re + im * im));
}

// Whether any lane's c may lie in the main cardioid, or in the period-2
// disc: cheap filters before Discs, which decides on its own.
template <class V>
bool MayBeInCardioid(const V& cr, const V& ci) {
    const V x = cr - V(0.25);
    const V q = x * x + ci * ci;
    return xsimd::any(q * (q + x) < V(0.25) * ci * ci);
}

template <class V>
bool MayBeInBulb(const V& cr, const V& ci) {
    const V b = cr + V(1.0);
    return xsimd::any(b * b + ci * ci < V(0.0625));
}

// The discs of every lane's c: one around the attracting fixed point of the
// main cardioid, or one around each point of the attracting 2-cycle of the
// period-2 disc (an orbit may be looked at on either); none elsewhere, nor
// in the part not asked for.
template <class V>
DiscPair<V> Discs(const V& cr, const V& ci, bool cardioid, bool bulb) {
    const auto inRange = (xsimd::abs(cr) <= V(2.0)) & (xsimd::abs(ci) <= V(2.0));
    DiscPair<V> discs;
    for (int d = 0; d < 2; ++d) discs.re[d] = discs.im[d] = discs.r2[d] = V(-1.0);
    V sr;
    V si;
    if (bulb) {
        // The 2-cycle (-1 +- sqrt(-3 - 4c)) / 2, with multiplier 4(c + 1).
        // Two steps take a disc of radius r around one point p within about
        // |multiplier| r + (2|q| + 4|p|^2) r^2 of it, q the other point.
        DiscSqrt(V(-3.0) - V(4.0) * cr, V(-4.0) * ci, sr, si);
        const V pr = (V(-1.0) + sr) * V(0.5);
        const V pi = si * V(0.5);
        const V qr = (V(-1.0) - sr) * V(0.5);
        const V qi = -si * V(0.5);
        const V pm = DiscSize(pr, pi);
        const V qm = DiscSize(qr, qi);
        const V margin = V(1.0) - V(4.0) * pm * qm;
        const auto attracting = inRange & (margin > V(0.0));
        const V pr2 =
            DiscRadius2(2, pr, pi, pm, qr, qi, qm, cr, ci, V(0.8) * margin / (V(1.0) + V(2.0) * qm + V(4.0) * pm * pm));
        const V qr2 =
            DiscRadius2(2, qr, qi, qm, pr, pi, pm, cr, ci, V(0.8) * margin / (V(1.0) + V(2.0) * pm + V(4.0) * qm * qm));
        discs.re[0] = pr;
        discs.im[0] = pi;
        discs.r2[0] = xsimd::select(attracting, pr2, V(-1.0));
        discs.re[1] = qr;
        discs.im[1] = qi;
        discs.r2[1] = xsimd::select(attracting, qr2, V(-1.0));
    }
    if (cardioid) {
        // The fixed point (1 - sqrt(1 - 4c)) / 2, with multiplier twice
        // itself. Its disc of radius r holds when
        // r^2 - (1 - 2|p|) r + residue <= 0, about up to r = 1 - 2|p|; nine
        // tenths of that is tried first. The cardioid and the period-2 disc
        // do not meet: a lane has the one or the other.
        DiscSqrt(V(1.0) - V(4.0) * cr, V(-4.0) * ci, sr, si);
        const V fr = (V(1.0) - sr) * V(0.5);
        const V fi = -si * V(0.5);
        const V fm = DiscSize(fr, fi);
        const auto attracting = inRange & (V(2.0) * fm < V(1.0));
        const V r2 = DiscRadius2(1, fr, fi, fm, fr, fi, fm, cr, ci, V(0.9) * (V(1.0) - V(2.0) * fm));
        discs.re[0] = xsimd::select(attracting, fr, discs.re[0]);
        discs.im[0] = xsimd::select(attracting, fi, discs.im[0]);
        discs.r2[0] = xsimd::select(attracting, r2, discs.r2[0]);
        discs.r2[1] = xsimd::select(attracting, V(-1.0), discs.r2[1]);
    }
    return discs;
}

}  // namespace
