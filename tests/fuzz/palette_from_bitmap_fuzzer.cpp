// Fuzz target: a palette taken from the colour table of a bitmap file, as
// palette loading does, and the colour header of a picture built from it.
#include <cstddef>
#include <cstdint>

#include "bitmap_exercise.h"
#include "memory_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (bitmap_exercise::ClaimedPixelBytes(data, size) > bitmap_exercise::kLargestClaim) return 0;
    CFile input;
    input.Attach(memory_file::Open(data, size));
    if (!input.IsOpen()) return 0;
    bitmap_exercise::ExercisePaletteFromBitmap(&input);
    return 0;
}
