// The generator's edge cases: the escape rule, pixel placement, the two
// loops, and noise; and the time left that its progress gives.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "core/engine/generator.h"
#include "core/engine/timeleft.h"

namespace {

std::vector<std::int32_t> Generate(const GeneratorInput& in) {
    std::vector<std::int32_t> counts(static_cast<std::size_t>(in.width) * in.height, -1);
    GenerateCounts(in, counts.data());
    return counts;
}

// Pixels of a that differ from their mirror images in b, a w x h picture:
// column c against column w - c, or row r against row h - r. Columns and
// rows stop one step short of the far corner, which is why; the first
// column or row has no partner.
int MirrorDifferences(const std::vector<std::int32_t>& a, const std::vector<std::int32_t>& b, int w, int h, bool rows) {
    int differing = 0;
    for (int r = rows ? 1 : 0; r < h; ++r)
        for (int c = rows ? 0 : 1; c < w; ++c)
            differing += a[r * w + c] != (rows ? b[(h - r) * w + c] : b[r * w + w - c]);
    return differing;
}

struct PointCase {
    const char* name;
    double re, im;
    int iterations;
    double exponent;
    std::int32_t expected;
};

class EscapeRule : public testing::TestWithParam<PointCase> {};

// A single pixel at c, computed as a 1 x 1 picture.
TEST_P(EscapeRule, GivesTheExpectedCount) {
    const PointCase& p = GetParam();
    const GeneratorInput in{1, 1, {{p.re, p.im + 1}, {p.re + 1, p.im}}, p.exponent, 0.0, p.iterations};
    EXPECT_EQ(Generate(in)[0], p.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Points, EscapeRule,
    testing::Values(
        // |c|^2 of exactly 4 escapes at once: the test is "not less than 4".
        PointCase{"OnTheCircle", -2.0, 0.0, 50, 2.0, 0}, PointCase{"Origin", 0.0, 0.0, 50, 2.0, 50},
        PointCase{"OriginPolar", 0.0, 0.0, 50, 3.0, 50}, PointCase{"OutsideTwo", 3.0, 3.0, 50, 2.0, 0},
        // c = 1: z runs 1, 2, 5: |z|^2 reaches 4 at z_1 = 2.
        PointCase{"One", 1.0, 0.0, 50, 2.0, 1}, PointCase{"NoIterations", 0.0, 0.0, 0, 2.0, 0},
        PointCase{"NegativeLimit", 0.0, 0.0, -5, 2.0, 0}, PointCase{"LimitOne", 0.0, 0.0, 1, 2.0, 1},
        // An orbit whose N-th point would escape still counts N.
        PointCase{"EscapesAtTheLimit", 1.0, 0.0, 1, 2.0, 1},
        // c = 1/4 is the cusp, outside every interior disc; its orbit creeps
        // up to 1/2 and never escapes.
        PointCase{"Cusp", 0.25, 0.0, 100000, 2.0, 100000},
        // Just past the cusp the orbit slips through after about pi / sqrt(1e-8) steps.
        PointCase{"PastTheCusp", 0.25 + 1e-8, 0.0, 100000, 2.0, 31413},
        // 0 to a negative power is infinite, and the orbit goes on through NaN to N.
        PointCase{"NaNOrbitRunsOn", 0.0, 0.0, 20, -1.0, 20}),
    [](const testing::TestParamInfo<PointCase>& param) { return param.param.name; });

TEST(Placement, RowsRunBottomUpAndCoordinatesAccumulate) {
    // A 3 x 2 picture over [0, 3] x [0, 2]: pixel (r, c) sits at c + r i
    // from the bottom-left corner; only (0, 0) stays bounded.
    const GeneratorInput in{3, 2, {{0.0, 2.0}, {3.0, 0.0}}, 2.0, 0.0, 10};
    EXPECT_EQ(Generate(in), (std::vector<std::int32_t>{10, 1, 0, 10, 1, 0}));  // c = i cycles through -1 + i and -i
}

TEST(Placement, ReversedCornersMirrorThePicture) {
    GeneratorInput in = DefaultPictureParams();
    const auto normal = Generate(in);
    std::swap(in.rect.upperLeft.re, in.rect.lowerRight.re);
    // Accumulated coordinates differ in their last bits, which may move a
    // boundary pixel or two.
    EXPECT_LT(MirrorDifferences(normal, Generate(in), in.width, in.height, false), 10);
}

TEST(Placement, EmptyPicturesWriteNothing) {
    GeneratorInput in = DefaultPictureParams();
    std::int32_t sentinel = -7;
    in.width = 0;
    GenerateCounts(in, &sentinel);
    in.width = 5;
    in.height = 0;
    GenerateCounts(in, &sentinel);
    EXPECT_EQ(sentinel, -7);
}

TEST(Loops, AnExponentNearTwoTakesThePolarLoopWithNearlyTheSamePicture) {
    GeneratorInput in = DefaultPictureParams();
    const auto quadratic = Generate(in);
    in.exponent = 2.0000001;
    const auto polar = Generate(in);
    int differing = 0;
    for (std::size_t k = 0; k < polar.size(); ++k) differing += quadratic[k] != polar[k];
    EXPECT_LT(differing, 100);
    EXPECT_EQ(std::count(polar.begin(), polar.end(), 0), 2266);
}

TEST(Loops, CubicPictureIsSymmetricAboutTheRealAxis) {
    const GeneratorInput in{40, 41, {{-1.5, 1.5}, {1.5, -1.5}}, 3.0, 0.0, 40};
    const auto counts = Generate(in);
    EXPECT_GT(std::count(counts.begin(), counts.end(), 40), 100);
    EXPECT_LT(MirrorDifferences(counts, counts, in.width, in.height, true), 10);
}

TEST(Noise, SameSeedSamePictureNegativeZeroNoneAndNegativeAsNoisy) {
    GeneratorInput in = DefaultPictureParams();
    const auto clean = Generate(in);
    in.noise = -0.0;
    in.seed = 1234;
    EXPECT_EQ(Generate(in), clean);

    in.noise = 1.0;
    const auto noisy = Generate(in);
    EXPECT_NE(noisy, clean);
    EXPECT_EQ(Generate(in), noisy);  // two pictures of the same second
    in.noise = -1.0;
    const auto negative = Generate(in);
    EXPECT_NE(negative, noisy);
    // The offsets only change sign, so the interior stays about as large.
    EXPECT_LT(std::abs(std::count(noisy.begin(), noisy.end(), 50) - std::count(negative.begin(), negative.end(), 50)),
              150);
    in.seed = 1235;
    EXPECT_NE(Generate(in), negative);  // a second later
}

TEST(Noise, DrawsFollowBoxMuller) {
    CGaussNoise noise;
    noise.SeedWith(7);
    double sum = 0, squares = 0;
    const int n = 20000;
    for (int k = 0; k < n; ++k) {
        noise.Draw(2.0);
        ASSERT_FALSE(std::isnan(noise.m_dRe));
        if (std::isinf(noise.m_dRe)) continue;  // u = 0 happens: an infinite offset
        sum += noise.m_dRe;
        squares += noise.m_dRe * noise.m_dRe;
    }
    EXPECT_NEAR(sum / n, 0.0, 0.1);
    EXPECT_NEAR(std::sqrt(squares / n), 2.0, 0.1);
}

// Readings every 20 ms, as the program takes them, of runs whose share done
// grows in different ways: the time left at the end, or -1 for none.
struct TimeLeftCase {
    const char* name;
    double (*done)(double seconds);
    double at;
    double expected;
};

const TimeLeftCase kTimeLeftCases[] = {
    {"a steady 100 s run after 10 s", [](double t) { return t / 100; }, 10.0, 90.0},
    {"too soon to tell", [](double t) { return t / 100; }, 1.5, -1.0},
    // Rows handed out in runs: the share jumps by 1 % every 2 s.
    {"jumps of a 200 s run", [](double t) { return std::floor(t / 2) / 100; }, 21.0, 179.0},
    // Fast at first, then ten times slower: the estimates do not agree.
    {"a run that slows down", [](double t) { return t < 3 ? t / 20 : 0.15 + (t - 3) / 200; }, 4.0, -1.0},
    // Nothing done for longer than the estimate said was left.
    {"a run that stalls", [](double t) { return std::min(t, 5.0) / 20; }, 30.0, -1.0},
};

class TimeLeft : public ::testing::TestWithParam<TimeLeftCase> {};

TEST_P(TimeLeft, SaysWhatItCanTell) {
    const TimeLeftCase& c = GetParam();
    CTimeLeft estimate;
    double left = -1.0;
    for (int step = 1; step * 0.02 <= c.at + 1e-9; ++step) left = estimate.Update(step * 0.02, c.done(step * 0.02));
    if (c.expected < 0)
        EXPECT_LT(left, 0.0);
    else
        EXPECT_NEAR(left, c.expected, 2.0);
}

INSTANTIATE_TEST_SUITE_P(Progress, TimeLeft, ::testing::ValuesIn(kTimeLeftCases));

}  // namespace
