// From options to a picture file: the saved picture and the palette read,
// the output opened, then counts, colour map, pixels, header, file. The
// output takes its target's place only when the whole of it has been written.
#include "cli/render.h"

#include <cerrno>
#include <cstring>

#include "core/engine/deep.h"
#include "core/engine/picture.h"
#include "core/engine/picturefile.h"
#include "core/engine/record.h"
#include "core/image/pngfile.h"

namespace {

// A bitmap or PNG file read whole (or, for a palette, its colour table),
// with the reason in *error when it cannot be.
bool ReadPictureOrImage(const std::string& path, const char* what, CDIB* dib, PictureRecord* record,
                        PictureFileState* state, std::string* error, const RenderHooks& hooks) {
    CFile file;
    file.SetWaitingNotice([&] {
        if (hooks.waiting) hooks.waiting("waiting for a writer on " + path);
    });
    if (!file.Open(path.c_str(), CFile::modeRead | CFile::shareDenyWrite)) {
        *error = std::string("cannot open ") + what + " " + path + ": " + std::strerror(file.GetLastError());
        return false;
    }
    std::string why;
    try {
        const bool read =
            record ? ReadPictureFile(&file, dib, record, state, &why) : ReadImageColorTable(&file, dib, &why);
        if (!read) {
            *error = std::string(what) + " " + path + ": " + why;
            return false;
        }
    } catch (const CFileException& e) {
        *error = std::string("cannot read ") + what + " " + path + ": " + std::strerror(e.m_lOsError);
        return false;
    }
    return true;
}

bool PaletteFrom(const CDIB& dib, const std::string& what, PaletteEntries* palette, std::string* error) {
    std::string why;
    if (!dib.CanGivePalette(&why)) {
        *error = what + " " + why;
        return false;
    }
    *palette = EntriesFromColors(dib.Info()->bmiColors, dib.ColorCount());
    return true;
}

bool LoadPalette(const RenderOptions& options, PaletteEntries* palette, std::string* error, const RenderHooks& hooks) {
    if (options.paletteFile.empty()) {
        const ColorList colors = MakeScheme(options.scheme);
        *palette = EntriesFromColors(colors.data(), kSchemeEntries);
        return true;
    }
    CDIB dib;
    return ReadPictureOrImage(options.paletteFile, "palette file", &dib, nullptr, nullptr, error, hooks) &&
           PaletteFrom(dib, options.paletteFile, palette, error);
}

// The saved picture's parameters under the options given, and its colours
// unless a palette was given: rendering a saved picture with no other
// option writes the same file again.
bool FromSavedPicture(const RenderOptions& options, PictureParams* params, bool* hasMap, CColorMap* map,
                      PaletteEntries* palette, std::string* error, const RenderHooks& hooks) {
    CDIB dib;
    PictureRecord record;
    PictureFileState file;
    if (!ReadPictureOrImage(options.fromFile, "saved picture", &dib, &record, &file, error, hooks)) return false;
    const std::string& from = options.fromFile;
    // Checked before anything is sized from the record: one with a sound
    // checksum may still claim a picture far larger than the file holds.
    if (file.Incomplete()) {
        *error =
            from + " is incomplete: " + std::to_string(file.rowsHeld) + " of " + std::to_string(file.rows) + " rows";
        return false;
    }
    switch (file.record) {
        case RecordState::Found:
            break;
        case RecordState::None:
            *error = from + " holds no picture record: only pictures that tindral-render or Save wrote do";
            return false;
        case RecordState::Damaged:
            *error = "the picture record of " + from + " is damaged: its checksum or its fields do not hold";
            return false;
        case RecordState::UnknownVersion:
            *error = "the picture record of " + from + " is of a later version than this program reads";
            return false;
        case RecordState::Mismatch:
            *error = "the picture record of " + from + " does not match its bitmap (" + file.mismatch +
                     "): the file is damaged";
            return false;
    }
    const PictureParams& saved = record.params;
    const RenderOptions::Given& given = options.given;
    if (!given.size) params->width = saved.width, params->height = saved.height;
    if (!given.rect) params->rect = saved.rect, params->exact = saved.exact;
    if (!given.iterations) params->iterations = saved.iterations;
    if (!given.exponent) params->exponent = saved.exponent;
    if (!given.noise) params->noise = saved.noise;
    // A noisy picture is made again with its own draws.
    if (saved.noise != 0.0 && !given.seed) params->seed = saved.seed;
    *hasMap = record.hasColorMap;
    if (record.hasColorMap) *map = CColorMap::FromEntries(record.colorMap);
    return given.palette || PaletteFrom(dib, from, palette, error);
}

}  // namespace

std::string OutputError(const std::string& output, int systemError, bool opening) {
    const std::string verb = opening ? "cannot create " : "cannot write ";
    switch (systemError) {
        case EISDIR:
            return "cannot write " + output + ": it is a folder";
        case ENOENT:
            return verb + output + ": its folder does not exist";
        case ENOTDIR:
            return verb + output + ": a part of its path is not a folder";
        default:
            return verb + output + ": " + std::strerror(systemError ? systemError : EIO);
    }
}

bool RenderToFile(const RenderOptions& options, unsigned noiseSeed, std::string* error, const RenderHooks& hooks) {
    PictureParams params;
    params.width = options.width;
    params.height = options.height;
    params.rect = options.rect;
    params.exponent = options.exponent;
    params.noise = options.noise;
    params.iterations = options.iterations;
    params.seed = noiseSeed;
    bool hasMap = false;
    CColorMap map(0);
    PaletteEntries palette;
    if (!options.fromFile.empty() && !FromSavedPicture(options, &params, &hasMap, &map, &palette, error, hooks))
        return false;
    if (options.given.rect && options.hasRegion) params.exact = std::make_shared<const ExactRegion>(options.region);
    // A centre's corners depend on the picture's final size.
    if (params.exact) SetExactRegion(&params, *params.exact);
    std::string why;
    if (ChooseArithmetic(params, &why) == Arithmetic::Beyond) {
        *error = "this picture is past the limit of the program's precision: " + why;
        return false;
    }

    const std::string size = std::to_string(params.width) + " x " + std::to_string(params.height);
    SetImageSizes sizes{};
    if (!ComputeSetImageSizes(params.width, params.height, &sizes)) {
        *error = "a " + size + " picture is too large for a bitmap file";
        return false;
    }
    if ((options.fromFile.empty() || options.given.palette) && !LoadPalette(options, &palette, error, hooks))
        return false;

    CReplacingFile file;
    file.SetWaitingNotice([&] {
        if (hooks.waiting) hooks.waiting("waiting for a reader on " + options.output);
    });
    if (!file.OpenFor(options.output, hooks.opened)) {
        *error = OutputError(options.output, file.GetLastError(), true);
        return false;
    }

    GeneratorControl control;
    control.threads = options.threads;
    control.progress = hooks.progress;
    SetPicture picture;
    switch (MakePicture(params, ColorPolicy{!hasMap, &map}, palette, control, &picture)) {
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

    PictureRecord record;
    record.params = RecordedParams(params);
    record.hasColorMap = hasMap;
    if (hasMap) record.colorMap = map.Entries();
    try {
        if (!WritePictureFile(&file, *picture.dib, record, FormatForPath(options.output))) {
            *error = "cannot write " + options.output + ": the picture cannot be held in a picture file";
            return false;
        }
    } catch (const CFileException& e) {
        *error = OutputError(options.output, e.m_lOsError, false);
        return false;
    }
    if (hooks.committing && !hooks.committing()) {
        *error = "the render was stopped";
        return false;
    }
    if (!file.Commit()) {
        *error = OutputError(options.output, file.GetLastError(), false);
        return false;
    }
    return true;
}
