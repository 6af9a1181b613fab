// Fuzz target: tindral-render's option parser, over command lines of
// NUL-separated words.
#include <cstddef>
#include <cstdint>

#include "options_exercise.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    options_exercise::ExerciseOptions(data, size);
    return 0;
}
