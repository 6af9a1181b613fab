// tindral-render: escape-time pictures from the command line, for batch work
// and scripts.
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

#include "cli/options.h"
#include "cli/progress.h"
#include "cli/render.h"

#ifndef TINDRAL_VERSION
#define TINDRAL_VERSION "0.0.0"
#endif

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    const ParsedCommandLine parsed = ParseCommandLine(args);
    switch (parsed.action) {
        case ParsedCommandLine::Action::Help:
            std::fputs(kUsage, stdout);
            return 0;
        case ParsedCommandLine::Action::Version:
            std::puts("tindral-render " TINDRAL_VERSION);
            return 0;
        case ParsedCommandLine::Action::Fail:
            std::fprintf(stderr, "tindral-render: %s\n", parsed.error.c_str());
            return 2;
        case ParsedCommandLine::Action::Render:
            break;
    }
    // Noise is seeded from the time in whole seconds, as in the program.
    std::string error;
    CProgressBar bar(stderr, CProgressBar::IsTerminal(stderr));
    const bool rendered = RenderToFile(parsed.options, static_cast<unsigned>(std::time(nullptr)), &error,
                                       [&bar](double done) { return bar.Update(done); });
    bar.Finish();
    if (!rendered) {
        std::fprintf(stderr, "tindral-render: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
