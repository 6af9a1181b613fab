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

template <class Big>
bool Escaped(const Big& re, const Big& im) {
    return re * re + im * im >= 4;
}

// Z(0) = 0, Z(n + 1) = Z(n)^2 + C, up to the first escaped point or to
// Z(N + 1): no pixel's index passes N + 1. Answers the last index.
template <class Big>
int Orbit(const Big& cr, const Big& ci, int limit, std::vector<Big>* re, std::vector<Big>* im) {
    re->assign(1, Big(0));
    im->assign(1, Big(0));
    Big zr = 0, zi = 0;
    int n = 0;
    while (n < limit + kFirstIndex) {
        const Big a = zr * zr;
        const Big b = zi * zi;
        const Big t = zr * zi;
        zr = (a - b) + cr;
        zi = (t + t) + ci;
        ++n;
        re->push_back(zr);
        im->push_back(zi);
        if (Escaped(zr, zi)) break;
    }
    return n;
}

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
    std::vector<Big> re, im, bestRe, bestIm;
    int best = -1;
    for (const auto& [column, row] : candidates) {
        if (best >= limit + kFirstIndex) break;
        const int end = Orbit(grid.originRe + grid.stepRe * column, grid.originIm + grid.stepIm * row, limit, &re, &im);
        if (end > best) {
            best = end;
            bestRe.swap(re);
            bestIm.swap(im);
            plan->refColumn = column;
            plan->refRow = row;
        }
    }

    const int scaleExponent = spacing < kScaledBelow ? spacing + kScaleAbovePixel : 0;
    plan->scale = std::ldexp(1.0, scaleExponent);
    plan->refEnd = best;
    plan->reference.resize(4 * bestRe.size());
    for (std::size_t n = 0; n < bestRe.size(); ++n) {
        double* z = &plan->reference[4 * n];
        z[0] = static_cast<double>(bestRe[n]);
        z[1] = static_cast<double>(bestIm[n]);
        z[2] = static_cast<double>(ldexp(bestRe[n], -scaleExponent));
        z[3] = static_cast<double>(ldexp(bestIm[n], -scaleExponent));
    }
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

// One pixel's count, step by step: the definition the vector loops follow
// operation for operation, lane by lane.
inline int PerturbedCount(const DeepRun& run, double dcr, double dci) {
    const double* ref = run.reference;
    const double s = run.scale;
    double wr = dcr, wi = dci;
    int n = kFirstIndex;
    int count = 0;
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

bool GeneratePictureCounts(const PictureParams& params, std::int32_t* counts, const GeneratorControl& control) {
    DeepPlan plan;
    if (PlanDeep(params, &plan)) return RunDeep(plan, counts, control);
    return GenerateCounts(params, counts, control);
}
