// A picture's region held exactly, as the decimal numbers it was given in,
// of any length: either two corners, sampled as the double loops sample
// them, or a centre and a width with square pixels. Pixel (col, row), rows
// from the bottom, lies at origin + (col stepRe, row stepIm), each pixel's
// coordinates computed on their own in enough precision rather than by
// adding a step again and again.
#pragma once

#include <memory>
#include <string>

#include "core/engine/params.h"
#include "core/engine/zoom.h"

struct ExactRegion {
    enum class Kind { Corners, Centre };
    Kind kind = Kind::Corners;
    // Corners: upper-left (a, b) and lower-right (c, d). Centre: the centre
    // (a, b) and the width c; d is empty.
    std::string a, b, c, d;
};

// The longest number a region takes, in characters.
constexpr std::size_t kMaxDecimalLength = 4000;

// Whether text is a plain decimal number: an optional sign, digits with at
// most one point, an optional exponent of at most 7 digits, no more than
// kMaxDecimalLength characters. No spaces, hexadecimal, infinity or NaN:
// those have no exact value to hold.
bool IsDecimalNumber(const std::string& text);
// Whether a decimal number is above zero.
bool IsPositiveDecimal(const std::string& text);
// Whether the region's numbers are all decimal numbers and a centre's
// width is above zero.
bool IsSoundRegion(const ExactRegion& region);

// Whether a decimal number means just what the shortest digits of its
// nearest double mean ("2.50" as "2.5" does): the double then holds all it
// says.
bool HeldByDouble(const std::string& text);

// What a corner's component typed as text is: a decimal number whose
// nearest double lies within kMinCornerComponent to kMaxCornerComponent, as
// a typed double always had to, or why not.
enum class ComponentCheck { Sound, NotANumber, TooLong, OutOfRange };
ComponentCheck CheckCornerComponent(const std::string& text);

// The region's corners rounded to the nearest doubles, the rectangle the
// double loops, the window and the version 1 record use; for a centre,
// (re - w/2, im + (h/2) d) and (re + w/2, im - (h/2) d), d = w / width.
SearchRect RoundedCorners(const ExactRegion& region, int width, int height);

// The region as its two corners: corners as they are, a centre's in as
// many decimals as its pixels need, and more.
ExactRegion ExactCorners(const ExactRegion& region, int width, int height);

// Params with this region: its rounded corners in rect, the region itself
// in exact.
void SetExactRegion(PictureParams* params, const ExactRegion& region);

// next with picture's region: its exact region where it has one, kept for
// next's size (a centre's corners follow the size, so the region is not
// rounded away), otherwise its rectangle.
PictureParams WithRegionOf(const PictureParams& next, const PictureParams& picture);

// The exact region params stands for, or null: one whose rounded corners
// are params' rect for params' size. A region left behind when the
// rectangle or the size was changed without it is not believed.
const ExactRegion* ExactRegionOf(const PictureParams& params);

// The region a band selects in a picture, as ZoomedRegion finds it, but in
// the exact region's arithmetic: from the picture's exact region, or from
// its corners as the doubles they are. Written as corners, in as many
// decimals as the new pixels need.
ExactRegion ZoomedExactRegion(const PictureParams& old, PixelSize client, int lastColumn, int lastRow,
                              PixelPoint corner, PixelPoint otherCorner);

// The point of a pixel (column from the left, row from the bottom) of a
// picture with an exact region, "re + im i" in as many decimals as it takes
// to tell it from its neighbours; empty without an exact region.
std::string ExactPointText(const PictureParams& params, PixelPoint pixel);
