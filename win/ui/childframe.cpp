// The child frame's size: the image of the next picture, within the
// limits, in its own proportions.
#include "win/framework/win32.h"

#include "win/ui/childframe.h"

#include <algorithm>

#include "core/engine/zoom.h"
#include "win/ui/explorer.h"
#include "win/ui/tindraldoc.h"

namespace {

// The width of a small caption that shows the title of the document a window
// is made for, with room for a number after it, and its close box.
int CaptionWidth(const CREATESTRUCTA& cs, const std::string& title) {
    NONCLIENTMETRICSA metrics{};
    metrics.cbSize = sizeof metrics;
    if (!::SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) return 0;
    HDC dc = ::GetDC(nullptr);
    HGDIOBJ old = ::SelectObject(dc, ::CreateFontIndirectA(&metrics.lfSmCaptionFont));
    const std::string shown = title + ":9";
    SIZE text{};
    ::GetTextExtentPoint32A(dc, shown.c_str(), static_cast<int>(shown.size()), &text);
    ::DeleteObject(::SelectObject(dc, old));
    ::ReleaseDC(nullptr, dc);
    RECT frame{0, 0, 0, 0};
    ::AdjustWindowRectEx(&frame, static_cast<DWORD>(cs.style), FALSE, cs.dwExStyle);
    return text.cx + 2 * ::GetSystemMetrics(SM_CXSMSIZE) + (frame.right - frame.left);
}

}  // namespace

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
    // However small the picture, the caption has room for its title and
    // the close box.
    const CDocument* creating = CreatingDocument();
    cs.cx = std::max(static_cast<int>(rect.right - rect.left), CaptionWidth(cs, creating ? creating->GetTitle() : ""));
    cs.cy = rect.bottom - rect.top;
    return CMdiChild::PreCreateWindow(cs);
}

RECT CChildFrame::ViewRect(int width, int height) const {
    return RECT{0, 0, std::min(width, m_nClientWidth), std::min(height, m_nClientHeight)};
}
