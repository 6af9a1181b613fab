// Windows as objects: one CWindow per HWND, found from the handle, and the
// frame, MDI child and view kinds that documents are shown in.
#pragma once

#include "win/framework/cmdtarget.h"
#include "win/framework/gdi.h"

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

class CDocument;
class CDocTemplate;
class CToolBar;
class CView;
class CWindow;

// Window messages a class handles: its table, chained to its base class's,
// so that one window procedure finds the most derived handler. The tables
// live in the .cpp files, where the classes are complete.
using MessageHandler = LRESULT (CWindow::*)(WPARAM, LPARAM);
struct MessageEntry {
    UINT message;
    MessageHandler handler;
};
struct MessageMap {
    const MessageMap* (*base)();
    const MessageEntry* entries;
    std::size_t count;
};
template <class T>
MessageHandler Handler(LRESULT (T::*handler)(WPARAM, LPARAM)) {
    return static_cast<MessageHandler>(handler);
}

class CWindow : public CCmdTarget {
public:
    CWindow() = default;
    ~CWindow() override;

    // The object of a window made by this framework, or null.
    static CWindow* FromHandle(HWND window);

    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
        return ::SendMessageA(m_hWnd, message, wParam, lParam);
    }
    void SetWindowText(const std::string& text);
    std::string GetWindowText() const;

    // The creation adjustment: a chance to change size and style before the
    // window exists. Answering FALSE stops the creation.
    virtual BOOL PreCreateWindow(CREATESTRUCTA& cs);
    BOOL CreateFromStruct(CREATESTRUCTA& cs);

    HWND m_hWnd = nullptr;

    // Set once a window made by this framework exists: from then on its last
    // message deletes the object. An object whose window never came to be
    // stays with whoever made it.
    BOOL m_bAutoDelete = FALSE;

protected:
    // Table lookup of the most derived class first, then its bases', ending
    // in DefWindowProc (or the frame's and MDI child's own default).
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    virtual const MessageMap* GetMessageMap() const { return nullptr; }
    virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // The default handling of the message being handled now.
    LRESULT Default();
    // Called after WM_NCDESTROY, when the handle is gone.
    void PostNcDestroy() {
        if (m_bAutoDelete) delete this;
    }

    // One registered class for every window of the framework; background
    // and icon differ by kind, so the kind picks one of a few classes.
    static const char* WindowClass(HBRUSH background, HICON icon);

private:
    static LRESULT CALLBACK StaticWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    struct CurrentMessage {
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
    };
    CurrentMessage m_current{};
};

// The parts of creating a frame that the document template decides: which
// document it shows and which kind of view it makes for it.
struct CCreateContext {
    CDocument* m_pCurrentDoc = nullptr;
    std::function<CView*()> m_pNewView;
    CDocTemplate* m_pTemplate = nullptr;
};

class CMdiChild;

// The main window: an MDI frame on the system's MDI client.
class CMdiFrame : public CWindow {
public:
    ~CMdiFrame() override;
    // Creates the frame from resource id: menu, accelerators, icon, title.
    BOOL LoadFrame(UINT resourceId, DWORD style);

    CMdiChild* MDIGetActive() const;
    HWND MdiClient() const { return m_hWndMDIClient; }
    HACCEL Accelerators() const { return m_hAccelTable; }
    // Shows menu (or the frame's own when null) with its Window submenu.
    void SetMdiMenu(HMENU menu);
    // Commands: the active child (view, document, frame), then this frame,
    // then the application.
    BOOL RouteCommand(UINT id, BOOL execute) override;
    // Enables menu items and refreshes the title; called when idle.
    virtual void OnIdleUpdate();
    void UpdateFrameTitle();

    // The sides toolbars may dock on (bar alignment bits).
    void EnableDocking(DWORD sides) { m_dwDockSides = sides; }
    // Docks bar on the side its style names; from then on the frame lays
    // itself out around the bar wherever the user puts it.
    void DockControlBar(CToolBar& bar);

protected:
    const MessageMap* GetMessageMap() const override;
    static const MessageMap* ClassMessages();
    LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    // Lays out bars and the MDI client in the client area.
    virtual void RecalcLayout();
    // Docked toolbars take their strips off the edges of area, in the order
    // they were docked; the MDI client takes the rest.
    void RepositionBars(RECT area);
    // Ticks for View menu items; answers -1 for items that take none.
    virtual int IsItemChecked(UINT /*id*/) { return -1; }
    void OnCascade();

    HWND m_hWndMDIClient = nullptr;
    HMENU m_hMenuDefault = nullptr;
    HACCEL m_hAccelTable = nullptr;
    std::string m_strTitle;
    std::vector<CToolBar*> m_bars;
    DWORD m_dwDockSides = 0;

    // The MDI client; frames that add bars run this first.
    LRESULT OnCreate(WPARAM wParam, LPARAM lParam);
    // Closes the children, then the frame.
    LRESULT OnClose(WPARAM wParam, LPARAM lParam);

private:
    LRESULT OnSize(WPARAM wParam, LPARAM lParam);
    LRESULT OnCommandMessage(WPARAM wParam, LPARAM lParam);
    LRESULT OnInitMenuPopup(WPARAM wParam, LPARAM lParam);
    LRESULT OnDestroy(WPARAM wParam, LPARAM lParam);

public:
    BOOL OnCommand(UINT id, BOOL execute) override;

private:
    static constexpr CommandEntry<CMdiFrame> kCommands[] = {
        {ID_WINDOW_CASCADE, &CMdiFrame::OnCascade},
    };
};

// A document window inside the MDI frame, holding one view.
class CMdiChild : public CWindow {
public:
    BOOL LoadFrame(DWORD style, CMdiFrame* parent, CCreateContext* context);
    void InitialUpdateFrame(BOOL makeVisible);

    CView* GetActiveView() const { return m_pView; }
    CDocument* GetActiveDocument() const;
    void MDIActivate();
    void MDIDestroy();
    void UpdateTitle(int windowNumber);

    BOOL RouteCommand(UINT id, BOOL execute) override;

protected:
    const MessageMap* GetMessageMap() const override;
    static const MessageMap* ClassMessages();
    LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    // Where the view goes in a client area of this size: all of it, unless
    // a frame keeps its view smaller.
    virtual RECT ViewRect(int width, int height) const { return RECT{0, 0, width, height}; }
    // While the window is being made: the document it is for.
    CDocument* CreatingDocument() const { return m_pContext ? m_pContext->m_pCurrentDoc : nullptr; }

private:
    LRESULT OnCreate(WPARAM wParam, LPARAM lParam);
    LRESULT OnSize(WPARAM wParam, LPARAM lParam);
    LRESULT OnWindowPosChanged(WPARAM wParam, LPARAM lParam);
    LRESULT OnMdiActivate(WPARAM wParam, LPARAM lParam);
    LRESULT OnSetFocus(WPARAM wParam, LPARAM lParam);

    CView* m_pView = nullptr;
    CDocTemplate* m_pTemplate = nullptr;
    CCreateContext* m_pContext = nullptr;
    CMdiFrame* m_pMdiFrame = nullptr;
};

// A view of a document, filling its frame's client area.
class CView : public CWindow {
public:
    ~CView() override;
    BOOL Create(CMdiChild* frame, CDocument* document);
    CDocument* GetDocument() const { return m_pDocument; }
    CMdiChild* GetParentFrame() const { return m_pFrame; }

    virtual void OnInitialUpdate() { OnUpdate(nullptr, 0, nullptr); }
    virtual void OnUpdate(CView* /*sender*/, LPARAM /*hint*/, void* /*hintObject*/) {
        ::InvalidateRect(m_hWnd, nullptr, TRUE);
    }
    virtual void OnActivateView(BOOL /*activate*/, CView* /*activated*/, CView* /*deactivated*/) {}
    virtual void OnDraw(CDC& dc) = 0;

    // The view first, then its document.
    BOOL RouteCommand(UINT id, BOOL execute) override;

protected:
    // Brings the view's frame forward.
    LRESULT OnMouseActivate(WPARAM wParam, LPARAM lParam);
    const MessageMap* GetMessageMap() const override;
    static const MessageMap* ClassMessages();

private:
    LRESULT OnPaint(WPARAM wParam, LPARAM lParam);
    LRESULT OnPrintClient(WPARAM wParam, LPARAM lParam);

    friend class CDocument;
    CDocument* m_pDocument = nullptr;
    CMdiChild* m_pFrame = nullptr;
};
