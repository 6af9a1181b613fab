// CImagePalette: the shared logical palette every picture is drawn through,
// made from a colour list or a bitmap's colour table, and drawn as swatches.
#pragma once

#include "win/framework/gdi.h"

#include "core/image/dib.h"
#include "core/palettes/palette.h"

class CImagePalette : public CPalette {
public:
    // The entries as they are; FALSE outside 1 to 65535 entries.
    BOOL CreateFromEntries(const PaletteEntries& entries);
    int EntryCount() const;
    // A 16 x 16 grid over rect (left and top taken as 0), entry i in row
    // i / 16 and column i % 16, outlined with the context's pen.
    void DrawSwatches(CDC& dc, const RECT& rect, BOOL background) const;
};
