// From parameters to a bitmap in memory.
#include "core/engine/picture.h"

#include "core/engine/deep.h"

PictureResult AllocatePicture(int width, int height, SetPicture* picture) {
    picture->dib.reset();
    picture->pixels.reset();
    picture->counts.reset();
    picture->width = width;
    picture->height = height;
    if (width < 1 || height < 1) return PictureResult::Empty;
    SetImageSizes sizes{};
    if (!ComputeSetImageSizes(width, height, &sizes)) return PictureResult::TooLarge;
    picture->counts.reset(static_cast<std::int32_t*>(GlobalAllocZeroed(sizes.countBytes)));
    picture->pixels.reset(static_cast<BYTE*>(GlobalAllocZeroed(sizes.pixelBytes)));
    if (!picture->counts || !picture->pixels) {
        picture->counts.reset();
        picture->pixels.reset();
        return PictureResult::NoMemory;
    }
    return PictureResult::Made;
}

bool ComputeCounts(const PictureParams& params, const GeneratorControl& control, SetPicture* picture) {
    PictureParams sized = params;
    sized.width = picture->width;
    sized.height = picture->height;
    return GeneratePictureCounts(sized, picture->counts.get(), control);
}

void ColorPicture(const CColorMap& map, SetPicture* picture) {
    MapCountsToPixels(picture->width, picture->height, picture->counts.get(), map, picture->pixels.get());
}

bool AttachPicture(const BITMAPINFO* info, SetPicture* picture) {
    auto dib = std::make_unique<CDIB>();
    if (!info || !dib->AttachPixels(info, picture->pixels.get())) return false;
    picture->dib = std::move(dib);
    return true;
}

bool PaintPicture(const PaletteEntries& palette, SetPicture* picture) {
    Block<BITMAPINFO> info(BuildColorHeader(picture->width, picture->height, palette));
    return AttachPicture(info.get(), picture);
}

PictureResult MakePicture(const PictureParams& params, const ColorPolicy& colors, const PaletteEntries& palette,
                          const GeneratorControl& control, SetPicture* picture) {
    const PictureResult allocated = AllocatePicture(params.width, params.height, picture);
    if (allocated != PictureResult::Made) return allocated;
    if (!ComputeCounts(params, control, picture)) return PictureResult::Stopped;
    // Without any map yet every count shows as the interior.
    CColorMap map = colors.map ? *colors.map : CColorMap(0);
    if (colors.autoColor) {
        map = CColorMap::Assign(params.iterations, params.width * params.height, picture->counts.get());
        if (colors.map) *colors.map = map;
    }
    ColorPicture(map, picture);
    return PaintPicture(palette, picture) ? PictureResult::Made : PictureResult::NoMemory;
}
