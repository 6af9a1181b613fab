// Fuzz target: the PNG reader, the writer over whatever image it accepted,
// and the picture record parser over its private chunk.
#include <cstddef>
#include <cstdint>

#include "memory_file.h"
#include "png_exercise.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // What the reader sees, whose claims are the ones that count; bitmaps go
    // through the same reader as PNG files do.
    const std::vector<std::uint8_t> bytes = png_exercise::WithChecksums(data, size);
    if (png_exercise::ClaimedPixelBytes(bytes.data(), size) > bitmap_exercise::kLargestClaim ||
        bitmap_exercise::ClaimedPixelBytes(bytes.data(), size) > bitmap_exercise::kLargestClaim)
        return 0;
    memory_file::WithFiles(bytes.data(), bytes.size(),
                           [](CFile* input, CFile* scratch) { png_exercise::ExercisePng(input, scratch); });
    return 0;
}
