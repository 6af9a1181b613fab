// The set view: drawing through the shared palette, activation, the zoom
// drag, and recolouring on the forwarded palette notice.
#include "win/framework/win32.h"

#include "win/ui/tindralview.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <iterator>
#include <string>
#include <vector>

#include "core/engine/generator.h"
#include "core/engine/zoom.h"
#include "win/framework/application.h"
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
        {WM_MOUSEACTIVATE, Handler(&CTindralView::OnMouseActivate)},
        {WM_MOUSELEAVE, Handler(&CTindralView::OnMouseLeave)},
        {WM_KEYDOWN, Handler(&CTindralView::OnKeyDown)},
        {WM_CAPTURECHANGED, Handler(&CTindralView::OnCaptureChanged)},
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
    if (activate && GetDocument() && !GetDocument()->IsPlainBitmap())
        m_explorer.PictureActivated(GetDocument()->Params());
    CView::OnActivateView(activate, activated, deactivated);
}

void CTindralView::OnDraw(CDC& dc) {
    CImagePalette* palette = m_explorer.GetPalette();
    CSelectPalette select(dc.GetSafeHdc(), palette ? palette->GetSafeHandle() : nullptr, FALSE);
    RECT client;
    ::GetClientRect(m_hWnd, &client);
    CTindralDoc* document = GetDocument();
    if (document && document->Computing()) {
        // Nothing of the picture yet: how far it has got, over the background.
        const std::string text =
            "Computing: " + std::to_string(static_cast<int>(document->ComputedShare() * 100)) + " %";
        ::SetBkMode(dc.GetSafeHdc(), TRANSPARENT);
        ::SetTextColor(dc.GetSafeHdc(), ::GetSysColor(COLOR_WINDOWTEXT));
        ::DrawTextA(dc.GetSafeHdc(), text.c_str(), -1, &client, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        return;
    }
    if (document && document->Dib()) DrawStretched(*document->Dib(), dc, 0, 0, client.right, client.bottom);
}

LRESULT CTindralView::OnMouseActivate(WPARAM wParam, LPARAM lParam) {
    HWND frame = GetParentFrame() ? GetParentFrame()->m_hWnd : nullptr;
    HWND active = frame ? reinterpret_cast<HWND>(::SendMessageA(::GetParent(frame), WM_MDIGETACTIVE, 0, 0)) : nullptr;
    m_bActivatingClick = frame && active != frame && LOWORD(lParam) == HTCLIENT;
    // The view's own activation (the frame brought forward) comes next.
    return CView::OnMouseActivate(wParam, lParam);
}

LRESULT CTindralView::OnLButtonDown(WPARAM /*wParam*/, LPARAM lParam) {
    // A picture still computing has nothing to select from.
    if (m_bActivatingClick || !GetDocument() || GetDocument()->Computing()) {
        m_bActivatingClick = FALSE;
        return 0;
    }
    const POINT point{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    RECT client;
    ::GetClientRect(m_hWnd, &client);
    if (!::PtInRect(&client, point)) return 0;
    // Every drag starts afresh: nothing of an earlier one is left to zoom to.
    m_nAnchorX = m_nEndX = point.x;
    m_nAnchorY = m_nEndY = point.y;
    m_bBandShown = FALSE;
    ::SetCapture(m_hWnd);
    ::SetFocus(m_hWnd);
    m_bDragging = TRUE;
    ::SetCursor(::LoadCursorA(nullptr, IDC_CROSS));
    return 0;
}

void CTindralView::EraseBand() {
    if (!m_bBandShown) return;
    RECT band{std::min(m_nAnchorX, m_nEndX), std::min(m_nAnchorY, m_nEndY), std::max(m_nAnchorX, m_nEndX) + 1,
              std::max(m_nAnchorY, m_nEndY) + 1};
    ::InvalidateRect(m_hWnd, &band, TRUE);
    ::UpdateWindow(m_hWnd);
}

void CTindralView::CancelDrag() {
    m_bDragging = FALSE;
    if (::GetCapture() == m_hWnd) ::ReleaseCapture();
    ::SetCursor(::LoadCursorA(nullptr, IDC_ARROW));
}

LRESULT CTindralView::OnMouseMove(WPARAM /*wParam*/, LPARAM lParam) {
    const int x = static_cast<short>(LOWORD(lParam));
    const int y = static_cast<short>(HIWORD(lParam));
    if (!m_bDragging) {
        ShowPointInfo(x, y);
        return Default();
    }
    // Until the pointer has left the system's drag distance, a press is a
    // click, not a selection.
    if (!m_bBandShown && std::abs(x - m_nAnchorX) < ::GetSystemMetrics(SM_CXDRAG) &&
        std::abs(y - m_nAnchorY) < ::GetSystemMetrics(SM_CYDRAG))
        return Default();
    EraseBand();

    RECT client;
    ::GetClientRect(m_hWnd, &client);
    const PictureParams next = m_explorer.NextPicture();
    PixelPoint end{};
    if (!FitBand({m_nAnchorX, m_nAnchorY}, {x, y}, {client.right, client.bottom}, ImageAspect(next.width, next.height),
                 &end)) {
        CancelDrag();
        return 0;
    }
    m_nEndX = end.x;
    m_nEndY = end.y;
    m_bBandShown = TRUE;

    {
        CClientDC dc(m_hWnd);
        CPen pen(PS_DOT, 1, RGB(20, 20, 20));
        CSelectObject selectBrush(dc.GetSafeHdc(), ::GetStockObject(NULL_BRUSH));
        CSelectObject selectPen(dc.GetSafeHdc(), pen);
        ::Rectangle(dc.GetSafeHdc(), std::min(m_nAnchorX, m_nEndX), std::min(m_nAnchorY, m_nEndY),
                    std::max(m_nAnchorX, m_nEndX), std::max(m_nAnchorY, m_nEndY));
    }
    return Default();
}

LRESULT CTindralView::OnLButtonUp(WPARAM /*wParam*/, LPARAM /*lParam*/) {
    if (!m_bDragging) return 0;
    CancelDrag();
    // A click, or a band with no width: nothing is selected.
    if (!m_bBandShown || m_nEndX == m_nAnchorX) {
        EraseBand();
        return 0;
    }

    if (GetDocument()->IsPlainBitmap()) {
        EraseBand();
        AppMessageBox(GetDocument()->NoRegionReason());
        return 0;
    }
    RECT client;
    ::GetClientRect(m_hWnd, &client);
    const PictureParams next = m_explorer.NextPicture();
    const PixelSize size{client.right, client.bottom};
    const PixelPoint anchor{m_nAnchorX, m_nAnchorY}, end{m_nEndX, m_nEndY};
    m_explorer.ZoomTo(ZoomedRegion(GetDocument()->Params().rect, size, next.width - 1, next.height - 1, anchor, end),
                      ZoomedExactRegion(GetDocument()->Params(), size, next.width - 1, next.height - 1, anchor, end));
    return 0;
}

// Escape during a drag lets it go with nothing selected.
LRESULT CTindralView::OnKeyDown(WPARAM wParam, LPARAM /*lParam*/) {
    if (wParam != VK_ESCAPE || !m_bDragging) return Default();
    CancelDrag();
    EraseBand();
    return 0;
}

// Another window took the mouse (a dialog, a task switch): the drag ends.
LRESULT CTindralView::OnCaptureChanged(WPARAM /*wParam*/, LPARAM lParam) {
    if (m_bDragging && reinterpret_cast<HWND>(lParam) != m_hWnd) {
        m_bDragging = FALSE;
        EraseBand();
    }
    return 0;
}

void CTindralView::ShowPointInfo(int x, int y) {
    if (!m_bTrackingLeave) {
        TRACKMOUSEEVENT track{sizeof(TRACKMOUSEEVENT), TME_LEAVE, m_hWnd, 0};
        m_bTrackingLeave = ::TrackMouseEvent(&track);
    }
    const CTindralDoc* document = GetDocument();
    RECT client;
    ::GetClientRect(m_hWnd, &client);
    PixelPoint pixel{};
    if (!document || !document->Counts() ||
        !PixelUnder({x, y}, {client.right, client.bottom}, document->Width(), document->Height(), &pixel)) {
        m_explorer.ShowStatus("");
        return;
    }
    const PictureParams params = document->Params();
    std::vector<double> columnRe;
    std::vector<double> rowIm;
    PixelCoordinates(params, &columnRe, &rowIm);
    const double re = columnRe[static_cast<std::size_t>(pixel.x)];
    const double im = rowIm[static_cast<std::size_t>(pixel.y)];
    const double spacingRe = (params.rect.lowerRight.re - params.rect.upperLeft.re) / params.width;
    const double spacingIm = (params.rect.lowerRight.im - params.rect.upperLeft.im) / params.height;
    const std::int32_t count =
        document->Counts()[static_cast<std::size_t>(pixel.y) * static_cast<std::size_t>(params.width) + pixel.x];
    // A deep picture's point, in all the digits its pixels need.
    const std::string exact = ExactPointText(params, pixel);
    std::string text = exact.empty() ? FormatCoordinate(re, spacingRe) + (im < 0 ? " - " : " + ") +
                                           FormatCoordinate(std::fabs(im), spacingIm) + "i: "
                                     : exact + ": ";
    text += count >= params.iterations ? "inside (" + std::to_string(count) + " iterations)"
                                       : std::to_string(count) + " iterations";
    m_explorer.ShowStatus(text);
}

LRESULT CTindralView::OnMouseLeave(WPARAM /*wParam*/, LPARAM /*lParam*/) {
    m_bTrackingLeave = FALSE;
    m_explorer.ShowStatus("");
    return 0;
}

LRESULT CTindralView::OnPaletteChanged(WPARAM /*wParam*/, LPARAM /*lParam*/) {
    Default();
    // A picture whose last recolouring failed tries again.
    CTindralDoc* document = GetDocument();
    if (document && (document->Dib() || document->ImageBits())) document->UpdateColors();
    return 0;
}
