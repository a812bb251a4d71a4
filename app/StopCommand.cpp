#include "StopCommand.h"

#include "OperatorMessage.h"
#include "SingleInstance.h"
#include "StartRequest.h"
#include "framework/Log.h"

namespace {

// a record copy in flight is finished first
constexpr DWORD kEndMs = 30000;

} // namespace

int StopRunningKiosk(const std::vector<std::wstring>& accountSids) {
    CKioskObjects kiosk;
    DWORD dwError = ERROR_FILE_NOT_FOUND;
    for (const std::wstring& sid : accountSids) {
        if (kiosk.Open(sid))
            break;
        // denied for one account, a kiosk may still be found for the next
        if (::GetLastError() == ERROR_ACCESS_DENIED)
            dwError = ERROR_ACCESS_DENIED;
        kiosk.Close();
    }
    if (!kiosk.Mutex()) {
        if (dwError == ERROR_ACCESS_DENIED) {
            TellOperator(L"Velmo /stop cannot reach the kiosk from this account (" + DescribeError(dwError) +
                             L"); run it as an administrator or as the kiosk account.",
                         true);
            return kExitCannotAskKiosk;
        }
        TellOperator(L"No Velmo kiosk is running.", false);
        return kExitNoKioskRuns;
    }
    ::SetEvent(kiosk.StopEvent());
    const DWORD dwWait = ::WaitForSingleObject(kiosk.Mutex(), kEndMs);
    if (dwWait == WAIT_OBJECT_0 || dwWait == WAIT_ABANDONED) {
        ::ReleaseMutex(kiosk.Mutex());
        TellOperator(L"The Velmo kiosk has ended.", false);
        return kExitNoKioskRuns;
    }
    TellOperator(L"The Velmo kiosk was asked to end but still runs after " + std::to_wstring(kEndMs / 1000) + L" s.",
                 true);
    return kExitKioskStillRuns;
}
