// The perturbation loops, written once and compiled once per instruction set
// (deep_sse2.cpp, deep_avx2.cpp, deep_avx512.cpp define TINDRAL_SIMD_ARCH,
// the groups and the kernel's name). Every lane runs one pixel's difference
// from the reference orbit by the very operations of the scalar loop in
// deep.cpp, so that it gives the same counts; lanes whose pixel is done take
// the next one after each chunk of steps.
//
// As in generator_simd.inl, nothing here may stand in at link time for a
// function of the same name built for every processor: everything is in an
// unnamed namespace but the kernel, and xsimd's functions carry the
// instruction set in their types.
#include <xsimd/xsimd.hpp>

#include <cstdint>

namespace {

using Batch = xsimd::batch<double, TINDRAL_SIMD_ARCH>;
using Bools = xsimd::batch_bool<double, TINDRAL_SIMD_ARCH>;
constexpr int kLanes = static_cast<int>(Batch::size);
constexpr int kGroups = TINDRAL_DEEP_GROUPS;
constexpr int kSlots = kGroups * kLanes;
constexpr int kChunk = 16;

class DeepQueue {
public:
    DeepQueue(const DeepRun& run, PixelSource& source) : m_run(run), m_source(source) {
        for (int s = 0; s < kSlots; ++s) Idle(s);
    }

    void Run() {
        int active = 0;
        for (int s = 0; s < kSlots; ++s) active += Take(s);
        for (unsigned chunks = 1; active > 0; ++chunks) {
            Chunk();
            for (int s = 0; s < kSlots; ++s) {
                if (m_pixel[s] < 0 || m_live[s] != 0.0) continue;
                m_run.counts[m_pixel[s]] = static_cast<std::int32_t>(m_count[s]);
                ++m_finished;
                if (!Take(s)) --active;
            }
            if (chunks % 64 == 0 && m_source.Stopped()) break;
        }
        m_source.Finished(m_finished);
        m_finished = 0;
    }

private:
    void Chunk() {
        Batch wr[kGroups], wi[kGroups], dcr[kGroups], dci[kGroups], n[kGroups], count[kGroups];
        Bools live[kGroups];
        const Batch zero(0.0), one(1.0), two(2.0), four(4.0), s(m_run.scale);
        const Batch limit(static_cast<double>(m_run.limit));
        const Batch end(static_cast<double>(m_run.refEnd));
        for (int g = 0; g < kGroups; ++g) {
            const int at = g * kLanes;
            wr[g] = Batch::load_unaligned(m_wr + at);
            wi[g] = Batch::load_unaligned(m_wi + at);
            dcr[g] = Batch::load_unaligned(m_dcr + at);
            dci[g] = Batch::load_unaligned(m_dci + at);
            n[g] = Batch::load_unaligned(m_n + at);
            count[g] = Batch::load_unaligned(m_count + at);
            live[g] = Batch::load_unaligned(m_live + at) != zero;
        }
        alignas(64) double index[kSlots];
        alignas(64) double refRe[kSlots], refIm[kSlots], refSRe[kSlots], refSIm[kSlots];
        const double* ref = m_run.reference;
        for (int i = 0; i < kChunk; ++i) {
            for (int g = 0; g < kGroups; ++g) n[g].store_aligned(index + g * kLanes);
            for (int k = 0; k < kSlots; ++k) {
                const double* z = ref + 4 * static_cast<std::int64_t>(index[k]);
                refRe[k] = z[0];
                refIm[k] = z[1];
                refSRe[k] = z[2];
                refSIm[k] = z[3];
            }
            for (int g = 0; g < kGroups; ++g) {
                const int at = g * kLanes;
                const Batch bigR = Batch::load_aligned(refRe + at);
                const Batch bigI = Batch::load_aligned(refIm + at);
                Batch zr = s * wr[g], zi = s * wi[g];
                const Batch fr = bigR + zr, fi = bigI + zi;
                live[g] = live[g] & !(fr * fr + fi * fi >= four);
                const Batch gr = Batch::load_aligned(refSRe + at) + wr[g];
                const Batch gi = Batch::load_aligned(refSIm + at) + wi[g];
                const Bools rebase =
                    (n[g] == end) | ((xsimd::abs(gr) + xsimd::abs(gi)) < (xsimd::abs(wr[g]) + xsimd::abs(wi[g])));
                const Batch ar = xsimd::select(rebase, gr, wr[g]);
                const Batch ai = xsimd::select(rebase, gi, wi[g]);
                zr = xsimd::select(rebase, s * ar, zr);
                zi = xsimd::select(rebase, s * ai, zi);
                const Batch br = xsimd::select(rebase, zero, bigR);
                const Batch bi = xsimd::select(rebase, zero, bigI);
                const Batch nr = (br * ar - bi * ai) * two + (zr * ar - zi * ai) + dcr[g];
                const Batch ni = (br * ai + bi * ar) * two + (zr * ai) * two + dci[g];
                wr[g] = xsimd::select(live[g], nr, wr[g]);
                wi[g] = xsimd::select(live[g], ni, wi[g]);
                n[g] = xsimd::select(live[g], xsimd::select(rebase, zero, n[g]) + one, n[g]);
                count[g] = xsimd::select(live[g], count[g] + one, count[g]);
                live[g] = live[g] & (count[g] < limit);
            }
        }
        for (int g = 0; g < kGroups; ++g) {
            const int at = g * kLanes;
            wr[g].store_unaligned(m_wr + at);
            wi[g].store_unaligned(m_wi + at);
            n[g].store_unaligned(m_n + at);
            count[g].store_unaligned(m_count + at);
            xsimd::select(live[g], one, zero).store_unaligned(m_live + at);
        }
    }

    void Idle(int s) {
        m_wr[s] = m_wi[s] = m_dcr[s] = m_dci[s] = 0.0;
        m_n[s] = kFirstIndex;
        m_count[s] = 0.0;
        m_live[s] = 0.0;
        m_pixel[s] = -1;
    }

    // Loads the next pixel into slot s, past its skips; false, the slot idle,
    // when none is left. A pixel its skips take to the limit is done here.
    bool Take(int s) {
        for (;;) {
            if (!Advance()) {
                Idle(s);
                return false;
            }
            const int column = m_column++;
            const double dcr = m_run.dcRe[column];
            const DeepStart start = SkipFromStart(m_run, dcr, m_rowDc);
            if (start.count >= m_run.limit) {
                m_run.counts[m_rowStart + column] = static_cast<std::int32_t>(start.count);
                ++m_finished;
                continue;
            }
            m_pixel[s] = m_rowStart + column;
            m_dcr[s] = dcr;
            m_dci[s] = m_rowDc;
            m_wr[s] = start.wr;
            m_wi[s] = start.wi;
            m_n[s] = start.n;
            m_count[s] = start.count;
            m_live[s] = 1.0;
            return true;
        }
    }

    bool Advance() {
        if (m_column < m_run.width) return true;
        if (++m_position >= m_end) {
            m_source.Finished(m_finished);
            m_finished = 0;
            if (!m_source.NextRows(&m_position, &m_end)) return false;
        }
        const int row = m_run.rowOrder[m_position];
        m_rowStart = static_cast<std::int64_t>(row) * m_run.width;
        m_rowDc = m_run.dcIm[row];
        m_column = 0;
        return true;
    }

    const DeepRun& m_run;
    PixelSource& m_source;
    int m_position = 0;
    int m_end = 0;
    int m_column = 1 << 30;
    std::int64_t m_rowStart = 0;
    double m_rowDc = 0.0;
    std::int64_t m_finished = 0;
    // Lane state, lane l of group g at g * kLanes + l.
    double m_wr[kSlots], m_wi[kSlots];    // the scaled difference w = z / scale
    double m_dcr[kSlots], m_dci[kSlots];  // (c - C) / scale
    double m_n[kSlots];                   // the index into the reference
    double m_count[kSlots];
    double m_live[kSlots];  // 1 while the pixel runs
    std::int64_t m_pixel[kSlots];
};

}  // namespace

void TINDRAL_KERNEL(const DeepRun& run, PixelSource& source) {
    DeepQueue queue(run, source);
    queue.Run();
}
