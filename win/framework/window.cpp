// Window objects: the one window procedure that finds the object of a
// handle, MDI frames and children, and views.
#include "win/framework/window.h"

#include <algorithm>
#include <deque>
#include <exception>
#include <iterator>
#include <memory>
#include <new>

#include "win/framework/document.h"
#include "win/framework/services.h"

namespace {

constexpr UINT kFirstMdiChildId = 0xFF00;
constexpr UINT kPaneId = 0xE900;

// The submenu that lists the open windows: the one holding Cascade.
HMENU FindWindowMenu(HMENU menu) {
    const int count = ::GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        HMENU sub = ::GetSubMenu(menu, i);
        if (sub && ::GetMenuItemID(sub, 0) == ID_WINDOW_CASCADE) return sub;
    }
    return nullptr;
}

// What the user sees when something unforeseen escapes a handler: the
// message is handled as far as it got, and the program goes on.
void ReportEscapedException(const char* what) {
    std::string text = "An unexpected error stopped this action";
    if (what && *what) text += std::string(":\n") + what;
    AppMessageBox(text, MB_OK | MB_ICONSTOP);
}

}  // namespace

CWindow::~CWindow() {
    // An object deleted while its window lives must not be found again.
    if (m_hWnd) ::SetWindowLongPtrA(m_hWnd, GWLP_USERDATA, 0);
}

CWindow* CWindow::FromHandle(HWND window) {
    if (!window) return nullptr;
    return reinterpret_cast<CWindow*>(::GetWindowLongPtrA(window, GWLP_USERDATA));
}

const char* CWindow::WindowClass(HBRUSH background, HICON icon) {
    struct Registered {
        HBRUSH background;
        HICON icon;
        std::string name;
    };
    // A deque never moves its elements, so the names handed out stay valid.
    static std::deque<Registered> classes;
    for (const Registered& r : classes)
        if (r.background == background && r.icon == icon) return r.name.c_str();
    std::string name = "TindralWindow" + std::to_string(classes.size());
    WNDCLASSA wc{};
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = &CWindow::StaticWindowProc;
    wc.hInstance = AppInstance();
    wc.hIcon = icon;
    wc.hCursor = ::LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = background;
    wc.lpszClassName = name.c_str();
    if (!::RegisterClassA(&wc)) return nullptr;
    classes.push_back({background, icon, name});
    return classes.back().name.c_str();
}

BOOL CWindow::PreCreateWindow(CREATESTRUCTA& /*cs*/) {
    return TRUE;
}

BOOL CWindow::CreateFromStruct(CREATESTRUCTA& cs) {
    if (!cs.lpszClass) return FALSE;
    ::CreateWindowExA(cs.dwExStyle, cs.lpszClass, cs.lpszName, static_cast<DWORD>(cs.style), cs.x, cs.y, cs.cx, cs.cy,
                      cs.hwndParent, cs.hMenu, cs.hInstance, this);
    return m_hWnd != nullptr;
}

void CWindow::SetWindowText(const std::string& text) {
    ::SetWindowTextA(m_hWnd, text.c_str());
}

std::string CWindow::GetWindowText() const {
    char buffer[512] = {};
    ::GetWindowTextA(m_hWnd, buffer, sizeof buffer);
    return buffer;
}

LRESULT CWindow::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    for (const MessageMap* map = GetMessageMap(); map; map = map->base ? map->base() : nullptr)
        for (std::size_t i = 0; i < map->count; ++i)
            if (map->entries[i].message == message) return (this->*map->entries[i].handler)(wParam, lParam);
    return DefWindowProc(message, wParam, lParam);
}

LRESULT CWindow::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    return ::DefWindowProcA(m_hWnd, message, wParam, lParam);
}

LRESULT CWindow::Default() {
    return DefWindowProc(m_current.message, m_current.wParam, m_current.lParam);
}

LRESULT CALLBACK CWindow::StaticWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    CWindow* self = nullptr;
    if (message == WM_NCCREATE) {
        const auto* cs = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        void* param = cs->lpCreateParams;
        // An MDI child's own parameter arrives inside the MDI structure.
        if ((cs->dwExStyle & WS_EX_MDICHILD) && param)
            param = reinterpret_cast<void*>(static_cast<const MDICREATESTRUCTA*>(param)->lParam);
        self = static_cast<CWindow*>(param);
        if (self) {
            self->m_hWnd = window;
            ::SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        }
    } else {
        self = FromHandle(window);
    }
    if (!self) return ::DefWindowProcA(window, message, wParam, lParam);

    const CurrentMessage saved = self->m_current;
    self->m_current = {message, wParam, lParam};
    LRESULT result = 0;
    // Nothing may unwind through the system's code: report it here.
    try {
        result = self->WindowProc(message, wParam, lParam);
    } catch (const std::bad_alloc&) {
        ReportEscapedException("There is not enough memory.");
        result = message == WM_CREATE ? -1 : 0;
    } catch (const std::exception& e) {
        ReportEscapedException(e.what());
        result = message == WM_CREATE ? -1 : 0;
    } catch (...) {
        ReportEscapedException(nullptr);
        result = message == WM_CREATE ? -1 : 0;
    }
    self->m_current = saved;

    if (message == WM_NCDESTROY) {
        ::SetWindowLongPtrA(window, GWLP_USERDATA, 0);
        self->m_hWnd = nullptr;
        self->PostNcDestroy();
    }
    return result;
}

// ---------------------------------------------------------------- MDI frame

namespace {

// The workspace scrolls to every part of its windows. The system's own
// reckoning of its scroll bars is not to be relied on (some systems never
// show them again once hidden, or scroll past the windows), so the
// workspace's window procedure is wrapped and does it here: the ranges span
// the workspace and every window shown in it, position 0 being where the
// workspace stands now, since scrolling moves the windows, not the view.
const char kClientProcProperty[] = "TindralClientProc";
// The message the system posts itself to reckon them after a change.
constexpr UINT kCalcChildScroll = 0x003F;

void UpdateWorkspaceScrollBars(HWND client) {
    RECT area{};
    ::GetClientRect(client, &area);
    RECT all = area;
    for (HWND child = ::GetWindow(client, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        if (!::IsWindowVisible(child)) continue;
        RECT r{};
        ::GetWindowRect(child, &r);
        ::MapWindowPoints(nullptr, client, reinterpret_cast<POINT*>(&r), 2);
        ::UnionRect(&all, &all, &r);
    }
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    info.nMin = all.left;
    info.nMax = all.right - 1;
    info.nPage = static_cast<UINT>(area.right - area.left);
    ::SetScrollInfo(client, SB_HORZ, &info, TRUE);
    info.nMin = all.top;
    info.nMax = all.bottom - 1;
    info.nPage = static_cast<UINT>(area.bottom - area.top);
    ::SetScrollInfo(client, SB_VERT, &info, TRUE);
}

void ScrollWorkspace(HWND client, int bar, WPARAM request) {
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_ALL;
    if (!::GetScrollInfo(client, bar, &info)) return;
    const int page = static_cast<int>(info.nPage);
    const int last = info.nMax - std::max(page - 1, 0);
    int to = info.nPos;
    switch (LOWORD(request)) {
        case SB_LINEUP:
            to -= 16;
            break;
        case SB_LINEDOWN:
            to += 16;
            break;
        case SB_PAGEUP:
            to -= page;
            break;
        case SB_PAGEDOWN:
            to += page;
            break;
        case SB_THUMBPOSITION:
            to = static_cast<short>(HIWORD(request));
            break;
        case SB_TOP:
            to = info.nMin;
            break;
        case SB_BOTTOM:
            to = last;
            break;
        default:
            return;
    }
    to = std::clamp(to, info.nMin, std::max(last, info.nMin));
    const int by = info.nPos - to;
    ::ScrollWindowEx(client, bar == SB_HORZ ? by : 0, bar == SB_VERT ? by : 0, nullptr, nullptr, nullptr, nullptr,
                     SW_SCROLLCHILDREN | SW_INVALIDATE | SW_ERASE);
    UpdateWorkspaceScrollBars(client);
}

LRESULT CALLBACK WorkspaceProc(HWND client, UINT message, WPARAM wParam, LPARAM lParam) {
    const auto system = reinterpret_cast<WNDPROC>(::GetPropA(client, kClientProcProperty));
    if (message == WM_HSCROLL || message == WM_VSCROLL) {
        ScrollWorkspace(client, message == WM_HSCROLL ? SB_HORZ : SB_VERT, wParam);
        return 0;
    }
    if (message == WM_NCDESTROY) {
        ::SetWindowLongPtrA(client, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(system));
        ::RemovePropA(client, kClientProcProperty);
    }
    // The system's reckoning runs too, so that it knows it has been done,
    // and is then put right.
    const LRESULT result = ::CallWindowProcA(system, client, message, wParam, lParam);
    if (message == WM_SIZE || message == kCalcChildScroll) UpdateWorkspaceScrollBars(client);
    return result;
}

}  // namespace

CMdiFrame::~CMdiFrame() {
    // A window still showing the menu destroys it itself.
    if (m_hMenuDefault && !(m_hWnd && ::GetMenu(m_hWnd) == m_hMenuDefault)) ::DestroyMenu(m_hMenuDefault);
}

BOOL CMdiFrame::LoadFrame(UINT resourceId, DWORD style) {
    HINSTANCE instance = AppInstance();
    m_strTitle = LoadResourceString(resourceId);
    m_hMenuDefault = ::LoadMenuA(instance, MAKEINTRESOURCEA(resourceId));
    m_hAccelTable = ::LoadAcceleratorsA(instance, MAKEINTRESOURCEA(resourceId));
    HICON icon = ::LoadIconA(instance, MAKEINTRESOURCEA(resourceId));

    CREATESTRUCTA cs{};
    cs.lpszClass = WindowClass(nullptr, icon);
    cs.lpszName = m_strTitle.c_str();
    cs.style = static_cast<LONG>(style);
    cs.x = cs.y = cs.cx = cs.cy = CW_USEDEFAULT;
    cs.hMenu = m_hMenuDefault;
    cs.hInstance = instance;
    if (!PreCreateWindow(cs)) return FALSE;
    return CreateFromStruct(cs);
}

CMdiChild* CMdiFrame::MDIGetActive() const {
    if (!m_hWndMDIClient) return nullptr;
    HWND active = reinterpret_cast<HWND>(::SendMessageA(m_hWndMDIClient, WM_MDIGETACTIVE, 0, 0));
    return dynamic_cast<CMdiChild*>(FromHandle(active));
}

void CMdiFrame::SetMdiMenu(HMENU menu) {
    if (!menu) menu = m_hMenuDefault;
    if (!m_hWndMDIClient || ::GetMenu(m_hWnd) == menu) return;
    ::SendMessageA(m_hWndMDIClient, WM_MDISETMENU, reinterpret_cast<WPARAM>(menu),
                   reinterpret_cast<LPARAM>(FindWindowMenu(menu)));
    ::DrawMenuBar(m_hWnd);
}

BOOL CMdiFrame::RouteCommand(UINT id, BOOL execute) {
    if (CMdiChild* child = MDIGetActive())
        if (child->RouteCommand(id, execute)) return TRUE;
    if (OnCommand(id, execute)) return TRUE;
    return Hooks().commands && Hooks().commands->OnCommand(id, execute);
}

BOOL CMdiFrame::OnCommand(UINT id, BOOL execute) {
    return DispatchCommand(this, kCommands, id, execute);
}

void CMdiFrame::OnIdleUpdate() {
    // The last child's closing does not always bring the frame's menu back.
    if (!MDIGetActive()) SetMdiMenu(nullptr);
    UpdateFrameTitle();
}

void CMdiFrame::UpdateFrameTitle() {
    std::string title = m_strTitle;
    if (CMdiChild* child = MDIGetActive())
        if (CDocument* document = child->GetActiveDocument()) title += " - " + document->GetTitle();
    if (GetWindowText() != title) SetWindowText(title);
}

void CMdiFrame::RecalcLayout() {
    RECT client;
    ::GetClientRect(m_hWnd, &client);
    RepositionBars(client);
}

void CMdiFrame::OnCascade() {
    ::SendMessageA(m_hWndMDIClient, WM_MDICASCADE, 0, 0);
}

const MessageMap* CMdiFrame::ClassMessages() {
    static const MessageEntry kEntries[] = {
        {WM_CREATE, Handler(&CMdiFrame::OnCreate)},
        {WM_SIZE, Handler(&CMdiFrame::OnSize)},
        {WM_COMMAND, Handler(&CMdiFrame::OnCommandMessage)},
        {WM_INITMENUPOPUP, Handler(&CMdiFrame::OnInitMenuPopup)},
        {WM_CLOSE, Handler(&CMdiFrame::OnClose)},
        {WM_DESTROY, Handler(&CMdiFrame::OnDestroy)},
    };
    static const MessageMap kMap{nullptr, kEntries, std::size(kEntries)};
    return &kMap;
}

const MessageMap* CMdiFrame::GetMessageMap() const {
    return ClassMessages();
}

LRESULT CMdiFrame::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    return ::DefFrameProcA(m_hWnd, m_hWndMDIClient, message, wParam, lParam);
}

LRESULT CMdiFrame::OnCreate(WPARAM /*wParam*/, LPARAM /*lParam*/) {
    CLIENTCREATESTRUCT ccs{};
    ccs.hWindowMenu = FindWindowMenu(m_hMenuDefault);
    ccs.idFirstChild = kFirstMdiChildId;
    // All child styles, so that the child frames' own style choices hold.
    m_hWndMDIClient = ::CreateWindowExA(
        WS_EX_CLIENTEDGE, "MDICLIENT", nullptr,
        WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | WS_VSCROLL | WS_HSCROLL | MDIS_ALLCHILDSTYLES, 0, 0,
        0, 0, m_hWnd, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(kPaneId)), AppInstance(), &ccs);
    if (!m_hWndMDIClient) return -1;
    ::SetPropA(m_hWndMDIClient, kClientProcProperty,
               reinterpret_cast<HANDLE>(
                   ::SetWindowLongPtrA(m_hWndMDIClient, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WorkspaceProc))));
    return 0;
}

LRESULT CMdiFrame::OnSize(WPARAM /*wParam*/, LPARAM /*lParam*/) {
    RecalcLayout();
    return 0;
}

LRESULT CMdiFrame::OnCommandMessage(WPARAM wParam, LPARAM lParam) {
    const UINT id = LOWORD(wParam);
    // Notifications of controls other than button clicks are not commands.
    const bool isCommand = lParam == 0 || HIWORD(wParam) == BN_CLICKED;
    if (isCommand && id < kFirstMdiChildId && RouteCommand(id, TRUE)) return 0;
    return Default();
}

LRESULT CMdiFrame::OnInitMenuPopup(WPARAM wParam, LPARAM lParam) {
    if (HIWORD(lParam)) return Default();  // the system menu
    HMENU menu = reinterpret_cast<HMENU>(wParam);
    if (Hooks().prepareMenu) Hooks().prepareMenu(menu);
    const int count = ::GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        const UINT id = ::GetMenuItemID(menu, i);
        if (id == 0 || id == static_cast<UINT>(-1) || id >= kFirstMdiChildId) continue;
        const UINT position = static_cast<UINT>(i);
        ::EnableMenuItem(menu, position, MF_BYPOSITION | (RouteCommand(id, FALSE) ? MF_ENABLED : MF_GRAYED));
        const int checked = IsItemChecked(id);
        if (checked >= 0) ::CheckMenuItem(menu, position, MF_BYPOSITION | (checked ? MF_CHECKED : MF_UNCHECKED));
    }
    return 0;
}

LRESULT CMdiFrame::OnClose(WPARAM /*wParam*/, LPARAM /*lParam*/) {
    // Children first, so that their menus are handed back before the frame
    // goes: the system would otherwise destroy a template's shared menu.
    while (CMdiChild* child = MDIGetActive()) child->MDIDestroy();
    ::DestroyWindow(m_hWnd);
    return 0;
}

LRESULT CMdiFrame::OnDestroy(WPARAM /*wParam*/, LPARAM /*lParam*/) {
    // The menus belong to the frame object and the templates, not the window.
    ::SetMenu(m_hWnd, nullptr);
    if (AppMainWindow() == m_hWnd) ::PostQuitMessage(0);
    return 0;
}

// ---------------------------------------------------------------- MDI child

BOOL CMdiChild::LoadFrame(DWORD style, CMdiFrame* parent, CCreateContext* context) {
    m_pContext = context;
    m_pTemplate = context->m_pTemplate;
    m_pMdiFrame = parent;
    HINSTANCE instance = AppInstance();
    HICON icon = m_pTemplate ? ::LoadIconA(instance, MAKEINTRESOURCEA(m_pTemplate->ResourceId())) : nullptr;

    CREATESTRUCTA cs{};
    cs.lpszClass = WindowClass(reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1), icon);
    cs.lpszName = "";
    cs.style = static_cast<LONG>(style);
    cs.x = cs.y = cs.cx = cs.cy = CW_USEDEFAULT;
    cs.hwndParent = parent->MdiClient();
    cs.hInstance = instance;
    if (!PreCreateWindow(cs)) return FALSE;
    cs.dwExStyle |= WS_EX_MDICHILD;
    const BOOL created = CreateFromStruct(cs);
    m_pContext = nullptr;
    return created;
}

void CMdiChild::InitialUpdateFrame(BOOL makeVisible) {
    if (m_pView) m_pView->OnInitialUpdate();
    if (!makeVisible) return;
    ::ShowWindow(m_hWnd, SW_SHOW);
    MDIActivate();
    ::UpdateWindow(m_hWnd);
}

CDocument* CMdiChild::GetActiveDocument() const {
    return m_pView ? m_pView->GetDocument() : nullptr;
}

void CMdiChild::MDIActivate() {
    ::SendMessageA(m_pMdiFrame->MdiClient(), WM_MDIACTIVATE, reinterpret_cast<WPARAM>(m_hWnd), 0);
}

void CMdiChild::MDIDestroy() {
    ::SendMessageA(m_pMdiFrame->MdiClient(), WM_MDIDESTROY, reinterpret_cast<WPARAM>(m_hWnd), 0);
}

void CMdiChild::UpdateTitle(int windowNumber) {
    CDocument* document = GetActiveDocument();
    if (!document) return;
    std::string title = document->GetTitle();
    if (windowNumber > 0) title += ":" + std::to_string(windowNumber);
    if (GetWindowText() == title) return;
    SetWindowText(title);
    // The Window menu lists the titles the windows had when it was last
    // built; not every system rebuilds it when a title changes.
    ::SendMessageA(m_pMdiFrame->MdiClient(), WM_MDIREFRESHMENU, 0, 0);
    ::DrawMenuBar(m_pMdiFrame->m_hWnd);
}

BOOL CMdiChild::RouteCommand(UINT id, BOOL execute) {
    if (m_pView && m_pView->RouteCommand(id, execute)) return TRUE;
    return OnCommand(id, execute);
}

const MessageMap* CMdiChild::ClassMessages() {
    static const MessageEntry kEntries[] = {
        {WM_CREATE, Handler(&CMdiChild::OnCreate)},
        {WM_SIZE, Handler(&CMdiChild::OnSize)},
        {WM_WINDOWPOSCHANGED, Handler(&CMdiChild::OnWindowPosChanged)},
        {WM_MDIACTIVATE, Handler(&CMdiChild::OnMdiActivate)},
        {WM_SETFOCUS, Handler(&CMdiChild::OnSetFocus)},
    };
    static const MessageMap kMap{nullptr, kEntries, std::size(kEntries)};
    return &kMap;
}

const MessageMap* CMdiChild::GetMessageMap() const {
    return ClassMessages();
}

LRESULT CMdiChild::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    return ::DefMDIChildProcA(m_hWnd, message, wParam, lParam);
}

LRESULT CMdiChild::OnCreate(WPARAM /*wParam*/, LPARAM /*lParam*/) {
    if (Default() == -1) return -1;
    if (!m_pContext || !m_pContext->m_pNewView) return 0;
    std::unique_ptr<CView> view(m_pContext->m_pNewView());
    if (!view || !view->Create(this, m_pContext->m_pCurrentDoc)) return -1;
    view->m_bAutoDelete = TRUE;
    m_pView = view.release();
    return 0;
}

LRESULT CMdiChild::OnSize(WPARAM /*wParam*/, LPARAM lParam) {
    if (m_pView && m_pView->m_hWnd) {
        const RECT r = ViewRect(LOWORD(lParam), HIWORD(lParam));
        ::MoveWindow(m_pView->m_hWnd, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
    }
    return Default();
}

// The workspace scrolls to every part of its windows. The system reckons its
// scroll bars when a window changes size, but not every system does when
// one is shown or moved: it is asked to here.
LRESULT CMdiChild::OnWindowPosChanged(WPARAM /*wParam*/, LPARAM lParam) {
    const LRESULT result = Default();
    const auto* pos = reinterpret_cast<const WINDOWPOS*>(lParam);
    const bool changed = (pos->flags & (SWP_NOMOVE | SWP_NOSIZE)) != (SWP_NOMOVE | SWP_NOSIZE) ||
                         (pos->flags & (SWP_SHOWWINDOW | SWP_HIDEWINDOW)) != 0;
    if (changed && m_pMdiFrame) UpdateWorkspaceScrollBars(m_pMdiFrame->MdiClient());
    return result;
}

LRESULT CMdiChild::OnMdiActivate(WPARAM wParam, LPARAM lParam) {
    HWND deactivated = reinterpret_cast<HWND>(wParam);
    HWND activated = reinterpret_cast<HWND>(lParam);
    auto viewOf = [](HWND frame) -> CView* {
        auto* child = dynamic_cast<CMdiChild*>(FromHandle(frame));
        return child ? child->GetActiveView() : nullptr;
    };
    if (activated == m_hWnd) {
        m_pMdiFrame->SetMdiMenu(m_pTemplate ? m_pTemplate->Menu() : nullptr);
        if (m_pView) m_pView->OnActivateView(TRUE, m_pView, viewOf(deactivated));
    } else if (deactivated == m_hWnd) {
        if (m_pView) m_pView->OnActivateView(FALSE, viewOf(activated), m_pView);
        if (!activated) m_pMdiFrame->SetMdiMenu(nullptr);
    }
    return 0;
}

LRESULT CMdiChild::OnSetFocus(WPARAM /*wParam*/, LPARAM /*lParam*/) {
    const LRESULT result = Default();
    if (m_pView && m_pView->m_hWnd) ::SetFocus(m_pView->m_hWnd);
    return result;
}

// ------------------------------------------------------- a document's views

// What a document does with the windows that show it lives with them.
void CDocument::AddView(CView* view) {
    m_views.push_back(view);
    view->m_pDocument = this;
    UpdateFrameTitles();
}

void CDocument::RemoveView(CView* view) {
    for (auto it = m_views.begin(); it != m_views.end(); ++it) {
        if (*it != view) continue;
        m_views.erase(it);
        break;
    }
    view->m_pDocument = nullptr;
    // A document lives as long as a window shows it.
    if (m_views.empty() && m_bAutoDelete) {
        delete this;
        return;
    }
    UpdateFrameTitles();
}

void CDocument::UpdateAllViews(CView* sender, LPARAM hint, void* hintObject) {
    for (CView* view : m_views)
        if (view != sender) view->OnUpdate(sender, hint, hintObject);
}

void CDocument::OnCloseDocument() {
    std::vector<CMdiChild*> frames;
    for (CView* view : m_views)
        if (CMdiChild* frame = view->GetParentFrame()) frames.push_back(frame);
    // Nothing of this object is touched once its last window has gone.
    for (CMdiChild* frame : frames) frame->MDIDestroy();
}

void CDocument::UpdateFrameTitles() {
    NumberWindowsTitled(m_strTitle);
}

// One window shows the plain title; several are numbered Set1:1, Set1:2,
// whether they show one document or the same file opened twice.
void CDocument::NumberWindowsTitled(const std::string& title) {
    std::vector<CView*> views;
    for (CDocument* document : Documents())
        if (document->m_strTitle == title)
            views.insert(views.end(), document->m_views.begin(), document->m_views.end());
    const int numbered = views.size() > 1 ? 1 : 0;
    int number = numbered;
    for (CView* view : views) {
        if (CMdiChild* frame = view->GetParentFrame()) frame->UpdateTitle(number);
        number += numbered;
    }
}

// ---------------------------------------------------------------- view

CView::~CView() {
    if (m_pDocument) m_pDocument->RemoveView(this);
}

BOOL CView::Create(CMdiChild* frame, CDocument* document) {
    m_pFrame = frame;
    if (document) document->AddView(this);
    CREATESTRUCTA cs{};
    cs.lpszClass = WindowClass(reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1), nullptr);
    cs.lpszName = "";
    cs.style = WS_CHILD | WS_VISIBLE;
    cs.hwndParent = frame->m_hWnd;
    cs.hMenu = reinterpret_cast<HMENU>(static_cast<UINT_PTR>(kPaneId));
    cs.hInstance = AppInstance();
    if (!PreCreateWindow(cs)) return FALSE;
    return CreateFromStruct(cs);
}

BOOL CView::RouteCommand(UINT id, BOOL execute) {
    if (OnCommand(id, execute)) return TRUE;
    return m_pDocument ? m_pDocument->OnCommand(id, execute) : FALSE;
}

const MessageMap* CView::ClassMessages() {
    static const MessageEntry kEntries[] = {
        {WM_PAINT, Handler(&CView::OnPaint)},
        {WM_PRINTCLIENT, Handler(&CView::OnPrintClient)},
        {WM_MOUSEACTIVATE, Handler(&CView::OnMouseActivate)},
    };
    static const MessageMap kMap{nullptr, kEntries, std::size(kEntries)};
    return &kMap;
}

const MessageMap* CView::GetMessageMap() const {
    return ClassMessages();
}

LRESULT CView::OnPaint(WPARAM /*wParam*/, LPARAM /*lParam*/) {
    CPaintDC dc(m_hWnd);
    OnDraw(dc);
    return 0;
}

// The same drawing into a device context of the caller's, so that a window's
// picture can be captured without the screen.
LRESULT CView::OnPrintClient(WPARAM wParam, LPARAM /*lParam*/) {
    CDC dc(reinterpret_cast<HDC>(wParam));
    OnDraw(dc);
    return 0;
}

LRESULT CView::OnMouseActivate(WPARAM /*wParam*/, LPARAM /*lParam*/) {
    const LRESULT result = Default();
    if (m_pFrame) m_pFrame->MDIActivate();
    return result;
}
