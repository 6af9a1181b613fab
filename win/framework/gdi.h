// GDI wrappers: objects that own their handle (deleted once, never copied),
// device contexts borrowed for a scope, and guards that put back whatever
// they replaced in a device context.
#pragma once

#include "win/framework/win32.h"

#include <utility>

// One owned GDI object. Attach answers FALSE for a null handle, so a failed
// creation leaves the wrapper empty rather than holding garbage.
template <typename H>
class CGdiObject {
public:
    CGdiObject() = default;
    explicit CGdiObject(H handle) : m_hObject(handle) {}
    virtual ~CGdiObject() { DeleteObject(); }
    CGdiObject(const CGdiObject&) = delete;
    CGdiObject& operator=(const CGdiObject&) = delete;
    CGdiObject(CGdiObject&& other) noexcept : m_hObject(std::exchange(other.m_hObject, nullptr)) {}
    CGdiObject& operator=(CGdiObject&& other) noexcept {
        if (this != &other) {
            DeleteObject();
            m_hObject = std::exchange(other.m_hObject, nullptr);
        }
        return *this;
    }

    BOOL Attach(H handle) {
        if (handle == nullptr || m_hObject != nullptr) return FALSE;
        m_hObject = handle;
        return TRUE;
    }
    void DeleteObject() {
        if (m_hObject) ::DeleteObject(std::exchange(m_hObject, nullptr));
    }
    H GetSafeHandle() const { return m_hObject; }
    operator H() const { return m_hObject; }

protected:
    H m_hObject = nullptr;
};

class CPalette : public CGdiObject<HPALETTE> {
public:
    BOOL CreatePalette(const LOGPALETTE* description) { return Attach(::CreatePalette(description)); }
};

class CBrush : public CGdiObject<HBRUSH> {
public:
    CBrush() = default;
    explicit CBrush(COLORREF color) : CGdiObject(::CreateSolidBrush(color)) {}
};

class CPen : public CGdiObject<HPEN> {
public:
    CPen() = default;
    CPen(int style, int width, COLORREF color) : CGdiObject(::CreatePen(style, width, color)) {}
};

// A device context this code does not own: the paint structure's, or one
// handed to a drawing routine.
class CDC {
public:
    CDC() = default;
    explicit CDC(HDC dc) : m_hDC(dc) {}
    CDC(const CDC&) = delete;
    CDC& operator=(const CDC&) = delete;
    virtual ~CDC() = default;

    HDC GetSafeHdc() const { return m_hDC; }
    HPALETTE SelectPalette(HPALETTE palette, BOOL forceBackground) {
        return ::SelectPalette(m_hDC, palette, forceBackground);
    }
    UINT RealizePalette() { return ::RealizePalette(m_hDC); }
    HGDIOBJ SelectObject(HGDIOBJ object) { return ::SelectObject(m_hDC, object); }

protected:
    HDC m_hDC = nullptr;
};

// GetDC for a window's client area, released at scope end.
class CClientDC : public CDC {
public:
    explicit CClientDC(HWND window) : CDC(::GetDC(window)), m_hWnd(window) {}
    ~CClientDC() override {
        if (m_hDC) ::ReleaseDC(m_hWnd, m_hDC);
    }

private:
    HWND m_hWnd;
};

// BeginPaint and EndPaint around one WM_PAINT.
class CPaintDC : public CDC {
public:
    explicit CPaintDC(HWND window) : m_hWnd(window) { m_hDC = ::BeginPaint(window, &m_ps); }
    ~CPaintDC() override { ::EndPaint(m_hWnd, &m_ps); }

private:
    HWND m_hWnd;
    PAINTSTRUCT m_ps{};
};

// Selects an object into a device context and the previous one back at scope
// end. The members are set in the initialiser list, so the restore always
// goes to the context the object went into.
class CSelectObject {
public:
    CSelectObject(HDC dc, HGDIOBJ object) : m_hDC(dc), m_hOld(::SelectObject(dc, object)) {}
    ~CSelectObject() {
        if (m_hOld) ::SelectObject(m_hDC, m_hOld);
    }
    CSelectObject(const CSelectObject&) = delete;
    CSelectObject& operator=(const CSelectObject&) = delete;

private:
    HDC m_hDC;
    HGDIOBJ m_hOld;
};

// Selects a palette into a device context and realises it; the previous
// palette goes back at scope end, in the foreground unless asked otherwise.
// A null palette selects nothing.
class CSelectPalette {
public:
    CSelectPalette(HDC dc, HPALETTE palette, BOOL background)
        : m_hDC(dc), m_hOld(palette ? ::SelectPalette(dc, palette, background) : nullptr) {
        if (m_hOld) m_nRealized = ::RealizePalette(dc);
    }
    ~CSelectPalette() {
        if (!m_hOld) return;
        ::SelectPalette(m_hDC, m_hOld, m_bRestoreInBackground);
        if (m_bRestoreInBackground) ::RealizePalette(m_hDC);
    }
    CSelectPalette(const CSelectPalette&) = delete;
    CSelectPalette& operator=(const CSelectPalette&) = delete;

    // RealizePalette's answer: the system-palette entries that changed.
    UINT Realized() const { return m_hOld && m_nRealized != GDI_ERROR ? m_nRealized : 0; }
    // The main window hands the system palette back this way, so that the
    // previous palette is realised again behind it.
    void RestoreInBackground() { m_bRestoreInBackground = TRUE; }

private:
    HDC m_hDC;
    HPALETTE m_hOld;
    UINT m_nRealized = 0;
    BOOL m_bRestoreInBackground = FALSE;
};
