// CMainFrame: the main window with its toolbar and status bar, the owner of
// palette realisation, and the View Palette and help commands.
#pragma once

#include "win/framework/controlbars.h"
#include "win/framework/window.h"

class CDIB;
class CExplorer;

#include "win/ui/resource.h"

// Posted to the main window by the computing threads: a picture's
// computation has news. It carries nothing; the documents are asked.
constexpr UINT kComputationNews = WM_APP + 0x100;

class CMainFrame : public CMdiFrame {
public:
    // The window opens at size (outer width and height).
    CMainFrame(CExplorer& explorer, SIZE size)
        : m_explorer(explorer), m_nRequestedWidth(size.cx), m_nRequestedHeight(size.cy) {}

    // Realises the application's palette through this window; answers how
    // many system-palette entries changed.
    UINT RealizeAppPalette(BOOL background);
    // Whether the display has a system palette at all (256-colour displays).
    BOOL DisplayHasPalette() const;
    // "Computing" with the share done (0 to 1) and, when known, the seconds
    // left in the status bar; a negative share puts the idle prompt back.
    void ShowProgress(double done, double secondsLeft);
    // A line in the status bar; an empty one puts the idle prompt back.
    void ShowStatus(const std::string& text);

    BOOL PreCreateWindow(CREATESTRUCTA& cs) override;
    void OnIdleUpdate() override;
    BOOL OnCommand(UINT id, BOOL execute) override;

    CToolBar m_wndToolBar;
    CStatusBar m_wndStatusBar;

protected:
    const MessageMap* GetMessageMap() const override;
    void RecalcLayout() override;
    int IsItemChecked(UINT id) override;

private:
    LRESULT OnCreate(WPARAM wParam, LPARAM lParam);
    LRESULT OnQueryNewPalette(WPARAM wParam, LPARAM lParam);
    LRESULT OnPaletteChanged(WPARAM wParam, LPARAM lParam);
    LRESULT OnNotify(WPARAM wParam, LPARAM lParam);
    LRESULT OnMenuSelect(WPARAM wParam, LPARAM lParam);
    LRESULT OnDropFiles(WPARAM wParam, LPARAM lParam);
    LRESULT OnComputationNews(WPARAM wParam, LPARAM lParam);

    void OnViewPalette();
    void OnEditCopy();
    // The picture of the active window, or null.
    const CDIB* ActivePicture() const;
    void OnHelpTopics();
    void OnViewToolbar();
    void OnViewStatusBar();
    void ShowPrompt(UINT id);

    CExplorer& m_explorer;
    int m_nRequestedWidth;
    int m_nRequestedHeight;

    // Shift+F1's context help shows the same help as F1: there are no
    // per-item help pages to point into.
    static constexpr CommandEntry<CMainFrame> kCommands[] = {
        {ID_VIEW_PALETTE, &CMainFrame::OnViewPalette}, {ID_EDIT_COPY, &CMainFrame::OnEditCopy},
        {ID_HELP_TOPICS, &CMainFrame::OnHelpTopics},   {ID_HELP, &CMainFrame::OnHelpTopics},
        {ID_CONTEXT_HELP, &CMainFrame::OnHelpTopics},  {ID_DEFAULT_HELP, &CMainFrame::OnHelpTopics},
        {ID_VIEW_TOOLBAR, &CMainFrame::OnViewToolbar}, {ID_VIEW_STATUS_BAR, &CMainFrame::OnViewStatusBar},
    };
};
