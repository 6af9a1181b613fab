// The driver's machinery: the application on the main thread, the scenario
// thread, a watchdog, and the helpers that reach into the user-interface
// thread and read windows.
#include "tests/gui/driver.h"

#include <atomic>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <thread>

#include "win/app/tindralapp.h"
#include "win/framework/window.h"
#include "win/ui/tindraldoc.h"

namespace gui {
namespace {

std::atomic<int> g_failures{0};
HWND g_pump = nullptr;
CTindralApp* g_app = nullptr;
constexpr UINT kRunOnUi = WM_APP + 1;

LRESULT CALLBACK PumpProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kRunOnUi) {
        (*reinterpret_cast<const std::function<void()>*>(lParam))();
        return 0;
    }
    return ::DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

void Check(bool condition, const std::string& what) {
    std::printf("%s: %s\n", condition ? "ok" : "FAIL", what.c_str());
    std::fflush(stdout);
    if (!condition) ++g_failures;
}

void CheckText(const std::string& actual, const std::string& expected, const std::string& what) {
    Check(actual == expected,
          what + " is \"" + actual + "\"" + (actual == expected ? "" : ", expected \"" + expected + "\""));
}

std::string Arg(const std::vector<std::string>& args, const std::string& key) {
    for (const std::string& arg : args)
        if (arg.size() > key.size() && arg.compare(0, key.size(), key) == 0 && arg[key.size()] == '=')
            return arg.substr(key.size() + 1);
    return std::string();
}

int Failures() {
    return g_failures;
}

void OnUi(const std::function<void()>& fn) {
    ::SendMessageA(g_pump, kRunOnUi, 0, reinterpret_cast<LPARAM>(&fn));
}

CTindralApp* App() {
    return g_app;
}

HWND MainFrame() {
    HWND frame = nullptr;
    OnUi([&] { frame = g_app->m_pMainWnd ? g_app->m_pMainWnd->m_hWnd : nullptr; });
    return frame;
}

bool WaitUntil(const std::function<bool()>& condition, int timeoutMs) {
    for (int waited = 0; waited < timeoutMs; waited += 20) {
        if (condition()) return true;
        ::Sleep(20);
    }
    return condition();
}

HWND WaitForDialog(const char* caption, int timeoutMs) {
    HWND found = nullptr;
    WaitUntil(
        [&] {
            // One that is closing may linger hidden: only a visible one counts.
            found = nullptr;
            while ((found = ::FindWindowExA(nullptr, found, "#32770", caption)) && !::IsWindowVisible(found)) continue;
            return found != nullptr;
        },
        timeoutMs);
    if (!found) Check(false, std::string("dialog \"") + caption + "\" appears");
    return found;
}

std::string DialogText(HWND dialog) {
    char text[4096] = {};
    ::GetDlgItemTextA(dialog, 0xFFFF, text, sizeof text);
    return text;
}

void ClickButton(HWND dialog, int id) {
    ::PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(dialog, id)));
}

void PostCommand(UINT id) {
    ::PostMessageA(MainFrame(), WM_COMMAND, id, 0);
}

void SendCommand(UINT id) {
    ::SendMessageA(MainFrame(), WM_COMMAND, id, 0);
}

bool PicturesComputing() {
    std::size_t computing = 0;
    OnUi([&] { computing = g_app->PicturesComputing(); });
    return computing > 0;
}

void Settle() {
    // Pictures compute beside the program: their windows are done once
    // their computations are.
    if (!WaitUntil([] { return !PicturesComputing(); }, 120000)) Check(false, "the pictures are computed in 2 min");
    // Two round trips through the queue with a pause between them: the loop
    // runs its idle update whenever the queue has emptied.
    OnUi([] {});
    ::Sleep(150);
    OnUi([] {});
}

HWND ActiveChild() {
    HWND child = nullptr;
    OnUi([&] {
        if (CMdiChild* active = g_app->m_pMainWnd->MDIGetActive()) child = active->m_hWnd;
    });
    return child;
}

HWND ViewOf(HWND child) {
    HWND view = nullptr;
    OnUi([&] {
        auto* frame = dynamic_cast<CMdiChild*>(CWindow::FromHandle(child));
        if (frame && frame->GetActiveView()) view = frame->GetActiveView()->m_hWnd;
    });
    return view;
}

CTindralDoc* DocumentOf(HWND child) {
    CTindralDoc* document = nullptr;
    OnUi([&] {
        auto* frame = dynamic_cast<CMdiChild*>(CWindow::FromHandle(child));
        if (frame) document = dynamic_cast<CTindralDoc*>(frame->GetActiveDocument());
    });
    return document;
}

std::vector<HWND> Children() {
    std::vector<HWND> children;
    OnUi([&] {
        HWND client = g_app->m_pMainWnd->MdiClient();
        for (HWND w = ::GetWindow(client, GW_CHILD); w; w = ::GetWindow(w, GW_HWNDNEXT))
            if (dynamic_cast<CMdiChild*>(CWindow::FromHandle(w))) children.push_back(w);
    });
    return children;
}

SIZE ClientSize(HWND window) {
    RECT r{};
    ::GetClientRect(window, &r);
    return SIZE{r.right, r.bottom};
}

std::string WindowText(HWND window) {
    char text[512] = {};
    ::GetWindowTextA(window, text, sizeof text);
    return text;
}

Capture CaptureClient(HWND window, bool repaint) {
    Capture capture;
    OnUi([&] {
        // A repainted window is read through its own context; as it is, from
        // the screen, so that what is seen is what is captured.
        if (repaint)
            ::RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        RECT r{};
        ::GetClientRect(window, &r);
        capture.width = r.right;
        capture.height = r.bottom;
        if (!repaint) ::MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&r), 2);
        BITMAPINFO info{};
        info.bmiHeader = BITMAPINFOHEADER{40, capture.width, -capture.height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        void* bits = nullptr;
        HWND source = repaint ? window : nullptr;
        HDC from = ::GetDC(source);
        HDC memory = ::CreateCompatibleDC(from);
        HBITMAP bitmap = ::CreateDIBSection(from, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        HGDIOBJ old = ::SelectObject(memory, bitmap);
        ::BitBlt(memory, 0, 0, capture.width, capture.height, from, r.left, r.top, SRCCOPY);
        ::GdiFlush();
        const auto* pixels = static_cast<const unsigned*>(bits);
        capture.pixels.assign(pixels, pixels + static_cast<std::size_t>(capture.width) * capture.height);
        for (unsigned& p : capture.pixels) p &= 0xFFFFFF;
        ::SelectObject(memory, old);
        ::DeleteObject(bitmap);
        ::DeleteDC(memory);
        ::ReleaseDC(source, from);
    });
    return capture;
}

void AgreeAndWaitForMainWindow() {
    HWND disclaimer = WaitForDialog("Tindral Disclaimer");
    if (disclaimer) ClickButton(disclaimer, IDOK);
    Check(WaitUntil([] { return MainFrame() && ::IsWindowVisible(MainFrame()); }), "the main window is shown");
    Settle();
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string WindowsPath(std::string path) {
    if (path.empty() || path[0] != '/') return path;
    for (char& c : path)
        if (c == '/') c = '\\';
    return "Z:" + path;
}

void ExpectMessageBox(const std::string& text) {
    HWND box = WaitForDialog("Tindral");
    if (!box) return;
    CheckText(DialogText(box), text, "the message box");
    ClickButton(box, IDOK);
    WaitUntil([box] { return !::IsWindow(box); });
}

std::string StatusText() {
    char text[256] = {};
    ::SendMessageA(::GetDlgItem(MainFrame(), ID_VIEW_STATUS_BAR), SB_GETTEXTA, 0, reinterpret_cast<LPARAM>(text));
    return text;
}

unsigned Rgb(const RGBQUAD& q) {
    return static_cast<unsigned>(q.rgbRed) << 16 | q.rgbGreen << 8 | q.rgbBlue;
}

void Drag(HWND view, POINT from, POINT to) {
    ::SendMessageA(view, WM_LBUTTONDOWN, MK_LBUTTON, MAKELONG(from.x, from.y));
    ::SendMessageA(view, WM_MOUSEMOVE, MK_LBUTTON, MAKELONG(to.x, to.y));
    ::SendMessageA(view, WM_LBUTTONUP, 0, MAKELONG(to.x, to.y));
    Settle();
}

void Activate(HWND child) {
    OnUi([&] { dynamic_cast<CMdiChild*>(CWindow::FromHandle(child))->MDIActivate(); });
}

HMENU OpenMenu(const char* name) {
    HMENU bar = ::GetMenu(MainFrame());
    for (int i = 0; i < ::GetMenuItemCount(bar); ++i) {
        char text[64] = {};
        ::GetMenuStringA(bar, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION);
        if (std::string(text) != name) continue;
        HMENU popup = ::GetSubMenu(bar, i);
        ::SendMessageA(MainFrame(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(popup), 0);
        return popup;
    }
    return nullptr;
}

int CheckTextsFit(HWND dialog) {
    int texts = 0;
    HDC dc = ::GetDC(dialog);
    ::SelectObject(dc, reinterpret_cast<HFONT>(::SendMessageA(dialog, WM_GETFONT, 0, 0)));
    for (HWND control = ::GetWindow(dialog, GW_CHILD); control; control = ::GetWindow(control, GW_HWNDNEXT)) {
        char kind[16] = {};
        ::GetClassNameA(control, kind, sizeof kind);
        if (lstrcmpiA(kind, "Static") != 0 || (::GetWindowLongA(control, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) continue;
        const std::string text = WindowText(control);
        RECT box{};
        ::GetClientRect(control, &box);
        RECT need = box;
        ::DrawTextA(dc, text.c_str(), -1, &need, DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS);
        Check(++texts && need.right <= box.right && need.bottom <= box.bottom, "\"" + text + "\" fits its place");
    }
    ::ReleaseDC(dialog, dc);
    return texts;
}

void ChooseFile(UINT command, const char* caption, const std::string& path) {
    PostCommand(command);
    HWND dialog = WaitForDialog(caption);
    if (!dialog) return;
    ::SetDlgItemTextA(dialog, 0x47C, WindowsPath(path).c_str());
    ClickButton(dialog, IDOK);
}

}  // namespace gui

namespace gui {

// The main window's scenarios keep a table of their own.
extern const ScenarioEntry kFrameScenarios[];
extern const std::size_t kFrameScenarioCount;

namespace {

const ScenarioEntry* FindScenario(const std::string& name) {
    for (std::size_t i = 0; i < kScenarioCount; ++i)
        if (name == kScenarios[i].name) return &kScenarios[i];
    for (std::size_t i = 0; i < kFrameScenarioCount; ++i)
        if (name == kFrameScenarios[i].name) return &kFrameScenarios[i];
    return nullptr;
}

// What the next scenario of a shared run starts from: one default picture in
// the Fire palette with automatic colours, as after start-up.
void Reset() {
    OnUi([] {
        while (CMdiChild* active = App()->m_pMainWnd->MDIGetActive()) active->MDIDestroy();
        App()->SetNextPicture(DefaultPictureParams());
        App()->m_bAutoColor = TRUE;
    });
    SendCommand(ID_PALETTE_FIRE);
    SendCommand(ID_FILE_NEW);
    Settle();
}

}  // namespace
}  // namespace gui

// SCENARIO[+SCENARIO...] [ARGS...]: scenarios joined by "+" share one start of
// the program, each from the state Reset leaves; the arguments go to all.
int main(int argc, char** argv) {
    if (argc < 2) {
        std::printf("usage: tindral_gui_tests SCENARIO[+SCENARIO...] [ARGS...]\n");
        return 2;
    }
    std::vector<const gui::ScenarioEntry*> scenarios;
    for (std::string names = argv[1]; !names.empty();) {
        const auto plus = names.find('+');
        const std::string name = names.substr(0, plus);
        names = plus == std::string::npos ? std::string() : names.substr(plus + 1);
        const gui::ScenarioEntry* entry = gui::FindScenario(name);
        if (!entry || (!scenarios.empty() && entry->ownStart)) {
            std::printf("unknown scenario %s, or one that needs a start of its own\n", name.c_str());
            return 2;
        }
        scenarios.push_back(entry);
    }
    const std::vector<std::string> args(argv + 2, argv + argc);
    std::vector<std::string> programArgs;
    if (scenarios.front()->firstArgumentForProgram) programArgs.push_back(gui::Arg(args, "open"));

    // A user who has chosen a viewer for .BMP files already: start-up must
    // offer the program without taking that choice away.
    HKEY key = nullptr;
    if (::RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Classes\\.BMP", 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                          nullptr) == ERROR_SUCCESS) {
        const char viewer[] = "UserChosenViewer";
        ::RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(viewer), sizeof viewer);
        ::RegCloseKey(key);
    }

    // The real application object, as Tindral.exe has it.
    CTindralApp app;
    gui::g_app = &app;
    HINSTANCE instance = ::GetModuleHandleA(nullptr);
    WNDCLASSA pumpClass{};
    pumpClass.lpfnWndProc = &gui::PumpProc;
    pumpClass.hInstance = instance;
    pumpClass.lpszClassName = "TindralTestPump";
    ::RegisterClassA(&pumpClass);
    gui::g_pump = ::CreateWindowExA(0, "TindralTestPump", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance, nullptr);

    // A scenario that hangs ends the process rather than the test run.
    std::thread([] {
        ::Sleep(240000);
        std::printf("FAIL: the scenarios did not finish within 240 s\n");
        std::fflush(stdout);
        ::ExitProcess(3);
    }).detach();

    int scenarioResult = 0;
    std::atomic<bool> finished{false};
    std::thread driver([&] {
        for (std::size_t i = 0; i < scenarios.size(); ++i) {
            std::printf("--- scenario %s\n", scenarios[i]->name);
            if (i > 0)
                gui::Reset();
            else if (!scenarios[i]->ownStart)
                gui::AgreeAndWaitForMainWindow();
            scenarioResult |= scenarios[i]->run(args);
        }
        // Scenarios that leave the program running end it like a user.
        if (HWND frame = gui::MainFrame()) ::PostMessageA(frame, WM_COMMAND, ID_APP_EXIT, 0);
        finished = true;
    });
    const int exitCode = RunApplication(app, instance, programArgs, SW_SHOWNORMAL);
    // The driver may still be asking this thread for something: keep
    // answering until it is done.
    while (!finished) {
        MSG msg;
        while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageA(&msg);
        ::Sleep(10);
    }
    driver.join();
    std::printf("program exit code %d, %d failed check(s)\n", exitCode, gui::Failures());
    return gui::Failures() == 0 && scenarioResult == 0 && exitCode == 0 ? 0 : 1;
}
