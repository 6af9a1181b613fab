// The set document: disclaimer, generation, colour assignment, colour
// updates and saving.
#include "win/framework/win32.h"

#include "win/ui/tindraldoc.h"

#include <string>

#include "core/engine/zoom.h"
#include "win/framework/application.h"
#include "win/ui/dialogs.h"
#include "win/ui/explorer.h"

CTindralDoc::CTindralDoc(CExplorer& explorer, const PictureParams& params)
    : m_imageRect{0, 0, params.width - 1, params.height - 1},
      m_searchRect(params.rect),
      m_dExponent(params.exponent),
      m_dNoise(params.noise),
      m_nIterations(params.iterations),
      m_nSeed(params.seed),
      m_explorer(explorer) {}

PictureParams CTindralDoc::Params() const {
    PictureParams params;
    params.width = Width();
    params.height = Height();
    params.rect = m_searchRect;
    params.exponent = m_dExponent;
    params.noise = m_dNoise;
    params.iterations = m_nIterations;
    params.seed = m_nSeed;
    return params;
}

BOOL CTindralDoc::OnNewDocument() {
    if (!CDocument::OnNewDocument()) return FALSE;
    const std::string size = std::to_string(Width()) + " x " + std::to_string(Height());
    if (!NeighboursDistinct(Params())) {
        AppMessageBox(kPrecisionLimit);
        return FALSE;
    }

    m_explorer.BeginComputation();
    const ColorPolicy colors{m_explorer.AutoColor() != FALSE, m_explorer.ColorMap()};
    const PictureResult result = MakePicture(Params(), colors, m_explorer.PaletteColors(), Progress(), &m_picture);
    // A stop is the user's own doing: the status bar says so, and no
    // document is made.
    m_explorer.EndComputation(result == PictureResult::Stopped);
    switch (result) {
        case PictureResult::Made:
            return TRUE;
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

BOOL CTindralDoc::CreateImage(BOOL autoColor) {
    if (!m_picture.pixels || !m_picture.counts) return FALSE;
    if (autoColor) m_explorer.AssignColors(Width() * Height(), m_picture.counts.get());
    ColorPicture(*m_explorer.ColorMap(), &m_picture);
    return TRUE;
}

BITMAPINFO* CTindralDoc::BuildColorHeader() {
    return ::BuildColorHeader(Width(), Height(), m_explorer.PaletteColors());
}

BOOL CTindralDoc::CreateDIB(const BITMAPINFO* info) {
    m_picture.dib.reset();
    auto dib = std::make_unique<CDIB>();
    if (!info || !dib->AttachPixels(info, m_picture.pixels.get())) {
        AppMessageBox("Unable to create DIB");
        return FALSE;
    }
    m_picture.dib = std::move(dib);
    return TRUE;
}

BOOL CTindralDoc::UpdateColors() {
    Block<BITMAPINFO> info(BuildColorHeader());
    if (!CreateDIB(info.get())) {
        AppMessageBox("Unable to update colors");
        return FALSE;
    }
    return TRUE;
}

void CTindralDoc::Serialize(CArchive& ar) {
    if (ar.IsLoading() || !m_picture.dib) return;
    ar.Flush();
    if (!m_picture.dib->WriteToFile(ar.GetFile())) {
        AppMessageBox("Unable to save the DIB");
        // Not a success: the framework keeps the old file and the old name.
        ReportArchiveFailure();
    }
}
