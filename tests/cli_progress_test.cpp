// tindral-render's progress bar: silent off a terminal and for quick
// renders, drawn in place after half a second, wiped at the end.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "cli/progress.h"

namespace {

// What a bar on a terminal (or not) wrote when the render took so long.
std::string Drawn(bool terminal, double seconds) {
    std::FILE* out = std::tmpfile();
    double now = 100.0;
    {
        CProgressBar bar(out, terminal, [&now] { return now; });
        now += seconds;
        bar.Update(0.25);
        bar.Update(0.251);  // same whole percentage: no redraw
        EXPECT_EQ(bar.Shown(), terminal && seconds >= 0.5);
        bar.Update(1.0);
    }  // the destructor wipes it
    std::string text;
    std::rewind(out);
    for (int c; (c = std::fgetc(out)) != EOF;) text += static_cast<char>(c);
    std::fclose(out);
    return text;
}

TEST(ProgressBar, DrawnInPlaceOnlyOnATerminalForLongRenders) {
    EXPECT_EQ(Drawn(true, 0.49), "");
    EXPECT_EQ(Drawn(false, 5.0), "");
    const std::string quarter = "\rtindral-render: [" + std::string(10, '#') + std::string(30, '-') + "]  25%";
    const std::string full = "\rtindral-render: [" + std::string(40, '#') + "] 100%";
    EXPECT_EQ(Drawn(true, 0.6), quarter + full + "\r" + std::string(63, ' ') + "\r");
}

}  // namespace
