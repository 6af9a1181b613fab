// CPalView: the current palette as a grid of swatches.
#pragma once

#include "win/framework/window.h"

class CPalView : public CView {
public:
    void OnDraw(CDC& dc) override;
};
