// The program's dialogs: disclaimer, About, and the two parameter dialogs.
#pragma once

#include "win/framework/dialog.h"

#include <string>

#include "core/engine/params.h"
#include "core/engine/region.h"

#include "win/ui/resource.h"

class CDisclaimerDlg : public CDialog {
public:
    CDisclaimerDlg() : CDialog(IDD_DISCLAIMER) {}

protected:
    // Declining ends the program at once, before any picture or window.
    void OnCancel() override;
};

class CAboutDlg : public CDialog {
public:
    CAboutDlg() : CDialog(IDD_ABOUTBOX) {}
};

// Each parameter dialog edits a copy of a picture's parameters; after OK,
// Params() holds the checked values and everything the dialog does not show
// as it was.
class CPerfParamsDlg : public CDialog {
public:
    explicit CPerfParamsDlg(const PictureParams& params);
    PictureParams Params() const;

    int m_nIterations = 0;
    double m_dNoise = 0.0;
    int m_nHeight = 0;
    int m_nWidth = 0;
    double m_dExponent = 0.0;

protected:
    void DoDataExchange(CDataExchange& dx) override;

private:
    PictureParams m_params;
};

// The corners as decimal numbers of any length: an exact region's own, or
// the shortest digits of rect's doubles.
class CRegionDlg : public CDialog {
public:
    explicit CRegionDlg(const PictureParams& params);
    PictureParams Params() const;

    std::string m_strUpperLeftImag;
    std::string m_strUpperLeftReal;
    std::string m_strLowerRightImag;
    std::string m_strLowerRightReal;

protected:
    void DoDataExchange(CDataExchange& dx) override;

private:
    ExactRegion Typed() const;
    void Component(CDataExchange& dx, int controlId, std::string& text);

    PictureParams m_params;
    ExactRegion m_shown;
};

// What a zoom, a region or a size past the precision of doubles is told,
// and with it why, where one arithmetic says why (ChooseArithmetic).
extern const char kPrecisionLimit[];
std::string PrecisionLimitMessage(const std::string& why);

// Our own short help, since current systems cannot show the old help files.
void ShowProgramHelp();
