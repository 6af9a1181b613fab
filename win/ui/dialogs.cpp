// The program's dialogs and its help text.
#include "win/framework/win32.h"

#include "win/ui/dialogs.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "core/engine/deep.h"
#include "core/engine/generator.h"
#include "core/engine/zoom.h"
#include "win/framework/application.h"

const char kPrecisionLimit[] =
    "This picture has reached the limit of the program's precision: neighbouring pixels would have the same "
    "coordinates. Choose a larger region or a smaller picture.";

namespace {

// Which of a picture's neighbouring pixels doubles can no longer tell apart.
enum class Meeting { None, Columns, Rows };

Meeting NeighboursMeet(const PictureParams& params) {
    if (PixelsDistinguishable(params)) return Meeting::None;
    std::vector<double> columnRe;
    std::vector<double> rowIm;
    PixelCoordinates(params, &columnRe, &rowIm);
    return std::adjacent_find(columnRe.begin(), columnRe.end()) != columnRe.end() ? Meeting::Columns : Meeting::Rows;
}

}  // namespace

void CDisclaimerDlg::OnCancel() {
    std::exit(0);
}

CPerfParamsDlg::CPerfParamsDlg(const PictureParams& params)
    : CDialog(IDD_PERFORMANCE),
      m_nIterations(params.iterations),
      m_dNoise(params.noise),
      m_nHeight(params.height),
      m_nWidth(params.width),
      m_dExponent(params.exponent),
      m_params(params) {}

PictureParams CPerfParamsDlg::Params() const {
    PictureParams params = m_params;
    params.iterations = m_nIterations;
    params.noise = m_dNoise;
    params.height = m_nHeight;
    params.width = m_nWidth;
    params.exponent = m_dExponent;
    return params;
}

void CPerfParamsDlg::DoDataExchange(CDataExchange& dx) {
    dx.Int(IDC_ITERATIONS, m_nIterations, kMinIterations, kMaxIterations);
    dx.Double(IDC_NOISE, m_dNoise);
    dx.Int(IDC_IMAGE_HEIGHT, m_nHeight, kMinImageSide, kMaxImageSide);
    dx.Int(IDC_IMAGE_WIDTH, m_nWidth, kMinImageSide, kMaxImageSide);
    dx.Double(IDC_EXPONENT, m_dExponent);
    // A picture past the precision is refused while the values can still be
    // changed.
    if (!dx.Saving() || dx.Failed()) return;
    const Meeting meeting = NeighboursMeet(Params());
    if (meeting != Meeting::None)
        dx.Fail(meeting == Meeting::Columns ? IDC_IMAGE_WIDTH : IDC_IMAGE_HEIGHT, kPrecisionLimit);
}

CRegionDlg::CRegionDlg(const PictureParams& params)
    : CDialog(IDD_REGION),
      m_dUpperLeftImag(params.rect.upperLeft.im),
      m_dUpperLeftReal(params.rect.upperLeft.re),
      m_dLowerRightImag(params.rect.lowerRight.im),
      m_dLowerRightReal(params.rect.lowerRight.re),
      m_params(params) {}

PictureParams CRegionDlg::Params() const {
    PictureParams params = m_params;
    params.rect = SearchRect{{m_dUpperLeftReal, m_dUpperLeftImag}, {m_dLowerRightReal, m_dLowerRightImag}};
    return params;
}

void CRegionDlg::DoDataExchange(CDataExchange& dx) {
    dx.Double(IDC_UPPER_LEFT_IMAG, m_dUpperLeftImag, kMinCornerComponent, kMaxCornerComponent);
    dx.Double(IDC_UPPER_LEFT_REAL, m_dUpperLeftReal, kMinCornerComponent, kMaxCornerComponent);
    dx.Double(IDC_LOWER_RIGHT_IMAG, m_dLowerRightImag, kMinCornerComponent, kMaxCornerComponent);
    dx.Double(IDC_LOWER_RIGHT_REAL, m_dLowerRightReal, kMinCornerComponent, kMaxCornerComponent);
    if (!dx.Saving() || dx.Failed()) return;
    // The user goes back to the corner of that axis they changed, the lower
    // right one unless only the upper left one was.
    switch (NeighboursMeet(Params())) {
        case Meeting::None:
            return;
        case Meeting::Columns: {
            const bool upperOnly =
                m_dUpperLeftReal != m_params.rect.upperLeft.re && m_dLowerRightReal == m_params.rect.lowerRight.re;
            return dx.Fail(upperOnly ? IDC_UPPER_LEFT_REAL : IDC_LOWER_RIGHT_REAL, kPrecisionLimit);
        }
        case Meeting::Rows: {
            const bool upperOnly =
                m_dUpperLeftImag != m_params.rect.upperLeft.im && m_dLowerRightImag == m_params.rect.lowerRight.im;
            return dx.Fail(upperOnly ? IDC_UPPER_LEFT_IMAG : IDC_LOWER_RIGHT_IMAG, kPrecisionLimit);
        }
    }
}

void ShowProgramHelp() {
    AppMessageBox(
        "Tindral draws the Mandelbrot set and its relatives, z <- z^p + c, one window per picture.\n\n"
        "To magnify a region, drag a rectangle over a picture with the left mouse button: the selection is "
        "computed again in a new window, and the old one stays open.\n\n"
        "File: New computes a picture of the current region; Open shows a picture saved before, ready to "
        "magnify, or any bitmap or PNG file; Save Image saves the active picture as a .BMP or .PNG file. In a "
        "palette window, Load Palette takes the colours of any bitmap or indexed PNG file.\n"
        "View: shows or hides the toolbar and the status bar; Palette opens a window with the current colours.\n"
        "Options: Performance Params sets the image size, the iteration limit, the noise and the exponent; "
        "Region sets the corners of the rectangle of the complex plane. Both apply to the next picture.\n"
        "Palettes: five colour schemes, the current one ticked; every open picture takes on the new colours at "
        "once.\n"
        "The Auto-color-assign button, pressed while it is on, switches the automatic colour assignment off, so "
        "that the next pictures keep the colour bands of the last one, and on again.\n\n"
        "Keys: Ctrl+N New, Ctrl+O Open, Ctrl+S Save, Ctrl+C (or Ctrl+Insert) copies the active picture to the "
        "Clipboard, Esc stops a picture being computed, F1 (or Shift+F1) this help.",
        MB_OK | MB_ICONINFORMATION);
}
