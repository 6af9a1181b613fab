// From options to a bitmap file: palette, counts, colour map, pixels, header,
// file. Everything is made in memory first and the file is replaced only when
// the whole of it has been written.
#include "cli/render.h"

#include <cerrno>
#include <cstring>

#include "core/engine/picture.h"

namespace {

bool LoadPalette(const RenderOptions& options, PaletteEntries* palette, std::string* error) {
    if (options.paletteFile.empty()) {
        const ColorList colors = MakeScheme(options.scheme);
        *palette = EntriesFromColors(colors.data(), kSchemeEntries);
        return true;
    }
    CFile file;
    if (!file.Open(options.paletteFile.c_str(), CFile::modeRead | CFile::shareDenyWrite)) {
        *error = "cannot open palette file " + options.paletteFile + ": " + std::strerror(errno);
        return false;
    }
    CDIB dib;
    try {
        if (!dib.ReadFromFile(&file)) {
            *error = "palette file " + options.paletteFile + " is not a bitmap this program can read";
            return false;
        }
    } catch (const CFileException& e) {
        *error = "cannot read palette file " + options.paletteFile + ": " + std::strerror(e.m_lOsError);
        return false;
    }
    if (dib.ColorCount() == 0) {
        *error = "palette file " + options.paletteFile + " has no colour table";
        return false;
    }
    *palette = EntriesFromColors(dib.Info()->bmiColors, dib.ColorCount());
    return true;
}

}  // namespace

bool RenderToFile(const RenderOptions& options, unsigned noiseSeed, std::string* error,
                  const std::function<bool(double done)>& progress) {
    PictureParams params;
    params.width = options.width;
    params.height = options.height;
    params.rect = options.rect;
    params.exponent = options.exponent;
    params.noise = options.noise;
    params.iterations = options.iterations;
    params.seed = noiseSeed;
    const std::string size = std::to_string(params.width) + " x " + std::to_string(params.height);
    SetImageSizes sizes{};
    if (!ComputeSetImageSizes(params.width, params.height, &sizes)) {
        *error = "a " + size + " picture is too large for a bitmap file";
        return false;
    }

    PaletteEntries palette;
    if (!LoadPalette(options, &palette, error)) return false;

    GeneratorControl control;
    control.threads = options.threads;
    control.progress = progress;
    SetPicture picture;
    switch (MakePicture(params, ColorPolicy{}, palette, control, &picture)) {
        case PictureResult::Made:
            break;
        case PictureResult::Stopped:
            *error = "the computation was stopped";
            return false;
        case PictureResult::Empty:
        case PictureResult::TooLarge:
            *error = "a " + size + " picture is too large for a bitmap file";
            return false;
        case PictureResult::NoMemory:
            *error = "not enough memory for a " + size + " picture";
            return false;
    }

    CReplacingFile file;
    if (!file.OpenFor(options.output)) {
        *error = "cannot create " + options.output + ": " + std::strerror(errno);
        return false;
    }
    if (!picture.dib->WriteToFile(&file) || !file.Commit()) {
        *error = "cannot write " + options.output + ": " + std::strerror(errno ? errno : EIO);
        return false;
    }
    return true;
}
