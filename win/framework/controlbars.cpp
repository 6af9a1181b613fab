// Toolbar and status bar over the common controls.
#include "win/framework/controlbars.h"

#include "win/framework/application.h"

namespace {

constexpr DWORD kWindowStyleBits = 0xFFFF0000;

int WindowHeight(HWND window) {
    if (!window || !::IsWindowVisible(window)) return 0;
    RECT r;
    ::GetWindowRect(window, &r);
    return r.bottom - r.top;
}

}  // namespace

BOOL CToolBar::Create(HWND parent, DWORD style, UINT id) {
    m_hWnd = ::CreateWindowExA(
        0, TOOLBARCLASSNAMEA, nullptr, (style & kWindowStyleBits) | TBSTYLE_TOOLTIPS | TBSTYLE_FLAT | CCS_TOP, 0, 0, 0,
        0, parent, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), CApp::Current()->m_hInstance, nullptr);
    if (!m_hWnd) return FALSE;
    ::SendMessageA(m_hWnd, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    return TRUE;
}

BOOL CToolBar::LoadToolBar(UINT bitmapId, const std::vector<UINT>& commands) {
    int images = 0;
    for (UINT command : commands)
        if (command) ++images;
    ::SendMessageA(m_hWnd, TB_SETBITMAPSIZE, 0, MAKELONG(16, 15));
    TBADDBITMAP bitmap{CApp::Current()->m_hInstance, bitmapId};
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
    ::SendMessageA(m_hWnd, TB_AUTOSIZE, 0, 0);
    return TRUE;
}

void CToolBar::EnableButton(UINT command, BOOL enable) {
    const bool enabled = ::SendMessageA(m_hWnd, TB_ISBUTTONENABLED, command, 0) != 0;
    if (enabled != (enable != FALSE)) ::SendMessageA(m_hWnd, TB_ENABLEBUTTON, command, MAKELONG(enable ? 1 : 0, 0));
}

int CToolBar::Height() const {
    return WindowHeight(m_hWnd);
}

BOOL CStatusBar::Create(HWND parent, DWORD style, UINT id) {
    m_hWnd =
        ::CreateWindowExA(0, STATUSCLASSNAMEA, "", (style & kWindowStyleBits) | SBARS_SIZEGRIP, 0, 0, 0, 0, parent,
                          reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), CApp::Current()->m_hInstance, nullptr);
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
