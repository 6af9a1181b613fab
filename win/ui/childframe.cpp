// The child frame's size: the image of the current parameters, within the
// limits, in its own proportions.
#include "win/framework/win32.h"

#include "win/ui/childframe.h"

#include "win/app/tindralapp.h"

BOOL CChildFrame::PreCreateWindow(CREATESTRUCTA& cs) {
    const CTindralApp* app = TindralApp();
    // A picture is at least one pixel each way; parameters that say less
    // still give a window that can be drawn in.
    const int imageWidth = app->m_imageRect.right + 1 > 0 ? app->m_imageRect.right + 1 : 1;
    const int imageHeight = app->m_imageRect.bottom + 1 > 0 ? app->m_imageRect.bottom + 1 : 1;
    m_nClientWidth = imageWidth;
    m_nClientHeight = imageHeight;
    if (m_nClientWidth > app->m_nMaxChildWidth) m_nClientWidth = app->m_nMaxChildWidth;
    if (m_nClientHeight > app->m_nMaxChildHeight) m_nClientHeight = app->m_nMaxChildHeight;

    // The ratio is held in single precision: a client area that has the
    // image's proportions already can lose a pixel here (133 x 100 gives 99).
    const float aspect = static_cast<float>(static_cast<double>(imageWidth) / static_cast<double>(imageHeight));
    const double shape = static_cast<double>(m_nClientWidth) / static_cast<double>(m_nClientHeight);
    if (shape < aspect)
        m_nClientHeight = static_cast<int>(m_nClientWidth / static_cast<double>(aspect));
    else if (aspect < static_cast<float>(shape))
        m_nClientWidth = static_cast<int>(m_nClientHeight * static_cast<double>(aspect));

    cs.style &= ~static_cast<LONG>(WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX);
    cs.style |= static_cast<LONG>(WS_CAPTION);
    cs.dwExStyle |= WS_EX_TOOLWINDOW;
    RECT rect{0, 0, m_nClientWidth, m_nClientHeight};
    ::AdjustWindowRectEx(&rect, static_cast<DWORD>(cs.style), FALSE, cs.dwExStyle);
    cs.cx = rect.right - rect.left;
    cs.cy = rect.bottom - rect.top;
    return CMdiChild::PreCreateWindow(cs);
}
