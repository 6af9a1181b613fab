// The vector loops, written once and compiled once per instruction set
// (generator_sse2.cpp, generator_avx2.cpp, generator_avx512.cpp, which
// include simd_prelude.h, switch the instruction set and define
// TINDRAL_SIMD_ARCH, TINDRAL_SIMD_AVX512 where it applies, and the kernel's
// name).
//
// No function built here for a wide instruction set may stand in, at link
// time, for one of the same name that runs on every processor: ours have
// internal linkage, xsimd's vector functions carry the instruction set in
// their types, and the two plain inline functions of xsimd that are not
// (its reduction of huge trigonometric arguments) get names of their own.
#define TINDRAL_PASTE2(a, b) a##b
#define TINDRAL_PASTE(a, b) TINDRAL_PASTE2(a, b)
#define __ieee754_rem_pio2 TINDRAL_PASTE(TINDRAL_KERNEL, _rem_pio2)
#define __kernel_rem_pio2 TINDRAL_PASTE(TINDRAL_KERNEL, _kernel_rem_pio2)
#include <xsimd/xsimd.hpp>

#include <cmath>
#include <limits>
#include <vector>

#include "core/engine/generator_discs.inl"

namespace {

using Batch = xsimd::batch<double, TINDRAL_SIMD_ARCH>;
constexpr int kLanes = static_cast<int>(Batch::size);
constexpr unsigned kAllLanes = (1u << kLanes) - 1u;

// What differs between the instruction sets.
//
// How a lane that has escaped stops counting: with AVX-512 masks an escaped
// lane keeps its z, so its |z|^2 stays at 4 or more and the mask of live
// lanes is simply "|z|^2 not at least 4", recomputed at every step, and the
// updates of z and of the count are masked additions that cost nothing
// extra. Without masks z runs on (it may overflow and turn into NaN, which
// would count again), so the live mask is kept and narrowed, and the count
// takes the mask itself away: all ones is -1 as an integer. "Not at least 4"
// lets a NaN live, as the scalar loops do.
//
// Lane sets outside the steps are bits, lane l of a group at bit l. Counts
// are 64-bit integers; counts and the counts a lane waits for stay below
// 2^31, which the SSE2 comparisons rely on.
#if TINDRAL_SIMD_AVX512
using Mask = __mmask8;
using Counts = __m512i;
inline Mask AllLive() {
    return 0xFF;
}
inline Mask StillLive(Mask, const Batch& norm) {
    return _mm512_cmp_pd_mask(norm, Batch(4.0), _CMP_NGE_UQ);
}
inline Batch AddIfLive(const Batch& old, Mask live, const Batch& x, const Batch& y) {
    return _mm512_mask_add_pd(old, live, x, y);
}
inline Counts CountLive(const Counts& count, Mask live) {
    return _mm512_mask_add_epi64(count, live, count, _mm512_set1_epi64(1));
}
inline unsigned LiveBits(Mask live) {
    return live;
}
// Lanes whose |z|^2 is at least 4 or NaN.
inline unsigned OutBits(const Batch& norm) {
    return _mm512_cmp_pd_mask(norm, Batch(4.0), _CMP_NLT_UQ);
}
inline Counts AddCounts(const Counts& count, int steps) {
    return _mm512_add_epi64(count, _mm512_set1_epi64(steps));
}
inline unsigned Bits(const xsimd::batch_bool<double, TINDRAL_SIMD_ARCH>& b) {
    return static_cast<__mmask8>(b);
}
inline unsigned EqualBits(const Batch& x, const Batch& y) {
    return _mm512_cmp_pd_mask(x, y, _CMP_EQ_OQ);
}
inline Counts LoadCounts(const std::int64_t* p) {
    return _mm512_loadu_si512(p);
}
inline void StoreCounts(std::int64_t* p, const Counts& v) {
    _mm512_storeu_si512(p, v);
}
inline unsigned AboveBits(const Counts& count, const std::int64_t* bound) {
    return _mm512_cmpgt_epi64_mask(count, LoadCounts(bound));
}
inline void StoreWhere(double* p, unsigned lanes, const Batch& v) {
    _mm512_mask_storeu_pd(p, static_cast<__mmask8>(lanes), v);
}
inline void StoreWhere(std::int64_t* p, unsigned lanes, const Counts& v) {
    _mm512_mask_storeu_epi64(p, static_cast<__mmask8>(lanes), v);
}
// count + max(count / 2, least) - 1
inline Counts NextLook(const Counts& count, int least) {
    const Counts wait = _mm512_max_epi64(_mm512_srli_epi64(count, 1), _mm512_set1_epi64(least));
    return _mm512_add_epi64(count, _mm512_sub_epi64(wait, _mm512_set1_epi64(1)));
}
// Writes the chosen lanes' counts to consecutive pixels.
inline void WriteCounts(std::int32_t* p, unsigned lanes, const Counts& count) {
    _mm512_mask_cvtepi64_storeu_epi32(p, static_cast<__mmask8>(lanes), count);
}
// Lanes whose |z|^2 is below 4: the complement of OutBits.
inline Mask InsideMask(const Batch& norm) {
    return _mm512_cmp_pd_mask(norm, Batch(4.0), _CMP_LT_OQ);
}
inline Batch Select(Mask m, const Batch& yes, const Batch& no) {
    return _mm512_mask_mov_pd(no, m, yes);
}
inline Counts Select(Mask m, const Counts& yes, const Counts& no) {
    return _mm512_mask_mov_epi64(no, m, yes);
}
#else
using Mask = Batch;
inline Batch AddIfLive(const Batch&, const Mask&, const Batch& x, const Batch& y) {
    return x + y;
}
#if TINDRAL_SIMD_AVX2
using Counts = __m256i;
inline Mask AllLive() {
    return _mm256_castsi256_pd(_mm256_set1_epi64x(-1));
}
inline Mask StillLive(const Mask& live, const Batch& norm) {
    return _mm256_and_pd(live, _mm256_cmp_pd(norm, Batch(4.0), _CMP_NGE_UQ));
}
inline Counts CountLive(const Counts& count, const Mask& live) {
    return _mm256_sub_epi64(count, _mm256_castpd_si256(live));
}
inline unsigned LiveBits(const Mask& live) {
    return static_cast<unsigned>(_mm256_movemask_pd(live));
}
inline unsigned OutBits(const Batch& norm) {
    return static_cast<unsigned>(_mm256_movemask_pd(_mm256_cmp_pd(norm, Batch(4.0), _CMP_NLT_UQ)));
}
inline Counts AddCounts(const Counts& count, int steps) {
    return _mm256_add_epi64(count, _mm256_set1_epi64x(steps));
}
inline unsigned Bits(const xsimd::batch_bool<double, TINDRAL_SIMD_ARCH>& b) {
    return static_cast<unsigned>(_mm256_movemask_pd(b));
}
inline unsigned EqualBits(const Batch& x, const Batch& y) {
    return static_cast<unsigned>(_mm256_movemask_pd(_mm256_cmp_pd(x, y, _CMP_EQ_OQ)));
}
inline Counts LoadCounts(const std::int64_t* p) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}
inline void StoreCounts(std::int64_t* p, const Counts& v) {
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v);
}
inline unsigned AboveBits(const Counts& count, const std::int64_t* bound) {
    return static_cast<unsigned>(_mm256_movemask_pd(_mm256_castsi256_pd(_mm256_cmpgt_epi64(count, LoadCounts(bound)))));
}
inline __m256i LaneMask(unsigned lanes) {
    const __m256i bit = _mm256_setr_epi64x(1, 2, 4, 8);
    return _mm256_cmpeq_epi64(_mm256_and_si256(_mm256_set1_epi64x(lanes), bit), bit);
}
inline void StoreWhere(double* p, unsigned lanes, const Batch& v) {
    _mm256_maskstore_pd(p, LaneMask(lanes), v);
}
inline void StoreWhere(std::int64_t* p, unsigned lanes, const Counts& v) {
    _mm256_maskstore_epi64(reinterpret_cast<long long*>(p), LaneMask(lanes), v);
}
inline Counts NextLook(const Counts& count, int least) {
    const __m256i half = _mm256_srli_epi64(count, 1);
    const __m256i floor = _mm256_set1_epi64x(least);
    const __m256i wait = _mm256_blendv_epi8(floor, half, _mm256_cmpgt_epi64(half, floor));
    return _mm256_add_epi64(count, _mm256_sub_epi64(wait, _mm256_set1_epi64x(1)));
}
inline Mask InsideMask(const Batch& norm) {
    return _mm256_cmp_pd(norm, Batch(4.0), _CMP_LT_OQ);
}
inline Batch Select(const Mask& m, const Batch& yes, const Batch& no) {
    return _mm256_blendv_pd(no, yes, m);
}
inline Counts Select(const Mask& m, const Counts& yes, const Counts& no) {
    return _mm256_blendv_epi8(no, yes, _mm256_castpd_si256(m));
}
inline void WriteCounts(std::int32_t* p, unsigned lanes, const Counts& count) {
    const __m256i low = _mm256_permutevar8x32_epi32(count, _mm256_setr_epi32(0, 2, 4, 6, 1, 3, 5, 7));
    const __m128i bit = _mm_setr_epi32(1, 2, 4, 8);
    const __m128i mask = _mm_cmpeq_epi32(_mm_and_si128(_mm_set1_epi32(static_cast<int>(lanes)), bit), bit);
    _mm_maskstore_epi32(p, mask, _mm256_castsi256_si128(low));
}
#else
using Counts = __m128i;
inline Mask AllLive() {
    return _mm_castsi128_pd(_mm_set1_epi32(-1));
}
inline Mask StillLive(const Mask& live, const Batch& norm) {
    return _mm_and_pd(live, _mm_cmpnge_pd(norm, Batch(4.0)));
}
inline Counts CountLive(const Counts& count, const Mask& live) {
    return _mm_sub_epi64(count, _mm_castpd_si128(live));
}
inline unsigned LiveBits(const Mask& live) {
    return static_cast<unsigned>(_mm_movemask_pd(live));
}
inline unsigned OutBits(const Batch& norm) {
    return static_cast<unsigned>(_mm_movemask_pd(_mm_cmpnlt_pd(norm, Batch(4.0))));
}
inline Counts AddCounts(const Counts& count, int steps) {
    return _mm_add_epi64(count, _mm_set1_epi64x(steps));
}
inline unsigned Bits(const xsimd::batch_bool<double, TINDRAL_SIMD_ARCH>& b) {
    return static_cast<unsigned>(_mm_movemask_pd(b));
}
inline unsigned EqualBits(const Batch& x, const Batch& y) {
    return static_cast<unsigned>(_mm_movemask_pd(_mm_cmpeq_pd(x, y)));
}
inline Counts LoadCounts(const std::int64_t* p) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}
inline void StoreCounts(std::int64_t* p, const Counts& v) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v);
}
// SSE2 has no 64-bit comparison: count > bound is the sign of bound - count.
inline unsigned AboveBits(const Counts& count, const std::int64_t* bound) {
    return static_cast<unsigned>(_mm_movemask_pd(_mm_castsi128_pd(_mm_sub_epi64(LoadCounts(bound), count))));
}
// Both 32-bit halves of a chosen lane compare equal.
inline __m128i LaneMask(unsigned lanes) {
    const __m128i bit = _mm_setr_epi32(1, 1, 2, 2);
    return _mm_cmpeq_epi32(_mm_and_si128(_mm_set1_epi32(static_cast<int>(lanes)), bit), bit);
}
inline __m128i Blend(const __m128i& mask, const __m128i& yes, const __m128i& no) {
    return _mm_or_si128(_mm_and_si128(mask, yes), _mm_andnot_si128(mask, no));
}
inline void StoreWhere(double* p, unsigned lanes, const Batch& v) {
    const __m128i old = _mm_castpd_si128(_mm_loadu_pd(p));
    _mm_storeu_pd(p, _mm_castsi128_pd(Blend(LaneMask(lanes), _mm_castpd_si128(v), old)));
}
inline void StoreWhere(std::int64_t* p, unsigned lanes, const Counts& v) {
    StoreCounts(p, Blend(LaneMask(lanes), v, LoadCounts(p)));
}
inline void WriteCounts(std::int32_t* p, unsigned lanes, const Counts& count) {
    std::int64_t values[2];
    _mm_storeu_si128(reinterpret_cast<__m128i*>(values), count);
    if (lanes & 1u) p[0] = static_cast<std::int32_t>(values[0]);
    if (lanes & 2u) p[1] = static_cast<std::int32_t>(values[1]);
}
inline Mask InsideMask(const Batch& norm) {
    return _mm_cmplt_pd(norm, Batch(4.0));
}
inline Batch Select(const Mask& m, const Batch& yes, const Batch& no) {
    return _mm_or_pd(_mm_and_pd(m, yes), _mm_andnot_pd(m, no));
}
inline Counts Select(const Mask& m, const Counts& yes, const Counts& no) {
    return Blend(_mm_castpd_si128(m), yes, no);
}
inline Counts NextLook(const Counts& count, int least) {
    const __m128i half = _mm_srli_epi64(count, 1);
    const __m128i floor = _mm_set1_epi64x(least);
    // The low halves decide, and the mask is copied to the high ones.
    const __m128i above = _mm_shuffle_epi32(_mm_cmpgt_epi32(half, floor), _MM_SHUFFLE(2, 2, 0, 0));
    const __m128i wait = Blend(above, half, floor);
    return _mm_add_epi64(count, _mm_sub_epi64(wait, _mm_set1_epi64x(1)));
}
#endif
#endif

// The quadratic loop's lanes run a chunk of up to kLaneChunk steps at a time
// without looking at |z|, marking z every kMarkSteps steps: a few marks a
// chunk kept the stores of marks and the search for the last one inside
// cheaper than the steps walked again from there.
constexpr int kLaneChunk = TINDRAL_QUADRATIC_LANE_CHUNK;
constexpr int kMarkSteps = TINDRAL_QUADRATIC_MARK_STEPS;
static_assert(kLaneChunk % kMarkSteps == 0);
// Lanes found out wait until this many vectors of them can be walked at once.
constexpr int kWalkVectors = 8;
constexpr int kWalkLanes = kWalkVectors * kLanes;
constexpr int kMarks = kLaneChunk / kMarkSteps + 1;
// |c|^2 below this, and an orbit once out stays out.
constexpr double kSureNorm = 3.99;

// The state of every lane, one array per quantity, lane l of group g at
// g * kLanes + l. Aligned for speed, yet only ever read and written with
// unaligned moves: GCC does not always realign Windows stacks to 64 bytes.
template <int Slots>
struct LaneState {
    alignas(64) double zr[Slots];
    alignas(64) double zi[Slots];
    alignas(64) double cr[Slots];
    alignas(64) double ci[Slots];
    // z as it was when last saved, to be met again.
    alignas(64) double savedRe[Slots];
    alignas(64) double savedIm[Slots];
    alignas(64) std::int64_t count[Slots];
    // The lane saves its z once its count passes this.
    alignas(64) std::int64_t lookAfter[Slots];
    // Its interior discs; r2 < 0 where there is none.
    alignas(64) double discRe[2][Slots];
    alignas(64) double discIm[2][Slots];
    alignas(64) double discR2[2][Slots];
    // The quadratic loop's z at the start of a chunk and after every few
    // steps of it, and after how many steps.
    alignas(64) double markRe[kMarks][Slots];
    alignas(64) double markIm[kMarks][Slots];
    int markAt[kMarks];
};

// What a chunk leaves for the scalar side, a bit per slot: lanes that
// escaped, lanes in an interior disc, lanes whose z meets the saved one in
// its real part (the rest is compared on the scalar side), and all these.
// A lane that saved is never among those that met: its saved z is now its z.
struct Notice {
    std::uint64_t escaped = 0;
    // Of those, the lanes whose count is still to be found: each holds the
    // z and count of its last mark inside (generator's blind chunks).
    std::uint64_t rewound = 0;
    std::uint64_t interior = 0;
    std::uint64_t met = 0;
    std::uint64_t any = 0;
};

// After a chunk, shared by both loops: lanes with interior discs are tested
// against them, and the lanes due save their z and set their next look half
// their count on (Brent's cycle finding, with a ratio of 1.5 rather than his
// 2). A block taking its first steps only wants to know which lanes escaped.
template <bool Looks, int Groups, int Slots>
__attribute__((always_inline)) inline Notice AfterChunk(LaneState<Slots>& state, const Batch* zr, const Batch* zi,
                                                        const Counts* count, const unsigned* escapedLanes,
                                                        std::uint64_t discLanes, int leastWait) {
    Notice notice;
#pragma GCC unroll 8
    for (int g = 0; g < Groups; ++g) {
        const int at = g * kLanes;
        const unsigned escaped = escapedLanes[g];
        notice.escaped |= static_cast<std::uint64_t>(escaped) << at;
        if (!Looks) continue;
        const unsigned met = EqualBits(zr[g], Batch::load_unaligned(state.savedRe + at));
        const unsigned due = AboveBits(count[g], state.lookAfter + at) & ~escaped & ~met;
        unsigned interior = 0;
        const unsigned withDiscs = static_cast<unsigned>(discLanes >> at) & kAllLanes & ~escaped;
        if (withDiscs != 0) {
            for (int d = 0; d < 2; ++d)
                interior |= Bits(InDisc(Batch::load_unaligned(state.discRe[d] + at),
                                        Batch::load_unaligned(state.discIm[d] + at),
                                        Batch::load_unaligned(state.discR2[d] + at), zr[g], zi[g]));
            interior &= withDiscs;
        }
        // Without a branch: whether a lane is due is hard to foretell.
        const unsigned save = due & ~interior;
        StoreWhere(state.savedRe + at, save, zr[g]);
        StoreWhere(state.savedIm + at, save, zi[g]);
        StoreWhere(state.lookAfter + at, save, NextLook(count[g], leastWait));
        notice.interior |= static_cast<std::uint64_t>(interior) << at;
        notice.met |= static_cast<std::uint64_t>(met & ~escaped) << at;
        notice.any |= static_cast<std::uint64_t>(escaped | met | interior) << at;
    }
    return notice;
}

// z <- z^2 + c: several independent groups of lanes run interleaved, since
// one step is a chain of about a dozen cycles of latency and little work;
// how many per instruction set, and the chunks, are what the benchmark
// liked best.
//
// A block's first steps, where many lanes escape, look at |z| before every
// step, and so do the lanes' chunks while their lanes escape often. Other
// chunks do not: they take the steps alone, marking z every kMarkSteps
// steps, and look at |z| once at the end. This is exact because
// an orbit that has escaped stays out of the circle, in the computed steps
// too, for every c with |c|^2 < 3.99 (the lanes of other c are "careful"):
// when the computed |z_j|^2 >= 4, the true |z_j| >= 2 (1 - 2u) with u = 2^-53,
// and |z_{j+1}| >= |z_j|^2 - |c| - e >= 4 - 1.9975 - 1e-14 > 2.002, where e,
// the rounding of one step, is below 8 u |z|^2; from there |z|^2 - |c| - e
// >= |z| whenever |z| >= 1.9992, so |z| never shrinks again and its computed
// |z|^2 stays at 4 or more until a square overflows; from then on a part of
// z is infinite or NaN for ever (multiplications and additions of
// infinities never give a finite value back), and |z|^2 is infinite or
// NaN. So a lane that is in at the end of a chunk never escaped in it; a
// lane that is out (at least 4 or NaN) escaped at some step after the last
// mark where it was in, and at or before the first mark where it is out,
// and those few steps are taken again, looking before each, from that mark:
// later, with enough other lanes found out to fill several vectors, while
// the lane takes its next pixel at once. If none escapes there, z was NaN
// from the chunk's start without escaping, and stays NaN: its count is N.
// Careful lanes take all of their chunk's steps again, looking before each,
// whenever that is not certain.
struct Quadratic {
    static constexpr int kGroups = TINDRAL_QUADRATIC_GROUPS;
    static constexpr int kChunk = TINDRAL_QUADRATIC_CHUNK;
    static constexpr int kLaneChunk = ::kLaneChunk;
    static constexpr bool kDiscs = true;
    static constexpr bool kBlind = true;

    double exponent;

    // Steps that look at |z| before each: the lanes that escape stop
    // counting.
    template <int Groups = kGroups>
    __attribute__((always_inline)) static void Steps(Batch* zr, Batch* zi, const Batch* cr, const Batch* ci,
                                                     Counts* count, Mask* live, int steps) {
        for (int i = 0; i < steps; ++i) {
#pragma GCC unroll 8
            for (int g = 0; g < Groups; ++g) {
                const Batch a = zi[g] * zi[g];
                const Batch b = zr[g] * zr[g];
                live[g] = StillLive(live[g], b + a);
                const Batch t = zr[g] * zi[g];
                zr[g] = AddIfLive(zr[g], live[g], cr[g] - a, b);
                // t + t is (zr zi) 2 exactly, overflow and subnormals included.
                zi[g] = AddIfLive(zi[g], live[g], t + t, ci[g]);
                count[g] = CountLive(count[g], live[g]);
            }
        }
    }

    // The same steps without a look.
    __attribute__((always_inline)) static void BlindSteps(Batch* zr, Batch* zi, const Batch* cr, const Batch* ci,
                                                          int steps) {
        for (int i = 0; i < steps; ++i) {
#pragma GCC unroll 8
            for (int g = 0; g < kGroups; ++g) {
                const Batch a = zi[g] * zi[g];
                const Batch b = zr[g] * zr[g];
                const Batch t = zr[g] * zi[g];
                zr[g] = (cr[g] - a) + b;
                zi[g] = (t + t) + ci[g];
            }
        }
    }

    __attribute__((always_inline)) static unsigned OutLanes(const Batch& zr, const Batch& zi) {
        return OutBits(zr * zr + zi * zi);
    }

    template <bool Looks, bool Blind, int Slots>
    Notice Chunk(LaneState<Slots>& state, int chunk, std::uint64_t discLanes, std::uint64_t carefulLanes) const {
        Batch zr[kGroups], zi[kGroups], cr[kGroups], ci[kGroups];
        Counts count[kGroups];
        unsigned escaped[kGroups];
#pragma GCC unroll 8
        for (int g = 0; g < kGroups; ++g) {
            const int at = g * kLanes;
            zr[g] = Batch::load_unaligned(state.zr + at);
            zi[g] = Batch::load_unaligned(state.zi + at);
            cr[g] = Batch::load_unaligned(state.cr + at);
            ci[g] = Batch::load_unaligned(state.ci + at);
            count[g] = LoadCounts(state.count + at);
        }
        if (!Blind) {
            Mask live[kGroups];
#pragma GCC unroll 8
            for (int g = 0; g < kGroups; ++g) live[g] = AllLive();
            Steps(zr, zi, cr, ci, count, live, chunk);
#pragma GCC unroll 8
            for (int g = 0; g < kGroups; ++g) {
                const int at = g * kLanes;
                zr[g].store_unaligned(state.zr + at);
                zi[g].store_unaligned(state.zi + at);
                StoreCounts(state.count + at, count[g]);
                escaped[g] = ~LiveBits(live[g]) & kAllLanes;
            }
            return AfterChunk<Looks, kGroups>(state, zr, zi, count, escaped, discLanes, kChunk);
        }
        int done = 0;
        int marks = 0;
        state.markAt[0] = 0;
        for (;;) {
#pragma GCC unroll 8
            for (int g = 0; g < kGroups; ++g) {
                zr[g].store_unaligned(state.markRe[marks] + g * kLanes);
                zi[g].store_unaligned(state.markIm[marks] + g * kLanes);
            }
            if (done >= chunk) break;
            const int steps = chunk - done < kMarkSteps ? chunk - done : kMarkSteps;
            BlindSteps(zr, zi, cr, ci, steps);
            done += steps;
            state.markAt[++marks] = done;
        }
#pragma GCC unroll 8
        for (int g = 0; g < kGroups; ++g) {
            const int at = g * kLanes;
            zr[g].store_unaligned(state.zr + at);
            zi[g].store_unaligned(state.zi + at);
            count[g] = AddCounts(count[g], chunk);
            StoreCounts(state.count + at, count[g]);
            const unsigned careful = static_cast<unsigned>(carefulLanes >> at) & kAllLanes;
            const unsigned out = OutLanes(zr[g], zi[g]) & ~careful;
            escaped[g] = out;
            if (out != 0) {
                // The lanes out are rewound all at once: a lane is in at
                // every mark before its first out and out from there on, so
                // its last mark inside is the last where it is in (the end,
                // where every lane here is out, is left out).
                Batch fromRe = Batch::load_unaligned(state.markRe[0] + at);
                Batch fromIm = Batch::load_unaligned(state.markIm[0] + at);
                Counts from = AddCounts(count[g], -chunk);
                for (int m = 1; m < marks; ++m) {
                    const Batch re = Batch::load_unaligned(state.markRe[m] + at);
                    const Batch im = Batch::load_unaligned(state.markIm[m] + at);
                    const Mask in = InsideMask(re * re + im * im);
                    fromRe = Select(in, re, fromRe);
                    fromIm = Select(in, im, fromIm);
                    from = Select(in, AddCounts(count[g], state.markAt[m] - chunk), from);
                }
                StoreWhere(state.zr + at, out, fromRe);
                StoreWhere(state.zi + at, out, fromIm);
                StoreWhere(state.count + at, out, from);
            }
            if (careful != 0) escaped[g] |= Settle(state, at, careful, chunk);
        }
        Notice notice = AfterChunk<true, kGroups>(state, zr, zi, count, escaped, discLanes, kChunk);
        notice.rewound = notice.escaped;
        return notice;
    }

    // Takes a vector of lanes rewound by Chunk or Settle on, looking before each
    // step, until they escape: at most the steps to the next mark, and one
    // look more. Leaves their counts in `count` and answers those that never
    // escaped (z was NaN), whose count is N.
    static std::uint64_t WalkRewound(const double* zrFrom, const double* ziFrom, const double* crOf, const double* ciOf,
                                     std::int64_t* count) {
        Batch zr[kWalkVectors], zi[kWalkVectors], cr[kWalkVectors], ci[kWalkVectors];
        Counts counts[kWalkVectors];
        Mask live[kWalkVectors];
#pragma GCC unroll 8
        for (int v = 0; v < kWalkVectors; ++v) {
            const int at = v * kLanes;
            zr[v] = Batch::load_unaligned(zrFrom + at);
            zi[v] = Batch::load_unaligned(ziFrom + at);
            cr[v] = Batch::load_unaligned(crOf + at);
            ci[v] = Batch::load_unaligned(ciOf + at);
            counts[v] = LoadCounts(count + at);
            live[v] = AllLive();
        }
        Steps<kWalkVectors>(zr, zi, cr, ci, counts, live, kMarkSteps + 1);
        std::uint64_t stayed = 0;
#pragma GCC unroll 8
        for (int v = 0; v < kWalkVectors; ++v) {
            StoreCounts(count + v * kLanes, counts[v]);
            stayed |= static_cast<std::uint64_t>(LiveBits(live[v])) << (v * kLanes);
        }
        return stayed;
    }

    // Takes the whole chunk just taken again, looking, for the careful lanes
    // of the group at `at`, and answers those that escaped: each is left at
    // the z where it did, which WalkRewound finds out at once, like the
    // lanes Chunk rewinds to their last mark inside. Careful lanes that did
    // not escape keep the chunk's z and count.
    template <int Slots>
    __attribute__((noinline)) static unsigned Settle(LaneState<Slots>& state, int at, unsigned careful, int chunk) {
        unsigned done = 0;
        for (; careful != 0; careful &= careful - 1) {
            const int l = __builtin_ctz(careful);
            const int s = at + l;
            double zr = state.markRe[0][s];
            double zi = state.markIm[0][s];
            const double cr = state.cr[s];
            const double ci = state.ci[s];
            for (int step = 0; step <= chunk; ++step) {
                const double a = zi * zi;
                const double b = zr * zr;
                if (b + a >= 4.0) {
                    state.zr[s] = zr;
                    state.zi[s] = zi;
                    state.count[s] += step - chunk;
                    done |= 1u << l;
                    break;
                }
                const double re = (cr - a) + b;
                zi = (zr * zi) * 2.0 + ci;
                zr = re;
            }
        }
        return done;
    }
};

// z <- |z|^p (cos p arg z + i sin p arg z) + c, one group: the
// transcendental functions leave the processor enough independent work.
struct Polar {
    static constexpr int kGroups = 1;
    static constexpr int kChunk = 2;
    static constexpr int kLaneChunk = kChunk;
    static constexpr bool kDiscs = false;
    static constexpr bool kBlind = false;

    double exponent;

    template <bool Looks, bool, int Slots>
    Notice Chunk(LaneState<Slots>& state, int chunk, std::uint64_t, std::uint64_t) const {
        Batch zr = Batch::load_unaligned(state.zr);
        Batch zi = Batch::load_unaligned(state.zi);
        const Batch cr = Batch::load_unaligned(state.cr);
        const Batch ci = Batch::load_unaligned(state.ci);
        Counts count = LoadCounts(state.count);
        Mask live = AllLive();
        const Batch p(exponent);
        for (int i = 0; i < chunk; ++i) {
            const Batch m = zr * zr + zi * zi;
            live = StillLive(live, m);
            count = CountLive(count, live);
            const Batch r = xsimd::pow(xsimd::sqrt(m), p);
            const Batch phi = xsimd::atan2(zi, zr) * p;
            const auto sc = xsimd::sincos(phi);
            const Batch re = AddIfLive(zr, live, r * sc.second, cr);
            zi = AddIfLive(zi, live, r * sc.first, ci);
            zr = re;
        }
        zr.store_unaligned(state.zr);
        zi.store_unaligned(state.zi);
        StoreCounts(state.count, count);
        // Saves no closer than four chunks apart, though a chunk is short:
        // the comparison after each costs little beside the steps.
        const unsigned escaped = ~LiveBits(live) & kAllLanes;
        return AfterChunk<Looks, 1>(state, &zr, &zi, &count, &escaped, 0, 4 * kChunk);
    }
};

// Equal bit for bit, NaN aside: +0 and -0 differ, since the polar loop's
// arctangent tells them apart.
bool SameBits(double x, double y) {
    return x == y && std::signbit(x) == std::signbit(y);
}

// Runs the pixels of the rows the source hands out through kGroups groups of
// lanes. Pixels come in blocks of one lane each, which take their first
// steps together: most pixels that escape early, or that start in an
// interior disc, are done there without a lane of their own. The others
// join the lanes, and a lane whose pixel is done takes the next one at
// once, so lanes do not wait for the slowest pixel of their group. Between
// looks every lane runs a whole chunk, never more steps than the lane
// closest to N has left, so the steps need no test against N of their own.
//
// A pixel is done when its orbit escapes, when it reaches N, or, with count
// N, when it can be shown never to escape:
// - its z equals, bit for bit, a z it had before: the steps are a function
//   of z and c alone, so the orbit repeats from there for ever, through
//   values none of which escaped. NaN never equals itself, so an orbit that
//   turns into NaN runs to N. Each lane saves its z now and then, further
//   apart as its count grows, and compares after every chunk, so that any
//   period is met in the end;
// - (quadratic loop) it lies in one of the interior discs of its c, which it
//   never leaves (generator_discs.inl): looked at after the first steps and
//   after every chunk.
template <class Loop>
class LaneQueue {
public:
    static constexpr int kSlots = Loop::kGroups * kLanes;

    LaneQueue(const KernelRun& run, PixelSource& source) : m_run(run), m_source(source), m_loop{run.exponent} {
        if (run.noisy) {
            m_noise.SeedWith(run.seed);
            m_rowNoiseRe.resize(static_cast<std::size_t>(run.width));
            m_rowNoiseIm.resize(static_cast<std::size_t>(run.width));
        }
        for (std::int64_t& limit : m_limits) limit = run.limit;
        // Block lanes are never due and never meet a saved z; without
        // interior discs (the polar loop) none is ever found.
        for (int s = 0; s < kSlots; ++s) {
            m_block.savedRe[s] = m_block.savedIm[s] = std::numeric_limits<double>::quiet_NaN();
            m_block.lookAfter[s] = std::numeric_limits<std::int64_t>::max();
            for (int d = 0; d < 2; ++d) m_block.discRe[d][s] = m_block.discIm[d][s] = m_block.discR2[d][s] = -1.0;
        }
    }

    void Run() {
        const std::int64_t limit = m_run.limit;
        int active = 0;
        for (int s = 0; s < kSlots; ++s) active += Take(s);
        for (unsigned chunks = 1; active > 0; ++chunks) {
            // Blind chunks save a few operations a step and cost a look back
            // for every lane that escapes: where lanes escape often, as in
            // a picture of short orbits, the steps that look are cheaper.
            const bool blind = Loop::kBlind && m_escapes < kBlindBelow;
            const int most = blind ? Loop::kLaneChunk : Loop::kChunk;
            const int chunk = static_cast<int>(m_leastLeft < most ? m_leastLeft : most);
            const Notice notice = blind
                                      ? m_loop.template Chunk<true, true>(m_state, chunk, m_discLanes, m_carefulLanes)
                                      : m_loop.template Chunk<true, false>(m_state, chunk, m_discLanes, m_carefulLanes);
            // No division for the common whole chunk.
            const int seen = __builtin_popcountll(notice.escaped) * 16;
            m_escapes += ((chunk == kLaneChunk ? seen : seen * kLaneChunk / chunk) - m_escapes) / 8;
            m_leastLeft -= chunk;
            // Lanes still running ran every step of every chunk since they
            // joined, so m_leastLeft stays a lower bound of their margins to
            // N (a lane that joins lowers it to its own); when it reaches 0
            // (the lane that set it may long have escaped) every lane is
            // looked at and the margin found again.
            const bool atLimit = m_leastLeft <= 0;
            std::uint64_t look = notice.any;
            if (atLimit) {
                look = ~std::uint64_t{0} >> (64 - kSlots);
                m_leastLeft = limit;
            }
            for (; look != 0; look &= look - 1) {
                const int s = __builtin_ctzll(look);
                if (m_pixel[s] >= 0 && !LookAt(s, notice, std::uint64_t{1} << s)) --active;
            }
            if (atLimit) {
                for (int s = 0; s < kSlots; ++s)
                    if (m_pixel[s] >= 0 && limit - m_state.count[s] < m_leastLeft)
                        m_leastLeft = limit - m_state.count[s];
            }
            // A run that was stopped leaves the pixels in the lanes undone.
            if (chunks % 64 == 0 && m_source.Stopped()) break;
        }
        WalkRewound();
        m_source.Finished(m_finished);
        m_finished = 0;
    }

private:
    // How many steps a block takes together, in chunks of how many between
    // looks for lanes that are done: kFirstSteps, and then up to
    // kMostFirstSteps while no more than a quarter of its lanes sit idle:
    // neighbours often escape together, and a block costs less a pixel than
    // the lanes.
    static constexpr int kFirstSteps = Loop::kChunk;
    static constexpr int kFirstChunk = Loop::kChunk < 4 ? Loop::kChunk : 4;
    static constexpr int kMostFirstSteps = 8 * Loop::kChunk;
    static constexpr int kMoreChunk = Loop::kChunk < 8 ? Loop::kChunk : 8;
    // Further first steps taken in vain by this many blocks in a row, and
    // the next quiet blocks go to the lanes at once.
    static constexpr int kVainBlocks = 16;
    // Blind chunks while the lanes escape less often than this, in
    // sixteenths of an escape in kLaneChunk steps.
    static constexpr int kBlindBelow = TINDRAL_BLIND_BELOW;

    // Settles the pixel in slot s where it can; answers false when that left
    // the slot idle.
    bool LookAt(int s, const Notice& notice, std::uint64_t bit) {
        const std::int64_t count = m_state.count[s];
        const std::int64_t limit = m_run.limit;
        if (notice.escaped & bit) {
            if (notice.rewound & bit) {
                Rewound(s);
                return Take(s);
            }
            return Finish(s, count < limit ? count : limit);
        }
        if ((notice.interior & bit) || count >= limit) return Finish(s, limit);
        if ((notice.met & bit) && SameBits(m_state.zr[s], m_state.savedRe[s]) &&
            SameBits(m_state.zi[s], m_state.savedIm[s]))
            return Finish(s, limit);
        return true;
    }

    // Keeps the rewound lane in slot s for WalkRewound, and takes a vector
    // of them on once there are enough.
    void Rewound(int s) {
        if constexpr (Loop::kBlind) {
            const int k = m_rewound++;
            m_walk.zr[k] = m_state.zr[s];
            m_walk.zi[k] = m_state.zi[s];
            m_walk.cr[k] = m_state.cr[s];
            m_walk.ci[k] = m_state.ci[s];
            m_walk.count[k] = m_state.count[s];
            m_walkPixel[k] = m_pixel[s];
            if (m_rewound == kWalkLanes) WalkRewound();
        }
    }

    // Writes the counts of the rewound lanes kept; the rest of the vector
    // stays at z = 0, c = 0, which never escapes.
    void WalkRewound() {
        if constexpr (Loop::kBlind) {
            if (m_rewound == 0) return;
            for (int k = m_rewound; k < kWalkLanes; ++k) {
                m_walk.zr[k] = m_walk.zi[k] = m_walk.cr[k] = m_walk.ci[k] = 0.0;
                m_walk.count[k] = 0;
            }
            const std::uint64_t stayed = Loop::WalkRewound(m_walk.zr, m_walk.zi, m_walk.cr, m_walk.ci, m_walk.count);
            const std::int64_t limit = m_run.limit;
            for (int k = 0; k < m_rewound; ++k) {
                const std::int64_t count = m_walk.count[k];
                Write(m_walkPixel[k], (stayed >> k) & 1u ? limit : count < limit ? count : limit);
            }
            m_rewound = 0;
        }
    }

    bool Finish(int s, std::int64_t count) {
        Write(m_pixel[s], count);
        return Take(s);
    }

    void Write(std::int64_t pixel, std::int64_t count) {
        m_run.counts[pixel] = static_cast<std::int32_t>(count);
        ++m_finished;
    }

    // Loads the next pixel that still needs steps into slot s, from the
    // block; answers false and leaves the slot idle when none is left.
    // Inlined where lanes retire, with the block's work kept out of line:
    // the common case is a handful of moves.
    __attribute__((always_inline)) bool Take(int s) {
        while (m_ready == 0)
            if (!NextBlock()) {
                // An idle lane stays at z = 0 with c = 0, never escapes,
                // never meets its saved NaN and is never due.
                m_state.zr[s] = m_state.zi[s] = m_state.cr[s] = m_state.ci[s] = 0.0;
                m_state.savedRe[s] = m_state.savedIm[s] = std::numeric_limits<double>::quiet_NaN();
                m_state.count[s] = 0;
                m_state.lookAfter[s] = std::numeric_limits<std::int64_t>::max();
                m_discLanes &= ~(std::uint64_t{1} << s);
                m_carefulLanes &= ~(std::uint64_t{1} << s);
                m_pixel[s] = -1;
                return false;
            }
        const int b = __builtin_ctzll(m_ready);
        m_ready &= m_ready - 1;
        m_state.zr[s] = m_block.zr[b];
        m_state.zi[s] = m_block.zi[b];
        m_state.cr[s] = m_block.cr[b];
        m_state.ci[s] = m_block.ci[b];
        m_state.count[s] = m_block.count[b];
        m_state.savedRe[s] = m_state.savedIm[s] = std::numeric_limits<double>::quiet_NaN();
        m_state.lookAfter[s] = m_block.count[b] + Loop::kChunk - 1;
        if ((m_blockDiscs >> b) & 1u) {
            for (int d = 0; d < 2; ++d) {
                m_state.discRe[d][s] = m_block.discRe[d][b];
                m_state.discIm[d][s] = m_block.discIm[d][b];
                m_state.discR2[d][s] = m_block.discR2[d][b];
            }
            m_discLanes |= std::uint64_t{1} << s;
        } else {
            m_state.discR2[0][s] = m_state.discR2[1][s] = -1.0;
            m_discLanes &= ~(std::uint64_t{1} << s);
        }
        const double cr = m_block.cr[b];
        const double ci = m_block.ci[b];
        if (cr * cr + ci * ci < kSureNorm)
            m_carefulLanes &= ~(std::uint64_t{1} << s);
        else
            m_carefulLanes |= std::uint64_t{1} << s;
        m_pixel[s] = m_blockInRow ? m_blockStart + b : m_blockPixel[b];
        if (m_run.limit - m_block.count[b] < m_leastLeft) m_leastLeft = m_run.limit - m_block.count[b];
        return true;
    }

    // Moves to the next pixel of the rows handed out, asking for more rows
    // when they are done; false when there are none.
    bool Advance() {
        if (m_column < m_run.width) return true;
        if (++m_position >= m_end) {
            m_source.Finished(m_finished);
            m_finished = 0;
            if (!m_source.NextRows(&m_position, &m_end)) return false;
        }
        const int row = m_run.rowOrder[m_position];
        m_rowIm = m_run.rowIm[row];
        m_rowStart = static_cast<std::int64_t>(row) * m_run.width;
        m_column = 0;
        // A row's noise at once: drawing costs little a pixel beside what
        // each call to draw costs.
        if (m_run.noisy)
            m_noise.DrawRun(static_cast<std::uint64_t>(m_rowStart), m_run.width, m_run.sigma, m_rowNoiseRe.data(),
                            m_rowNoiseIm.data());
        return true;
    }

    // Puts the next block of pixels through its first steps and leaves in
    // m_ready those that need more; false when no pixel is left.
    __attribute__((noinline)) bool NextBlock() {
        int loaded = 0;
        m_blockDiscs = 0;
        m_blockInRow = Advance() && m_run.width - m_column >= kSlots;
        if (m_blockInRow) {
            // The common case, a whole block from one row.
            const Batch y(m_rowIm);
#pragma GCC unroll 8
            for (int g = 0; g < Loop::kGroups; ++g) {
                const Batch x = Batch::load_unaligned(m_run.columnRe + m_column + g * kLanes);
                x.store_unaligned(m_block.zr + g * kLanes);
                x.store_unaligned(m_block.cr + g * kLanes);
                y.store_unaligned(m_block.zi + g * kLanes);
                y.store_unaligned(m_block.ci + g * kLanes);
            }
#pragma GCC unroll 8
            for (int g = 0; g < Loop::kGroups; ++g) StoreCounts(m_block.count + g * kLanes, Counts{});
            m_blockStart = m_rowStart + m_column;
            m_column += kSlots;
            loaded = kSlots;
            if (m_run.noisy) {
                const int from = m_column - kSlots;
#pragma GCC unroll 8
                for (int g = 0; g < Loop::kGroups; ++g) {
                    const int at = g * kLanes;
                    (Batch::load_unaligned(m_rowNoiseRe.data() + from + at) + Batch::load_unaligned(m_block.cr + at))
                        .store_unaligned(m_block.zr + at);
                    (Batch::load_unaligned(m_rowNoiseIm.data() + from + at) + Batch::load_unaligned(m_block.ci + at))
                        .store_unaligned(m_block.zi + at);
                }
            }
        }
        for (; loaded < kSlots && Advance(); ++loaded) {
            const int column = m_column++;
            const double x = m_run.columnRe[column];
            const double y = m_rowIm;
            m_block.zr[loaded] = m_run.noisy ? m_rowNoiseRe[column] + x : x;
            m_block.zi[loaded] = m_run.noisy ? m_rowNoiseIm[column] + y : y;
            m_block.cr[loaded] = x;
            m_block.ci[loaded] = y;
            m_block.count[loaded] = 0;
            m_blockPixel[loaded] = m_rowStart + column;
        }
        if (loaded == 0) return false;
        // The rest take steps nobody looks at.
        for (int b = loaded; b < kSlots; ++b) {
            m_block.zr[b] = m_block.zi[b] = m_block.cr[b] = m_block.ci[b] = 4.0;
            m_block.count[b] = 0;
        }

        // A lane that escapes is written at once and left out; its z may run
        // on (into NaN, where the loops without masks count again), unread.
        // Every lane still live has taken every step.
        std::uint64_t live = ~std::uint64_t{0} >> (64 - loaded);
        int steps = 0;
        // Once the last few blocks went on in vain (as on a filament, where
        // orbits last thousands of steps), the blocks go to the lanes at
        // once, and now and then one still takes its steps first, to tell
        // when that changes; the polar loop's lanes look before every step
        // and gain nothing by it.
        const bool vain = Loop::kBlind && m_vainBlocks >= kVainBlocks;
        const bool probe = vain && (++m_blocks & 15) == 0;
        if (!vain || probe) live = FirstSteps(live, loaded, kFirstSteps, kFirstChunk, &steps);
        if (Loop::kDiscs && live != 0 && steps < m_run.limit) live = InDiscsAfterFirstSteps(live);
        // Lanes with interior discs count as idle: they are better off where
        // their discs are looked at. A block none of whose lanes escaped goes
        // on too, unless blocks go on in vain.
        const int busy = __builtin_popcountll(live & ~m_blockDiscs);
        const bool quiet = busy == loaded;
        if ((!vain || probe) && steps < m_run.limit && 4 * busy >= 3 * loaded) {
            const std::uint64_t before = live;
            live = FirstSteps(live, loaded, kMostFirstSteps, kMoreChunk, &steps);
            if (quiet) m_vainBlocks = live == before ? m_vainBlocks + 1 : 0;
        }
        if (probe && !quiet) m_vainBlocks = 0;
        if (steps >= m_run.limit) {
            WriteBlock(live, m_limits);
            live = 0;
        }
        m_ready = live;
        return true;
    }

    // Takes the live block lanes on, in chunks, up to `upTo` steps (and N)
    // or, past kFirstSteps, until a quarter of the block's lanes sit idle;
    // writes those that escape and answers those still live.
    std::uint64_t FirstSteps(std::uint64_t live, int loaded, int upTo, int chunkSteps, int* steps) {
        const int last = m_run.limit < upTo ? m_run.limit : upTo;
        while (live != 0 && *steps < last) {
            const int chunk = last - *steps < chunkSteps ? last - *steps : chunkSteps;
            const std::uint64_t escaped = m_loop.template Chunk<false, false>(m_block, chunk, 0, 0).escaped & live;
            *steps += chunk;
            live &= ~escaped;
            WriteBlock(escaped, m_block.count);
            if (*steps >= kFirstSteps && 4 * __builtin_popcountll(live & ~m_blockDiscs) < 3 * loaded) break;
        }
        return live;
    }

    // Writes the counts of the chosen block lanes, a group at a time when
    // the block lies in one row.
    void WriteBlock(std::uint64_t lanes, const std::int64_t* counts) {
        if (lanes == 0) return;
        m_finished += __builtin_popcountll(lanes);
        if (!m_blockInRow) {
            for (; lanes != 0; lanes &= lanes - 1) {
                const int b = __builtin_ctzll(lanes);
                m_run.counts[m_blockPixel[b]] = static_cast<std::int32_t>(counts[b]);
            }
            return;
        }
        // No branch per group: a store to no lane stores nothing.
        for (int g = 0; g < Loop::kGroups; ++g) {
            const int at = g * kLanes;
            WriteCounts(m_run.counts + m_blockStart + at, static_cast<unsigned>(lanes >> at) & kAllLanes,
                        LoadCounts(counts + at));
        }
    }

    // Finds the interior discs of the live lanes of the block, settles those
    // already in one, and answers the lanes left.
    std::uint64_t InDiscsAfterFirstSteps(std::uint64_t lanes) {
        for (int g = 0; g < Loop::kGroups; ++g) {
            const int at = g * kLanes;
            if (((lanes >> at) & kAllLanes) == 0) continue;
            const Batch cr = Batch::load_unaligned(m_block.cr + at);
            const Batch ci = Batch::load_unaligned(m_block.ci + at);
            const bool cardioid = MayBeInCardioid(cr, ci);
            const bool bulb = MayBeInBulb(cr, ci);
            if (!cardioid && !bulb) continue;
            // Lanes without discs get r2 < 0, which their disc bits in
            // m_blockDiscs say anyway; nothing reads a disc of a lane whose
            // bit is clear.
            const DiscPair<Batch> discs = Discs(cr, ci, cardioid, bulb);
            const Batch zr = Batch::load_unaligned(m_block.zr + at);
            const Batch zi = Batch::load_unaligned(m_block.zi + at);
            unsigned inside = 0;
            unsigned some = 0;
            for (int d = 0; d < 2; ++d) {
                inside |= Bits(InDisc(discs.re[d], discs.im[d], discs.r2[d], zr, zi));
                some |= Bits(discs.r2[d] >= Batch(0.0));
                discs.re[d].store_unaligned(m_block.discRe[d] + at);
                discs.im[d].store_unaligned(m_block.discIm[d] + at);
                discs.r2[d].store_unaligned(m_block.discR2[d] + at);
            }
            m_blockDiscs |= static_cast<std::uint64_t>(some) << at;
            const std::uint64_t in = static_cast<std::uint64_t>(inside) << at & lanes;
            WriteBlock(in, m_limits);
            lanes &= ~in;
        }
        return lanes;
    }

    const KernelRun& m_run;
    PixelSource& m_source;
    const Loop m_loop;
    CGaussNoise m_noise;
    // The noise of the current row's pixels.
    std::vector<double> m_rowNoiseRe;
    std::vector<double> m_rowNoiseIm;
    // The rows handed out: positions in rowOrder, and where in the current row.
    int m_position = 0;
    int m_end = 0;
    int m_column = std::numeric_limits<int>::max();
    double m_rowIm = 0.0;
    std::int64_t m_rowStart = 0;
    std::int64_t m_finished = 0;
    // The lanes, those with interior discs, and a lower bound of the steps
    // any of them has left.
    LaneState<kSlots> m_state;
    std::int64_t m_pixel[kSlots];
    std::uint64_t m_discLanes = 0;
    // Those whose c lies too far out for an escape to be seen only at the
    // end of a chunk.
    std::uint64_t m_carefulLanes = 0;
    // The lanes' escapes in kLaneChunk steps, in sixteenths, averaged over
    // the last few chunks.
    int m_escapes = 0;
    std::int64_t m_leastLeft = std::numeric_limits<std::int64_t>::max();
    // The block, which of its pixels wait for a lane, and which of those
    // have interior discs.
    LaneState<kSlots> m_block;
    std::int64_t m_blockPixel[kSlots];  // unless the block lies in one row, from m_blockStart on
    std::int64_t m_blockStart = 0;
    std::uint64_t m_ready = 0;
    std::uint64_t m_blockDiscs = 0;
    bool m_blockInRow = false;
    // Blocks in a row whose lanes all took the further first steps without
    // one escaping, and blocks since the count began.
    int m_vainBlocks = 0;
    unsigned m_blocks = 0;
    // N in every lane, to write.
    std::int64_t m_limits[kSlots];
    // Lanes found out after a blind chunk, rewound to their last mark
    // inside, waiting for WalkRewound.
    struct {
        alignas(64) double zr[kWalkLanes];
        alignas(64) double zi[kWalkLanes];
        alignas(64) double cr[kWalkLanes];
        alignas(64) double ci[kWalkLanes];
        alignas(64) std::int64_t count[kWalkLanes];
    } m_walk;
    std::int64_t m_walkPixel[kWalkLanes];
    int m_rewound = 0;
};

}  // namespace

// The lanes of every group start at points of the main cardioid, whose
// orbits settle on a fixed point well away from overflow and subnormals, so
// that every lane takes every step: a lane chunk's steps and its look at the
// end, with nothing else.
std::int64_t TINDRAL_PASTE(TINDRAL_KERNEL, Ceiling)(std::int64_t chunks) {
    Batch zr[Quadratic::kGroups], zi[Quadratic::kGroups], cr[Quadratic::kGroups], ci[Quadratic::kGroups];
    Counts count[Quadratic::kGroups];
    for (int g = 0; g < Quadratic::kGroups; ++g) {
        alignas(64) double re[kLanes];
        for (int l = 0; l < kLanes; ++l) re[l] = -0.3 + 0.01 * (g * kLanes + l);
        cr[g] = zr[g] = Batch::load_unaligned(re);
        ci[g] = zi[g] = Batch(0.1);
        std::int64_t zero[kLanes] = {};
        count[g] = LoadCounts(zero);
    }
    unsigned out = 0;
    for (std::int64_t c = 0; c < chunks; ++c) {
        Quadratic::BlindSteps(zr, zi, cr, ci, kLaneChunk);
#pragma GCC unroll 8
        for (int g = 0; g < Quadratic::kGroups; ++g) {
            out |= Quadratic::OutLanes(zr[g], zi[g]);
            count[g] = AddCounts(count[g], kLaneChunk);
        }
    }
    std::int64_t sum = out;
    for (int g = 0; g < Quadratic::kGroups; ++g) {
        std::int64_t lanes[kLanes];
        StoreCounts(lanes, count[g]);
        for (int l = 0; l < kLanes; ++l) sum += lanes[l];
    }
    return sum;
}

void TINDRAL_KERNEL(const KernelRun& run, PixelSource& source) {
    if (run.polar) {
        LaneQueue<Polar> queue(run, source);
        queue.Run();
    } else {
        LaneQueue<Quadratic> queue(run, source);
        queue.Run();
    }
}
