// The exploration parameters: the rectangle of the complex plane and the
// performance parameters of the next picture, with the values every run
// starts from, and the ranges within which the user may set them.
#pragma once

#include "platform/wintypes.h"

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
