// Pictures past the double limit: the arithmetic a picture needs, chosen
// from its parameters, and the counts by perturbation against one reference
// orbit computed in enough binary digits.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/engine/deep_kernels.h"
#include "core/engine/generator.h"
#include "core/engine/region.h"

enum class Arithmetic {
    Doubles,       // the double loops, exactly as they always were
    Perturbation,  // exponent 2, no noise, past the double limit
    Beyond,        // past the double limit, where nothing here computes it
};

// Whether the double loops, with the rounded corners, give the pixels
// distinct coordinates with a margin: each step at least 2^10 units in the
// last place of the largest coordinate. Where they do, they are used as
// they always were.
bool DoublesSuffice(const PictureParams& params);

// params as its record keeps it: with its exact region only where the
// picture is computed from it, so that every other picture's record stays
// as it always was.
PictureParams RecordedParams(const PictureParams& params);

// How params is computed; for Beyond, why not in *why (one sentence).
Arithmetic ChooseArithmetic(const PictureParams& params, std::string* why = nullptr);

// Whether the program can tell this picture's pixels apart: by the double
// loops, or past them by perturbation. The others it refuses.
bool PixelsDistinguishable(const PictureParams& params);

// The next picture of a zoom to region, as doubles found it: as it always
// was where doubles hold its pixels with a margin, otherwise, where
// perturbation can compute it, with the same region found exactly.
PictureParams ZoomedPicture(const PictureParams& next, const SearchRect& region, const ExactRegion& exact);

// The next picture once corners were typed over those shown: next itself
// where none was changed, so that a region, a centre's among them, is kept
// bit for bit; corners that doubles hold as ZoomedPicture takes a region,
// so that such numbers give the doubles they always gave and perturbation
// its exact region; any others as their exact region.
PictureParams TypedCornersPicture(const PictureParams& next, const ExactRegion& shown, const ExactRegion& typed);

// Why next with this region is beyond every arithmetic here (one sentence,
// as ChooseArithmetic says it); empty where it is not, or where only the
// reach of doubles stops it.
std::string WhyBeyond(const PictureParams& next, const ExactRegion& region);

// What to tell of a deep picture most of whose pixels reached the iteration
// limit, whose details deeper zooms need a higher limit to show ("73 % of
// the picture reached the iteration limit; raise it to see more"); empty
// for any other picture.
std::string LimitHint(const PictureParams& params, const std::int32_t* counts);

// The counts of any picture, by the arithmetic it needs; a picture beyond
// every arithmetic is computed by the double loops at its rounded corners.
bool GeneratePictureCounts(const PictureParams& params, std::int32_t* counts, const GeneratorControl& control = {});

// What a perturbation run is made of, in doubles. A pixel's orbit is the
// reference orbit Z plus its own difference z, held as z = scale w, scale a
// power of two that keeps w and (c - C) / scale normal doubles however small
// the pixels are.
struct DeepPlan {
    int width = 0;
    int height = 0;
    int limit = 0;  // N, at least 1
    int bits = 0;   // the reference orbit's binary digits
    // Z(0) = 0, Z(1) = C, ... Z(refEnd), four doubles an index: re, im, and
    // both divided by scale. Z(refEnd) is the reference's first escaped
    // point, or Z(N + 1); then kReferencePadding points of zeros.
    std::vector<double> reference;
    int refEnd = 0;
    int refColumn = 0, refRow = 0;  // the reference's pixel
    double scale = 1.0;
    // (c - C) / scale of every column and of every row.
    std::vector<double> dcRe, dcIm;
    // The skips, by length 2^j (DeepRun): empty where none is proven, or
    // cleared to compute the picture without skipping.
    std::vector<std::vector<DeepSkip>> skips;
    double referenceSeconds = 0.0;  // the time the high-precision work took
    double skipSeconds = 0.0;       // the time the skips took to make
};

// False (with nothing planned) unless params is a Perturbation picture.
bool PlanDeep(const PictureParams& params, DeepPlan* plan);
// The counts of a planned picture, as GenerateCounts gives them, by the
// vector loops on worker threads.
bool RunDeep(const DeepPlan& plan, std::int32_t* counts, const GeneratorControl& control = {});
// The steps the skips take over the whole picture, for the benchmark.
std::int64_t SkippedSteps(const DeepPlan& plan);
// The same by the scalar loop, one pixel at a time on the calling thread:
// the definition of the counts, which the vector loops reproduce exactly.
void RunDeepReference(const DeepPlan& plan, std::int32_t* counts);
