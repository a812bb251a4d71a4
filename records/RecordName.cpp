#include "RecordName.h"

#include <cwchar>

std::wstring RecordFileName(const RecordTime& t, int nCopy) {
    wchar_t szName[96];
    std::swprintf(szName, 96, L"%ls\\%d\u5e74%02d\u6708%02d\u65e5%02d\u65f6%02d\u5206%02d\u79d2", kRecordFolder, t.year,
                  t.month, t.day, t.hour, t.minute, t.second);
    std::wstring name = szName;
    if (nCopy > 1)
        name += L"(" + std::to_wstring(nCopy) + L")";
    return name + L".bmp";
}

std::wstring RecordTempFileName(unsigned long processId) {
    return std::wstring(kRecordFolder) + L"\\~saving-" + std::to_wstring(processId) + L".tmp";
}
