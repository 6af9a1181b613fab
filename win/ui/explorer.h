// CExplorer: what the set documents, views and frames ask of the program
// that shows them. The application answers; the windows never reach for it
// any other way, so this layer knows nothing of the one above it.
#pragma once

#include <cstdint>
#include <string>

#include "core/engine/params.h"
#include "core/engine/region.h"
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
    // A zoom selection: the region of a new picture, made at once, as
    // doubles find it and exactly (for a picture past the doubles' reach).
    virtual void ZoomTo(const SearchRect& region, const ExactRegion& exact) = 0;

    // A picture's computation: it begins (the disclaimer comes before the
    // first of a run), hears how far it has got, 0 to 1, and is stopped when
    // Progress answers false; it ends complete or stopped. The program stays
    // awake in between.
    virtual void BeginComputation() = 0;
    virtual bool Progress(double done) = 0;
    virtual void EndComputation(bool stopped) = 0;
    virtual bool Computing() const = 0;
    // The main window asked to close while a picture was computed: it
    // closes once the computation has stopped.
    virtual void CloseWhenStopped() = 0;

    // A line for the status bar; an empty one brings the idle prompt back.
    virtual void ShowStatus(const std::string& text) = 0;

    // The shared colour state: whether new pictures assign their own
    // colours, the map they share otherwise, the current palette's entries
    // and the logical palette made from them.
    virtual BOOL AutoColor() const = 0;
    // The shared map, which a new picture with automatic colours rebuilds
    // from its own counts.
    virtual CColorMap* ColorMap() = 0;
    virtual const PaletteEntries& PaletteColors() = 0;
    virtual CImagePalette* GetPalette() = 0;

    // Whether a command's menu item and button show it on: 1 or 0, or -1
    // for a command that is no switch.
    virtual int CommandChecked(UINT id) const = 0;

    // The template of palette windows.
    virtual CDocTemplate* PaletteTemplate() = 0;
    // The largest client area of a new picture window.
    virtual PixelSize ChildLimits() const = 0;
};
