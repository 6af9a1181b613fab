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
    // Whether the pointer has gone far enough from the anchor for a band:
    // a click that barely moves selects nothing.
    BOOL m_bBandShown = FALSE;

protected:
    const MessageMap* GetMessageMap() const override;

private:
    LRESULT OnLButtonDown(WPARAM wParam, LPARAM lParam);
    LRESULT OnLButtonUp(WPARAM wParam, LPARAM lParam);
    LRESULT OnMouseMove(WPARAM wParam, LPARAM lParam);
    LRESULT OnPaletteChanged(WPARAM wParam, LPARAM lParam);
    LRESULT OnMouseActivate(WPARAM wParam, LPARAM lParam);
    LRESULT OnMouseLeave(WPARAM wParam, LPARAM lParam);
    LRESULT OnKeyDown(WPARAM wParam, LPARAM lParam);
    LRESULT OnCaptureChanged(WPARAM wParam, LPARAM lParam);
    void CancelDrag();
    void EraseBand();
    // The coordinate and count of the pixel under point, in the status bar.
    void ShowPointInfo(int x, int y);

    CExplorer& m_explorer;
    // The press that brings an inactive picture forward starts no drag.
    BOOL m_bActivatingClick = FALSE;
    BOOL m_bTrackingLeave = FALSE;
};
