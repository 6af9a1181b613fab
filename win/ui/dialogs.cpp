// The program's dialogs and its help text.
#include "win/framework/win32.h"

#include "win/ui/dialogs.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <vector>

#include "core/base/decimal.h"
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

// What the dialog shows: an exact region's corners in all their digits,
// otherwise rect's doubles as a double field shows them.
ExactRegion ShownCorners(const PictureParams& params) {
    if (const ExactRegion* region = ExactRegionOf(params)) return ExactCorners(*region, params.width, params.height);
    const SearchRect& r = params.rect;
    return ExactRegion{ExactRegion::Kind::Corners, ShortestDecimal(r.upperLeft.re), ShortestDecimal(r.upperLeft.im),
                       ShortestDecimal(r.lowerRight.re), ShortestDecimal(r.lowerRight.im)};
}

}  // namespace

std::string PrecisionLimitMessage(const std::string& why) {
    if (why.empty()) return kPrecisionLimit;
    std::string reason = why;
    reason[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(reason[0])));
    return std::string(kPrecisionLimit) + "\n\n" + reason + ".";
}

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
    return WithRegionOf(params, m_params);
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
    const PictureParams params = Params();
    const Meeting meeting = NeighboursMeet(params);
    if (meeting == Meeting::None) return;
    std::string why;
    ChooseArithmetic(params, &why);
    // The user goes back to the exponent or the noise where the old one
    // would do, otherwise to the side whose pixels meet.
    int field = meeting == Meeting::Columns ? IDC_IMAGE_WIDTH : IDC_IMAGE_HEIGHT;
    PictureParams undone = params;
    undone.exponent = m_params.exponent;
    if (params.exponent != m_params.exponent && PixelsDistinguishable(undone)) field = IDC_EXPONENT;
    undone = params;
    undone.noise = m_params.noise;
    if (params.noise != m_params.noise && PixelsDistinguishable(undone)) field = IDC_NOISE;
    dx.Fail(field, PrecisionLimitMessage(why));
}

CRegionDlg::CRegionDlg(const PictureParams& params)
    : CDialog(IDD_REGION), m_params(params), m_shown(ShownCorners(params)) {
    m_strUpperLeftImag = m_shown.b;
    m_strUpperLeftReal = m_shown.a;
    m_strLowerRightImag = m_shown.d;
    m_strLowerRightReal = m_shown.c;
}

ExactRegion CRegionDlg::Typed() const {
    return ExactRegion{ExactRegion::Kind::Corners, m_strUpperLeftReal, m_strUpperLeftImag, m_strLowerRightReal,
                       m_strLowerRightImag};
}

PictureParams CRegionDlg::Params() const {
    return TypedCornersPicture(m_params, m_shown, Typed());
}

void CRegionDlg::Component(CDataExchange& dx, int controlId, std::string& text) {
    // One character more than a number may have: a longer one pasted is cut
    // there and refused, never cut into another number.
    dx.Text(controlId, text, kMaxDecimalLength + 1);
    if (!dx.Saving() || dx.Failed()) return;
    switch (CheckCornerComponent(text)) {
        case ComponentCheck::Sound:
            return;
        case ComponentCheck::NotANumber:
            return dx.FailNumber(controlId);
        case ComponentCheck::TooLong:
            return dx.Fail(controlId,
                           "Please enter a number of at most " + std::to_string(kMaxDecimalLength) + " characters.");
        case ComponentCheck::OutOfRange:
            return dx.FailNumberRange(controlId, kMinCornerComponent, kMaxCornerComponent);
    }
}

void CRegionDlg::DoDataExchange(CDataExchange& dx) {
    Component(dx, IDC_UPPER_LEFT_IMAG, m_strUpperLeftImag);
    Component(dx, IDC_UPPER_LEFT_REAL, m_strUpperLeftReal);
    Component(dx, IDC_LOWER_RIGHT_IMAG, m_strLowerRightImag);
    Component(dx, IDC_LOWER_RIGHT_REAL, m_strLowerRightReal);
    if (!dx.Saving() || dx.Failed()) return;
    const Meeting meeting = NeighboursMeet(Params());
    if (meeting == Meeting::None) return;
    const std::string message = PrecisionLimitMessage(WhyBeyond(m_params, Typed()));
    // The user goes back to the corner of that axis they changed, the lower
    // right one unless only the upper left one was.
    if (meeting == Meeting::Columns) {
        const bool upperOnly = m_strUpperLeftReal != m_shown.a && m_strLowerRightReal == m_shown.c;
        return dx.Fail(upperOnly ? IDC_UPPER_LEFT_REAL : IDC_LOWER_RIGHT_REAL, message);
    }
    const bool upperOnly = m_strUpperLeftImag != m_shown.b && m_strLowerRightImag == m_shown.d;
    dx.Fail(upperOnly ? IDC_UPPER_LEFT_IMAG : IDC_LOWER_RIGHT_IMAG, message);
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
        "Region sets the corners of the rectangle of the complex plane, in decimals of any length (up to 4000 "
        "characters). Both apply to the next picture.\n"
        "Palettes: five colour schemes, the current one ticked; every open picture takes on the new colours at "
        "once.\n"
        "The Auto-color-assign button, pressed while it is on, switches the automatic colour assignment off, so "
        "that the next pictures keep the colour bands of the last one, and on again.\n\n"
        "Keys: Ctrl+N New, Ctrl+O Open, Ctrl+S Save, Ctrl+C (or Ctrl+Insert) copies the active picture to the "
        "Clipboard, Esc stops a picture being computed, F1 (or Shift+F1) this help.",
        MB_OK | MB_ICONINFORMATION);
}
