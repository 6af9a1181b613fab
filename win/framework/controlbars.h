// The toolbar and the status bar of a frame, over the common controls. The
// toolbar docks on any side of its frame or floats in a small window of its
// own, and the user drags it from one place to the other.
#pragma once

#include "win/framework/win32.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

// Bar style bits: the sides a bar sits on or may dock on, and what it shows.
constexpr DWORD kBarAlignLeft = 0x1000;
constexpr DWORD kBarAlignTop = 0x2000;
constexpr DWORD kBarAlignRight = 0x4000;
constexpr DWORD kBarAlignBottom = 0x8000;
constexpr DWORD kBarAlignAny = 0xF000;
constexpr DWORD kBarSizeDynamic = 0x0004;
constexpr DWORD kBarTooltips = 0x0010;
constexpr DWORD kBarFlyBy = 0x0020;

enum class DockSide { Top, Bottom, Left, Right, Floating };

class CFloatingBarWindow;

class CToolBar {
public:
    CToolBar();
    ~CToolBar();
    CToolBar(const CToolBar&) = delete;
    CToolBar& operator=(const CToolBar&) = delete;

    // style carries WS_ bits and the side the bar starts on; id is the child
    // id, which the bar keeps wherever it goes.
    BOOL Create(HWND frame, DWORD style, UINT id);
    // Buttons from bitmap resource bitmapId (cells of 16 x 15, enlarged in
    // proportion on a screen above 96 dpi), one per non-zero command in
    // commands; a zero is a separator.
    BOOL LoadToolBar(UINT bitmapId, const std::vector<UINT>& commands);
    void SetBarStyle(DWORD style) { m_dwStyle = style; }
    DWORD GetBarStyle() const { return m_dwStyle; }
    void EnableButton(UINT command, BOOL enable);
    // A button shown pressed, for a command that is on.
    void CheckButton(UINT command, BOOL check);

    // Where the bar may dock (alignment bits); the frame narrows it to the
    // sides it accepts, and hears whenever the bar's place changes.
    void EnableDocking(DWORD sides) { m_dwDockSides = sides & kBarAlignAny; }
    void AttachToFrame(DWORD frameSides, std::function<void()> placeChanged);
    // The side the bar's style names, where docking there is allowed.
    DockSide InitialSide() const;
    void Dock(DockSide side);
    // Floats with the floating window's top-left corner at a screen point.
    void Float(POINT topLeft);
    DockSide Side() const { return m_side; }
    // The bar's size on its side, the gripper included: a strip as long as
    // its buttons need and as thick as one button.
    SIZE DockedSize() const;

    // Shown or hidden wherever it is; the frame lays itself out again.
    void Show(BOOL show);
    BOOL IsVisible() const { return m_bVisible; }
    // The window that holds the bar while it floats, or null.
    HWND FloatingWindow() const;

    HWND m_hWnd = nullptr;

private:
    friend class CFloatingBarWindow;
    static LRESULT CALLBACK BarProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnBarMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void Arrange(BOOL vertical);
    SIZE ButtonsSize() const;
    BOOL CanDock(DockSide side) const;

    // Dragging the bar: from its gripper or an empty stretch when docked,
    // from the caption when floating. captureWindow receives the mouse.
    void BeginDrag(HWND captureWindow, POINT screen);
    void TrackDrag(POINT screen);
    void EndDrag(POINT screen, BOOL apply);
    BOOL Dragging() const { return m_bDragging; }
    // Where the bar lands for the pointer at screen, and the outline that
    // shows it.
    DockSide DropSide(POINT screen, RECT* outline) const;
    void ToggleDocking();

    HWND m_hWndFrame = nullptr;
    WNDPROC m_pfnControlProc = nullptr;
    std::unique_ptr<CFloatingBarWindow> m_pFloat;
    DWORD m_dwStyle = 0;
    DWORD m_dwDockSides = 0;
    DWORD m_dwFrameSides = 0;
    std::vector<UINT> m_commands;
    std::function<void()> m_placeChanged;
    DockSide m_side = DockSide::Top;
    DockSide m_lastDocked = DockSide::Top;
    POINT m_floatAt{-1, -1};
    SIZE m_sizeHorizontal{0, 0};
    BOOL m_bVisible = TRUE;

    BOOL m_bDragging = FALSE;
    HWND m_hWndCapture = nullptr;
    // The button images enlarged for a screen above 96 dpi; the bar draws
    // from them, so they live as long as it does.
    HBITMAP m_hScaledImages = nullptr;
    POINT m_grab{};
    RECT m_outline{};
    int m_nOutline = 0;
    BOOL m_bOutlineShown = FALSE;
};

class CStatusBar {
public:
    BOOL Create(HWND parent, DWORD style, UINT id);
    // Pane 0 is the message pane (indicator 0); the others show the string
    // of their indicator id while their key is locked.
    BOOL SetIndicators(const std::vector<UINT>& indicators);
    void SetMessageText(const std::string& text);
    std::string MessageText() const;
    void UpdateIndicators();
    // Sizes the panes to the bar's width; after every resize of the bar.
    void Layout();
    BOOL IsVisible() const { return m_hWnd && ::IsWindowVisible(m_hWnd); }
    int Height() const;
    HWND m_hWnd = nullptr;

private:
    std::vector<UINT> m_indicators;
    std::vector<std::string> m_shown;
};
