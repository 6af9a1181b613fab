// The vector loops, written once over xsimd's batch type and compiled once per
// instruction set (generator_sse2.cpp, generator_avx2.cpp, generator_avx512.cpp,
// which include simd_prelude.h, switch the instruction set and define
// TINDRAL_SIMD_ARCH and the band function's name).
//
// No function built here for a wide instruction set may stand in, at link
// time, for one of the same name that runs on every processor: ours have
// internal linkage, xsimd's vector functions carry the instruction set in
// their types, and the two plain inline functions of xsimd that are not
// (its reduction of huge trigonometric arguments) get names of their own.
#define TINDRAL_PASTE2(a, b) a##b
#define TINDRAL_PASTE(a, b) TINDRAL_PASTE2(a, b)
#define __ieee754_rem_pio2 TINDRAL_PASTE(TINDRAL_BAND_FUNCTION, _rem_pio2)
#define __kernel_rem_pio2 TINDRAL_PASTE(TINDRAL_BAND_FUNCTION, _kernel_rem_pio2)
#include <xsimd/xsimd.hpp>

namespace {

using Batch = xsimd::batch<double, TINDRAL_SIMD_ARCH>;
constexpr int kLanes = static_cast<int>(Batch::size);

// One iteration of each loop on a batch of lanes. A lane whose orbit escapes
// gets an increment of 0 and keeps it, so its count stays where the scalar
// loop stops; its z goes on changing, which nobody reads. The escape test is
// "not less than 4" so that a NaN, like in the scalar loop, does not escape.
struct QuadraticStep {
    // One iteration is a chain of about ten cycles of latency and little
    // work, so several independent groups of lanes run interleaved; the
    // number per instruction set is what the benchmark liked best.
    static constexpr int kGroups = TINDRAL_QUADRATIC_GROUPS;
    // Iterations between looks for finished lanes: fewer wastes lanes on
    // pixels that are done, more costs the looks.
    static constexpr int kChunk = 16;

    double exponent;

    void operator()(Batch& zr, Batch& zi, const Batch& cr, const Batch& ci, Batch& count, Batch& inc) const {
        const Batch a = zi * zi;
        const Batch b = zr * zr;
        inc = xsimd::select(b + a >= Batch(4.0), Batch(0.0), inc);
        const Batch re = (cr - a) + b;
        zi = (zr * zi) * Batch(2.0) + ci;
        zr = re;
        count += inc;
    }
};

struct PolarStep {
    static constexpr int kGroups = 1;
    static constexpr int kChunk = 2;

    double exponent;

    void operator()(Batch& zr, Batch& zi, const Batch& cr, const Batch& ci, Batch& count, Batch& inc) const {
        const Batch m = zr * zr + zi * zi;
        inc = xsimd::select(m >= Batch(4.0), Batch(0.0), inc);
        count += inc;
        const Batch p(exponent);
        const Batch r = xsimd::pow(xsimd::sqrt(m), p);
        const Batch phi = xsimd::atan2(zi, zr) * p;
        const auto sc = xsimd::sincos(phi);
        zr = r * sc.second + cr;
        zi = r * sc.first + ci;
    }
};

// Runs the pixels first...last-1 (row-major indices) through kGroups groups of
// lanes. A lane whose pixel is done takes the next pixel at once, so lanes do
// not wait for the slowest pixel of their group. Between looks every lane
// runs a whole chunk, never more iterations than the lane closest to N has
// left, so the loop needs no test against N of its own.
template <class Step>
class LaneQueue {
public:
    static constexpr int kSlots = Step::kGroups * kLanes;

    LaneQueue(const KernelRun& run, std::int64_t first, std::int64_t last) : m_run(run), m_next(first), m_last(last) {
        m_column = static_cast<int>(first % run.width);
        m_row = static_cast<int>(first / run.width);
        if (run.noisy) m_noise.SeedWith(run.seed);
    }

    void Run() {
        const double limit = m_run.limit;
        const Step step{m_run.exponent};
        int active = 0;
        for (int s = 0; s < kSlots; ++s) active += Take(s);
        double leastLeft = limit;
        while (active > 0) {
            const int chunk = static_cast<int>(leastLeft < Step::kChunk ? leastLeft : Step::kChunk);
            Batch zr[Step::kGroups], zi[Step::kGroups], cr[Step::kGroups], ci[Step::kGroups];
            Batch count[Step::kGroups], inc[Step::kGroups];
#pragma GCC unroll 8
            for (int g = 0; g < Step::kGroups; ++g) {
                const int at = g * kLanes;
                zr[g] = Batch::load_unaligned(m_zr + at);
                zi[g] = Batch::load_unaligned(m_zi + at);
                cr[g] = Batch::load_unaligned(m_cr + at);
                ci[g] = Batch::load_unaligned(m_ci + at);
                count[g] = Batch::load_unaligned(m_count + at);
                inc[g] = Batch::load_unaligned(m_inc + at);
            }
            for (int i = 0; i < chunk; ++i) {
#pragma GCC unroll 8
                for (int g = 0; g < Step::kGroups; ++g) step(zr[g], zi[g], cr[g], ci[g], count[g], inc[g]);
            }
            leastLeft -= chunk;
            bool anyDone = false;
            bool groupDone[Step::kGroups];
#pragma GCC unroll 8
            for (int g = 0; g < Step::kGroups; ++g) {
                const int at = g * kLanes;
                zr[g].store_unaligned(m_zr + at);
                zi[g].store_unaligned(m_zi + at);
                count[g].store_unaligned(m_count + at);
                inc[g].store_unaligned(m_inc + at);
                groupDone[g] = xsimd::any((inc[g] == Batch(0.0)) | (count[g] >= Batch(limit)));
                anyDone = anyDone || groupDone[g];
            }
            for (int g = 0; anyDone && g < Step::kGroups; ++g) {
                if (!groupDone[g]) continue;
                for (int s = g * kLanes; s < (g + 1) * kLanes; ++s) {
                    if (m_pixel[s] < 0 || (m_inc[s] != 0.0 && m_count[s] < limit)) continue;
                    m_run.counts[m_pixel[s]] = static_cast<std::int32_t>(m_count[s]);
                    if (!Take(s)) --active;
                }
            }
            // Lanes still running ran every iteration of every chunk since
            // they were loaded, so leastLeft stays a lower bound of their
            // margins to N; when it reaches 0 (the lane that set it may long
            // have escaped) the margin is found again.
            if (leastLeft <= 0.0) {
                leastLeft = limit;
                for (int s = 0; s < kSlots; ++s)
                    if (m_pixel[s] >= 0 && limit - m_count[s] < leastLeft) leastLeft = limit - m_count[s];
            }
        }
    }

private:
    // Loads the next pixel whose start value does not escape at once into
    // slot s (the others get their count of 0 here); answers false and leaves
    // the slot idle when no pixel is left.
    bool Take(int s) {
        while (m_next < m_last) {
            const std::int64_t pixel = m_next++;
            const double x = m_run.columnRe[m_column];
            const double y = m_run.rowIm[m_row];
            if (++m_column == m_run.width) {
                m_column = 0;
                ++m_row;
            }
            double startRe = x;
            double startIm = y;
            if (m_run.noisy) {
                m_noise.DrawAt(static_cast<std::uint64_t>(pixel), m_run.sigma);
                startRe = m_noise.m_dRe + x;
                startIm = m_noise.m_dIm + y;
            }
            if (startRe * startRe + startIm * startIm >= 4.0) {
                m_run.counts[pixel] = 0;
                continue;
            }
            m_zr[s] = startRe;
            m_zi[s] = startIm;
            m_cr[s] = x;
            m_ci[s] = y;
            m_count[s] = 0.0;
            m_inc[s] = 1.0;
            m_pixel[s] = pixel;
            return true;
        }
        m_zr[s] = m_zi[s] = m_cr[s] = m_ci[s] = m_count[s] = m_inc[s] = 0.0;
        m_pixel[s] = -1;
        return false;
    }

    const KernelRun& m_run;
    std::int64_t m_next;
    std::int64_t m_last;
    int m_column = 0;
    int m_row = 0;
    CGaussNoise m_noise;
    // Aligned for speed, yet only ever read and written with unaligned moves:
    // GCC does not always realign Windows stacks to 64 bytes.
    alignas(64) double m_zr[kSlots];
    alignas(64) double m_zi[kSlots];
    alignas(64) double m_cr[kSlots];
    alignas(64) double m_ci[kSlots];
    alignas(64) double m_count[kSlots];
    alignas(64) double m_inc[kSlots];
    std::int64_t m_pixel[kSlots];
};

}  // namespace

void TINDRAL_BAND_FUNCTION(const KernelRun& run, int rowBegin, int rowEnd) {
    const std::int64_t first = static_cast<std::int64_t>(rowBegin) * run.width;
    const std::int64_t last = static_cast<std::int64_t>(rowEnd) * run.width;
    if (run.polar) {
        LaneQueue<PolarStep> queue(run, first, last);
        queue.Run();
    } else {
        LaneQueue<QuadraticStep> queue(run, first, last);
        queue.Run();
    }
}
