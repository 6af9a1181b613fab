// The services the application sets up for every part of the framework.
#include "win/framework/services.h"

#include "win/framework/ids.h"

namespace {
AppHooks g_hooks;
}  // namespace

void SetAppHooks(AppHooks hooks) {
    g_hooks = std::move(hooks);
}

const AppHooks& Hooks() {
    return g_hooks;
}

HINSTANCE AppInstance() {
    return g_hooks.instance;
}

HWND AppMainWindow() {
    return g_hooks.mainWindow ? g_hooks.mainWindow() : nullptr;
}

std::string LoadResourceString(UINT id) {
    char buffer[2048] = {};
    const int length = ::LoadStringA(AppInstance(), id, buffer, sizeof buffer);
    return std::string(buffer, length > 0 ? static_cast<std::size_t>(length) : 0);
}

int AppMessageBox(const std::string& text, UINT type) {
    HWND owner = AppMainWindow();
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
    ofn.hInstance = AppInstance();
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
