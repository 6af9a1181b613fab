// Rendering one picture to a bitmap file, the same bytes as the program's
// Save writes for it with automatic colour assignment on.
#pragma once

#include <functional>
#include <string>

#include "cli/options.h"

// Answers false with one line in *error when the picture or its file cannot
// be made; the output file is then left as it was. progress, when set, hears
// how far the computation has got (0 to 1) and may stop it by answering false.
bool RenderToFile(const RenderOptions& options, unsigned noiseSeed, std::string* error,
                  const std::function<bool(double done)>& progress = {});
