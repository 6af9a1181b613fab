// Window fitting and zoom selection.
#include "core/engine/zoom.h"

#include <algorithm>
#include <cmath>

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
    int x = std::min(pointer.x, client.width);
    int y = std::min(pointer.y, client.height);
    const int dx = x - anchor.x;
    const int dy = y - anchor.y;
    // One row above the anchor, or an image without proportions, has no
    // band to fit: the drag ends as any drag to the upper left does.
    if (dy == -1 || !(aspect > 0.0f) || !std::isfinite(aspect)) return false;
    const double shape = static_cast<double>(dx + 1) / static_cast<double>(dy + 1);
    if (shape < aspect)
        y = anchor.y + static_cast<int>(dx / static_cast<double>(aspect));
    else if (aspect < static_cast<float>(shape))
        x = anchor.x + static_cast<int>(dy * static_cast<double>(aspect));

    const int fittedX = x - anchor.x;
    const int fittedY = y - anchor.y;
    if (fittedX < 0 || fittedY < 0) return false;
    if (fittedY < fittedX)
        *end = {anchor.x + static_cast<int>(fittedY * static_cast<double>(aspect)), anchor.y + fittedY};
    else
        *end = {anchor.x + fittedX, anchor.y + static_cast<int>(fittedX / static_cast<double>(aspect))};
    return true;
}

SearchRect ZoomedRegion(const SearchRect& old, PixelSize client, int lastColumn, int lastRow, PixelPoint anchor,
                        PixelPoint end) {
    const double x0 = old.upperLeft.re;
    const double y0 = old.upperLeft.im;
    const double x1 = old.lowerRight.re;
    const double y1 = old.lowerRight.im;
    const double cw = client.width;
    const double ch = client.height;
    const double q = static_cast<double>(lastColumn) / static_cast<double>(lastRow);
    const double newX0 = (anchor.x / cw) * (x1 - x0) + x0;
    const double newY0 = y0 - (anchor.y / ch) * (y0 - y1);
    const double newX1 = (end.x / cw) * (x1 - x0) + x0;
    const double newY1 = (newY0 * q - newX1 + newX0) / q;
    return SearchRect{{newX0, newY0}, {newX1, newY1}};
}
