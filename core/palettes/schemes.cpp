// The colour schemes and the interpolation that Fire and Jungle share.
#include "core/palettes/schemes.h"

#include <cmath>

namespace {

RGBQUAD Rgb(int red, int green, int blue) {
    return RGBQUAD{static_cast<BYTE>(blue), static_cast<BYTE>(green), static_cast<BYTE>(red), 0};
}

void Gray(ColorList& list) {
    list[0] = Rgb(0, 0, 0);
    for (int i = 1; i < kSchemeEntries; ++i) list[i] = Rgb(256 - i, 256 - i, 256 - i);
}

void Edge(ColorList& list) {
    for (int i = 0; i < kSchemeEntries; ++i) list[i] = (i >= 1 && i <= 14) ? Rgb(255, 255, 255) : Rgb(0, 0, 0);
}

void Fatigues(ColorList& list) {
    list[0] = Rgb(0, 55, 0);
    auto divisible = [](int i, int a, int b, int c, int d) { return i % a == 0 || i % b == 0 || i % c == 0 || i % d == 0; };
    for (int i = 1; i < kSchemeEntries; ++i) {
        const int v = static_cast<int>(std::trunc(i * 0.9)) + 75;
        if (divisible(i, 7, 8, 9, 10))
            list[i] = Rgb(v, v, 0);
        else if (divisible(i, 3, 4, 5, 6))
            list[i] = Rgb(i / 2, v, i / 3);
        else
            list[i] = Rgb(i / 3 + 25, i / 3 + 25, i / 3 + 25);
    }
}

struct Anchor {
    int entry;
    RGBQUAD colour;
};

// Sets each anchor, then fills the span that ends at it.
template <std::size_t Count>
void Anchored(ColorList& list, const Anchor (&anchors)[Count]) {
    list[anchors[0].entry] = anchors[0].colour;
    for (std::size_t k = 1; k < Count; ++k) {
        list[anchors[k].entry] = anchors[k].colour;
        const int first = anchors[k - 1].entry;
        InterpolateColors(list.data(), first, anchors[k].entry - first + 1);
    }
}

void Fire(ColorList& list) {
    list[0] = Rgb(0, 0, 0);
    static const Anchor anchors[] = {
        {1, Rgb(255, 255, 64)}, {15, Rgb(230, 164, 12)}, {35, Rgb(200, 0, 64)},
        {60, Rgb(128, 0, 128)}, {200, Rgb(12, 12, 85)},
    };
    Anchored(list, anchors);
}

void Jungle(ColorList& list) {
    static const Anchor anchors[] = {
        {0, Rgb(64, 32, 0)}, {20, Rgb(0, 205, 0)}, {50, Rgb(0, 128, 0)}, {51, Rgb(0, 0, 0)}, {200, Rgb(0, 128, 100)},
    };
    Anchored(list, anchors);
}

BYTE Interpolated(BYTE start, BYTE end, int n, int j) {
    // The step is rounded to single precision, then widened for the product.
    const float step = static_cast<float>(static_cast<double>(end - start + 1) / n);
    const int t = static_cast<int>(j * static_cast<double>(step));
    return static_cast<BYTE>(start + t);
}

}  // namespace

void InterpolateColors(RGBQUAD* list, int first, int n) {
    const RGBQUAD s = list[first];
    const RGBQUAD e = list[first + n - 1];
    for (int j = 1; j <= n - 2; ++j) {
        list[first + j] = RGBQUAD{Interpolated(s.rgbBlue, e.rgbBlue, n, j), Interpolated(s.rgbGreen, e.rgbGreen, n, j),
                                  Interpolated(s.rgbRed, e.rgbRed, n, j), 0};
    }
}

ColorList MakeScheme(Scheme scheme) {
    ColorList list{};
    switch (scheme) {
        case Scheme::Gray: Gray(list); break;
        case Scheme::Fire: Fire(list); break;
        case Scheme::Edge: Edge(list); break;
        case Scheme::Fatigues: Fatigues(list); break;
        case Scheme::Jungle: Jungle(list); break;
    }
    return list;
}

std::optional<Scheme> SchemeByName(std::string_view name) {
    static constexpr std::pair<std::string_view, Scheme> kNames[] = {
        {"gray", Scheme::Gray}, {"fire", Scheme::Fire}, {"edge", Scheme::Edge},
        {"fatigues", Scheme::Fatigues}, {"jungle", Scheme::Jungle},
    };
    for (const auto& [text, scheme] : kNames)
        if (text == name) return scheme;
    return std::nullopt;
}
