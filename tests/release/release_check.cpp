// Tries a release as a user would, under Wine: the installer run silently,
// the installed program started until it shows its first picture, the
// uninstaller taking everything away again; and the program of an unpacked
// zip started from its own folder. One step a run:
//   tindral_release_check install SETUP.exe VERSION
//   tindral_release_check uninstall
//   tindral_release_check portable FOLDER
// Exits 0 when every check held.
#include "win/framework/win32.h"

#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace {

int g_failures = 0;

void Check(bool condition, const std::string& what) {
    std::printf("%s: %s\n", condition ? "ok" : "FAIL", what.c_str());
    std::fflush(stdout);
    if (!condition) ++g_failures;
}

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs = 60000) {
    const ULONGLONG end = ::GetTickCount64() + timeoutMs;
    while (!condition()) {
        if (::GetTickCount64() > end) return false;
        ::Sleep(50);
    }
    return true;
}

bool Exists(const std::string& path) {
    return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Runs a command line in folder (or the current one), waiting for it when wait is set.
bool Run(const std::string& command, const char* folder, bool wait, PROCESS_INFORMATION* process,
         DWORD* exitCode = nullptr) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    std::string line = command;
    if (!::CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, folder, &startup, process))
        return false;
    if (!wait) return true;
    const bool ended = ::WaitForSingleObject(process->hProcess, 180000) == WAIT_OBJECT_0;
    if (exitCode) ::GetExitCodeProcess(process->hProcess, exitCode);
    ::CloseHandle(process->hThread);
    ::CloseHandle(process->hProcess);
    return ended;
}

// The program's uninstall entry, in whichever of the machine's or the
// user's lists and registry views it stands; empty when there is none.
std::string UninstallValue(const char* name) {
    const char* key = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tindral";
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
        for (DWORD view : {RRF_SUBKEY_WOW6464KEY, RRF_SUBKEY_WOW6432KEY}) {
            char buffer[1024] = {};
            DWORD size = sizeof buffer;
            if (::RegGetValueA(root, key, name, RRF_RT_REG_SZ | view, nullptr, buffer, &size) == ERROR_SUCCESS)
                return buffer;
        }
    }
    return "";
}

std::string StartMenuLink() {
    for (int folder : {CSIDL_COMMON_PROGRAMS, CSIDL_PROGRAMS}) {
        char path[MAX_PATH] = {};
        if (SUCCEEDED(::SHGetFolderPathA(nullptr, folder, nullptr, 0, path)) &&
            Exists(std::string(path) + "\\Tindral.lnk"))
            return std::string(path) + "\\Tindral.lnk";
    }
    return "";
}

struct Found {
    DWORD process;
    const char* caption;
    bool prefix;
    HWND window;
};
BOOL CALLBACK FindTopLevel(HWND window, LPARAM lParam) {
    auto* find = reinterpret_cast<Found*>(lParam);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    char text[256] = {};
    ::GetWindowTextA(window, text, sizeof text);
    const std::string title = text;
    if (owner == find->process && ::IsWindowVisible(window) &&
        (find->prefix ? title.rfind(find->caption, 0) == 0 : title == find->caption)) {
        find->window = window;
        return FALSE;
    }
    return TRUE;
}
HWND WindowOf(DWORD process, const char* caption, bool prefix = false) {
    Found find{process, caption, prefix, nullptr};
    ::EnumWindows(&FindTopLevel, reinterpret_cast<LPARAM>(&find));
    return find.window;
}

// Starts the program, agrees to the disclaimer, waits for its first picture
// and reads the picture's window off the screen, then closes the program.
void StartAndSeeTheFirstPicture(const std::string& exe, const std::string& where) {
    PROCESS_INFORMATION process{};
    const std::string folder = exe.substr(0, exe.find_last_of('\\'));
    if (!Run("\"" + exe + "\"", folder.c_str(), false, &process)) {
        Check(false, where + ": the program starts");
        return;
    }
    HWND disclaimer = nullptr;
    Check(WaitUntil([&] { return (disclaimer = WindowOf(process.dwProcessId, "Tindral Disclaimer")) != nullptr; }),
          where + ": the program starts with its disclaimer");
    if (disclaimer) ::PostMessageA(disclaimer, WM_COMMAND, IDOK, 0);
    HWND frame = nullptr;
    Check(WaitUntil([&] { return (frame = WindowOf(process.dwProcessId, "Tindral - Set1")) != nullptr; }),
          where + ": the main window shows the first picture, Set1");
    HWND client = frame ? ::FindWindowExA(frame, nullptr, "MDIClient", nullptr) : nullptr;
    HWND child = client ? ::GetWindow(client, GW_CHILD) : nullptr;
    HWND view = child ? ::GetWindow(child, GW_CHILD) : nullptr;
    // Read off the screen, as the user sees it, once it has been drawn.
    std::vector<COLORREF> seen;
    WaitUntil(
        [&] {
            seen.clear();
            RECT r{};
            if (!view || !::GetClientRect(view, &r)) return true;
            POINT origin{0, 0};
            ::ClientToScreen(view, &origin);
            HDC screen = ::GetDC(nullptr);
            for (int y = 0; y < r.bottom; y += 7)
                for (int x = 0; x < r.right; x += 7) {
                    const COLORREF c = ::GetPixel(screen, origin.x + x, origin.y + y);
                    if (seen.size() < 8 && std::find(seen.begin(), seen.end(), c) == seen.end()) seen.push_back(c);
                }
            ::ReleaseDC(nullptr, screen);
            return seen.size() >= 4;
        },
        10000);
    Check(seen.size() >= 4,
          where + ": the picture's window shows a picture (" + std::to_string(seen.size()) + " colours seen)");
    if (frame) ::PostMessageA(frame, WM_CLOSE, 0, 0);
    // Closing may ask whether to save the picture: no.
    const bool ended = WaitUntil([&] {
        if (HWND ask = WindowOf(process.dwProcessId, "Tindral"))
            if (::GetDlgItem(ask, IDNO)) ::PostMessageA(ask, WM_COMMAND, IDNO, 0);
        return ::WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0;
    });
    DWORD code = 1;
    ::GetExitCodeProcess(process.hProcess, &code);
    Check(ended && code == 0, where + ": the program ends when its window is closed");
    if (!ended) ::TerminateProcess(process.hProcess, 1);
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
}

void Install(const std::string& setup, const std::string& version) {
    PROCESS_INFORMATION process{};
    DWORD code = 1;
    Check(Run("\"" + setup + "\" /S", nullptr, true, &process, &code) && code == 0, "the installer runs silently");
    const std::string folder = UninstallValue("InstallLocation");
    Check(!folder.empty() && UninstallValue("DisplayName") == "Tindral" && UninstallValue("DisplayVersion") == version,
          "Tindral " + version + " is in the list of programs, installed in " + folder);
    for (const char* file : {"Tindral.exe", "tindral-render.exe", "README.md", "LICENSE.txt", "Uninstall.exe"})
        Check(Exists(folder + "\\" + file), std::string(file) + " is installed");
    Check(!StartMenuLink().empty(), "the Start menu has Tindral");
    if (!folder.empty()) StartAndSeeTheFirstPicture(folder + "\\Tindral.exe", "installed");
}

void Uninstall() {
    const std::string folder = UninstallValue("InstallLocation");
    const std::string command = UninstallValue("QuietUninstallString");
    PROCESS_INFORMATION process{};
    Check(!command.empty() && Run(command, nullptr, true, &process), "the uninstaller runs silently");
    // The uninstaller hands its work to a copy of itself and returns at once;
    // the copy removes the folder before the entry and the Start menu.
    Check(WaitUntil([&] { return !Exists(folder); }), "the program's folder is gone: " + folder);
    Check(WaitUntil([] { return UninstallValue("DisplayName").empty(); }), "Tindral is gone from the list of programs");
    Check(WaitUntil([] { return StartMenuLink().empty(); }), "Tindral is gone from the Start menu");
}

void Portable(const std::string& folder) {
    StartAndSeeTheFirstPicture(folder + "\\Tindral.exe", "unpacked");
    // The renderer, from a folder of its own, writes where it is asked to.
    char temp[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, temp);
    const std::string out = std::string(temp) + "tindral-release-check.png";
    ::DeleteFileA(out.c_str());
    PROCESS_INFORMATION process{};
    DWORD code = 1;
    Check(Run("\"" + folder + "\\tindral-render.exe\" \"" + out + "\"", temp, true, &process, &code) && code == 0 &&
              Exists(out),
          "the unpacked renderer writes a picture");
    ::DeleteFileA(out.c_str());
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 3 && args[0] == "install")
        Install(args[1], args[2]);
    else if (args.size() == 1 && args[0] == "uninstall")
        Uninstall();
    else if (args.size() == 2 && args[0] == "portable")
        Portable(args[1]);
    else {
        std::fprintf(stderr, "usage: tindral_release_check install SETUP VERSION | uninstall | portable FOLDER\n");
        return 2;
    }
    std::printf("release check: %d failed check(s)\n", g_failures);
    return g_failures == 0 ? 0 : 1;
}
