// Owner of an OpenGL rendering context.
#pragma once

#include <windows.h>

#include "framework/Handle.h"

// A context current on this thread is made not current before it is deleted.
struct CGLContextTraits : CNullHandleTraits<HGLRC> {
    static void Close(HGLRC h) {
        if (::wglGetCurrentContext() == h)
            ::wglMakeCurrent(nullptr, nullptr);
        ::wglDeleteContext(h);
    }
};

// A context from wglCreateContext, deleted once.
class CGLContext : public CUniqueHandle<CGLContextTraits> {
public:
    using CUniqueHandle::CUniqueHandle;
    bool MakeCurrent(HDC hdc) const { return *this && ::wglMakeCurrent(hdc, Get()) != FALSE; }
};
