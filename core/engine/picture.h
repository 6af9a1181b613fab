// The one road from a picture's parameters to the bitmap that shows it:
// counts, colour map, palette-index pixels, colour table, CDIB. The set
// document and tindral-render both take it, so that Save and the renderer
// write the same bytes for the same picture.
#pragma once

#include <cstdint>
#include <memory>

#include "core/base/globalmem.h"
#include "core/engine/generator.h"
#include "core/engine/params.h"
#include "core/engine/setimage.h"
#include "core/image/dib.h"
#include "core/palettes/colormap.h"
#include "core/palettes/palette.h"

// A picture's blocks. The bitmap refers to the pixels without owning them,
// so it is declared after them and goes first.
struct SetPicture {
    int width = 0;
    int height = 0;
    Block<std::int32_t> counts;
    Block<BYTE> pixels;
    std::unique_ptr<CDIB> dib;
};

enum class PictureResult {
    Made,
    Empty,     // a side below 1
    TooLarge,  // beyond what memory sizes or the bitmap format can hold
    NoMemory,
    Stopped,  // the progress callback or the cancel flag stopped the computation
};

// Counts and pixel blocks for a width x height picture, sizes checked before
// anything is allocated; the picture is left without blocks on failure.
PictureResult AllocatePicture(int width, int height, SetPicture* picture);
// The counts of an allocated picture; false when the run was stopped.
bool ComputeCounts(const PictureParams& params, const GeneratorControl& control, SetPicture* picture);
// Pixels from counts through map.
void ColorPicture(const CColorMap& map, SetPicture* picture);
// A new bitmap over the pixels with this information block (none is a
// failure); false when memory runs out, the old bitmap then kept, so that
// the picture still shows and a later attempt can replace it.
bool AttachPicture(const BITMAPINFO* info, SetPicture* picture);
// The same, its colour table from palette.
bool PaintPicture(const PaletteEntries& palette, SetPicture* picture);

// How counts become colours: either the equal-share assignment of the
// picture's own counts (handed back in *map when map is set), or the map
// given, unchanged (a null map shows every count as the interior).
struct ColorPolicy {
    bool autoColor = true;
    CColorMap* map = nullptr;
};

// All of the above in order.
PictureResult MakePicture(const PictureParams& params, const ColorPolicy& colors, const PaletteEntries& palette,
                          const GeneratorControl& control, SetPicture* picture);
