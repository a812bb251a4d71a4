// Owners of kernel handles, on the one owner template.
#pragma once

#include <windows.h>

#include "UniqueHandle.h"

// CreateFileW says failure with INVALID_HANDLE_VALUE, most others with null:
// both mean none.
struct CKernelHandleTraits : CNullHandleTraits<HANDLE> {
    static bool IsValid(HANDLE h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void Close(HANDLE h) { ::CloseHandle(h); }
};
using CHandle = CUniqueHandle<CKernelHandleTraits>;

struct CFindTraits {
    using Type = HANDLE;
    static Type None() { return INVALID_HANDLE_VALUE; }
    static bool IsValid(Type h) { return h != INVALID_HANDLE_VALUE; }
    static void Close(Type h) { ::FindClose(h); }
};

// A directory search from FindFirstFileW, closed with FindClose.
class CFindHandle : public CUniqueHandle<CFindTraits> {
public:
    CFindHandle(const wchar_t* pszPattern, WIN32_FIND_DATAW& data)
        : CUniqueHandle(::FindFirstFileW(pszPattern, &data)) {}
    bool Next(WIN32_FIND_DATAW& data) { return ::FindNextFileW(Get(), &data) != FALSE; }
};

// Memory from GlobalAlloc, freed with GlobalFree unless handed on (Release),
// as to a stream that frees it itself.
struct CGlobalMemoryTraits : CNullHandleTraits<HGLOBAL> {
    static void Close(HGLOBAL h) { ::GlobalFree(h); }
};
using CGlobalMemory = CUniqueHandle<CGlobalMemoryTraits>;
