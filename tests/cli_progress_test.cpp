// tindral-render's progress bar: silent off a terminal and for quick
// renders, drawn in place after half a second, wiped at the end.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "cli/progress.h"

namespace {

// What the bar wrote into a temporary file.
class ProgressBarOutput : public testing::Test {
protected:
    void SetUp() override { ASSERT_NE(m_pFile = std::tmpfile(), nullptr); }
    void TearDown() override { std::fclose(m_pFile); }

    std::string Written() {
        std::fflush(m_pFile);
        std::rewind(m_pFile);
        std::string text;
        for (int c; (c = std::fgetc(m_pFile)) != EOF;) text += static_cast<char>(c);
        return text;
    }

    std::FILE* m_pFile = nullptr;
    double m_dNow = 100.0;
    CProgressBar::Clock Clock() {
        return [this] { return m_dNow; };
    }
};

TEST_F(ProgressBarOutput, QuickRendersPrintNothing) {
    CProgressBar bar(m_pFile, true, Clock());
    m_dNow += 0.49;
    EXPECT_TRUE(bar.Update(0.5));
    EXPECT_TRUE(bar.Update(1.0));
    bar.Finish();
    EXPECT_EQ(Written(), "");
}

TEST_F(ProgressBarOutput, NothingGoesToAFileOrPipe) {
    CProgressBar bar(m_pFile, false, Clock());
    m_dNow += 5.0;
    bar.Update(0.5);
    bar.Finish();
    EXPECT_EQ(Written(), "");
}

TEST_F(ProgressBarOutput, ALongRenderRedrawsInPlaceAndIsWipedAtTheEnd) {
    {
        CProgressBar bar(m_pFile, true, Clock());
        m_dNow += 0.6;
        bar.Update(0.25);
        bar.Update(0.251);  // same whole percentage: no redraw
        bar.Update(1.0);
    }  // the destructor wipes it
    const std::string text = Written();
    const std::string quarter = "\rtindral-render: [" + std::string(10, '#') + std::string(30, '-') + "]  25%";
    const std::string full = "\rtindral-render: [" + std::string(40, '#') + "] 100%";
    const std::string wipe = "\r" + std::string(63, ' ') + "\r";
    EXPECT_EQ(text, quarter + full + wipe);
}

}  // namespace
