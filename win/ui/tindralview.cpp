// The set view: drawing through the shared palette, activation, the zoom
// drag, and recolouring on the forwarded palette notice.
#include "win/framework/win32.h"

#include "win/ui/tindralview.h"

#include <algorithm>
#include <cmath>

#include "win/app/tindralapp.h"
#include "win/ui/tindraldoc.h"
#include "win/image/dibwin32.h"

namespace {

// The image's width-to-height ratio in single precision, from the current
// parameters; zero when a side is empty.
float ImageAspect() {
    const RECT& r = TindralApp()->m_imageRect;
    if (r.bottom + 1 <= 0 || r.right + 1 <= 0) return 0.0f;
    return static_cast<float>(static_cast<double>(r.right + 1) / static_cast<double>(r.bottom + 1));
}

}  // namespace

CTindralDoc* CTindralView::GetDocument() const {
    return static_cast<CTindralDoc*>(CView::GetDocument());
}

BOOL CTindralView::PreCreateWindow(CREATESTRUCTA& cs) {
    const RECT& image = TindralApp()->m_imageRect;
    RECT rect{0, 0, image.right + 1, image.bottom + 1};
    ::AdjustWindowRectEx(&rect, static_cast<DWORD>(cs.style), FALSE, cs.dwExStyle);
    cs.cx = rect.right - rect.left;
    cs.cy = rect.bottom - rect.top;
    return CView::PreCreateWindow(cs);
}

void CTindralView::OnActivateView(BOOL activate, CView* activated, CView* deactivated) {
    // The next picture or zoom goes on from the picture the user looks at.
    if (activate && GetDocument()) {
        CTindralApp* app = TindralApp();
        app->m_searchRect = GetDocument()->m_searchRect;
        app->m_dNoise = GetDocument()->m_dNoise;
        app->m_dExponent = GetDocument()->m_dExponent;
    }
    CView::OnActivateView(activate, activated, deactivated);
}

void CTindralView::OnDraw(CDC& dc) {
    CImagePalette* palette = TindralApp()->GetPalette();
    HPALETTE previous = nullptr;
    const bool selected = palette && palette->GetSafeHandle();
    if (selected) {
        previous = dc.SelectPalette(palette->GetSafeHandle(), FALSE);
        dc.RealizePalette();
    }
    RECT client;
    ::GetClientRect(m_hWnd, &client);
    CTindralDoc* document = GetDocument();
    if (document && document->m_pDIB) DrawStretched(*document->m_pDIB, dc, 0, 0, client.right, client.bottom);
    if (selected && previous) dc.SelectPalette(previous, FALSE);
}

LRESULT CTindralView::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (DispatchMessageEntry(this, kMessages, message, wParam, lParam, &result)) return result;
    return CView::WindowProc(message, wParam, lParam);
}

LRESULT CTindralView::OnLButtonDown(WPARAM /*wParam*/, LPARAM lParam) {
    const POINT point{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    RECT client;
    ::GetClientRect(m_hWnd, &client);
    if (!::PtInRect(&client, point)) return 0;
    // Before a view's first movement the end point starts at the anchor, so
    // that a first click without a move zooms to a band of no size; later
    // clicks keep the end of the previous drag.
    if (!m_bEndSet) {
        m_nEndX = point.x;
        m_nEndY = point.y;
        m_bEndSet = TRUE;
    }
    m_nAnchorX = point.x;
    m_nAnchorY = point.y;
    ::SetCapture(m_hWnd);
    m_bDragging = TRUE;
    ::SetCursor(::LoadCursorA(nullptr, IDC_CROSS));
    return 0;
}

void CTindralView::CancelDrag() {
    ::ReleaseCapture();
    m_bDragging = FALSE;
}

LRESULT CTindralView::OnMouseMove(WPARAM /*wParam*/, LPARAM lParam) {
    if (!m_bDragging) return Default();
    RECT band{m_nAnchorX, m_nAnchorY, m_nEndX, m_nEndY};
    ::InvalidateRect(m_hWnd, &band, TRUE);
    ::UpdateWindow(m_hWnd);

    RECT client;
    ::GetClientRect(m_hWnd, &client);
    int x = std::min<int>(static_cast<short>(LOWORD(lParam)), client.right);
    int y = std::min<int>(static_cast<short>(HIWORD(lParam)), client.bottom);
    const float aspect = ImageAspect();
    const int dx = x - m_nAnchorX;
    const int dy = y - m_nAnchorY;
    // One row above the anchor, or an image without proportions, has no
    // band to fit: the drag ends as any drag to the upper left does.
    if (dy == -1 || !(aspect > 0.0f) || !std::isfinite(aspect)) {
        CancelDrag();
        return 0;
    }
    const double shape = static_cast<double>(dx + 1) / static_cast<double>(dy + 1);
    if (shape < aspect)
        y = m_nAnchorY + static_cast<int>(dx / static_cast<double>(aspect));
    else if (aspect < static_cast<float>(shape))
        x = m_nAnchorX + static_cast<int>(dy * static_cast<double>(aspect));

    const int fittedX = x - m_nAnchorX;
    const int fittedY = y - m_nAnchorY;
    if (fittedX < 0 || fittedY < 0) {
        CancelDrag();
        return 0;
    }
    if (fittedY < fittedX) {
        m_nEndX = m_nAnchorX + static_cast<int>(fittedY * static_cast<double>(aspect));
        m_nEndY = m_nAnchorY + fittedY;
    } else {
        m_nEndX = m_nAnchorX + fittedX;
        m_nEndY = m_nAnchorY + static_cast<int>(fittedX / static_cast<double>(aspect));
    }

    {
        CClientDC dc(m_hWnd);
        CPen pen(PS_DOT, 1, RGB(20, 20, 20));
        CSelectObject selectBrush(dc.GetSafeHdc(), ::GetStockObject(NULL_BRUSH));
        CSelectObject selectPen(dc.GetSafeHdc(), pen);
        ::Rectangle(dc.GetSafeHdc(), m_nAnchorX, m_nAnchorY, m_nEndX, m_nEndY);
    }
    return Default();
}

LRESULT CTindralView::OnLButtonUp(WPARAM /*wParam*/, LPARAM /*lParam*/) {
    if (!m_bDragging) return 0;
    CancelDrag();
    ::SetCursor(::LoadCursorA(nullptr, IDC_ARROW));

    CTindralApp* app = TindralApp();
    const SearchRect& old = GetDocument()->m_searchRect;
    const double x0 = old.upperLeft.re;
    const double y0 = old.upperLeft.im;
    const double x1 = old.lowerRight.re;
    const double y1 = old.lowerRight.im;
    RECT client;
    ::GetClientRect(m_hWnd, &client);
    const double cw = client.right;
    const double ch = client.bottom;
    const double q = static_cast<double>(app->m_imageRect.right) / static_cast<double>(app->m_imageRect.bottom);

    const double newX0 = (m_nAnchorX / cw) * (x1 - x0) + x0;
    const double newY0 = y0 - (m_nAnchorY / ch) * (y0 - y1);
    const double newX1 = (m_nEndX / cw) * (x1 - x0) + x0;
    const double newY1 = (newY0 * q - newX1 + newX0) / q;
    app->m_searchRect = SearchRect{{newX0, newY0}, {newX1, newY1}};
    app->OnCommand(ID_FILE_NEW, TRUE);
    return 0;
}

LRESULT CTindralView::OnPaletteChanged(WPARAM /*wParam*/, LPARAM /*lParam*/) {
    Default();
    CTindralDoc* document = GetDocument();
    if (document && document->m_pDIB) document->UpdateColors();
    return 0;
}
