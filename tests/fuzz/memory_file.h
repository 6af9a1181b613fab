// A file in memory with a real descriptor (Linux), so that fuzz inputs reach
// the file object as a disk file would (seeks past the end allowed, writes
// grow it) without touching the disk.
#pragma once

#include <cstdio>

#include "core/base/file.h"

#include <sys/mman.h>
#include <unistd.h>

namespace memory_file {

// Opens a read-write stream holding a copy of the bytes; fclose frees it.
inline std::FILE* Open(const void* data, size_t size) {
    const int fd = memfd_create("fuzz-input", MFD_CLOEXEC);
    if (fd < 0) return nullptr;
    std::FILE* stream = nullptr;
    if (write(fd, data, size) == static_cast<ssize_t>(size) && lseek(fd, 0, SEEK_SET) == 0) stream = fdopen(fd, "r+b");
    if (!stream) close(fd);
    return stream;
}

// Runs exercise(input, scratch) over the bytes as an input file and an
// empty scratch file, both in memory; nothing when either cannot be had.
template <class Exercise>
void WithFiles(const void* data, size_t size, Exercise exercise) {
    CFile input, scratch;
    input.Attach(Open(data, size));
    scratch.Attach(Open(nullptr, 0));
    if (input.IsOpen() && scratch.IsOpen()) exercise(&input, &scratch);
}

}  // namespace memory_file
