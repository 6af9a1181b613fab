// Tindral.exe's entry point: the one application object, run from the
// command line the program was started with.
#include "win/framework/win32.h"

#include <cstdlib>
#include <string>
#include <vector>

#include "win/app/tindralapp.h"

namespace {
CTindralApp theApp;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE /*previous*/, LPSTR /*commandLine*/, int showCommand) {
    std::vector<std::string> args;
    for (int i = 1; i < __argc; ++i) args.emplace_back(__argv[i]);
    return RunApplication(theApp, instance, std::move(args), showCommand);
}
