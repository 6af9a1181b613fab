// A C stream over bytes in memory that behaves like a disk file (seeks past
// the end allowed, reads there answer nothing, writes grow it), for handing
// fuzz inputs to the file object without touching the disk. glibc only.
#pragma once

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include <sys/types.h>

namespace memory_file {

struct Contents {
    std::vector<char> bytes;
    off64_t position = 0;
};

inline ssize_t ReadBytes(void* cookie, char* buffer, size_t size) {
    auto* c = static_cast<Contents*>(cookie);
    const auto length = static_cast<off64_t>(c->bytes.size());
    if (c->position >= length) return 0;
    const auto count = std::min<size_t>(size, static_cast<size_t>(length - c->position));
    std::memcpy(buffer, c->bytes.data() + c->position, count);
    c->position += static_cast<off64_t>(count);
    return static_cast<ssize_t>(count);
}

inline ssize_t WriteBytes(void* cookie, const char* buffer, size_t size) {
    auto* c = static_cast<Contents*>(cookie);
    const size_t end = static_cast<size_t>(c->position) + size;
    if (end > c->bytes.size()) c->bytes.resize(end);
    std::memcpy(c->bytes.data() + c->position, buffer, size);
    c->position = static_cast<off64_t>(end);
    return static_cast<ssize_t>(size);
}

inline int SeekTo(void* cookie, off64_t* offset, int whence) {
    auto* c = static_cast<Contents*>(cookie);
    off64_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? c->position : static_cast<off64_t>(c->bytes.size());
    if (*offset < -base) return -1;
    c->position = base + *offset;
    *offset = c->position;
    return 0;
}

inline int CloseFile(void* cookie) {
    delete static_cast<Contents*>(cookie);
    return 0;
}

// Opens a read-write stream holding a copy of the bytes; fclose frees it.
inline std::FILE* Open(const void* data, size_t size) {
    auto* contents = new Contents;
    contents->bytes.assign(static_cast<const char*>(data), static_cast<const char*>(data) + size);
    std::FILE* stream = fopencookie(contents, "r+b", cookie_io_functions_t{ReadBytes, WriteBytes, SeekTo, CloseFile});
    if (!stream) delete contents;
    return stream;
}

}  // namespace memory_file
