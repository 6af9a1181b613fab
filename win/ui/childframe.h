// CChildFrame: the window of one picture or palette view, sized to the
// current image's proportions, with a small caption and a fixed border.
#pragma once

#include "win/framework/window.h"

class CChildFrame : public CMdiChild {
public:
    BOOL PreCreateWindow(CREATESTRUCTA& cs) override;

    int m_nClientWidth = 0;
    int m_nClientHeight = 0;
};
