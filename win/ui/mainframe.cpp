// The main frame: bars, prompts, palette realisation and its notices.
#include "win/framework/win32.h"

#include "win/ui/mainframe.h"

#include <cmath>
#include <iterator>
#include <vector>

#include "win/framework/application.h"
#include "win/framework/document.h"
#include "win/image/dibwin32.h"
#include "win/image/imagepalette.h"
#include "win/ui/dialogs.h"
#include "win/ui/explorer.h"
#include "win/ui/tindraldoc.h"

namespace {

// The status-bar prompt of a command: its string up to the line break.
std::string PromptOf(UINT id) {
    const std::string text = LoadResourceString(id);
    return text.substr(0, text.find('\n'));
}

// The tooltip of a command: its string after the line break.
std::string TooltipOf(UINT id) {
    const std::string text = LoadResourceString(id);
    const auto at = text.find('\n');
    return at == std::string::npos ? std::string() : text.substr(at + 1);
}

const std::vector<UINT> kToolbarButtons = {ID_FILE_NEW, ID_FILE_SAVE, 0, ID_VIEW_PALETTE, ID_AUTO_COLOR_ASSIGN};
const std::vector<UINT> kIndicators = {0, ID_INDICATOR_CAPS, ID_INDICATOR_NUM, ID_INDICATOR_SCRL};

BOOL CALLBACK SendPaletteChanged(HWND window, LPARAM frame) {
    ::SendMessageA(window, WM_PALETTECHANGED, static_cast<WPARAM>(frame), 0);
    return TRUE;
}

}  // namespace

BOOL CMainFrame::PreCreateWindow(CREATESTRUCTA& cs) {
    cs.cx = m_nRequestedWidth;
    cs.cy = m_nRequestedHeight;
    return CMdiFrame::PreCreateWindow(cs);
}

const MessageMap* CMainFrame::GetMessageMap() const {
    static const MessageEntry kEntries[] = {
        {WM_CREATE, Handler(&CMainFrame::OnCreate)},
        {WM_QUERYNEWPALETTE, Handler(&CMainFrame::OnQueryNewPalette)},
        {WM_PALETTECHANGED, Handler(&CMainFrame::OnPaletteChanged)},
        {WM_NOTIFY, Handler(&CMainFrame::OnNotify)},
        {WM_MENUSELECT, Handler(&CMainFrame::OnMenuSelect)},
        {WM_DROPFILES, Handler(&CMainFrame::OnDropFiles)},
        {kComputationNews, Handler(&CMainFrame::OnComputationNews)},
    };
    static const MessageMap kMap{&CMdiFrame::ClassMessages, kEntries, std::size(kEntries)};
    return &kMap;
}

BOOL CMainFrame::OnCommand(UINT id, BOOL execute) {
    // Copy needs a picture to copy, View Palette a picture to show it beside.
    if (id == ID_EDIT_COPY && !execute) return ActivePicture() != nullptr;
    if (id == ID_VIEW_PALETTE && !(MDIGetActive() && MDIGetActive()->GetActiveDocument())) return FALSE;
    return DispatchCommand(this, kCommands, id, execute) || CMdiFrame::OnCommand(id, execute);
}

LRESULT CMainFrame::OnCreate(WPARAM wParam, LPARAM lParam) {
    if (CMdiFrame::OnCreate(wParam, lParam) == -1) return -1;
    if (!m_wndToolBar.Create(m_hWnd, 0x50002800, ID_VIEW_TOOLBAR) ||
        !m_wndToolBar.LoadToolBar(IDR_MAINFRAME, kToolbarButtons))
        return -1;
    // The caption it has while it floats.
    ::SetWindowTextA(m_wndToolBar.m_hWnd, "Toolbar");
    if (!m_wndStatusBar.Create(m_hWnd, 0x50008200, ID_VIEW_STATUS_BAR) || !m_wndStatusBar.SetIndicators(kIndicators))
        return -1;
    m_wndToolBar.SetBarStyle(m_wndToolBar.GetBarStyle() | kBarTooltips | kBarFlyBy | kBarSizeDynamic);
    m_wndToolBar.EnableDocking(kBarAlignAny);
    EnableDocking(kBarAlignAny);
    DockControlBar(m_wndToolBar);
    m_wndStatusBar.SetMessageText(LoadResourceString(IDS_IDLE_MESSAGE));
    RecalcLayout();
    return 0;
}

// The status bar keeps the bottom edge; the toolbar and the windows share
// the rest.
void CMainFrame::RecalcLayout() {
    RECT area;
    ::GetClientRect(m_hWnd, &area);
    if (m_wndStatusBar.m_hWnd) {
        // It places itself along the bottom when told the frame's size.
        ::SendMessageA(m_wndStatusBar.m_hWnd, WM_SIZE, 0, 0);
        m_wndStatusBar.Layout();
        area.bottom -= m_wndStatusBar.Height();
    }
    RepositionBars(area);
}

int CMainFrame::IsItemChecked(UINT id) {
    if (id == ID_VIEW_TOOLBAR) return m_wndToolBar.IsVisible() ? 1 : 0;
    if (id == ID_VIEW_STATUS_BAR) return m_wndStatusBar.IsVisible() ? 1 : 0;
    return m_explorer.CommandChecked(id);
}

void CMainFrame::OnIdleUpdate() {
    CMdiFrame::OnIdleUpdate();
    for (UINT command : kToolbarButtons) {
        if (!command) continue;
        m_wndToolBar.EnableButton(command, RouteCommand(command, FALSE));
        m_wndToolBar.CheckButton(command, IsItemChecked(command) == 1);
    }
    m_wndStatusBar.UpdateIndicators();
}

void CMainFrame::ShowPrompt(UINT id) {
    m_wndStatusBar.SetMessageText(id ? PromptOf(id) : LoadResourceString(IDS_IDLE_MESSAGE));
}

void CMainFrame::ShowProgress(double done, double secondsLeft) {
    if (!m_wndStatusBar.m_hWnd) return;
    if (done < 0) {
        ShowPrompt(0);
    } else {
        std::string text = "Computing the picture: " + std::to_string(static_cast<int>(done * 100)) + " %";
        if (secondsLeft >= 0) {
            const long long seconds = std::llround(secondsLeft);
            text += seconds >= 120 ? ", about " + std::to_string((seconds + 30) / 60) + " min left"
                                   : ", about " + std::to_string(seconds) + " s left";
        }
        text += " (Esc stops it)";
        m_wndStatusBar.SetMessageText(text);
    }
}

void CMainFrame::ShowStatus(const std::string& text) {
    if (text.empty())
        ShowPrompt(0);
    else
        m_wndStatusBar.SetMessageText(text);
}

LRESULT CMainFrame::OnComputationNews(WPARAM /*wParam*/, LPARAM /*lParam*/) {
    m_explorer.ComputationNews();
    return 0;
}

LRESULT CMainFrame::OnMenuSelect(WPARAM wParam, LPARAM lParam) {
    const UINT flags = HIWORD(wParam);
    if (flags == 0xFFFF && lParam == 0) {
        ShowPrompt(0);  // the menu closed
    } else if (flags & (MF_POPUP | MF_SEPARATOR | MF_SYSMENU)) {
        m_wndStatusBar.SetMessageText("");
    } else {
        m_wndStatusBar.SetMessageText(PromptOf(LOWORD(wParam)));
    }
    return 0;
}

LRESULT CMainFrame::OnNotify(WPARAM /*wParam*/, LPARAM lParam) {
    const auto* header = reinterpret_cast<const NMHDR*>(lParam);
    if (header->code == TTN_GETDISPINFOA) {
        static std::string tip;
        auto* info = reinterpret_cast<NMTTDISPINFOA*>(lParam);
        tip = TooltipOf(static_cast<UINT>(header->idFrom));
        info->lpszText = &tip[0];
        return 0;
    }
    if (header->code == TTN_GETDISPINFOW) {
        static std::wstring tip;
        auto* info = reinterpret_cast<NMTTDISPINFOW*>(lParam);
        const std::string text = TooltipOf(static_cast<UINT>(header->idFrom));
        tip.assign(text.begin(), text.end());
        info->lpszText = &tip[0];
        return 0;
    }
    if (header->code == TBN_HOTITEMCHANGE && header->hwndFrom == m_wndToolBar.m_hWnd) {
        const auto* hot = reinterpret_cast<const NMTBHOTITEM*>(lParam);
        ShowPrompt((hot->dwFlags & HICF_LEAVING) ? 0 : static_cast<UINT>(hot->idNew));
        return 0;
    }
    return Default();
}

LRESULT CMainFrame::OnDropFiles(WPARAM wParam, LPARAM /*lParam*/) {
    HDROP drop = reinterpret_cast<HDROP>(wParam);
    const UINT count = ::DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
    std::vector<std::string> paths;
    for (UINT i = 0; i < count; ++i) {
        char path[MAX_PATH] = {};
        if (::DragQueryFileA(drop, i, path, MAX_PATH)) paths.emplace_back(path);
    }
    ::DragFinish(drop);
    ::SetForegroundWindow(m_hWnd);
    for (const std::string& path : paths) CApp::Current()->OpenDocumentFile(path.c_str());
    return 0;
}

BOOL CMainFrame::DisplayHasPalette() const {
    CClientDC dc(m_hWnd);
    return (::GetDeviceCaps(dc.GetSafeHdc(), RASTERCAPS) & RC_PALETTE) != 0;
}

UINT CMainFrame::RealizeAppPalette(BOOL background) {
    UINT changed = 0;
    {
        CClientDC dc(m_hWnd);
        CImagePalette* palette = m_explorer.GetPalette();
        CSelectPalette select(dc.GetSafeHdc(), palette ? palette->GetSafeHandle() : nullptr, background);
        select.RestoreInBackground();
        changed = select.Realized();
    }
    if (changed != 0 || background) ::InvalidateRect(m_hWnd, nullptr, TRUE);
    return changed;
}

LRESULT CMainFrame::OnQueryNewPalette(WPARAM /*wParam*/, LPARAM /*lParam*/) {
    return RealizeAppPalette(FALSE);
}

LRESULT CMainFrame::OnPaletteChanged(WPARAM wParam, LPARAM /*lParam*/) {
    if (reinterpret_cast<HWND>(wParam) != m_hWnd) {
        RealizeAppPalette(TRUE);
        return 0;
    }
    RealizeAppPalette(FALSE);
    ::EnumChildWindows(m_hWnd, &SendPaletteChanged, reinterpret_cast<LPARAM>(m_hWnd));
    // The views rebuild their colour tables without repainting: show them.
    ::RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    return 0;
}

// Only with a picture's window active: the command is off without one.
void CMainFrame::OnViewPalette() {
    CMdiChild* child = MDIGetActive();
    CDocument* document = child->GetActiveDocument();
    CMdiDocTemplate* paletteTemplate = m_explorer.PaletteTemplate();
    CMdiChild* frame = paletteTemplate ? paletteTemplate->CreateNewFrame(document, child) : nullptr;
    if (!frame) {
        AppMessageBox("uh oh");
        return;
    }
    paletteTemplate->InitialUpdateFrame(frame, document);
}

const CDIB* CMainFrame::ActivePicture() const {
    CMdiChild* child = MDIGetActive();
    const auto* document = child ? dynamic_cast<const CTindralDoc*>(child->GetActiveDocument()) : nullptr;
    return document ? document->Dib() : nullptr;
}

// The active window's picture, whether it shows the picture or its palette.
void CMainFrame::OnEditCopy() {
    const CDIB* picture = ActivePicture();
    CMdiChild* child = MDIGetActive();
    const auto* document = child ? dynamic_cast<const CTindralDoc*>(child->GetActiveDocument()) : nullptr;
    if (document && document->Computing()) {
        AppMessageBox("This picture is still being computed: it can be copied once it is done.");
        return;
    }
    if (!picture) return;
    if (!CopyToClipboard(*picture, m_hWnd)) AppMessageBox("Unable to copy the picture to the Clipboard.");
}

void CMainFrame::OnHelpTopics() {
    ShowProgramHelp();
}

void CMainFrame::OnViewToolbar() {
    m_wndToolBar.Show(!m_wndToolBar.IsVisible());
}

void CMainFrame::OnViewStatusBar() {
    ::ShowWindow(m_wndStatusBar.m_hWnd, m_wndStatusBar.IsVisible() ? SW_HIDE : SW_SHOW);
    RecalcLayout();
}
