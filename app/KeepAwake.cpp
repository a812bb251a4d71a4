#include "app/KeepAwake.h"

#include "framework/Log.h"

CKeepAwake::CKeepAwake(bool bKeepOn) {
    if (!bKeepOn) {
        LogEvent(L"Power: KeepDisplayOn=0; the power plan may turn the display off and let the system sleep");
        return;
    }
    if (Request()) {
        LogEvent(L"Power: the display and the system are kept on by a power request");
        return;
    }
    // where the system has no power requests for us (Wine among them)
    m_bThreadState = ::SetThreadExecutionState(ES_CONTINUOUS | ES_SYSTEM_REQUIRED | ES_DISPLAY_REQUIRED) != 0;
    if (m_bThreadState)
        LogEvent(L"Power: the display and the system are kept on by the thread's execution state");
    else
        LogEvent(L"Power: the display and the system could not be kept on (error %lu)", ::GetLastError());
}

CKeepAwake::~CKeepAwake() {
    if (m_request) {
        ::PowerClearRequest(m_request.Get(), PowerRequestDisplayRequired);
        ::PowerClearRequest(m_request.Get(), PowerRequestSystemRequired);
    }
    if (m_bThreadState)
        ::SetThreadExecutionState(ES_CONTINUOUS);
}

bool CKeepAwake::Request() {
    wchar_t szReason[] = L"Velmo is a sign-in kiosk waiting for visitors";
    REASON_CONTEXT reason{};
    reason.Version = POWER_REQUEST_CONTEXT_VERSION;
    reason.Flags = POWER_REQUEST_CONTEXT_SIMPLE_STRING;
    reason.Reason.SimpleReasonString = szReason;
    CHandle request(::PowerCreateRequest(&reason));
    if (!request || !::PowerSetRequest(request.Get(), PowerRequestDisplayRequired))
        return false;
    if (!::PowerSetRequest(request.Get(), PowerRequestSystemRequired)) {
        ::PowerClearRequest(request.Get(), PowerRequestDisplayRequired);
        return false;
    }
    m_request = std::move(request);
    return true;
}
