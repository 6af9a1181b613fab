// The toolbar and the status bar of a frame, over the common controls.
#pragma once

#include "win/framework/win32.h"

#include <string>
#include <vector>

class CToolBar {
public:
    // style carries WS_ and CBRS_-like alignment bits; id is the child id.
    BOOL Create(HWND parent, DWORD style, UINT id);
    // Buttons from bitmap resource bitmapId (cells of 16 x 15), one per
    // non-zero command in commands; a zero is a separator.
    BOOL LoadToolBar(UINT bitmapId, const std::vector<UINT>& commands);
    void SetBarStyle(DWORD style) { m_dwStyle = style; }
    DWORD GetBarStyle() const { return m_dwStyle; }
    void EnableButton(UINT command, BOOL enable);
    BOOL IsVisible() const { return m_hWnd && ::IsWindowVisible(m_hWnd); }
    int Height() const;
    HWND m_hWnd = nullptr;

private:
    DWORD m_dwStyle = 0;
    std::vector<UINT> m_commands;
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
