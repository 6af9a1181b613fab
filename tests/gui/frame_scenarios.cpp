// The main window's own behaviour, driven like a user: bars that come and go
// or move without leaving a trace, shrunk pictures in their own colours, the
// Window menu, the About box's text, Copy, and the recent files.
#include "tests/gui/driver.h"

#include <shlwapi.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <iterator>
#include <regex>
#include <set>
#include <tuple>

#include "core/engine/zoom.h"
#include "win/app/tindralapp.h"
#include "win/ui/mainframe.h"
#include "win/ui/tindraldoc.h"

namespace gui {
namespace {

// The items of a menu of the menu bar, as they show when it opens.
std::vector<std::string> MenuItems(const char* name) {
    HMENU popup = OpenMenu(name);
    char text[MAX_PATH + 8] = {};
    std::vector<std::string> items(static_cast<std::size_t>(popup ? ::GetMenuItemCount(popup) : 0));
    for (std::size_t j = 0; j < items.size(); ++j)
        items[j] = ::GetMenuStringA(popup, static_cast<UINT>(j), text, sizeof text, MF_BYPOSITION) ? text : "";
    return items;
}

RECT WindowRect(HWND window) {
    RECT r{};
    return ::GetWindowRect(window, &r), r;
}

LPARAM At(HWND window, POINT screen) {
    return ::ScreenToClient(window, &screen), MAKELPARAM(screen.x, screen.y);
}

// A drag as the mouse makes it: pressed on a window's caption or gripper
// (from, in screen coordinates), moved and let go at to.
void DragBar(HWND window, POINT from, POINT to) {
    ::SendMessageA(window, WM_NCLBUTTONDOWN, HTCAPTION, MAKELPARAM(from.x, from.y));
    ::SendMessageA(window, WM_MOUSEMOVE, MK_LBUTTON, At(window, POINT{(from.x + to.x) / 2, (from.y + to.y) / 2}));
    ::SendMessageA(window, WM_MOUSEMOVE, MK_LBUTTON, At(window, to));
    ::SendMessageA(window, WM_LBUTTONUP, 0, At(window, to));
    Settle();
}

// A click on the toolbar's Auto-color-assign button: the command must
// arrive, wherever the bar is.
void CheckButtonWorks(HWND bar, const std::string& where) {
    RECT r{};
    ::SendMessageA(bar, TB_GETRECT, ID_AUTO_COLOR_ASSIGN, reinterpret_cast<LPARAM>(&r));
    const LPARAM centre = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    BOOL before = FALSE, after = FALSE;
    OnUi([&] { before = App()->m_bAutoColor; });
    ::SendMessageA(bar, WM_LBUTTONDOWN, MK_LBUTTON, centre);
    ::SendMessageA(bar, WM_LBUTTONUP, 0, centre);
    ::SendMessageA(bar, WM_MOUSELEAVE, 0, 0);
    OnUi([&] { after = App()->m_bAutoColor; });
    Check(before != after, where + ": the toolbar's button sends its command");
}

// The bars off and on again, a maximise and restore, and the toolbar
// dragged to the left side, away into a window of its own and back to the
// top: its buttons work everywhere, the workspace makes room for it, and
// after each the window looks exactly as it did, without being told to
// repaint.
int Bars(const std::vector<std::string>&) {
    HWND frame = MainFrame();
    HWND bar = ::GetDlgItem(frame, ID_VIEW_TOOLBAR);
    HWND client = ::FindWindowExA(frame, nullptr, "MDIClient", nullptr);
    const Capture before = CaptureClient(frame, false);
    RECT area = WindowRect(client);
    const auto command = [](UINT id) { return [id] { SendCommand(id); }; };
    const auto system = [frame](UINT what) { return [=] { ::SendMessageA(frame, WM_SYSCOMMAND, what, 0); }; };
    const std::tuple<const char*, std::function<void()>, std::function<void()>> steps[] = {
        {"toolbar off and on", command(ID_VIEW_TOOLBAR), command(ID_VIEW_TOOLBAR)},
        {"status bar off and on", command(ID_VIEW_STATUS_BAR), command(ID_VIEW_STATUS_BAR)},
        {"maximise and restore", system(SC_MAXIMIZE), system(SC_RESTORE)},
    };
    for (const auto& [name, off, on] : steps) {
        off(), Settle(), on(), Settle();
        Check(CaptureClient(frame, false).pixels == before.pixels, std::string(name) + ": the window looks as it did");
    }

    RECT r = WindowRect(bar);
    DragBar(bar, POINT{r.left + 3, r.top + 5}, POINT{area.left + 4, (area.top + area.bottom) / 2});
    r = WindowRect(bar);
    RECT work = WindowRect(client);
    Check(::GetParent(bar) == frame && r.bottom - r.top > 3 * (r.right - r.left) && r.right == work.left,
          "dragged to the left side, the toolbar stands upright beside the workspace");
    CheckButtonWorks(bar, "docked on the left");

    DragBar(bar, POINT{r.left + 5, r.top + 3}, POINT{work.left + 150, work.top + 150});
    HWND floating = ::GetAncestor(bar, GA_ROOT);
    work = WindowRect(client);
    Check(floating != frame && (::GetWindowLongA(floating, GWL_EXSTYLE) & WS_EX_TOOLWINDOW) && work.left == area.left &&
              work.top < area.top,
          "dragged into the workspace, the toolbar floats in a small window and leaves it all to the pictures");
    CheckButtonWorks(bar, "floating");

    SendCommand(ID_VIEW_TOOLBAR);
    const bool hidden = !::IsWindowVisible(floating);
    SendCommand(ID_VIEW_TOOLBAR);
    Check(hidden && ::IsWindowVisible(floating), "View Toolbar hides and shows the floating toolbar");
    r = WindowRect(floating);
    DragBar(floating, POINT{r.left + 10, r.top + 4}, POINT{area.left + 100, area.top - 10});
    Check(::GetParent(bar) == frame && !::IsWindowVisible(floating), "dropped on the top, the toolbar docks there");
    Check(CaptureClient(frame, false).pixels == before.pixels,
          "after the toolbar's journey the window looks as it did");
    return 0;
}

// A 1600 x 1200 picture shown in 400 x 299 pixels: every pixel on the screen
// is a colour of the picture's table, none made up by merging neighbours.
int Shrink(const std::vector<std::string>&) {
    PictureParams params = DefaultPictureParams();
    params.width = 1600, params.height = 1200;
    OnUi([&] { App()->SetNextPicture(params); });
    SendCommand(ID_FILE_NEW);
    Settle();
    HWND child = ActiveChild();
    // Wholly inside the workspace, wherever the cascade put it.
    ::SetWindowPos(child, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    std::set<unsigned> table;
    OnUi([&] {
        const RGBQUAD* colors = DocumentOf(child)->Dib()->Info()->bmiColors;
        for (const RGBQUAD* q = colors; q < colors + 256; ++q)
            table.insert(static_cast<unsigned>(q->rgbRed) << 16 | q->rgbGreen << 8 | q->rgbBlue);
    });
    const Capture shot = CaptureClient(ViewOf(child));
    const auto outside =
        std::count_if(shot.pixels.begin(), shot.pixels.end(), [&](unsigned p) { return !table.count(p); });
    Check(shot.width == 400 && outside == 0,
          "400 pixels wide, the picture shows " + std::to_string(outside) + " pixels in colours outside its table");

    // Where the window runs past the workspace's edges, the workspace scrolls.
    HWND client = ::FindWindowExA(MainFrame(), nullptr, "MDIClient", nullptr);
    const auto scrollBars = [client] {
        Settle();
        // 1 across, 2 down, 3 both.
        return static_cast<int>((::GetWindowLongA(client, GWL_STYLE) & (WS_HSCROLL | WS_VSCROLL)) >> 20);
    };
    CheckEqual(scrollBars(), 0, "scroll bars of a workspace that shows all of its window");
    ::SetWindowPos(child, nullptr, 150, 150, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    CheckEqual(scrollBars(), 3, "scroll bars of a workspace its window runs past");
    ::SendMessageA(client, WM_HSCROLL, SB_BOTTOM, 0);
    ::SendMessageA(client, WM_VSCROLL, SB_BOTTOM, 0);
    Settle();
    RECT inside{}, window = WindowRect(child);
    ::GetClientRect(client, &inside);
    ::MapWindowPoints(client, nullptr, reinterpret_cast<POINT*>(&inside), 2);
    Check(window.right == inside.right && window.bottom == inside.bottom,
          "scrolled to its end, the workspace shows the window's far corner at its own (" +
              std::to_string(window.right - inside.right) + ", " + std::to_string(window.bottom - inside.bottom) + ")");
    return 0;
}

// Every open window is listed by its title in the Window menu, and the
// palette windows show an icon of their own.
int WindowMenu(const std::vector<std::string>&) {
    SendCommand(ID_FILE_NEW);
    SendCommand(ID_VIEW_PALETTE);
    std::string menu;
    for (const std::string& item : MenuItems("&Window")) menu += item + "|";
    std::set<LONG_PTR> icons;
    for (HWND child : Children()) {
        const std::string title = WindowText(child);
        Check(!title.empty() && menu.find(" " + title + "|") != std::string::npos, "the Window menu lists " + title);
        icons.insert(::GetClassLongPtrA(child, GCLP_HICON));
    }
    Check(Children().size() == 3 && icons.size() == 2 && !icons.count(0),
          "picture and palette windows each have an icon of their own");
    return 0;
}

// Each text of the About box fits its control at the dialog's font.
int About(const std::vector<std::string>&) {
    PostCommand(ID_APP_ABOUT);
    HWND dialog = WaitForDialog("About Tindral");
    if (!dialog) return 1;
    CheckEqual(CheckTextsFit(dialog), 3, "texts in the About box");
    ClickButton(dialog, IDOK);
    WaitUntil([dialog] { return !::IsWindow(dialog); });
    return 0;
}

// Ctrl+C puts the active picture on the clipboard as a bitmap that other
// programs paste: the picture's own header, colour table and pixels.
int Clipboard(const std::vector<std::string>&) {
    if (::OpenClipboard(nullptr)) ::EmptyClipboard(), ::CloseClipboard();
    for (const auto& [key, up] :
         {std::pair{VK_CONTROL, 0}, {'C', 0}, {'C', KEYEVENTF_KEYUP}, {VK_CONTROL, KEYEVENTF_KEYUP}})
        ::keybd_event(static_cast<BYTE>(key), 0, static_cast<DWORD>(up), 0);
    Check(WaitUntil([] { return ::IsClipboardFormatAvailable(CF_DIB) != FALSE; }, 5000),
          "Ctrl+C puts a bitmap on the clipboard");
    CTindralDoc* document = DocumentOf(ActiveChild());
    HGLOBAL block = ::OpenClipboard(nullptr) ? ::GetClipboardData(CF_DIB) : nullptr;
    const auto* pasted = block ? static_cast<const BYTE*>(::GlobalLock(block)) : nullptr;
    bool same = false;
    OnUi([&] {
        const CDIB& dib = *document->Dib();
        const std::size_t head = sizeof(BITMAPINFOHEADER) + HeaderColorCount(dib.Info()) * sizeof(RGBQUAD);
        same = pasted && ::GlobalSize(block) >= head + dib.PixelBytes() && !std::memcmp(pasted, dib.Info(), head) &&
               !std::memcmp(pasted + head, dib.Pixels(), dib.PixelBytes());
    });
    if (pasted) ::GlobalUnlock(block);
    ::CloseClipboard();
    Check(same, "the pasted bitmap's header, colour table and pixels are the picture's");
    return 0;
}

// The File menu's recent files as the user sees them: names, newest first,
// then perhaps older ones, then the separator above Exit.
void CheckRecentFiles(const std::vector<std::string>& names, const std::string& when) {
    std::string menu;
    for (const std::string& item : MenuItems("&File")) menu += item + "|";
    std::string pattern;
    for (std::size_t i = 0; i < names.size(); ++i)
        pattern += "&" + std::to_string(i + 1) + " [^|]*\\\\" + names[i] + "\\|";
    Check(std::regex_search(menu, std::regex(pattern + "(&\\d [^|]*\\|)*\\|E&xit\\|$")),
          when + ": the File menu is " + menu);
}

// rendered=: a bitmap to make copies of. Opens three of them, one of which
// then goes away; recent-files-again, in the next run, finds the list.
int RecentFiles(const std::vector<std::string>& args) {
    const std::string rendered = Arg(args, "rendered");
    const std::string folder = rendered.substr(0, rendered.find_last_of('/') + 1);
    for (const char* name : {"recent-a.bmp", "recent-gone.bmp", "recent-b.bmp"}) {
        ::CopyFileA(WindowsPath(rendered).c_str(), WindowsPath(folder + name).c_str(), FALSE);
        ChooseFile(ID_FILE_OPEN, "Open", folder + name);
        Check(WaitUntil([&] { return WindowText(ActiveChild()) == name; }), std::string(name) + " opens");
    }
    ::DeleteFileA(WindowsPath(folder + "recent-gone.bmp").c_str());
    CheckRecentFiles({"recent-b.bmp", "recent-gone.bmp", "recent-a.bmp"}, "after opening three files");
    return 0;
}

int RecentFilesAgain(const std::vector<std::string>&) {
    CheckRecentFiles({"recent-b.bmp", "recent-gone.bmp", "recent-a.bmp"}, "in the next run");
    PostCommand(ID_FILE_MRU_FILE2);
    HWND box = WaitForDialog("Tindral");
    if (!box) return 1;
    const std::string text = DialogText(box);
    Check(text.find("recent-gone.bmp") != std::string::npos && text.find("no longer exists") != std::string::npos,
          "choosing a file that is gone says so: " + text);
    ClickButton(box, IDOK);
    WaitUntil([box] { return !::IsWindow(box); });
    CheckRecentFiles({"recent-b.bmp", "recent-a.bmp"}, "after choosing a file that is gone");
    PostCommand(ID_FILE_MRU_FILE2);
    Check(WaitUntil([] { return WindowText(ActiveChild()) == "recent-a.bmp"; }), "choosing a recent file opens it");
    return 0;
}

// dpi=: the screen's expected dots per inch. The manifest's promises: the
// version 6 common controls, and at the system's dpi the bars and the dialogs
// grow with it while a picture's pixels stay one pixel each.
int Dpi(const std::vector<std::string>& args) {
    const int dpi = std::stoi(Arg(args, "dpi"));
    HDC screen = ::GetDC(nullptr);
    CheckEqual(::GetDeviceCaps(screen, LOGPIXELSX), dpi, "the screen's dpi as the program sees it");
    ::ReleaseDC(nullptr, screen);
    DLLVERSIONINFO version{};
    version.cbSize = sizeof version;
    HMODULE controls = ::GetModuleHandleA("comctl32.dll");
    char path[MAX_PATH] = {};
    ::GetModuleFileNameA(controls, path, MAX_PATH);
    auto getVersion =
        reinterpret_cast<DLLGETVERSIONPROC>(reinterpret_cast<void (*)()>(::GetProcAddress(controls, "DllGetVersion")));
    const HRESULT got = getVersion ? getVersion(&version) : E_FAIL;
    // Wine's version 6 answers 5 here; the side-by-side assembly it came from says 6.
    std::string name = path;
    std::transform(name.begin(), name.end(), name.begin(), [](char c) { return static_cast<char>(std::tolower(c)); });
    Check((SUCCEEDED(got) && version.dwMajorVersion >= 6) ||
              name.find("common-controls_6595b64144ccf1df_6.") != std::string::npos,
          std::string("the common controls of version 6 are loaded (") + path + ")");

    HWND frame = MainFrame();
    const LRESULT button = ::SendMessageA(::GetDlgItem(frame, ID_VIEW_TOOLBAR), TB_GETBUTTONSIZE, 0, 0);
    Check(LOWORD(button) >= ::MulDiv(16, dpi, 96) && HIWORD(button) >= ::MulDiv(15, dpi, 96),
          "the toolbar's buttons hold images scaled to the dpi (" + std::to_string(LOWORD(button)) + " x " +
              std::to_string(HIWORD(button)) + ")");
    const SIZE status = ClientSize(::GetDlgItem(frame, ID_VIEW_STATUS_BAR));
    Check(status.cy >= ::MulDiv(16, dpi, 96), "the status bar grows with the dpi (" + std::to_string(status.cy) + ")");

    // The picture window keeps the size the frame gives a picture, in pixels.
    HWND child = ActiveChild();
    const CTindralDoc* document = DocumentOf(child);
    PixelSize fitted{};
    OnUi([&] {
        const PixelSize limits = static_cast<const CExplorer*>(App())->ChildLimits();
        fitted = FitChildClient(document->Width(), document->Height(), limits.width, limits.height);
    });
    const SIZE view = ClientSize(ViewOf(child));
    Check(view.cx == fitted.width && view.cy == fitted.height,
          "the picture's window is as many pixels as at any dpi (" + std::to_string(view.cx) + " x " +
              std::to_string(view.cy) + ")");

    PostCommand(ID_APP_ABOUT);
    HWND about = WaitForDialog("About Tindral");
    if (!about) return 1;
    // 193 dialog units are some 290 pixels at 96 dpi.
    const SIZE box = ClientSize(about);
    Check(box.cx >= ::MulDiv(250, dpi, 96), "the About box grows with the dpi (" + std::to_string(box.cx) + ")");
    ClickButton(about, IDOK);
    WaitUntil([about] { return !::IsWindow(about); });
    return 0;
}

}  // namespace

// clang-format off
extern const ScenarioEntry kFrameScenarios[] = {
    {"dpi", &Dpi, false, false},
    {"bars", &Bars, false, false},
    {"shrink", &Shrink, false, false},
    {"window-menu", &WindowMenu, false, false},
    {"about", &About, false, false},
    {"clipboard", &Clipboard, false, false},
    {"recent-files", &RecentFiles, false, false},
    {"recent-files-again", &RecentFilesAgain, false, false},
};
// clang-format on
extern const std::size_t kFrameScenarioCount = std::size(kFrameScenarios);

}  // namespace gui
