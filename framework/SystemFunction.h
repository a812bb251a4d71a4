// Functions of later Windows versions, looked up at run time: a program that
// imports a function its system lacks does not even load, and Wine and older
// Windows lack several that the kiosk uses where they exist.
#pragma once

#include <windows.h>

// The function, or null where the system has none by that name.
template <class Fn> Fn* SystemFunction(const wchar_t* pszModule, const char* pszName) {
    HMODULE hModule = ::GetModuleHandleW(pszModule);
    if (!hModule)
        hModule = ::LoadLibraryExW(pszModule, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    return hModule ? reinterpret_cast<Fn*>(reinterpret_cast<void*>(::GetProcAddress(hModule, pszName))) : nullptr;
}
