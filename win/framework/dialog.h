// Modal dialogs from .rc templates, with the exchange of int, double and
// text edit fields and their range checks.
#pragma once

#include "win/framework/win32.h"

#include <string>

// One pass of the exchange between a dialog's members and its fields. When
// saving, the first field that fails shows its message, keeps the focus and
// stops the rest of the pass.
class CDataExchange {
public:
    CDataExchange(HWND dialog, BOOL saveAndValidate) : m_hDialog(dialog), m_bSaveAndValidate(saveAndValidate) {}

    void Int(int controlId, int& value, int minimum, int maximum);
    void Double(int controlId, double& value, double minimum, double maximum);
    void Double(int controlId, double& value);
    // The field's text without the spaces and tabs around it; the user can
    // type up to maxLength characters into it.
    void Text(int controlId, std::string& value, std::size_t maxLength);
    BOOL Failed() const { return m_bFailed; }
    BOOL Saving() const { return m_bSaveAndValidate; }
    // A check of the values together, after each has passed its own: the
    // message, and the focus on the field the user is to change.
    void Fail(int controlId, const std::string& message);
    // A number field's own messages: it holds no number, or one outside
    // minimum to maximum.
    void FailNumber(int controlId);
    void FailNumberRange(int controlId, double minimum, double maximum);

private:
    // Whether a field holds a decimal number, read into value; too large or
    // too small to hold is still a number, as read.
    BOOL ReadDouble(int controlId, double* value);

    HWND m_hDialog;
    BOOL m_bSaveAndValidate;
    BOOL m_bFailed = FALSE;
};

class CDialog {
public:
    explicit CDialog(UINT templateId) : m_nTemplateId(templateId) {}
    virtual ~CDialog() = default;
    CDialog(const CDialog&) = delete;
    CDialog& operator=(const CDialog&) = delete;

    // Answers the id of the button that closed the dialog, or -1 when it
    // could not be made.
    INT_PTR DoModal();
    HWND m_hWnd = nullptr;

protected:
    virtual BOOL OnInitDialog();
    // Exchange with validation, then close.
    virtual void OnOK();
    // Close without exchange.
    virtual void OnCancel();
    virtual void DoDataExchange(CDataExchange& /*dx*/) {}
    BOOL UpdateData(BOOL saveAndValidate);
    void EndDialog(int result) { ::EndDialog(m_hWnd, result); }

private:
    static INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
    UINT m_nTemplateId;
};
