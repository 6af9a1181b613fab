// The child frame's size: the image of the next picture, within the
// limits, in its own proportions.
#include "win/framework/win32.h"

#include "win/ui/childframe.h"

#include "core/engine/zoom.h"
#include "win/ui/explorer.h"

BOOL CChildFrame::PreCreateWindow(CREATESTRUCTA& cs) {
    const PictureParams next = m_explorer.NextPicture();
    const PixelSize limits = m_explorer.ChildLimits();
    const PixelSize client = FitChildClient(next.width, next.height, limits.width, limits.height);
    m_nClientWidth = client.width;
    m_nClientHeight = client.height;

    cs.style &= ~static_cast<LONG>(WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX);
    cs.style |= static_cast<LONG>(WS_CAPTION);
    cs.dwExStyle |= WS_EX_TOOLWINDOW;
    RECT rect{0, 0, m_nClientWidth, m_nClientHeight};
    ::AdjustWindowRectEx(&rect, static_cast<DWORD>(cs.style), FALSE, cs.dwExStyle);
    cs.cx = rect.right - rect.left;
    cs.cy = rect.bottom - rect.top;
    return CMdiChild::PreCreateWindow(cs);
}
