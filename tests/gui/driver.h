// The GUI test driver: runs the real application on the main thread and a
// scenario on a second thread that uses the program as a user would, by
// answering dialogs, sending commands and reading what the windows show.
#pragma once

#include "win/framework/win32.h"

#include <functional>
#include <string>
#include <vector>

class CTindralApp;
class CTindralDoc;

namespace gui {

// Counts failed checks; the process exit code is non-zero when any failed.
void Check(bool condition, const std::string& what);
template <typename A, typename B>
void CheckEqual(const A& actual, const B& expected, const std::string& what) {
    const bool equal = actual == expected;
    Check(equal,
          what + (equal ? "" : " (got " + std::to_string(actual) + ", expected " + std::to_string(expected) + ")"));
}
void CheckText(const std::string& actual, const std::string& expected, const std::string& what);
int Failures();

// Runs fn on the user-interface thread and waits for it.
void OnUi(const std::function<void()>& fn);
CTindralApp* App();
HWND MainFrame();
// The visible top-level dialog with this caption, waited for up to timeoutMs;
// null (and a failed check) when it does not come.
HWND WaitForDialog(const char* caption, int timeoutMs = 20000);
bool WaitUntil(const std::function<bool()>& condition, int timeoutMs = 20000);
// A message box's text.
std::string DialogText(HWND dialog);
void ClickButton(HWND dialog, int id);
// A command as if chosen from the menu: posted, so that a modal dialog it
// opens does not block the driver.
void PostCommand(UINT id);
// A command that opens nothing modal, run to its end.
void SendCommand(UINT id);
// Whether any picture is still being computed.
bool PicturesComputing();
// Waits for the pictures being computed, then lets the message loop go
// idle, so that toolbar and title updates run.
void Settle();

// The active child window, its view and document.
HWND ActiveChild();
HWND ViewOf(HWND child);
CTindralDoc* DocumentOf(HWND child);
std::vector<HWND> Children();
SIZE ClientSize(HWND window);
std::string WindowText(HWND window);

// What a window's client area shows on the screen, 0x00RRGGBB per pixel,
// row by row from the top.
struct Capture {
    int width = 0;
    int height = 0;
    std::vector<unsigned> pixels;
    unsigned At(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};
// Repainted first unless repaint is false: then exactly what is on the
// screen, stale pixels included.
Capture CaptureClient(HWND window, bool repaint = true);

// Answers the disclaimer and waits for the main window; every scenario that
// goes past start-up begins here.
void AgreeAndWaitForMainWindow();

// Small things scenarios share: a file's bytes, the name a user types into
// a file dialog for a path of the build tree, a message box that must say
// text (answered), the status bar's text, a colour as 0xRRGGBB, a drag with
// the left button, and bringing a picture window forward.
std::string ReadFile(const std::string& path);
std::string WindowsPath(std::string path);
void ExpectMessageBox(const std::string& text);
std::string StatusText();
unsigned Rgb(const RGBQUAD& q);
void Drag(HWND view, POINT from, POINT to);
void Activate(HWND child);
// A menu of the menu bar, prepared as the system prepares it before it
// shows it (items enabled or greyed); null when there is none.
HMENU OpenMenu(const char* name);
// Types path into the file dialog a command opens and presses OK.
void ChooseFile(UINT command, const char* caption, const std::string& path);

// Checks that each text of a dialog fits its control at the dialog's font;
// answers how many there are.
int CheckTextsFit(HWND dialog);

// The value of a KEY=VALUE argument, empty when there is none.
std::string Arg(const std::vector<std::string>& args, const std::string& key);

// Scenario registry. A scenario starts with the program running and one
// default picture open, unless it sees to the start itself.
using Scenario = int (*)(const std::vector<std::string>& args);
struct ScenarioEntry {
    const char* name;
    Scenario run;
    // Whether the "open" argument is the program's command line.
    bool firstArgumentForProgram;
    // Whether it answers the disclaimer (or not) itself: such a scenario can
    // only come first.
    bool ownStart;
};
extern const ScenarioEntry kScenarios[];
extern const std::size_t kScenarioCount;

}  // namespace gui
