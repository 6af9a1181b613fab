// Zero-filled memory blocks for bitmap headers and pixels. They stand in for
// GlobalAlloc(GMEM_ZEROINIT) and GlobalFree, so that the core owns its blocks
// the same way on every platform; a null answer means the request could not
// be met, which callers report rather than crash on.
#pragma once

#include <cstddef>

void* GlobalAllocZeroed(std::size_t bytes);
void GlobalRelease(void* block);

#include <memory>

// Owns one block from GlobalAllocZeroed.
struct BlockRelease {
    void operator()(void* block) const { GlobalRelease(block); }
};
template <typename T>
using Block = std::unique_ptr<T, BlockRelease>;
