// tindral-bench: times the fast generator on the scenes it is tuned for
// against a plain scalar loop written here, apart from the generator, and
// against the generator's own scalar reference, with escape-time iterations
// per second, the ratio to the plain loop, and the share of the vector
// loop's ceiling (its steps alone, measured in the same run) that each
// instruction set reaches on one thread and on all. Every fast run's counts
// are checked against the reference's, so a speed-up can never come from a
// wrong picture.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <limits>
#include <memory>
#include <mutex>
#include <numeric>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "core/engine/computation.h"
#include "core/engine/deep.h"
#include "core/engine/fixedpoint.h"
#include "core/engine/generator.h"
#include "core/engine/generator_kernels.h"
#include "core/engine/picture.h"
#include "core/engine/region.h"
#include "core/palettes/palette.h"
#include "core/palettes/schemes.h"

#include <mpfr.h>

namespace {

struct Scene {
    const char* name;
    GeneratorInput input;
    double asked = 0.0;  // the speed asked for, whole picture against the plain loop
};

GeneratorInput Make(int w, int h, SearchRect rect, int n, double p, double noise) {
    GeneratorInput in;
    in.width = w;
    in.height = h;
    in.rect = rect;
    in.iterations = n;
    in.exponent = p;
    in.noise = noise;
    in.seed = 1234567890u;
    return in;
}

// A rectangle `width` wide around re + i im, 4:3 like the pictures.
constexpr SearchRect Around(double re, double im, double width) {
    return {{re - width / 2, im + width * 0.375}, {re + width / 2, im - width * 0.375}};
}

// The boundary zoom, in the seahorse valley.
constexpr SearchRect kZoom = Around(-0.7436447860, 0.1318252536, 1e-4);
// Mostly interior: the main cardioid and the period-2 disc.
constexpr SearchRect kCardioid{{-1.3, 0.7}, {0.4, -0.7}};
// A small copy of the set, 4e-4 wide, whose interior converges slowly.
constexpr SearchRect kCopy = Around(-1.7687788, 0.0017389, 4e-4);
// Two filaments of the boundary where nearly every pixel escapes after more
// than a thousand steps: the channel through the neck between the main
// cardioid and the period-2 disc, 0.002 above the point where they touch
// (counts of 1,567 and more; 2 % of the pixels, on bulbs at its rim, stay),
// and the one through the neck between the period-2 disc and its period-4
// bulb, 0.0015 above theirs (counts of 1,041 and more; under 1 % stay).
constexpr SearchRect kSeahorseNeck = Around(-0.7500035, 0.002, 5e-6);
constexpr SearchRect kPeriod4Neck = Around(-1.250007, 0.0015, 1e-5);

// Best of as many runs as fit in `budget` seconds, at least one: other work
// on the machine only ever makes a run slower.
double Seconds(const std::function<void()>& run, double budget) {
    using Clock = std::chrono::steady_clock;
    double best = 1e300;
    const auto start = Clock::now();
    do {
        const auto t0 = Clock::now();
        run();
        best = std::min(best, std::chrono::duration<double>(Clock::now() - t0).count());
    } while (std::chrono::duration<double>(Clock::now() - start).count() < budget);
    return best;
}

// The loop a plain renderer would write, one pixel after another, with the
// same operations in the same order as the pictures' definition: nothing
// of the generator but its noise draws.
int PlainQuadratic(double zr, double zi, double cr, double ci, int n) {
    int k = 0;
    while (k < n) {
        const double a = zi * zi;
        const double b = zr * zr;
        if (b + a >= 4.0) break;
        const double t = zr * zi;
        zr = (cr - a) + b;
        zi = t * 2.0 + ci;
        ++k;
    }
    return k;
}

// Its polar loop takes the C library's functions, whose last bits may differ
// from the generator's: its counts may differ in a few pixels.
int PlainPolar(double zr, double zi, double cr, double ci, double p, int n) {
    int k = 0;
    while (k < n) {
        const double m = zr * zr + zi * zi;
        if (m >= 4.0) break;
        ++k;
        const double r = std::pow(std::sqrt(m), p);
        const double phi = std::atan2(zi, zr) * p;
        zr = r * std::cos(phi) + cr;
        zi = r * std::sin(phi) + ci;
    }
    return k;
}

void PlainCounts(const GeneratorInput& in, std::int32_t* counts) {
    const double dx = (in.rect.lowerRight.re - in.rect.upperLeft.re) / in.width;
    const double dy = (in.rect.lowerRight.im - in.rect.upperLeft.im) / in.height;
    const bool noisy = std::fabs(in.noise) != 0.0;
    CGaussNoise noise;
    noise.SeedWith(in.seed);
    double ci = in.rect.lowerRight.im;
    for (int r = 0; r < in.height; ++r, ci = ci - dy) {
        double cr = in.rect.upperLeft.re;
        for (int c = 0; c < in.width; ++c, cr = cr + dx) {
            double zr = cr, zi = ci;
            if (noisy) {
                noise.Draw(in.noise * dx);
                zr = noise.m_dRe + cr;
                zi = noise.m_dIm + ci;
            }
            *counts++ = in.exponent == 2.0 ? PlainQuadratic(zr, zi, cr, ci, in.iterations)
                                           : PlainPolar(zr, zi, cr, ci, in.exponent, in.iterations);
        }
    }
}

KernelCeiling CeilingFor(SimdLevel level) {
    switch (level) {
        case SimdLevel::Avx512:
            return GenerateAvx512Ceiling;
        case SimdLevel::Avx2:
            return GenerateAvx2Ceiling;
        default:
            return GenerateSse2Ceiling;
    }
}

// The quadratic loop's steps alone, on `threads` threads at once: what the
// generator could reach if it never looked at a lane. Timed by the caller;
// answers the steps taken.
double CeilingSteps(SimdLevel level, int threads) {
    const KernelCeiling ceiling = CeilingFor(level);
    constexpr std::int64_t kChunks = 1 << 17;
    std::vector<std::int64_t> steps(static_cast<std::size_t>(threads));
    std::vector<std::thread> workers;
    for (int t = 1; t < threads; ++t) workers.emplace_back([&, t] { steps[t] = ceiling(kChunks); });
    steps[0] = ceiling(kChunks);
    for (auto& w : workers) w.join();
    return static_cast<double>(std::accumulate(steps.begin(), steps.end(), std::int64_t{0}));
}

// The best times of two runs taken in turn for `budget` seconds, so that
// both meet the same load on a busy machine and their ratio holds.
std::pair<double, double> SecondsInTurn(const std::function<void()>& first, const std::function<void()>& second,
                                        double budget) {
    using Clock = std::chrono::steady_clock;
    double best[2] = {1e300, 1e300};
    const auto start = Clock::now();
    do {
        for (int i = 0; i < 2; ++i) {
            const auto t0 = Clock::now();
            (i == 0 ? first : second)();
            best[i] = std::min(best[i], std::chrono::duration<double>(Clock::now() - t0).count());
        }
    } while (std::chrono::duration<double>(Clock::now() - start).count() < budget);
    return {best[0], best[1]};
}

void Row(const std::string& what, double seconds, double iterations, double plain) {
    std::printf("  %-30s %9.4f s %7.3f G it/s", what.c_str(), seconds, iterations / seconds / 1e9);
    if (plain > 0.0) std::printf("  x%6.2f", plain / seconds);
}

std::vector<SimdLevel> LevelsHere() {
    std::vector<SimdLevel> levels;
    for (SimdLevel level : {SimdLevel::Avx512, SimdLevel::Avx2, SimdLevel::Sse2})
        if (EffectiveSimdLevel(level) == level) levels.push_back(level);
    return levels;
}

// A preperiodic point with spirals around it at every scale (preperiod 23,
// period 2): about 95 more iterations for every tenfold zoom.
const char kSpiralRe[] =
    "-0.7766105925997018565640395025529947493281703214398660009692436578520468609045987087869614280320504"
    "1429132937443851811918717130866762136492225227431666272190995610219238424714196137617366225134965094"
    "9064716330864678100744709875665644526498323734811476958784936342959536043069825798763798956745898652"
    "061139289462990034938481916336836";
const char kSpiralIm[] =
    "0.13460896167502816605673727023305780954118749622040361733997923275543996926182434686374673753720867"
    "5713465421561764115586677164888004486599892317661076541247166595725454765643716629465032215313826301"
    "4932943834549306648786205329836392513593309204091729193444399806460589188944478163945916072585799737"
    "46314210972624099689251945108577";

// The loop itself in MPFR at c, the slow way every deep count could be had.
int MpfrCount(mpfr_t cr, mpfr_t ci, int limit, mpfr_prec_t bits) {
    mpfr_t zr, zi, a, b, t;
    for (mpfr_ptr x : {zr, zi, a, b, t}) mpfr_init2(x, bits);
    mpfr_set(zr, cr, MPFR_RNDN);
    mpfr_set(zi, ci, MPFR_RNDN);
    int count = 0;
    for (;;) {
        mpfr_sqr(a, zi, MPFR_RNDN);
        mpfr_sqr(b, zr, MPFR_RNDN);
        mpfr_add(t, a, b, MPFR_RNDN);
        if (mpfr_cmp_ui(t, 4) >= 0) break;
        mpfr_mul(zi, zr, zi, MPFR_RNDN);
        mpfr_mul_2ui(zi, zi, 1, MPFR_RNDN);
        mpfr_add(zi, zi, ci, MPFR_RNDN);
        mpfr_sub(zr, b, a, MPFR_RNDN);
        mpfr_add(zr, zr, cr, MPFR_RNDN);
        if (++count >= limit) break;
    }
    for (mpfr_ptr x : {zr, zi, a, b, t}) mpfr_clear(x);
    return count;
}

// Seconds an MPFR iteration takes at this precision, from a few pixels of
// the picture near its centre.
double MpfrSecondsPerIteration(const char* re, const char* im, const char* width, int limit, mpfr_prec_t bits) {
    mpfr_t cr, ci, d;
    for (mpfr_ptr x : {cr, ci, d}) mpfr_init2(x, bits);
    std::int64_t iterations = 0;
    const auto t0 = std::chrono::steady_clock::now();
    for (int k = 0; k < 16; ++k) {
        mpfr_set_str(d, width, 10, MPFR_RNDN);
        mpfr_mul_d(d, d, 0.01 * (k - 8), MPFR_RNDN);
        mpfr_set_str(cr, re, 10, MPFR_RNDN);
        mpfr_add(cr, cr, d, MPFR_RNDN);
        mpfr_set_str(ci, im, 10, MPFR_RNDN);
        mpfr_sub(ci, ci, d, MPFR_RNDN);
        iterations += MpfrCount(cr, ci, limit, bits);
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    for (mpfr_ptr x : {cr, ci, d}) mpfr_clear(x);
    return seconds / static_cast<double>(std::max<std::int64_t>(iterations, 1));
}

// The loop in MPFR at pixel (col, row) of a picture `width` wide around
// re + i im, rows counted from the bottom.
int MpfrPixel(const char* re, const char* im, const char* width, int w, int h, int col, int row, int limit,
              mpfr_prec_t bits) {
    mpfr_t cr, ci, d;
    for (mpfr_ptr x : {cr, ci, d}) mpfr_init2(x, bits);
    mpfr_set_str(d, width, 10, MPFR_RNDN);
    mpfr_div_si(d, d, w, MPFR_RNDN);
    mpfr_mul_si(cr, d, 2 * col - w, MPFR_RNDN);
    mpfr_div_2ui(cr, cr, 1, MPFR_RNDN);
    mpfr_mul_si(ci, d, 2 * row - h, MPFR_RNDN);
    mpfr_div_2ui(ci, ci, 1, MPFR_RNDN);
    mpfr_set_str(d, re, 10, MPFR_RNDN);
    mpfr_add(cr, cr, d, MPFR_RNDN);
    mpfr_set_str(d, im, 10, MPFR_RNDN);
    mpfr_add(ci, ci, d, MPFR_RNDN);
    const int count = MpfrCount(cr, ci, limit, bits);
    for (mpfr_ptr x : {cr, ci, d}) mpfr_clear(x);
    return count;
}

// Deep pictures against the double kernel on pictures of the same size and
// limit, by effective speed: the sum of the exact counts over the wall time
// of the whole process (reference orbit, skips and pixels). On the full view
// most pixels are proven interior and stop early, which inflates its
// figure; on the boundary zoom, where no pixel reaches N, every count is
// steps really taken, as in the ceiling of the steps alone.
bool DeepScenes(int threads) {
    GeneratorControl control;
    control.threads = threads;
    std::vector<std::int32_t> counts(640 * 480), unskipped(counts.size());
    const auto sum = [](const std::vector<std::int32_t>& v) {
        return static_cast<double>(std::accumulate(v.begin(), v.end(), std::int64_t{0}));
    };
    std::printf("deep pictures, 640 x 480, N = 20000 (effective speed = sum of the counts / wall time)\n");
    double speeds[2] = {};
    const GeneratorInput doubles[] = {Make(640, 480, kDefaultSearchRect, 20000, 2.0, 0.0),
                                      Make(640, 480, kZoom, 20000, 2.0, 0.0)};
    const char* names[] = {"double kernel, full view", "double kernel, boundary zoom"};
    for (int k = 0; k < 2; ++k) {
        const double seconds = Seconds([&] { GenerateCounts(doubles[k], counts.data(), control); }, 1.5);
        const double iterations = sum(counts);
        Row(names[k], seconds, iterations, 0.0);
        std::printf("  %.0f %% of the pixels at N\n",
                    100.0 * static_cast<double>(std::count(counts.begin(), counts.end(), 20000)) / 307200.0);
        speeds[k] = iterations / seconds;
    }
    const SimdLevel widest = EffectiveSimdLevel(SimdLevel::Avx512);
    double steps = 0.0;
    const double ceiling = Seconds([&] { steps = CeilingSteps(widest, GeneratorThreadCount(threads)); }, 1.0);
    std::printf("  %-30s %9s   %7.3f G it/s\n", "double kernel, steps alone", "", steps / ceiling / 1e9);
    for (const char* width : {"1e-100", "1e-300"}) {
        PictureParams p = Make(640, 480, kDefaultSearchRect, 20000, 2.0, 0.0);
        SetExactRegion(&p, ExactRegion{ExactRegion::Kind::Centre, kSpiralRe, kSpiralIm, width, {}});
        DeepPlan plan;
        if (!PlanDeep(p, &plan)) return false;
        const double seconds = Seconds([&] { GeneratePictureCounts(p, counts.data(), control); }, 0.0);
        const double without = Seconds(
            [&] {
                DeepPlan bare;
                PlanDeep(p, &bare);
                bare.skips.clear();
                RunDeep(bare, unskipped.data(), control);
            },
            0.0);
        const double iterations = sum(counts);
        const double skipped = static_cast<double>(SkippedSteps(plan));
        const auto reached = std::count(counts.begin(), counts.end(), p.iterations);
        const double mpfr = MpfrSecondsPerIteration(kSpiralRe, kSpiralIm, width, p.iterations, plan.bits) * iterations;
        // Where skipping changed a count, the loop without it should be off
        // the exact count as well: its own rounding decided there.
        std::size_t changed = 0, exactBefore = 0, exactAfter = 0;
        for (std::size_t i = 0; i < counts.size(); ++i) {
            if (counts[i] == unskipped[i]) continue;
            ++changed;
            const int exact = MpfrPixel(kSpiralRe, kSpiralIm, width, 640, 480, static_cast<int>(i % 640),
                                        static_cast<int>(i / 640), p.iterations, plan.bits);
            exactBefore += unskipped[i] == exact;
            exactAfter += counts[i] == exact;
        }
        std::printf("  spiral, width %s (%.3g iterations, %.0f %% of the pixels at N, a reference orbit of %d bits)\n",
                    width, iterations, 100.0 * static_cast<double>(reached) / static_cast<double>(counts.size()),
                    plan.bits);
        for (int skipping : {1, 0}) {
            const double t = skipping ? seconds : without;
            Row(skipping ? "perturbation, skipping" : "perturbation, no skipping", t, iterations, 0.0);
            std::printf("  x%.3f the full view's, x%.2f the boundary zoom's; MPFR per pixel x%.0f\n",
                        iterations / t / speeds[0], iterations / t / speeds[1], mpfr / t);
        }
        std::printf("  %-30s %9.4f s   %.1f %% of the time with skipping, %.1f %% without\n",
                    "of it the reference orbit", plan.referenceSeconds, 100.0 * plan.referenceSeconds / seconds,
                    100.0 * plan.referenceSeconds / without);
        std::printf("  %-30s %9.4f s   %.1f %% of the steps skipped; the steps taken at %.3f G it/s\n",
                    "making the skips", plan.skipSeconds, 100.0 * skipped / iterations,
                    (iterations - skipped) / (seconds - plan.referenceSeconds - plan.skipSeconds) / 1e9);
        std::printf("  %-30s %9.1f s   (from 16 pixels)\n", "MPFR loop per pixel", mpfr);
        std::printf(
            "  skipping changed %zu pixels' counts; the exact count was the one without skipping at %zu of "
            "them, the one with skipping at %zu\n",
            changed, exactBefore, exactAfter);
    }
    // The reference orbit alone, on one thread, for a point that never
    // escapes (inside the period-2 disc), in each tier of digits.
    const auto orbit = [](auto big) {
        using Big = decltype(big);
        constexpr int kLimbs = std::numeric_limits<Big>::digits / 64 + 1;
        const Fixed<kLimbs> cr = ToFixed<kLimbs>(Big("-1.1")), ci = ToFixed<kLimbs>(Big("0.1"));
        std::vector<double> z;
        const double seconds = Seconds(
            [&] {
                z.clear();
                FixedOrbit(cr, ci, 20000, [&](const Fixed<kLimbs>& re, const Fixed<kLimbs>& im) {
                    z.push_back(ToDouble(re));
                    z.push_back(ToDouble(im));
                });
            },
            0.3);
        std::printf("  reference orbit of %4d bits, 1 thread: %.3f us a step\n", std::numeric_limits<Big>::digits,
                    seconds / 20000 * 1e6);
    };
    orbit(BigFloat<192>());
    orbit(BigFloat<448>());
    orbit(BigFloat<1088>());
    std::printf("\n");
    return true;
}

// The program's road for one picture: its counts computed by a CComputation
// that tells of its news (here only counted), then colours, pixels and a
// bitmap, as the set document makes them on its own thread.
bool ComputeBeside(const std::vector<GeneratorInput>& pictures, int threads, std::vector<SetPicture>* made) {
    std::mutex mutex;
    std::condition_variable told;
    std::vector<std::shared_ptr<CComputation>> jobs;
    made->clear();
    made->resize(pictures.size());
    for (std::size_t i = 0; i < pictures.size(); ++i) {
        if (AllocatePicture(pictures[i].width, pictures[i].height, &(*made)[i]) != PictureResult::Made) return false;
        jobs.push_back(CComputation::Start(pictures[i], std::move((*made)[i].counts), threads, [&] {
            std::lock_guard<std::mutex> lock(mutex);
            told.notify_all();
        }));
    }
    const ColorList fire = MakeScheme(Scheme::Fire);
    const PaletteEntries palette = EntriesFromColors(fire.data(), kSchemeEntries);
    for (std::size_t i = 0; i < jobs.size(); ++i) {
        {
            std::unique_lock<std::mutex> lock(mutex);
            told.wait(lock, [&] { return jobs[i]->GetState() != CComputation::State::Running; });
        }
        SetPicture& picture = (*made)[i];
        picture.counts = jobs[i]->TakeCounts();
        if (!picture.counts) return false;
        const GeneratorInput& in = pictures[i];
        ColorPicture(CColorMap::Assign(in.iterations, in.width * in.height, picture.counts.get()), &picture);
        if (!PaintPicture(palette, &picture)) return false;
    }
    return true;
}

// What computing pictures beside the program costs against making them
// directly as tindral-render does, and two pictures at once against one
// after the other. Answers whether every picture came out the same.
bool BesideTheProgram(int threads) {
    // Seconds of work each: the small copy's slow interior, and p = 3.
    const GeneratorInput big = Make(1600, 1200, kCopy, 50000, 2.0, 0.0);
    const GeneratorInput other = Make(1600, 1200, {{-1.6, 1.2}, {1.6, -1.2}}, 5000, 3.0, 0.0);
    const ColorList fire = MakeScheme(Scheme::Fire);
    const PaletteEntries palette = EntriesFromColors(fire.data(), kSchemeEntries);
    std::printf("beside the program: the small copy 1600 x 1200, N = 50000, and p = 3, 1600 x 1200, N = 5000\n");
    SetPicture direct;
    GeneratorControl control;
    control.threads = threads;
    const double cli = Seconds([&] { MakePicture(big, {}, palette, control, &direct); }, 8.0);
    std::vector<SetPicture> beside;
    bool same = true;
    const double one = Seconds([&] { same = ComputeBeside({big}, threads, &beside) && same; }, 8.0);
    same = same && std::memcmp(beside[0].pixels.get(), direct.pixels.get(), RowStride(1600) * 1200) == 0;
    const double two = Seconds([&] { same = ComputeBeside({other}, threads, &beside) && same; }, 4.0);
    const double both = Seconds([&] { same = ComputeBeside({big, other}, threads, &beside) && same; }, 8.0);
    std::printf("  %-44s %8.3f s\n", "the copy as tindral-render makes it", cli);
    std::printf("  %-44s %8.3f s   %+.1f %%\n", "the copy computed beside the program", one, (one / cli - 1) * 100);
    std::printf("  %-44s %8.3f s\n", "the copy, then p = 3, beside the program", one + two);
    std::printf("  %-44s %8.3f s   %+.1f %%\n\n", "both at once", both, (both / (one + two) - 1) * 100);
    if (!same) std::printf("  PICTURES DIFFER\n");
    return same;
}

}  // namespace

int main(int argc, char** argv) {
    int threads = 0;
    const char* only = "";  // --scene=TEXT runs the scenes whose name holds TEXT
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--threads=", 10) == 0) threads = std::atoi(argv[i] + 10);
        if (std::strncmp(argv[i], "--scene=", 8) == 0) only = argv[i] + 8;
    }
    const int all = GeneratorThreadCount(threads);

    const Scene scenes[] = {
        {"seahorse-neck filament 1600 x 1200, N = 5000", Make(1600, 1200, kSeahorseNeck, 5000, 2.0, 0.0), 25.0},
        {"seahorse-neck filament 1600 x 1200, N = 5000, noise 1", Make(1600, 1200, kSeahorseNeck, 5000, 2.0, 1.0)},
        {"period-4-neck filament 1600 x 1200, N = 5000", Make(1600, 1200, kPeriod4Neck, 5000, 2.0, 0.0), 25.0},
        {"full view 1920 x 1440, N = 1000", Make(1920, 1440, kDefaultSearchRect, 1000, 2.0, 0.0), 40.0},
        {"full view 1920 x 1440, N = 1000, noise 1", Make(1920, 1440, kDefaultSearchRect, 1000, 2.0, 1.0)},
        {"cardioid and period-2 disc 800 x 600, N = 10000", Make(800, 600, kCardioid, 10000, 2.0, 0.0)},
        {"small copy 800 x 600, N = 20000, width 4e-4", Make(800, 600, kCopy, 20000, 2.0, 0.0), 22.0},
        {"boundary zoom 1920 x 1440, N = 5000, width 1e-4", Make(1920, 1440, kZoom, 5000, 2.0, 0.0), 15.0},
        {"p = 3, 800 x 600, N = 2000", Make(800, 600, {{-1.6, 1.2}, {1.6, -1.2}}, 2000, 3.0, 0.0), 35.0},
        {"p = 3, 800 x 600, N = 200", Make(800, 600, {{-1.5, 1.125}, {1.5, -1.125}}, 200, 3.0, 0.0)},
        {"default picture 133 x 100, noise 1", Make(133, 100, kDefaultSearchRect, 50, 2.0, 1.0)},
        {"default picture 133 x 100", Make(133, 100, kDefaultSearchRect, 50, 2.0, 0.0)},
    };

    const std::vector<SimdLevel> levels = LevelsHere();
    std::printf("tindral-bench: widest instruction set %s, all = %d thread(s)\n", SimdLevelName(levels.front()), all);
    std::printf(
        "iterations = escape-time steps z <- z^p + c, the sum of all counts; x = plain loop's time / time;\n"
        "%% = share of the ceiling, the quadratic loop's steps alone on as many threads\n\n");

    std::printf("ceiling, the quadratic loop's steps alone (every lane in flight, none ever done)\n");
    for (SimdLevel level : levels)
        for (int t : {1, all}) {
            double steps = 0.0;
            const double seconds = Seconds([&] { steps = CeilingSteps(level, t); }, 1.0);
            std::printf("  %-8s %d thread(s) %7.3f G it/s\n", SimdLevelName(level), t, steps / seconds / 1e9);
            if (all == 1) break;
        }
    std::printf("  (measured again in turn with every run of the quadratic loop below, for its %%)\n\n");

    const ColorList colors = MakeScheme(Scheme::Fire);
    const PaletteEntries palette = EntriesFromColors(colors.data(), kSchemeEntries);
    bool allSame = true;
    for (const Scene& scene : scenes) {
        if (!std::strstr(scene.name, only)) continue;
        const GeneratorInput& in = scene.input;
        const std::size_t pixels = static_cast<std::size_t>(in.width) * in.height;
        std::vector<std::int32_t> want(pixels), got(pixels);
        const double plain = Seconds([&] { PlainCounts(in, got.data()); }, 0.5);
        const double reference = Seconds([&] { GenerateCountsReference(in, want.data()); }, 0.5);
        const double iterations = static_cast<double>(std::accumulate(want.begin(), want.end(), std::int64_t{0}));
        const bool quadratic = in.exponent == 2.0;
        std::printf("%s (%.3g iterations)\n", scene.name, iterations);
        const std::size_t plainDiffer =
            pixels - static_cast<std::size_t>(std::inner_product(want.begin(), want.end(), got.begin(), std::size_t{0},
                                                                 std::plus<>(), std::equal_to<>()));
        Row("plain scalar loop, 1 thread", plain, iterations, 0.0);
        if (plainDiffer == 0)
            std::printf("  counts identical\n");
        else
            std::printf("  %zu counts differ (%s)\n", plainDiffer,
                        quadratic ? "WRONG" : "the C library's transcendental functions");
        allSame = allSame && (plainDiffer == 0 || !quadratic);
        Row("scalar reference, 1 thread", reference, iterations, plain);
        std::printf("\n");

        // The whole road to a bitmap, as the program and the renderer take it.
        SetPicture picture;
        bool made = true;
        const double whole = Seconds(
            [&] {
                made = MakePicture(in, ColorPolicy{}, palette, GeneratorControl{}, &picture) == PictureResult::Made;
            },
            1.5);
        const bool wholeSame = made && std::equal(want.begin(), want.end(), picture.counts.get());
        allSame = allSame && wholeSame;
        Row("whole picture, automatic", whole, iterations, plain);
        if (scene.asked > 0.0) std::printf(" (asked x%.0f)", scene.asked);
        std::printf("  %s\n", wholeSame ? "counts identical" : "COUNTS DIFFER");
        if (in.noise != 0.0) {
            // Both pictures in turn, so that they meet the same load.
            GeneratorInput quiet = in;
            quiet.noise = 0.0;
            SetPicture other;
            const auto [noisy, without] =
                SecondsInTurn([&] { MakePicture(in, ColorPolicy{}, palette, GeneratorControl{}, &picture); },
                              [&] { MakePicture(quiet, ColorPolicy{}, palette, GeneratorControl{}, &other); }, 1.5);
            std::printf("  noise costs x%.2f the time of the same picture without it (%.4f s against %.4f s)\n",
                        noisy / without, noisy, without);
        }

        for (SimdLevel level : levels)
            for (int t : {all, 1}) {
                GeneratorControl control;
                control.simd = level;
                control.threads = t;
                std::fill(got.begin(), got.end(), -1);
                double steps = 0.0;
                const auto [fast, ceiling] =
                    SecondsInTurn([&] { GenerateCounts(in, got.data(), control); },
                                  [&] { steps = quadratic ? CeilingSteps(level, t) : 0.0; }, 1.5);
                const bool same = got == want;
                allSame = allSame && same;
                Row(std::string(SimdLevelName(level)) + ", " + std::to_string(t) + " thread(s)", fast, iterations,
                    plain);
                if (quadratic)
                    std::printf("  %5.1f %% of %.3f", 100.0 * iterations / fast / (steps / ceiling),
                                steps / ceiling / 1e9);
                std::printf("  %s\n", same ? "counts identical" : "COUNTS DIFFER");
                if (all == 1) break;
            }
        std::printf("\n");
    }
    if (std::strstr("deep pictures", only) && !DeepScenes(threads)) return 1;
    if (std::strstr("beside the program", only)) allSame = BesideTheProgram(threads) && allSame;
    return allSame ? 0 : 1;
}
