// Drawing the palette window.
#include "win/framework/win32.h"

#include "win/ui/palview.h"

#include "win/image/imagepalette.h"
#include "win/ui/explorer.h"

// A background selection, so that painting this window never takes the
// system palette away from the pictures.
void CPalView::OnDraw(CDC& dc) {
    CImagePalette* palette = m_explorer.GetPalette();
    if (!palette) return;
    RECT client;
    ::GetClientRect(m_hWnd, &client);
    palette->DrawSwatches(dc, client, TRUE);
}
