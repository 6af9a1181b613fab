// The exact region: its text, its corners as doubles, and the geometry of
// zooms and points in its arithmetic.
#include "core/engine/region.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>

#include "core/base/decimal.h"
#include "core/engine/bignum.h"

bool IsDecimalNumber(const std::string& text) {
    if (text.size() > kMaxDecimalLength) return false;
    std::size_t i = 0;
    const auto digits = [&] {
        const std::size_t from = i;
        while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) ++i;
        return i - from;
    };
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    std::size_t mantissa = digits();
    if (i < text.size() && text[i] == '.') {
        ++i;
        mantissa += digits();
    }
    if (mantissa == 0) return false;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
        // An exponent beyond what the numbers can hold is refused rather
        // than read as something else.
        const std::size_t length = digits();
        if (length == 0 || length > 7) return false;
    }
    return i == text.size();
}

bool IsPositiveDecimal(const std::string& text) {
    if (!IsDecimalNumber(text) || text[0] == '-') return false;
    for (const char ch : text) {
        if (ch == 'e' || ch == 'E') break;
        if (ch >= '1' && ch <= '9') return true;
    }
    return false;
}

bool IsSoundRegion(const ExactRegion& r) {
    if (!IsDecimalNumber(r.a) || !IsDecimalNumber(r.b) || !IsDecimalNumber(r.c)) return false;
    return r.kind == ExactRegion::Kind::Centre ? r.d.empty() && IsPositiveDecimal(r.c) : IsDecimalNumber(r.d);
}

namespace {

// A decimal number's value written one way only: its sign, its digits
// without the zeros around them, and the power of ten of the last one.
std::string CanonicalValue(const std::string& text) {
    std::size_t i = 0;
    const bool negative = !text.empty() && text[0] == '-';
    if (!text.empty() && (text[0] == '+' || text[0] == '-')) ++i;
    std::string digits;
    long long decimals = 0;
    bool point = false;
    for (; i < text.size() && text[i] != 'e' && text[i] != 'E'; ++i) {
        if (text[i] == '.') {
            point = true;
            continue;
        }
        digits += text[i];
        if (point) ++decimals;
    }
    const long long power = i < text.size() ? std::strtoll(text.c_str() + i + 1, nullptr, 10) : 0;
    const std::size_t first = digits.find_first_not_of('0');
    // Zero keeps its sign, as a double does.
    if (first == std::string::npos) return negative ? "-0" : "0";
    const std::size_t last = digits.find_last_not_of('0');
    const long long exponent = power - decimals + static_cast<long long>(digits.size() - 1 - last);
    return (negative ? "-" : "") + digits.substr(first, last - first + 1) + "e" + std::to_string(exponent);
}

}  // namespace

bool HeldByDouble(const std::string& text) {
    if (!IsDecimalNumber(text)) return false;
    const double value = std::strtod(text.c_str(), nullptr);
    return std::isfinite(value) && CanonicalValue(text) == CanonicalValue(ShortestDecimal(value));
}

ComponentCheck CheckCornerComponent(const std::string& text) {
    if (text.size() > kMaxDecimalLength) return ComponentCheck::TooLong;
    if (!IsDecimalNumber(text)) return ComponentCheck::NotANumber;
    const double rounded = std::strtod(text.c_str(), nullptr);
    return rounded < kMinCornerComponent || rounded > kMaxCornerComponent ? ComponentCheck::OutOfRange
                                                                          : ComponentCheck::Sound;
}

SearchRect RoundedCorners(const ExactRegion& region, int width, int height) {
    if (region.kind == ExactRegion::Kind::Corners) {
        // strtod rounds to nearest, as corners were always read.
        const auto read = [](const std::string& text) { return std::strtod(text.c_str(), nullptr); };
        return SearchRect{{read(region.a), read(region.b)}, {read(region.c), read(region.d)}};
    }
    const WidestFloat re(region.a), im(region.b), w(region.c);
    const WidestFloat halfHeight = (w / std::max(width, 1)) * height / 2;
    const auto rounded = [](const WidestFloat& x) { return static_cast<double>(x); };
    return SearchRect{{rounded(re - w / 2), rounded(im + halfHeight)}, {rounded(re + w / 2), rounded(im - halfHeight)}};
}

void SetExactRegion(PictureParams* params, const ExactRegion& region) {
    params->rect = RoundedCorners(region, params->width, params->height);
    params->exact = std::make_shared<const ExactRegion>(region);
}

PictureParams WithRegionOf(const PictureParams& next, const PictureParams& picture) {
    PictureParams params = next;
    params.rect = picture.rect;
    params.exact = picture.exact;
    if (const ExactRegion* region = ExactRegionOf(picture)) SetExactRegion(&params, *region);
    return params;
}

const ExactRegion* ExactRegionOf(const PictureParams& params) {
    if (!params.exact || !IsSoundRegion(*params.exact)) return nullptr;
    const SearchRect r = RoundedCorners(*params.exact, params.width, params.height);
    const auto same = [](double x, double y) { return x == y && std::signbit(x) == std::signbit(y); };
    const SearchRect& p = params.rect;
    if (!same(r.upperLeft.re, p.upperLeft.re) || !same(r.upperLeft.im, p.upperLeft.im) ||
        !same(r.lowerRight.re, p.lowerRight.re) || !same(r.lowerRight.im, p.lowerRight.im))
        return nullptr;
    return params.exact.get();
}

namespace {

// Decimals that tell numbers spacing apart, with some to spare, within what
// the numbers hold.
int DecimalsFor(const WidestFloat& spacing, int spare) {
    if (spacing == 0) return 20;
    int e = 0;
    frexp(abs(spacing), &e);
    return std::clamp(static_cast<int>(-e * 0.30103) + spare, 1, 330);
}

std::string Fixed(const WidestFloat& x, int decimals) {
    return x.str(decimals, std::ios_base::fixed);
}

}  // namespace

ExactRegion ExactCorners(const ExactRegion& region, int width, int height) {
    if (region.kind == ExactRegion::Kind::Corners) return region;
    // The corners RoundedCorners rounds, before their rounding.
    const WidestFloat re(region.a), im(region.b), w(region.c);
    const WidestFloat spacing = w / std::max(width, 1);
    const WidestFloat halfHeight = spacing * height / 2;
    const int decimals = DecimalsFor(spacing, 24);
    return ExactRegion{ExactRegion::Kind::Corners, Fixed(re - w / 2, decimals), Fixed(im + halfHeight, decimals),
                       Fixed(re + w / 2, decimals), Fixed(im - halfHeight, decimals)};
}

ExactRegion ZoomedExactRegion(const PictureParams& old, PixelSize client, int lastColumn, int lastRow,
                              PixelPoint corner, PixelPoint otherCorner) {
    WidestFloat x0, y0, x1, y1;
    if (const ExactRegion* region = ExactRegionOf(old)) {
        const PixelGrid<WidestFloat> grid = GridOf<WidestFloat>(*region, old.width, old.height);
        x0 = grid.originRe;
        y1 = grid.originIm;
        x1 = grid.originRe + grid.stepRe * old.width;
        y0 = grid.originIm + grid.stepIm * old.height;
    } else {
        x0 = old.rect.upperLeft.re;
        y0 = old.rect.upperLeft.im;
        x1 = old.rect.lowerRight.re;
        y1 = old.rect.lowerRight.im;
    }
    const int fromX = std::min(corner.x, otherCorner.x);
    const int fromY = std::min(corner.y, otherCorner.y);
    const int toX = std::max(corner.x, otherCorner.x);
    const WidestFloat q = WidestFloat(lastColumn) / lastRow;
    const WidestFloat newX0 = WidestFloat(fromX) / client.width * (x1 - x0) + x0;
    const WidestFloat newY0 = y0 - WidestFloat(fromY) / client.height * (y0 - y1);
    const WidestFloat newX1 = WidestFloat(toX) / client.width * (x1 - x0) + x0;
    const WidestFloat newY1 = newY0 - (newX1 - newX0) / q;
    const int decimals = DecimalsFor((newX1 - newX0) / std::max(lastColumn + 1, 1), 24);
    return ExactRegion{ExactRegion::Kind::Corners, Fixed(newX0, decimals), Fixed(newY0, decimals),
                       Fixed(newX1, decimals), Fixed(newY1, decimals)};
}

std::string ExactPointText(const PictureParams& params, PixelPoint pixel) {
    const ExactRegion* region = ExactRegionOf(params);
    if (!region) return {};
    const PixelGrid<WidestFloat> grid = GridOf<WidestFloat>(*region, params.width, params.height);
    const WidestFloat re = grid.originRe + grid.stepRe * pixel.x;
    const WidestFloat im = grid.originIm + grid.stepIm * pixel.y;
    return Fixed(re, DecimalsFor(grid.stepRe, 2)) + (im < 0 ? " - " : " + ") +
           Fixed(abs(im), DecimalsFor(grid.stepIm, 2)) + "i";
}
