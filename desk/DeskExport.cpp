#include "desk/DeskExport.h"

#include <windows.h>

#include <optional>
#include <vector>

#include "desk/DeskCsv.h"
#include "desk/DeskLayout.h"
#include "desk/DeskPage.h"
#include "desk/DeskSettings.h"
#include "desk/ShareDay.h"
#include "framework/Gdi.h"
#include "framework/GdiPlus.h"
#include "framework/FileIo.h"
#include "framework/Handle.h"
#include "framework/Log.h"

namespace {

std::string Utf8(const std::wstring& text) {
    if (text.empty())
        return {};
    const int n =
        ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n > 0 ? n : 0), '\0');
    if (n > 0)
        ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
    return out;
}

// The temporary file takes the final name, replacing an earlier export's.
bool PutInPlace(const std::wstring& temp, const std::wstring& path) {
    if (::MoveFileExW(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    const DWORD dwError = ::GetLastError();
    ::DeleteFileW(temp.c_str());
    ::SetLastError(dwError);
    return false;
}

std::optional<CLSID> PngEncoder() {
    UINT nEncoders = 0, nBytes = 0;
    if (Gdiplus::DllExports::GdipGetImageEncodersSize(&nEncoders, &nBytes) != Gdiplus::Ok || nBytes == 0)
        return std::nullopt;
    std::vector<uint8_t> buffer(nBytes);
    auto* pCodecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
    if (Gdiplus::DllExports::GdipGetImageEncoders(nEncoders, nBytes, pCodecs) != Gdiplus::Ok)
        return std::nullopt;
    for (UINT i = 0; i < nEncoders; ++i) {
        if (pCodecs[i].MimeType && ::lstrcmpiW(pCodecs[i].MimeType, L"image/png") == 0)
            return pCodecs[i].Clsid;
    }
    return std::nullopt;
}

// Draws page pageIndex into a bitmap and saves it as a PNG file.
bool WritePage(const std::wstring& path, const CLSID& png, const DeskPageLayout& page, const DeskPageInfo& info,
               const CDeskDayList& list, int pageIndex) {
    BITMAPINFO bmi{};
    bmi.bmiHeader = {sizeof(BITMAPINFOHEADER), page.paper.Width(), -page.paper.Height(), 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* pBits = nullptr;
    CClientDC screenDC(nullptr);
    CBitmapHandle bitmap(::CreateDIBSection(screenDC.Get(), &bmi, DIB_RGB_COLORS, &pBits, nullptr, 0));
    if (!bitmap || !pBits) {
        ::SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
    {
        CMemoryDC memDC(screenDC.Get(), bitmap.Get());
        if (!memDC)
            return false;
        DrawDeskPage(memDC.Get(), page, info, list, pageIndex);
        ::GdiFlush();
    }
    Gdiplus::GpBitmap* pBitmap = nullptr;
    if (Gdiplus::DllExports::GdipCreateBitmapFromScan0(page.paper.Width(), page.paper.Height(), page.paper.Width() * 4,
                                                       PixelFormat32bppRGB, static_cast<BYTE*>(pBits),
                                                       &pBitmap) != Gdiplus::Ok)
        return false;
    const CGpImage image = CGpImage::Adopt(pBitmap);
    const std::wstring temp = path + L".tmp";
    if (Gdiplus::DllExports::GdipSaveImageToFile(image.Get(), temp.c_str(), &png, nullptr) != Gdiplus::Ok) {
        ::DeleteFileW(temp.c_str());
        ::SetLastError(ERROR_WRITE_FAULT);
        return false;
    }
    return PutInPlace(temp, path);
}

DeskExportResult WriteFailed(const std::wstring& path) {
    return {kDeskExitWriteFailed, path + L" cannot be written (" + DescribeError(::GetLastError()) + L")"};
}

// The console of whoever started us: the handle they gave, else theirs.
void WriteToStarter(const std::wstring& line, bool bError) {
    HANDLE h = ::GetStdHandle(bError ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
    CHandle console;
    if (!h || h == INVALID_HANDLE_VALUE) {
        if (!::AttachConsole(ATTACH_PARENT_PROCESS))
            return;
        console = CHandle(::CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                        nullptr, OPEN_EXISTING, 0, nullptr));
        h = console.Get();
        if (!h)
            return;
    }
    const std::wstring text = line + L"\r\n";
    DWORD nMode = 0, nWritten = 0;
    if (::GetConsoleMode(h, &nMode)) {
        ::WriteConsoleW(h, text.data(), static_cast<DWORD>(text.size()), &nWritten, nullptr);
    } else {
        const std::string bytes = Utf8(text);
        ::WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &nWritten, nullptr);
    }
}

} // namespace

DeskExportResult ExportDay(const std::wstring& share, const DeskDate& day, const std::wstring& folder) {
    CDeskDayList list;
    const ShareDayResult listed = ListShareDay(share, day, list);
    if (listed.dwError != ERROR_SUCCESS)
        return {kDeskExitShareFailed,
                listed.failedFolder + L" cannot be read (" + DescribeError(listed.dwError) + L"); nothing was written"};
    if (!::CreateDirectoryW(folder.c_str(), nullptr) && ::GetLastError() != ERROR_ALREADY_EXISTS)
        return WriteFailed(folder);
    const std::wstring base = folder.back() == L'\\' ? folder : folder + L"\\";

    const std::wstring csvPath = base + DeskCsvName(day);
    const std::string text = "\xEF\xBB\xBF" + Utf8(DeskCsvText(list.Records()));
    const std::vector<uint8_t> csv(text.begin(), text.end());
    if (!WriteFileDurably((csvPath + L".tmp").c_str(), csv) || !PutInPlace(csvPath + L".tmp", csvPath))
        return WriteFailed(csvPath);

    const std::optional<CLSID> png = PngEncoder();
    if (!png)
        return {kDeskExitWriteFailed, L"No PNG encoder is available on this computer; only the CSV was written"};
    const DeskPageLayout page =
        ComputeDeskPageLayout(kExportPageWidth, kExportPageHeight, kExportPageDpi, kExportPageDpi);
    const DeskPageInfo info{share, LocalTimeStamp()};
    const int pages = DeskPageCount(list.Records().size(), page);
    for (int p = 0; p < pages; ++p) {
        const std::wstring path = base + DeskPageName(day, p + 1);
        if (!WritePage(path, *png, page, info, list, p))
            return WriteFailed(path);
    }
    // an earlier export of a longer list must not leave its last pages beside these
    for (int n = pages + 1; ::DeleteFileW((base + DeskPageName(day, n)).c_str()); ++n) {
    }
    const size_t n = list.Records().size();
    return {kDeskExitWritten, L"Wrote " + DeskCsvName(day) + L" (" + std::to_wstring(n) +
                                  (n == 1 ? L" sign-in" : L" sign-ins") + L") and " + std::to_wstring(pages) +
                                  (pages == 1 ? L" page" : L" pages") + L" to " + folder};
}

int RunExportCommand(int argc, wchar_t** argv) {
    DeskExportResult result{kDeskExitUsage, L"Usage: VelmoDesk.exe /export YYYY-MM-DD FOLDER"};
    const std::optional<DeskDate> day = argc == 4 ? ParseDeskDate(argv[2]) : std::nullopt;
    if (argc == 4 && !day)
        result.line = std::wstring(argv[2]) + L" is not a day such as 2024-03-07";
    if (day && *argv[3]) {
        std::wstring reason;
        const std::wstring share = ReadDeskShareFolder(reason);
        result = share.empty() ? DeskExportResult{kDeskExitNoShare, reason} : ExportDay(share, *day, argv[3]);
    }
    LogEvent(L"Desk: export of %ls: %ls", argc >= 3 ? argv[2] : L"", result.line.c_str());
    WriteToStarter(result.line, result.nExitCode != kDeskExitWritten);
    return result.nExitCode;
}
