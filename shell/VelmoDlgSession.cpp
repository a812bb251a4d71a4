// The page and the system around it: the end of the Windows session.
#include "VelmoDlg.h"

#include "framework/Log.h"
#include "records/RecordKeeper.h"

namespace {

const wchar_t* EndSessionReason(LPARAM lParam) {
    if (lParam & ENDSESSION_LOGOFF)
        return L"the user logs off";
    if (lParam & ENDSESSION_CLOSEAPP)
        return L"an installer or an update needs the program closed";
    return L"Windows shuts down or restarts";
}

} // namespace

// A kiosk holds nothing the session's end would lose: it never stands in the way.
LRESULT CVelmoDlg::OnQueryEndSession(WPARAM, LPARAM) {
    return TRUE;
}

// The system may end the process as soon as this returns, so what must not
// be cut short ends here: a save runs on this thread and is over by now, the
// share copier stops between two files. The camera and the windows follow as
// the message loop ends; the next start catches up as after any stop.
LRESULT CVelmoDlg::OnEndSession(WPARAM wParam, LPARAM lParam) {
    if (!wParam)
        return 0; // another program kept the session going
    LogEvent(L"End of session: %ls%ls; the kiosk ends", EndSessionReason(lParam),
             (lParam & ENDSESSION_CRITICAL) ? L" (forced)" : L"");
    StopRecordKeeping();
    ::PostQuitMessage(0);
    return 0;
}
