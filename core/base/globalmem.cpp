// Zero-filled memory blocks.
#include "core/base/globalmem.h"

#include <cstdlib>

void* GlobalAllocZeroed(std::size_t bytes) {
    // calloc of 0 bytes may answer null; callers treat null as failure, so a
    // block of at least one byte is asked for.
    return std::calloc(bytes == 0 ? 1 : bytes, 1);
}

void GlobalRelease(void* block) { std::free(block); }
