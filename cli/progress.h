// The progress bar that tindral-render draws on stderr during a long render.
#pragma once

#include <cstdio>
#include <functional>

class CProgressBar {
public:
    // Seconds on a steady clock; the tests bring their own.
    using Clock = std::function<double()>;

    // Draws on out only when it is a terminal (a file or a pipe would collect
    // every redraw), and only once the render has taken half a second, so
    // that quick pictures print nothing.
    CProgressBar(std::FILE* out, bool terminal, Clock clock = SteadySeconds);
    CProgressBar(const CProgressBar&) = delete;
    CProgressBar& operator=(const CProgressBar&) = delete;
    ~CProgressBar() { Finish(); }

    // The generator's progress callback: done from 0 to 1; never stops it.
    bool Update(double done);
    // Wipes the bar, if one was drawn, so the terminal is left as it was.
    void Finish();
    // Whether a bar stands on the line now.
    bool Shown() const { return m_nShownPercent >= 0; }

    static bool IsTerminal(std::FILE* stream);
    static double SteadySeconds();

    static constexpr double kDelaySeconds = 0.5;
    static constexpr int kWidth = 40;

private:
    std::FILE* m_pOut;
    bool m_bTerminal;
    Clock m_clock;
    double m_dStart;
    int m_nShownPercent = -1;
};
