#include "desk/DeskPrint.h"

#include <commdlg.h>

#include "desk/DeskLayout.h"
#include "desk/DeskPage.h"
#include "framework/Gdi.h"
#include "framework/Log.h"

CDC ChoosePrinter(HWND hOwner) {
    PRINTDLGW pd{};
    pd.lStructSize = sizeof(pd);
    pd.hwndOwner = hOwner;
    // without a printer the dialog itself says so
    pd.Flags = PD_RETURNDC | PD_NOSELECTION | PD_NOPAGENUMS | PD_USEDEVMODECOPIESANDCOLLATE;
    if (!::PrintDlgW(&pd)) {
        if (const DWORD dwError = ::CommDlgExtendedError(); dwError != 0) {
            LogEvent(L"Desk: the print dialog failed (%lu)", dwError);
            if (dwError != PDERR_NODEFAULTPRN)
                ::MessageBoxW(hOwner, L"The print dialog could not be shown.", L"Velmo Desk", MB_OK | MB_ICONWARNING);
        }
        return {};
    }
    // the dialog hands over its device settings and a DC, all ours to free
    if (pd.hDevMode)
        ::GlobalFree(pd.hDevMode);
    if (pd.hDevNames)
        ::GlobalFree(pd.hDevNames);
    return CDC(pd.hDC);
}

DeskJobResult PrintDay(const CDC& printer, const std::wstring& share, const CDeskDayList& list) {
    const HDC hdc = printer.Get();
    const DeskPageLayout page =
        ComputeDeskPageLayout(::GetDeviceCaps(hdc, HORZRES), ::GetDeviceCaps(hdc, VERTRES),
                              ::GetDeviceCaps(hdc, LOGPIXELSX), ::GetDeviceCaps(hdc, LOGPIXELSY));
    const DeskPageInfo info{share, LocalTimeStamp()};
    const std::wstring docName = L"Sign-ins " + FormatDeskDate(list.Day());
    DOCINFOW di{sizeof(di), docName.c_str(), nullptr, nullptr, 0};
    bool bPrinted = ::StartDocW(hdc, &di) > 0;
    const int pages = DeskPageCount(list.Records().size(), page);
    for (int p = 0; bPrinted && p < pages; ++p) {
        bPrinted = ::StartPage(hdc) > 0;
        if (bPrinted) {
            DrawDeskPage(hdc, page, info, list, p);
            bPrinted = ::EndPage(hdc) > 0;
        }
    }
    if (bPrinted)
        ::EndDoc(hdc);
    else
        ::AbortDoc(hdc);
    const std::wstring line =
        bPrinted ? L"Printed " + std::to_wstring(pages) + (pages == 1 ? L" page of " : L" pages of ") +
                       FormatDeskDate(list.Day())
                 : L"Printing " + FormatDeskDate(list.Day()) + L" failed: " + DescribeError(::GetLastError());
    LogEvent(L"Desk: %ls", line.c_str());
    return {bPrinted, line};
}
