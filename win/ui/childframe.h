// CChildFrame: the window of one picture or palette view, sized to the
// next picture's proportions, with a small caption and a fixed border.
#pragma once

#include "win/framework/window.h"

class CExplorer;

class CChildFrame : public CMdiChild {
public:
    explicit CChildFrame(const CExplorer& explorer) : m_explorer(explorer) {}

    BOOL PreCreateWindow(CREATESTRUCTA& cs) override;

    int m_nClientWidth = 0;
    int m_nClientHeight = 0;

protected:
    // The view keeps the picture's fitted size in a window widened for its caption.
    RECT ViewRect(int width, int height) const override;

private:
    const CExplorer& m_explorer;
};
