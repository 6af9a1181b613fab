// Drawing the progress bar: one line, redrawn in place with a carriage return
// whenever the whole percentage changes.
#include "cli/progress.h"

#include <chrono>
#include <string>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

CProgressBar::CProgressBar(std::FILE* out, bool terminal, Clock clock)
    : m_pOut(out), m_bTerminal(terminal), m_clock(std::move(clock)), m_dStart(m_clock()) {}

bool CProgressBar::Update(double done) {
    if (!m_bTerminal || m_clock() - m_dStart < kDelaySeconds) return true;
    const double share = done < 0.0 ? 0.0 : done > 1.0 ? 1.0 : done;
    const int percent = static_cast<int>(share * 100.0);
    if (percent == m_nShownPercent) return true;
    m_nShownPercent = percent;
    const int filled = static_cast<int>(share * kWidth);
    const std::string bar = std::string(filled, '#') + std::string(kWidth - filled, '-');
    std::fprintf(m_pOut, "\rtindral-render: [%s] %3d%%", bar.c_str(), percent);
    std::fflush(m_pOut);
    return true;
}

void CProgressBar::Finish() {
    if (m_nShownPercent < 0) return;
    // "tindral-render: [" + bar + "] 100%"
    const int length = 17 + kWidth + 6;
    std::fprintf(m_pOut, "\r%*s\r", length, "");
    std::fflush(m_pOut);
    m_nShownPercent = -1;
}

bool CProgressBar::IsTerminal(std::FILE* stream) {
#ifdef _WIN32
    return _isatty(_fileno(stream)) != 0;
#else
    return isatty(fileno(stream)) != 0;
#endif
}

double CProgressBar::SteadySeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}
