// The application object: start-up hooks, the message loop with idle
// updates, the New/Open/Exit commands, and the services commands share.
#include "win/framework/application.h"

#include "win/framework/document.h"
#include "win/framework/window.h"

CApp* CApp::s_pCurrent = nullptr;

CApp::CApp() {
    s_pCurrent = this;
}

CApp::~CApp() {
    if (s_pCurrent == this) s_pCurrent = nullptr;
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
        if (!TranslateAccelerators(&msg)) {
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

void CApp::AddDocTemplate(std::unique_ptr<CDocTemplate> docTemplate) {
    m_templates.push_back(std::move(docTemplate));
}

CDocTemplate* CApp::FirstDocTemplate() const {
    return m_templates.empty() ? nullptr : m_templates.front().get();
}

CDocument* CApp::OpenDocumentFile(const char* path) {
    CDocTemplate* docTemplate = FirstDocTemplate();
    if (!docTemplate) return nullptr;
    CDocument* document = docTemplate->OpenDocumentFile(path);
    if (document && path && *path) AddToRecentFileList(path);
    return document;
}

void CApp::AddToRecentFileList(const std::string& path) {
    if (m_nMaxRecentFiles <= 0) return;
    for (auto it = m_recentFiles.begin(); it != m_recentFiles.end(); ++it) {
        if (*it != path) continue;
        m_recentFiles.erase(it);
        break;
    }
    m_recentFiles.insert(m_recentFiles.begin(), path);
    if (m_recentFiles.size() > static_cast<std::size_t>(m_nMaxRecentFiles)) m_recentFiles.resize(m_nMaxRecentFiles);
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
        const std::string ext = docTemplate->GetDocString(CDocTemplate::filterExt);
        if (typeId.empty()) continue;
        SetRegistryString(HKEY_CURRENT_USER, classes + typeId, nullptr, typeName);
        SetRegistryString(HKEY_CURRENT_USER, classes + typeId + "\\DefaultIcon", nullptr, std::string(module) + ",0");
        SetRegistryString(HKEY_CURRENT_USER, classes + typeId + "\\shell\\open\\command", nullptr,
                          "\"" + std::string(module) + "\" \"%1\"");
        if (ext.empty()) continue;
        // Offered for the extension, never taking it from the program the
        // user has chosen: the default is set only where there is none.
        SetRegistryString(HKEY_CURRENT_USER, classes + ext + "\\OpenWithProgids", typeId.c_str(), "");
        if (!HasDefaultValue(HKEY_CURRENT_USER, classes + ext) && !HasDefaultValue(HKEY_CLASSES_ROOT, ext))
            SetRegistryString(HKEY_CURRENT_USER, classes + ext, nullptr, typeId);
    }
}

BOOL CApp::OnCommand(UINT id, BOOL execute) {
    return DispatchCommand(this, kCommands, id, execute);
}

void CApp::OnFileNew() {
    if (CDocTemplate* docTemplate = FirstDocTemplate()) docTemplate->OpenDocumentFile(nullptr);
}

void CApp::OnFileOpen() {
    std::string filter;
    for (const auto& docTemplate : m_templates) {
        const std::string ext = docTemplate->GetDocString(CDocTemplate::filterExt);
        if (!ext.empty()) filter += docTemplate->GetDocString(CDocTemplate::filterName) + "|*" + ext + "|";
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

int RunApplication(CApp& app, HINSTANCE instance, std::vector<std::string> args, int showCommand) {
    app.m_hInstance = instance;
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

std::string LoadResourceString(UINT id) {
    char buffer[2048] = {};
    const int length =
        ::LoadStringA(CApp::Current() ? CApp::Current()->m_hInstance : nullptr, id, buffer, sizeof buffer);
    return std::string(buffer, length > 0 ? static_cast<std::size_t>(length) : 0);
}

int AppMessageBox(const std::string& text, UINT type) {
    CApp* app = CApp::Current();
    HWND owner = app && app->m_pMainWnd ? app->m_pMainWnd->m_hWnd : nullptr;
    if (owner && !::IsWindowVisible(owner)) owner = nullptr;
    std::string caption = LoadResourceString(IDS_APP_TITLE);
    if (caption.empty()) caption = "Tindral";
    if ((type & MB_ICONMASK) == 0) type |= MB_ICONEXCLAMATION;
    if (!owner) type |= MB_TASKMODAL;
    return ::MessageBoxA(owner, text.c_str(), caption.c_str(), type);
}

CFileDialog::CFileDialog(BOOL openFileDialog, const char* defaultExtension, const char* fileName, DWORD flags,
                         const char* filter, HWND owner)
    : m_bOpen(openFileDialog),
      m_defaultExtension(defaultExtension ? defaultExtension : ""),
      m_fileName(fileName ? fileName : ""),
      m_filter(filter ? filter : ""),
      m_nFlags(flags),
      m_hOwner(owner) {
    // The system wants the filter's parts separated by NULs, ending in two.
    for (char& c : m_filter)
        if (c == '|') c = '\0';
    m_filter.append(2, '\0');
}

INT_PTR CFileDialog::DoModal() {
    std::string buffer(MAX_PATH * 4, '\0');
    m_fileName.copy(&buffer[0], buffer.size() - 1);
    OPENFILENAMEA ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = m_hOwner;
    ofn.hInstance = CApp::Current()->m_hInstance;
    ofn.lpstrFilter = m_filter.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = &buffer[0];
    ofn.nMaxFile = static_cast<DWORD>(buffer.size());
    ofn.lpstrDefExt = m_defaultExtension.empty() ? nullptr : m_defaultExtension.c_str();
    ofn.Flags = m_nFlags | OFN_EXPLORER | OFN_NOCHANGEDIR;
    const BOOL ok = m_bOpen ? ::GetOpenFileNameA(&ofn) : ::GetSaveFileNameA(&ofn);
    if (!ok) return IDCANCEL;
    m_fileName = buffer.c_str();
    return IDOK;
}
