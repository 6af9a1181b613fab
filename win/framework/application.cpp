// The application object: start-up hooks, the message loop with idle
// updates, the New/Open/Exit commands, and the services commands share.
#include "win/framework/application.h"

#include <memory>

#include "win/framework/window.h"

CApp* CApp::s_pCurrent = nullptr;

CApp::CApp() {
    s_pCurrent = this;
}

CApp::~CApp() {
    if (s_pCurrent == this) s_pCurrent = nullptr;
    if (Hooks().commands == this) SetAppHooks({});
}

int CApp::ExitInstance() {
    return 0;
}

int CApp::Run() {
    MSG msg{};
    bool idle = true;
    for (;;) {
        if (idle && !::PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
            OnIdle();
            idle = false;
        }
        const BOOL got = ::GetMessageA(&msg, nullptr, 0, 0);
        if (got == 0 || got == -1) break;
        if (!PreTranslateMessage(&msg) && !TranslateAccelerators(&msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
        if (msg.message != WM_TIMER) idle = true;
    }
    const int code = ExitInstance();
    return code != 0 ? code : static_cast<int>(msg.wParam);
}

BOOL CApp::TranslateAccelerators(MSG* msg) {
    HWND frame = m_pMainWnd ? m_pMainWnd->m_hWnd : nullptr;
    if (!frame) return FALSE;
    if (m_pMainWnd->MdiClient() && ::TranslateMDISysAccel(m_pMainWnd->MdiClient(), msg)) return TRUE;
    return m_pMainWnd->Accelerators() && ::TranslateAcceleratorA(frame, m_pMainWnd->Accelerators(), msg);
}

void CApp::OnIdle() {
    if (m_pMainWnd && m_pMainWnd->m_hWnd) m_pMainWnd->OnIdleUpdate();
}

void CApp::AddDocTemplate(std::unique_ptr<CMdiDocTemplate> docTemplate) {
    m_templates.push_back(std::move(docTemplate));
}

CMdiDocTemplate* CApp::FirstDocTemplate() const {
    return m_templates.empty() ? nullptr : m_templates.front().get();
}

CDocument* CApp::OpenDocumentFile(const char* path) {
    CMdiDocTemplate* docTemplate = FirstDocTemplate();
    if (!docTemplate) return nullptr;
    CDocument* document = docTemplate->OpenDocumentFile(path);
    if (document && path && *path) AddToRecentFileList(path);
    return document;
}

namespace {

// Where the recent files are kept: HKCU\Software\<title>\Recent File List,
// one value File1, File2, ... for each.
std::string RecentFilesKey() {
    std::string title = LoadResourceString(IDS_APP_TITLE);
    if (title.empty()) title = "Application";
    return "Software\\" + title + "\\Recent File List";
}

std::string RecentValueName(std::size_t index) {
    return "File" + std::to_string(index + 1);
}

bool SamePath(const std::string& a, const std::string& b) {
    return ::lstrcmpiA(a.c_str(), b.c_str()) == 0;
}

// A long path keeps its root and its file name, so that the menu stays
// narrow and the file can still be told apart.
std::string MenuName(const std::string& path) {
    constexpr std::size_t kLongest = 48;
    if (path.size() <= kLongest) return path;
    const auto name = path.find_last_of("\\/");
    const auto root = path.find_first_of("\\/", path.size() > 2 && path[1] == ':' ? 3 : 1);
    if (name == std::string::npos || root == std::string::npos || root >= name) return path;
    return path.substr(0, root + 1) + "..." + path.substr(name);
}

// Menu text takes "&" as a mnemonic mark; a file name shows its own.
std::string EscapeAmpersands(const std::string& text) {
    std::string escaped;
    for (char c : text) {
        if (c == '&') escaped += '&';
        escaped += c;
    }
    return escaped;
}

}  // namespace

void CApp::LoadStdProfileSettings(int maxRecentFiles) {
    m_nMaxRecentFiles = maxRecentFiles;
    m_recentFiles.clear();
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, RecentFilesKey().c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return;
    for (std::size_t i = 0; i < static_cast<std::size_t>(maxRecentFiles); ++i) {
        char path[MAX_PATH * 2] = {};
        DWORD size = sizeof path - 1;
        DWORD type = 0;
        if (::RegQueryValueExA(key, RecentValueName(i).c_str(), nullptr, &type, reinterpret_cast<BYTE*>(path), &size) !=
                ERROR_SUCCESS ||
            type != REG_SZ || path[0] == '\0')
            continue;
        m_recentFiles.emplace_back(path);
    }
    ::RegCloseKey(key);
}

void CApp::SaveRecentFileList() const {
    HKEY key = nullptr;
    if (::RegCreateKeyExA(HKEY_CURRENT_USER, RecentFilesKey().c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                          nullptr) != ERROR_SUCCESS)
        return;
    for (std::size_t i = 0; i < static_cast<std::size_t>(m_nMaxRecentFiles); ++i) {
        if (i < m_recentFiles.size()) {
            const std::string& path = m_recentFiles[i];
            ::RegSetValueExA(key, RecentValueName(i).c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(path.c_str()),
                             static_cast<DWORD>(path.size() + 1));
        } else {
            ::RegDeleteValueA(key, RecentValueName(i).c_str());
        }
    }
    ::RegCloseKey(key);
}

void CApp::AddToRecentFileList(const std::string& path) {
    if (m_nMaxRecentFiles <= 0 || path.empty()) return;
    for (auto it = m_recentFiles.begin(); it != m_recentFiles.end(); ++it) {
        if (!SamePath(*it, path)) continue;
        m_recentFiles.erase(it);
        break;
    }
    m_recentFiles.insert(m_recentFiles.begin(), path);
    if (m_recentFiles.size() > static_cast<std::size_t>(m_nMaxRecentFiles)) m_recentFiles.resize(m_nMaxRecentFiles);
    // Kept at once, so that a run that ends badly still leaves the list.
    SaveRecentFileList();
}

void CApp::UpdateRecentFileMenu(HMENU menu) const {
    int place = -1;
    for (int i = ::GetMenuItemCount(menu) - 1; i >= 0; --i) {
        const UINT id = ::GetMenuItemID(menu, i);
        if (id < ID_FILE_MRU_FILE1 || id > ID_FILE_MRU_FILE4) continue;
        ::DeleteMenu(menu, static_cast<UINT>(i), MF_BYPOSITION);
        place = i;
    }
    if (place < 0) return;
    // With no recent file, the place shows as a disabled item.
    if (m_recentFiles.empty()) {
        ::InsertMenuA(menu, static_cast<UINT>(place), MF_BYPOSITION | MF_STRING | MF_GRAYED, ID_FILE_MRU_FILE1,
                      "Recent File");
        return;
    }
    for (std::size_t i = 0; i < m_recentFiles.size(); ++i) {
        const std::string text = "&" + std::to_string(i + 1) + " " + EscapeAmpersands(MenuName(m_recentFiles[i]));
        ::InsertMenuA(menu, static_cast<UINT>(place) + static_cast<UINT>(i), MF_BYPOSITION | MF_STRING,
                      ID_FILE_MRU_FILE1 + i, text.c_str());
    }
}

void CApp::OnOpenRecentFile(std::size_t index) {
    if (index >= m_recentFiles.size()) return;
    const std::string path = m_recentFiles[index];
    if (::GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
        m_recentFiles.erase(m_recentFiles.begin() + static_cast<std::ptrdiff_t>(index));
        SaveRecentFileList();
        AppMessageBox("The file " + path + " no longer exists. It has been taken off the list of recent files.");
        return;
    }
    OpenDocumentFile(path.c_str());
}

BOOL CApp::ProcessShellCommand() {
    if (m_args.empty()) {
        OnFileNew();
        return m_pMainWnd != nullptr;
    }
    return OpenDocumentFile(m_args.front().c_str()) != nullptr;
}

namespace {

bool SetRegistryString(HKEY root, const std::string& key, const char* name, const std::string& value) {
    HKEY handle = nullptr;
    if (::RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &handle, nullptr) != ERROR_SUCCESS)
        return false;
    const LONG result = ::RegSetValueExA(handle, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                         static_cast<DWORD>(value.size() + 1));
    ::RegCloseKey(handle);
    return result == ERROR_SUCCESS;
}

bool HasDefaultValue(HKEY root, const std::string& key) {
    char buffer[256] = {};
    DWORD size = sizeof buffer;
    DWORD type = 0;
    HKEY handle = nullptr;
    if (::RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS) return false;
    const LONG result = ::RegQueryValueExA(handle, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
    ::RegCloseKey(handle);
    return result == ERROR_SUCCESS && type == REG_SZ && buffer[0] != '\0';
}

}  // namespace

void CApp::RegisterShellFileTypes() {
    char module[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, module, MAX_PATH);
    const std::string classes = "Software\\Classes\\";
    for (const auto& docTemplate : m_templates) {
        const std::string typeId = docTemplate->GetDocString(CDocTemplate::regFileTypeId);
        const std::string typeName = docTemplate->GetDocString(CDocTemplate::regFileTypeName);
        if (typeId.empty()) continue;
        SetRegistryString(HKEY_CURRENT_USER, classes + typeId, nullptr, typeName);
        SetRegistryString(HKEY_CURRENT_USER, classes + typeId + "\\DefaultIcon", nullptr, std::string(module) + ",0");
        SetRegistryString(HKEY_CURRENT_USER, classes + typeId + "\\shell\\open\\command", nullptr,
                          "\"" + std::string(module) + "\" \"%1\"");
        for (const std::string& ext : docTemplate->Extensions()) {
            // Offered for the extension, never taking it from the program the
            // user has chosen: the default is set only where there is none.
            SetRegistryString(HKEY_CURRENT_USER, classes + ext + "\\OpenWithProgids", typeId.c_str(), "");
            if (!HasDefaultValue(HKEY_CURRENT_USER, classes + ext) && !HasDefaultValue(HKEY_CLASSES_ROOT, ext))
                SetRegistryString(HKEY_CURRENT_USER, classes + ext, nullptr, typeId);
        }
    }
}

BOOL CApp::OnCommand(UINT id, BOOL execute) {
    if (id >= ID_FILE_MRU_FILE1 && id <= ID_FILE_MRU_FILE4) {
        const std::size_t index = id - ID_FILE_MRU_FILE1;
        if (index >= m_recentFiles.size()) return FALSE;
        if (execute) OnOpenRecentFile(index);
        return TRUE;
    }
    return DispatchCommand(this, kCommands, id, execute);
}

void CApp::OnFileNew() {
    if (CMdiDocTemplate* docTemplate = FirstDocTemplate()) docTemplate->OpenDocumentFile(nullptr);
}

void CApp::OnFileOpen() {
    std::string filter;
    for (const auto& docTemplate : m_templates) {
        if (!docTemplate->Extensions().empty())
            filter += docTemplate->GetDocString(CDocTemplate::filterName) + "|" + docTemplate->FilterPatterns() + "|";
    }
    filter += "All Files (*.*)|*.*||";
    CFileDialog dialog(TRUE, nullptr, nullptr, OFN_HIDEREADONLY | OFN_FILEMUSTEXIST, filter.c_str(),
                       m_pMainWnd ? m_pMainWnd->m_hWnd : nullptr);
    if (dialog.DoModal() != IDOK) return;
    OpenDocumentFile(dialog.GetPathName().c_str());
}

void CApp::OnAppExit() {
    if (m_pMainWnd && m_pMainWnd->m_hWnd) m_pMainWnd->SendMessage(WM_CLOSE);
}

// ------------------------------------------------------------ templates

CMdiDocTemplate::CMdiDocTemplate(UINT resourceId, DocumentFactory newDocument, FrameFactory newFrame,
                                 ViewFactory newView)
    : CDocTemplate(resourceId, std::move(newDocument)),
      m_pNewFrame(std::move(newFrame)),
      m_pNewView(std::move(newView)) {}

CDocument* CMdiDocTemplate::OpenDocumentFile(const char* path) {
    std::unique_ptr<CDocument> document(NewDocument());
    if (path && *path) {
        if (!document->OnOpenDocument(path)) return nullptr;
        document->SetPathName(path);
    } else {
        document->SetTitle(GetDocString(docName) + std::to_string(m_nUntitledCount + 1));
        if (!document->OnNewDocument()) return nullptr;
        ++m_nUntitledCount;
    }
    CMdiChild* frame = CreateNewFrame(document.get(), nullptr);
    if (!frame) {
        AppMessageBox("Unable to open a window for " + document->GetTitle() + ".");
        return nullptr;
    }
    CDocument* shown = document.release();
    InitialUpdateFrame(frame, shown);
    return shown;
}

CMdiChild* CMdiDocTemplate::CreateNewFrame(CDocument* document, CMdiChild* /*other*/) {
    CMdiFrame* mainFrame = CApp::Current()->m_pMainWnd;
    if (!mainFrame || !mainFrame->m_hWnd) return nullptr;
    CCreateContext context;
    context.m_pCurrentDoc = document;
    context.m_pNewView = m_pNewView;
    context.m_pTemplate = this;
    std::unique_ptr<CMdiChild> frame(m_pNewFrame());
    if (!frame ||
        !frame->LoadFrame(WS_CHILD | WS_OVERLAPPEDWINDOW | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, mainFrame, &context))
        return nullptr;
    frame->m_bAutoDelete = TRUE;
    HandToWindows(document);
    return frame.release();
}

void CMdiDocTemplate::InitialUpdateFrame(CMdiChild* frame, CDocument* document, BOOL makeVisible) {
    frame->InitialUpdateFrame(makeVisible);
    UpdateFrameTitles(document);
}

int RunApplication(CApp& app, HINSTANCE instance, std::vector<std::string> args, int showCommand) {
    app.m_hInstance = instance;
    AppHooks hooks;
    hooks.instance = instance;
    hooks.mainWindow = [&app]() -> HWND { return app.m_pMainWnd ? app.m_pMainWnd->m_hWnd : nullptr; };
    hooks.commands = &app;
    hooks.prepareMenu = [&app](HMENU menu) { app.UpdateRecentFileMenu(menu); };
    hooks.fileUsed = [&app](const std::string& path) { app.AddToRecentFileList(path); };
    SetAppHooks(std::move(hooks));
    app.m_args = std::move(args);
    app.m_nCmdShow = showCommand;
    INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_BAR_CLASSES | ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&controls);
    if (!app.InitInstance()) {
        if (app.m_pMainWnd && app.m_pMainWnd->m_hWnd) ::DestroyWindow(app.m_pMainWnd->m_hWnd);
        app.ExitInstance();
        return 1;
    }
    return app.Run();
}
