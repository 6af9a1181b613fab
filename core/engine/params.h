// The exploration parameters: the rectangle of the complex plane and the
// performance parameters of a picture, with the values every run starts
// from, and the ranges within which the user may set them.
#pragma once

#include <memory>

struct ExactRegion;  // core/engine/region.h

struct ComplexPoint {
    double re;
    double im;
};

// upperLeft is shown at the picture's top-left pixel, lowerRight at its
// bottom-right one; nothing orders them.
struct SearchRect {
    ComplexPoint upperLeft;
    ComplexPoint lowerRight;
};

// Decimal literals, not thirds: the default picture's figures depend on them.
constexpr SearchRect kDefaultSearchRect{{-2.416667, 1.25}, {0.916667, -1.25}};
constexpr int kDefaultIterations = 50;
constexpr int kDefaultImageWidth = 133;
constexpr int kDefaultImageHeight = 100;
constexpr double kDefaultNoise = 0.0;
constexpr double kDefaultExponent = 2.0;

// What the parameter dialogs accept, bounds included.
constexpr int kMinIterations = 1;
constexpr int kMaxIterations = 1000000;
constexpr int kMinImageSide = 0;
constexpr int kMaxImageSide = 1000000;
constexpr double kMinCornerComponent = -5.0;
constexpr double kMaxCornerComponent = 5.0;

// Everything one picture is computed from, handed around as a value: the
// dialogs edit a copy, a set document keeps its own, and the renderer and
// the generator take it as it is.
struct PictureParams {
    int width = 0;
    int height = 0;
    SearchRect rect{};
    double exponent = 2.0;
    double noise = 0.0;  // in pixel widths; +0.0 and -0.0 mean none
    int iterations = 0;  // the limit N; a count of N means the orbit stayed
    unsigned seed = 0;   // the noise draws' seed: the time in whole seconds
    // The region exactly, when it was given so; rect then holds its corners
    // rounded to doubles (ExactRegionOf, region.h, says when it holds).
    std::shared_ptr<const ExactRegion> exact = nullptr;
};

// The picture every run starts from.
inline PictureParams DefaultPictureParams() {
    PictureParams p;
    p.width = kDefaultImageWidth;
    p.height = kDefaultImageHeight;
    p.rect = kDefaultSearchRect;
    p.exponent = kDefaultExponent;
    p.noise = kDefaultNoise;
    p.iterations = kDefaultIterations;
    return p;
}
