// Start-up, the palette commands and the colour map of the application.
#include "win/framework/win32.h"

#include "win/app/tindralapp.h"

#include "win/ui/dialogs.h"
#include "win/ui/tindraldoc.h"
#include "win/image/dibwin32.h"
#include "win/framework/document.h"
#include "win/ui/childframe.h"
#include "win/ui/mainframe.h"
#include "win/ui/palview.h"
#include "win/ui/tindralview.h"

namespace {

CDocument* NewSetDocument() {
    return new CTindralDoc;
}
CMdiChild* NewChildFrame() {
    return new CChildFrame;
}
CView* NewSetView() {
    return new CTindralView;
}
CView* NewPaletteView() {
    return new CPalView;
}

}  // namespace

CTindralApp::CTindralApp() = default;

CTindralApp::~CTindralApp() = default;

BOOL CTindralApp::InitInstance() {
    // Controls look three-dimensional on every current system; the recent
    // files are kept for this run only.
    LoadStdProfileSettings(4);
    AddDocTemplate(std::make_unique<CDocTemplate>(IDR_SETTYPE, &NewSetDocument, &NewChildFrame, &NewSetView));
    m_pPaletteTemplate =
        std::make_unique<CDocTemplate>(IDR_PALETTETYPE, &NewSetDocument, &NewChildFrame, &NewPaletteView);

    m_mainFrame = std::make_unique<CMainFrame>();
    if (!m_mainFrame->LoadFrame(IDR_MAINFRAME, WS_OVERLAPPEDWINDOW)) return FALSE;
    m_pMainWnd = m_mainFrame.get();
    ::DragAcceptFiles(m_mainFrame->m_hWnd, TRUE);
    RegisterShellFileTypes();

    // The first picture is computed (and the disclaimer answered) while the
    // main window is still hidden.
    if (!ProcessShellCommand()) return FALSE;
    ::ShowWindow(m_mainFrame->m_hWnd, m_nCmdShow);
    ::UpdateWindow(m_mainFrame->m_hWnd);
    return TRUE;
}

int CTindralApp::ExitInstance() {
    m_pPaletteTemplate.reset();
    const int code = CApp::ExitInstance();
    m_pMainWnd = nullptr;
    m_mainFrame.reset();
    return code;
}

CImagePalette* CTindralApp::GetPalette() {
    if (!m_pPalette) OnPaletteFire();
    return m_pPalette.get();
}

void CTindralApp::AssignColors(int pixelCount, const std::int32_t* counts) {
    m_pColorMap.reset();
    m_pColorMap = std::make_unique<CColorMap>(CColorMap::Assign(m_nIterations, pixelCount, counts));
}

void CTindralApp::UseScheme(Scheme scheme) {
    const ColorList colors = MakeScheme(scheme);
    m_pPalette.reset();
    m_pPalette = std::make_unique<CImagePalette>();
    m_pPalette->CreateFromColors(colors.data(), kSchemeEntries);
    PaletteReplaced();
}

void CTindralApp::SetPaletteFromDIB(const CDIB& dib) {
    m_pPalette.reset();
    m_pPalette = std::make_unique<CImagePalette>();
    m_pPalette->CreateFromDIB(dib);
    PaletteReplaced();
}

void CTindralApp::PaletteReplaced() {
    CMainFrame* frame = MainFrame();
    if (!frame || !frame->m_hWnd) return;
    frame->RealizeAppPalette(FALSE);
    // A display without a system palette never reports a change, so the
    // notice that recolours the open pictures is raised here instead.
    if (!frame->DisplayHasPalette()) frame->SendMessage(WM_PALETTECHANGED, reinterpret_cast<WPARAM>(frame->m_hWnd), 0);
}

void CTindralApp::OnLoadPalette() {
    CDIB dib;
    if (!LoadFromPath(dib, nullptr, "Bitmap Files (*.bmp; *.dib) | *.bmp; *.dib")) {
        AppMessageBox("Unable to load the DIB");
        return;
    }
    SetPaletteFromDIB(dib);
}

void CTindralApp::OnAppAbout() {
    CAboutDlg dialog;
    dialog.DoModal();
}

void CTindralApp::OnPerformanceParams() {
    CPerfParamsDlg dialog;
    dialog.m_nWidth = m_imageRect.right + 1;
    dialog.m_nHeight = m_imageRect.bottom + 1;
    dialog.m_nIterations = m_nIterations;
    dialog.m_dNoise = m_dNoise;
    dialog.m_dExponent = m_dExponent;
    // Only values that passed their checks come back: a Cancel after a
    // rejected OK leaves the parameters as they were.
    if (dialog.DoModal() != IDOK) return;
    m_imageRect.right = dialog.m_nWidth - 1;
    m_imageRect.bottom = dialog.m_nHeight - 1;
    m_nIterations = dialog.m_nIterations;
    m_dNoise = dialog.m_dNoise;
    m_dExponent = dialog.m_dExponent;
}

void CTindralApp::OnRegion() {
    CRegionDlg dialog;
    dialog.m_dUpperLeftReal = m_searchRect.upperLeft.re;
    dialog.m_dUpperLeftImag = m_searchRect.upperLeft.im;
    dialog.m_dLowerRightReal = m_searchRect.lowerRight.re;
    dialog.m_dLowerRightImag = m_searchRect.lowerRight.im;
    if (dialog.DoModal() != IDOK) return;
    m_searchRect = SearchRect{{dialog.m_dUpperLeftReal, dialog.m_dUpperLeftImag},
                              {dialog.m_dLowerRightReal, dialog.m_dLowerRightImag}};
}

BOOL CTindralApp::OnCommand(UINT id, BOOL execute) {
    return DispatchCommand(this, kCommands, id, execute) || CApp::OnCommand(id, execute);
}
