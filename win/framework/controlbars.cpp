// The toolbar, docked on a side of its frame or floating in a small window
// of its own, the drag that moves it between the two, and the status bar.
#include "win/framework/controlbars.h"

#include <cstdlib>
#include <iterator>

#include "win/framework/services.h"
#include "win/framework/window.h"

namespace {

constexpr DWORD kWindowStyleBits = 0xFFFF0000;
constexpr const char* kBarProperty = "TindralToolBar";
// The gripper's strip across a docked bar, the margin along its other
// edges, and how near a side the pointer must come for the bar to dock there.
constexpr int kGripper = 8;
constexpr int kEdge = 2;
constexpr int kDockReach = 12;
constexpr DWORD kFloatStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kFloatExStyle = WS_EX_TOOLWINDOW;

int WindowHeight(HWND window) {
    if (!window || !::IsWindowVisible(window)) return 0;
    RECT r;
    ::GetWindowRect(window, &r);
    return r.bottom - r.top;
}

bool IsVertical(DockSide side) {
    return side == DockSide::Left || side == DockSide::Right;
}

DWORD AlignmentOf(DockSide side) {
    switch (side) {
        case DockSide::Top:
            return kBarAlignTop;
        case DockSide::Bottom:
            return kBarAlignBottom;
        case DockSide::Left:
            return kBarAlignLeft;
        case DockSide::Right:
            return kBarAlignRight;
        default:
            return 0;
    }
}

POINT PointOf(LPARAM lParam) {
    return POINT{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
}

POINT ScreenPoint(HWND window, LPARAM lParam) {
    POINT point = PointOf(lParam);
    ::ClientToScreen(window, &point);
    return point;
}

// The outline of a drag, drawn by inverting the screen: drawn twice, it is
// gone. Thick while the bar would float, thin where it would dock.
void InvertOutline(const RECT& r, int thickness) {
    HDC dc = ::GetDCEx(::GetDesktopWindow(), nullptr, DCX_WINDOW | DCX_CACHE | DCX_LOCKWINDOWUPDATE);
    if (!dc) return;
    const int w = r.right - r.left;
    const int h = r.bottom - r.top;
    ::PatBlt(dc, r.left, r.top, w, thickness, DSTINVERT);
    ::PatBlt(dc, r.left, r.bottom - thickness, w, thickness, DSTINVERT);
    ::PatBlt(dc, r.left, r.top + thickness, thickness, h - 2 * thickness, DSTINVERT);
    ::PatBlt(dc, r.right - thickness, r.top + thickness, thickness, h - 2 * thickness, DSTINVERT);
    ::ReleaseDC(::GetDesktopWindow(), dc);
}

}  // namespace

// The small window a floating toolbar lives in. Its caption moves the bar
// (and docks it again when dropped on a side); closing it hides the bar.
class CFloatingBarWindow : public CWindow {
public:
    explicit CFloatingBarWindow(CToolBar& bar) : m_bar(bar) {}

    BOOL Create(HWND owner, const std::string& title) {
        CREATESTRUCTA cs{};
        cs.lpszClass = WindowClass(reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1), nullptr);
        cs.lpszName = title.c_str();
        cs.style = static_cast<LONG>(kFloatStyle);
        cs.dwExStyle = kFloatExStyle;
        cs.hwndParent = owner;
        cs.hInstance = AppInstance();
        return CreateFromStruct(cs);
    }

protected:
    const MessageMap* GetMessageMap() const override {
        static const MessageEntry kEntries[] = {
            {WM_NCLBUTTONDOWN, Handler(&CFloatingBarWindow::OnNcLButtonDown)},
            {WM_NCLBUTTONDBLCLK, Handler(&CFloatingBarWindow::OnNcLButtonDblClk)},
            {WM_MOUSEMOVE, Handler(&CFloatingBarWindow::OnMouseMove)},
            {WM_LBUTTONUP, Handler(&CFloatingBarWindow::OnLButtonUp)},
            {WM_CAPTURECHANGED, Handler(&CFloatingBarWindow::OnCaptureChanged)},
            {WM_MOUSEACTIVATE, Handler(&CFloatingBarWindow::OnMouseActivate)},
            {WM_CLOSE, Handler(&CFloatingBarWindow::OnClose)},
        };
        static const MessageMap kMap{nullptr, kEntries, std::size(kEntries)};
        return &kMap;
    }

private:
    LRESULT OnNcLButtonDown(WPARAM wParam, LPARAM lParam) {
        if (wParam != HTCAPTION) return Default();
        m_bar.BeginDrag(m_hWnd, PointOf(lParam));
        return 0;
    }
    LRESULT OnNcLButtonDblClk(WPARAM wParam, LPARAM /*lParam*/) {
        if (wParam != HTCAPTION) return Default();
        m_bar.ToggleDocking();
        return 0;
    }
    LRESULT OnMouseMove(WPARAM /*wParam*/, LPARAM lParam) {
        if (m_bar.Dragging()) m_bar.TrackDrag(ScreenPoint(m_hWnd, lParam));
        return 0;
    }
    LRESULT OnLButtonUp(WPARAM /*wParam*/, LPARAM lParam) {
        if (m_bar.Dragging()) m_bar.EndDrag(ScreenPoint(m_hWnd, lParam), TRUE);
        return 0;
    }
    LRESULT OnCaptureChanged(WPARAM /*wParam*/, LPARAM lParam) {
        if (m_bar.Dragging() && reinterpret_cast<HWND>(lParam) != m_hWnd) m_bar.EndDrag(POINT{}, FALSE);
        return 0;
    }
    // A click on the bar leaves the main window active, as a click on a
    // docked bar does.
    LRESULT OnMouseActivate(WPARAM /*wParam*/, LPARAM /*lParam*/) { return MA_NOACTIVATE; }
    LRESULT OnClose(WPARAM /*wParam*/, LPARAM /*lParam*/) {
        m_bar.Show(FALSE);
        return 0;
    }

    CToolBar& m_bar;
};

CToolBar::CToolBar() = default;

CToolBar::~CToolBar() {
    if (m_hWnd) {
        ::SetWindowLongPtrA(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnControlProc));
        ::RemovePropA(m_hWnd, kBarProperty);
    }
    if (m_pFloat && m_pFloat->m_hWnd) ::DestroyWindow(m_pFloat->m_hWnd);
    if (m_hScaledImages) ::DeleteObject(m_hScaledImages);
}

BOOL CToolBar::Create(HWND frame, DWORD style, UINT id) {
    m_hWndFrame = frame;
    m_dwStyle = style & ~kWindowStyleBits;
    m_bVisible = (style & WS_VISIBLE) != 0;
    // The frame places the bar itself, on whichever side it is docked.
    m_hWnd = ::CreateWindowExA(0, TOOLBARCLASSNAMEA, nullptr,
                               (style & kWindowStyleBits & ~WS_VISIBLE) | TBSTYLE_TOOLTIPS | TBSTYLE_FLAT |
                                   CCS_NORESIZE | CCS_NOPARENTALIGN | CCS_NODIVIDER,
                               0, 0, 0, 0, frame, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), AppInstance(),
                               nullptr);
    if (!m_hWnd) return FALSE;
    ::SendMessageA(m_hWnd, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    ::SetPropA(m_hWnd, kBarProperty, this);
    m_pfnControlProc = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrA(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CToolBar::BarProc)));
    return TRUE;
}

BOOL CToolBar::LoadToolBar(UINT bitmapId, const std::vector<UINT>& commands) {
    int images = 0;
    for (UINT command : commands)
        if (command) ++images;
    HINSTANCE instance = AppInstance();
    TBADDBITMAP bitmap{instance, bitmapId};
    HDC screen = ::GetDC(nullptr);
    const int dpi = ::GetDeviceCaps(screen, LOGPIXELSX);
    SIZE cell{16, 15};
    // The images grow with the screen's dpi, each pixel into a block of
    // pixels, mapped to the system's button colours first as the bar would.
    HBITMAP strip = dpi > 96 ? ::CreateMappedBitmap(instance, static_cast<INT_PTR>(bitmapId), 0, nullptr, 0) : nullptr;
    BITMAP stripInfo{};
    if (strip && ::GetObjectA(strip, sizeof stripInfo, &stripInfo)) {
        cell = SIZE{::MulDiv(16, dpi, 96), ::MulDiv(15, dpi, 96)};
        const int width = ::MulDiv(stripInfo.bmWidth, dpi, 96);
        HBITMAP scaled = ::CreateCompatibleBitmap(screen, width, cell.cy);
        HDC from = ::CreateCompatibleDC(screen), to = ::CreateCompatibleDC(screen);
        HGDIOBJ oldFrom = ::SelectObject(from, strip), oldTo = ::SelectObject(to, scaled);
        ::SetStretchBltMode(to, COLORONCOLOR);
        ::StretchBlt(to, 0, 0, width, cell.cy, from, 0, 0, stripInfo.bmWidth, stripInfo.bmHeight, SRCCOPY);
        ::SelectObject(from, oldFrom);
        ::SelectObject(to, oldTo);
        ::DeleteDC(from);
        ::DeleteDC(to);
        if (m_hScaledImages) ::DeleteObject(m_hScaledImages);
        m_hScaledImages = scaled;
        bitmap = TBADDBITMAP{nullptr, reinterpret_cast<UINT_PTR>(scaled)};
    }
    if (strip) ::DeleteObject(strip);
    ::ReleaseDC(nullptr, screen);
    ::SendMessageA(m_hWnd, TB_SETBITMAPSIZE, 0, MAKELONG(cell.cx, cell.cy));
    if (::SendMessageA(m_hWnd, TB_ADDBITMAP, static_cast<WPARAM>(images), reinterpret_cast<LPARAM>(&bitmap)) < 0)
        return FALSE;
    std::vector<TBBUTTON> buttons;
    int image = 0;
    for (UINT command : commands) {
        TBBUTTON button{};
        if (command) {
            button.iBitmap = image++;
            button.idCommand = static_cast<int>(command);
            button.fsState = TBSTATE_ENABLED;
            button.fsStyle = BTNS_BUTTON;
        } else {
            button.fsStyle = BTNS_SEP;
        }
        buttons.push_back(button);
    }
    if (!::SendMessageA(m_hWnd, TB_ADDBUTTONSA, buttons.size(), reinterpret_cast<LPARAM>(buttons.data()))) return FALSE;
    m_commands = commands;
    Arrange(FALSE);
    return TRUE;
}

void CToolBar::EnableButton(UINT command, BOOL enable) {
    const bool enabled = ::SendMessageA(m_hWnd, TB_ISBUTTONENABLED, command, 0) != 0;
    if (enabled != (enable != FALSE)) ::SendMessageA(m_hWnd, TB_ENABLEBUTTON, command, MAKELONG(enable ? 1 : 0, 0));
}

void CToolBar::CheckButton(UINT command, BOOL check) {
    const bool checked = ::SendMessageA(m_hWnd, TB_ISBUTTONCHECKED, command, 0) != 0;
    if (checked != (check != FALSE)) ::SendMessageA(m_hWnd, TB_CHECKBUTTON, command, MAKELONG(check ? 1 : 0, 0));
}

void CToolBar::AttachToFrame(DWORD frameSides, std::function<void()> placeChanged) {
    m_dwFrameSides = frameSides & kBarAlignAny;
    m_placeChanged = std::move(placeChanged);
}

BOOL CToolBar::CanDock(DockSide side) const {
    const DWORD bit = AlignmentOf(side);
    return bit != 0 && (m_dwDockSides & m_dwFrameSides & bit) != 0;
}

DockSide CToolBar::InitialSide() const {
    for (DockSide side : {DockSide::Top, DockSide::Bottom, DockSide::Left, DockSide::Right})
        if ((m_dwStyle & AlignmentOf(side)) && CanDock(side)) return side;
    return DockSide::Top;
}

HWND CToolBar::FloatingWindow() const {
    return m_side == DockSide::Floating && m_pFloat ? m_pFloat->m_hWnd : nullptr;
}

// A vertical bar is one button wide: every item ends its own row.
void CToolBar::Arrange(BOOL vertical) {
    LONG_PTR style = ::GetWindowLongPtrA(m_hWnd, GWL_STYLE);
    style = vertical ? (style | CCS_VERT) : (style & ~static_cast<LONG_PTR>(CCS_VERT));
    ::SetWindowLongPtrA(m_hWnd, GWL_STYLE, style);
    const int count = static_cast<int>(::SendMessageA(m_hWnd, TB_BUTTONCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        TBBUTTONINFOA info{};
        info.cbSize = sizeof info;
        info.dwMask = TBIF_BYINDEX | TBIF_STATE;
        ::SendMessageA(m_hWnd, TB_GETBUTTONINFOA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&info));
        info.fsState = static_cast<BYTE>(vertical ? (info.fsState | TBSTATE_WRAP) : (info.fsState & ~TBSTATE_WRAP));
        ::SendMessageA(m_hWnd, TB_SETBUTTONINFOA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&info));
    }
    ::SendMessageA(m_hWnd, TB_AUTOSIZE, 0, 0);
    if (!vertical) m_sizeHorizontal = ButtonsSize();
}

SIZE CToolBar::ButtonsSize() const {
    SIZE size{0, 0};
    const int count = static_cast<int>(::SendMessageA(m_hWnd, TB_BUTTONCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        RECT r{};
        if (!::SendMessageA(m_hWnd, TB_GETITEMRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&r))) continue;
        if (r.right > size.cx) size.cx = r.right;
        if (r.bottom > size.cy) size.cy = r.bottom;
    }
    return size;
}

SIZE CToolBar::DockedSize() const {
    const SIZE buttons = ButtonsSize();
    if (IsVertical(m_side)) return SIZE{buttons.cx + 2 * kEdge, buttons.cy + kGripper};
    return SIZE{buttons.cx + kGripper, buttons.cy + 2 * kEdge};
}

void CToolBar::Dock(DockSide side) {
    if (!CanDock(side)) return;
    const bool wasFloating = m_side == DockSide::Floating;
    m_side = side;
    m_lastDocked = side;
    Arrange(IsVertical(side));
    if (wasFloating) {
        // Hidden until the frame gives it its place.
        ::ShowWindow(m_hWnd, SW_HIDE);
        ::SetParent(m_hWnd, m_hWndFrame);
        if (m_pFloat && m_pFloat->m_hWnd) ::ShowWindow(m_pFloat->m_hWnd, SW_HIDE);
    }
    // The gripper comes and goes with the frame of the window.
    ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0,
                   SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    if (m_placeChanged) m_placeChanged();
}

void CToolBar::Float(POINT topLeft) {
    if (!m_pFloat) m_pFloat = std::make_unique<CFloatingBarWindow>(*this);
    if (!m_pFloat->m_hWnd) {
        char title[64] = {};
        ::GetWindowTextA(m_hWnd, title, sizeof title);
        if (!m_pFloat->Create(m_hWndFrame, title)) return;
    }
    const bool wasDocked = m_side != DockSide::Floating;
    m_side = DockSide::Floating;
    m_floatAt = topLeft;
    Arrange(FALSE);
    if (wasDocked) {
        ::ShowWindow(m_hWnd, SW_HIDE);
        ::SetParent(m_hWnd, m_pFloat->m_hWnd);
        // Commands and tooltips still go to the frame.
        ::SendMessageA(m_hWnd, TB_SETPARENT, reinterpret_cast<WPARAM>(m_hWndFrame), 0);
    }
    const SIZE size = m_sizeHorizontal;
    ::SetWindowPos(m_hWnd, nullptr, 0, 0, size.cx, size.cy,
                   SWP_FRAMECHANGED | SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    RECT outer{0, 0, size.cx, size.cy};
    ::AdjustWindowRectEx(&outer, kFloatStyle, FALSE, kFloatExStyle);
    ::SetWindowPos(m_pFloat->m_hWnd, nullptr, topLeft.x, topLeft.y, outer.right - outer.left, outer.bottom - outer.top,
                   SWP_NOZORDER | SWP_NOACTIVATE | (m_bVisible ? SWP_SHOWWINDOW : SWP_HIDEWINDOW));
    if (m_placeChanged) m_placeChanged();
}

void CToolBar::Show(BOOL show) {
    m_bVisible = show;
    if (HWND floating = FloatingWindow()) ::ShowWindow(floating, show ? SW_SHOWNA : SW_HIDE);
    if (m_placeChanged) m_placeChanged();
}

// A double click on the gripper floats the bar where it floated last; one
// on the floating window's caption docks it where it was docked last.
void CToolBar::ToggleDocking() {
    if (m_side != DockSide::Floating) {
        POINT at = m_floatAt;
        if (at.x < 0) {
            RECT frame{};
            ::GetWindowRect(m_hWndFrame, &frame);
            at = POINT{frame.left + 40, frame.top + 80};
        }
        Float(at);
    } else {
        Dock(m_lastDocked);
    }
}

void CToolBar::BeginDrag(HWND captureWindow, POINT screen) {
    RECT from{};
    ::GetWindowRect(captureWindow, &from);
    m_grab = POINT{screen.x - from.left, screen.y - from.top};
    m_hWndCapture = captureWindow;
    m_bDragging = TRUE;
    m_bOutlineShown = FALSE;
    ::SetCapture(captureWindow);
    TrackDrag(screen);
}

void CToolBar::TrackDrag(POINT screen) {
    RECT outline{};
    const int thickness = DropSide(screen, &outline) == DockSide::Floating ? 3 : 1;
    if (m_bOutlineShown && ::EqualRect(&outline, &m_outline) && thickness == m_nOutline) return;
    if (m_bOutlineShown) InvertOutline(m_outline, m_nOutline);
    m_outline = outline;
    m_nOutline = thickness;
    InvertOutline(m_outline, m_nOutline);
    m_bOutlineShown = TRUE;
}

void CToolBar::EndDrag(POINT screen, BOOL apply) {
    if (m_bOutlineShown) InvertOutline(m_outline, m_nOutline);
    m_bOutlineShown = FALSE;
    m_bDragging = FALSE;
    if (::GetCapture() == m_hWndCapture) ::ReleaseCapture();
    if (!apply) return;
    RECT outline{};
    const DockSide side = DropSide(screen, &outline);
    if (side == DockSide::Floating) {
        Float(POINT{outline.left, outline.top});
    } else if (side != m_side) {
        Dock(side);
    }
}

DockSide CToolBar::DropSide(POINT screen, RECT* outline) const {
    RECT area{};
    ::GetClientRect(m_hWndFrame, &area);
    ::MapWindowPoints(m_hWndFrame, nullptr, reinterpret_cast<POINT*>(&area), 2);
    // One button across a side; floating, the strip as it lies across the top.
    const LRESULT button = ::SendMessageA(m_hWnd, TB_GETBUTTONSIZE, 0, 0);
    const int across = HIWORD(button);
    const int upright = LOWORD(button);
    const int reach = (across > upright ? across : upright) + 2 * kEdge + kDockReach;
    struct Candidate {
        DockSide side;
        int distance;
        RECT outline;
    };
    const bool acrossX = screen.x >= area.left && screen.x < area.right;
    const bool acrossY = screen.y >= area.top && screen.y < area.bottom;
    const Candidate candidates[] = {
        {DockSide::Top,
         acrossX ? screen.y - area.top : -reach,
         {area.left, area.top, area.right, area.top + across + 2 * kEdge}},
        {DockSide::Bottom,
         acrossX ? area.bottom - screen.y : -reach,
         {area.left, area.bottom - across - 2 * kEdge, area.right, area.bottom}},
        {DockSide::Left,
         acrossY ? screen.x - area.left : -reach,
         {area.left, area.top, area.left + upright + 2 * kEdge, area.bottom}},
        {DockSide::Right,
         acrossY ? area.right - screen.x : -reach,
         {area.right - upright - 2 * kEdge, area.top, area.right, area.bottom}},
    };
    const Candidate* best = nullptr;
    for (const Candidate& c : candidates)
        if (c.distance >= -kDockReach && c.distance < reach && CanDock(c.side) &&
            (!best || std::abs(c.distance) < std::abs(best->distance)))
            best = &c;
    if (best) {
        *outline = best->outline;
        return best->side;
    }
    // Floating: a horizontal strip under the pointer, held where it was
    // grabbed as far as the strip reaches.
    RECT outer{0, 0, m_sizeHorizontal.cx, m_sizeHorizontal.cy};
    ::AdjustWindowRectEx(&outer, kFloatStyle, FALSE, kFloatExStyle);
    const int w = outer.right - outer.left;
    const int h = outer.bottom - outer.top;
    const int grabX = m_grab.x < w ? m_grab.x : w / 2;
    const int grabY = m_grab.y < h ? m_grab.y : h / 2;
    *outline = RECT{screen.x - grabX, screen.y - grabY, screen.x - grabX + w, screen.y - grabY + h};
    return DockSide::Floating;
}

LRESULT CALLBACK CToolBar::BarProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* bar = static_cast<CToolBar*>(::GetPropA(window, kBarProperty));
    if (!bar) return ::DefWindowProcA(window, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        const WNDPROC control = bar->m_pfnControlProc;
        ::SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(control));
        ::RemovePropA(window, kBarProperty);
        bar->m_hWnd = nullptr;
        return ::CallWindowProcA(control, window, message, wParam, lParam);
    }
    return bar->OnBarMessage(message, wParam, lParam);
}

LRESULT CToolBar::OnBarMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    const bool docked = m_side != DockSide::Floating;
    const bool vertical = IsVertical(m_side);
    switch (message) {
        case WM_NCCALCSIZE: {
            const LRESULT result = ::CallWindowProcA(m_pfnControlProc, m_hWnd, message, wParam, lParam);
            // Both forms of the message start with the client rectangle.
            auto* client = reinterpret_cast<RECT*>(lParam);
            if (docked && vertical)
                *client = RECT{client->left + kEdge, client->top + kGripper, client->right - kEdge, client->bottom};
            if (docked && !vertical)
                *client = RECT{client->left + kGripper, client->top + kEdge, client->right, client->bottom - kEdge};
            return result;
        }
        case WM_NCPAINT: {
            const LRESULT result = ::CallWindowProcA(m_pfnControlProc, m_hWnd, message, wParam, lParam);
            if (!docked) return result;
            RECT outer{};
            ::GetWindowRect(m_hWnd, &outer);
            RECT client{};
            ::GetClientRect(m_hWnd, &client);
            ::MapWindowPoints(m_hWnd, nullptr, reinterpret_cast<POINT*>(&client), 2);
            ::OffsetRect(&client, -outer.left, -outer.top);
            ::OffsetRect(&outer, -outer.left, -outer.top);
            HDC dc = ::GetWindowDC(m_hWnd);
            ::ExcludeClipRect(dc, client.left, client.top, client.right, client.bottom);
            ::FillRect(dc, &outer, ::GetSysColorBrush(COLOR_BTNFACE));
            // Two raised ridges along the bar, to take hold of.
            for (int ridge = 0; ridge < 2; ++ridge) {
                const int at = 2 + 3 * ridge;
                RECT r = vertical ? RECT{2, at, outer.right - 2, at + 3} : RECT{at, 2, at + 3, outer.bottom - 2};
                ::DrawEdge(dc, &r, BDR_RAISEDINNER, BF_RECT);
            }
            ::ReleaseDC(m_hWnd, dc);
            return result;
        }
        case WM_NCHITTEST: {
            if (!docked) break;
            RECT outer{};
            ::GetWindowRect(m_hWnd, &outer);
            const POINT p = PointOf(lParam);
            const bool onGripper = vertical ? p.y < outer.top + kGripper : p.x < outer.left + kGripper;
            if (onGripper && ::PtInRect(&outer, p)) return HTCAPTION;
            break;
        }
        case WM_NCLBUTTONDOWN:
            if (wParam != HTCAPTION) break;
            BeginDrag(m_hWnd, PointOf(lParam));
            return 0;
        case WM_NCLBUTTONDBLCLK:
            if (wParam != HTCAPTION) break;
            ToggleDocking();
            return 0;
        case WM_LBUTTONDOWN: {
            // A press between or beside the buttons takes hold of the bar.
            POINT p = PointOf(lParam);
            if (!docked || m_bDragging || ::SendMessageA(m_hWnd, TB_HITTEST, 0, reinterpret_cast<LPARAM>(&p)) >= 0)
                break;
            BeginDrag(m_hWnd, ScreenPoint(m_hWnd, lParam));
            return 0;
        }
        case WM_MOUSEMOVE:
            if (!m_bDragging) break;
            TrackDrag(ScreenPoint(m_hWnd, lParam));
            return 0;
        case WM_LBUTTONUP:
            if (!m_bDragging) break;
            EndDrag(ScreenPoint(m_hWnd, lParam), TRUE);
            return 0;
        case WM_CAPTURECHANGED:
            if (m_bDragging && reinterpret_cast<HWND>(lParam) != m_hWnd) EndDrag(POINT{}, FALSE);
            break;
        default:
            break;
    }
    return ::CallWindowProcA(m_pfnControlProc, m_hWnd, message, wParam, lParam);
}

BOOL CStatusBar::Create(HWND parent, DWORD style, UINT id) {
    m_hWnd = ::CreateWindowExA(0, STATUSCLASSNAMEA, "", (style & kWindowStyleBits) | SBARS_SIZEGRIP, 0, 0, 0, 0, parent,
                               reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), AppInstance(), nullptr);
    return m_hWnd != nullptr;
}

BOOL CStatusBar::SetIndicators(const std::vector<UINT>& indicators) {
    if (indicators.empty()) return FALSE;
    m_indicators = indicators;
    m_shown.assign(indicators.size(), std::string());
    Layout();
    UpdateIndicators();
    return TRUE;
}

// Every indicator pane is as wide as its text; the message pane takes the rest.
void CStatusBar::Layout() {
    if (!m_hWnd || m_indicators.empty()) return;
    RECT client;
    ::GetClientRect(m_hWnd, &client);
    HDC dc = ::GetDC(m_hWnd);
    HGDIOBJ oldFont = ::SelectObject(dc, reinterpret_cast<HFONT>(::SendMessageA(m_hWnd, WM_GETFONT, 0, 0)));
    std::vector<int> widths;
    for (std::size_t i = 1; i < m_indicators.size(); ++i) {
        const std::string text = LoadResourceString(m_indicators[i]);
        SIZE size{};
        ::GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size);
        widths.push_back(size.cx + 12);
    }
    ::SelectObject(dc, oldFont);
    ::ReleaseDC(m_hWnd, dc);
    std::vector<int> edges(m_indicators.size());
    int right = client.right - ::GetSystemMetrics(SM_CXVSCROLL);
    for (std::size_t i = m_indicators.size() - 1; i >= 1; --i) {
        edges[i] = right;
        right -= widths[i - 1];
    }
    edges[0] = right;
    ::SendMessageA(m_hWnd, SB_SETPARTS, edges.size(), reinterpret_cast<LPARAM>(edges.data()));
}

void CStatusBar::SetMessageText(const std::string& text) {
    if (m_hWnd && MessageText() != text) ::SendMessageA(m_hWnd, SB_SETTEXTA, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

std::string CStatusBar::MessageText() const {
    char buffer[512] = {};
    const LRESULT length = ::SendMessageA(m_hWnd, SB_GETTEXTLENGTHA, 0, 0);
    if (LOWORD(length) >= sizeof buffer) return std::string();
    ::SendMessageA(m_hWnd, SB_GETTEXTA, 0, reinterpret_cast<LPARAM>(buffer));
    return buffer;
}

void CStatusBar::UpdateIndicators() {
    for (std::size_t i = 1; i < m_indicators.size(); ++i) {
        int key = 0;
        switch (m_indicators[i]) {
            case ID_INDICATOR_CAPS:
                key = VK_CAPITAL;
                break;
            case ID_INDICATOR_NUM:
                key = VK_NUMLOCK;
                break;
            case ID_INDICATOR_SCRL:
                key = VK_SCROLL;
                break;
            default:
                break;
        }
        const bool on = key != 0 && (::GetKeyState(key) & 1) != 0;
        const std::string text = on ? LoadResourceString(m_indicators[i]) : std::string();
        if (text == m_shown[i]) continue;
        m_shown[i] = text;
        ::SendMessageA(m_hWnd, SB_SETTEXTA, i, reinterpret_cast<LPARAM>(text.c_str()));
    }
}

int CStatusBar::Height() const {
    return WindowHeight(m_hWnd);
}

// ------------------------------------------------------- docking in a frame

// The frame's part in docking lives with the bars it lays out.
void CMdiFrame::DockControlBar(CToolBar& bar) {
    m_bars.push_back(&bar);
    bar.AttachToFrame(m_dwDockSides, [this] { RecalcLayout(); });
    bar.Dock(bar.InitialSide());
}

// All in one batch, shown and hidden with the move, so that nothing is
// painted at a place it is about to leave.
void CMdiFrame::RepositionBars(RECT area) {
    HDWP batch = ::BeginDeferWindowPos(static_cast<int>(m_bars.size()) + 1);
    for (CToolBar* bar : m_bars) {
        if (!bar->m_hWnd || bar->Side() == DockSide::Floating) continue;
        constexpr UINT kFlags = SWP_NOZORDER | SWP_NOACTIVATE;
        if (!bar->IsVisible()) {
            batch = ::DeferWindowPos(batch, bar->m_hWnd, nullptr, 0, 0, 0, 0,
                                     kFlags | SWP_NOMOVE | SWP_NOSIZE | SWP_HIDEWINDOW);
            continue;
        }
        const SIZE size = bar->DockedSize();
        RECT strip = area;
        switch (bar->Side()) {
            case DockSide::Top:
                strip.bottom = area.top = area.top + size.cy;
                break;
            case DockSide::Bottom:
                strip.top = area.bottom = area.bottom - size.cy;
                break;
            case DockSide::Left:
                strip.right = area.left = area.left + size.cx;
                break;
            default:
                strip.left = area.right = area.right - size.cx;
                break;
        }
        batch = ::DeferWindowPos(batch, bar->m_hWnd, nullptr, strip.left, strip.top, strip.right - strip.left,
                                 strip.bottom - strip.top, kFlags | SWP_SHOWWINDOW);
    }
    if (m_hWndMDIClient) {
        // Windows inside a client that moves are drawn again where they
        // land, not copied from where they were.
        RECT was{};
        ::GetWindowRect(m_hWndMDIClient, &was);
        ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&was), 2);
        const UINT copy = was.left != area.left || was.top != area.top ? SWP_NOCOPYBITS : 0;
        batch =
            ::DeferWindowPos(batch, m_hWndMDIClient, nullptr, area.left, area.top, area.right - area.left,
                             area.bottom > area.top ? area.bottom - area.top : 0, SWP_NOZORDER | SWP_NOACTIVATE | copy);
    }
    ::EndDeferWindowPos(batch);
}
