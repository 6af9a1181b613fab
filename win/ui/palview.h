// CPalView: the current palette as a grid of swatches.
#pragma once

#include "win/framework/window.h"

class CExplorer;

class CPalView : public CView {
public:
    explicit CPalView(CExplorer& explorer) : m_explorer(explorer) {}
    void OnDraw(CDC& dc) override;

private:
    CExplorer& m_explorer;
};
