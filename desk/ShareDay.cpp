#include "desk/ShareDay.h"

#include "framework/FileIo.h"
#include "framework/Handle.h"
#include "records/ShareSettings.h"

namespace {

uint64_t Join(DWORD high, DWORD low) {
    return (uint64_t{high} << 32) | low;
}

bool IsLink(const WIN32_FIND_DATAW& data) {
    return (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

} // namespace

ShareDayResult ListShareDay(const std::wstring& share, const DeskDate& day, CDeskDayList& list) {
    ShareDayResult result;
    list.Begin(day);
    std::vector<std::wstring> kiosks;
    {
        WIN32_FIND_DATAW data;
        CFindHandle find(KioskShareFolder(share, L"*").c_str(), data);
        if (!find) {
            result.dwError = ::GetLastError();
            result.failedFolder = share;
            list.End();
            return result;
        }
        do {
            // files at the top are no kiosk's
            if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && list.AddKiosk(data.cFileName, IsLink(data)))
                kiosks.push_back(data.cFileName);
        } while (find.Next(data));
    }
    const std::wstring pattern = DayNamePrefix(day) + L"*";
    for (const std::wstring& kiosk : kiosks) {
        const std::wstring folder = KioskShareFolder(share, kiosk);
        WIN32_FIND_DATAW data;
        CFindHandle find((folder + L"\\" + pattern).c_str(), data);
        if (!find) {
            const DWORD dwError = ::GetLastError();
            // nobody signed in there that day
            if (dwError != ERROR_FILE_NOT_FOUND && dwError != ERROR_NO_MORE_FILES && result.dwError == ERROR_SUCCESS) {
                result.dwError = dwError;
                result.failedFolder = folder;
            }
            continue;
        }
        do {
            list.AddFile(kiosk, data.cFileName, (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0, IsLink(data),
                         Join(data.nFileSizeHigh, data.nFileSizeLow),
                         Join(data.ftLastWriteTime.dwHighDateTime, data.ftLastWriteTime.dwLowDateTime));
        } while (find.Next(data));
    }
    list.End();
    return result;
}

std::wstring DeskRecordPath(const std::wstring& share, const DeskRecord& record) {
    return KioskShareFolder(share, record.kiosk) + L"\\" + record.name;
}

bool ReadRecordBytes(const std::wstring& path, std::vector<uint8_t>& bytes) {
    // the kiosk may be renaming its copy into place meanwhile: never stand in its way
    if (ReadWholeFile(path.c_str(), kDeskMaxRecordBytes, bytes, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                      kShareRequestBytes) == ReadFault::None)
        return true;
    bytes.clear();
    return false;
}
