// Start-up, the templates' factories, the parameter and palette commands,
// and the answers the windows and documents get from the program.
#include "win/framework/win32.h"

#include "win/app/tindralapp.h"

#include <ctime>

#include "core/engine/deep.h"
#include "core/engine/zoom.h"

#include "win/framework/document.h"
#include "win/image/dibwin32.h"
#include "win/ui/childframe.h"
#include "win/ui/dialogs.h"
#include "win/ui/mainframe.h"
#include "win/ui/palview.h"
#include "win/ui/tindraldoc.h"
#include "win/ui/tindralview.h"

CTindralApp::CTindralApp() = default;

CTindralApp::~CTindralApp() = default;

BOOL CTindralApp::InitInstance() {
    // The last four files opened or saved, kept in the user's registry.
    LoadStdProfileSettings(4);
    // Every picture starts from the next picture's parameters; the noise
    // draws take the time of its making as their seed.
    auto newSetDocument = [this]() -> CDocument* {
        PictureParams params = NextPicture();
        params.seed = static_cast<unsigned>(std::time(nullptr));
        return new CTindralDoc(*this, params);
    };
    auto newChildFrame = [this]() -> CMdiChild* { return new CChildFrame(*this); };
    AddDocTemplate(std::make_unique<CDocTemplate>(IDR_SETTYPE, newSetDocument, newChildFrame,
                                                  [this]() -> CView* { return new CTindralView(*this); }));
    m_pPaletteTemplate = std::make_unique<CDocTemplate>(IDR_PALETTETYPE, newSetDocument, newChildFrame,
                                                        [this]() -> CView* { return new CPalView(*this); });

    m_mainFrame = std::make_unique<CMainFrame>(*this, SIZE{m_mainWindowRect.right, m_mainWindowRect.bottom});
    if (!m_mainFrame->LoadFrame(IDR_MAINFRAME, WS_OVERLAPPEDWINDOW)) return FALSE;
    m_pMainWnd = m_mainFrame.get();
    ::DragAcceptFiles(m_mainFrame->m_hWnd, TRUE);
    RegisterShellFileTypes();

    // The first picture is computed (and the disclaimer answered) while the
    // main window is still hidden. A file named on the command line that
    // cannot be opened has said why; the program then starts without a
    // picture, as after a failed Open.
    if (!ProcessShellCommand() && m_args.empty()) return FALSE;
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

PictureParams CTindralApp::NextPicture() const {
    PictureParams params;
    params.width = m_imageRect.right + 1;
    params.height = m_imageRect.bottom + 1;
    params.rect = m_searchRect;
    params.exact = m_exactRegion;
    params.exponent = m_dExponent;
    params.noise = m_dNoise;
    params.iterations = m_nIterations;
    return params;
}

void CTindralApp::SetNextPicture(const PictureParams& params) {
    m_imageRect.right = params.width - 1;
    m_imageRect.bottom = params.height - 1;
    m_searchRect = params.rect;
    m_exactRegion = params.exact;
    m_dExponent = params.exponent;
    m_dNoise = params.noise;
    m_nIterations = params.iterations;
}

void CTindralApp::PictureActivated(const PictureParams& params) {
    // The iteration limit and the size stay as the user last set them.
    m_searchRect = params.rect;
    m_exactRegion = params.exact;
    m_dNoise = params.noise;
    m_dExponent = params.exponent;
}

void CTindralApp::ZoomTo(const SearchRect& region, const ExactRegion& exact) {
    if (m_bComputing) return;
    const PictureParams next = ZoomedPicture(NextPicture(), region, exact);
    if (!WithinPrecision(next)) return;
    m_searchRect = next.rect;
    m_exactRegion = next.exact;
    OnCommand(ID_FILE_NEW, TRUE);
}

void CTindralApp::BeginComputation() {
    if (!m_bDisclaimerShown) {
        m_bDisclaimerShown = TRUE;
        CDisclaimerDlg disclaimer;
        disclaimer.DoModal();
    }
    m_bComputing = true;
    m_bStopRequested = false;
    m_nComputationStart = ::GetTickCount64();
    m_nLastProgressShown = 0;
    m_timeLeft = CTimeLeft();
    // Commands wait for the picture: the toolbar shows it at once.
    if (m_mainFrame && m_mainFrame->m_hWnd) m_mainFrame->OnIdleUpdate();
}

bool CTindralApp::Progress(double done) {
    const std::uint64_t now = ::GetTickCount64();
    // Every reading goes into the estimate; the status bar shows one now and then.
    const double left = m_timeLeft.Update(static_cast<double>(now - m_nComputationStart) / 1000.0, done);
    if (m_mainFrame && now - m_nLastProgressShown >= 100) {
        m_nLastProgressShown = now;
        m_mainFrame->ShowProgress(done, left);
    }
    // The windows paint, move and answer while the picture is computed;
    // Escape stops it.
    MSG msg;
    while (!m_bStopRequested && ::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            m_bStopRequested = true;
            break;
        }
        if (msg.message == WM_KEYDOWN && msg.wParam == VK_ESCAPE) {
            m_bStopRequested = true;
            break;
        }
        if (!TranslateAccelerators(&msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
    }
    return !m_bStopRequested;
}

void CTindralApp::EndComputation(bool stopped) {
    m_bComputing = false;
    if (m_mainFrame) m_mainFrame->ShowProgress(-1.0, -1.0);
    if (stopped) ShowStatus("The picture was stopped.");
    if (m_bCloseRequested && m_mainFrame && m_mainFrame->m_hWnd) {
        m_bCloseRequested = false;
        ::PostMessageA(m_mainFrame->m_hWnd, WM_CLOSE, 0, 0);
    }
}

void CTindralApp::CloseWhenStopped() {
    m_bStopRequested = true;
    m_bCloseRequested = true;
}

void CTindralApp::ShowStatus(const std::string& text) {
    if (m_mainFrame) m_mainFrame->ShowStatus(text);
}

bool CTindralApp::WithinPrecision(const PictureParams& params) {
    if (PixelsDistinguishable(params)) return true;
    AppMessageBox(kPrecisionLimit);
    return false;
}

CColorMap* CTindralApp::ColorMap() {
    // Before any assignment every count shows as the interior.
    if (!m_pColorMap) m_pColorMap = std::make_unique<CColorMap>(0);
    return m_pColorMap.get();
}

void CTindralApp::AssignColors(int pixelCount, const std::int32_t* counts) {
    m_pColorMap = std::make_unique<CColorMap>(CColorMap::Assign(m_nIterations, pixelCount, counts));
}

CImagePalette* CTindralApp::GetPalette() {
    if (!m_pPalette) OnPaletteFire();
    return m_pPalette.get();
}

const PaletteEntries& CTindralApp::PaletteColors() {
    GetPalette();
    return m_paletteEntries;
}

void CTindralApp::UseScheme(Scheme scheme) {
    const ColorList colors = MakeScheme(scheme);
    m_scheme = scheme;
    SetPaletteEntries(EntriesFromColors(colors.data(), kSchemeEntries));
}

void CTindralApp::SetPaletteFromDIB(const CDIB& dib) {
    m_scheme.reset();
    const int count = dib.Info() ? dib.ColorCount() : 0;
    SetPaletteEntries(count > 0 ? EntriesFromColors(dib.Info()->bmiColors, count) : PaletteEntries());
}

void CTindralApp::SetPaletteEntries(PaletteEntries entries) {
    m_paletteEntries = std::move(entries);
    m_pPalette.reset();
    m_pPalette = std::make_unique<CImagePalette>();
    m_pPalette->CreateFromEntries(m_paletteEntries);
    CMainFrame* frame = MainFrame();
    if (!frame || !frame->m_hWnd) return;
    frame->RealizeAppPalette(FALSE);
    // A display without a system palette never reports a change, so the
    // notice that recolours the open pictures is raised here instead.
    if (!frame->DisplayHasPalette()) frame->SendMessage(WM_PALETTECHANGED, reinterpret_cast<WPARAM>(frame->m_hWnd), 0);
}

// A file that gives no palette is refused with its reason; the current
// palette stays. A cancelled file dialog leaves no reason and is no failure.
void CTindralApp::OnLoadPalette() {
    CDIB dib;
    std::string why;
    if (!LoadFromPath(dib, nullptr, "Bitmap Files (*.bmp; *.dib) | *.bmp; *.dib", &why, true)) {
        if (!why.empty()) AppMessageBox("Unable to load the DIB " + why + ".");
        return;
    }
    if (!dib.CanGivePalette(&why)) {
        AppMessageBox("This file " + why + ".");
        return;
    }
    SetPaletteFromDIB(dib);
}

int CTindralApp::CommandChecked(UINT id) const {
    if (id == ID_AUTO_COLOR_ASSIGN) return m_bAutoColor ? 1 : 0;
    for (const auto& [command, scheme] : kSchemeCommands)
        if (id == command) return m_scheme == scheme ? 1 : 0;
    return -1;
}

void CTindralApp::OnAppAbout() {
    CAboutDlg dialog;
    dialog.DoModal();
}

// Only values that passed their checks, the precision among them, come back:
// a Cancel after a rejected OK leaves the parameters as they were.
void CTindralApp::OnPerformanceParams() {
    CPerfParamsDlg dialog(NextPicture());
    if (dialog.DoModal() == IDOK) SetNextPicture(dialog.Params());
}

void CTindralApp::OnRegion() {
    CRegionDlg dialog(NextPicture());
    if (dialog.DoModal() == IDOK) SetNextPicture(dialog.Params());
}

BOOL CTindralApp::OnCommand(UINT id, BOOL execute) {
    // While a picture is computed, commands wait for it; Exit stops it.
    if (m_bComputing && id != ID_APP_EXIT) return FALSE;
    return DispatchCommand(this, kCommands, id, execute) || CApp::OnCommand(id, execute);
}
