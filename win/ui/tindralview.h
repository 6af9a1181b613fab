// CTindralView: shows a picture stretched over its window and turns a
// dragged selection into the region of a new, magnified picture.
#pragma once

#include "win/framework/window.h"

class CExplorer;
class CTindralDoc;

class CTindralView : public CView {
public:
    explicit CTindralView(CExplorer& explorer) : m_explorer(explorer) {}

    CTindralDoc* GetDocument() const;

    BOOL PreCreateWindow(CREATESTRUCTA& cs) override;
    void OnActivateView(BOOL activate, CView* activated, CView* deactivated) override;
    void OnDraw(CDC& dc) override;

    // The selection: its fixed corner, its other corner as last drawn.
    int m_nAnchorX = 0;
    int m_nAnchorY = 0;
    int m_nEndX = 0;
    int m_nEndY = 0;
    BOOL m_bDragging = FALSE;
    // Whether any drag has set the end point yet.
    BOOL m_bEndSet = FALSE;

protected:
    const MessageMap* GetMessageMap() const override;

private:
    LRESULT OnLButtonDown(WPARAM wParam, LPARAM lParam);
    LRESULT OnLButtonUp(WPARAM wParam, LPARAM lParam);
    LRESULT OnMouseMove(WPARAM wParam, LPARAM lParam);
    LRESULT OnPaletteChanged(WPARAM wParam, LPARAM lParam);
    void CancelDrag();

    CExplorer& m_explorer;
};
