// The fast generator against the scalar reference: every instruction set,
// forced one at a time, on one thread and on several, must give the very
// same counts, also where orbits are cut short as interior: across the
// boundaries of the cardioid and the period-2 disc at fine spacing, at the
// cusp, in a small copy of the set, from noisy starts, for other exponents
// and through NaN. Pictures of the same parameters must hash alike on every
// build; progress and cancelling must behave.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "core/engine/generator.h"
#include "support/variants.h"

namespace {

// The input's fields in their order: width, height, rectangle, exponent,
// noise, N, seed; and, for a golden scene, the hash of its counts.
struct Scene {
    const char* name;
    GeneratorInput in;
    std::uint64_t hash = 0;
};

constexpr SearchRect kFullView = kDefaultSearchRect;
constexpr SearchRect kBoundary{{-0.7436447860 - 0.5e-4, 0.1318252536 + 0.375e-4},
                               {-0.7436447860 + 0.5e-4, 0.1318252536 - 0.375e-4}};
constexpr SearchRect kAroundZero{{0.0, 1.0}, {1.0, 0.0}};  // pixel 0 is c = 0 exactly

// A square `width` wide around re + i im.
SearchRect Around(double re, double im, double width) {
    return {{re - width / 2, im + width / 2}, {re + width / 2, im - width / 2}};
}

// Points of the boundaries of the main cardioid and of the period-2 disc.
SearchRect AcrossCardioid(double angle, double width) {
    return Around(0.5 * std::cos(angle) - 0.25 * std::cos(2 * angle),
                  0.5 * std::sin(angle) - 0.25 * std::sin(2 * angle), width);
}
SearchRect AcrossBulb(double angle, double width) {
    return Around(-1.0 + 0.25 * std::cos(angle), 0.25 * std::sin(angle), width);
}

const std::vector<Scene> kScenes = {
    {"DefaultPicture", {133, 100, kFullView, 2.0, 0.0, 50}},
    {"NoIterations", {17, 5, kFullView, 2.0, 0.0, 0}},
    {"OneIteration", {17, 5, kFullView, 2.0, 0.0, 1}},
    {"OddWidth", {13, 7, kFullView, 2.0, 0.0, 60}},
    {"OnePixel", {1, 1, {{-0.1, 0.1}, {0.1, -0.1}}, 2.0, 0.0, 100}},
    {"OneColumn", {1, 9, kFullView, 2.0, 0.0, 40}},
    {"OutsideTheCircle", {11, 6, {{3.0, 4.0}, {5.0, 2.0}}, 2.0, 0.0, 50}},
    {"ReversedCorners", {31, 23, {{0.916667, -1.25}, {-2.416667, 1.25}}, 2.0, 0.0, 50}},
    {"HugeCoordinates", {12, 9, {{-1e300, 1e300}, {1e300, -1e300}}, 2.0, 0.0, 50}},
    {"Subnormal", {12, 9, {{-1e-310, 1e-310}, {1e-310, -1e-310}}, 2.0, 0.0, 50}},
    {"ZeroSized", {10, 3, {{-0.5, 0.25}, {-0.5, 0.25}}, 2.0, 0.0, 30}},
    {"BoundaryZoom", {64, 48, kBoundary, 2.0, 0.0, 3000}},
    {"ManyRuns", {300, 211, kFullView, 2.0, 0.0, 400}},
    {"Cubic", {41, 31, {{-1.5, 1.5}, {1.5, -1.5}}, 3.0, 0.0, 60}},
    {"FractionalPower", {37, 29, {{-2.0, 1.5}, {1.5, -1.5}}, 2.5, 0.0, 40}},
    {"NearlyTwo", {33, 25, kFullView, 2.0000001, 0.0, 50}},
    {"NegativePowerNaNOrbits", {21, 17, kAroundZero, -1.0, 0.0, 30}},
    {"NegativeCubicNaNOrbits", {21, 17, {{-1.0, 1.0}, {1.0, -1.0}}, -3.0, 0.0, 30}},
    {"HugePowerArguments", {9, 7, {{-1.0, 1.0}, {1.0, -1.0}}, 1e17, 0.0, 6}},
    {"Noisy", {133, 100, kFullView, 2.0, 1.0, 50}},
    {"NoisyNegative", {40, 30, kFullView, 2.0, -3.0, 50}},
    {"NoisyPolar", {40, 30, kFullView, 3.0, 1.0, 30}},
    // Where orbits stop early as interior, and around it.
    {"WholeSet", {320, 240, {{-2.0, 1.2}, {0.6, -1.2}}, 2.0, 0.0, 600}},
    {"CardioidTop", {128, 128, AcrossCardioid(1.3, 1e-3), 2.0, 0.0, 600}},
    {"CardioidLeft", {128, 128, AcrossCardioid(2.7, 1e-4), 2.0, 0.0, 600}},
    {"CardioidRight", {128, 128, AcrossCardioid(0.4, 1e-2), 2.0, 0.0, 600}},
    {"CardioidFine", {96, 96, AcrossCardioid(2.0, 1e-9), 2.0, 0.0, 600}},
    {"BulbTop", {128, 128, AcrossBulb(1.4, 1e-3), 2.0, 0.0, 600}},
    {"BulbLeft", {128, 128, AcrossBulb(3.0, 1e-2), 2.0, 0.0, 600}},
    {"BulbFine", {96, 96, AcrossBulb(0.9, 1e-9), 2.0, 0.0, 600}},
    {"Cusp", {128, 128, Around(0.25, 0.0, 1e-2), 2.0, 0.0, 1000}},
    {"CuspFine", {64, 64, Around(0.25, 0.0, 1e-9), 2.0, 0.0, 600}},
    {"Junction", {96, 96, Around(-0.75, 0.0, 1e-3), 2.0, 0.0, 600}},
    {"SmallCopy", {80, 60, Around(-1.7687788, 0.0017389, 4e-4), 2.0, 0.0, 3000}},
    // Where nearly every orbit escapes late, and where |c| comes so near 2
    // that an escaped orbit may come back in.
    {"Filament", {80, 60, Around(-0.7500035, 0.002, 5e-6), 2.0, 0.0, 2000}},
    // Past the first blocks, pixels join the lanes without first steps.
    {"NoisyFilament", {80, 60, Around(-0.7500035, 0.002, 5e-6), 2.0, 1.0, 2000}},
    {"AntennaTip", {96, 64, {{-2.0005, 1e-6}, {-1.9965, 0.0}}, 2.0, 0.0, 800}},  // row 0 on the axis
    {"NoisyAntennaTip", {64, 64, Around(-1.9985, 0.0, 4e-3), 2.0, 3.0, 800}},
    {"NoisyInterior", {160, 120, {{-1.3, 0.7}, {0.4, -0.7}}, 2.0, 4.0, 600}},
    {"CubicInterior", {48, 36, {{-1.6, 1.2}, {1.6, -1.2}}, 3.0, 0.0, 200}},
    {"FractionalInterior", {48, 36, {{-1.5, 1.2}, {1.0, -1.2}}, 2.5, 0.0, 200}},
};

std::vector<std::int32_t> Reference(const GeneratorInput& in) {
    std::vector<std::int32_t> counts(static_cast<std::size_t>(in.width) * in.height, -1);
    GenerateCountsReference(in, counts.data());
    return counts;
}

// Index of the first difference, for a readable failure.
std::string FirstDifference(const std::vector<std::int32_t>& want, const std::vector<std::int32_t>& got) {
    const auto at = std::mismatch(want.begin(), want.end(), got.begin());
    if (at.first == want.end()) return "same";
    return "pixel " + std::to_string(at.first - want.begin()) + ": reference " + std::to_string(*at.first) + ", fast " +
           std::to_string(*at.second);
}

class EveryVariant : public testing::TestWithParam<Scene> {};

TEST_P(EveryVariant, MatchesTheReferenceOnOneThreadAndOnSeveral) {
    const GeneratorInput& in = GetParam().in;
    const auto want = Reference(in);
    ForEachVariant([&](const GeneratorControl& control, const std::string& variant) {
        std::vector<std::int32_t> got(want.size(), -1);
        ASSERT_TRUE(GenerateCounts(in, got.data(), control));
        ASSERT_TRUE(got == want) << variant << ": " << FirstDifference(want, got);
    });
}

INSTANTIATE_TEST_SUITE_P(Scenes, EveryVariant, testing::ValuesIn(kScenes),
                         [](const testing::TestParamInfo<Scene>& param) { return param.param.name; });

// Measured once on Linux; Windows builds (win64 under Wine) must agree, which
// holds only because the polar loop and the noise take their transcendental
// functions from the same library on every build.
const Scene kGoldens[] = {
    {"Cubic", {200, 150, {{-1.5, 1.5}, {1.5, -1.5}}, 3.0, 0.0, 200}, 12607874447327018606ULL},
    {"FractionalPower", {160, 120, {{-2.0, 1.5}, {1.5, -1.5}}, 2.5, 0.0, 100}, 14156330733690180801ULL},
    {"NoisyDefault", {133, 100, kFullView, 2.0, 1.0, 50, 1234567890u}, 11459549178707823487ULL},
    {"BoundaryZoom", {192, 144, kBoundary, 2.0, 0.0, 5000}, 14054749269718385619ULL},
};

class SameOnEveryBuild : public testing::TestWithParam<Scene> {};

TEST_P(SameOnEveryBuild, CountsHashAsMeasuredOnLinux) {
    const GeneratorInput& in = GetParam().in;
    std::vector<std::int32_t> counts(static_cast<std::size_t>(in.width) * in.height);
    ASSERT_TRUE(GenerateCounts(in, counts.data()));
    EXPECT_EQ(Hash(counts), GetParam().hash) << std::hex << Hash(counts);
    EXPECT_EQ(Hash(Reference(in)), GetParam().hash);
}

INSTANTIATE_TEST_SUITE_P(Scenes, SameOnEveryBuild, testing::ValuesIn(kGoldens),
                         [](const testing::TestParamInfo<Scene>& param) { return param.param.name; });

// Slow enough for many runs of rows.
const GeneratorInput kSlow{400, 300, kFullView, 2.0, 0.0, 200};

TEST(Progress, RisesToOneOnTheCallingThread) {
    for (int threads : {1, 2}) {
        std::vector<std::int32_t> counts(static_cast<std::size_t>(kSlow.width) * kSlow.height);
        std::vector<double> reports;
        bool elsewhere = false;
        const auto caller = std::this_thread::get_id();
        GeneratorControl control;
        control.threads = threads;
        control.progress = [&](double done) {
            elsewhere = elsewhere || std::this_thread::get_id() != caller;
            reports.push_back(done);
            return true;
        };
        ASSERT_TRUE(GenerateCounts(kSlow, counts.data(), control));
        EXPECT_FALSE(elsewhere);
        ASSERT_TRUE(!reports.empty() && reports.back() == 1.0);
        EXPECT_TRUE(threads > 1 || reports.size() > 2);
        EXPECT_TRUE(std::is_sorted(reports.begin(), reports.end()) && reports.front() >= 0.0);
        EXPECT_EQ(counts, Reference(kSlow)) << threads << " thread(s)";
    }
}

TEST(Progress, AnsweringFalseStopsTheRunWithRowsFromAllOverThePicture) {
    std::vector<std::int32_t> counts(static_cast<std::size_t>(kSlow.width) * kSlow.height, -1);
    GeneratorControl control;
    control.threads = 1;
    int calls = 0;
    control.progress = [&](double) { return ++calls < 2; };
    EXPECT_FALSE(GenerateCounts(kSlow, counts.data(), control));
    EXPECT_EQ(calls, 2);
    // Rows are handed out spread over the picture, so that progress moves
    // about evenly however the costly rows lie: the first ones done reach
    // into every quarter, and most rows were never started.
    int untouched = 0, reached[4] = {};
    for (int r = 0; r < kSlow.height; ++r) {
        const auto row = counts.begin() + static_cast<std::ptrdiff_t>(r) * kSlow.width;
        const bool touched = std::any_of(row, row + kSlow.width, [](std::int32_t c) { return c >= 0; });
        untouched += !touched;
        reached[4 * r / kSlow.height] += touched;
    }
    EXPECT_GT(untouched, kSlow.height / 2);
    EXPECT_TRUE(reached[0] && reached[1] && reached[2] && reached[3]);
}

TEST(Progress, AThrowingCallbackOrACancelFlagStopsEveryThread) {
    std::vector<std::int32_t> counts(static_cast<std::size_t>(kSlow.width) * kSlow.height, -1);
    std::atomic<bool> cancel{true};
    for (int threads : {1, 2}) {
        GeneratorControl control;
        control.threads = threads;
        control.cancel = &cancel;
        EXPECT_FALSE(GenerateCounts(kSlow, counts.data(), control)) << threads << " thread(s)";
        // A callback that throws gets the workers stopped and joined before
        // the exception passes on.
        control.cancel = nullptr;
        control.progress = [](double) -> bool { throw std::runtime_error("out of patience"); };
        EXPECT_THROW(GenerateCounts(kSlow, counts.data(), control), std::runtime_error) << threads << " thread(s)";
    }
    cancel = false;
    GeneratorControl control;
    control.cancel = &cancel;
    EXPECT_TRUE(GenerateCounts(kSlow, counts.data(), control));
    EXPECT_EQ(counts, Reference(kSlow));
}

TEST(Threads, AnExplicitCountWinsOverTheEnvironment) {
#ifndef _WIN32
    ::setenv("TINDRAL_THREADS", "5", 1);
    EXPECT_EQ(GeneratorThreadCount(0), 5);
    EXPECT_EQ(GeneratorThreadCount(2), 2);
    ::setenv("TINDRAL_THREADS", "none", 1);
    EXPECT_GE(GeneratorThreadCount(0), 1);
    ::unsetenv("TINDRAL_THREADS");
#endif
}

}  // namespace
