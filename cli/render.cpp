// From options to a bitmap file: palette, counts, colour map, pixels, header,
// file. Everything is made in memory first and the file is replaced only when
// the whole of it has been written.
#include "cli/render.h"

#include <cerrno>
#include <cstring>
#include <memory>

#include "engine/generator.h"
#include "engine/setimage.h"
#include "image/dib.h"
#include "palettes/colormap.h"
#include "platform/globalmem.h"

namespace {

struct BlockDeleter {
    void operator()(void* block) const { GlobalRelease(block); }
};
template <typename T>
using Block = std::unique_ptr<T, BlockDeleter>;

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
    const int w = options.width;
    const int h = options.height;
    const std::string size = std::to_string(w) + " x " + std::to_string(h);
    SetImageSizes sizes{};
    if (!ComputeSetImageSizes(w, h, &sizes)) {
        *error = "a " + size + " picture is too large for a bitmap file";
        return false;
    }

    PaletteEntries palette;
    if (!LoadPalette(options, &palette, error)) return false;

    Block<std::int32_t> counts(static_cast<std::int32_t*>(GlobalAllocZeroed(sizes.countBytes)));
    Block<BYTE> pixels(static_cast<BYTE*>(GlobalAllocZeroed(sizes.pixelBytes)));
    if (!counts || !pixels) {
        *error = "not enough memory for a " + size + " picture";
        return false;
    }

    GeneratorInput input;
    input.width = w;
    input.height = h;
    input.rect = options.rect;
    input.exponent = options.exponent;
    input.noise = options.noise;
    input.iterations = options.iterations;
    input.seed = noiseSeed;
    GeneratorControl control;
    control.threads = options.threads;
    control.progress = progress;
    if (!GenerateCounts(input, counts.get(), control)) {
        *error = "the computation was stopped";
        return false;
    }

    const CColorMap map = CColorMap::Assign(options.iterations, w * h, counts.get());
    MapCountsToPixels(w, h, counts.get(), map, pixels.get());

    Block<BITMAPINFO> info(BuildColorHeader(w, h, palette));
    CDIB dib;
    if (!info || !dib.AttachPixels(info.get(), pixels.get())) {
        *error = "not enough memory for a " + size + " picture";
        return false;
    }

    CReplacingFile file;
    if (!file.OpenFor(options.output)) {
        *error = "cannot create " + options.output + ": " + std::strerror(errno);
        return false;
    }
    if (!dib.WriteToFile(&file) || !file.Commit()) {
        *error = "cannot write " + options.output + ": " + std::strerror(errno ? errno : EIO);
        return false;
    }
    return true;
}
