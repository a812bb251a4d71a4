// GDI+ through its flat functions: start-up guard, owned images and graphics.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <algorithm>
#include <gdiplus.h>
#include <utility>

// Shuts GDI+ down only if this guard started it.
class CGdiplusStartup {
public:
    CGdiplusStartup() = default;
    ~CGdiplusStartup() { Shutdown(); }
    CGdiplusStartup(const CGdiplusStartup&) = delete;
    CGdiplusStartup& operator=(const CGdiplusStartup&) = delete;

    bool Startup(const Gdiplus::GdiplusStartupInput& input);
    void Shutdown();
    ULONG_PTR Token() const { return m_token; }

private:
    ULONG_PTR m_token = 0;
};

// An owned GDI+ image. A failed load leaves an image that draws nothing and
// has size 0 x 0, so callers need no special case for missing artwork.
class CGpImage {
public:
    CGpImage() = default;
    explicit CGpImage(const wchar_t* pszFile) { Load(pszFile); }
    ~CGpImage() { Reset(); }
    CGpImage(CGpImage&& other) noexcept : m_p(std::exchange(other.m_p, nullptr)) {}
    CGpImage& operator=(CGpImage&& other) noexcept {
        if (this != &other) {
            Reset();
            m_p = std::exchange(other.m_p, nullptr);
        }
        return *this;
    }
    CGpImage(const CGpImage&) = delete;
    CGpImage& operator=(const CGpImage&) = delete;

    // Takes ownership of an image made in memory.
    static CGpImage Adopt(Gdiplus::GpImage* p) {
        CGpImage image;
        image.m_p = p;
        return image;
    }
    // Decodes the whole file into memory, so the file is not kept open.
    bool Load(const wchar_t* pszFile);
    void Reset();
    Gdiplus::GpImage* Get() const { return m_p; }
    UINT Width() const;
    UINT Height() const;

private:
    Gdiplus::GpImage* m_p = nullptr;
};

// A GDI+ graphics object on a DC, deleted on scope exit.
class CGpGraphics {
public:
    explicit CGpGraphics(HDC hdc);
    ~CGpGraphics();
    CGpGraphics(const CGpGraphics&) = delete;
    CGpGraphics& operator=(const CGpGraphics&) = delete;

    Gdiplus::GpGraphics* Get() const { return m_p; }
    // Draws the whole image into the rectangle through three corner points,
    // blending by its alpha; nothing for an empty image or an empty rectangle.
    void DrawStretched(const CGpImage& image, const RECT& rc);
    void DrawStretched(const CGpImage& image, int x, int y, int cx, int cy);

private:
    Gdiplus::GpGraphics* m_p = nullptr;
};

// A GDI+ graphics object that draws into an image, deleted on scope exit.
class CGpImageGraphics {
public:
    explicit CGpImageGraphics(const CGpImage& image) {
        if (image.Get() && Gdiplus::DllExports::GdipGetImageGraphicsContext(image.Get(), &m_p) != Gdiplus::Ok)
            m_p = nullptr;
    }
    ~CGpImageGraphics() {
        if (m_p)
            Gdiplus::DllExports::GdipDeleteGraphics(m_p);
    }
    CGpImageGraphics(const CGpImageGraphics&) = delete;
    CGpImageGraphics& operator=(const CGpImageGraphics&) = delete;

    Gdiplus::GpGraphics* Get() const { return m_p; }

private:
    Gdiplus::GpGraphics* m_p = nullptr;
};

// A GDI+ solid brush, deleted on scope exit.
class CGpSolidBrush {
public:
    explicit CGpSolidBrush(Gdiplus::ARGB color) {
        if (Gdiplus::DllExports::GdipCreateSolidFill(color, &m_p) != Gdiplus::Ok)
            m_p = nullptr;
    }
    ~CGpSolidBrush() {
        if (m_p)
            Gdiplus::DllExports::GdipDeleteBrush(m_p);
    }
    CGpSolidBrush(const CGpSolidBrush&) = delete;
    CGpSolidBrush& operator=(const CGpSolidBrush&) = delete;

    Gdiplus::GpSolidFill* Get() const { return m_p; }

private:
    Gdiplus::GpSolidFill* m_p = nullptr;
};
