// Start-up, the templates' factories, the parameter and palette commands,
// and the answers the windows and documents get from the program.
#include "win/framework/win32.h"

#include "win/app/tindralapp.h"

#include <algorithm>
#include <chrono>
#include <ctime>

#include "core/engine/computation.h"
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
    AddDocTemplate(std::make_unique<CMdiDocTemplate>(IDR_SETTYPE, newSetDocument, newChildFrame,
                                                     [this]() -> CView* { return new CTindralView(*this); }));
    m_pPaletteTemplate = std::make_unique<CMdiDocTemplate>(IDR_PALETTETYPE, newSetDocument, newChildFrame,
                                                           [this]() -> CView* { return new CPalView(*this); });

    m_mainFrame = std::make_unique<CMainFrame>(*this, SIZE{m_mainWindowRect.right, m_mainWindowRect.bottom});
    if (!m_mainFrame->LoadFrame(IDR_MAINFRAME, WS_OVERLAPPEDWINDOW)) return FALSE;
    m_pMainWnd = m_mainFrame.get();
    ::DragAcceptFiles(m_mainFrame->m_hWnd, TRUE);
    RegisterShellFileTypes();

    // The disclaimer is answered while the main window is still hidden; the
    // first picture's window then computes beside it. A file named on the command line that
    // cannot be opened has said why; the program then starts without a
    // picture, as after a failed Open.
    if (!ProcessShellCommand() && m_args.empty()) return FALSE;
    ::ShowWindow(m_mainFrame->m_hWnd, m_nCmdShow);
    ::UpdateWindow(m_mainFrame->m_hWnd);
    return TRUE;
}

int CTindralApp::ExitInstance() {
    // The windows have gone and with them every computation's owner; their
    // threads stop at their next look at the flag, well within the wait.
    CComputation::WaitForAll(std::chrono::milliseconds(900));
    m_pPaletteTemplate.reset();
    const int code = CApp::ExitInstance();
    m_pMainWnd = nullptr;
    m_mainFrame.reset();
    return code;
}

void CTindralApp::SetNextPicture(const PictureParams& params) {
    const unsigned seed = m_next.seed;
    m_next = params;
    m_next.seed = seed;
}

void CTindralApp::PictureActivated(const PictureParams& params) {
    // The iteration limit and the size stay as the user last set them.
    m_next = WithRegionOf(m_next, params);
    m_next.noise = params.noise;
    m_next.exponent = params.exponent;
}

void CTindralApp::ZoomTo(const SearchRect& region, const ExactRegion& exact) {
    const PictureParams next = ZoomedPicture(NextPicture(), region, exact);
    if (!WithinPrecision(next, exact)) return;
    m_next.rect = next.rect;
    m_next.exact = next.exact;
    OnCommand(ID_FILE_NEW, TRUE);
}

void CTindralApp::PictureStarting() {
    if (m_bDisclaimerShown) return;
    m_bDisclaimerShown = TRUE;
    CDisclaimerDlg disclaimer;
    disclaimer.DoModal();
}

std::function<void()> CTindralApp::Watch(CTindralDoc* document) {
    if (std::find(m_watched.begin(), m_watched.end(), document) == m_watched.end()) m_watched.push_back(document);
    HWND frame = m_mainFrame ? m_mainFrame->m_hWnd : nullptr;
    // One message on its way is enough: every document is asked when it comes.
    return [frame, posted = m_pNewsPosted] {
        if (frame && !posted->exchange(true) && !::PostMessageA(frame, kComputationNews, 0, 0)) posted->store(false);
    };
}

void CTindralApp::Unwatch(CTindralDoc* document) {
    m_watched.erase(std::remove(m_watched.begin(), m_watched.end(), document), m_watched.end());
}

void CTindralApp::ComputationNews() {
    m_pNewsPosted->store(false);
    // A document may finish, close its windows and go while this runs.
    const std::vector<CTindralDoc*> watched = m_watched;
    for (CTindralDoc* document : watched)
        if (std::find(m_watched.begin(), m_watched.end(), document) != m_watched.end()) document->OnComputationNews();
    ShowActiveProgress();
}

void CTindralApp::PictureStopped() {
    m_bProgressShown = false;
    if (m_mainFrame) m_mainFrame->ShowStatus("The picture was stopped.");
}

CTindralDoc* CTindralApp::ActiveDocument() const {
    CMdiChild* child = m_mainFrame && m_mainFrame->m_hWnd ? m_mainFrame->MDIGetActive() : nullptr;
    return child ? dynamic_cast<CTindralDoc*>(child->GetActiveDocument()) : nullptr;
}

void CTindralApp::ShowActiveProgress() {
    if (!m_mainFrame || !m_mainFrame->m_hWnd) return;
    CTindralDoc* document = ActiveDocument();
    if (!document || !document->Computing()) {
        if (m_bProgressShown) m_mainFrame->ShowProgress(-1.0, -1.0);
        m_bProgressShown = false;
        // Told once, when the picture is done and shown.
        const std::string hint = document ? document->TakeLimitHint() : std::string();
        if (!hint.empty()) m_mainFrame->ShowStatus(hint);
        return;
    }
    m_mainFrame->ShowProgress(document->ComputedShare(), document->SecondsLeft());
    m_bProgressShown = true;
}

void CTindralApp::OnIdle() {
    CApp::OnIdle();
    ShowActiveProgress();
}

BOOL CTindralApp::PreTranslateMessage(MSG* msg) {
    if (msg->message != WM_KEYDOWN || msg->wParam != VK_ESCAPE || !m_mainFrame || !m_mainFrame->m_hWnd) return FALSE;
    if (msg->hwnd != m_mainFrame->m_hWnd && !::IsChild(m_mainFrame->m_hWnd, msg->hwnd)) return FALSE;
    CTindralDoc* document = ActiveDocument();
    if (!document || !document->Computing()) return FALSE;
    document->StopComputation();
    return TRUE;
}

void CTindralApp::ShowStatus(const std::string& text) {
    // While the active picture computes, the status bar is its progress.
    if (m_bProgressShown) return;
    if (m_mainFrame) m_mainFrame->ShowStatus(text);
}

bool CTindralApp::WithinPrecision(const PictureParams& params, const ExactRegion& exact) {
    if (PixelsDistinguishable(params)) return true;
    AppMessageBox(PrecisionLimitMessage(WhyBeyond(params, exact)));
    return false;
}

CColorMap* CTindralApp::ColorMap() {
    // Before any assignment every count shows as the interior.
    if (!m_pColorMap) m_pColorMap = std::make_unique<CColorMap>(0);
    return m_pColorMap.get();
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
    return DispatchCommand(this, kCommands, id, execute) || CApp::OnCommand(id, execute);
}
