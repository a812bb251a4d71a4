// The pointer types of Windows 8; their functions are resolved at run time.
#undef WINVER
#undef _WIN32_WINNT
#define WINVER 0x0602
#define _WIN32_WINNT 0x0602
#include <windows.h>

#include <propsys.h>
#include <shellapi.h>

#include "PointerInput.h"

#include <algorithm>

#include "Com.h"
#include "SystemFunction.h"

namespace {

bool PointerInfo(UINT32 nPointerId, POINTER_INFO& info) {
    static const auto pGetPointerInfo = SystemFunction<decltype(::GetPointerInfo)>(L"user32.dll", "GetPointerInfo");
    return pGetPointerInfo && pGetPointerInfo(nPointerId, &info);
}

PointerPoint ToPoint(const POINTER_INFO& info) {
    // the raw position is where the digitiser saw the finger; the other is
    // the system's prediction of where it will be
    return {info.frameId, info.ptPixelLocationRaw, (info.pointerFlags & POINTER_FLAG_CANCELED) != 0};
}

} // namespace

bool IsTouchOrPen(UINT32 nPointerId) {
    static const auto pGetPointerType = SystemFunction<decltype(::GetPointerType)>(L"user32.dll", "GetPointerType");
    POINTER_INPUT_TYPE type = PT_MOUSE;
    return pGetPointerType && pGetPointerType(nPointerId, &type) && (type == PT_TOUCH || type == PT_PEN);
}

bool IsPointerInContact(UINT32 nPointerId) {
    POINTER_INFO info{};
    return PointerInfo(nPointerId, info) && (info.pointerFlags & POINTER_FLAG_INCONTACT) != 0;
}

std::vector<PointerPoint> PointerInputs(UINT32 nPointerId) {
    static const auto pGetHistory =
        SystemFunction<decltype(::GetPointerInfoHistory)>(L"user32.dll", "GetPointerInfoHistory");
    POINTER_INFO info{};
    if (!PointerInfo(nPointerId, info))
        return {};
    std::vector<POINTER_INFO> history(std::max<UINT32>(info.historyCount, 1));
    UINT32 nEntries = static_cast<UINT32>(history.size());
    if (!pGetHistory || !pGetHistory(nPointerId, &nEntries, history.data()) || nEntries == 0)
        return {ToPoint(info)};
    history.resize(std::min<size_t>(nEntries, history.size()));
    std::vector<PointerPoint> points;
    points.reserve(history.size());
    for (const POINTER_INFO& entry : history)
        points.push_back(ToPoint(entry));
    return points;
}

void TurnOffTouchFeedback(HWND hWnd) {
    static const auto pSetFeedback =
        SystemFunction<decltype(::SetWindowFeedbackSetting)>(L"user32.dll", "SetWindowFeedbackSetting");
    if (!pSetFeedback)
        return;
    static const FEEDBACK_TYPE kFeedback[] = {
        FEEDBACK_TOUCH_CONTACTVISUALIZATION,
        FEEDBACK_PEN_BARRELVISUALIZATION,
        FEEDBACK_PEN_TAP,
        FEEDBACK_PEN_DOUBLETAP,
        FEEDBACK_PEN_PRESSANDHOLD,
        FEEDBACK_PEN_RIGHTTAP,
        FEEDBACK_TOUCH_TAP,
        FEEDBACK_TOUCH_DOUBLETAP,
        FEEDBACK_TOUCH_PRESSANDHOLD,
        FEEDBACK_TOUCH_RIGHTTAP,
        FEEDBACK_GESTURE_PRESSANDTAP,
    };
    const BOOL bEnabled = FALSE;
    for (const FEEDBACK_TYPE feedback : kFeedback)
        pSetFeedback(hWnd, feedback, 0, sizeof(bEnabled), &bEnabled);
}

bool TurnOffEdgeSwipes(HWND hWnd) {
    // System.EdgeGesture.DisableTouchWhenFullscreen, which mingw-w64 does not name
    static constexpr PROPERTYKEY kDisableTouchWhenFullscreen{
        {0x32CE38B2, 0x2C9A, 0x41B1, {0x9B, 0xC5, 0xB3, 0x78, 0x43, 0x94, 0xAA, 0x44}}, 2};
    static const auto pGetStore =
        SystemFunction<decltype(::SHGetPropertyStoreForWindow)>(L"shell32.dll", "SHGetPropertyStoreForWindow");
    CComPtr<IPropertyStore> store;
    if (!pGetStore || FAILED(pGetStore(hWnd, __uuidof(IPropertyStore), reinterpret_cast<void**>(store.Put()))))
        return false;
    PROPVARIANT value{};
    value.vt = VT_BOOL;
    value.boolVal = VARIANT_TRUE;
    return SUCCEEDED(store->SetValue(kDisableTouchWhenFullscreen, value));
}
