// CExplorer: what the set documents, views and frames ask of the program
// that shows them. The application answers; the windows never reach for it
// any other way, so this layer knows nothing of the one above it.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "core/engine/params.h"
#include "core/engine/region.h"
#include "core/engine/zoom.h"
#include "core/palettes/colormap.h"
#include "core/palettes/palette.h"

class CMdiDocTemplate;
class CImagePalette;
class CTindralDoc;

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

    // A picture is about to be computed: the disclaimer comes before the
    // first of a run.
    virtual void PictureStarting() = 0;
    // A picture computed beside the program. From Watch to Unwatch the
    // document hears, on this thread, whenever its computation has news;
    // what Watch answers is what the computing thread calls to say so.
    virtual std::function<void()> Watch(CTindralDoc* document) = 0;
    virtual void Unwatch(CTindralDoc* document) = 0;
    // The computing threads' news has reached this thread.
    virtual void ComputationNews() = 0;
    // The user stopped a picture: the status bar says so.
    virtual void PictureStopped() = 0;

    // A line for the status bar; an empty one brings the idle prompt back.
    // While the active picture computes, the bar shows its progress instead.
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
    virtual CMdiDocTemplate* PaletteTemplate() = 0;
    // The largest client area of a new picture window.
    virtual PixelSize ChildLimits() const = 0;
};
