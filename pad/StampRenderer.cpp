#include "StampRenderer.h"

#include <GL/glu.h>

#include <algorithm>
#include <cmath>
#include <new>
#include <utility>

#ifndef GL_BGRA_EXT
#define GL_BGRA_EXT 0x80E1
#endif

void CStampRenderer::Resize(int cx, int cy) {
    m_cx = cx;
    m_cy = cy;
    glViewport(0, 0, cx, cy);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-(cx / 2), cx / 2, -(cy / 2), cy / 2, -100, 100);
    glMatrixMode(GL_MODELVIEW);
}

void CStampRenderer::LoadTexture(const CBrushImage& image) {
    glGenTextures(1, &m_texture);
    glBindTexture(GL_TEXTURE_2D, m_texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP);
    if (image.IsEmpty())
        return;
    // GL reads rows padded to 4 bytes (the unpack alignment stays at its
    // default), so artwork of any other width gets padded rows here
    const size_t packedRow = static_cast<size_t>(image.width) * 3;
    const size_t paddedRow = (packedRow + 3) & ~size_t{3};
    if (packedRow == paddedRow) {
        gluBuild2DMipmaps(GL_TEXTURE_2D, 3, image.width, image.height, GL_RGB, GL_UNSIGNED_BYTE, image.rgb.data());
        return;
    }
    std::vector<uint8_t> padded;
    try {
        padded.resize(paddedRow * image.height);
    } catch (const std::bad_alloc&) {
        return;
    }
    for (int y = 0; y < image.height; ++y)
        std::copy_n(image.rgb.data() + y * packedRow, packedRow, padded.data() + y * paddedRow);
    gluBuild2DMipmaps(GL_TEXTURE_2D, 3, image.width, image.height, GL_RGB, GL_UNSIGNED_BYTE, padded.data());
}

void CStampRenderer::DrawStamps(std::span<const StrokePoint> stamps) const {
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE);
    glBindTexture(GL_TEXTURE_2D, m_texture);
    glBegin(GL_QUADS);
    for (const StrokePoint& p : stamps) {
        glColor3fv(&p.red);
        glTexCoord2f(0, 0);
        glVertex2f(p.x - p.size, p.y - p.size);
        glTexCoord2f(0, 1);
        glVertex2f(p.x - p.size, p.y + p.size);
        glTexCoord2f(1, 1);
        glVertex2f(p.x + p.size, p.y + p.size);
        glTexCoord2f(1, 0);
        glVertex2f(p.x + p.size, p.y - p.size);
    }
    glEnd();
    glDisable(GL_TEXTURE_2D);
}

bool CStampRenderer::RenderFull(std::span<const StrokePoint> stamps, CFrameDib& frame) {
    const int hw = m_cx / 2;
    const int hh = m_cy / 2;
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    DrawStamps(stamps);
    // inversion: the additive sum of pen colours becomes dark ink on white
    glBlendFunc(GL_ONE_MINUS_DST_COLOR, GL_ZERO);
    glColor3f(1, 1, 1);
    glBegin(GL_QUADS);
    glVertex2f(static_cast<GLfloat>(-hw), static_cast<GLfloat>(-hh));
    glVertex2f(static_cast<GLfloat>(hw), static_cast<GLfloat>(-hh));
    glVertex2f(static_cast<GLfloat>(hw), static_cast<GLfloat>(hh));
    glVertex2f(static_cast<GLfloat>(-hw), static_cast<GLfloat>(hh));
    glEnd();
    glDisable(GL_BLEND);

    if (frame.Width() != m_cx || frame.Height() != m_cy || !ReadBack({0, 0, m_cx, m_cy}))
        return false;
    for (int y = 0; y < m_cy; ++y) {
        const uint32_t* src = m_readBuffer.data() + static_cast<size_t>(y) * m_cx;
        uint32_t* dst = frame.Row(m_cy - 1 - y); // GL rows run bottom up
        for (int x = 0; x < m_cx; ++x)
            dst[x] = src[x] & 0x00FFFFFFu;
    }
    return true;
}

CStampRenderer::PixelRect CStampRenderer::BoundsOf(std::span<const StrokePoint> stamps) const {
    const int hw = m_cx / 2;
    const int hh = m_cy / 2;
    if (hw == 0 || hh == 0 || stamps.empty())
        return {0, 0, 0, 0};
    float minX = stamps[0].x, maxX = minX, minY = stamps[0].y, maxY = minY;
    for (const StrokePoint& p : stamps) {
        const float s = std::fabs(p.size);
        minX = std::min(minX, p.x - s);
        maxX = std::max(maxX, p.x + s);
        minY = std::min(minY, p.y - s);
        maxY = std::max(maxY, p.y + s);
    }
    // pad units to window pixels (an odd size stretches by cx / (2 hw)), with
    // a pixel to spare for rasterisation; clamped in double, so far-off
    // stamps cannot overflow an int
    const double scaleX = static_cast<double>(m_cx) / (2.0 * hw);
    const double scaleY = static_cast<double>(m_cy) / (2.0 * hh);
    const auto clampTo = [](double v, int hi) { return static_cast<int>(std::clamp(v, 0.0, static_cast<double>(hi))); };
    const int x0 = clampTo(std::floor((minX + hw) * scaleX) - 1, m_cx);
    const int x1 = clampTo(std::ceil((maxX + hw) * scaleX) + 1, m_cx);
    const int y0 = clampTo(std::floor((minY + hh) * scaleY) - 1, m_cy);
    const int y1 = clampTo(std::ceil((maxY + hh) * scaleY) + 1, m_cy);
    return {x0, y0, x1 - x0, y1 - y0};
}

bool CStampRenderer::ReadBack(const PixelRect& rc) {
    const size_t n = static_cast<size_t>(rc.cx) * rc.cy;
    try {
        if (m_readBuffer.size() < n)
            m_readBuffer.resize(n);
    } catch (const std::bad_alloc&) {
        return false;
    }
    // an error left by an earlier call would otherwise count against this read
    for (int n = 0; n < 32 && glGetError() != GL_NO_ERROR; ++n) {
    }
    // a single-buffered fallback format draws into, and has, only the front buffer
    GLboolean bDouble = GL_TRUE;
    glGetBooleanv(GL_DOUBLEBUFFER, &bDouble);
    glReadBuffer(bDouble ? GL_BACK : GL_FRONT);
    // four bytes a pixel: every row is aligned for the default pack alignment of 4
    glReadPixels(rc.x, rc.y, rc.cx, rc.cy, GL_BGRA_EXT, GL_UNSIGNED_BYTE, m_readBuffer.data());
    return glGetError() == GL_NO_ERROR;
}

bool CStampRenderer::AddStamps(std::span<const StrokePoint> stamps, CFrameDib& frame) {
    if (frame.Width() != m_cx || frame.Height() != m_cy)
        return false;
    const PixelRect rc = BoundsOf(stamps);
    if (rc.cx <= 0 || rc.cy <= 0)
        return true; // nothing of these stamps falls on the pad
    // only the pixels read back need to start from black
    glScissor(rc.x, rc.y, rc.cx, rc.cy);
    glEnable(GL_SCISSOR_TEST);
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT);
    glDisable(GL_SCISSOR_TEST);
    glLoadIdentity();
    DrawStamps(stamps);
    glDisable(GL_BLEND);
    if (!ReadBack(rc))
        return false;
    // the frame holds ink = 255 - sum; adding to the sum is a saturating
    // subtraction from the ink, channel by channel
    for (int r = 0; r < rc.cy; ++r) {
        const uint8_t* src = reinterpret_cast<const uint8_t*>(m_readBuffer.data() + static_cast<size_t>(r) * rc.cx);
        uint8_t* dst = reinterpret_cast<uint8_t*>(frame.Row(m_cy - 1 - (rc.y + r)) + rc.x);
        for (int i = 0; i < rc.cx * 4; i += 4) {
            dst[i] = static_cast<uint8_t>(dst[i] > src[i] ? dst[i] - src[i] : 0);
            dst[i + 1] = static_cast<uint8_t>(dst[i + 1] > src[i + 1] ? dst[i + 1] - src[i + 1] : 0);
            dst[i + 2] = static_cast<uint8_t>(dst[i + 2] > src[i + 2] ? dst[i + 2] - src[i + 2] : 0);
        }
    }
    return true;
}
