// The program's dialogs: disclaimer, About, and the two parameter dialogs.
#pragma once

#include "win/framework/dialog.h"

#include "core/engine/params.h"

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

class CRegionDlg : public CDialog {
public:
    explicit CRegionDlg(const PictureParams& params);
    PictureParams Params() const;

    double m_dUpperLeftImag = 0.0;
    double m_dUpperLeftReal = 0.0;
    double m_dLowerRightImag = 0.0;
    double m_dLowerRightReal = 0.0;

protected:
    void DoDataExchange(CDataExchange& dx) override;

private:
    PictureParams m_params;
};

// What a zoom, a region or a size past the precision of doubles is told.
extern const char kPrecisionLimit[];

// Our own short help, since current systems cannot show the old help files.
void ShowProgramHelp();
