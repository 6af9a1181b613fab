// Deep pictures: which arithmetic, the reference orbit, and the run.
//
// A pixel's count starts at its own point z = c and counts the steps taken
// while |z|^2 < 4. The reference orbit starts one step earlier, at Z(0) = 0,
// so that Z(1) = C: a pixel starts at index kFirstIndex with a count of 0,
// the one place where the two meet.
#include "core/engine/deep.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <limits>
#include <utility>

#include "core/engine/bignum.h"
#include "core/engine/deep_kernels.h"
#include "core/engine/fixedpoint.h"
#include "core/engine/generator_rows.h"
#include "core/engine/region.h"
#include "core/engine/zoom.h"

namespace {

// Pixels closer together than 2^kScaledBelow are held scaled.
constexpr int kScaledBelow = -900;
// The scale keeps w and (c - C) / scale below 2^1017 or so (a pixel's
// difference from the reference stays below 24 before it escapes), and the
// nearest pixels' (c - C) / scale normal.
constexpr int kSmallestScale = -1010;
constexpr int kScaleAbovePixel = 10;

// The tiers of digits: fewer digits make a faster reference.
constexpr unsigned kTiers[] = {192, 448, kMostBits};

int Exponent(const WidestFloat& x) {
    int e = 0;
    frexp(x, &e);
    return e;
}

// The binary exponent of the smaller pixel step, and the digits that tell
// every pixel apart with 64 to spare; bits 0 when a step is zero.
void Spacing(const ExactRegion& region, int width, int height, int* spacing, int* bits) {
    const PixelGrid<WidestFloat> grid = GridOf<WidestFloat>(region, width, height);
    const WidestFloat re = abs(grid.stepRe), im = abs(grid.stepIm);
    *spacing = 0;
    *bits = 0;
    if (re == 0 || im == 0) return;
    const WidestFloat far =
        std::max({WidestFloat(1), abs(grid.originRe), abs(grid.originIm), abs(grid.originRe + grid.stepRe * width),
                  abs(grid.originIm + grid.stepIm * height)});
    *spacing = Exponent(std::min(re, im));
    *bits = Exponent(far) - *spacing + 64;
}

// The reference orbit of C, up to its first escaped point or to Z(N + 1)
// (no pixel's index passes N + 1), as the doubles of the plan; answers the
// last index.
//
// Its digits are a fixed point of kFraction = Bits + 48 fractional bits
// (fixedpoint.h). Every step is the exact step plus an error below
// 4 2^-kFraction = 2^(-46 - Bits) in each part: three squares, each rounded
// to the nearest within 2^-44 of a unit, and C rounded once. A float of
// Bits digits errs by up to 2^-Bits of the largest term of each sum, and
// Z^2 + C near 0 (a copy's nucleus) cancels terms of the size of C: there
// too its error is of that size, not of the small result's, so its extra
// digits there are noise, and this bound is below the float's wherever C or
// Z^2 is above 2^-46 (below that, C lies deep in the main cardioid, where
// every orbit nearby converges and none escapes), and 2^-46 of it where one
// is near 1. An error made at step k reaches Z(n) times dZ(n)/dZ(k), while
// a pixel's difference from the reference grows as dZ(n)/dc, the sum of
// those over k; one spacing away (Bits = 64 + the spacing's digits, or
// more) it is some 2^110 times the orbit's error, whichever n. So each
// double, Z / scale included (made from the digits, not from the rounded Z,
// where |Z| < 2^-1000 makes Z's double subnormal or nearly), is the exact
// orbit's rounding wherever Z is not far smaller than the pixels'
// differences from it, and elsewhere off by less than 2^-110 of them (the
// float's, 2^-64): far below the doubles' own rounding of Z + z. The escape
// test a + b >= 4 adds the rounded squares exactly: it decides otherwise
// than the computed Z's exact squares only within 2^(1 - kFraction) of the
// circle, far closer than the orbit's own error.
template <int Limbs, class Big>
int Reference(const Big& cr, const Big& ci, int last, int scaleExponent, DeepPlan* plan) {
    std::vector<double>& z = plan->reference;
    z.clear();
    int end = 1;
    if (abs(cr) < 64 && abs(ci) < 64) {
        // A power of two scales a double's rounding with it wherever
        // neither the double nor the result leaves the normal range (Z is
        // below 100, and the scale above 2^-1011).
        const double unscale = std::ldexp(1.0, -scaleExponent);
        const auto scaled = [&](const Fixed<Limbs>& x, double rounded) {
            return std::fabs(rounded) >= 0x1p-1000 ? rounded * unscale : ToDouble(x, scaleExponent);
        };
        end = FixedOrbit(ToFixed<Limbs>(cr), ToFixed<Limbs>(ci), last,
                         [&](const Fixed<Limbs>& re, const Fixed<Limbs>& im) {
                             const double r = ToDouble(re), i = ToDouble(im);
                             z.push_back(r);
                             z.push_back(i);
                             z.push_back(scaled(re, r));
                             z.push_back(scaled(im, i));
                         });
    } else {
        // Beyond the fixed point's reach, C escapes at once.
        z.insert(z.end(),
                 {0.0, 0.0, 0.0, 0.0, static_cast<double>(cr), static_cast<double>(ci),
                  static_cast<double>(ldexp(cr, -scaleExponent)), static_cast<double>(ldexp(ci, -scaleExponent))});
    }
    z.resize(z.size() + 4 * kReferencePadding, 0.0);
    return end;
}

inline int PerturbedCount(const DeepRun& run, double dcr, double dci);

template <unsigned Bits>
void Plan(const PictureParams& params, const ExactRegion& region, int spacing, DeepPlan* plan) {
    using Big = BigFloat<Bits>;
    const auto started = std::chrono::steady_clock::now();
    const int width = params.width;
    const int height = params.height;
    const int limit = params.iterations;
    const PixelGrid<Big> grid = GridOf<Big>(region, width, height);

    // The reference is the pixel whose orbit stays longest among the
    // centre and a spread of others: a pixel that outlives the reference
    // must start again from the whole of its z, in doubles. A row exactly on
    // the real axis keeps it there: its pixels' orbits are then real to the
    // last bit, as the loop's are, rather than a rounding off it.
    int axisRow = -1;
    for (int r = 0; r < height && axisRow < 0; ++r)
        if (grid.originIm + grid.stepIm * r == 0) axisRow = r;
    constexpr int kSpread = 5;
    std::vector<std::pair<int, int>> candidates{{width / 2, axisRow < 0 ? height / 2 : axisRow}};
    for (int k = 0; k < kSpread * kSpread; ++k) {
        const int across = (2 * (k % kSpread) + 1) * width / (2 * kSpread);
        if (axisRow >= 0 && k < kSpread) candidates.push_back({across, axisRow});
        if (axisRow < 0) candidates.push_back({across, (2 * (k / kSpread) + 1) * height / (2 * kSpread)});
    }
    // Only the centre's orbit is computed in high precision at first; the
    // others' lengths come from perturbation against it, and the longest
    // (the first of equals) is computed again as the reference.
    const int scaleExponent = spacing < kScaledBelow ? spacing + kScaleAbovePixel : 0;
    plan->scale = std::ldexp(1.0, scaleExponent);
    const auto point = [&](std::pair<int, int> at) {
        return Reference<Bits / 64 + 1>(grid.originRe + grid.stepRe * at.first, grid.originIm + grid.stepIm * at.second,
                                        limit + kFirstIndex, scaleExponent, plan);
    };
    plan->refEnd = point(candidates[0]);
    std::size_t chosen = 0;
    if (plan->refEnd < limit + kFirstIndex) {
        DeepRun run;
        run.limit = limit;
        run.reference = plan->reference.data();
        run.refEnd = plan->refEnd;
        run.scale = plan->scale;
        const Big stepRe = ldexp(grid.stepRe, -scaleExponent);
        const Big stepIm = ldexp(grid.stepIm, -scaleExponent);
        int best = plan->refEnd;
        for (std::size_t k = 1; k < candidates.size() && best < limit + kFirstIndex; ++k) {
            const double dcr = static_cast<double>(stepRe * (candidates[k].first - candidates[0].first));
            const double dci = static_cast<double>(stepIm * (candidates[k].second - candidates[0].second));
            const int end = PerturbedCount(run, dcr, dci) + kFirstIndex;
            if (end > best) {
                best = end;
                chosen = k;
            }
        }
        if (chosen != 0) plan->refEnd = point(candidates[chosen]);
    }
    plan->refColumn = candidates[chosen].first;
    plan->refRow = candidates[chosen].second;

    // c - C of each column and row, each rounded once.
    plan->dcRe.resize(static_cast<std::size_t>(width));
    plan->dcIm.resize(static_cast<std::size_t>(height));
    const Big stepRe = ldexp(grid.stepRe, -scaleExponent);
    const Big stepIm = ldexp(grid.stepIm, -scaleExponent);
    for (int c = 0; c < width; ++c) plan->dcRe[c] = static_cast<double>(stepRe * (c - plan->refColumn));
    for (int r = 0; r < height; ++r) plan->dcIm[r] = static_cast<double>(stepIm * (r - plan->refRow));
    plan->width = width;
    plan->height = height;
    plan->limit = limit;
    plan->bits = static_cast<int>(Bits);
    plan->referenceSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
}

// Skipping steps.
//
// In the scaled units a pixel's step at index k is w' = 2 Z(k) w + s w^2 + d,
// d = (c - C) / s, Z(k) the reference's doubles. While s |w| <= 2 eta |Z(k)|
// (eta = 2^-53) the square is at most eta times the linear term: the step is
// w' = 2 Z(k) (1 + t) w + d with |t| <= eta, a change of the multiplier no
// larger than one rounding of the loop's own products. The loop's step in
// doubles is likewise the exact linear step with its multiplier and d each
// changed by less than tau = 2^-50 (its roundings and the square together).
//
// Over the steps m ... m + l - 1 the linear steps compose to
// w(m + l) = A w(m) + B d, A = prod 2 Z(k), B = sum_j prod_{k > j} 2 Z(k),
// and every orbit whose multipliers and d are changed by at most tau (the
// exact orbit, the loop's in doubles) keeps, at every k of the run,
//   |w(k)| <= (|A(m..k)| |w(m)| + Bhat(m..k) |d|) (1 + tau)^(k - m),
// Bhat the sum of the moduli of B's terms. So a radius on w(m) bounds every
// w(k) of a run: a single step has rho(k) = 2 eta |Z(k)| / s, and none where
// |Z(k)|^2 >= 4 (1 - 2^-40); a run x of h steps followed by a run y has
//   R = min(R_x, (R_y / (1 + tau)^h - Bhat_x D) / |A_x|),
// D at least every pixel's |d|; each bound is rounded the safe way. Taken
// from |re w(m)| + |im w(m)| < R (which gives |w(m)| < R), no index of the
// run can change the loop's course:
//  - none escapes: |Z(k) + z(k)| <= |Z(k)| (1 + 2 eta) stays below 2 by far
//    more than the loop's rounding of the test;
//  - none rebases: |Z(k) + z(k)| >= |Z(k)| (1 - 2 eta), while |z(k)| is
//    2^-52 |Z(k)| at most, by either norm (they differ by sqrt 2 at most);
//  - none is the reference's end: runs stop before refEnd;
//  - none reaches N: a run is taken only where count + l <= N.
// So the loop would have taken each of the l steps, arriving at m + l with
// count + l, as the skip does. The skip's w(m + l), from A and B rounded in
// a tree of products and sums, is itself the outcome of those steps with
// every multiplier and d changed by a few roundings: it lies within the same
// bound of the exact orbit as the loop's own, and a later count can differ
// from the unskipped loop's only where that loop, too, decides an escape
// within its rounding of |z|^2 = 4.
//
// A pixel skips from its start only, until no run from its index holds; its
// own steps follow, with no skipping after a rebase.
constexpr double kEta = 0x1p-53;
constexpr double kTau = 0x1p-50;
constexpr double kUp = 1.0 + 0x1p-48;    // past the roundings of a bound made from above
constexpr double kDown = 1.0 - 0x1p-48;  // and from below
constexpr double kNearTwo = 4.0 * (1.0 - 0x1p-40);
// |A| is bounded from above even where its product underflows.
constexpr double kLeastNormal = 0x1p-1022;

void MakeSkips(DeepPlan* plan) {
    plan->skips.clear();
    const int steps = plan->refEnd - kFirstIndex;
    if (steps < 1) return;
    double largestRe = 0.0, largestIm = 0.0;
    for (double d : plan->dcRe) largestRe = std::max(largestRe, std::fabs(d));
    for (double d : plan->dcIm) largestIm = std::max(largestIm, std::fabs(d));
    const double dMax = (largestRe + largestIm) * kUp;
    const double perScale = 1.0 / plan->scale;  // a power of two
    std::vector<DeepSkip> level(static_cast<std::size_t>(steps));
    std::vector<double> absA(level.size()), absB(level.size(), 1.0);
    for (int k = 0; k < steps; ++k) {
        const double zr = plan->reference[4 * static_cast<std::size_t>(k + kFirstIndex)];
        const double zi = plan->reference[4 * static_cast<std::size_t>(k + kFirstIndex) + 1];
        const double square = zr * zr + zi * zi;
        const double modulus = std::sqrt(square);
        absA[k] = std::max(2.0 * modulus * kUp, kLeastNormal);
        const double rho = square < kNearTwo ? 2.0 * kEta * (modulus * kDown) * perScale * kDown : 0.0;
        level[k] = DeepSkip{2.0 * zr, 2.0 * zi, 1.0, 0.0, rho};
    }
    double h = 1.0;  // the steps of each run of this level
    for (;;) {
        const std::size_t size = level.size() / 2;
        plan->skips.push_back(std::move(level));
        const std::vector<DeepSkip>& below = plan->skips.back();
        if (size == 0 || plan->skips.size() == static_cast<std::size_t>(kSkipLevels)) break;
        std::vector<DeepSkip> next(size);
        std::vector<double> nextA(size), nextB(size);
        for (std::size_t i = 0; i < size; ++i) {
            const DeepSkip& x = below[2 * i];
            const DeepSkip& y = below[2 * i + 1];
            DeepSkip& xy = next[i];
            xy.ar = y.ar * x.ar - y.ai * x.ai;
            xy.ai = y.ar * x.ai + y.ai * x.ar;
            xy.br = (y.ar * x.br - y.ai * x.bi) + y.br;
            xy.bi = (y.ar * x.bi + y.ai * x.br) + y.bi;
            nextA[i] = std::max(absA[2 * i + 1] * absA[2 * i] * kUp, kLeastNormal);
            nextB[i] = (absA[2 * i + 1] * absB[2 * i] + absB[2 * i + 1]) * kUp;
            const double reach = (y.radius * (1.0 - 2.0 * h * kTau) - absB[2 * i] * dMax) / absA[2 * i] * kDown;
            // A product or sum past the doubles' range gives 0, not NaN.
            xy.radius = reach > 0.0 ? std::min(x.radius, reach) : 0.0;
        }
        level.swap(next);
        absA.swap(nextA);
        absB.swap(nextB);
        h *= 2.0;
    }
}

}  // namespace

DeepStart SkipFromStart(const DeepRun& run, double dcr, double dci) {
    return SkipOnward(run, dcr, dci, DeepStart{dcr, dci, kFirstIndex, 0});
}

DeepStart SkipOnward(const DeepRun& run, double dcr, double dci, DeepStart at) {
    while (at.count < run.limit && run.skipCount[0] > 0) {
        const unsigned offset = static_cast<unsigned>(at.n - kFirstIndex);
        const int left = run.limit - at.count;
        int j = LongestSkip(run, offset, left);
        if (static_cast<int>(offset) >= run.skipCount[0]) break;
        const double size = std::fabs(at.wr) + std::fabs(at.wi);
        while (j >= 0 && !(size < run.skips[j][offset >> j].radius)) --j;
        if (j < 0) break;
        const DeepSkip& skip = run.skips[j][offset >> j];
        const double nr = (skip.ar * at.wr - skip.ai * at.wi) + (skip.br * dcr - skip.bi * dci);
        const double ni = (skip.ar * at.wi + skip.ai * at.wr) + (skip.br * dci + skip.bi * dcr);
        at.wr = nr;
        at.wi = ni;
        at.n += 1 << j;
        at.count += 1 << j;
    }
    return at;
}

namespace {

// One pixel's count, step by step after its skips: the definition the
// vector loops follow operation for operation, lane by lane.
inline int PerturbedCount(const DeepRun& run, double dcr, double dci) {
    const DeepStart start = SkipFromStart(run, dcr, dci);
    if (start.count >= run.limit) return start.count;
    const double* ref = run.reference;
    const double s = run.scale;
    double wr = start.wr, wi = start.wi;
    int n = start.n;
    int count = start.count;
    for (;;) {
        const double* z = ref + 4 * n;
        double zr = s * wr, zi = s * wi;
        const double fr = z[0] + zr, fi = z[1] + zi;
        if (fr * fr + fi * fi >= 4.0) break;
        double br = z[0], bi = z[1];
        // Nearer 0 than its difference is large, or at the reference's end:
        // the whole becomes the difference and the reference starts again
        // at Z(0) = 0. Compared in the scaled units, by |re| + |im|, which
        // cannot overflow there.
        const double gr = z[2] + wr, gi = z[3] + wi;
        if (n == run.refEnd || std::fabs(gr) + std::fabs(gi) < std::fabs(wr) + std::fabs(wi)) {
            wr = gr;
            wi = gi;
            zr = s * wr;
            zi = s * wi;
            br = 0.0;
            bi = 0.0;
            n = 0;
        }
        // w <- 2 Z w + scale w^2 + (c - C) / scale.
        const double nr = (br * wr - bi * wi) * 2.0 + (zr * wr - zi * wi) + dcr;
        const double ni = (br * wi + bi * wr) * 2.0 + (zr * wi) * 2.0 + dci;
        wr = nr;
        wi = ni;
        ++n;
        if (++count >= run.limit) break;
    }
    return count;
}

DeepRun RunOf(const DeepPlan& plan, const int* rowOrder, std::int32_t* counts) {
    DeepRun run;
    run.width = plan.width;
    run.limit = plan.limit;
    run.reference = plan.reference.data();
    run.refEnd = plan.refEnd;
    run.scale = plan.scale;
    run.dcRe = plan.dcRe.data();
    run.dcIm = plan.dcIm.data();
    run.rowOrder = rowOrder;
    run.counts = counts;
    for (std::size_t j = 0; j < plan.skips.size() && j < static_cast<std::size_t>(kSkipLevels); ++j) {
        run.skips[j] = plan.skips[j].data();
        run.skipCount[j] = static_cast<int>(plan.skips[j].size());
    }
    return run;
}

DeepKernel KernelFor(SimdLevel level) {
    switch (EffectiveSimdLevel(level)) {
        case SimdLevel::Avx512:
            return PerturbAvx512;
        case SimdLevel::Avx2:
            return PerturbAvx2;
        default:
            return PerturbSse2;
    }
}

}  // namespace

bool DoublesSuffice(const PictureParams& params) {
    if (params.width < 1 || params.height < 1) return true;
    const SearchRect& r = params.rect;
    const double largest = std::max(
        {std::fabs(r.upperLeft.re), std::fabs(r.upperLeft.im), std::fabs(r.lowerRight.re), std::fabs(r.lowerRight.im)});
    const double ulp = std::nextafter(largest, std::numeric_limits<double>::infinity()) - largest;
    const double dx = std::fabs((r.lowerRight.re - r.upperLeft.re) / params.width);
    const double dy = std::fabs((r.lowerRight.im - r.upperLeft.im) / params.height);
    const double margin = 1024.0 * ulp;
    return dx >= margin && dy >= margin && NeighboursDistinct(params);
}

PictureParams RecordedParams(const PictureParams& params) {
    PictureParams recorded = params;
    if (ChooseArithmetic(params) != Arithmetic::Perturbation) recorded.exact = nullptr;
    return recorded;
}

Arithmetic ChooseArithmetic(const PictureParams& params, std::string* why) {
    const ExactRegion* region = ExactRegionOf(params);
    if (!region || DoublesSuffice(params)) return Arithmetic::Doubles;
    int spacing = 0, bits = 0;
    Spacing(*region, params.width, params.height, &spacing, &bits);
    // Corners of no distance are one point, which doubles hold as well as
    // anything; a centre's width above 0 that comes out as 0 is too small.
    if (bits == 0 && region->kind == ExactRegion::Kind::Corners) return Arithmetic::Doubles;
    const char* reason = nullptr;
    if (params.exponent != 2.0)
        reason = "past the precision of doubles, pictures are computed for the exponent 2 only";
    else if (std::fabs(params.noise) != 0.0)
        reason = "noise is drawn in pixel widths of doubles, which cannot tell this picture's pixels apart";
    else if (bits == 0 || bits > static_cast<int>(kMostBits) || spacing + kScaleAbovePixel < kSmallestScale)
        reason = "its pixels lie closer together than the deepest arithmetic the program has can tell apart";
    if (!reason) return Arithmetic::Perturbation;
    // Pictures whose pixels doubles still tell apart are made as they always were.
    if (NeighboursDistinct(params)) return Arithmetic::Doubles;
    if (why) *why = reason;
    return Arithmetic::Beyond;
}

bool PixelsDistinguishable(const PictureParams& params) {
    switch (ChooseArithmetic(params)) {
        case Arithmetic::Perturbation:
            return true;
        case Arithmetic::Beyond:
            return false;
        case Arithmetic::Doubles:
            break;
    }
    return NeighboursDistinct(params);
}

PictureParams ZoomedPicture(const PictureParams& next, const SearchRect& region, const ExactRegion& exact) {
    PictureParams zoomed = next;
    zoomed.rect = region;
    zoomed.exact = nullptr;
    if (DoublesSuffice(zoomed)) return zoomed;
    PictureParams deep = zoomed;
    SetExactRegion(&deep, exact);
    return ChooseArithmetic(deep) == Arithmetic::Perturbation ? deep : zoomed;
}

PictureParams TypedCornersPicture(const PictureParams& next, const ExactRegion& shown, const ExactRegion& typed) {
    if (typed.a == shown.a && typed.b == shown.b && typed.c == shown.c && typed.d == shown.d) return next;
    if (HeldByDouble(typed.a) && HeldByDouble(typed.b) && HeldByDouble(typed.c) && HeldByDouble(typed.d))
        return ZoomedPicture(next, RoundedCorners(typed, next.width, next.height), typed);
    // Digits past a double's are kept, however the picture is computed.
    PictureParams exact = next;
    SetExactRegion(&exact, typed);
    return exact;
}

std::string WhyBeyond(const PictureParams& next, const ExactRegion& region) {
    PictureParams exact = next;
    SetExactRegion(&exact, region);
    std::string why;
    return ChooseArithmetic(exact, &why) == Arithmetic::Beyond ? why : std::string();
}

std::string LimitHint(const PictureParams& params, const std::int32_t* counts) {
    if (ChooseArithmetic(params) != Arithmetic::Perturbation) return {};
    const std::int64_t pixels = static_cast<std::int64_t>(params.width) * params.height;
    const std::int64_t reached = std::count(counts, counts + pixels, params.iterations);
    if (2 * reached <= pixels) return {};
    return std::to_string(reached * 100 / pixels) +
           " % of the picture reached the iteration limit; raise it to see more";
}

bool PlanDeep(const PictureParams& params, DeepPlan* plan) {
    if (ChooseArithmetic(params) != Arithmetic::Perturbation || params.iterations < 1) return false;
    const ExactRegion& region = *ExactRegionOf(params);
    int spacing = 0, bits = 0;
    Spacing(region, params.width, params.height, &spacing, &bits);
    if (bits <= static_cast<int>(kTiers[0]))
        Plan<kTiers[0]>(params, region, spacing, plan);
    else if (bits <= static_cast<int>(kTiers[1]))
        Plan<kTiers[1]>(params, region, spacing, plan);
    else
        Plan<kTiers[2]>(params, region, spacing, plan);
    const auto started = std::chrono::steady_clock::now();
    MakeSkips(plan);
    plan->skipSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    return true;
}

bool RunDeep(const DeepPlan& plan, std::int32_t* counts, const GeneratorControl& control) {
    const std::vector<int> rows = RowOrder(plan.height);
    const DeepRun run = RunOf(plan, rows.data(), counts);
    const DeepKernel kernel = KernelFor(control.simd);
    const double work = static_cast<double>(plan.width) * plan.height * plan.limit * 4.0;
    return RunRows(plan.width, plan.height, work, control, [&](PixelSource& source) { kernel(run, source); });
}

void RunDeepReference(const DeepPlan& plan, std::int32_t* counts) {
    const DeepRun run = RunOf(plan, nullptr, counts);
    for (int r = 0; r < plan.height; ++r)
        for (int c = 0; c < plan.width; ++c)
            counts[static_cast<std::ptrdiff_t>(r) * plan.width + c] = PerturbedCount(run, plan.dcRe[c], plan.dcIm[r]);
}

std::int64_t SkippedSteps(const DeepPlan& plan) {
    const DeepRun run = RunOf(plan, nullptr, nullptr);
    std::int64_t steps = 0;
    for (int r = 0; r < plan.height; ++r)
        for (int c = 0; c < plan.width; ++c) steps += SkipFromStart(run, plan.dcRe[c], plan.dcIm[r]).count;
    return steps;
}

bool GeneratePictureCounts(const PictureParams& params, std::int32_t* counts, const GeneratorControl& control) {
    DeepPlan plan;
    if (PlanDeep(params, &plan)) return RunDeep(plan, counts, control);
    return GenerateCounts(params, counts, control);
}
