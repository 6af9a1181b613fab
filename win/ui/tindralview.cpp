// The set view: drawing through the shared palette, activation, the zoom
// drag, and recolouring on the forwarded palette notice.
#include "win/framework/win32.h"

#include "win/ui/tindralview.h"

#include <iterator>

#include "core/engine/zoom.h"
#include "win/image/dibwin32.h"
#include "win/image/imagepalette.h"
#include "win/ui/explorer.h"
#include "win/ui/tindraldoc.h"

const MessageMap* CTindralView::GetMessageMap() const {
    static const MessageEntry kEntries[] = {
        {WM_LBUTTONDOWN, Handler(&CTindralView::OnLButtonDown)},
        {WM_LBUTTONUP, Handler(&CTindralView::OnLButtonUp)},
        {WM_MOUSEMOVE, Handler(&CTindralView::OnMouseMove)},
        {WM_PALETTECHANGED, Handler(&CTindralView::OnPaletteChanged)},
    };
    static const MessageMap kMap{&CView::ClassMessages, kEntries, std::size(kEntries)};
    return &kMap;
}

CTindralDoc* CTindralView::GetDocument() const {
    return static_cast<CTindralDoc*>(CView::GetDocument());
}

BOOL CTindralView::PreCreateWindow(CREATESTRUCTA& cs) {
    const PictureParams next = m_explorer.NextPicture();
    RECT rect{0, 0, next.width, next.height};
    ::AdjustWindowRectEx(&rect, static_cast<DWORD>(cs.style), FALSE, cs.dwExStyle);
    cs.cx = rect.right - rect.left;
    cs.cy = rect.bottom - rect.top;
    return CView::PreCreateWindow(cs);
}

void CTindralView::OnActivateView(BOOL activate, CView* activated, CView* deactivated) {
    // The next picture or zoom goes on from the picture the user looks at.
    if (activate && GetDocument()) m_explorer.PictureActivated(GetDocument()->Params());
    CView::OnActivateView(activate, activated, deactivated);
}

void CTindralView::OnDraw(CDC& dc) {
    CImagePalette* palette = m_explorer.GetPalette();
    CSelectPalette select(dc.GetSafeHdc(), palette ? palette->GetSafeHandle() : nullptr, FALSE);
    RECT client;
    ::GetClientRect(m_hWnd, &client);
    CTindralDoc* document = GetDocument();
    if (document && document->Dib()) DrawStretched(*document->Dib(), dc, 0, 0, client.right, client.bottom);
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
    const PictureParams next = m_explorer.NextPicture();
    const PixelPoint pointer{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    PixelPoint end{};
    if (!FitBand({m_nAnchorX, m_nAnchorY}, pointer, {client.right, client.bottom},
                 ImageAspect(next.width, next.height), &end)) {
        CancelDrag();
        return 0;
    }
    m_nEndX = end.x;
    m_nEndY = end.y;

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

    RECT client;
    ::GetClientRect(m_hWnd, &client);
    const PictureParams next = m_explorer.NextPicture();
    m_explorer.ZoomTo(ZoomedRegion(GetDocument()->m_searchRect, {client.right, client.bottom}, next.width - 1,
                                   next.height - 1, {m_nAnchorX, m_nAnchorY}, {m_nEndX, m_nEndY}));
    return 0;
}

LRESULT CTindralView::OnPaletteChanged(WPARAM /*wParam*/, LPARAM /*lParam*/) {
    Default();
    CTindralDoc* document = GetDocument();
    if (document && document->Dib()) document->UpdateColors();
    return 0;
}
