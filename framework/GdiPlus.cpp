#include "GdiPlus.h"

#include "Com.h"
#include "FileIo.h"
#include "Handle.h"

#include <vector>

using namespace Gdiplus;

bool CGdiplusStartup::Startup(const GdiplusStartupInput& input) {
    Shutdown();
    ULONG_PTR token = 0;
    if (GdiplusStartup(&token, &input, nullptr) != Ok)
        return false;
    m_token = token;
    return true;
}

void CGdiplusStartup::Shutdown() {
    if (m_token)
        GdiplusShutdown(std::exchange(m_token, 0));
}

bool CGpImage::Load(const wchar_t* pszFile) {
    Reset();
    // read the bytes ourselves: an image loaded from a file path keeps the
    // file locked for the image's lifetime, and the photo file is rewritten
    CFileReader file(pszFile, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);
    uint64_t nSize = 0;
    if (!file || !file.GetSize(nSize) || nSize == 0 || nSize > (256 << 20))
        return false;
    CGlobalMemory mem(::GlobalAlloc(GMEM_MOVEABLE, static_cast<SIZE_T>(nSize)));
    if (!mem)
        return false;
    const bool bRead = file.ReadAt(0, ::GlobalLock(mem.Get()), static_cast<size_t>(nSize));
    ::GlobalUnlock(mem.Get());
    if (!bRead)
        return false;
    CComPtr<IStream> stream;
    if (FAILED(::CreateStreamOnHGlobal(mem.Get(), TRUE, stream.Put())))
        return false;
    mem.Release(); // the stream frees the memory with its last reference
    GpImage* pImage = nullptr;
    if (DllExports::GdipLoadImageFromStream(stream.Get(), &pImage) != Ok)
        return false;
    m_p = pImage; // holds its own reference on the in-memory stream
    return true;
}

void CGpImage::Reset() {
    if (m_p)
        DllExports::GdipDisposeImage(std::exchange(m_p, nullptr));
}

UINT CGpImage::Width() const {
    UINT n = 0;
    if (m_p)
        DllExports::GdipGetImageWidth(m_p, &n);
    return n;
}

UINT CGpImage::Height() const {
    UINT n = 0;
    if (m_p)
        DllExports::GdipGetImageHeight(m_p, &n);
    return n;
}

CGpGraphics::CGpGraphics(HDC hdc) {
    if (hdc && DllExports::GdipCreateFromHDC(hdc, &m_p) != Ok)
        m_p = nullptr;
}

CGpGraphics::~CGpGraphics() {
    if (m_p)
        DllExports::GdipDeleteGraphics(m_p);
}

void CGpGraphics::DrawStretched(const CGpImage& image, const RECT& rc) {
    DrawStretched(image, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top);
}

void CGpGraphics::DrawStretched(const CGpImage& image, int x, int y, int cx, int cy) {
    if (!m_p || !image.Get() || cx <= 0 || cy <= 0)
        return;
    const GpPoint points[3] = {{x, y}, {x + cx, y}, {x, y + cy}};
    DllExports::GdipDrawImagePointsI(m_p, image.Get(), points, 3);
}
