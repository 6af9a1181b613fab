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

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace {

using Batch = xsimd::batch<double, TINDRAL_SIMD_ARCH>;
using Bools = xsimd::batch_bool<double, TINDRAL_SIMD_ARCH>;
constexpr int kLanes = static_cast<int>(Batch::size);
constexpr int kGroups = TINDRAL_DEEP_GROUPS;
constexpr int kSlots = kGroups * kLanes;
constexpr int kChunk = 32;
static_assert(kChunk <= kReferencePadding, "a done lane's index stays within the reference");

// base[4 n] of every lane's index n (below 2^29).
inline Batch Fetch(const double* base, const Batch& n) {
#if defined(__AVX512F__)
    return _mm512_i32gather_pd(_mm512_cvttpd_epi32(n * Batch(4.0)), base, 8);
#elif defined(__AVX2__)
    return _mm256_i32gather_pd(base, _mm256_cvttpd_epi32(n * Batch(4.0)), 8);
#else
    alignas(16) double index[kLanes], z[kLanes];
    n.store_aligned(index);
    for (int l = 0; l < kLanes; ++l) z[l] = base[4 * static_cast<std::ptrdiff_t>(index[l])];
    return Batch::load_aligned(z);
#endif
}

// The starts of a row's pixels, whose (c - C) / scale are (dcRe[c], dci):
// kLanes pixels at a time take their skips together, lane by lane the scalar
// definition's operations, for as long as every lane takes the same run; a
// group whose lanes part goes on from there one pixel at a time.
void RowStarts(const DeepRun& run, double dci, DeepStart* starts) {
    const int width = run.width;
    int column = 0;
    for (; run.skipCount[0] > 0 && column + kLanes <= width; column += kLanes) {
        const Batch dcr = Batch::load_unaligned(run.dcRe + column), dcrI(dci);
        Batch wr = dcr, wi(dci);
        int n = kFirstIndex, count = 0;
        bool together = true;
        while (count < run.limit) {
            const unsigned offset = static_cast<unsigned>(n - kFirstIndex);
            const int left = run.limit - count;
            int j = LongestSkip(run, offset, left);
            if (static_cast<int>(offset) >= run.skipCount[0]) break;
            const Batch size = xsimd::abs(wr) + xsimd::abs(wi);
            while (j >= 0 && xsimd::none(size < Batch(run.skips[j][offset >> j].radius))) --j;
            if (j < 0) break;
            const DeepSkip& skip = run.skips[j][offset >> j];
            if (!xsimd::all(size < Batch(skip.radius))) {
                together = false;
                break;
            }
            const Batch ar(skip.ar), ai(skip.ai), br(skip.br), bi(skip.bi);
            const Batch nr = (ar * wr - ai * wi) + (br * dcr - bi * dcrI);
            const Batch ni = (ar * wi + ai * wr) + (br * dcrI + bi * dcr);
            wr = nr;
            wi = ni;
            n += 1 << j;
            count += 1 << j;
        }
        double re[kLanes], im[kLanes];
        wr.store_unaligned(re);
        wi.store_unaligned(im);
        for (int l = 0; l < kLanes; ++l) {
            const DeepStart at{re[l], im[l], n, count};
            starts[column + l] = together ? at : SkipOnward(run, run.dcRe[column + l], dci, at);
        }
    }
    for (; column < width; ++column) starts[column] = SkipFromStart(run, run.dcRe[column], dci);
}

class DeepQueue {
public:
    DeepQueue(const DeepRun& run, PixelSource& source) : m_run(run), m_source(source) {
        for (int s = 0; s < kSlots; ++s) Idle(s);
    }

    void Run() {
        int active = 0;
        for (int s = 0; s < kSlots; ++s) active += Take(s);
        for (unsigned chunks = 1; active > 0; ++chunks) {
            if (m_run.scale == 1.0)
                Chunk<false>();
            else
                Chunk<true>();
            for (int s = 0; s < kSlots; ++s) {
                if (m_pixel[s] < 0) m_n[s] = kFirstIndex;  // an idle lane's index stays put
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
    // kChunk steps of every lane, each fetching the reference's point at its
    // own index. The index is only compared with the reference's end in a
    // chunk that may reach it, and a group takes the road of a rebase only
    // at a step where one of its lanes does. At scale 1, s w
    // is w and Z / s is Z, bit for bit, and are not computed again.
    template <bool kScaled>
    void Chunk() {
        const int end = m_run.refEnd;
        const double* ref = m_run.reference;
        double highest = 0.0;
        for (int k = 0; k < kSlots; ++k) highest = m_live[k] != 0.0 && m_n[k] > highest ? m_n[k] : highest;
        const bool mayEnd = highest + kChunk > end;
        Batch wr[kGroups], wi[kGroups], dcr[kGroups], dci[kGroups], n[kGroups], count[kGroups];
        Bools live[kGroups];
        const Batch zero(0.0), one(1.0), two(2.0), four(4.0), s(m_run.scale);
        const Batch limit(static_cast<double>(m_run.limit));
        const Batch last(static_cast<double>(end));
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
        for (int i = 0; i < kChunk; ++i) {
#pragma GCC unroll 8
            for (int g = 0; g < kGroups; ++g) {
                const Batch bigR = Fetch(ref, n[g]);
                const Batch bigI = Fetch(ref + 1, n[g]);
                const Batch zr = kScaled ? s * wr[g] : wr[g];
                const Batch zi = kScaled ? s * wi[g] : wi[g];
                const Batch fr = bigR + zr, fi = bigI + zi;
                live[g] = live[g] & !(fr * fr + fi * fi >= four);
                const Batch gr = kScaled ? Fetch(ref + 2, n[g]) + wr[g] : fr;
                const Batch gi = kScaled ? Fetch(ref + 3, n[g]) + wi[g] : fi;
                Bools rebase = (xsimd::abs(gr) + xsimd::abs(gi)) < (xsimd::abs(wr[g]) + xsimd::abs(wi[g]));
                if (mayEnd) rebase = rebase | (n[g] == last);
                rebase = rebase & live[g];
                Batch nr, ni;
                if (xsimd::none(rebase)) {
                    nr = (bigR * wr[g] - bigI * wi[g]) * two + (zr * wr[g] - zi * wi[g]) + dcr[g];
                    ni = (bigR * wi[g] + bigI * wr[g]) * two + (zr * wi[g]) * two + dci[g];
                } else {
                    const Batch ar = xsimd::select(rebase, gr, wr[g]);
                    const Batch ai = xsimd::select(rebase, gi, wi[g]);
                    const Batch sr = xsimd::select(rebase, kScaled ? s * ar : ar, zr);
                    const Batch si = xsimd::select(rebase, kScaled ? s * ai : ai, zi);
                    const Batch br = xsimd::select(rebase, zero, bigR);
                    const Batch bi = xsimd::select(rebase, zero, bigI);
                    nr = (br * ar - bi * ai) * two + (sr * ar - si * ai) + dcr[g];
                    ni = (br * ai + bi * ar) * two + (sr * ai) * two + dci[g];
                    n[g] = xsimd::select(rebase, zero, n[g]);
                }
                // A lane that is done keeps its count; its w is never read
                // again, and its index, which stays apart from w so that the
                // gathers need not wait, runs on by less than a chunk into
                // the reference's padding.
                wr[g] = nr;
                wi[g] = ni;
                n[g] = n[g] + one;
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
            const DeepStart start = m_starts[column];
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
        RowStarts(m_run, m_rowDc, m_starts.data());
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
    std::vector<DeepStart> m_starts = std::vector<DeepStart>(static_cast<std::size_t>(m_run.width));
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
