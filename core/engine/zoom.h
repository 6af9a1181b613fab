// The geometry between a picture's pixels and its window: the child
// window's client size, the rubber band of a zoom drag kept to the
// picture's proportions, and the region a band selects. Pure functions of
// integers and the region, so that their rounding can be checked exactly.
#pragma once

#include <string>
#include <vector>

#include "core/engine/params.h"

struct PixelSize {
    int width;
    int height;
};

struct PixelPoint {
    int x;
    int y;
};

// A picture's width-to-height ratio in single precision, as the window
// fitting and the drag use it; 0 when a side is empty.
float ImageAspect(int width, int height);

// The client area of a new picture window: the image's size within the
// limits, cut back to the image's proportions (in single precision, so a
// 133 x 100 image gets 133 x 99).
PixelSize FitChildClient(int imageWidth, int imageHeight, int maxWidth, int maxHeight);

// The band's other corner for a pointer during a drag from anchor over a
// client area of the given size: the pointer clamped to the client area,
// then the band fitted to aspect and grown from the anchor toward the
// pointer, whichever way that lies. False when there are no proportions.
bool FitBand(PixelPoint anchor, PixelPoint pointer, PixelSize client, float aspect, PixelPoint* end);

// The region a band between two corners selects in a picture of region old
// shown over client; its height follows from its width and the ratio of the
// image's last column and last row indices, so the lower corner's y is not
// used.
SearchRect ZoomedRegion(const SearchRect& old, PixelSize client, int lastColumn, int lastRow, PixelPoint corner,
                        PixelPoint otherCorner);

// Whether neighbouring pixels of a picture still have different
// coordinates: past that, doubles cannot tell them apart. Corners that are
// not finite numbers never do.
bool NeighboursDistinct(const PictureParams& params);
// The pixel of a picture of width x height under point of a client area it
// is stretched over, as column from the left and row from the bottom; false
// outside the picture.
bool PixelUnder(PixelPoint point, PixelSize client, int width, int height, PixelPoint* pixel);
// A coordinate with as many decimals as it takes to tell it from its
// neighbour spacing away.
std::string FormatCoordinate(double value, double spacing);
