// Modal dialogs and the exchange of their edit fields.
#include "win/framework/dialog.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <exception>

#include "core/base/decimal.h"
#include "win/framework/services.h"
#include "win/framework/window.h"

namespace {

std::string FieldText(HWND dialog, int controlId) {
    // All of it: a number cut short would be read as another number.
    std::string text(static_cast<std::size_t>(::GetWindowTextLengthA(::GetDlgItem(dialog, controlId))) + 1, '\0');
    text.resize(::GetDlgItemTextA(dialog, controlId, text.data(), static_cast<int>(text.size())));
    const auto first = text.find_first_not_of(" \t");
    const auto last = text.find_last_not_of(" \t");
    return first == std::string::npos ? std::string() : text.substr(first, last - first + 1);
}

// Digits with an optional sign, decimal point and exponent: what a user
// types as a number. The C library would also read hexadecimal ("0x1p1"),
// "inf" and "nan".
bool IsDecimal(const std::string& text, bool integer) {
    std::size_t i = text.empty() || (text[0] != '+' && text[0] != '-') ? 0 : 1;
    const auto digits = [&] {
        const std::size_t from = i;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i;
        return i - from;
    };
    std::size_t mantissa = digits();
    if (!integer && i < text.size() && text[i] == '.') ++i, mantissa += digits();
    if (mantissa == 0) return false;
    if (!integer && i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
        if (digits() == 0) return false;
    }
    return i == text.size();
}

// The string table's "%1" and "%2" filled in.
std::string WithBounds(std::string text, const std::string& low, const std::string& high) {
    for (const auto& [mark, value] : {std::pair<std::string, std::string>{"%1", low}, {"%2", high}}) {
        const auto at = text.find(mark);
        if (at != std::string::npos) text.replace(at, mark.size(), value);
    }
    return text;
}

}  // namespace

void CDataExchange::Fail(int controlId, const std::string& message) {
    m_bFailed = TRUE;
    AppMessageBox(message, MB_OK | MB_ICONEXCLAMATION);
    HWND control = ::GetDlgItem(m_hDialog, controlId);
    ::SetFocus(control);
    ::SendMessageA(control, EM_SETSEL, 0, -1);
}

void CDataExchange::FailNumber(int controlId) {
    Fail(controlId, LoadResourceString(IDS_PROMPT_NUMBER));
}

void CDataExchange::FailNumberRange(int controlId, double minimum, double maximum) {
    Fail(controlId,
         WithBounds(LoadResourceString(IDS_PROMPT_NUMBER_RANGE), ShortestDecimal(minimum), ShortestDecimal(maximum)));
}

void CDataExchange::Int(int controlId, int& value, int minimum, int maximum) {
    if (m_bFailed) return;
    if (!m_bSaveAndValidate) {
        ::SetDlgItemTextA(m_hDialog, controlId, std::to_string(value).c_str());
        return;
    }
    const std::string text = FieldText(m_hDialog, controlId);
    if (!IsDecimal(text, true)) return Fail(controlId, LoadResourceString(IDS_PROMPT_INTEGER));
    // An integer too large to hold is outside the range like any other.
    errno = 0;
    const long long parsed = std::strtoll(text.c_str(), nullptr, 10);
    if (errno == ERANGE || parsed < minimum || parsed > maximum)
        return Fail(controlId, WithBounds(LoadResourceString(IDS_PROMPT_INTEGER_RANGE), std::to_string(minimum),
                                          std::to_string(maximum)));
    value = static_cast<int>(parsed);
}

BOOL CDataExchange::ReadDouble(int controlId, double* value) {
    const std::string text = FieldText(m_hDialog, controlId);
    if (!IsDecimal(text, false)) return FALSE;
    *value = std::strtod(text.c_str(), nullptr);
    return TRUE;
}

void CDataExchange::Double(int controlId, double& value) {
    if (m_bFailed) return;
    if (!m_bSaveAndValidate) {
        ::SetDlgItemTextA(m_hDialog, controlId, ShortestDecimal(value).c_str());
        return;
    }
    double parsed = 0.0;
    if (!ReadDouble(controlId, &parsed) || !std::isfinite(parsed)) return FailNumber(controlId);
    value = parsed;
}

void CDataExchange::Double(int controlId, double& value, double minimum, double maximum) {
    if (m_bFailed) return;
    if (!m_bSaveAndValidate) return Double(controlId, value);
    double parsed = 0.0;
    if (!ReadDouble(controlId, &parsed)) return FailNumber(controlId);
    if (parsed < minimum || parsed > maximum) return FailNumberRange(controlId, minimum, maximum);
    value = parsed;
}

void CDataExchange::Text(int controlId, std::string& value, std::size_t maxLength) {
    if (m_bFailed) return;
    if (m_bSaveAndValidate) {
        value = FieldText(m_hDialog, controlId);
        return;
    }
    ::SendDlgItemMessageA(m_hDialog, controlId, EM_SETLIMITTEXT, maxLength, 0);
    ::SetDlgItemTextA(m_hDialog, controlId, value.c_str());
}

INT_PTR CDialog::DoModal() {
    HWND owner = AppMainWindow();
    if (owner && !::IsWindowVisible(owner)) owner = nullptr;
    return ::DialogBoxParamA(AppInstance(), MAKEINTRESOURCEA(m_nTemplateId), owner, &CDialog::DialogProc,
                             reinterpret_cast<LPARAM>(this));
}

// Dialogs open centred over their owner, or over the screen without one.
static void CenterDialog(HWND dialog) {
    RECT area;
    HWND owner = ::GetWindow(dialog, GW_OWNER);
    if (owner && ::IsWindowVisible(owner))
        ::GetWindowRect(owner, &area);
    else
        ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    RECT box;
    ::GetWindowRect(dialog, &box);
    const int x = area.left + ((area.right - area.left) - (box.right - box.left)) / 2;
    const int y = area.top + ((area.bottom - area.top) - (box.bottom - box.top)) / 2;
    ::SetWindowPos(dialog, nullptr, x > 0 ? x : 0, y > 0 ? y : 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

BOOL CDialog::OnInitDialog() {
    CenterDialog(m_hWnd);
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK() {
    if (UpdateData(TRUE)) EndDialog(IDOK);
}

void CDialog::OnCancel() {
    EndDialog(IDCANCEL);
}

BOOL CDialog::UpdateData(BOOL saveAndValidate) {
    CDataExchange dx(m_hWnd, saveAndValidate);
    DoDataExchange(dx);
    return !dx.Failed();
}

INT_PTR CALLBACK CDialog::DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    CDialog* self = nullptr;
    if (message == WM_INITDIALOG) {
        self = reinterpret_cast<CDialog*>(lParam);
        self->m_hWnd = dialog;
        ::SetWindowLongPtrA(dialog, DWLP_USER, lParam);
    } else {
        self = reinterpret_cast<CDialog*>(::GetWindowLongPtrA(dialog, DWLP_USER));
    }
    if (!self) return FALSE;
    // As in every window procedure, nothing unwinds into the system.
    try {
        switch (message) {
            case WM_INITDIALOG:
                return self->OnInitDialog();
            case WM_COMMAND:
                if (LOWORD(wParam) == IDOK) {
                    self->OnOK();
                    return TRUE;
                }
                if (LOWORD(wParam) == IDCANCEL) {
                    self->OnCancel();
                    return TRUE;
                }
                return FALSE;
            case WM_NCDESTROY:
                self->m_hWnd = nullptr;
                return FALSE;
            default:
                return FALSE;
        }
    } catch (const std::exception& e) {
        AppMessageBox(std::string("An unexpected error stopped this action:\n") + e.what(), MB_OK | MB_ICONSTOP);
    } catch (...) {
        AppMessageBox("An unexpected error stopped this action.", MB_OK | MB_ICONSTOP);
    }
    return TRUE;
}
