// What a user does with the program and what it must show: start-up order,
// window sizes and titles, menus, saving, the palette commands, the palette
// window and its swatches.
#include "tests/gui/driver.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <tuple>

#include "core/engine/zoom.h"
#include "win/app/tindralapp.h"
#include "win/ui/tindraldoc.h"
#include "win/image/imagepalette.h"
#include "core/palettes/schemes.h"
#include "win/framework/window.h"
#include "win/image/dibwin32.h"
#include "win/ui/dialogs.h"
#include "win/ui/mainframe.h"
#include "win/ui/tindralview.h"

namespace gui {
namespace {

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// What a user would type into a file dialog for a file of the build tree.
std::string WindowsPath(std::string path) {
    if (path.empty() || path[0] != '/') return path;
    for (char& c : path)
        if (c == '/') c = '\\';
    return "Z:" + path;
}

// The submenu of the main window's menu bar whose title is name.
HMENU MenuBarPopup(const char* name) {
    HMENU bar = ::GetMenu(MainFrame());
    for (int i = 0; i < ::GetMenuItemCount(bar); ++i) {
        char text[64] = {};
        ::GetMenuStringA(bar, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION);
        if (std::string(text) == name) return ::GetSubMenu(bar, i);
    }
    return nullptr;
}

// Opens a menu the way the system does before it shows it, then reads
// whether the item can be chosen.
bool MenuItemEnabled(const char* popupName, UINT id) {
    HMENU popup = MenuBarPopup(popupName);
    if (!popup) return false;
    ::SendMessageA(MainFrame(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(popup), 0);
    const UINT state = ::GetMenuState(popup, id, MF_BYCOMMAND);
    return state != static_cast<UINT>(-1) && !(state & (MF_GRAYED | MF_DISABLED));
}

std::string MenuItemText(const char* popupName, UINT id) {
    char text[64] = {};
    if (HMENU popup = MenuBarPopup(popupName)) ::GetMenuStringA(popup, id, text, sizeof text, MF_BYCOMMAND);
    return text;
}

bool ToolbarButtonEnabled(UINT id) {
    HWND toolbar = ::GetDlgItem(MainFrame(), ID_VIEW_TOOLBAR);
    return ::SendMessageA(toolbar, TB_ISBUTTONENABLED, id, 0) != 0;
}

std::string FieldText(HWND dialog, int id) {
    char text[64] = {};
    ::GetDlgItemTextA(dialog, id, text, sizeof text);
    return text;
}

// Answers a message box that must say text.
void ExpectMessageBox(const std::string& text) {
    HWND box = WaitForDialog("Tindral");
    if (!box) return;
    CheckText(DialogText(box), text, "the message box");
    ClickButton(box, IDOK);
    WaitUntil([box] { return !::IsWindow(box); });
}

void SetImageSize(int width, int height) {
    PostCommand(ID_OPTIONS_PERFORMANCE);
    HWND dialog = WaitForDialog("Performance Parameters");
    if (!dialog) return;
    ::SetDlgItemTextA(dialog, IDC_IMAGE_WIDTH, std::to_string(width).c_str());
    ::SetDlgItemTextA(dialog, IDC_IMAGE_HEIGHT, std::to_string(height).c_str());
    ClickButton(dialog, IDOK);
    WaitUntil([dialog] { return !::IsWindow(dialog); });
}

unsigned Rgb(const RGBQUAD& q) {
    return static_cast<unsigned>(q.rgbRed) << 16 | q.rgbGreen << 8 | q.rgbBlue;
}
unsigned Rgb(const PALETTEENTRY& e) {
    return static_cast<unsigned>(e.peRed) << 16 | e.peGreen << 8 | e.peBlue;
}

std::vector<PALETTEENTRY> AppPaletteEntries() {
    std::vector<PALETTEENTRY> entries;
    OnUi([&] {
        CImagePalette* palette = App()->m_pPalette.get();
        if (!palette) return;
        entries.resize(static_cast<std::size_t>(palette->EntryCount()));
        ::GetPaletteEntries(palette->GetSafeHandle(), 0, static_cast<UINT>(entries.size()), entries.data());
    });
    return entries;
}

// Whether a picture's colour table holds the first 201 entries of colors.
bool TableMatches(CTindralDoc* document, const RGBQUAD* colors) {
    bool same = true;
    OnUi([&] {
        const BITMAPINFO* info = document->Dib() ? document->Dib()->Info() : nullptr;
        if (!info) {
            same = false;
            return;
        }
        for (int i = 0; i < kSchemeEntries; ++i) same = same && Rgb(info->bmiColors[i]) == Rgb(colors[i]);
    });
    return same;
}

// How many palette-change notices the picture views have received.
int s_viewNotices = 0;
HHOOK s_hook = nullptr;

LRESULT CALLBACK CountPaletteNotices(int code, WPARAM wParam, LPARAM lParam) {
    const auto* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && call->message == WM_PALETTECHANGED &&
        dynamic_cast<CTindralView*>(CWindow::FromHandle(call->hwnd)))
        ++s_viewNotices;
    return ::CallNextHookEx(s_hook, code, wParam, lParam);
}

// ------------------------------------------------------------ scenarios

int StartUp(const std::vector<std::string>&) {
    HWND disclaimer = WaitForDialog("Tindral Disclaimer");
    HWND frame = MainFrame();
    Check(frame != nullptr, "the main window exists while the disclaimer is up");
    Check(frame && !::IsWindowVisible(frame), "the main window is still hidden behind the disclaimer");
    Check(Children().empty(), "no picture is shown before the disclaimer is answered");
    if (!disclaimer) return 1;
    ClickButton(disclaimer, IDOK);
    Check(WaitUntil([] { return ::IsWindowVisible(MainFrame()); }), "after Agree the main window is shown");
    Settle();

    RECT outer{};
    ::GetWindowRect(frame, &outer);
    CheckEqual(outer.right - outer.left, 479L, "main window width");
    CheckEqual(outer.bottom - outer.top, 479L, "main window height");
    CheckText(WindowText(frame), "Tindral - Set1", "the main title");

    HWND child = ActiveChild();
    CheckText(WindowText(child), "Set1", "the first picture's title");
    CheckEqual(ClientSize(child).cx, 133L, "default picture window client width");
    CheckEqual(ClientSize(child).cy, 99L, "default picture window client height");
    CheckEqual(ClientSize(ViewOf(child)).cx, 133L, "the view fills the window");
    const LONG style = ::GetWindowLongA(child, GWL_STYLE);
    const LONG exStyle = ::GetWindowLongA(child, GWL_EXSTYLE);
    Check((style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX)) == 0, "picture windows cannot be resized");
    Check((exStyle & WS_EX_TOOLWINDOW) != 0, "picture windows have a small caption");
    CTindralDoc* document = DocumentOf(child);
    OnUi([&] {
        Check(document && document->Dib() && document->Dib()->ImageWidth() == 133 &&
                  document->Dib()->ImageHeight() == 100,
              "the first picture is 133 x 100");
    });

    // The set window's menu: items without a handler anywhere are disabled.
    Check(!MenuItemEnabled("&File", ID_FILE_SAVE_IMAGE), "Save Image is disabled");
    Check(MenuItemEnabled("&File", ID_FILE_NEW), "New is enabled");
    Check(MenuItemEnabled("&Palettes", ID_PALETTE_JUNGLE), "the palette commands are enabled");
    Check(MenuItemEnabled("&Options", ID_OPTIONS_REGION), "Region is enabled");
    CheckText(MenuItemText("&Help", ID_APP_ABOUT), "&About Tindral...", "the set window's About item");
    Check(ToolbarButtonEnabled(ID_FILE_SAVE), "the toolbar's Save is enabled with a picture open");

    SendCommand(ID_FILE_NEW);
    Settle();
    Check(::FindWindowA("#32770", "Tindral Disclaimer") == nullptr, "a second New shows no disclaimer");
    CheckText(WindowText(frame), "Tindral - Set2", "the main title after a second New");
    CheckEqual(Children().size(), std::size_t{2}, "two picture windows");

    // The palette window: a second window on the same document, with the
    // palette template's menu.
    SendCommand(ID_VIEW_PALETTE);
    Settle();
    HWND paletteWindow = ActiveChild();
    CheckText(WindowText(paletteWindow), "Set2:2", "the palette window's title");
    CheckEqual(ClientSize(paletteWindow).cx, 133L, "palette window client width");
    CheckEqual(ClientSize(paletteWindow).cy, 99L, "palette window client height");
    CheckText(MenuItemText("&Help", ID_APP_ABOUT), "&About Tindral...", "the palette window's About item");
    Check(!MenuItemEnabled("&File", ID_FILE_SAVE_PALETTE), "Save Palette is disabled");
    Check(MenuItemEnabled("&File", ID_FILE_LOAD_PALETTE), "Load Palette is enabled");

    // Auto-color-assign has no state of its own beyond the flag.
    BOOL before = FALSE;
    BOOL toggled = FALSE;
    OnUi([&] { before = App()->m_bAutoColor; });
    SendCommand(ID_AUTO_COLOR_ASSIGN);
    OnUi([&] { toggled = App()->m_bAutoColor; });
    SendCommand(ID_AUTO_COLOR_ASSIGN);
    BOOL after = FALSE;
    OnUi([&] { after = App()->m_bAutoColor; });
    Check(before == TRUE && toggled == FALSE && after == TRUE, "Auto-color-assign toggles and toggles back");

    // With every window closed: the frame's own menu, Save disabled, and
    // View Palette says "bad".
    OnUi([] {
        while (CMdiChild* active = App()->m_pMainWnd->MDIGetActive()) active->MDIDestroy();
    });
    Settle();
    CheckText(WindowText(frame), "Tindral", "the main title with no picture");
    Check(!MenuItemEnabled("&File", ID_FILE_SAVE), "Save is disabled with no picture");
    Check(!ToolbarButtonEnabled(ID_FILE_SAVE), "the toolbar's Save is disabled with no picture");
    CheckText(MenuItemText("&Help", ID_APP_ABOUT), "&About Tindral...", "the main menu's About item");
    PostCommand(ID_VIEW_PALETTE);
    ExpectMessageBox("bad");

    // Shell registration offers the type for .BMP and keeps the user's choice.
    char value[128] = {};
    LONG size = sizeof value;
    ::RegQueryValueA(HKEY_CURRENT_USER, "Software\\Classes\\.BMP", value, &size);
    CheckText(value, "UserChosenViewer", "the .BMP default after start-up");
    HKEY key = nullptr;
    const bool offered =
        ::RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Classes\\.BMP\\OpenWithProgids", 0, KEY_READ, &key) ==
            ERROR_SUCCESS &&
        ::RegQueryValueExA(key, "Tindral.Document", nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
    if (key) ::RegCloseKey(key);
    Check(offered, "Tindral.Document is offered for .BMP");
    return 0;
}

int Disagree(const std::vector<std::string>&) {
    HWND disclaimer = WaitForDialog("Tindral Disclaimer");
    HWND frame = MainFrame();
    Check(frame && !::IsWindowVisible(frame), "the main window is hidden while the disclaimer is up");
    if (!disclaimer || Failures() > 0) ::ExitProcess(4);
    std::printf("choosing Disagree: the process must now end with exit code 0\n");
    std::fflush(stdout);
    ClickButton(disclaimer, IDCANCEL);
    ::Sleep(20000);
    std::printf("FAIL: the program went on after Disagree\n");
    ::ExitProcess(5);
}

int Sizes(const std::vector<std::string>&) {
    PostCommand(ID_OPTIONS_PERFORMANCE);
    HWND dialog = WaitForDialog("Performance Parameters");
    if (!dialog) return 1;
    CheckText(FieldText(dialog, IDC_IMAGE_WIDTH), "133", "the width field");
    CheckText(FieldText(dialog, IDC_IMAGE_HEIGHT), "100", "the height field");
    CheckText(FieldText(dialog, IDC_ITERATIONS), "50", "the iterations field");
    CheckText(FieldText(dialog, IDC_NOISE), "0", "the noise field");
    CheckText(FieldText(dialog, IDC_EXPONENT), "2", "the exponent field");
    // A rejected value keeps the dialog open and never reaches the
    // parameters, even when the user then cancels.
    ::SetDlgItemTextA(dialog, IDC_IMAGE_WIDTH, "-1");
    ClickButton(dialog, IDOK);
    ExpectMessageBox("Please enter an integer between 0 and 1000000.");
    Check(::IsWindow(dialog) != FALSE, "the dialog stays open after a rejected value");
    ClickButton(dialog, IDCANCEL);
    WaitUntil([dialog] { return !::IsWindow(dialog); });
    LONG right = 0;
    OnUi([&] { right = App()->m_imageRect.right; });
    CheckEqual(right, 132L, "the width after a rejected value and Cancel");

    struct Case {
        int width, height;
        LONG clientWidth, clientHeight;
    };
    for (const Case& c : {Case{640, 480, 400, 299}, Case{320, 200, 320, 199}}) {
        SetImageSize(c.width, c.height);
        SendCommand(ID_FILE_NEW);
        Settle();
        HWND child = ActiveChild();
        const std::string name = std::to_string(c.width) + " x " + std::to_string(c.height);
        CheckEqual(ClientSize(child).cx, c.clientWidth, name + " picture window client width");
        CheckEqual(ClientSize(child).cy, c.clientHeight, name + " picture window client height");
        CTindralDoc* document = DocumentOf(child);
        int w = 0, h = 0;
        OnUi([&] {
            w = document->Dib()->ImageWidth();
            h = document->Dib()->ImageHeight();
        });
        Check(w == c.width && h == c.height, name + ": the picture has the size asked for");
    }
    // Sizes whose byte counts cannot be made: a message and no document.
    const std::size_t before = Children().size();
    SetImageSize(1000000, 1000000);
    PostCommand(ID_FILE_NEW);
    ExpectMessageBox("A picture of 1000000 x 1000000 pixels is too large to be made.");
    Settle();
    CheckEqual(Children().size(), before, "no window for a picture too large to make");
    return 0;
}

// rendered=: the file tindral-render wrote for the default picture; saved=: where to
// save the program's own.
int Save(const std::vector<std::string>& args) {
    const std::string rendered = Arg(args, "rendered");
    const std::string target = Arg(args, "saved");
    if (rendered.empty() || target.empty()) return 1;
    std::remove(target.c_str());
    PostCommand(ID_FILE_SAVE);
    HWND dialog = WaitForDialog("Save As");
    if (!dialog) return 1;
    ::SetDlgItemTextA(dialog, 0x47C, WindowsPath(target).c_str());
    ClickButton(dialog, IDOK);
    const std::string name = target.substr(target.find_last_of("\\/") + 1);
    Check(WaitUntil([&] { return WindowText(ActiveChild()) == name; }), "the picture takes the saved file's name");
    const std::string expected = ReadFile(rendered);
    const std::string saved = ReadFile(target);
    Check(!expected.empty() && saved == expected, "the saved file equals tindral-render's byte for byte");
    return 0;
}

// display=palette on a 256-colour display, where the system's own
// palette notices must do the recolouring.
int Schemes(const std::vector<std::string>& args) {
    const bool paletteDisplay = Arg(args, "display") == "palette";
    SendCommand(ID_FILE_NEW);
    Settle();
    const std::vector<HWND> children = Children();
    CheckEqual(children.size(), std::size_t{2}, "two pictures open");

    BOOL hasPalette = FALSE;
    OnUi([&] {
        hasPalette = App()->MainFrame()->DisplayHasPalette();
        s_hook = ::SetWindowsHookExA(WH_CALLWNDPROC, &CountPaletteNotices, nullptr, ::GetCurrentThreadId());
    });
    Check((hasPalette != FALSE) == paletteDisplay,
          paletteDisplay ? "the display has a system palette" : "the display has no system palette");

    struct Picture {
        CTindralDoc* document;
        const std::int32_t* counts;
        const BYTE* pixels;
        std::string bytes;
    };
    std::vector<Picture> pictures;
    for (HWND child : children) {
        CTindralDoc* document = DocumentOf(child);
        OnUi([&] {
            const std::size_t size = RowStride(document->Width()) * static_cast<std::size_t>(document->Height());
            pictures.push_back({document, document->Counts(), document->ImageBits(),
                                std::string(reinterpret_cast<const char*>(document->ImageBits()), size)});
        });
    }

    for (const auto& [command, scheme, name] :
         {std::tuple{ID_PALETTE_GRAY, Scheme::Gray, "Gray"}, std::tuple{ID_PALETTE_JUNGLE, Scheme::Jungle, "Jungle"}}) {
        s_viewNotices = 0;
        SendCommand(command);
        Settle();
        const ColorList colors = MakeScheme(scheme);
        int recoloured = 0;
        for (const Picture& p : pictures) {
            if (TableMatches(p.document, colors.data())) ++recoloured;
            bool unchanged = false;
            OnUi([&] {
                unchanged = p.document->Counts() == p.counts && p.document->ImageBits() == p.pixels &&
                            p.document->Dib()->Pixels() == p.pixels &&
                            std::string(reinterpret_cast<const char*>(p.pixels), p.bytes.size()) == p.bytes;
            });
            Check(unchanged, std::string(name) + ": a picture keeps its counts and pixels");
        }
        CheckEqual(recoloured, 2, std::string(name) + ": pictures whose colour table is the new palette's");
        Check(s_viewNotices >= 2, std::string(name) + ": every picture heard of the palette change");

        if (!paletteDisplay) {
            // On a true-colour display the screen shows exactly the table.
            HWND view = ViewOf(children[0]);
            const Capture shot = CaptureClient(view);
            std::set<unsigned> table;
            for (int i = 0; i < kSchemeEntries; ++i) table.insert(Rgb(colors[i]));
            int outside = 0;
            for (unsigned pixel : shot.pixels) outside += table.count(pixel) ? 0 : 1;
            // Shrinking 100 rows into 99 merges one pair of rows in the
            // context's default stretch mode; everything else is a table colour.
            Check(outside <= shot.width, std::string(name) + ": captured pixels in colours outside the palette: " +
                                             std::to_string(outside) + " of " + std::to_string(shot.pixels.size()));
            unsigned expected = 0;
            OnUi([&] {
                const CDIB& dib = *pictures[0].document->Dib();
                expected = Rgb(dib.Info()->bmiColors[*dib.PixelAddress(0, 0)]);
            });
            Check(shot.width > 0 && shot.At(0, 0) == expected, std::string(name) + ": the top-left pixel's colour");
        }
    }
    OnUi([] { ::UnhookWindowsHookEx(s_hook); });
    return 0;
}

// bitmap=: a bitmap written by another program, whose colour table becomes the
// palette.
int PaletteWindow(const std::vector<std::string>& args) {
    if (Arg(args, "bitmap").empty()) return 1;
    HWND setWindow = ActiveChild();
    SendCommand(ID_VIEW_PALETTE);
    Settle();
    HWND paletteWindow = ActiveChild();
    std::string title;
    OnUi([&] { title = DocumentOf(setWindow)->GetTitle(); });
    CheckText(WindowText(setWindow), title + ":1", "the picture window's title beside a palette window");

    // The swatch grid of the Fire palette: entry i fills row i / 16, column
    // i % 16; the lines between lie at W x c / 16 and H x r / 16.
    BOOL paletteDisplay = FALSE;
    OnUi([&] { paletteDisplay = App()->MainFrame()->DisplayHasPalette(); });
    auto checkSwatches = [&](const std::string& name) {
        // A 256-colour display shows the nearest system colours: only a
        // true-colour capture can be compared exactly.
        if (paletteDisplay) return;
        const std::vector<PALETTEENTRY> entries = AppPaletteEntries();
        const Capture shot = CaptureClient(ViewOf(paletteWindow));
        const int w = shot.width;
        const int h = shot.height;
        int wrongFill = 0, wrongLine = 0, wrongEmpty = 0;
        for (int i = 0; i < 256; ++i) {
            const int r = i / 16, c = i % 16;
            const int left = w * c / 16, right = w * (c + 1) / 16;
            const int top = h * r / 16, bottom = h * (r + 1) / 16;
            const unsigned fill = shot.At((left + right + 1) / 2, (top + bottom + 1) / 2);
            if (i < static_cast<int>(entries.size()))
                wrongFill += fill == Rgb(entries[static_cast<std::size_t>(i)]) ? 0 : 1;
            else
                wrongEmpty += fill == 0xFFFFFF ? 0 : 1;
            if (i < static_cast<int>(entries.size()) && c > 0)
                wrongLine += shot.At(left, (top + bottom + 1) / 2) == 0 ? 0 : 1;
        }
        CheckEqual(wrongFill, 0, name + ": swatches not filled with their palette entry");
        CheckEqual(wrongLine, 0, name + ": grid lines not at W x c / 16");
        CheckEqual(wrongEmpty, 0, name + ": cells past the palette that are not left blank");
    };
    checkSwatches("Fire");

    PostCommand(ID_FILE_LOAD_PALETTE);
    HWND open = WaitForDialog("Open");
    if (open) ClickButton(open, IDCANCEL);
    ExpectMessageBox("Unable to load the DIB");

    // A picture without a colour table gives no palette, and says why.
    PostCommand(ID_FILE_LOAD_PALETTE);
    open = WaitForDialog("Open");
    if (!open) return 1;
    ::SetDlgItemTextA(open, 0x47C, WindowsPath(Arg(args, "truecolour")).c_str());
    ClickButton(open, IDOK);
    ExpectMessageBox("This picture gives no palette: a 24-bit picture has no colour table.");
    CheckEqual(AppPaletteEntries().size(), std::size_t{201}, "palette entries after a refused load");

    PostCommand(ID_FILE_LOAD_PALETTE);
    open = WaitForDialog("Open");
    if (!open) return 1;
    ::SetDlgItemTextA(open, 0x47C, WindowsPath(Arg(args, "bitmap")).c_str());
    ClickButton(open, IDOK);
    WaitUntil([open] { return !::IsWindow(open); });
    Settle();
    const std::vector<PALETTEENTRY> entries = AppPaletteEntries();
    CheckEqual(entries.size(), std::size_t{16}, "entries of the palette taken from the bitmap");
    const unsigned expected[4] = {0xFF4500, 0x32CD32, 0xFFD700, 0x1E90FF};
    for (std::size_t i = 0; i < 4 && i < entries.size(); ++i)
        CheckEqual(Rgb(entries[i]), expected[i], "palette entry " + std::to_string(i) + " from the bitmap");
    CTindralDoc* document = DocumentOf(setWindow);
    bool recoloured = false;
    OnUi([&] {
        const RGBQUAD* table = document->Dib()->Info()->bmiColors;
        recoloured = Rgb(table[0]) == expected[0] && Rgb(table[3]) == expected[3] && Rgb(table[16]) == Rgb(table[1]) &&
                     Rgb(table[200]) == Rgb(table[5]) && Rgb(table[201]) == 0;
    });
    Check(recoloured, "the open picture takes the loaded palette, its band colours repeated past its end");
    checkSwatches("loaded");
    return 0;
}

int Zoom(const std::vector<std::string>&) {
    HWND first = ActiveChild();
    HWND view = ViewOf(first);
    auto at = [](int x, int y) { return static_cast<LPARAM>(MAKELONG(x, y)); };
    ::SendMessageA(view, WM_LBUTTONDOWN, MK_LBUTTON, at(10, 10));
    HWND captured = nullptr;
    OnUi([&] { captured = ::GetCapture(); });
    Check(captured == view, "the view holds the mouse during a drag");
    // 40 right and 10 down from the anchor is too wide for 133 x 100: the
    // band becomes 13 x 10.
    ::SendMessageA(view, WM_MOUSEMOVE, MK_LBUTTON, at(50, 20));
    int endX = 0, endY = 0;
    OnUi([&] {
        auto* tindralView = dynamic_cast<CTindralView*>(CWindow::FromHandle(view));
        endX = tindralView->m_nEndX;
        endY = tindralView->m_nEndY;
    });
    Check(endX == 23 && endY == 20,
          "the band keeps the picture's proportions (end " + std::to_string(endX) + ", " + std::to_string(endY) + ")");
    ::SendMessageA(view, WM_LBUTTONUP, 0, at(50, 20));
    OnUi([&] { captured = ::GetCapture(); });
    Check(captured == nullptr, "the drag lets the mouse go");
    Settle();

    HWND second = ActiveChild();
    Check(second != first && Children().size() == 2, "the selection opens in a new window");
    // The region of the band as drawn: the mapping itself is checked against
    // worked figures in the unit tests.
    const SearchRect expected = ZoomedRegion(kDefaultSearchRect, {133, 99}, 132, 99, {10, 10}, {23, 20});
    SearchRect zoomed{};
    CTindralDoc* document = DocumentOf(second);
    OnUi([&] { zoomed = document->m_searchRect; });
    Check(std::memcmp(&zoomed, &expected, sizeof zoomed) == 0,
          "the new picture covers the selection, with the parameters' proportions");

    // Activating the older picture makes its region the current one again.
    OnUi([&] { dynamic_cast<CMdiChild*>(CWindow::FromHandle(first))->MDIActivate(); });
    SearchRect current{};
    OnUi([&] { current = App()->m_searchRect; });
    Check(std::memcmp(&current, &kDefaultSearchRect, sizeof current) == 0,
          "activating the first picture brings its region back");
    return 0;
}

// open=: a picture tindral-render saved, given on the program's command
// line; plain=: where to write a bitmap that carries no record.
int OpenFile(const std::vector<std::string>& args) {
    const std::string opened = Arg(args, "open");
    const std::string plain = Arg(args, "plain");
    if (opened.empty() || plain.empty()) return 1;
    const std::string bytes = ReadFile(opened);
    // Opening a saved picture computes it again, so the disclaimer comes first.
    AgreeAndWaitForMainWindow();
    HWND child = ActiveChild();
    CheckText(WindowText(child), opened.substr(opened.find_last_of("\\/") + 1), "the opened picture's title");
    CTindralDoc* document = DocumentOf(child);
    bool remade = false;
    unsigned topLeft = 0;
    OnUi([&] {
        remade = document && !document->IsPlainBitmap() && document->Counts() &&
                 std::memcmp(&document->m_searchRect, &kDefaultSearchRect, sizeof kDefaultSearchRect) == 0;
        if (remade) topLeft = Rgb(document->Dib()->Info()->bmiColors[*document->Dib()->PixelAddress(0, 0)]);
    });
    Check(remade, "a saved picture opens as a picture of its region, made again");
    const Capture shot = CaptureClient(ViewOf(child));
    Check(shot.width > 0 && shot.At(0, 0) == topLeft, "the opened picture's pixels are on the screen");
    SendCommand(ID_FILE_SAVE);
    Check(ReadFile(opened) == bytes, "Save leaves the opened file byte for byte as it was");
    const std::size_t before = Children().size();
    ::SendMessageA(ViewOf(child), WM_LBUTTONDOWN, MK_LBUTTON, MAKELONG(10, 10));
    ::SendMessageA(ViewOf(child), WM_MOUSEMOVE, MK_LBUTTON, MAKELONG(50, 20));
    ::SendMessageA(ViewOf(child), WM_LBUTTONUP, 0, MAKELONG(50, 20));
    Settle();
    CheckEqual(Children().size(), before + 1, "windows after a zoom into the opened picture");

    // A bitmap without a record, as another program writes one: shown as
    // it is, and a zoom into it is refused.
    CDIB other;
    other.CreateBlank(64, 48);
    for (int x = 0; x < 64; ++x) *other.PixelAddress(x, 0) = 7;
    other.Info()->bmiColors[7] = RGBQUAD{10, 30, 200, 0};
    {
        CFile file;
        Check(file.Open(plain.c_str(), CFile::modeCreate | CFile::modeWrite) && other.WriteToFile(&file),
              "a plain bitmap is written for the test");
    }
    PostCommand(ID_FILE_OPEN);
    HWND open = WaitForDialog("Open");
    if (!open) return 1;
    ::SetDlgItemTextA(open, 0x47C, WindowsPath(plain).c_str());
    ClickButton(open, IDOK);
    Check(WaitUntil([&] { return WindowText(ActiveChild()) == plain.substr(plain.find_last_of("\\/") + 1); }),
          "the plain bitmap opens in a window of its own");
    HWND plainView = ViewOf(ActiveChild());
    const Capture plainShot = CaptureClient(plainView);
    Check(plainShot.width > 0 && plainShot.At(0, 0) == 0xC81E0A, "the plain bitmap's own pixels and colours are shown");
    ::SendMessageA(plainView, WM_LBUTTONDOWN, MK_LBUTTON, MAKELONG(5, 5));
    ::SendMessageA(plainView, WM_MOUSEMOVE, MK_LBUTTON, MAKELONG(40, 30));
    ::PostMessageA(plainView, WM_LBUTTONUP, 0, MAKELONG(40, 30));
    ExpectMessageBox("This picture was not made by Tindral: it has no region to magnify.");

    // F1 shows our own help rather than an error.
    PostCommand(ID_HELP);
    HWND help = WaitForDialog("Tindral");
    if (help) {
        Check(DialogText(help).rfind("Tindral draws the Mandelbrot set", 0) == 0, "F1 shows the program's help");
        ClickButton(help, IDOK);
        WaitUntil([help] { return !::IsWindow(help); });
    }
    return 0;
}

int Region(const std::vector<std::string>&) {
    PostCommand(ID_OPTIONS_REGION);
    HWND dialog = WaitForDialog("Search Rectangle");
    if (!dialog) return 1;
    CheckText(FieldText(dialog, IDC_UPPER_LEFT_REAL), "-2.416667", "the upper-left real field");
    CheckText(FieldText(dialog, IDC_UPPER_LEFT_IMAG), "1.25", "the upper-left imaginary field");
    CheckText(FieldText(dialog, IDC_LOWER_RIGHT_REAL), "0.916667", "the lower-right real field");
    CheckText(FieldText(dialog, IDC_LOWER_RIGHT_IMAG), "-1.25", "the lower-right imaginary field");
    ::SetDlgItemTextA(dialog, IDC_UPPER_LEFT_REAL, "5.5");
    ClickButton(dialog, IDOK);
    ExpectMessageBox("Please enter a number between -5 and 5.");
    ::SetDlgItemTextA(dialog, IDC_UPPER_LEFT_REAL, "-2");
    ::SetDlgItemTextA(dialog, IDC_LOWER_RIGHT_IMAG, "not a number");
    ClickButton(dialog, IDOK);
    ExpectMessageBox("Please enter a number.");
    ::SetDlgItemTextA(dialog, IDC_LOWER_RIGHT_IMAG, "-0.5");
    ClickButton(dialog, IDOK);
    WaitUntil([dialog] { return !::IsWindow(dialog); });
    SearchRect rect{};
    OnUi([&] { rect = App()->m_searchRect; });
    Check(rect.upperLeft.re == -2.0 && rect.lowerRight.im == -0.5 && rect.upperLeft.im == 1.25,
          "OK stores the checked corners");
    // The open picture keeps its own region; the next one takes the new one.
    SendCommand(ID_FILE_NEW);
    Settle();
    SearchRect made{};
    CTindralDoc* document = DocumentOf(ActiveChild());
    OnUi([&] { made = document->m_searchRect; });
    Check(made.upperLeft.re == -2.0 && made.lowerRight.im == -0.5, "the next picture covers the new region");
    return 0;
}

// screen=: where to write a picture of the whole screen with the program in
// use, for looking at by eye: two pictures, one zoomed, and the palette.
int Showcase(const std::vector<std::string>& args) {
    if (Arg(args, "screen").empty()) return 1;
    HWND view = ViewOf(ActiveChild());
    auto at = [](int x, int y) { return static_cast<LPARAM>(MAKELONG(x, y)); };
    ::SendMessageA(view, WM_LBUTTONDOWN, MK_LBUTTON, at(60, 30));
    ::SendMessageA(view, WM_MOUSEMOVE, MK_LBUTTON, at(100, 60));
    ::SendMessageA(view, WM_LBUTTONUP, 0, at(100, 60));
    SendCommand(ID_PALETTE_JUNGLE);
    SendCommand(ID_VIEW_PALETTE);
    Settle();
    const Capture screen = CaptureClient(::GetDesktopWindow());
    const std::uint32_t imageBytes = static_cast<std::uint32_t>(screen.pixels.size() * 4);
    BITMAPFILEHEADER file{0x4D42, 54 + imageBytes, 0, 0, 54};
    BITMAPINFOHEADER info{40, screen.width, -screen.height, 1, 32, BI_RGB, imageBytes, 0, 0, 0, 0};
    std::ofstream out(Arg(args, "screen"), std::ios::binary);
    out.write(reinterpret_cast<const char*>(&file), sizeof file);
    out.write(reinterpret_cast<const char*>(&info), sizeof info);
    out.write(reinterpret_cast<const char*>(screen.pixels.data()), imageBytes);
    Check(out.good(), "the screen picture is written to " + Arg(args, "screen"));
    return 0;
}

// The image store's Windows side on bitmaps made here: 1:1 drawing,
// matching to a palette, and a bitmap file kept as a resource.
int Drawing(const std::vector<std::string>&) {
    // A 5 x 3 picture whose pixel (x, y) has index 10 * y + x, each index a
    // colour of its own, drawn at (7, 4) into a 32-bit memory bitmap.
    CDIB dib;
    dib.CreateBlank(5, 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) *dib.PixelAddress(x, y) = static_cast<BYTE>(10 * y + x);
    for (int i = 0; i < 256; ++i) dib.Info()->bmiColors[i] = RGBQUAD{static_cast<BYTE>(i), 0, static_cast<BYTE>(255 - i), 0};
    int wrong = 0;
    OnUi([&] {
        BITMAPINFO info{};
        info.bmiHeader = BITMAPINFOHEADER{40, 16, -8, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        void* bits = nullptr;
        HDC screen = ::GetDC(nullptr);
        HDC memory = ::CreateCompatibleDC(screen);
        HBITMAP bitmap = ::CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        HGDIOBJ old = ::SelectObject(memory, bitmap);
        CDC dc(memory);
        DrawAt(dib, dc, 7, 4);
        ::GdiFlush();
        const auto* pixels = static_cast<const unsigned*>(bits);
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 5; ++x) {
                const unsigned index = static_cast<unsigned>(10 * y + x);
                wrong += (pixels[(4 + y) * 16 + 7 + x] & 0xFFFFFF) == ((255 - index) << 16 | index) ? 0 : 1;
            }
        ::SelectObject(memory, old);
        ::DeleteObject(bitmap);
        ::DeleteDC(memory);
        ::ReleaseDC(nullptr, screen);
    });
    CheckEqual(wrong, 0, "pixels drawn 1:1 at a wrong place or in a wrong colour");

    // Matching to a palette of blue and red: every pixel takes the index of
    // the nearer one (low indices are red here), and the table becomes the
    // palette's.
    *dib.PixelAddress(1, 0) = 200;
    CImagePalette palette;
    palette.CreateFromEntries({PALETTEENTRY{0, 0, 255, 0}, PALETTEENTRY{255, 0, 0, 0}});
    Check(MatchToPalette(dib, &palette) != FALSE, "a bitmap matches a palette");
    Check(*dib.PixelAddress(0, 0) == 1 && *dib.PixelAddress(4, 2) == 1 && *dib.PixelAddress(1, 0) == 0,
          "each pixel takes the nearer palette entry");
    Check(dib.Info()->bmiColors[0].rgbBlue == 255 && dib.Info()->bmiColors[1].rgbRed == 255,
          "the colour table becomes the palette's");

    // The resource holds Netpbm's 6 x 5 "F", whose top-left pixel is
    // (200, 30, 10) and bottom-right one table entry 0.
    CDIB resource;
    Check(LoadFromResource(resource, 900) != FALSE, "a bitmap file kept as a resource loads");
    const BYTE* topLeft = resource.PixelAddress(0, 0);
    const BYTE* bottomRight = resource.PixelAddress(5, 4);
    Check(resource.ImageWidth() == 6 && topLeft && bottomRight && *bottomRight == 0 &&
              Rgb(resource.Info()->bmiColors[*topLeft]) == 0xC81E0A,
          "the resource's pixels and colour table are where the file has them");
    Check(LoadFromResource(resource, 901) == FALSE, "a missing resource is refused");
    return 0;
}

// Drags in a view: anchor, then the pointer's positions, then release.
void Drag(HWND view, POINT from, POINT to) {
    auto at = [](POINT p) { return static_cast<LPARAM>(MAKELONG(p.x, p.y)); };
    ::SendMessageA(view, WM_LBUTTONDOWN, MK_LBUTTON, at(from));
    ::SendMessageA(view, WM_MOUSEMOVE, MK_LBUTTON, at(to));
    ::SendMessageA(view, WM_LBUTTONUP, 0, at(to));
    Settle();
}

std::string StatusText() {
    char text[256] = {};
    ::SendMessageA(::GetDlgItem(MainFrame(), ID_VIEW_STATUS_BAR), SB_GETTEXTA, 0, reinterpret_cast<LPARAM>(text));
    return text;
}

// What a user exploring finds: clicks that select nothing, bands in every
// direction, the point under the mouse, a palette shorter than the bands, a
// dialog that keeps exact values, the limit of precision, and a long
// computation that can be stopped.
int Explore(const std::vector<std::string>&) {
    HWND first = ActiveChild();
    HWND view = ViewOf(first);
    Drag(view, {30, 30}, {80, 60});
    const std::size_t afterDrag = Children().size();
    OnUi([&] { dynamic_cast<CMdiChild*>(CWindow::FromHandle(first))->MDIActivate(); });
    Drag(view, {40, 40}, {41, 41});
    CheckEqual(Children().size(), afterDrag, "windows after a click that barely moves, following a drag");

    // Each way a band can be drawn zooms to where it was drawn.
    for (const auto& [from, to, name] : {std::tuple{POINT{10, 10}, POINT{50, 20}, "down and right"},
                                         std::tuple{POINT{90, 60}, POINT{50, 50}, "up and left"},
                                         std::tuple{POINT{20, 70}, POINT{60, 60}, "up and right"},
                                         std::tuple{POINT{100, 20}, POINT{60, 30}, "down and left"}}) {
        OnUi([&] { dynamic_cast<CMdiChild*>(CWindow::FromHandle(first))->MDIActivate(); });
        const std::size_t before = Children().size();
        Drag(view, from, to);
        int endX = 0, endY = 0;
        OnUi([&] {
            auto* tindralView = dynamic_cast<CTindralView*>(CWindow::FromHandle(view));
            endX = tindralView->m_nEndX;
            endY = tindralView->m_nEndY;
        });
        const SearchRect expected = ZoomedRegion(kDefaultSearchRect, {133, 99}, 132, 99, {from.x, from.y}, {endX, endY});
        SearchRect zoomed{};
        CTindralDoc* document = DocumentOf(ActiveChild());
        OnUi([&] { zoomed = document->m_searchRect; });
        Check(Children().size() == before + 1 && std::memcmp(&zoomed, &expected, sizeof zoomed) == 0 &&
                  (endX - from.x) * (to.x - from.x) > 0 && (endY - from.y) * (to.y - from.y) > 0,
              std::string("a band drawn ") + name + " grows toward the pointer and is the new region");
    }

    // The top-left pixel of the default picture: its coordinate to the
    // decimals its spacing of 0.025 needs, and its count.
    OnUi([&] { dynamic_cast<CMdiChild*>(CWindow::FromHandle(first))->MDIActivate(); });
    ::SendMessageA(view, WM_MOUSEMOVE, 0, 0);
    std::int32_t count = -1;
    CTindralDoc* document = DocumentOf(first);
    OnUi([&] { count = document->Counts()[99 * 133]; });
    CheckText(StatusText(), "-2.417 + 1.225i: " + std::to_string(count) + " iterations", "the status bar over a pixel");
    ::SendMessageA(view, WM_MOUSELEAVE, 0, 0);
    CheckText(StatusText(), LoadResourceString(IDS_IDLE_MESSAGE), "the status bar once the pointer has left");

    // A 64-colour palette: every band has a colour of it, none is black.
    CDIB bitmap;
    bitmap.CreateBlank(8, 8);
    bitmap.Info()->bmiHeader.biClrUsed = 64;
    for (int i = 0; i < 64; ++i) bitmap.Info()->bmiColors[i] = RGBQUAD{static_cast<BYTE>(4 * i + 3), 200, 40, 0};
    int black = 0;
    OnUi([&] {
        App()->SetPaletteFromDIB(bitmap);
        const RGBQUAD* table = document->Dib()->Info()->bmiColors;
        for (int i = 0; i < 201; ++i) black += Rgb(table[i]) == 0 ? 1 : 0;
    });
    CheckEqual(black, 0, "black bands with a 64-colour palette");

    // OK without an edit keeps a deep region bit for bit; a region past the
    // precision of doubles is refused.
    const SearchRect deep{{-0.743643887037151, 0.131825904205330}, {-0.743643887036151, 0.131825904204580}};
    OnUi([&] {
        PictureParams params = App()->NextPicture();
        params.rect = deep;
        App()->SetNextPicture(params);
    });
    PostCommand(ID_OPTIONS_REGION);
    HWND dialog = WaitForDialog("Search Rectangle");
    if (!dialog) return 1;
    ClickButton(dialog, IDOK);
    WaitUntil([dialog] { return !::IsWindow(dialog); });
    SearchRect kept{};
    OnUi([&] { kept = App()->m_searchRect; });
    Check(std::memcmp(&kept, &deep, sizeof kept) == 0, "OK without an edit keeps the region bit for bit");
    PostCommand(ID_OPTIONS_REGION);
    dialog = WaitForDialog("Search Rectangle");
    if (!dialog) return 1;
    ::SetDlgItemTextA(dialog, IDC_LOWER_RIGHT_REAL, "-0.743643887037150");
    ClickButton(dialog, IDOK);
    ExpectMessageBox(kPrecisionLimit);
    OnUi([&] { kept = App()->m_searchRect; });
    Check(std::memcmp(&kept, &deep, sizeof kept) == 0, "a region past the limit of precision is not taken");

    // A long computation keeps the program awake, and Escape stops it.
    OnUi([] {
        PictureParams params = DefaultPictureParams();
        params.width = 1600;
        params.height = 1200;
        params.iterations = 1000000;
        params.rect = SearchRect{{-0.2, 0.1}, {0.1, -0.125}};
        App()->SetNextPicture(params);
    });
    const std::size_t before = Children().size();
    PostCommand(ID_FILE_NEW);
    Check(WaitUntil([] { return StatusText().rfind("Computing the picture", 0) == 0; }),
          "the status bar shows the computation");
    DWORD_PTR answer = 0;
    Check(::SendMessageTimeoutA(MainFrame(), WM_NULL, 0, 0, SMTO_BLOCK, 1000, &answer) != 0,
          "the main window answers within a second while a picture is computed");
    ::PostMessageA(MainFrame(), WM_KEYDOWN, VK_ESCAPE, 0);
    Check(WaitUntil([] { return StatusText() == "The picture was stopped."; }), "Escape stops the computation");
    CheckEqual(Children().size(), before, "windows after a stopped picture");
    return 0;
}

}  // namespace

// clang-format off
const ScenarioEntry kScenarios[] = {
    {"startup", &StartUp, false, true},
    {"disagree", &Disagree, false, true},
    {"sizes", &Sizes, false, false},
    {"region", &Region, false, false},
    {"save", &Save, false, false},
    {"schemes", &Schemes, false, false},
    {"palette-window", &PaletteWindow, false, false},
    {"zoom", &Zoom, false, false},
    {"open-file", &OpenFile, true, true},
    {"showcase", &Showcase, false, false},
    {"drawing", &Drawing, false, false},
    {"explore", &Explore, false, false},
};
// clang-format on
const std::size_t kScenarioCount = std::size(kScenarios);

}  // namespace gui
