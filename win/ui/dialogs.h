// The program's dialogs: disclaimer, About, and the two parameter dialogs.
#pragma once

#include "win/framework/dialog.h"

#include "resources/resource.h"

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

class CPerfParamsDlg : public CDialog {
public:
    CPerfParamsDlg() : CDialog(IDD_PERFORMANCE) {}

    int m_nIterations = 0;
    double m_dNoise = 0.0;
    int m_nHeight = 0;
    int m_nWidth = 0;
    double m_dExponent = 0.0;

protected:
    void DoDataExchange(CDataExchange& dx) override;
};

class CRegionDlg : public CDialog {
public:
    CRegionDlg() : CDialog(IDD_REGION) {}

    double m_dUpperLeftImag = 0.0;
    double m_dUpperLeftReal = 0.0;
    double m_dLowerRightImag = 0.0;
    double m_dLowerRightReal = 0.0;

protected:
    void DoDataExchange(CDataExchange& dx) override;
};

// Our own short help, since current systems cannot show the old help files.
void ShowProgramHelp();
