// What windows, documents and commands reach for, whoever runs them: the
// program's module and main window, resource strings, message boxes, the
// wait cursor and the system's file dialogs, and the application's part in
// routing commands, preparing menus and keeping recent files. The lowest of
// the framework's files: the application object sets these up, and nothing
// here knows of it.
#pragma once

#include "win/framework/win32.h"

#include <functional>
#include <string>

class CCmdTarget;

// What the application provides; every part may be left empty.
struct AppHooks {
    HINSTANCE instance = nullptr;
    // The main window, null while there is none.
    std::function<HWND()> mainWindow;
    // Where commands go that no window handles.
    CCmdTarget* commands = nullptr;
    // A menu about to be shown, for the application's own items.
    std::function<void(HMENU)> prepareMenu;
    // A file opened or saved.
    std::function<void(const std::string&)> fileUsed;
};
void SetAppHooks(AppHooks hooks);
const AppHooks& Hooks();

HINSTANCE AppInstance();
HWND AppMainWindow();

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
