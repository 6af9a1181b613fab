// The escape-time loops. Their order of evaluation and escape rule decide
// every count, so they are written exactly as the counts require: squares and
// products rounded to double before they are added, coordinates accumulated
// by repeated addition, |z|^2 >= 4 escapes and a NaN does not. The scalar
// loops here are the reference; GenerateCounts hands runs of rows to the
// vector loops on worker threads and must give the same counts.
#include "core/engine/generator.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdlib>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#include "core/engine/generator_kernels.h"
#include "core/engine/generator_rows.h"
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

// Asks the caller's callbacks whether to go on.
bool GoOn(const GeneratorControl& control, double done) {
    if (control.cancel && control.cancel->load()) return false;
    return !control.progress || control.progress(done);
}

Kernel KernelFor(SimdLevel level) {
    switch (level) {
        case SimdLevel::Avx512:
            return GenerateAvx512;
        case SimdLevel::Avx2:
            return GenerateAvx2;
        default:
            return GenerateSse2;
    }
}

// Below this many iterations at most, a picture is done on the calling thread:
// starting workers would cost more than they save.
constexpr double kSmallWork = 4.0e6;
// Rows are handed out in runs of about this many pixels at most, and at
// least 16 runs a thread, so that progress is reported often; runs shrink
// towards the end, so that the threads finish together.
constexpr int kRunPixels = 8192;
constexpr int kRunsPerThread = 16;
constexpr int kShareOfRemaining = 4;
// How often the waiting caller looks at progress and at the cancel flag.
constexpr auto kProgressInterval = std::chrono::milliseconds(20);

// The rows in bit-reversed order: every stretch of it samples the whole
// picture, so the share of pixels done grows about evenly in time however
// the costly pixels lie, and the last rows handed out cost about as much as
// any others.
std::vector<int> BitReversedRows(int height) {
    int bits = 0;
    while ((std::uint32_t{1} << bits) < static_cast<std::uint32_t>(height)) ++bits;
    std::vector<int> order;
    order.reserve(static_cast<std::size_t>(height));
    for (std::uint32_t i = 0; i < (std::uint32_t{1} << bits); ++i) {
        std::uint32_t r = i;
        r = ((r >> 1) & 0x55555555u) | ((r & 0x55555555u) << 1);
        r = ((r >> 2) & 0x33333333u) | ((r & 0x33333333u) << 2);
        r = ((r >> 4) & 0x0F0F0F0Fu) | ((r & 0x0F0F0F0Fu) << 4);
        r = ((r >> 8) & 0x00FF00FFu) | ((r & 0x00FF00FFu) << 8);
        r = (r >> 16) | (r << 16);
        const std::uint32_t row = bits == 0 ? 0 : r >> (32 - bits);
        if (row < static_cast<std::uint32_t>(height)) order.push_back(static_cast<int>(row));
    }
    return order;
}

// The rows of one run, handed to whichever loop asks, and the pixels done.
class CRowSource : public PixelSource {
public:
    CRowSource(int height, int width, int threads, const std::atomic<bool>* cancel)
        : m_height(height),
          m_threads(threads),
          m_maxRows(std::clamp((kRunPixels + width - 1) / width, 1, std::max(1, height / (threads * kRunsPerThread)))),
          m_total(static_cast<std::int64_t>(width) * height),
          m_cancel(cancel) {}

    // Asks the caller's callbacks between runs of rows, when the loop runs
    // on the calling thread; otherwise the caller asks while it waits.
    void ReportTo(const GeneratorControl* control) { m_control = control; }

    bool NextRows(int* begin, int* end) override {
        if (Stopped()) return false;
        int next = m_nextRow.load(std::memory_order_relaxed);
        if (next >= m_height) return false;
        if (m_control) {
            if (m_reportNext && !GoOn(*m_control, Done())) {
                Stop();
                return false;
            }
            m_reportNext = true;
        }
        int rows = 0;
        do {
            const int left = m_height - next;
            if (left <= 0) return false;
            rows = std::clamp(left / (m_threads * kShareOfRemaining), 1, m_maxRows);
        } while (!m_nextRow.compare_exchange_weak(next, next + rows, std::memory_order_relaxed));
        *begin = next;
        *end = next + rows;
        return true;
    }

    void Finished(std::int64_t pixels) override { m_done.fetch_add(pixels, std::memory_order_relaxed); }

    // The caller's flag is read before every run of rows, so that a cancel
    // does not wait for the caller's next look.
    bool Stopped() const override {
        return m_stop.load(std::memory_order_relaxed) || (m_cancel && m_cancel->load(std::memory_order_relaxed));
    }

    void Stop() { m_stop.store(true, std::memory_order_relaxed); }
    double Done() const {
        return static_cast<double>(m_done.load(std::memory_order_relaxed)) / static_cast<double>(m_total);
    }
    bool Complete() const { return m_done.load(std::memory_order_relaxed) == m_total; }

private:
    int m_height;
    int m_threads;
    int m_maxRows;
    std::int64_t m_total;
    const std::atomic<bool>* m_cancel;
    const GeneratorControl* m_control = nullptr;
    bool m_reportNext = false;  // only with m_control, on the calling thread
    std::atomic<int> m_nextRow{0};
    std::atomic<std::int64_t> m_done{0};
    std::atomic<bool> m_stop{false};
};

using Loop = std::function<void(PixelSource& source)>;

void RunOnCallingThread(const Loop& loop, CRowSource& source, const GeneratorControl& control) {
    source.ReportTo(&control);
    loop(source);
    if (source.Complete() && control.progress) control.progress(1.0);
}

void RunOnWorkers(const Loop& loop, CRowSource& source, const GeneratorControl& control, int threads) {
    std::mutex mutex;
    std::condition_variable finished;
    int running = 0;
    std::vector<std::thread> workers;
    workers.reserve(threads);
    std::unique_lock<std::mutex> lock(mutex);
    for (int t = 0; t < threads; ++t) {
        try {
            workers.emplace_back([&] {
                loop(source);
                std::lock_guard<std::mutex> guard(mutex);
                if (--running == 0) finished.notify_one();
            });
            ++running;
        } catch (const std::system_error&) {
            break;  // fewer threads than asked for; the rows get done all the same
        }
    }
    if (workers.empty()) {
        lock.unlock();
        RunOnCallingThread(loop, source, control);
        return;
    }
    // A callback that throws must not leave the workers running on counts
    // that are about to go away: they are stopped and joined first.
    std::exception_ptr failure;
    while (!finished.wait_for(lock, kProgressInterval, [&] { return running == 0; })) {
        lock.unlock();
        try {
            if (!GoOn(control, source.Done())) source.Stop();
        } catch (...) {
            failure = std::current_exception();
            source.Stop();
        }
        lock.lock();
    }
    lock.unlock();
    for (auto& worker : workers) worker.join();
    if (failure) std::rethrow_exception(failure);
    if (source.Complete() && control.progress) control.progress(1.0);
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

    // Every column has the same real part in every row.
    const double dx = PixelWidth(in);
    std::vector<double> columnRe;
    std::vector<double> rowIm;
    PixelCoordinates(in, &columnRe, &rowIm);

    const std::vector<int> rowOrder = RowOrder(in.height);

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
    run.rowOrder = rowOrder.data();
    run.counts = counts;

    const double work = static_cast<double>(pixels) * in.iterations * (run.polar ? 20.0 : 1.0);
    const Kernel kernel = KernelFor(EffectiveSimdLevel(control.simd));
    return RunRows(in.width, in.height, work, control, [&](PixelSource& source) { kernel(run, source); });
}

std::vector<int> RowOrder(int height) {
    return BitReversedRows(height);
}

bool RunRows(int width, int height, double work, const GeneratorControl& control, const Loop& loop) {
    int threads = GeneratorThreadCount(control.threads);
    if (work < kSmallWork) threads = 1;
    threads = std::min(threads, height);
    CRowSource source(height, width, threads, control.cancel);
    if (threads == 1)
        RunOnCallingThread(loop, source, control);
    else
        RunOnWorkers(loop, source, control, threads);
    return source.Complete();
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

void CGaussNoise::SeedWith(unsigned seed) {
    m_nKey = Mix(seed);
    m_nNext = 0;
}

namespace {
// The draw's angle and radius each come from one of 32768 integers, so its
// transcendental functions have only that many arguments: their values are
// computed once, when the first draw needs them, and looked up after.
struct DrawTables {
    struct Angle {
        double cosine, sine;
    };
    std::vector<Angle> angle;
    std::vector<double> rho;
    DrawTables() : angle(32768), rho(32768) {
        for (int i = 0; i < 32768; ++i) {
            const double alpha = i * 0.00019175345033661917;
            const double u = i * (1.0 / 32767);
            rho[i] = std::sqrt(vecmath::Log(1.0 / (u * u)));
            vecmath::SinCos(alpha, &angle[i].sine, &angle[i].cosine);
        }
    }
};

const DrawTables& Tables() {
    static const DrawTables tables;
    return tables;
}
}  // namespace

void CGaussNoise::DrawAt(std::uint64_t pixel, double sigma) {
    DrawRun(pixel, 1, sigma, &m_dRe, &m_dIm);
}

void CGaussNoise::DrawRun(std::uint64_t first, int n, double sigma, double* re, double* im) const {
    const DrawTables& tables = Tables();
    // The hashes first, a few at a time, so that the look-ups that follow
    // can all be under way at once.
    constexpr int kAtOnce = 64;
    std::uint32_t bits[kAtOnce];
    for (int done = 0; done < n; done += kAtOnce) {
        const int count = n - done < kAtOnce ? n - done : kAtOnce;
        // Two 15-bit integers from one hash of the key and the pixel: uniform
        // on 0...32767, the range the tables' constants assume.
        for (int i = 0; i < count; ++i)
            bits[i] = static_cast<std::uint32_t>(Mix(m_nKey ^ (first + static_cast<std::uint64_t>(done + i))));
        for (int i = 0; i < count; ++i) {
            const DrawTables::Angle& angle = tables.angle[bits[i] & 0x7FFF];
            const double rho = tables.rho[(bits[i] >> 15) & 0x7FFF];
            re[done + i] = (angle.cosine * rho) * sigma;
            im[done + i] = (angle.sine * rho) * sigma;
        }
    }
}

void PixelCoordinates(const GeneratorInput& in, std::vector<double>* columnRe, std::vector<double>* rowIm) {
    // Accumulated in the scalar loops' order, so that they are the very
    // values those loops reach.
    const double dx = PixelWidth(in);
    const double dy = PixelHeight(in);
    columnRe->resize(static_cast<std::size_t>(std::max(in.width, 0)));
    rowIm->resize(static_cast<std::size_t>(std::max(in.height, 0)));
    double cr = in.rect.upperLeft.re;
    for (double& re : *columnRe) {
        re = cr;
        cr = cr + dx;
    }
    double ci = in.rect.lowerRight.im;
    for (double& im : *rowIm) {
        im = ci;
        ci = ci - dy;
    }
}
