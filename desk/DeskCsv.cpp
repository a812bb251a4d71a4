#include "desk/DeskCsv.h"

std::wstring CsvField(std::wstring_view text) {
    std::wstring field;
    if (!text.empty() && std::wstring_view(L"=+-@\t\r").find(text.front()) != std::wstring_view::npos)
        field += L'\'';
    field += text;
    if (field.find_first_of(L",\"\r\n") == std::wstring::npos)
        return field;
    std::wstring quoted = L"\"";
    for (wchar_t c : field) {
        if (c == L'"')
            quoted += L'"';
        quoted += c;
    }
    return quoted + L"\"";
}

std::wstring DeskCsvText(const std::vector<DeskRecord>& records) {
    std::wstring text = L"date,time,kiosk,file name\r\n";
    for (const DeskRecord& r : records) {
        text += FormatDeskDate({r.time.year, r.time.month, r.time.day}) + L',' + FormatRecordTime(r.time) + L',' +
                CsvField(r.kiosk) + L',' + CsvField(r.name) + L"\r\n";
    }
    return text;
}

std::wstring DeskCsvName(const DeskDate& day) {
    return L"sign-ins-" + FormatDeskDate(day) + L".csv";
}

std::wstring DeskPageName(const DeskDate& day, int n) {
    return L"sign-ins-" + FormatDeskDate(day) + L"-" + std::to_wstring(n) + L".png";
}
