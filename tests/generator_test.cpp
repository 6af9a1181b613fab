// The generator's figures and edge cases: the default picture's counts, the
// escape rule, pixel placement, the two loops, and noise.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <numeric>
#include <vector>

#include "core/engine/generator.h"

namespace {

GeneratorInput Defaults() {
    GeneratorInput in;
    in.width = kDefaultImageWidth;
    in.height = kDefaultImageHeight;
    in.rect = kDefaultSearchRect;
    in.exponent = kDefaultExponent;
    in.noise = kDefaultNoise;
    in.iterations = kDefaultIterations;
    return in;
}

std::vector<std::int32_t> Generate(const GeneratorInput& in) {
    std::vector<std::int32_t> counts(static_cast<std::size_t>(in.width) * in.height, -1);
    GenerateCounts(in, counts.data());
    return counts;
}

// A single pixel at c, computed as a 1 x 1 picture.
std::int32_t CountAt(double re, double im, int iterations, double exponent = 2.0) {
    GeneratorInput in;
    in.width = in.height = 1;
    in.rect = SearchRect{{re, im + 1}, {re + 1, im}};
    in.iterations = iterations;
    in.exponent = exponent;
    return Generate(in)[0];
}

TEST(DefaultPicture, HasTheKnownFigures) {
    const auto counts = Generate(Defaults());
    ASSERT_EQ(counts.size(), 13300u);
    EXPECT_EQ(std::count(counts.begin(), counts.end(), 50), 2556);
    EXPECT_EQ(std::count(counts.begin(), counts.end(), 0), 2266);
    EXPECT_EQ(std::accumulate(counts.begin(), counts.end(), std::int64_t{0}), 163111);
    // Element 0 is the bottom-left pixel, c = -2.416667 - 1.25i, outside the circle.
    EXPECT_EQ(counts[0], 0);
}

TEST(DefaultPicture, EveryCountLiesWithinTheLimit) {
    for (int n : {1, 2, 7, 50}) {
        GeneratorInput in = Defaults();
        in.iterations = n;
        for (std::int32_t c : Generate(in)) ASSERT_TRUE(c >= 0 && c <= n) << "N=" << n << " count " << c;
    }
}

struct PointCase {
    const char* name;
    double re, im;
    int iterations;
    double exponent;
    std::int32_t expected;
};

class EscapeRule : public testing::TestWithParam<PointCase> {};

TEST_P(EscapeRule, GivesTheExpectedCount) {
    const PointCase& p = GetParam();
    EXPECT_EQ(CountAt(p.re, p.im, p.iterations, p.exponent), p.expected);
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
        // 0 to a negative power is infinite, and the orbit goes on through NaN to N.
        PointCase{"NaNOrbitRunsOn", 0.0, 0.0, 20, -1.0, 20}),
    [](const testing::TestParamInfo<PointCase>& param) { return param.param.name; });

TEST(Placement, RowsRunBottomUpAndCoordinatesAccumulate) {
    // A 3 x 2 picture over [0, 3] x [0, 2]: pixel (r, c) sits at c + r i
    // from the bottom-left corner; only (0, 0) stays bounded.
    GeneratorInput in;
    in.width = 3;
    in.height = 2;
    in.rect = SearchRect{{0.0, 2.0}, {3.0, 0.0}};
    in.iterations = 10;
    const auto counts = Generate(in);
    EXPECT_EQ(counts[0], 10);  // c = 0
    EXPECT_EQ(counts[1], 1);   // c = 1
    EXPECT_EQ(counts[2], 0);   // c = 2
    EXPECT_EQ(counts[3], 10);  // c = i cycles through -1 + i and -i
}

TEST(Placement, ReversedCornersMirrorThePicture) {
    GeneratorInput in = Defaults();
    const auto normal = Generate(in);
    std::swap(in.rect.upperLeft.re, in.rect.lowerRight.re);
    const auto mirrored = Generate(in);
    // Columns stop one step short of the far corner, so reversed column c
    // lies where column W - c lies; accumulated coordinates differ in their
    // last bits, which may move a boundary pixel or two.
    int differing = 0;
    for (int r = 0; r < in.height; ++r)
        for (int c = 1; c < in.width; ++c)
            differing += normal[r * in.width + (in.width - c)] != mirrored[r * in.width + c];
    EXPECT_LT(differing, 10);
}

TEST(Placement, AZeroSizedRectangleIsUniform) {
    GeneratorInput in;
    in.width = 7;
    in.height = 5;
    in.rect = SearchRect{{-0.5, 0.25}, {-0.5, 0.25}};
    in.iterations = 30;
    const auto counts = Generate(in);
    for (std::int32_t c : counts) EXPECT_EQ(c, counts[0]);
}

TEST(Placement, EmptyPicturesWriteNothing) {
    GeneratorInput in = Defaults();
    in.width = 0;
    std::int32_t sentinel = -7;
    GenerateCounts(in, &sentinel);
    in.width = 5;
    in.height = 0;
    GenerateCounts(in, &sentinel);
    EXPECT_EQ(sentinel, -7);
}

TEST(Loops, AnExponentNearTwoTakesThePolarLoopWithNearlyTheSamePicture) {
    GeneratorInput in = Defaults();
    const auto quadratic = Generate(in);
    in.exponent = 2.0000001;
    const auto polar = Generate(in);
    int differing = 0;
    for (std::size_t k = 0; k < quadratic.size(); ++k) differing += quadratic[k] != polar[k];
    EXPECT_LT(differing, 100);
    EXPECT_EQ(std::count(polar.begin(), polar.end(), 0), 2266);
}

TEST(Loops, CubicPictureIsSymmetricAboutTheRealAxis) {
    GeneratorInput in;
    in.width = 40;
    in.height = 41;
    in.rect = SearchRect{{-1.5, 1.5}, {1.5, -1.5}};
    in.exponent = 3.0;
    in.iterations = 40;
    const auto counts = Generate(in);
    EXPECT_GT(std::count(counts.begin(), counts.end(), 40), 100);
    // Rows stop one step short of the top corner: row r mirrors row H - r.
    int asymmetric = 0;
    for (int r = 1; r < in.height; ++r)
        for (int c = 0; c < in.width; ++c)
            asymmetric += counts[r * in.width + c] != counts[(in.height - r) * in.width + c];
    EXPECT_LT(asymmetric, 10);
}

TEST(Noise, SameSeedSamePictureAndNegativeZeroIsNoNoise) {
    GeneratorInput in = Defaults();
    const auto clean = Generate(in);
    in.noise = -0.0;
    in.seed = 1234;
    EXPECT_EQ(Generate(in), clean);

    in.noise = 1.0;
    const auto noisy = Generate(in);
    EXPECT_NE(noisy, clean);
    EXPECT_EQ(Generate(in), noisy);  // two pictures of the same second
    in.seed = 1235;
    EXPECT_NE(Generate(in), noisy);  // a second later
}

TEST(Noise, NegativeAmountIsAsNoisyAsPositive) {
    GeneratorInput in = Defaults();
    in.seed = 99;
    in.noise = 1.0;
    const auto plus = Generate(in);
    in.noise = -1.0;
    const auto minus = Generate(in);
    EXPECT_NE(plus, minus);
    // The offsets only change sign, so the interior stays about as large.
    const auto inside = [](const std::vector<std::int32_t>& v) { return std::count(v.begin(), v.end(), 50); };
    EXPECT_NEAR(static_cast<double>(inside(plus)), static_cast<double>(inside(minus)), 150.0);
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

}  // namespace
