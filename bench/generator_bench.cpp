// tindral-bench: times the scalar reference against the fast generator on the
// scenes it is tuned for and prints both, with escape-time iterations per
// second and the ratio, in one run. Every fast run's counts are checked
// against the reference's, so a speed-up can never come from a wrong picture.
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <mutex>
#include <numeric>
#include <string>
#include <vector>

#include "core/engine/computation.h"
#include "core/engine/deep.h"
#include "core/engine/generator.h"
#include "core/engine/picture.h"
#include "core/engine/region.h"
#include "core/palettes/schemes.h"

#include <mpfr.h>

namespace {

struct Scene {
    const char* name;
    GeneratorInput input;
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

// The zoom: a rectangle 1e-4 wide around the point, 4:3 like the picture.
constexpr double kZoomRe = -0.7436447860;
constexpr double kZoomIm = 0.1318252536;
constexpr SearchRect kZoom{{kZoomRe - 0.5e-4, kZoomIm + 0.375e-4}, {kZoomRe + 0.5e-4, kZoomIm - 0.375e-4}};
// Mostly interior: the main cardioid and the period-2 disc.
constexpr SearchRect kCardioid{{-1.3, 0.7}, {0.4, -0.7}};
// A small copy of the set, 4e-4 wide, whose interior converges slowly.
constexpr double kCopyRe = -1.7687788;
constexpr double kCopyIm = 0.0017389;
constexpr SearchRect kCopy{{kCopyRe - 2e-4, kCopyIm + 1.5e-4}, {kCopyRe + 2e-4, kCopyIm - 1.5e-4}};

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

void Row(const char* what, double seconds, double iterations, double reference, const char* check) {
    std::printf("  %-28s %10.4f s %9.3f G it/s", what, seconds, iterations / seconds / 1e9);
    if (reference > 0.0)
        std::printf("   x%6.2f  %s\n", reference / seconds, check);
    else
        std::printf("\n");
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

// Deep pictures against the double kernel on pictures of the same size and
// limit, by effective speed: the sum of the exact counts over the wall time.
// On the full view most pixels are proven interior and stop early; the
// boundary zoom runs every step.
bool DeepScenes(int threads) {
    GeneratorControl control;
    control.threads = threads;
    std::vector<std::int32_t> counts(640 * 480);
    std::printf("deep pictures, 640 x 480, N = 20000 (effective speed = sum of the counts / wall time)\n");
    double speeds[2] = {};
    const GeneratorInput doubles[] = {Make(640, 480, kDefaultSearchRect, 20000, 2.0, 0.0),
                                      Make(640, 480, kZoom, 20000, 2.0, 0.0)};
    const char* names[] = {"double kernel, full view", "double kernel, boundary zoom"};
    for (int k = 0; k < 2; ++k) {
        const double seconds = Seconds([&] { GenerateCounts(doubles[k], counts.data(), control); }, 1.5);
        const double iterations = static_cast<double>(std::accumulate(counts.begin(), counts.end(), std::int64_t{0}));
        Row(names[k], seconds, iterations, 0.0, "");
        speeds[k] = iterations / seconds;
    }
    for (const char* width : {"1e-100", "1e-300"}) {
        PictureParams p = Make(640, 480, kDefaultSearchRect, 20000, 2.0, 0.0);
        SetExactRegion(&p, ExactRegion{ExactRegion::Kind::Centre, kSpiralRe, kSpiralIm, width, {}});
        DeepPlan plan;
        if (!PlanDeep(p, &plan)) return false;
        const double seconds = Seconds([&] { GeneratePictureCounts(p, counts.data(), control); }, 0.0);
        const double iterations = static_cast<double>(std::accumulate(counts.begin(), counts.end(), std::int64_t{0}));
        const auto reached = std::count(counts.begin(), counts.end(), p.iterations);
        const double mpfr = MpfrSecondsPerIteration(kSpiralRe, kSpiralIm, width, p.iterations, plan.bits) * iterations;
        std::printf("  spiral, width %s (%.3g iterations, %.0f %% of the pixels at N, a reference orbit of %d bits)\n",
                    width, iterations, 100.0 * static_cast<double>(reached) / static_cast<double>(counts.size()),
                    plan.bits);
        Row("perturbation, whole picture", seconds, iterations, 0.0, "");
        std::printf("  %-28s %10.4f s   %.1f %% of the picture's time\n", "of it the reference orbit",
                    plan.referenceSeconds, 100.0 * plan.referenceSeconds / seconds);
        std::printf("  %-28s %10s     x%.4f the full view's, x%.2f the boundary zoom's\n", "effective speed", "",
                    (iterations / seconds) / speeds[0], (iterations / seconds) / speeds[1]);
        std::printf("  %-28s %10.1f s   (from 16 pixels) x%.0f the perturbation's time\n", "MPFR loop per pixel", mpfr,
                    mpfr / seconds);
    }
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

    const Scene scenes[] = {
        {"full view 1920 x 1440, N = 1000", Make(1920, 1440, kDefaultSearchRect, 1000, 2.0, 0.0)},
        {"cardioid and period-2 disc 800 x 600, N = 10000", Make(800, 600, kCardioid, 10000, 2.0, 0.0)},
        {"small copy 800 x 600, N = 20000, width 4e-4", Make(800, 600, kCopy, 20000, 2.0, 0.0)},
        {"boundary zoom 1920 x 1440, N = 5000, width 1e-4", Make(1920, 1440, kZoom, 5000, 2.0, 0.0)},
        {"p = 3, 800 x 600, N = 2000", Make(800, 600, {{-1.6, 1.2}, {1.6, -1.2}}, 2000, 3.0, 0.0)},
        {"p = 3, 800 x 600, N = 200", Make(800, 600, {{-1.5, 1.125}, {1.5, -1.125}}, 200, 3.0, 0.0)},
        {"default picture 133 x 100, noise 1", Make(133, 100, kDefaultSearchRect, 50, 2.0, 1.0)},
        {"default picture 133 x 100", Make(133, 100, kDefaultSearchRect, 50, 2.0, 0.0)},
    };

    const SimdLevel widest = DetectedSimdLevel();
    std::printf("tindral-bench: widest instruction set %s, %d thread(s) for the fast path\n", SimdLevelName(widest),
                GeneratorThreadCount(threads));
    std::printf("iterations = escape-time steps z <- z^p + c, the sum of all counts; x = reference time / time\n\n");

    bool allSame = true;
    for (const Scene& scene : scenes) {
        if (!std::strstr(scene.name, only)) continue;
        const GeneratorInput& in = scene.input;
        const std::size_t pixels = static_cast<std::size_t>(in.width) * in.height;
        std::vector<std::int32_t> want(pixels), got(pixels);
        const double reference = Seconds([&] { GenerateCountsReference(in, want.data()); }, 0.5);
        const double iterations = static_cast<double>(std::accumulate(want.begin(), want.end(), std::int64_t{0}));
        std::printf("%s (%.3g iterations)\n", scene.name, iterations);
        Row("scalar reference, 1 thread", reference, iterations, 0.0, "");

        // Automatic, then every set the processor has forced, widest first,
        // then the widest once more on one thread: what the lanes alone give,
        // apart from the threads (and from whatever else the machine runs).
        struct Run {
            SimdLevel level;
            int threads;
        };
        std::vector<Run> runs{{SimdLevel::Automatic, threads}};
        for (SimdLevel level : {SimdLevel::Avx512, SimdLevel::Avx2, SimdLevel::Sse2})
            if (static_cast<int>(level) <= static_cast<int>(widest)) runs.push_back({level, threads});
        if (GeneratorThreadCount(threads) > 1) runs.push_back({widest, 1});
        for (const Run& r : runs) {
            GeneratorControl control;
            control.simd = r.level;
            control.threads = r.threads;
            std::fill(got.begin(), got.end(), -1);
            const double fast = Seconds([&] { GenerateCounts(in, got.data(), control); }, 1.5);
            const bool same = got == want;
            allSame = allSame && same;
            const std::string what = std::string("fast ") + SimdLevelName(EffectiveSimdLevel(r.level)) +
                                     (r.threads == 1                    ? ", 1 thread"
                                      : r.level == SimdLevel::Automatic ? " (automatic)"
                                                                        : " (forced)");
            Row(what.c_str(), fast, iterations, reference, same ? "counts identical" : "COUNTS DIFFER");
        }
        std::printf("\n");
    }
    if (std::strstr("deep pictures", only) && !DeepScenes(threads)) return 1;
    if (std::strstr("beside the program", only)) allSame = BesideTheProgram(threads) && allSame;
    return allSame ? 0 : 1;
}
