// CExplorer: what the set documents, views and frames ask of the program
// that shows them. The application answers; the windows never reach for it
// any other way, so this layer knows nothing of the one above it.
#pragma once

#include <cstdint>

#include "core/engine/params.h"
#include "core/engine/zoom.h"
#include "core/palettes/colormap.h"
#include "core/palettes/palette.h"

class CDocTemplate;
class CImagePalette;

class CExplorer {
public:
    virtual ~CExplorer() = default;

    // The parameters the next picture is made from.
    virtual PictureParams NextPicture() const = 0;
    // A picture's window became the active one: its region, noise and
    // exponent become those of the next picture.
    virtual void PictureActivated(const PictureParams& params) = 0;
    // A zoom selection: the region of a new picture, made at once.
    virtual void ZoomTo(const SearchRect& region) = 0;

    // Before the first picture of a run is computed.
    virtual void BeforeFirstPicture() = 0;
    // How far a computation has got, 0 to 1; a negative share when it ended.
    virtual void ShowProgress(double done) = 0;

    // The shared colour state: whether new pictures assign their own
    // colours, the map they share otherwise, the current palette's entries
    // and the logical palette made from them.
    virtual BOOL AutoColor() const = 0;
    virtual CColorMap* ColorMap() = 0;
    // Rebuilds the shared map from a picture's own counts.
    virtual void AssignColors(int pixelCount, const std::int32_t* counts) = 0;
    virtual const PaletteEntries& PaletteColors() = 0;
    virtual CImagePalette* GetPalette() = 0;

    // The template of palette windows.
    virtual CDocTemplate* PaletteTemplate() = 0;
    // The largest client area of a new picture window.
    virtual PixelSize ChildLimits() const = 0;
};
