// The program's dialogs and its help text.
#include "win/framework/win32.h"

#include "win/ui/dialogs.h"

#include <cstdlib>

#include "core/engine/params.h"
#include "win/framework/application.h"

void CDisclaimerDlg::OnCancel() {
    std::exit(0);
}

void CPerfParamsDlg::DoDataExchange(CDataExchange& dx) {
    dx.Int(IDC_ITERATIONS, m_nIterations, kMinIterations, kMaxIterations);
    dx.Double(IDC_NOISE, m_dNoise);
    dx.Int(IDC_IMAGE_HEIGHT, m_nHeight, kMinImageSide, kMaxImageSide);
    dx.Int(IDC_IMAGE_WIDTH, m_nWidth, kMinImageSide, kMaxImageSide);
    dx.Double(IDC_EXPONENT, m_dExponent);
}

void CRegionDlg::DoDataExchange(CDataExchange& dx) {
    dx.Double(IDC_UPPER_LEFT_IMAG, m_dUpperLeftImag, kMinCornerComponent, kMaxCornerComponent);
    dx.Double(IDC_UPPER_LEFT_REAL, m_dUpperLeftReal, kMinCornerComponent, kMaxCornerComponent);
    dx.Double(IDC_LOWER_RIGHT_IMAG, m_dLowerRightImag, kMinCornerComponent, kMaxCornerComponent);
    dx.Double(IDC_LOWER_RIGHT_REAL, m_dLowerRightReal, kMinCornerComponent, kMaxCornerComponent);
}

void ShowProgramHelp() {
    AppMessageBox(
        "Tindral draws the Mandelbrot set and its relatives, z <- z^p + c, one window per picture.\n\n"
        "To magnify a region, drag a rectangle over a picture with the left mouse button: the selection is "
        "computed again in a new window, and the old one stays open.\n\n"
        "File: New computes a picture of the current region (Ctrl+N); Ctrl+S saves the active picture as a "
        ".BMP file. In a palette window, Load Palette takes the colours of any bitmap file.\n"
        "View: shows or hides the toolbar and the status bar; Palette opens a window with the current colours.\n"
        "Options: Performance Params sets the image size, the iteration limit, the noise and the exponent; "
        "Region sets the corners of the rectangle of the complex plane. Both apply to the next picture.\n"
        "Palettes: five colour schemes; every open picture takes on the new colours at once.\n"
        "The Auto-color-assign button switches the automatic colour assignment off, so that the next pictures "
        "keep the colour bands of the last one, and on again.",
        MB_OK | MB_ICONINFORMATION);
}
