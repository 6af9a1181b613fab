// What the option fuzzer and its regression tests do with one input: its
// NUL-separated words as tindral-render's command line, and the promises of
// the parser's answer.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "cli/options.h"

namespace options_exercise {

[[noreturn]] inline void Fail(const char* what, int line) {
    std::fprintf(stderr, "options exercise, line %d: %s\n", line, what);
    std::fflush(stderr);
    std::abort();
}
#define OPTIONS_CHECK(cond) ((cond) ? (void)0 : ::options_exercise::Fail(#cond, __LINE__))

inline std::vector<std::string> Words(const std::uint8_t* data, std::size_t size) {
    std::vector<std::string> words(1);
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == 0)
            words.emplace_back();
        else
            words.back() += static_cast<char>(data[i]);
    }
    return words;
}

inline bool InCorners(double v) {
    return std::isfinite(v) && v >= kMinCornerComponent && v <= kMaxCornerComponent;
}

inline void ExerciseOptions(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::string> args = Words(data, size);
    const ParsedCommandLine parsed = ParseCommandLine(args);
    using Action = ParsedCommandLine::Action;
    if (parsed.action == Action::Fail) {
        // One line that says what is wrong.
        OPTIONS_CHECK(!parsed.error.empty() && parsed.error.find('\n') == std::string::npos);
        return;
    }
    if (parsed.action != Action::Render) return;
    // Everything a render is given lies within what the dialogs accept.
    const RenderOptions& o = parsed.options;
    OPTIONS_CHECK(!o.output.empty());
    bool named = false;
    for (const std::string& arg : args) named = named || arg == o.output;
    OPTIONS_CHECK(named);
    OPTIONS_CHECK(o.width >= 1 && o.width <= kMaxImageSide && o.height >= 1 && o.height <= kMaxImageSide);
    OPTIONS_CHECK(o.iterations >= kMinIterations && o.iterations <= kMaxIterations);
    OPTIONS_CHECK(InCorners(o.rect.upperLeft.re) && InCorners(o.rect.upperLeft.im) && InCorners(o.rect.lowerRight.re) &&
                  InCorners(o.rect.lowerRight.im));
    OPTIONS_CHECK(std::isfinite(o.noise) && std::isfinite(o.exponent));
    OPTIONS_CHECK(o.threads >= 0 && o.threads <= 1024);
    OPTIONS_CHECK(o.paletteFile.empty() || o.given.palette);
    // An exact region is a sound one, and it was given.
    OPTIONS_CHECK(!o.hasRegion || (IsSoundRegion(o.region) && o.given.rect));
    // The same words always mean the same.
    const ParsedCommandLine again = ParseCommandLine(args);
    OPTIONS_CHECK(again.action == Action::Render && again.options.output == o.output &&
                  again.options.paletteFile == o.paletteFile && again.options.fromFile == o.fromFile);
}

}  // namespace options_exercise
