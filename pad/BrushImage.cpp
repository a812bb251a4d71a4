#include "BrushImage.h"

#include <cmath>
#include <new>
#include <stdexcept>

BrushError ParseBrushDib(const uint8_t* data, size_t size, DibView& out) {
    switch (ReadDib(data, size, DibRules{.bBareDib = true, .bLaterHeaders = false}, out)) {
    case DibFault::None:
        return BrushError::None;
    case DibFault::UnknownFormat:
        return BrushError::UnknownFormat;
    case DibFault::BadLayout:
        break;
    }
    return BrushError::ConversionError;
}

std::vector<uint8_t> PackRgbRows(const uint8_t* bgr24BottomUp, int width, int height) {
    if (bgr24BottomUp == nullptr || width <= 0 || height <= 0)
        return {};
    // sizes in 64 bits: a 32-bit build must not wrap into a short buffer
    const uint64_t stride = BmpRowBytes(width, 24);
    const uint64_t packedRow = static_cast<uint64_t>(width) * 3;
    const uint64_t rows = static_cast<uint64_t>(height);
    if (stride * rows > PTRDIFF_MAX || packedRow * rows > PTRDIFF_MAX)
        return {};
    std::vector<uint8_t> rgb;
    try {
        rgb.resize(static_cast<size_t>(packedRow * rows));
    } catch (const std::bad_alloc&) {
        return {};
    } catch (const std::length_error&) {
        return {};
    }
    for (size_t y = 0; y < rows; ++y) {
        const uint8_t* src = bgr24BottomUp + y * stride;
        uint8_t* dst = rgb.data() + y * packedRow;
        for (size_t x = 0; x < packedRow; x += 3) {
            dst[x] = src[x + 2]; // the DIB stores blue, green, red
            dst[x + 1] = src[x + 1];
            dst[x + 2] = src[x];
        }
    }
    return rgb;
}

CBrushImage MakeSoftBrush(int size) {
    CBrushImage image;
    if (size <= 0)
        return image;
    image.width = size;
    image.height = size;
    image.rgb.resize(static_cast<size_t>(size) * size * 3);
    const double centre = (size - 1) / 2.0;
    const double radius = size / 2.0;
    const double sigma = size / 6.0;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const double r2 = (x - centre) * (x - centre) + (y - centre) * (y - centre);
            // nothing at the rim, so a stamp has no visible square edge
            const double edge = r2 >= radius * radius ? 0.0 : 1.0 - r2 / (radius * radius);
            const double v = 255.0 * std::exp(-r2 / (2.0 * sigma * sigma)) * edge;
            const auto c = static_cast<uint8_t>(std::lround(v));
            uint8_t* p = &image.rgb[(static_cast<size_t>(y) * size + x) * 3];
            p[0] = p[1] = p[2] = c;
        }
    }
    return image;
}
