// A picture from its parameters: sizes, colour policies, and the geometry
// of its window and of a zoom drag, against worked figures.
#include <gtest/gtest.h>

#include <condition_variable>
#include <cstring>
#include <mutex>
#include <set>
#include <tuple>
#include <utility>
#include <vector>

#include "core/engine/computation.h"
#include "core/engine/deep.h"
#include "core/engine/picture.h"
#include "core/engine/zoom.h"
#include "core/palettes/schemes.h"

namespace {

TEST(PictureSizes, RefusesWhatABitmapFileOrMemoryCannotHold) {
    SetImageSizes sizes{};
    ASSERT_TRUE(ComputeSetImageSizes(133, 100, &sizes));
    EXPECT_EQ(sizes.pixelBytes, 13600u);                       // rows of 136 bytes
    EXPECT_FALSE(ComputeSetImageSizes(70000, 70000, &sizes));  // 4.9 GB of pixels: past 32-bit file sizes
    EXPECT_FALSE(ComputeSetImageSizes(-1, 5, &sizes));
    EXPECT_FALSE(ComputeSetImageSizes(65000, 65000, &sizes));  // more pixels than an int counts
    EXPECT_TRUE(ComputeSetImageSizes(46000, 46000, &sizes) == (sizeof(std::size_t) == 8));
    SetPicture picture;
    EXPECT_EQ(AllocatePicture(0, 10, &picture), PictureResult::Empty);
    EXPECT_EQ(AllocatePicture(1000000, 1000000, &picture), PictureResult::TooLarge);
    EXPECT_FALSE(picture.counts || picture.pixels);
}

PictureParams Small() {
    PictureParams params = DefaultPictureParams();
    params.width = 33;
    params.height = 25;
    return params;
}

// The default picture's worked figures: interior pixels take index 0, and
// the equal shares give counts 0, 1 and 2 the indices 158, 134 and 76, 22
// indices in all; the map handed back is the one the pixels show.
TEST(MakePicture, AutoColourHandsTheNewMapBackAndAFixedMapStaysAsItWas) {
    const ColorList fire = MakeScheme(Scheme::Fire);
    const PaletteEntries palette = EntriesFromColors(fire.data(), kSchemeEntries);
    CColorMap map(0);
    SetPicture picture;
    ASSERT_EQ(MakePicture(DefaultPictureParams(), {true, &map}, palette, {}, &picture), PictureResult::Made);
    ASSERT_TRUE(picture.dib);
    EXPECT_EQ(picture.dib->Pixels(), picture.pixels.get());
    std::set<int> indices;
    int interior = 0;
    int countZero = 0;
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 133; ++x) {
            const int count = picture.counts.get()[y * 133 + x];
            const int index = picture.pixels.get()[y * 136 + x];
            indices.insert(index);
            interior += count == 50 && index == 0;
            countZero += count == 0 && index == 158;
            if (count == 1 || count == 2) {
                EXPECT_EQ(index, count == 1 ? 134 : 76);
            }
            EXPECT_EQ(index, map.IndexFor(count));
        }
    EXPECT_EQ(std::make_tuple(interior, countZero, indices.size()), std::make_tuple(2556, 2266, std::size_t{22}));
    // A bitmap that cannot be made leaves the one there was.
    const CDIB* shown = picture.dib.get();
    EXPECT_FALSE(AttachPicture(nullptr, &picture));
    EXPECT_EQ(picture.dib.get(), shown);

    // The same map for a second picture of another region: its own counts do
    // not change the map.
    const std::vector<int> assigned = map.Entries();
    PictureParams other = Small();
    other.rect = SearchRect{{-0.5, 0.5}, {0.5, -0.5}};
    SetPicture second;
    ASSERT_EQ(MakePicture(other, {false, &map}, palette, {}, &second), PictureResult::Made);
    EXPECT_EQ(map.Entries(), assigned);
    EXPECT_EQ(*second.dib->PixelAddress(5, 5), map.IndexFor(second.counts.get()[19 * 33 + 5]));
}

// The single-precision ratio is slightly more than 133 / 100, so a client
// area with the image's own proportions loses a row.
TEST(ChildFit, KeepsTheImagesProportionsWithinTheLimits) {
    // {image width, height, client width, height} within 400 x 533.
    const int cases[][4] = {{133, 100, 133, 99},  {640, 480, 400, 299}, {200, 200, 200, 200},
                            {100, 133, 100, 133}, {320, 200, 320, 199}, {0, 0, 1, 1}};
    for (const auto& c : cases) {
        const PixelSize client = FitChildClient(c[0], c[1], 400, 533);
        EXPECT_EQ(std::make_pair(client.width, client.height), std::make_pair(c[2], c[3])) << c[0] << " x " << c[1];
    }
}

// A pointer's band end for a drag from an anchor over the default 133 x 99
// window: 40 right and 10 down is too wide, so x follows from dy, and then
// the shorter side decides; mirrored drags fit the same way; beyond the
// edges counts as on them.
TEST(ZoomDrag, TheBandKeepsThePicturesProportionsAndGrowsTowardThePointer) {
    const int cases[][6] = {{10, 10, 50, 20, 23, 20},
                            {60, 40, 20, 30, 47, 30},
                            {10, 40, 50, 30, 23, 30},
                            {0, 0, 500, 400, 131, 99},
                            {20, 15, -100, -100, 1, 0}};
    for (const auto& c : cases) {
        PixelPoint end{};
        ASSERT_TRUE(FitBand({c[0], c[1]}, {c[2], c[3]}, {133, 99}, ImageAspect(133, 100), &end));
        EXPECT_EQ(std::make_pair(end.x, end.y), std::make_pair(c[4], c[5])) << c[2] << "," << c[3];
    }
    PixelPoint end{};
    EXPECT_FALSE(FitBand({10, 10}, {40, 40}, {133, 99}, 0.0f, &end)) << "no proportions";
}

TEST(PointUnderTheMouse, MapsTheStretchedWindowToPixelsAndCoordinates) {
    PixelPoint pixel{};
    // The top row is the last one from the bottom.
    ASSERT_TRUE(PixelUnder({132, 98}, {133, 99}, 133, 100, &pixel));
    EXPECT_EQ(std::make_pair(pixel.x, pixel.y), std::make_pair(132, 1));
    EXPECT_FALSE(PixelUnder({133, 5}, {133, 99}, 133, 100, &pixel));
    EXPECT_EQ(FormatCoordinate(-0.75, 0.025), "-0.750");
    EXPECT_EQ(FormatCoordinate(0.1234567891234, 3e-10), "0.12345678912");
}

TEST(PrecisionLimit, NeighbouringPixelsMustKeepDistinctCoordinates) {
    PictureParams params = Small();
    EXPECT_TRUE(NeighboursDistinct(params));
    // A thirty-third of 1e-15 is less than half the spacing of doubles near 0.75.
    params.rect = SearchRect{{-0.75, 0.1}, {-0.75 + 1e-15, 0.1 - 1e-15}};
    EXPECT_FALSE(NeighboursDistinct(params));
    params.rect = SearchRect{{-0.75, 0.1}, {-0.75 + 2e-12, 0.1 - 1.5e-12}};
    EXPECT_TRUE(NeighboursDistinct(params));
    // A zoom into a picture one pixel wide or high has no ratio to keep.
    for (const auto& [width, height] : {std::pair{1, 100}, std::pair{133, 1}}) {
        params.width = width;
        params.height = height;
        params.rect = ZoomedRegion(kDefaultSearchRect, {133, 99}, width - 1, height - 1, {10, 10}, {50, 40});
        EXPECT_FALSE(NeighboursDistinct(params)) << width << " x " << height;
    }
}

// Corners typed as text: ordinary numbers give the doubles they always
// gave, deep ones are kept in all their digits, a centre is shown as its
// corners and kept when none is changed or the size is, and a region no
// arithmetic here computes says why.
TEST(TypedCorners, AreDoublesWhereTheySufficeAndExactBeyond) {
    using C = ComponentCheck;
    const std::string longest = "0." + std::string(kMaxDecimalLength - 2, '1');
    for (const auto& [text, check] : {std::pair<std::string, C>{"-2.416667", C::Sound},
                                      {"-5", C::Sound},
                                      {"1e-400", C::Sound},
                                      {longest, C::Sound},
                                      {longest + "1", C::TooLong},
                                      {"5.5", C::OutOfRange},
                                      {"1e999", C::OutOfRange},
                                      {"0x1p1", C::NotANumber},
                                      {"inf", C::NotANumber},
                                      {"1e12345678", C::NotANumber},
                                      {"", C::NotANumber}})
        EXPECT_EQ(CheckCornerComponent(text), check) << text;
    for (const auto& [text, held] :
         {std::pair{"2.50", true}, {"-0.0", true}, {"0.916667", true}, {"9007199254740993", false}, {"1e-400", false}})
        EXPECT_EQ(HeldByDouble(text), held) << text;

    PictureParams next = DefaultPictureParams();
    const ExactRegion shown{ExactRegion::Kind::Corners, "-2.416667", "1.25", "0.916667", "-1.25"};
    ExactRegion typed = shown;
    typed.a = "-2.0";
    PictureParams made = TypedCornersPicture(next, shown, typed);
    const SearchRect expected{{-2.0, 1.25}, {0.916667, -1.25}};
    EXPECT_TRUE(made.exact == nullptr && std::memcmp(&made.rect, &expected, sizeof expected) == 0);
    typed.a = "-2.0000000000000000000001";
    made = TypedCornersPicture(next, shown, typed);
    EXPECT_TRUE(ExactRegionOf(made) && made.exact->a == typed.a && ChooseArithmetic(made) == Arithmetic::Doubles &&
                std::memcmp(&made.rect, &expected, sizeof expected) == 0);

    typed = {ExactRegion::Kind::Corners, "-0.776610592599701856564039502553659749328",
             "0.134608961675028166056737270233557809541", "-0.776610592599701856564039502552329749328",
             "0.134608961675028166056737270232557809541"};
    made = TypedCornersPicture(next, shown, typed);
    ASSERT_NE(ExactRegionOf(made), nullptr);
    EXPECT_EQ(ExactRegionOf(made)->a + ExactRegionOf(made)->d, typed.a + typed.d);
    EXPECT_EQ(ChooseArithmetic(made), Arithmetic::Perturbation);

    PictureParams centre = next;
    SetExactRegion(&centre, {ExactRegion::Kind::Centre, "0", "0", "1.33e-30", {}});
    const ExactRegion corners = ExactCorners(*centre.exact, centre.width, centre.height);
    const std::string tail = std::string(22, '0');
    EXPECT_EQ(corners.a + " " + corners.b,
              "-0." + std::string(30, '0') + "665" + tail + " 0." + std::string(30, '0') + "500" + tail);
    EXPECT_EQ(TypedCornersPicture(centre, corners, corners).exact, centre.exact);
    // A centre's region kept for another size is not rounded away.
    PictureParams wide = centre;
    wide.width = 640;
    SetExactRegion(&wide, *centre.exact);
    const PictureParams carried = WithRegionOf(next, wide);
    const ExactRegion* kept = ExactRegionOf(carried);
    EXPECT_TRUE(kept && kept->kind == ExactRegion::Kind::Centre && kept->c == "1.33e-30");

    next.exponent = 3.0;
    EXPECT_EQ(WhyBeyond(next, typed), "past the precision of doubles, pictures are computed for the exponent 2 only");
    EXPECT_EQ(WhyBeyond(next, shown), "");
}

// A picture computed on a thread of its own: the generator's counts, its end
// told; one abandoned at once never tells again and ends by itself.
TEST(Computation, FinishesWithTheGeneratorsCountsOrEndsAloneWhenAbandoned) {
    const PictureParams params = Small();
    std::vector<std::int32_t> expected(33 * 25);
    GenerateCountsReference(params, expected.data());
    std::mutex mutex;
    std::condition_variable told;
    int tellings = 0;
    const auto tell = [&] {
        std::lock_guard<std::mutex> lock(mutex);
        ++tellings;
        told.notify_all();
    };
    Block<std::int32_t> counts(static_cast<std::int32_t*>(GlobalAllocZeroed(expected.size() * 4)));
    auto job = CComputation::Start(params, std::move(counts), 2, tell);
    ASSERT_TRUE(job);
    {
        std::unique_lock<std::mutex> lock(mutex);
        told.wait(lock, [&] { return job->GetState() != CComputation::State::Running; });
    }
    ASSERT_EQ(job->GetState(), CComputation::State::Finished);
    EXPECT_EQ(job->Done(), 1.0);
    const Block<std::int32_t> done = job->TakeCounts();
    ASSERT_TRUE(done);
    EXPECT_EQ(std::vector<std::int32_t>(done.get(), done.get() + expected.size()), expected);

    // Minutes of work: orbits for a fractional exponent settle slowly.
    PictureParams slow = params;
    slow.width = 400;
    slow.height = 300;
    slow.iterations = 1000000;
    slow.exponent = 2.5;
    auto abandoned = CComputation::Start(
        slow, Block<std::int32_t>(static_cast<std::int32_t*>(GlobalAllocZeroed(400 * 300 * 4))), 0, tell);
    ASSERT_TRUE(abandoned);
    abandoned->Abandon();
    const int before = [&] {
        std::lock_guard<std::mutex> lock(mutex);
        return tellings;
    }();
    abandoned.reset();
    EXPECT_TRUE(CComputation::WaitForAll(std::chrono::seconds(10)));
    std::lock_guard<std::mutex> lock(mutex);
    EXPECT_EQ(tellings, before);
}

TEST(ZoomDrag, AFullWidthSelectionKeepsTheRealExtentWithTheParametersRatio) {
    const SearchRect zoomed = ZoomedRegion(kDefaultSearchRect, {133, 99}, 132, 99, {0, 0}, {133, 99});
    EXPECT_EQ(zoomed.upperLeft.re, kDefaultSearchRect.upperLeft.re);
    EXPECT_EQ(zoomed.upperLeft.im, kDefaultSearchRect.upperLeft.im);
    EXPECT_DOUBLE_EQ(zoomed.lowerRight.re, kDefaultSearchRect.lowerRight.re);
    EXPECT_NEAR(zoomed.upperLeft.im - zoomed.lowerRight.im, 2.5000005, 1e-12);
    // A band of no size is a region of no size, not an error.
    const SearchRect point = ZoomedRegion(kDefaultSearchRect, {133, 99}, 132, 99, {10, 10}, {10, 10});
    EXPECT_EQ(point.upperLeft.re, point.lowerRight.re);
}

}  // namespace
