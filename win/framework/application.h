// The application object, its message loop, and the small services that
// commands use: message boxes, the wait cursor, strings and file dialogs.
#pragma once

#include "win/framework/cmdtarget.h"

#include <memory>
#include <string>
#include <vector>

class CDocTemplate;
class CDocument;
class CMdiFrame;

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

    void AddDocTemplate(std::unique_ptr<CDocTemplate> docTemplate);
    CDocTemplate* FirstDocTemplate() const;
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
    std::vector<std::unique_ptr<CDocTemplate>> m_templates;
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

// A string of the string table, empty when there is none.
std::string LoadResourceString(UINT id);
// A message box owned by the main window, titled with the program's name.
int AppMessageBox(const std::string& text, UINT type = MB_OK);

// The wait cursor while a long step runs; the previous cursor comes back
// however the scope is left.
class CWaitCursor {
public:
    CWaitCursor() : m_hOld(::SetCursor(::LoadCursorA(nullptr, IDC_WAIT))) {}
    ~CWaitCursor() { ::SetCursor(m_hOld); }
    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;

private:
    HCURSOR m_hOld;
};

// The system's open and save dialogs. The filter is "|"-separated, as in
// "Bitmaps (*.bmp)|*.bmp|All files (*.*)|*.*||".
class CFileDialog {
public:
    CFileDialog(BOOL openFileDialog, const char* defaultExtension, const char* fileName, DWORD flags,
                const char* filter, HWND owner);
    INT_PTR DoModal();
    std::string GetPathName() const { return m_fileName; }

private:
    BOOL m_bOpen;
    std::string m_defaultExtension;
    std::string m_fileName;
    std::string m_filter;
    DWORD m_nFlags;
    HWND m_hOwner;
};
