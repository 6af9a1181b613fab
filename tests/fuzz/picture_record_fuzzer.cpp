// Fuzz target: the picture record reader from a file's end, and the picture
// file reader's judgement of the record against its bitmap.
#include <cstddef>
#include <cstdint>

#include "memory_file.h"
#include "record_exercise.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (bitmap_exercise::ClaimedPixelBytes(data, size) > bitmap_exercise::kLargestClaim) return 0;
    CFile input, scratch;
    input.Attach(memory_file::Open(data, size));
    scratch.Attach(memory_file::Open(nullptr, 0));
    if (!input.IsOpen() || !scratch.IsOpen()) return 0;
    record_exercise::ExerciseRecord(&input, &scratch);
    return 0;
}
