// The set document: disclaimer, generation, colour assignment, colour
// updates and saving.
#include "win/framework/win32.h"

#include "win/ui/tindraldoc.h"

#include <ctime>
#include <string>
#include <vector>

#include "win/ui/dialogs.h"
#include "win/app/tindralapp.h"
#include "core/engine/generator.h"
#include "core/palettes/colormap.h"
#include "win/ui/mainframe.h"

CTindralDoc::CTindralDoc() {
    const CTindralApp* app = TindralApp();
    m_imageRect = app->m_imageRect;
    m_searchRect = app->m_searchRect;
    m_dExponent = app->m_dExponent;
    m_dNoise = app->m_dNoise;
}

CTindralDoc::~CTindralDoc() {
    // The bitmap refers to the pixels: it goes first.
    m_pDIB.reset();
    m_pImageBits.reset();
    m_pCounts.reset();
}

BOOL CTindralDoc::OnNewDocument() {
    CTindralApp* app = TindralApp();
    if (!app->m_bDisclaimerShown) {
        app->m_bDisclaimerShown = TRUE;
        CDisclaimerDlg disclaimer;
        disclaimer.DoModal();
    }
    const int w = Width();
    const int h = Height();
    if (!CDocument::OnNewDocument()) return FALSE;

    // Sizes are checked before anything is allocated, so that nothing wraps.
    const std::string size = std::to_string(w) + " x " + std::to_string(h);
    if (w < 1 || h < 1) {
        AppMessageBox("A picture of " + size + " pixels has nothing to show: width and height must be at least 1.");
        return FALSE;
    }
    if (!ComputeSetImageSizes(w, h, &m_sizes)) {
        AppMessageBox("A picture of " + size + " pixels is too large to be made.");
        return FALSE;
    }
    m_pCounts.reset(static_cast<std::int32_t*>(GlobalAllocZeroed(m_sizes.countBytes)));
    m_pImageBits.reset(static_cast<BYTE*>(GlobalAllocZeroed(m_sizes.pixelBytes)));
    if (!m_pCounts || !m_pImageBits) {
        m_pCounts.reset();
        m_pImageBits.reset();
        AppMessageBox("There is not enough memory for a picture of " + size + " pixels.");
        return FALSE;
    }

    if (!GenerateSet()) {
        AppMessageBox("Unable to generate set");
        return FALSE;
    }
    if (!CreateImage(app->m_bAutoColor)) {
        AppMessageBox("Unable to create image");
        return FALSE;
    }
    return UpdateColors();
}

BOOL CTindralDoc::GenerateSet() {
    CWaitCursor wait;
    GeneratorInput input;
    input.width = Width();
    input.height = Height();
    input.rect = m_searchRect;
    input.exponent = m_dExponent;
    input.noise = m_dNoise;
    input.iterations = TindralApp()->m_nIterations;
    input.seed = static_cast<unsigned>(std::time(nullptr));
    // The user interface waits for the picture; the status bar says how far
    // it has got.
    CMainFrame* frame = TindralApp()->MainFrame();
    GeneratorControl control;
    control.progress = [frame](double done) {
        if (frame) frame->ShowProgress(done);
        return true;
    };
    const bool complete = GenerateCounts(input, m_pCounts.get(), control);
    if (frame) frame->ShowProgress(-1.0);
    return complete ? TRUE : FALSE;
}

BOOL CTindralDoc::CreateImage(BOOL autoColor) {
    CTindralApp* app = TindralApp();
    const int w = Width();
    const int h = Height();
    if (!m_pImageBits || !m_pCounts) return FALSE;
    if (autoColor) app->AssignColors(w * h, m_pCounts.get());
    // Without any map yet every count shows as the interior.
    static const CColorMap kNoMap(0);
    const CColorMap& map = app->m_pColorMap ? *app->m_pColorMap : kNoMap;
    MapCountsToPixels(w, h, m_pCounts.get(), map, m_pImageBits.get());
    return TRUE;
}

BITMAPINFO* CTindralDoc::BuildColorHeader() {
    PaletteEntries entries(kPictureColors);
    CImagePalette* palette = TindralApp()->GetPalette();
    const UINT read = palette && palette->GetSafeHandle()
                          ? ::GetPaletteEntries(palette->GetSafeHandle(), 0, kPictureColors, entries.data())
                          : 0;
    entries.resize(read);
    return ::BuildColorHeader(Width(), Height(), entries);
}

BOOL CTindralDoc::CreateDIB(const BITMAPINFO* info) {
    m_pDIB.reset();
    m_pDIB = std::make_unique<CDIB>();
    if (!info || !m_pDIB->AttachPixels(info, m_pImageBits.get())) {
        AppMessageBox("Unable to create DIB");
        return FALSE;
    }
    return TRUE;
}

BOOL CTindralDoc::UpdateColors() {
    BITMAPINFO* info = BuildColorHeader();
    const BOOL created = CreateDIB(info);
    GlobalRelease(info);
    if (!created) {
        AppMessageBox("Unable to update colors");
        return FALSE;
    }
    return TRUE;
}

void CTindralDoc::Serialize(CArchive& ar) {
    if (ar.IsLoading() || !m_pDIB) return;
    ar.Flush();
    if (!m_pDIB->WriteToFile(ar.GetFile())) {
        AppMessageBox("Unable to save the DIB");
        // Not a success: the framework keeps the old file and the old name.
        ReportArchiveFailure();
    }
}
