#include "Reporter.h"

#include "Log.h"

std::wstring LoadResourceString(UINT nId) {
    const wchar_t* pText = nullptr;
    // 0 for the buffer length: a pointer to the text in the resource itself
    const int n = ::LoadStringW(::GetModuleHandleW(nullptr), nId, reinterpret_cast<wchar_t*>(&pText), 0);
    return n > 0 && pText ? std::wstring(pText, static_cast<size_t>(n)) : std::wstring();
}

std::wstring VisitorText(UINT nIdText, const wchar_t* pszInsert) {
    std::wstring text = LoadResourceString(nIdText);
    if (pszInsert) {
        const size_t at = text.find(L"%ws");
        if (at != std::wstring::npos)
            text.replace(at, 3, pszInsert);
    }
    return text;
}

int ReportToVisitor(HWND hOwner, UINT nIdText, UINT uType, UINT nIdCaption, const wchar_t* pszInsert) {
    const std::wstring text = VisitorText(nIdText, pszInsert);
    LogEvent(L"Shown to the visitor: %ls", text.c_str());
    const std::wstring caption = nIdCaption ? LoadResourceString(nIdCaption) : std::wstring();
    return ::MessageBoxW(hOwner, text.c_str(), nIdCaption ? caption.c_str() : nullptr, uType);
}

void CloseBoxesOver(HWND hOwner) {
    ::EnumThreadWindows(
        ::GetCurrentThreadId(),
        [](HWND hWnd, LPARAM lParam) -> BOOL {
            if (::GetWindow(hWnd, GW_OWNER) == reinterpret_cast<HWND>(lParam) && ::IsWindowVisible(hWnd)) {
                LogEvent(L"A box left unanswered was closed");
                // a message box's only button, and a dialog's OK
                ::PostMessageW(hWnd, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(hOwner));
}
