// What a user does with the program and what it must show: start-up order,
// window sizes and titles, menus, dialogs, saving and opening, the palette
// commands and window, zooming, the status bar, and a long computation.
#include "tests/gui/driver.h"

#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <set>
#include <tuple>

#include "core/engine/computation.h"
#include "core/engine/deep.h"
#include "core/engine/picturefile.h"
#include "core/engine/zoom.h"
#include "core/image/pngfile.h"
#include "core/palettes/schemes.h"
#include "win/app/tindralapp.h"
#include "win/framework/window.h"
#include "win/image/dibwin32.h"
#include "win/image/imagepalette.h"
#include "win/ui/dialogs.h"
#include "win/ui/mainframe.h"
#include "win/ui/tindraldoc.h"
#include "win/ui/tindralview.h"

namespace gui {
namespace {

bool MenuItemEnabled(const char* popupName, UINT id) {
    const UINT state = ::GetMenuState(OpenMenu(popupName), id, MF_BYCOMMAND);
    return state != static_cast<UINT>(-1) && !(state & (MF_GRAYED | MF_DISABLED));
}

bool MenuItemChecked(const char* popupName, UINT id) {
    return (::GetMenuState(OpenMenu(popupName), id, MF_BYCOMMAND) & MF_CHECKED) != 0;
}

std::string MenuItemText(const char* popupName, UINT id) {
    char text[64] = {};
    ::GetMenuStringA(OpenMenu(popupName), id, text, sizeof text, MF_BYCOMMAND);
    return text;
}

bool ToolbarButtonEnabled(UINT id) {
    return ::SendMessageA(::GetDlgItem(MainFrame(), ID_VIEW_TOOLBAR), TB_ISBUTTONENABLED, id, 0) != 0;
}

bool ToolbarButtonPressed(UINT id) {
    return ::SendMessageA(::GetDlgItem(MainFrame(), ID_VIEW_TOOLBAR), TB_ISBUTTONCHECKED, id, 0) != 0;
}

// An accelerator's keys as the help names them: "Ctrl+O", "Shift+F1".
std::string KeysOf(const ACCEL& accel) {
    std::string keys = std::string(accel.fVirt & FCONTROL ? "Ctrl+" : "") + (accel.fVirt & FSHIFT ? "Shift+" : "") +
                       (accel.fVirt & FALT ? "Alt+" : "");
    if (accel.key >= VK_F1 && accel.key <= VK_F12) return keys + "F" + std::to_string(accel.key - VK_F1 + 1);
    const std::pair<WORD, const char*> named[] = {{VK_INSERT, "Insert"}, {VK_DELETE, "Delete"}, {VK_BACK, "Backspace"}};
    for (const auto& [key, name] : named)
        if (accel.key == key) return keys + name;
    return keys + static_cast<char>(accel.key);
}

// The text of each of a dialog's fields, joined by spaces.
std::string FieldTexts(HWND dialog, std::initializer_list<int> ids) {
    std::string joined;
    for (int id : ids) {
        std::string text(static_cast<std::size_t>(::GetWindowTextLengthA(::GetDlgItem(dialog, id))) + 1, '\0');
        text.resize(::GetDlgItemTextA(dialog, id, text.data(), static_cast<int>(text.size())));
        joined += (joined.empty() ? "" : " ") + text;
    }
    return joined;
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

std::vector<unsigned> AppPaletteColors() {
    std::vector<unsigned> colors;
    OnUi([&] {
        for (const PALETTEENTRY& e : App()->m_paletteEntries)
            colors.push_back(static_cast<unsigned>(e.peRed) << 16 | e.peGreen << 8 | e.peBlue);
    });
    return colors;
}

// The first n entries of a picture's colour table.
std::vector<unsigned> TableOf(CTindralDoc* document, int n) {
    std::vector<unsigned> table;
    OnUi([&] {
        for (int i = 0; i < n && document->Dib(); ++i) table.push_back(Rgb(document->Dib()->Info()->bmiColors[i]));
    });
    return table;
}

std::string SizeText(SIZE size) {
    return std::to_string(size.cx) + " x " + std::to_string(size.cy);
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
    Check(frame && !::IsWindowVisible(frame) && Children().empty(),
          "behind the disclaimer the main window is hidden and holds no picture");
    if (!disclaimer) return 1;
    // One text, its sentences unbroken, that fits its place.
    CheckEqual(CheckTextsFit(disclaimer), 1, "texts in the disclaimer");
    ClickButton(disclaimer, IDOK);
    Check(WaitUntil([] { return ::IsWindowVisible(MainFrame()); }), "after Agree the main window is shown");
    Settle();

    RECT outer{};
    ::GetWindowRect(frame, &outer);
    CheckText(SizeText({outer.right - outer.left, outer.bottom - outer.top}), "479 x 479", "the main window's size");
    CheckText(WindowText(frame), "Tindral - Set1", "the main title");
    HWND child = ActiveChild();
    CheckText(WindowText(child), "Set1", "the first picture's title");
    CheckText(SizeText(ClientSize(child)), "133 x 99", "the first picture window's client area");
    const LONG style = ::GetWindowLongA(child, GWL_STYLE);
    Check((style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX)) == 0 &&
              (::GetWindowLongA(child, GWL_EXSTYLE) & WS_EX_TOOLWINDOW) != 0,
          "picture windows have a small caption and cannot be resized");
    CTindralDoc* document = DocumentOf(child);
    Check(document && document->Width() == 133 && document->Height() == 100, "the first picture is 133 x 100");

    // Items without a handler anywhere are disabled; Save Image saves, and
    // the scheme and the automatic colours that are on show it.
    Check(MenuItemEnabled("&File", ID_FILE_SAVE_IMAGE) && MenuItemText("&File", ID_FILE_OPEN) == "&Open...\tCtrl+O" &&
              MenuItemEnabled("&Palettes", ID_PALETTE_JUNGLE) && ToolbarButtonEnabled(ID_FILE_SAVE),
          "the picture window's menu and toolbar enable what has a handler");
    for (const auto& [command, button, name] :
         {std::tuple{ID_PALETTE_GRAY, ID_AUTO_COLOR_ASSIGN, "Gray, automatic off"},
          std::tuple{ID_PALETTE_FIRE, ID_AUTO_COLOR_ASSIGN, "Fire, automatic on"}}) {
        const bool wasPressed = ToolbarButtonPressed(ID_AUTO_COLOR_ASSIGN);
        SendCommand(command);
        SendCommand(button);
        Settle();
        int ticked = 0;
        for (UINT scheme : {ID_PALETTE_GRAY, ID_PALETTE_FIRE, ID_PALETTE_EDGE, ID_PALETTE_FATIGUES, ID_PALETTE_JUNGLE})
            ticked += MenuItemChecked("&Palettes", scheme) ? 1 : 0;
        Check(ticked == 1 && MenuItemChecked("&Palettes", command) && wasPressed != ToolbarButtonPressed(button),
              std::string(name) + ": the scheme is ticked alone and the button shows the state");
    }
    Check(ToolbarButtonPressed(ID_AUTO_COLOR_ASSIGN), "the button is pressed while the automatic colours are on");
    SendCommand(ID_FILE_NEW);
    Settle();
    Check(::FindWindowA("#32770", "Tindral Disclaimer") == nullptr && WindowText(frame) == "Tindral - Set2" &&
              Children().size() == 2,
          "a second New shows no disclaimer and opens Set2");

    // The palette window: a second window on the same document, with the
    // palette template's menu.
    SendCommand(ID_VIEW_PALETTE);
    Settle();
    HWND paletteWindow = ActiveChild();
    CheckText(WindowText(paletteWindow), "Set2:2", "the palette window's title");
    CheckText(SizeText(ClientSize(paletteWindow)), "133 x 99", "the palette window's client area");
    Check(!MenuItemEnabled("&File", ID_FILE_SAVE_PALETTE) && MenuItemEnabled("&File", ID_FILE_LOAD_PALETTE) &&
              MenuItemText("&File", ID_FILE_OPEN) == "&Open...\tCtrl+O",
          "the palette window's File menu offers Open and Load Palette, not Save Palette");

    // Help names the keys of every accelerator that does something, and Esc.
    PostCommand(ID_HELP);
    HWND help = WaitForDialog("Tindral");
    if (!help) return 1;
    const std::string helpText = DialogText(help);
    ClickButton(help, IDOK);
    WaitUntil([help] { return !::IsWindow(help); });
    std::vector<ACCEL> accels;
    OnUi([&] {
        HACCEL table = App()->m_pMainWnd->Accelerators();
        accels.resize(static_cast<std::size_t>(::CopyAcceleratorTableA(table, nullptr, 0)));
        ::CopyAcceleratorTableA(table, accels.data(), static_cast<int>(accels.size()));
        accels.erase(std::remove_if(accels.begin(), accels.end(),
                                    [](const ACCEL& a) { return !App()->m_pMainWnd->RouteCommand(a.cmd, FALSE); }),
                     accels.end());
    });
    std::string missing;
    for (const ACCEL& accel : accels)
        if (helpText.find(KeysOf(accel)) == std::string::npos) missing += " " + KeysOf(accel);
    Check(helpText.rfind("Tindral draws the Mandelbrot set", 0) == 0 && accels.size() >= 7 && missing.empty() &&
              helpText.find("Esc ") != std::string::npos,
          "F1 shows the program's help with every working key; missing:" + missing);

    // With every window closed: the frame's own title, Save and View Palette
    // disabled, and the parameters still at hand for the next New.
    OnUi([] {
        while (CMdiChild* active = App()->m_pMainWnd->MDIGetActive()) active->MDIDestroy();
    });
    Settle();
    CheckText(WindowText(frame), "Tindral", "the main title with no picture");
    Check(!MenuItemEnabled("&File", ID_FILE_SAVE) && !ToolbarButtonEnabled(ID_FILE_SAVE) &&
              !ToolbarButtonEnabled(ID_VIEW_PALETTE) && MenuItemText("&File", ID_FILE_OPEN) == "&Open...\tCtrl+O" &&
              MenuItemEnabled("&Options", ID_OPTIONS_PERFORMANCE) && MenuItemEnabled("&Options", ID_OPTIONS_REGION),
          "with no picture Save and View Palette are off, Open and the Options are there");

    // Shell registration offers the type for .BMP and keeps the user's choice.
    char value[128] = {};
    DWORD size = sizeof value;
    const char* classes = "Software\\Classes\\.BMP";
    Check(::RegGetValueA(HKEY_CURRENT_USER, classes, nullptr, RRF_RT_REG_SZ, nullptr, value, &size) == 0 &&
              std::string(value) == "UserChosenViewer" &&
              ::RegGetValueA(HKEY_CURRENT_USER, (std::string(classes) + "\\OpenWithProgids").c_str(),
                             "Tindral.Document", RRF_RT_ANY, nullptr, nullptr, nullptr) == 0,
          "Tindral.Document is offered for .BMP, and the user's choice stays its default");
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
    CheckText(FieldTexts(dialog, {IDC_IMAGE_WIDTH, IDC_IMAGE_HEIGHT, IDC_ITERATIONS, IDC_NOISE, IDC_EXPONENT}),
              "133 100 50 0 2", "the fields: width, height, iterations, noise, exponent");
    // A rejected value keeps the dialog open and never reaches the
    // parameters, even when the user then cancels.
    // Integers too large for any type are out of range like the others;
    // only decimal digits are an integer.
    for (const char* width : {"-1", "4294967346", "99999999999999999999"}) {
        ::SetDlgItemTextA(dialog, IDC_IMAGE_WIDTH, width);
        ClickButton(dialog, IDOK);
        ExpectMessageBox("Please enter an integer between 0 and 1000000.");
    }
    ::SetDlgItemTextA(dialog, IDC_IMAGE_WIDTH, "0x10");
    ClickButton(dialog, IDOK);
    ExpectMessageBox("Please enter an integer.");
    Check(::IsWindow(dialog) != FALSE, "the dialog stays open after a rejected value");
    ClickButton(dialog, IDCANCEL);
    WaitUntil([dialog] { return !::IsWindow(dialog); });
    LONG right = 0;
    OnUi([&] { right = App()->NextPicture().width - 1; });
    CheckEqual(right, 132L, "the last column after a rejected value and Cancel");

    NONCLIENTMETRICSA metrics{};
    metrics.cbSize = sizeof metrics;
    ::SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    for (const auto& [width, height, client] :
         {std::tuple{640, 480, "400 x 299"}, std::tuple{320, 200, "320 x 199"}, std::tuple{1, 1, "1 x 1"}}) {
        SetImageSize(width, height);
        SendCommand(ID_FILE_NEW);
        Settle();
        const std::string name = std::to_string(width) + " x " + std::to_string(height);
        CheckText(SizeText(ClientSize(ViewOf(ActiveChild()))), client, name + ": the picture's part of its window");
        // However small the picture, its caption has room for the title and the close box.
        HDC dc = ::GetDC(nullptr);
        HFONT font = ::CreateFontIndirectA(&metrics.lfSmCaptionFont);
        HGDIOBJ old = ::SelectObject(dc, font);
        const std::string title = WindowText(ActiveChild());
        SIZE text{};
        ::GetTextExtentPoint32A(dc, title.c_str(), static_cast<int>(title.size()), &text);
        ::DeleteObject(::SelectObject(dc, old));
        ::ReleaseDC(nullptr, dc);
        RECT outer{};
        ::GetWindowRect(ActiveChild(), &outer);
        Check(outer.right - outer.left >= text.cx + ::GetSystemMetrics(SM_CXSMSIZE),
              name + ": the caption has room for " + title + " and the close box");
        CTindralDoc* document = DocumentOf(ActiveChild());
        Check(document->Dib()->ImageWidth() == width && document->Dib()->ImageHeight() == height,
              name + ": the picture has the size asked for");
    }
    // Sizes whose byte counts cannot be made: a message and no document.
    const std::size_t before = Children().size();
    SetImageSize(1000000, 1000000);
    PostCommand(ID_FILE_NEW);
    ExpectMessageBox("A picture of 1000000 x 1000000 pixels is too large to be made.");
    Settle();
    CheckEqual(Children().size(), before, "windows after a picture too large to make");
    return 0;
}

int Region(const std::vector<std::string>&) {
    PostCommand(ID_OPTIONS_REGION);
    HWND dialog = WaitForDialog("Search Rectangle");
    if (!dialog) return 1;
    CheckText(
        FieldTexts(dialog, {IDC_UPPER_LEFT_REAL, IDC_UPPER_LEFT_IMAG, IDC_LOWER_RIGHT_REAL, IDC_LOWER_RIGHT_IMAG}),
        "-2.416667 1.25 0.916667 -1.25", "the corners' fields");
    ::SetDlgItemTextA(dialog, IDC_UPPER_LEFT_REAL, "5.5");
    ClickButton(dialog, IDOK);
    ExpectMessageBox("Please enter a number between -5 and 5.");
    ::SetDlgItemTextA(dialog, IDC_UPPER_LEFT_REAL, "-2");
    // Decimal numbers only: not what the C library reads besides.
    for (const char* text : {"not a number", "0x1p1", "inf"}) {
        ::SetDlgItemTextA(dialog, IDC_LOWER_RIGHT_IMAG, text);
        ClickButton(dialog, IDOK);
        ExpectMessageBox("Please enter a number.");
    }
    ::SetDlgItemTextA(dialog, IDC_LOWER_RIGHT_IMAG, "-0.5");
    ClickButton(dialog, IDOK);
    WaitUntil([dialog] { return !::IsWindow(dialog); });
    // The open picture keeps its own region; the next one takes the new one.
    CTindralDoc* old = DocumentOf(ActiveChild());
    SendCommand(ID_FILE_NEW);
    Settle();
    const SearchRect made = DocumentOf(ActiveChild())->Params().rect;
    Check(made.upperLeft.re == -2.0 && made.upperLeft.im == 1.25 && made.lowerRight.im == -0.5 &&
              old->Params().rect.upperLeft.re == kDefaultSearchRect.upperLeft.re,
          "OK stores the checked corners for the next picture, not the open one");
    return 0;
}

// rendered=: the file tindral-render wrote for the default picture; saved=:
// where to save the program's own; the same with renderedpng= and savedpng=
// for a second picture saved as a PNG, a type that the dialog offers.
int Save(const std::vector<std::string>& args) {
    const std::string target = Arg(args, "saved");
    std::remove(target.c_str());
    ChooseFile(ID_FILE_SAVE, "Save As", target);
    const std::string name = target.substr(target.find_last_of("\\/") + 1);
    Check(WaitUntil([&] { return WindowText(ActiveChild()) == name; }), "the picture takes the saved file's name");
    const std::string expected = ReadFile(Arg(args, "rendered"));
    Check(!expected.empty() && ReadFile(target) == expected, "the saved file equals tindral-render's byte for byte");

    const std::string png = Arg(args, "savedpng");
    if (png.empty()) return 0;
    std::remove(png.c_str());
    SendCommand(ID_FILE_NEW);
    Settle();
    PostCommand(ID_FILE_SAVE);
    HWND dialog = WaitForDialog("Save As");
    if (!dialog) return 1;
    // The file type list (cmb1) holds both types.
    HWND types = ::GetDlgItem(dialog, 0x470);
    std::string listed;
    const int count = static_cast<int>(::SendMessageA(types, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        char text[256] = {};
        ::SendMessageA(types, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
        listed += std::string(text) + "|";
    }
    CheckText(listed, "Bitmap pictures (*.bmp)|PNG pictures (*.png)|All Files (*.*)|", "the save dialog's file types");
    ::SetDlgItemTextA(dialog, 0x47C, WindowsPath(png).c_str());
    ClickButton(dialog, IDOK);
    const std::string pngName = png.substr(png.find_last_of("\\/") + 1);
    Check(WaitUntil([&] { return WindowText(ActiveChild()) == pngName; }), "the second picture takes the PNG's name");
    const std::string expectedPng = ReadFile(Arg(args, "renderedpng"));
    Check(!expectedPng.empty() && ReadFile(png) == expectedPng, "the saved PNG equals tindral-render's byte for byte");
    return 0;
}

// display=palette on a 256-colour display, where the system's own palette
// notices must do the recolouring.
int Schemes(const std::vector<std::string>& args) {
    const bool paletteDisplay = Arg(args, "display") == "palette";
    SendCommand(ID_FILE_NEW);
    Settle();
    const std::vector<HWND> children = Children();
    BOOL hasPalette = FALSE;
    OnUi([&] {
        hasPalette = App()->MainFrame()->DisplayHasPalette();
        s_hook = ::SetWindowsHookExA(WH_CALLWNDPROC, &CountPaletteNotices, nullptr, ::GetCurrentThreadId());
    });
    Check(children.size() == 2 && (hasPalette != FALSE) == paletteDisplay,
          "two pictures on a display that has a system palette when asked for");

    std::vector<std::pair<CTindralDoc*, std::string>> pixels;
    for (HWND child : children) {
        CTindralDoc* d = DocumentOf(child);
        pixels.emplace_back(d, std::string(reinterpret_cast<const char*>(d->ImageBits()),
                                           RowStride(d->Width()) * static_cast<std::size_t>(d->Height())));
    }
    for (const auto& [command, scheme, name] :
         {std::tuple{ID_PALETTE_GRAY, Scheme::Gray, "Gray"}, std::tuple{ID_PALETTE_JUNGLE, Scheme::Jungle, "Jungle"}}) {
        s_viewNotices = 0;
        SendCommand(command);
        Settle();
        const ColorList colors = MakeScheme(scheme);
        std::vector<unsigned> table;
        for (int i = 0; i < kSchemeEntries; ++i) table.push_back(Rgb(colors[static_cast<std::size_t>(i)]));
        for (const auto& [document, bytes] : pixels) {
            Check(TableOf(document, kSchemeEntries) == table, std::string(name) + ": a picture takes the new palette");
            Check(std::memcmp(document->ImageBits(), bytes.data(), bytes.size()) == 0 &&
                      document->Dib()->Pixels() == document->ImageBits(),
                  std::string(name) + ": a picture keeps its pixels");
        }
        Check(s_viewNotices >= 2, std::string(name) + ": every picture heard of the palette change");
        if (paletteDisplay) {
            // The realisation puts the scheme into the system palette, but
            // for the colours the display keeps for itself.
            PALETTEENTRY system[256] = {};
            HDC screen = ::GetDC(nullptr);
            const UINT entries = ::GetSystemPaletteEntries(screen, 0, 256, system);
            ::ReleaseDC(nullptr, screen);
            std::set<unsigned> held;
            for (UINT i = 0; i < entries; ++i)
                held.insert(static_cast<unsigned>(system[i].peRed) << 16 | system[i].peGreen << 8 | system[i].peBlue);
            const std::set<unsigned> wanted(table.begin(), table.end());
            const auto missing =
                std::count_if(wanted.begin(), wanted.end(), [&](unsigned c) { return !held.count(c); });
            Check(entries == 256 && missing <= 20,
                  std::string(name) + ": colours of the scheme missing from the system palette: " +
                      std::to_string(missing) + " of " + std::to_string(wanted.size()));
            continue;
        }
        // On a true-colour display the screen shows exactly the table.
        const Capture shot = CaptureClient(ViewOf(children[0]));
        const std::set<unsigned> palette(table.begin(), table.end());
        int outside = 0;
        for (unsigned pixel : shot.pixels) outside += palette.count(pixel) ? 0 : 1;
        // Shrinking 100 rows into 99 merges one pair of rows in the
        // context's default stretch mode; everything else is a table colour.
        Check(outside <= shot.width,
              std::string(name) + ": captured pixels in colours outside the palette: " + std::to_string(outside));
        const CDIB& dib = *pixels[0].first->Dib();
        Check(shot.At(0, 0) == Rgb(dib.Info()->bmiColors[*dib.PixelAddress(0, 0)]),
              std::string(name) + ": the top-left pixel's colour");
    }
    OnUi([] { ::UnhookWindowsHookEx(s_hook); });
    return 0;
}

// bitmap=: a bitmap written by another program, whose colour table becomes
// the palette; truecolour=: one without a colour table.
int PaletteWindow(const std::vector<std::string>& args) {
    HWND setWindow = ActiveChild();
    SendCommand(ID_VIEW_PALETTE);
    Settle();
    HWND paletteWindow = ActiveChild();
    CheckText(WindowText(setWindow), DocumentOf(setWindow)->GetTitle() + ":1",
              "the picture window's title beside a palette window");

    // Entry i fills row i / 16, column i % 16; the lines between lie at
    // W x c / 16 and H x r / 16. A 256-colour display shows the nearest
    // system colours: only a true-colour capture can be compared exactly.
    BOOL paletteDisplay = FALSE;
    OnUi([&] { paletteDisplay = App()->MainFrame()->DisplayHasPalette(); });
    auto checkSwatches = [&](const std::string& name) {
        if (paletteDisplay) return;
        const std::vector<unsigned> entries = AppPaletteColors();
        const Capture shot = CaptureClient(ViewOf(paletteWindow));
        int wrong = 0;
        for (int i = 0; i < 256; ++i) {
            const int left = shot.width * (i % 16) / 16, right = shot.width * (i % 16 + 1) / 16;
            const int y = (shot.height * (i / 16) / 16 + shot.height * (i / 16 + 1) / 16 + 1) / 2;
            const bool filled = i < static_cast<int>(entries.size());
            wrong += shot.At((left + right + 1) / 2, y) == (filled ? entries[static_cast<std::size_t>(i)] : 0xFFFFFF)
                         ? 0
                         : 1;
            if (filled && i % 16 > 0) wrong += shot.At(left, y) == 0 ? 0 : 1;
        }
        CheckEqual(wrong, 0, name + ": swatches or grid lines out of place");
    };
    checkSwatches("Fire");

    // A cancelled file dialog is no failure: nothing is said, nothing changes.
    const std::vector<unsigned> fire = AppPaletteColors();
    PostCommand(ID_FILE_LOAD_PALETTE);
    HWND open = WaitForDialog("Open");
    if (open) ClickButton(open, IDCANCEL);
    WaitUntil([open] { return !::IsWindow(open); });
    Settle();
    Check(::FindWindowA("#32770", "Tindral") == nullptr && AppPaletteColors() == fire,
          "cancelling Load Palette says nothing and keeps the palette");
    // A picture without a colour table gives no palette, and says why.
    ChooseFile(ID_FILE_LOAD_PALETTE, "Open", Arg(args, "truecolour"));
    ExpectMessageBox("This file is a 24-bit picture: its colours are not a palette.");
    CheckEqual(AppPaletteColors().size(), std::size_t{201}, "palette entries after a refused load");

    ChooseFile(ID_FILE_LOAD_PALETTE, "Open", Arg(args, "bitmap"));
    Check(WaitUntil([] { return AppPaletteColors().size() == 16; }), "the bitmap's 16 colours become the palette");
    Settle();
    const std::vector<unsigned> entries = AppPaletteColors();
    const std::vector<unsigned> table = TableOf(DocumentOf(setWindow), 202);
    Check(entries.size() == 16 && entries[0] == 0xFF4500 && entries[3] == 0x1E90FF && table[0] == entries[0] &&
              table[16] == entries[1] && table[200] == entries[5] && table[201] == 0,
          "the open picture takes the loaded palette, its band colours repeated past its end");
    checkSwatches("loaded");

    // An indexed PNG's palette, by the same rule (pngpalette=: the three-colour F).
    const std::string png = Arg(args, "pngpalette");
    if (png.empty()) return 0;
    ChooseFile(ID_FILE_LOAD_PALETTE, "Open", png);
    Check(WaitUntil([] { return AppPaletteColors().size() == 3; }), "the PNG's three colours become the palette");
    const std::vector<unsigned> fromPng = AppPaletteColors();
    Check(std::find(fromPng.begin(), fromPng.end(), 0xC81E0Au) != fromPng.end(), "the PNG's red is in the palette");
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
    for (int i = 0; i < 256; ++i)
        dib.Info()->bmiColors[i] = RGBQUAD{static_cast<BYTE>(i), 0, static_cast<BYTE>(255 - i), 0};
    int wrong = 0;
    OnUi([&] {
        BITMAPINFO info{};
        info.bmiHeader = BITMAPINFOHEADER{40, 16, -8, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        void* bits = nullptr;
        HDC memory = ::CreateCompatibleDC(nullptr);
        HBITMAP bitmap = ::CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        HGDIOBJ old = ::SelectObject(memory, bitmap);
        CDC dc(memory);
        DrawAt(dib, dc, 7, 4);
        ::GdiFlush();
        const auto* pixels = static_cast<const unsigned*>(bits);
        for (unsigned i = 0; i < 15; ++i) {
            const unsigned index = 10 * (i / 5) + i % 5;
            wrong += (pixels[(4 + i / 5) * 16 + 7 + i % 5] & 0xFFFFFF) == ((255 - index) << 16 | index) ? 0 : 1;
        }
        ::SelectObject(memory, old);
        ::DeleteObject(bitmap);
        ::DeleteDC(memory);
    });
    CheckEqual(wrong, 0, "pixels drawn 1:1 at a wrong place or in a wrong colour");

    // Matching to a palette of blue and red: every pixel takes the index of
    // the nearer one (low indices are red here), and the table becomes the
    // palette's.
    *dib.PixelAddress(1, 0) = 200;
    CImagePalette palette;
    palette.CreateFromEntries({PALETTEENTRY{0, 0, 255, 0}, PALETTEENTRY{255, 0, 0, 0}});
    Check(MatchToPalette(dib, &palette) && *dib.PixelAddress(0, 0) == 1 && *dib.PixelAddress(4, 2) == 1 &&
              *dib.PixelAddress(1, 0) == 0 && dib.Info()->bmiColors[1].rgbRed == 255,
          "matching to a palette gives each pixel the nearer entry, and the table the palette's colours");

    // The resource holds Netpbm's 6 x 5 "F", whose top-left pixel is
    // (200, 30, 10) and bottom-right one table entry 0.
    CDIB resource;
    Check(LoadFromResource(resource, 900) && resource.ImageWidth() == 6 && *resource.PixelAddress(5, 4) == 0 &&
              Rgb(resource.Info()->bmiColors[*resource.PixelAddress(0, 0)]) == 0xC81E0A,
          "a bitmap kept as a resource loads with its pixels and colour table where the file has them");
    Check(LoadFromResource(resource, 901) == FALSE, "a missing resource is refused");
    return 0;
}

// What a user exploring finds: clicks that select nothing, bands in every
// direction, the point under the mouse, a palette shorter than the bands, a
// dialog that keeps exact values, and the limit of precision.
int Explore(const std::vector<std::string>&) {
    HWND first = ActiveChild();
    HWND view = ViewOf(first);
    ::SendMessageA(view, WM_LBUTTONDOWN, MK_LBUTTON, MAKELONG(30, 30));
    HWND captured = nullptr;
    OnUi([&] { captured = ::GetCapture(); });
    Check(captured == view, "the view holds the mouse during a drag");
    ::SendMessageA(view, WM_LBUTTONUP, 0, MAKELONG(31, 31));
    Drag(view, {30, 30}, {80, 60});
    const std::size_t afterDrag = Children().size();
    Activate(first);
    Drag(view, {40, 40}, {41, 41});
    CheckEqual(Children().size(), afterDrag, "windows after clicks that barely move, before and after a drag");

    // Each way a band can be drawn zooms to where it was drawn; the first is
    // the worked figure, 40 right and 10 down giving a 13 x 10 band.
    for (const auto& [from, to, name] : {std::tuple{POINT{10, 10}, POINT{50, 20}, "down and right"},
                                         std::tuple{POINT{90, 60}, POINT{50, 50}, "up and left"},
                                         std::tuple{POINT{20, 70}, POINT{60, 60}, "up and right"},
                                         std::tuple{POINT{100, 20}, POINT{60, 30}, "down and left"}}) {
        Activate(first);
        const std::size_t before = Children().size();
        Drag(view, from, to);
        PixelPoint end{};
        OnUi([&] {
            auto* tindralView = dynamic_cast<CTindralView*>(CWindow::FromHandle(view));
            end = {tindralView->m_nEndX, tindralView->m_nEndY};
        });
        const SearchRect expected = ZoomedRegion(kDefaultSearchRect, {133, 99}, 132, 99, {from.x, from.y}, end);
        const SearchRect zoomed = DocumentOf(ActiveChild())->Params().rect;
        Check(Children().size() == before + 1 && std::memcmp(&zoomed, &expected, sizeof zoomed) == 0 &&
                  (end.x - from.x) * (to.x - from.x) > 0 && (end.y - from.y) * (to.y - from.y) > 0 &&
                  (std::string(name) != "down and right" || (end.x == 23 && end.y == 20)),
              std::string("a band drawn ") + name + " grows toward the pointer and is the new region");
    }
    // Activating the older picture makes its region the current one again.
    Activate(first);
    SearchRect current{};
    OnUi([&] { current = App()->NextPicture().rect; });
    Check(std::memcmp(&current, &kDefaultSearchRect, sizeof current) == 0,
          "activating the first picture brings its region back");

    // The top-left pixel of the default picture: its coordinate to the
    // decimals its spacing of 0.025 needs, and its count.
    ::SendMessageA(view, WM_MOUSEMOVE, 0, 0);
    CTindralDoc* document = DocumentOf(first);
    CheckText(StatusText(), "-2.417 + 1.225i: " + std::to_string(document->Counts()[99 * 133]) + " iterations",
              "the status bar over a pixel");
    ::SendMessageA(view, WM_MOUSELEAVE, 0, 0);
    CheckText(StatusText(), LoadResourceString(IDS_IDLE_MESSAGE), "the status bar once the pointer has left");

    // A 64-colour palette: every band has a colour of it, none is black.
    CDIB bitmap;
    bitmap.CreateBlank(8, 8);
    bitmap.Info()->bmiHeader.biClrUsed = 64;
    for (int i = 0; i < 64; ++i) bitmap.Info()->bmiColors[i] = RGBQUAD{static_cast<BYTE>(4 * i + 3), 200, 40, 0};
    OnUi([&] { App()->SetPaletteFromDIB(bitmap); });
    const std::vector<unsigned> table = TableOf(document, 201);
    CheckEqual(std::count(table.begin(), table.end(), 0u), 0L, "black bands with a 64-colour palette");

    // OK without an edit keeps a deep region bit for bit; one past the
    // precision of doubles that perturbation cannot compute either (for the
    // exponent 3) is refused, saying why.
    const SearchRect deep{{-0.743643887037151, 0.131825904205330}, {-0.743643887036151, 0.131825904204580}};
    const auto setExponent = [](double exponent, const SearchRect* rect) {
        OnUi([&] {
            PictureParams params = App()->NextPicture();
            if (rect) params.rect = *rect;
            params.exponent = exponent;
            App()->SetNextPicture(params);
        });
    };
    setExponent(3.0, &deep);
    for (const char* lowerRightReal : {static_cast<const char*>(nullptr), "-0.743643887037150"}) {
        PostCommand(ID_OPTIONS_REGION);
        HWND dialog = WaitForDialog("Search Rectangle");
        if (!dialog) return 1;
        if (lowerRightReal) ::SetDlgItemTextA(dialog, IDC_LOWER_RIGHT_REAL, lowerRightReal);
        ClickButton(dialog, IDOK);
        if (lowerRightReal) {
            // Said before the dialog closes, so that the region typed can be mended.
            ExpectMessageBox(
                PrecisionLimitMessage("past the precision of doubles, pictures are computed for the exponent 2 only"));
            HWND focus = nullptr;
            OnUi([&] { focus = ::GetFocus(); });
            Check(::IsWindowVisible(dialog) && focus == ::GetDlgItem(dialog, IDC_LOWER_RIGHT_REAL),
                  "past the limit of precision the dialog stays open on the field");
            ClickButton(dialog, IDCANCEL);
        }
        WaitUntil([dialog] { return !::IsWindow(dialog); });
        SearchRect kept{};
        OnUi([&] { kept = App()->NextPicture().rect; });
        Check(std::memcmp(&kept, &deep, sizeof kept) == 0, lowerRightReal
                                                               ? "a region past the limit of precision is not taken"
                                                               : "OK without an edit keeps the region bit for bit");
    }

    setExponent(2.0, nullptr);

    // Dragging zooms on past the doubles' reach: each region is found
    // exactly and computed by perturbation, the status bar tells that most
    // of it reached the limit and shows a point in all its digits, and the
    // picture saved opens again exactly.
    SendCommand(ID_FILE_NEW);
    // A picture still computing takes no drag.
    Settle();
    for (const char* depth : {"a drag past the doubles' reach", "a drag deeper still"}) {
        const std::size_t count = Children().size();
        Drag(ViewOf(ActiveChild()), {60, 40}, {66, 45});
        const PictureParams params = DocumentOf(ActiveChild())->Params();
        Check(Children().size() == count + 1 && ChooseArithmetic(params) == Arithmetic::Perturbation &&
                  ExactRegionOf(params) != nullptr,
              std::string(depth) + " opens a picture computed from its exact region");
    }
    Check(StatusText().find("of the picture reached the iteration limit; raise it to see more") != std::string::npos,
          "the status bar tells of the iteration limit: " + StatusText());
    HWND deepView = ViewOf(ActiveChild());
    const PictureParams deepParams = DocumentOf(ActiveChild())->Params();
    RECT deepClient{};
    ::GetClientRect(deepView, &deepClient);
    PixelPoint under{};
    PixelUnder({10, 10}, {deepClient.right, deepClient.bottom}, deepParams.width, deepParams.height, &under);
    ::SendMessageA(deepView, WM_MOUSEMOVE, 0, MAKELONG(10, 10));
    CheckText(StatusText().substr(0, StatusText().find(':')), ExactPointText(deepParams, under),
              "the status bar over a deep picture's pixel");
    char temp[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, temp);
    const std::string deepFile = std::string(temp) + "tindral-deep.bmp";
    std::remove(deepFile.c_str());
    ChooseFile(ID_FILE_SAVE, "Save As", deepFile);
    Check(WaitUntil([&] { return WindowText(ActiveChild()) == "tindral-deep.bmp"; }), "a deep picture is saved");
    const std::size_t open = Children().size();
    ::SendMessageA(ActiveChild(), WM_CLOSE, 0, 0);
    ChooseFile(ID_FILE_OPEN, "Open", deepFile);
    Settle();
    Check(WaitUntil([&] {
              CTindralDoc* opened = Children().size() == open ? DocumentOf(ActiveChild()) : nullptr;
              return opened && !opened->IsPlainBitmap() && ExactRegionOf(opened->Params()) != nullptr;
          }),
          "a saved deep picture opens again from its exact region");
    std::remove(deepFile.c_str());

    // The Search Rectangle shows a deep region in all its digits and takes
    // typed corners 1e-30 apart exactly; a bad long number keeps its field.
    const ExactRegion* reopened = ExactRegionOf(DocumentOf(ActiveChild())->Params());
    if (!reopened) return 1;
    const ExactRegion zoomedRegion = *reopened;
    const ExactRegion typed{ExactRegion::Kind::Corners, "-0.776610592599701856564039502553659749328",
                            "0.134608961675028166056737270233557809541", "-0.776610592599701856564039502552329749328",
                            "0.134608961675028166056737270232557809541"};
    const std::initializer_list<int> corners{IDC_UPPER_LEFT_REAL, IDC_UPPER_LEFT_IMAG, IDC_LOWER_RIGHT_REAL,
                                             IDC_LOWER_RIGHT_IMAG};
    const auto showing = [&](const ExactRegion& region) {
        PostCommand(ID_OPTIONS_REGION);
        HWND dialog = WaitForDialog("Search Rectangle");
        CheckText(dialog ? FieldTexts(dialog, corners) : "",
                  region.a + " " + region.b + " " + region.c + " " + region.d,
                  "the Search Rectangle shows a deep region's corners exactly");
        return dialog;
    };
    HWND dialog = showing(zoomedRegion);
    if (!dialog) return 1;
    for (const auto& [text, message] :
         {std::pair<std::string, std::string>{typed.a + "x", "Please enter a number."},
          {std::string(kMaxDecimalLength + 1, '1'), "Please enter a number of at most 4000 characters."}}) {
        ::SetDlgItemTextA(dialog, IDC_UPPER_LEFT_REAL, text.c_str());
        ClickButton(dialog, IDOK);
        ExpectMessageBox(message);
        HWND focus = nullptr;
        OnUi([&] { focus = ::GetFocus(); });
        Check(::IsWindowVisible(dialog) && focus == ::GetDlgItem(dialog, IDC_UPPER_LEFT_REAL) &&
                  FieldTexts(dialog, {IDC_UPPER_LEFT_REAL}) == text,
              "a bad number of " + std::to_string(text.size()) + " characters is refused and kept in its field");
    }
    for (const auto& [id, text] : {std::pair{IDC_UPPER_LEFT_REAL, typed.a},
                                   {IDC_UPPER_LEFT_IMAG, typed.b},
                                   {IDC_LOWER_RIGHT_REAL, typed.c},
                                   {IDC_LOWER_RIGHT_IMAG, typed.d}})
        ::SetDlgItemTextA(dialog, id, text.c_str());
    ClickButton(dialog, IDOK);
    WaitUntil([dialog] { return !::IsWindow(dialog); });
    SendCommand(ID_FILE_NEW);
    Settle();
    const PictureParams made = DocumentOf(ActiveChild())->Params();
    const ExactRegion* exact = ExactRegionOf(made);
    Check(ChooseArithmetic(made) == Arithmetic::Perturbation && exact && exact->a == typed.a && exact->b == typed.b &&
              exact->c == typed.c && exact->d == typed.d,
          "the typed corners make a picture computed from them exactly");
    ::SendMessageA(ViewOf(ActiveChild()), WM_MOUSEMOVE, 0, 0);
    CheckText(StatusText().substr(0, StatusText().find(':')),
              "-0.776610592599701856564039502553660 + 0.134608961675028166056737270233548i",
              "the status bar over the typed picture's top-left pixel");
    dialog = showing(typed);
    if (!dialog) return 1;
    ClickButton(dialog, IDCANCEL);
    WaitUntil([dialog] { return !::IsWindow(dialog); });
    return 0;
}

// open=: a picture tindral-render saved, given on the program's command
// line; plain=: where to write a bitmap that carries no record.
int OpenFile(const std::vector<std::string>& args) {
    const std::string opened = Arg(args, "open");
    const std::string plain = Arg(args, "plain");
    const std::string bytes = ReadFile(opened);
    // Opening a saved picture computes it again, so the disclaimer comes first.
    AgreeAndWaitForMainWindow();
    HWND child = ActiveChild();
    CheckText(WindowText(child), opened.substr(opened.find_last_of("\\/") + 1), "the opened picture's title");
    CTindralDoc* document = DocumentOf(child);
    Check(document && !document->IsPlainBitmap() && document->Counts() &&
              std::memcmp(&document->Params().rect, &kDefaultSearchRect, sizeof kDefaultSearchRect) == 0,
          "a saved picture opens as a picture of its region, made again");
    const Capture shot = CaptureClient(ViewOf(child));
    Check(shot.width > 0 &&
              shot.At(0, 0) == Rgb(document->Dib()->Info()->bmiColors[*document->Dib()->PixelAddress(0, 0)]),
          "the opened picture's pixels are on the screen");
    SendCommand(ID_FILE_SAVE);
    Check(ReadFile(opened) == bytes, "Save leaves the opened file byte for byte as it was");
    const std::size_t before = Children().size();
    Drag(ViewOf(child), {10, 10}, {50, 20});
    CheckEqual(Children().size(), before + 1, "windows after a zoom into the opened picture");

    // A bitmap without a record, as another program writes one: shown as it
    // is, and a zoom into it is refused.
    CDIB other;
    other.CreateBlank(64, 48);
    for (int x = 0; x < 64; ++x) *other.PixelAddress(x, 0) = 7;
    other.Info()->bmiColors[7] = RGBQUAD{10, 30, 200, 0};
    CFile file;
    Check(file.Open(plain.c_str(), CFile::modeCreate | CFile::modeWrite) &&
              WriteImageFile(&file, other, FormatForPath(plain)),
          "a plain bitmap is written for the test");
    file.Close();
    ChooseFile(ID_FILE_OPEN, "Open", plain);
    Check(WaitUntil([&] { return WindowText(ActiveChild()) == plain.substr(plain.find_last_of("\\/") + 1); }),
          "the plain bitmap opens in a window of its own");
    HWND plainView = ViewOf(ActiveChild());
    Check(CaptureClient(plainView).At(0, 0) == 0xC81E0A, "the plain bitmap's own pixels and colours are shown");
    ::SendMessageA(plainView, WM_LBUTTONDOWN, MK_LBUTTON, MAKELONG(5, 5));
    ::SendMessageA(plainView, WM_MOUSEMOVE, MK_LBUTTON, MAKELONG(40, 30));
    ::PostMessageA(plainView, WM_LBUTTONUP, 0, MAKELONG(40, 30));
    ExpectMessageBox("This picture was not made by Tindral: it has no region to magnify.");

    // Records that pass their checksum but claim another size than the
    // file's bitmap, as a hostile file carries them: each said to be damaged
    // before anything is computed, however large a picture it claims.
    const auto byteAt = [&bytes](std::size_t at) { return static_cast<std::uint32_t>(static_cast<BYTE>(bytes[at])); };
    const auto dwordAt = [&](std::size_t at) {
        return byteAt(at) | byteAt(at + 1) << 8 | byteAt(at + 2) << 16 | byteAt(at + 3) << 24;
    };
    // After a bitmap the record ends the file; in a PNG it fills its own chunk.
    const bool png = bytes.compare(0, 4, "\x89PNG") == 0;
    const std::size_t chunk = png ? bytes.find(kPngPrivateChunk) : 0;
    const auto bigAt = [&](std::size_t at) {
        return byteAt(at) << 24 | byteAt(at + 1) << 16 | byteAt(at + 2) << 8 | byteAt(at + 3);
    };
    const std::size_t end = png ? chunk + 4 + bigAt(chunk - 4) : bytes.size();
    const std::size_t trailer = end - 18;
    const std::size_t body = trailer - dwordAt(trailer);
    const auto claiming = [&](std::uint32_t width, std::uint32_t height) {
        std::string crafted = bytes;
        const auto putDword = [&crafted](std::size_t at, std::uint32_t v) {
            for (int i = 0; i < 4; ++i) crafted[at + i] = static_cast<char>(v >> (8 * i));
        };
        putDword(body, width);
        putDword(body + 4, height);
        const auto* bodyBytes = reinterpret_cast<const Bytef*>(crafted.data() + body);
        putDword(trailer + 4, static_cast<std::uint32_t>(crc32(0L, bodyBytes, static_cast<uInt>(trailer - body))));
        if (png) {
            const auto* chunkBytes = reinterpret_cast<const Bytef*>(crafted.data() + chunk);
            const uLong sum = crc32(0L, chunkBytes, static_cast<uInt>(end - chunk));
            for (int i = 0; i < 4; ++i) crafted[end + i] = static_cast<char>(sum >> (24 - 8 * i));
        }
        return crafted;
    };
    // Each damaged file says why when opened, opens as the bitmap it still
    // is, and a zoom into it is refused for that reason.
    const auto openDamaged = [&](const std::string& content, const char* name, const std::string& said,
                                 const char* refusal) {
        const std::string path = plain + "." + name + (png ? ".png" : ".bmp");
        std::ofstream(path, std::ios::binary) << content;
        ChooseFile(ID_FILE_OPEN, "Open", path);
        if (HWND box = WaitForDialog("Tindral")) {
            const std::string text = DialogText(box);
            Check(text.find(said) != std::string::npos, std::string(name) + " is said: " + text);
            ClickButton(box, IDOK);
            WaitUntil([box] { return !::IsWindow(box); });
        }
        Check(WaitUntil([&] { return DocumentOf(ActiveChild()) && DocumentOf(ActiveChild())->IsDamaged(); }),
              std::string(name) + " opens as the bitmap it is");
        HWND view = ViewOf(ActiveChild());
        ::SendMessageA(view, WM_LBUTTONDOWN, MK_LBUTTON, MAKELONG(5, 5));
        ::SendMessageA(view, WM_MOUSEMOVE, MK_LBUTTON, MAKELONG(40, 30));
        ::PostMessageA(view, WM_LBUTTONUP, 0, MAKELONG(40, 30));
        ExpectMessageBox(refusal);
    };
    const char* const kRecordDamaged = "The picture record of this picture is damaged: it has no region to magnify.";
    for (const auto& [width, height] :
         {std::make_pair(1u, 1u), std::make_pair(46340u, 46340u), std::make_pair(1000000u, 2147u)}) {
        const std::string size = std::to_string(width) + "\xd7" + std::to_string(height);
        openDamaged(claiming(width, height), ("claims-" + std::to_string(width)).c_str(),
                    "pixels, record " + size + "): the file is damaged.", kRecordDamaged);
    }
    std::string flipped = bytes;
    flipped[body + 12] ^= 1;
    openDamaged(flipped, "flipped", "is damaged: its checksum or its fields do not hold.", kRecordDamaged);
    if (!png) {
        openDamaged(bytes.substr(0, body + 20), "cut-record", "is damaged: its checksum", kRecordDamaged);
        const std::size_t stride = (dwordAt(18) + 3) / 4 * 4;
        openDamaged(bytes.substr(0, 1078 + 2 * stride + 1), "cut-rows",
                    "is incomplete: 2 of " + std::to_string(dwordAt(22)) + " rows.",
                    "This picture's file is incomplete: it has no region to magnify.");
    }

    // The same file opened twice: its windows are numbered like a
    // picture's own windows, and the number goes when one closes.
    const std::string name = opened.substr(opened.find_last_of("\\/") + 1);
    ChooseFile(ID_FILE_OPEN, "Open", opened);
    Check(WaitUntil([&] { return WindowText(ActiveChild()) == name + ":2"; }) && WindowText(child) == name + ":1",
          "two windows of one file are " + name + ":1 and " + name + ":2");
    ::SendMessageA(ActiveChild(), WM_CLOSE, 0, 0);
    Settle();
    CheckText(WindowText(child), name, "the first window's title once the second has closed");
    return 0;
}

// open=: a file named on the program's command line that cannot be opened:
// its message, then the main window with no picture, as after a failed Open.
int OpenMissing(const std::vector<std::string>& args) {
    ExpectMessageBox("Unable to open " + Arg(args, "open") + ".");
    Check(WaitUntil([] { return MainFrame() && ::IsWindowVisible(MainFrame()); }), "the main window is shown");
    Settle();
    CheckEqual(Children().size(), std::size_t{0}, "picture windows after a failed open");
    CheckText(WindowText(MainFrame()), "Tindral", "the main window's title");
    return 0;
}

// A picture of 1600 x 1200 for the next New: seconds of work at p = 2.5,
// or, long, minutes of it at the cusp of the cardioid, where orbits inside
// settle and orbits outside escape only after a million steps or so.
void AskForPicture(bool longOne) {
    OnUi([=] {
        PictureParams params = DefaultPictureParams();
        params.width = 1600, params.height = 1200;
        params.iterations = longOne ? 1000000 : 3000;
        params.exponent = longOne ? 2.0 : 2.5;
        params.rect = longOne ? SearchRect{{0.25 - 1e-10, 7.5e-11}, {0.25 + 1e-10, -7.5e-11}}
                              : SearchRect{{-1.6, 1.2}, {1.6, -1.2}};
        App()->SetNextPicture(params);
    });
}

// New of such a picture, whose window opens at once while it is computed.
// Asked for each time, since activating a window takes its region.
HWND StartPicture(bool longOne = true) {
    AskForPicture(longOne);
    const std::size_t before = Children().size();
    PostCommand(ID_FILE_NEW);
    Check(WaitUntil([&] { return Children().size() == before + 1; }, 5000), "a new picture's window opens at once");
    return ActiveChild();
}

bool Computing(HWND child) {
    bool computing = false;
    OnUi([&] {
        auto* frame = dynamic_cast<CMdiChild*>(CWindow::FromHandle(child));
        auto* document = frame ? dynamic_cast<CTindralDoc*>(frame->GetActiveDocument()) : nullptr;
        computing = document && document->Computing() && !document->Dib();
    });
    return computing;
}

bool Answers() {
    DWORD_PTR answer = 0;
    return ::SendMessageTimeoutA(MainFrame(), WM_NULL, 0, 0, SMTO_BLOCK, 1000, &answer) != 0 &&
           OpenMenu("&Palettes") != nullptr;
}

std::vector<unsigned> SchemeTable(Scheme scheme) {
    const ColorList colors = MakeScheme(scheme);
    std::vector<unsigned> table;
    for (int i = 0; i < kSchemeEntries; ++i) table.push_back(Rgb(colors[static_cast<std::size_t>(i)]));
    return table;
}

// Pictures computed beside the program: what their windows show and refuse
// meanwhile, palettes and dialogs meanwhile, Escape, the close box, Ctrl+F4,
// two at once, and the program closed mid-computation (so this comes last).
int ComputingScenario(const std::vector<std::string>&) {
    CTindralDoc* finished = DocumentOf(ActiveChild());
    // Escape stops the active picture, and its window closes.
    HWND stopped = StartPicture();
    ::PostMessageA(ViewOf(stopped), WM_KEYDOWN, VK_ESCAPE, 0);
    Check(WaitUntil([] { return StatusText() == "The picture was stopped."; }) &&
              WaitUntil([&] { return !::IsWindow(stopped); }),
          "Escape stops the active picture, and its window closes");
    HWND first = StartPicture();
    Check(
        WaitUntil([] { return StatusText().rfind("Computing the picture", 0) == 0; }) && Computing(first) && Answers(),
        "the status bar shows the computation, and the program answers within a second");
    // Too soon for the time left to be known: the share done alone.
    Check(StatusText().find("left") == std::string::npos, "the status bar gives no time left yet: " + StatusText());
    // The window's own state: the background and a line of text, nothing
    // of a picture.
    const Capture shot = CaptureClient(ViewOf(first));
    const unsigned background =
        Rgb(RGBQUAD{GetBValue(::GetSysColor(COLOR_WINDOW)), GetGValue(::GetSysColor(COLOR_WINDOW)),
                    GetRValue(::GetSysColor(COLOR_WINDOW)), 0});
    const auto plain = static_cast<std::size_t>(std::count(shot.pixels.begin(), shot.pixels.end(), background));
    Check(shot.width > 0 && plain < shot.pixels.size() && plain * 10 > shot.pixels.size() * 9,
          "a computing window shows a line of text on its background");
    // The toolbar follows the active picture when the program is next idle.
    Check(
        WaitUntil([] { return !MenuItemEnabled("&File", ID_FILE_SAVE) && !ToolbarButtonEnabled(ID_FILE_SAVE); }, 5000),
        "Save is greyed while the picture computes");
    PostCommand(ID_FILE_SAVE);
    ExpectMessageBox("This picture is still being computed: it can be saved once it is done.");
    PostCommand(ID_EDIT_COPY);
    ExpectMessageBox("This picture is still being computed: it can be copied once it is done.");
    SendCommand(ID_PALETTE_GRAY);
    Check(TableOf(finished, kSchemeEntries) == SchemeTable(Scheme::Gray),
          "a palette reaches a finished picture at once");
    Check(Computing(first), "while another computes");
    SetImageSize(1600, 1200);

    const ULONGLONG asked = ::GetTickCount64();
    ::PostMessageA(first, WM_SYSCOMMAND, SC_CLOSE, 0);
    Check(WaitUntil([&] { return !::IsWindow(first); }, 1000),
          "the close box closes a computing window at once (" + std::to_string(::GetTickCount64() - asked) + " ms)");
    HWND third = StartPicture();
    for (const auto& [key, up] :
         {std::pair{VK_CONTROL, 0}, {VK_F4, 0}, {VK_F4, KEYEVENTF_KEYUP}, {VK_CONTROL, KEYEVENTF_KEYUP}})
        ::keybd_event(static_cast<BYTE>(key), 0, static_cast<DWORD>(up), 0);
    Check(WaitUntil([&] { return !::IsWindow(third); }, 2000), "Ctrl+F4 closes a computing window at once");

    // Two at once both finish, in the palette chosen while they computed.
    const HWND both[] = {StartPicture(false), StartPicture(false)};
    Check(Computing(both[0]) && Computing(both[1]), "two pictures compute at once");
    SendCommand(ID_PALETTE_JUNGLE);
    bool answered = true;
    WaitUntil(
        [&] {
            answered = answered && Answers();
            return !PicturesComputing();
        },
        120000);
    for (HWND child : both)
        Check(answered && TableOf(DocumentOf(child), kSchemeEntries) == SchemeTable(Scheme::Jungle),
              "a picture computed beside another finishes in the palette chosen meanwhile, the menus answering");

    // Exit mid-computation: the program and its threads are gone within a second.
    StartPicture();
    HWND frame = MainFrame();
    const ULONGLONG exiting = ::GetTickCount64();
    PostCommand(ID_APP_EXIT);
    const bool closed = WaitUntil([&] { return !::IsWindow(frame); }, 5000) &&
                        CComputation::WaitForAll(std::chrono::milliseconds(5000));
    const ULONGLONG took = ::GetTickCount64() - exiting;
    Check(closed && took < 1000, "the program closes mid-computation in " + std::to_string(took) + " ms");
    return 0;
}

// screen=: where to write a picture of the whole screen with the program in
// use, for looking at by eye: the program filling the screen with three
// pictures, one of them a magnified region of another, and the palette.
int Showcase(const std::vector<std::string>& args) {
    ::SendMessageA(MainFrame(), WM_SYSCOMMAND, SC_MAXIMIZE, 0);
    ::PostMessageA(ActiveChild(), WM_CLOSE, 0, 0);
    Settle();
    const auto make = [](int width, int height, int iterations, double exponent, SearchRect rect) {
        OnUi([=] {
            PictureParams params = DefaultPictureParams();
            params.width = width, params.height = height, params.iterations = iterations;
            params.exponent = exponent, params.rect = rect;
            App()->SetNextPicture(params);
        });
        SendCommand(ID_FILE_NEW);
        Settle();
        return ActiveChild();
    };
    HWND whole = make(600, 450, 300, 2.0, kDefaultSearchRect);
    HWND cubic = make(360, 270, 300, 3.0, SearchRect{{-1.5, 1.125}, {1.5, -1.125}});
    OnUi([] {
        PictureParams params = App()->NextPicture();
        params.exponent = 2.0, params.iterations = 1000;
        App()->SetNextPicture(params);
    });
    ::SetActiveWindow(whole);
    // The seahorse valley, where the window shows the picture fitted to its size.
    const SIZE shown = ClientSize(ViewOf(whole));
    Drag(ViewOf(whole), {shown.cx * 485 / 1000, shown.cy * 44 / 100}, {shown.cx * 52 / 100, shown.cy * 475 / 1000});
    // The magnified picture takes a moment, and the program stays awake meanwhile.
    HWND zoomed = nullptr;
    Check(WaitUntil(
              [&] {
                  zoomed = ActiveChild();
                  return zoomed != whole && DocumentOf(zoomed)->Dib() &&
                         StatusText().rfind("Computing the picture", 0) != 0;
              },
              120000),
          "the magnified picture is made");
    Settle();
    SendCommand(ID_VIEW_PALETTE);
    Settle();
    HWND palette = ActiveChild();
    const std::pair<HWND, POINT> places[] = {
        {whole, {8, 8}}, {zoomed, {424, 8}}, {cubic, {800, 8}}, {palette, {424, 340}}};
    for (const auto& [window, at] : places)
        ::SetWindowPos(window, nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
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
    {"drawing", &Drawing, false, false},
    {"explore", &Explore, false, false},
    {"open-file", &OpenFile, true, true},
    {"open-missing", &OpenMissing, true, true},
    {"showcase", &Showcase, false, false},
    {"computing", &ComputingScenario, false, false},
};
// clang-format on
const std::size_t kScenarioCount = std::size(kScenarios);

}  // namespace gui
