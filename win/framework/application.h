// The application object: start-up, its message loop, the templates, the
// New/Open/Exit commands and the recent files; it sets up the services
// (services.h) that the rest of the framework reaches for.
#pragma once

#include "win/framework/cmdtarget.h"
#include "win/framework/document.h"
#include "win/framework/services.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

class CMdiChild;
class CMdiFrame;
class CView;

// A template whose documents are shown in MDI child frames of the main
// window, each holding one view: the window-making part of a template.
class CMdiDocTemplate : public CDocTemplate {
public:
    using FrameFactory = std::function<CMdiChild*()>;
    using ViewFactory = std::function<CView*()>;

    CMdiDocTemplate(UINT resourceId, DocumentFactory newDocument, FrameFactory newFrame, ViewFactory newView);

    // A new untitled document (path null) or one read from a file, shown in
    // a new frame; null when the document's step failed.
    CDocument* OpenDocumentFile(const char* path);
    CMdiChild* CreateNewFrame(CDocument* document, CMdiChild* other);
    void InitialUpdateFrame(CMdiChild* frame, CDocument* document, BOOL makeVisible = TRUE);

private:
    FrameFactory m_pNewFrame;
    ViewFactory m_pNewView;
};

class CApp : public CCmdTarget {
public:
    CApp();
    ~CApp() override;

    static CApp* Current() { return s_pCurrent; }

    // Start-up; FALSE ends the program.
    virtual BOOL InitInstance() { return TRUE; }
    // Answers the exit code.
    virtual int ExitInstance();
    // The message loop, with idle updates when the queue runs dry.
    int Run();
    virtual void OnIdle();
    // A look at every message before it is dispatched; TRUE when it has
    // been dealt with.
    virtual BOOL PreTranslateMessage(MSG* /*msg*/) { return FALSE; }
    // The main window's and the MDI client's keyboard shortcuts for msg;
    // TRUE when it became a command.
    BOOL TranslateAccelerators(MSG* msg);

    void AddDocTemplate(std::unique_ptr<CMdiDocTemplate> docTemplate);
    CMdiDocTemplate* FirstDocTemplate() const;
    CDocument* OpenDocumentFile(const char* path);
    // No arguments: New; a file name: open it. FALSE when that failed.
    BOOL ProcessShellCommand();
    // Makes the registered type known to the shell for its extension,
    // offering it there without taking the extension's default away.
    void RegisterShellFileTypes();
    // The last few files opened or saved, most recent first, kept in the
    // user's registry under the application's title; reads the list kept
    // by earlier runs.
    void LoadStdProfileSettings(int maxRecentFiles);
    void AddToRecentFileList(const std::string& path);
    const std::vector<std::string>& RecentFiles() const { return m_recentFiles; }
    // Lists the recent files in menu where it holds their place (the first
    // recent-file command); a menu without that place is left alone.
    void UpdateRecentFileMenu(HMENU menu) const;

    BOOL OnCommand(UINT id, BOOL execute) override;

    HINSTANCE m_hInstance = nullptr;
    CMdiFrame* m_pMainWnd = nullptr;
    int m_nCmdShow = SW_SHOWNORMAL;
    std::vector<std::string> m_args;

protected:
    void OnFileNew();
    void OnFileOpen();
    void OnAppExit();
    // Opens a recent file; one that is gone leaves the list, with a word to
    // the user.
    void OnOpenRecentFile(std::size_t index);
    void SaveRecentFileList() const;

private:
    static CApp* s_pCurrent;
    std::vector<std::unique_ptr<CMdiDocTemplate>> m_templates;
    std::vector<std::string> m_recentFiles;
    int m_nMaxRecentFiles = 0;

    static constexpr CommandEntry<CApp> kCommands[] = {
        {ID_FILE_NEW, &CApp::OnFileNew},
        {ID_FILE_OPEN, &CApp::OnFileOpen},
        {ID_APP_EXIT, &CApp::OnAppExit},
    };
};

// Runs app from start-up to exit; the arguments are the command line's,
// without the program name. Answers the process exit code.
int RunApplication(CApp& app, HINSTANCE instance, std::vector<std::string> args, int showCommand);
