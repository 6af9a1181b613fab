// Pictures past the double limit against the loop itself: natively, every
// pixel's count is computed again in MPFR with enough digits, straight from
// its exact point; on every build the counts hash as they did on Linux.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "core/engine/deep.h"
#include "core/engine/fixedpoint.h"
#include "core/engine/region.h"
#include "support/variants.h"

#if defined(TINDRAL_TEST_MPFR)
#include <mpfr.h>
#endif

namespace {

// A preperiodic point with a slowly turning spiral around it (preperiod 23,
// period 2), to 330 digits.
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

// The centre of a small copy of the set (period 31, about 3e-17 across).
const char kCopyRe[] =
    "0.00000252654387790355422194798255500607091237223832952263034475593232808720748636484904134953117757"
    "8972651543194410733205956708505746247807457285055522283366645870523535396015577393408486362234083586"
    "9253802389912530615439183209190526887916438852166419027907242102988164554022562915767605908639387328"
    "0724813400646502159029990475408615359";
const char kCopyIm[] =
    "0.99999764471492131926169653160324308160287994299883042992092760882806574435202494310752339024826062"
    "1658525953315242318265278120851992104727696733893226546254158548260049785695493468050193484036032158"
    "7213066626169369670977671168909147511290450762916509686311768483401725811884676484944952999137498498"
    "15816361600983315953717147381438";

struct DeepCase {
    const char* name;
    std::string re, im;
    int depth;  // the width is 10^-depth
    int iterations;
    std::uint64_t hash;  // of the counts, as measured on Linux
};

// 1 + digits 10^-(depth + 1): a little above 1 on the scale of the width.
std::string JustAboveOne(int depth, const char* digits) {
    return "1." + std::string(static_cast<std::size_t>(depth), '0') + digits;
}

const DeepCase kCases[] = {
    {"Spiral1e20", kSpiralRe, kSpiralIm, 20, 2500, 6157064335824010723ULL},
    {"Spiral1e60", kSpiralRe, kSpiralIm, 60, 8000, 1426409231183736401ULL},
    // i is preperiodic too: filaments branch there at every scale.
    {"Branch1e20", "3.1e-22", JustAboveOne(21, "27"), 20, 600, 6820571615657204176ULL},
    {"Branch1e60", "3.1e-62", JustAboveOne(61, "27"), 60, 800, 11693034712860173879ULL},
    {"Branch1e100", "-1.3e-102", JustAboveOne(101, "19"), 100, 1200, 4895246223510349396ULL},
    {"Branch1e300", "-2.3e-302", JustAboveOne(301, "41"), 300, 2000, 997303788086395637ULL},
    {"SmallCopy1e16", kCopyRe, kCopyIm, 16, 3000, 12002818345658990162ULL},
    // The needle: the real axis inside the set, its surroundings escaping.
    // A row of pixels lies exactly on it, in the set.
    {"Needle1e20", "-1.9990234375000000000123", "0", 20, 2000, 2963741928420351940ULL},
    {"Needle1e100", "-1.9990234375" + std::string(90, '0') + "123", "0", 100, 3000, 6748559518332658057ULL},
};

std::string Width(const DeepCase& c) {
    return "1e-" + std::to_string(c.depth);
}

struct DeepCounts {
    std::vector<std::int32_t> skipped, unskipped;
};

// The scalar loop's counts with skipping, which every vector loop must give
// on one thread and on several, and without. At half the lowest count every
// pixel is still within its skips, which must stop at the limit exactly.
DeepCounts Deep(const DeepCase& c, int width, int height) {
    PictureParams p;
    p.width = width;
    p.height = height;
    p.iterations = c.iterations;
    SetExactRegion(&p, ExactRegion{ExactRegion::Kind::Centre, c.re, c.im, Width(c), {}});
    EXPECT_EQ(ChooseArithmetic(p), Arithmetic::Perturbation);
    DeepPlan plan;
    EXPECT_TRUE(PlanDeep(p, &plan));
    DeepCounts counts;
    const std::size_t size = static_cast<std::size_t>(width) * height;
    for (int limit : {c.iterations, 0}) {
        if (limit == 0)
            limit = plan.limit = std::max(1, *std::min_element(counts.skipped.begin(), counts.skipped.end()) / 2);
        std::vector<std::int32_t> want(size, -1);
        RunDeepReference(plan, want.data());
        ForEachVariant([&](const GeneratorControl& control, const std::string& variant) {
            std::vector<std::int32_t> got(want.size(), -1);
            EXPECT_TRUE(RunDeep(plan, got.data(), control));
            EXPECT_TRUE(got == want) << variant << " at N = " << limit;
        });
        if (limit == c.iterations) {
            counts.skipped = want;
        } else {
            EXPECT_EQ(std::count(want.begin(), want.end(), limit), static_cast<std::ptrdiff_t>(size))
                << "N = " << limit;
        }
    }
    plan.limit = c.iterations;
    plan.skips.clear();
    counts.unskipped.assign(size, -1);
    RunDeepReference(plan, counts.unskipped.data());
    return counts;
}

constexpr int kWidth = 64;
constexpr int kHeight = 48;

#if defined(TINDRAL_TEST_MPFR)
// The design's loop at c = (re - w/2 + col d, im - (h/2) d + row d), d = w / width.
std::vector<std::int32_t> Exact(const DeepCase& c, int width, int height, mpfr_prec_t bits) {
    mpfr_t re, im, d, cr, ci, zr, zi, a, b, t;
    for (mpfr_ptr x : {re, im, d, cr, ci, zr, zi, a, b, t}) mpfr_init2(x, bits);
    mpfr_set_str(re, c.re.c_str(), 10, MPFR_RNDN);
    mpfr_set_str(im, c.im.c_str(), 10, MPFR_RNDN);
    mpfr_set_str(d, Width(c).c_str(), 10, MPFR_RNDN);
    mpfr_div_si(d, d, width, MPFR_RNDN);
    std::vector<std::int32_t> counts;
    for (int row = 0; row < height; ++row)
        for (int col = 0; col < width; ++col) {
            mpfr_mul_si(cr, d, 2 * col - width, MPFR_RNDN);
            mpfr_div_2ui(cr, cr, 1, MPFR_RNDN);
            mpfr_add(cr, cr, re, MPFR_RNDN);
            mpfr_mul_si(ci, d, 2 * row - height, MPFR_RNDN);
            mpfr_div_2ui(ci, ci, 1, MPFR_RNDN);
            mpfr_add(ci, ci, im, MPFR_RNDN);
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
                if (++count >= c.iterations) break;
            }
            counts.push_back(count);
        }
    for (mpfr_ptr x : {re, im, d, cr, ci, zr, zi, a, b, t}) mpfr_clear(x);
    return counts;
}

// x exactly, from its limbs.
template <int Limbs>
void SetFixed(mpfr_t to, const Fixed<Limbs>& x) {
    mpfr_set_si_2exp(to, x.Negative() ? -1 : 0, 64 * Limbs - Fixed<Limbs>::kFraction, MPFR_RNDN);
    for (int i = 0; i < Limbs; ++i) {
        mpfr_t limb;
        mpfr_init2(limb, 64);
        mpfr_set_ui_2exp(limb, x.limb[i], 64 * i - Fixed<Limbs>::kFraction, MPFR_RNDN);
        mpfr_add(to, to, limb, MPFR_RNDN);
        mpfr_clear(limb);
    }
}

// The reference orbit's doubles, and its doubles scaled for the deepest
// pictures, are those of its C's orbit in twice the digits: one that
// escapes after its errors have grown 2^1000-fold, one that passes within
// about 1e-290 of 0 every 31 steps (a small copy's nucleus). Past the
// least normal double, one rounding down to the subnormals.
TEST(ReferenceOrbit, GivesTheDoublesOfTheExactOrbit) {
    constexpr int kLimbs = 18;
    using F = Fixed<kLimbs>;
    mpfr_t cr, ci, zr, zi, a, b, t;
    for (mpfr_ptr x : {cr, ci, zr, zi, a, b, t}) mpfr_init2(x, 2 * F::kFraction);
    const auto same = [&](mpfr_t exact, const F& x) {
        mpfr_mul_2si(t, exact, 1010, MPFR_RNDN);
        return ToDouble(x) == mpfr_get_d(exact, MPFR_RNDN) && ToDouble(x, -1010) == mpfr_get_d(t, MPFR_RNDN);
    };
    for (std::uint64_t low : {1ULL, 1ULL << 61, (1ULL << 61) + 1, 3ULL << 61, 1ULL << 62}) {
        F x;
        x.limb[0] = low;
        for (const F& y : {x, -x}) {
            SetFixed(a, y);
            EXPECT_EQ(ToDouble(y), mpfr_get_d(a, MPFR_RNDN)) << low;
        }
    }
    const std::pair<WidestFloat, WidestFloat> points[] = {
        {WidestFloat("-2.3e-302"), WidestFloat(JustAboveOne(301, "41"))},
        {WidestFloat(kCopyRe) + WidestFloat("1e-300"), WidestFloat(kCopyIm)}};
    for (const auto& [re, im] : points) {
        const F fr = ToFixed<kLimbs>(re), fi = ToFixed<kLimbs>(im);
        SetFixed(cr, fr);
        SetFixed(ci, fi);
        mpfr_set_ui(zr, 0, MPFR_RNDN);
        mpfr_set_ui(zi, 0, MPFR_RNDN);
        int n = 0;
        bool escaped = false;
        double nearest = 1.0;
        const int last = 3000;
        const int end = FixedOrbit(fr, fi, last, [&](const F& r, const F& i) {
            EXPECT_FALSE(escaped) << n;
            EXPECT_TRUE(same(zr, r) && same(zi, i)) << n;
            if (n > 0) nearest = std::min(nearest, std::fabs(ToDouble(r)) + std::fabs(ToDouble(i)));
            mpfr_sqr(a, zr, MPFR_RNDN);
            mpfr_sqr(b, zi, MPFR_RNDN);
            mpfr_add(t, a, b, MPFR_RNDN);
            escaped = n > 0 && mpfr_cmp_ui(t, 4) >= 0;
            mpfr_mul(zi, zr, zi, MPFR_RNDN);
            mpfr_mul_2ui(zi, zi, 1, MPFR_RNDN);
            mpfr_add(zi, zi, ci, MPFR_RNDN);
            mpfr_sub(zr, a, b, MPFR_RNDN);
            mpfr_add(zr, zr, cr, MPFR_RNDN);
            ++n;
        });
        EXPECT_EQ(end + 1, n);
        EXPECT_TRUE(escaped || end == last) << re;
        EXPECT_TRUE(end < last || nearest < 1e-280) << re << " tests nothing: " << end << ", " << nearest;
    }
    for (mpfr_ptr x : {cr, ci, zr, zi, a, b, t}) mpfr_clear(x);
}
#endif

class DeepPicture : public testing::TestWithParam<DeepCase> {};

TEST_P(DeepPicture, GivesTheExactLoopsCounts) {
    const DeepCase& c = GetParam();
    const DeepCounts counts = Deep(c, kWidth, kHeight);
    const auto& got = counts.skipped;
#if defined(TINDRAL_TEST_MPFR)
    // The pixels' spacing in bits, and as many again for the orbit's growth.
    const mpfr_prec_t bits = static_cast<mpfr_prec_t>(3.33 * (c.depth + 2)) + 128;
    const auto want = Exact(c, kWidth, kHeight, bits);
    int wrong = 0;
    std::string where;
    for (std::size_t i = 0; i < want.size(); ++i)
        if (want[i] != got[i]) {
            ++wrong;
            where += " (" + std::to_string(i % kWidth) + "," + std::to_string(i / kWidth) +
                     "): " + std::to_string(got[i]) + " not " + std::to_string(want[i]);
        }
    // At most 0.1 % differ, and no two neighbours together (a glitch shows as a block).
    EXPECT_LE(wrong * 1000, static_cast<int>(want.size())) << wrong << " wrong:" << where;
    for (int r = 0; r + 1 < kHeight; ++r)
        for (int col = 0; col + 1 < kWidth; ++col) {
            const auto bad = [&](int x, int y) { return want[y * kWidth + x] != got[y * kWidth + x]; };
            EXPECT_FALSE(bad(col, r) && (bad(col + 1, r) || bad(col, r + 1))) << "a block at " << col << "," << r;
        }
    // On these pictures skipping changes a count only where the loop without
    // it is off the exact count too, its own rounding deciding the escape
    // there; a skip past an escape, a rebase or the limit changes right ones.
    for (std::size_t i = 0; i < want.size(); ++i)
        if (got[i] != counts.unskipped[i]) {
            EXPECT_NE(counts.unskipped[i], want[i])
                << "a skip changed the right count at " << i % kWidth << "," << i / kWidth << " to " << got[i];
        }
    std::int32_t low = c.iterations, high = 0;
    for (std::int32_t v : want) low = std::min(low, v), high = std::max(high, v);
    EXPECT_LT(low, high) << "a uniform picture tests nothing";
#endif
    EXPECT_EQ(Hash(got), c.hash) << Hash(got);
}

INSTANTIATE_TEST_SUITE_P(Places, DeepPicture, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<DeepCase>& param) { return param.param.name; });

}  // namespace
