// Window fitting and zoom selection.
#include "core/engine/zoom.h"

#include "core/engine/generator.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

float ImageAspect(int width, int height) {
    if (width <= 0 || height <= 0) return 0.0f;
    return static_cast<float>(static_cast<double>(width) / static_cast<double>(height));
}

PixelSize FitChildClient(int imageWidth, int imageHeight, int maxWidth, int maxHeight) {
    // A picture is at least one pixel each way; parameters that say less
    // still give a window that can be drawn in.
    imageWidth = std::max(imageWidth, 1);
    imageHeight = std::max(imageHeight, 1);
    PixelSize client{std::min(imageWidth, maxWidth), std::min(imageHeight, maxHeight)};
    // The ratio is held in single precision: a client area that has the
    // image's proportions already can lose a pixel here.
    const float aspect = ImageAspect(imageWidth, imageHeight);
    const double shape = static_cast<double>(client.width) / static_cast<double>(client.height);
    if (shape < aspect)
        client.height = static_cast<int>(client.width / static_cast<double>(aspect));
    else if (aspect < static_cast<float>(shape))
        client.width = static_cast<int>(client.height * static_cast<double>(aspect));
    return client;
}

bool FitBand(PixelPoint anchor, PixelPoint pointer, PixelSize client, float aspect, PixelPoint* end) {
    if (!(aspect > 0.0f) || !std::isfinite(aspect)) return false;
    const int x = std::clamp(pointer.x, 0, std::max(client.width, 0));
    const int y = std::clamp(pointer.y, 0, std::max(client.height, 0));
    // The band is fitted as if it ran right and down from the anchor, then
    // turned toward the pointer; a drag right and down is fitted as it
    // always was.
    const int signX = x < anchor.x ? -1 : 1;
    const int signY = y < anchor.y ? -1 : 1;
    const int dx = (x - anchor.x) * signX;
    const int dy = (y - anchor.y) * signY;
    int fittedX = dx;
    int fittedY = dy;
    const double shape = static_cast<double>(dx + 1) / static_cast<double>(dy + 1);
    if (shape < aspect)
        fittedY = static_cast<int>(dx / static_cast<double>(aspect));
    else if (aspect < static_cast<float>(shape))
        fittedX = static_cast<int>(dy * static_cast<double>(aspect));
    if (fittedY < fittedX)
        fittedX = static_cast<int>(fittedY * static_cast<double>(aspect));
    else
        fittedY = static_cast<int>(fittedX / static_cast<double>(aspect));
    *end = {anchor.x + signX * fittedX, anchor.y + signY * fittedY};
    return true;
}

SearchRect ZoomedRegion(const SearchRect& old, PixelSize client, int lastColumn, int lastRow, PixelPoint corner,
                        PixelPoint otherCorner) {
    const PixelPoint from{std::min(corner.x, otherCorner.x), std::min(corner.y, otherCorner.y)};
    const int toX = std::max(corner.x, otherCorner.x);
    const double x0 = old.upperLeft.re;
    const double y0 = old.upperLeft.im;
    const double x1 = old.lowerRight.re;
    const double y1 = old.lowerRight.im;
    const double cw = client.width;
    const double ch = client.height;
    const double q = static_cast<double>(lastColumn) / static_cast<double>(lastRow);
    const double newX0 = (from.x / cw) * (x1 - x0) + x0;
    const double newY0 = y0 - (from.y / ch) * (y0 - y1);
    const double newX1 = (toX / cw) * (x1 - x0) + x0;
    const double newY1 = (newY0 * q - newX1 + newX0) / q;
    return SearchRect{{newX0, newY0}, {newX1, newY1}};
}

bool NeighboursDistinct(const PictureParams& params) {
    // A zoom into a picture one pixel wide or high has no ratio to keep and
    // gives corners that are no numbers at all.
    const SearchRect& r = params.rect;
    if (!std::isfinite(r.upperLeft.re) || !std::isfinite(r.upperLeft.im) || !std::isfinite(r.lowerRight.re) ||
        !std::isfinite(r.lowerRight.im))
        return false;
    std::vector<double> columnRe;
    std::vector<double> rowIm;
    PixelCoordinates(params, &columnRe, &rowIm);
    auto distinct = [](const std::vector<double>& values) {
        return std::adjacent_find(values.begin(), values.end()) == values.end();
    };
    return distinct(columnRe) && distinct(rowIm);
}

bool PixelUnder(PixelPoint point, PixelSize client, int width, int height, PixelPoint* pixel) {
    if (point.x < 0 || point.y < 0 || point.x >= client.width || point.y >= client.height || width < 1 || height < 1)
        return false;
    const auto column = static_cast<long long>(point.x) * width / client.width;
    const auto rowFromTop = static_cast<long long>(point.y) * height / client.height;
    *pixel = {static_cast<int>(column), height - 1 - static_cast<int>(rowFromTop)};
    return true;
}

std::string FormatCoordinate(double value, double spacing) {
    spacing = std::fabs(spacing);
    const int decimals = spacing > 0 && std::isfinite(spacing)
                             ? std::clamp(static_cast<int>(std::ceil(-std::log10(spacing))) + 1, 1, 20)
                             : 6;
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}
