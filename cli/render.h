// Rendering one picture to a bitmap file, the same bytes as the program's
// Save writes for it: the bitmap, then the record of its parameters.
#pragma once

#include <functional>
#include <string>

#include "cli/options.h"
#include "core/base/file.h"

struct RenderHooks {
    // Hears how far the computation has got (0 to 1); answering false stops it.
    std::function<bool(double done)> progress;
    // Heard once the output is open, before the computation starts, while
    // the asynchronous signals are held (CReplacingFile::OpenFor).
    std::function<void(const CReplacingFile& output)> opened;
    // Heard with one line ("waiting for a reader on OUT") when opening a
    // FIFO has waited a second for its other end.
    std::function<void(const std::string& notice)> waiting;
    // Heard when every byte is written, just before the output takes the
    // target's place (or, written directly, is closed); answering false
    // abandons the output instead.
    std::function<bool()> committing;
};

// Answers false with one line in *error when the picture or its file cannot
// be made; the output file is then left as it was. Everything that can be
// checked (the size, the palette, the saved picture, the output's folder) is
// checked before the computation starts. noiseSeed seeds the noise unless a
// saved picture with noise gives its own.
bool RenderToFile(const RenderOptions& options, unsigned noiseSeed, std::string* error, const RenderHooks& hooks = {});

// The one-line reason why the output could not be opened or written.
std::string OutputError(const std::string& output, int systemError, bool opening);
