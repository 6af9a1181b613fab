// The child frame's size: the image of the next picture, within the
// limits, in its own proportions.
#include "win/framework/win32.h"

#include "win/ui/childframe.h"

#include "core/engine/zoom.h"
#include "win/ui/explorer.h"
#include "win/ui/tindraldoc.h"

BOOL CChildFrame::PreCreateWindow(CREATESTRUCTA& cs) {
    // A new picture has the next picture's size; one opened from a file its own.
    PictureParams shown = m_explorer.NextPicture();
    if (const auto* document = dynamic_cast<const CTindralDoc*>(CreatingDocument());
        document && !document->GetPathName().empty()) {
        shown.width = document->Width();
        shown.height = document->Height();
    }
    const PixelSize limits = m_explorer.ChildLimits();
    const PixelSize client = FitChildClient(shown.width, shown.height, limits.width, limits.height);
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
