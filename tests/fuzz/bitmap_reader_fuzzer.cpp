// Fuzz target: the bitmap reader, then every pixel operation and the writer
// over whatever image it accepted.
#include <cstddef>
#include <cstdint>

#include "bitmap_exercise.h"
#include "memory_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (bitmap_exercise::ClaimedPixelBytes(data, size) > bitmap_exercise::kLargestClaim) return 0;
    memory_file::WithFiles(data, size,
                           [](CFile* input, CFile* scratch) { bitmap_exercise::ExerciseBitmap(input, scratch); });
    return 0;
}
