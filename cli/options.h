// The command line of tindral-render.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/engine/params.h"
#include "core/engine/region.h"
#include "core/palettes/schemes.h"

struct RenderOptions {
    int width = kDefaultImageWidth;
    int height = kDefaultImageHeight;
    int iterations = kDefaultIterations;
    SearchRect rect = kDefaultSearchRect;
    // The region exactly as given, by --rect in decimal numbers or by
    // --center and --width, when hasRegion.
    ExactRegion region;
    bool hasRegion = false;
    double noise = kDefaultNoise;
    double exponent = kDefaultExponent;
    Scheme scheme = Scheme::Fire;
    std::string paletteFile;  // when set, the palette comes from this bitmap
    std::string output;
    int threads = 0;       // worker threads; 0 leaves the choice to the generator
    unsigned seed = 0;     // the noise draws' seed, when given (else the time)
    std::string fromFile;  // when set, the picture's parameters come from this saved picture
    // The options the command line set, which a saved picture's record does not override.
    struct Given {
        bool size = false, iterations = false, rect = false, noise = false, exponent = false, palette = false,
             seed = false;
    } given;
};

struct ParsedCommandLine {
    enum class Action { Render, Help, Version, Fail } action = Action::Fail;
    RenderOptions options;
    std::string error;  // one line, for Fail
};

ParsedCommandLine ParseCommandLine(const std::vector<std::string>& args);

// A message that quotes what the user typed, kept to one line: control
// characters (a newline in a file name) are written as \xHH.
std::string OneLine(const std::string& text);

extern const char* const kUsage;
