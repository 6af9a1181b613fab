// Fuzz target: the picture record reader from a file's end, and the picture
// file reader's judgement of the record against its bitmap.
#include <cstddef>
#include <cstdint>

#include "memory_file.h"
#include "record_exercise.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (bitmap_exercise::ClaimedPixelBytes(data, size) > bitmap_exercise::kLargestClaim) return 0;
    memory_file::WithFiles(data, size,
                           [](CFile* input, CFile* scratch) { record_exercise::ExerciseRecord(input, scratch); });
    return 0;
}
