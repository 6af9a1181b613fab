// The escape-time loops. Their order of evaluation and escape rule decide
// every count, so they are written exactly as the counts require: squares and
// products rounded to double before they are added, coordinates accumulated
// by repeated addition, |z|^2 >= 4 escapes and a NaN does not. The scalar
// loops here are the reference; GenerateCounts hands bands of rows to the
// vector loops on worker threads and must give the same counts.
#include "core/engine/generator.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdlib>
#include <ctime>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#include "core/engine/generator_kernels.h"
#include "core/engine/vecmath.h"

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
        const double r = vecmath::Pow(std::sqrt(m), p);
        const double phi = vecmath::Atan2(zi, zr) * p;
        double sine = 0.0;
        double cosine = 0.0;
        vecmath::SinCos(phi, &sine, &cosine);
        zr = r * cosine + cr;
        zi = r * sine + ci;
        if (count >= limit) break;
    }
    return count;
}

double PixelWidth(const GeneratorInput& in) {
    return (in.rect.lowerRight.re - in.rect.upperLeft.re) / in.width;
}
double PixelHeight(const GeneratorInput& in) {
    return (in.rect.lowerRight.im - in.rect.upperLeft.im) / in.height;
}

// One loop nest per case, so the common noiseless quadratic case pays for
// neither the noise nor the exponent test inside its loops.
template <typename PixelCount>
void ForEachPixel(const GeneratorInput& in, std::int32_t* counts, PixelCount pixelCount) {
    const double dx = PixelWidth(in);
    const double dy = PixelHeight(in);
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

bool NoiseOn(const GeneratorInput& in) {
    return std::fabs(in.noise) != 0.0;
}

bool ProcessorHas(SimdLevel level) {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_cpu_init();
    switch (level) {
        case SimdLevel::Automatic:
        case SimdLevel::Sse2:
            return true;
        case SimdLevel::Avx2:
            return __builtin_cpu_supports("avx2") != 0;
        case SimdLevel::Avx512:
            return __builtin_cpu_supports("avx512f") != 0;
    }
#endif
    return level == SimdLevel::Automatic || level == SimdLevel::Sse2;
}

BandKernel KernelFor(SimdLevel level) {
    switch (level) {
        case SimdLevel::Avx512:
            return GenerateBandAvx512;
        case SimdLevel::Avx2:
            return GenerateBandAvx2;
        default:
            return GenerateBandSse2;
    }
}

// Below this many iterations at most, a picture is done on the calling thread:
// starting workers would cost more than they save.
constexpr double kSmallWork = 4.0e6;
// Rows are handed out in bands of about this many pixels, and in at least 16
// bands per thread, so that a thread that drew slow rows does not hold up the
// end and progress is reported often.
constexpr int kBandPixels = 8192;
constexpr int kBandsPerThread = 16;
// How often the waiting caller looks at progress and at the cancel flag.
constexpr auto kProgressInterval = std::chrono::milliseconds(20);

// The bands of one run, taken by whichever thread is free.
class CBandRun {
public:
    CBandRun(const KernelRun& run, BandKernel kernel, int height, int rowsPerBand, const std::atomic<bool>* cancel)
        : m_run(run), m_kernel(kernel), m_height(height), m_rowsPerBand(rowsPerBand), m_cancel(cancel) {}

    // Computes bands until none is left or the run is stopped.
    void Work() {
        while (!Stopped()) {
            const int begin = m_nextRow.fetch_add(m_rowsPerBand, std::memory_order_relaxed);
            if (begin >= m_height) break;
            const int end = std::min(m_height, begin + m_rowsPerBand);
            m_kernel(m_run, begin, end);
            m_rowsDone.fetch_add(end - begin, std::memory_order_relaxed);
        }
    }

    // One band on the calling thread; false when none was left.
    bool WorkOneBand() {
        const int begin = m_nextRow.fetch_add(m_rowsPerBand, std::memory_order_relaxed);
        if (begin >= m_height) return false;
        const int end = std::min(m_height, begin + m_rowsPerBand);
        m_kernel(m_run, begin, end);
        m_rowsDone.fetch_add(end - begin, std::memory_order_relaxed);
        return true;
    }

    void Stop() { m_stop.store(true, std::memory_order_relaxed); }
    // The caller's flag is read before every band, so that a cancel does not
    // wait for the caller's next look.
    bool Stopped() const {
        return m_stop.load(std::memory_order_relaxed) || (m_cancel && m_cancel->load(std::memory_order_relaxed));
    }
    double Done() const { return static_cast<double>(m_rowsDone.load(std::memory_order_relaxed)) / m_height; }
    bool Complete() const { return m_rowsDone.load(std::memory_order_relaxed) == m_height; }

private:
    const KernelRun& m_run;
    BandKernel m_kernel;
    int m_height;
    int m_rowsPerBand;
    const std::atomic<bool>* m_cancel;
    std::atomic<int> m_nextRow{0};
    std::atomic<int> m_rowsDone{0};
    std::atomic<bool> m_stop{false};
};

// Asks the caller's callbacks whether to go on.
bool GoOn(const GeneratorControl& control, double done) {
    if (control.cancel && control.cancel->load()) return false;
    return !control.progress || control.progress(done);
}

void RunOnCallingThread(CBandRun& bands, const GeneratorControl& control) {
    while (!bands.Stopped() && bands.WorkOneBand())
        if (!GoOn(control, bands.Done())) bands.Stop();
}

void RunOnWorkers(CBandRun& bands, const GeneratorControl& control, int threads) {
    std::mutex mutex;
    std::condition_variable finished;
    int running = 0;
    std::vector<std::thread> workers;
    workers.reserve(threads);
    std::unique_lock<std::mutex> lock(mutex);
    for (int t = 0; t < threads; ++t) {
        try {
            workers.emplace_back([&] {
                bands.Work();
                std::lock_guard<std::mutex> guard(mutex);
                if (--running == 0) finished.notify_one();
            });
            ++running;
        } catch (const std::system_error&) {
            break;  // fewer threads than asked for; the bands get done all the same
        }
    }
    if (workers.empty()) {
        lock.unlock();
        RunOnCallingThread(bands, control);
        return;
    }
    // A callback that throws must not leave the workers running on counts
    // that are about to go away: they are stopped and joined first.
    std::exception_ptr failure;
    while (!finished.wait_for(lock, kProgressInterval, [&] { return running == 0; })) {
        lock.unlock();
        try {
            if (!GoOn(control, bands.Done())) bands.Stop();
        } catch (...) {
            failure = std::current_exception();
            bands.Stop();
        }
        lock.lock();
    }
    lock.unlock();
    for (auto& worker : workers) worker.join();
    if (failure) std::rethrow_exception(failure);
    if (bands.Complete() && control.progress) control.progress(1.0);
}

int EnvironmentThreads() {
    const char* text = std::getenv("TINDRAL_THREADS");
    if (!text || !*text) return 0;
    char* end = nullptr;
    const long n = std::strtol(text, &end, 10);
    return *end == '\0' && n > 0 && n <= 1024 ? static_cast<int>(n) : 0;
}

}  // namespace

void GenerateCountsReference(const GeneratorInput& in, std::int32_t* counts) {
    if (in.width < 1 || in.height < 1) return;
    const int n = in.iterations;
    const double p = in.exponent;
    const bool quadratic = p == 2.0;

    if (!NoiseOn(in)) {
        if (quadratic)
            ForEachPixel(in, counts, [n](double cr, double ci, double) { return QuadraticCount(cr, ci, cr, ci, n); });
        else
            ForEachPixel(in, counts, [n, p](double cr, double ci, double) { return PolarCount(cr, ci, cr, ci, p, n); });
        return;
    }

    CGaussNoise noise;
    noise.SeedWith(in.seed);
    const double s = in.noise;
    // Pixels are visited in index order, so the next draw is this pixel's.
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

bool GenerateCounts(const GeneratorInput& in, std::int32_t* counts, const GeneratorControl& control) {
    const std::int64_t pixels = in.width < 1 || in.height < 1 ? 0 : static_cast<std::int64_t>(in.width) * in.height;
    if (pixels == 0 || in.iterations < 1) {
        std::fill(counts, counts + pixels, 0);
        if (control.progress) control.progress(1.0);
        return true;
    }

    // The pixels' coordinates, accumulated in the scalar loops' order once
    // for the whole picture: every column has the same real part in every row.
    const double dx = PixelWidth(in);
    const double dy = PixelHeight(in);
    std::vector<double> columnRe(static_cast<std::size_t>(in.width));
    std::vector<double> rowIm(static_cast<std::size_t>(in.height));
    double cr = in.rect.upperLeft.re;
    for (double& re : columnRe) {
        re = cr;
        cr = cr + dx;
    }
    double ci = in.rect.lowerRight.im;
    for (double& im : rowIm) {
        im = ci;
        ci = ci - dy;
    }

    KernelRun run;
    run.width = in.width;
    run.limit = in.iterations;
    run.polar = in.exponent != 2.0;
    run.exponent = in.exponent;
    run.noisy = NoiseOn(in);
    run.sigma = in.noise * dx;
    run.seed = in.seed;
    run.columnRe = columnRe.data();
    run.rowIm = rowIm.data();
    run.counts = counts;

    int threads = GeneratorThreadCount(control.threads);
    const double work = static_cast<double>(pixels) * in.iterations * (run.polar ? 20.0 : 1.0);
    if (work < kSmallWork) threads = 1;
    threads = std::min(threads, in.height);
    const int bandRows =
        std::clamp((kBandPixels + in.width - 1) / in.width, 1, std::max(1, in.height / (threads * kBandsPerThread)));

    CBandRun bands(run, KernelFor(EffectiveSimdLevel(control.simd)), in.height, bandRows, control.cancel);
    if (threads == 1)
        RunOnCallingThread(bands, control);
    else
        RunOnWorkers(bands, control, threads);
    return bands.Complete();
}

SimdLevel DetectedSimdLevel() {
    static const SimdLevel level = ProcessorHas(SimdLevel::Avx512) ? SimdLevel::Avx512
                                   : ProcessorHas(SimdLevel::Avx2) ? SimdLevel::Avx2
                                                                   : SimdLevel::Sse2;
    return level;
}

SimdLevel EffectiveSimdLevel(SimdLevel requested) {
    const SimdLevel widest = DetectedSimdLevel();
    if (requested == SimdLevel::Automatic) return widest;
    return static_cast<int>(requested) < static_cast<int>(widest) ? requested : widest;
}

const char* SimdLevelName(SimdLevel level) {
    switch (level) {
        case SimdLevel::Automatic:
            return "automatic";
        case SimdLevel::Sse2:
            return "SSE2";
        case SimdLevel::Avx2:
            return "AVX2";
        case SimdLevel::Avx512:
            return "AVX-512";
    }
    return "?";
}

int GeneratorThreadCount(int requested) {
    int n = requested > 0 ? requested : EnvironmentThreads();
    if (n <= 0) n = static_cast<int>(std::thread::hardware_concurrency());
    return std::clamp(n, 1, 1024);
}

namespace {
// SplitMix64's finaliser: every bit of the result depends on every bit of
// the input, and distinct inputs give distinct results.
std::uint64_t Mix(std::uint64_t z) {
    z += 0x9E3779B97F4A7C15ULL;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}
}  // namespace

void CGaussNoise::Seed() {
    SeedWith(static_cast<unsigned>(std::time(nullptr)));
}

void CGaussNoise::SeedWith(unsigned seed) {
    m_nKey = Mix(seed);
    m_nNext = 0;
}

void CGaussNoise::DrawAt(std::uint64_t pixel, double sigma) {
    // Two 15-bit integers from one hash of the key and the pixel: uniform on
    // 0...32767, the range the constants below assume.
    const std::uint64_t bits = Mix(m_nKey ^ pixel);
    const int i1 = static_cast<int>(bits & 0x7FFF);
    const int i2 = static_cast<int>((bits >> 15) & 0x7FFF);
    const double alpha = i1 * 0.00019175345033661917;
    const double u = i2 * (1.0 / 32767);
    const double rho = std::sqrt(vecmath::Log(1.0 / (u * u)));
    double sine = 0.0;
    double cosine = 0.0;
    vecmath::SinCos(alpha, &sine, &cosine);
    m_dRe = (cosine * rho) * sigma;
    m_dIm = (sine * rho) * sigma;
}
