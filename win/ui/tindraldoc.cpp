// The set document: disclaimer, generation, colour assignment, colour
// updates and saving.
#include "win/framework/win32.h"

#include "win/ui/tindraldoc.h"

#include <cstring>
#include <string>

#include "core/engine/deep.h"
#include "core/engine/picturefile.h"
#include "core/engine/zoom.h"
#include "win/framework/application.h"
#include "win/ui/dialogs.h"
#include "win/ui/explorer.h"

CTindralDoc::CTindralDoc(CExplorer& explorer, const PictureParams& params) : m_explorer(explorer) {
    TakeParams(params);
}

void CTindralDoc::TakeParams(const PictureParams& params) {
    m_imageRect = RECT{0, 0, params.width - 1, params.height - 1};
    m_searchRect = params.rect;
    m_exactRegion = params.exact;
    m_dExponent = params.exponent;
    m_dNoise = params.noise;
    m_nIterations = params.iterations;
    m_nSeed = params.seed;
}

PictureParams CTindralDoc::Params() const {
    PictureParams params;
    params.width = Width();
    params.height = Height();
    params.rect = m_searchRect;
    params.exact = m_exactRegion;
    params.exponent = m_dExponent;
    params.noise = m_dNoise;
    params.iterations = m_nIterations;
    params.seed = m_nSeed;
    return params;
}

BOOL CTindralDoc::OnNewDocument() {
    if (!CDocument::OnNewDocument()) return FALSE;
    const std::string size = std::to_string(Width()) + " x " + std::to_string(Height());
    if (!PixelsDistinguishable(Params())) {
        AppMessageBox(kPrecisionLimit);
        return FALSE;
    }

    m_explorer.BeginComputation();
    const ColorPolicy colors{m_explorer.AutoColor() != FALSE, m_explorer.ColorMap()};
    const PictureResult result = MakePicture(Params(), colors, m_explorer.PaletteColors(), Progress(), &m_picture);
    m_bAutoColored = colors.autoColor;
    if (colors.map) m_colorMap = *colors.map;
    // A stop is the user's own doing: the status bar says so, and no
    // document is made.
    m_explorer.EndComputation(result == PictureResult::Stopped);
    switch (result) {
        case PictureResult::Made: {
            const std::string hint = LimitHint(Params(), m_picture.counts.get());
            if (!hint.empty()) m_explorer.ShowStatus(hint);
            return TRUE;
        }
        case PictureResult::Stopped:
            return FALSE;
        case PictureResult::Empty:
            AppMessageBox("A picture of " + size + " pixels has nothing to show: width and height must be at least 1.");
            return FALSE;
        case PictureResult::TooLarge:
            AppMessageBox("A picture of " + size + " pixels is too large to be made.");
            return FALSE;
        case PictureResult::NoMemory:
            break;
    }
    AppMessageBox(m_picture.counts ? "Unable to update colors"
                                   : "There is not enough memory for a picture of " + size + " pixels.");
    return FALSE;
}

GeneratorControl CTindralDoc::Progress() {
    GeneratorControl control;
    control.progress = [this](double done) { return m_explorer.Progress(done); };
    return control;
}

BOOL CTindralDoc::GenerateSet() {
    if (!m_picture.counts) return FALSE;
    m_explorer.BeginComputation();
    const bool complete = ComputeCounts(Params(), Progress(), &m_picture);
    m_explorer.EndComputation(!complete);
    return complete ? TRUE : FALSE;
}

BITMAPINFO* CTindralDoc::BuildColorHeader() {
    return ::BuildColorHeader(Width(), Height(), m_explorer.PaletteColors());
}

BOOL CTindralDoc::CreateDIB(const BITMAPINFO* info) {
    if (AttachPicture(info, &m_picture)) return TRUE;
    AppMessageBox("Unable to create DIB");
    return FALSE;
}

BOOL CTindralDoc::UpdateColors() {
    // A bitmap from elsewhere keeps the colours it came with.
    if (m_bPlainBitmap) return TRUE;
    Block<BITMAPINFO> info(BuildColorHeader());
    if (!CreateDIB(info.get())) {
        AppMessageBox("Unable to update colors");
        return FALSE;
    }
    return TRUE;
}

BOOL CTindralDoc::OnCommand(UINT id, BOOL execute) {
    return CDocument::OnCommand(id == ID_FILE_SAVE_IMAGE ? ID_FILE_SAVE : id, execute);
}

std::string CTindralDoc::GetSaveFilter() const {
    return "Bitmap pictures (*.bmp)|*.bmp|PNG pictures (*.png)|*.png|All Files (*.*)|*.*||";
}

PictureRecord CTindralDoc::Record() const {
    PictureRecord record;
    record.params = RecordedParams(Params());
    record.hasColorMap = !m_bAutoColored;
    if (record.hasColorMap) record.colorMap = m_colorMap.Entries();
    return record;
}

void CTindralDoc::Serialize(CArchive& ar) {
    if (ar.IsLoading()) {
        Load(ar.GetFile());
        return;
    }
    // Nothing is ever written over a file in place of a picture.
    if (!m_picture.dib) {
        AppMessageBox("This window holds no picture to save.");
        ReportArchiveFailure();
        return;
    }
    ar.Flush();
    // The type goes by the name the user gave, not by the temporary file's.
    CFile* file = ar.GetFile();
    const auto* replacing = dynamic_cast<const CReplacingFile*>(file);
    const PictureFormat format = FormatForPath(replacing ? replacing->GetTargetPath() : file->GetFilePath());
    const bool written = m_bPlainBitmap ? WriteImageFile(file, *m_picture.dib, format)
                                        : WritePictureFile(file, *m_picture.dib, Record(), format);
    if (!written) {
        AppMessageBox("Unable to save the DIB");
        // Not a success: the framework keeps the old file and the old name.
        ReportArchiveFailure();
    }
}

void CTindralDoc::Load(CFile* file) {
    const std::string name = file->GetFilePath();
    auto dib = std::make_unique<CDIB>();
    std::string why;
    PictureRecord record;
    PictureFileState state;
    if (!ReadPictureFile(file, dib.get(), &record, &state, &why)) {
        AppMessageBox(name + " is not a picture Tindral can show: " + why + ".");
        ReportArchiveFailure();
        return;
    }
    if (dib->Info()->bmiHeader.biBitCount != 8) {
        AppMessageBox(name + " has " + std::to_string(dib->Info()->bmiHeader.biBitCount) +
                      " bits a pixel: Tindral shows 8-bit pictures only.");
        ReportArchiveFailure();
        return;
    }
    // Anything but a sound record that describes the file's bitmap leaves
    // the picture shown as the bitmap it is, told before anything is
    // computed: a record's claimed picture may be of any size.
    m_fileRecord = state.record;
    m_bIncomplete = state.Incomplete();
    if (m_bIncomplete) {
        AppMessageBox(name + " is incomplete: " + std::to_string(state.rowsHeld) + " of " + std::to_string(state.rows) +
                      " rows.");
    } else if (state.record == RecordState::Mismatch) {
        std::string mismatch = state.mismatch;
        for (std::size_t at; (at = mismatch.find("\u00d7")) != std::string::npos;) mismatch.replace(at, 2, "\xd7");
        AppMessageBox("The picture record of " + name + " does not match its bitmap (" + mismatch +
                      "): the file is damaged.");
    } else if (state.record == RecordState::Damaged) {
        AppMessageBox("The picture record of " + name + " is damaged: its checksum or its fields do not hold.");
    } else if (state.record == RecordState::UnknownVersion) {
        AppMessageBox("The picture record of " + name + " is of a later version than this program reads.");
    }
    const bool found = state.record == RecordState::Found && !m_bIncomplete;
    const PictureResult remade = found ? Remake(record, *dib) : PictureResult::NoMemory;
    if (remade == PictureResult::Made) return;
    if (remade == PictureResult::Stopped) {
        ReportArchiveFailure();
        return;
    }
    const int width = dib->ImageWidth();
    const int height = dib->ImageHeight();
    m_picture = SetPicture();
    m_picture.width = width;
    m_picture.height = height;
    m_picture.dib = std::move(dib);
    m_imageRect = RECT{0, 0, width - 1, height - 1};
    m_bPlainBitmap = true;
}

const char* CTindralDoc::NoRegionReason() const {
    if (m_bIncomplete) return "This picture's file is incomplete: it has no region to magnify.";
    switch (m_fileRecord) {
        case RecordState::Damaged:
        case RecordState::Mismatch:
            return "The picture record of this picture is damaged: it has no region to magnify.";
        case RecordState::UnknownVersion:
            return "The picture record of this picture is of a later version than this program reads: it has no "
                   "region to magnify.";
        case RecordState::Found:
            return "The picture record of this picture does not give its pixels: it has no region to magnify.";
        default:
            return "This picture was not made by Tindral: it has no region to magnify.";
    }
}

PictureResult CTindralDoc::Remake(const PictureRecord& record, const CDIB& saved) {
    const PictureParams& params = record.params;
    if (params.width != saved.ImageWidth() || params.height != saved.ImageHeight() ||
        AllocatePicture(params.width, params.height, &m_picture) != PictureResult::Made)
        return PictureResult::NoMemory;
    TakeParams(params);
    if (!GenerateSet()) return PictureResult::Stopped;
    m_bAutoColored = !record.hasColorMap;
    // The shared colour map is left as it is: opening a file changes no
    // other picture's colours.
    m_colorMap = record.hasColorMap
                     ? CColorMap::FromEntries(record.colorMap)
                     : CColorMap::Assign(params.iterations, params.width * params.height, m_picture.counts.get());
    ColorPicture(m_colorMap, &m_picture);
    // The picture made again must be the one saved, pixel for pixel.
    for (int y = 0; y < params.height; ++y)
        if (std::memcmp(
                saved.PixelAddress(0, y),
                m_picture.pixels.get() + static_cast<std::size_t>(params.height - 1 - y) * RowStride(params.width),
                static_cast<std::size_t>(params.width)) != 0) {
            m_picture = SetPicture();
            return PictureResult::NoMemory;
        }
    return UpdateColors() ? PictureResult::Made : PictureResult::NoMemory;
}
