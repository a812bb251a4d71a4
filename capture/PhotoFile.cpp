#include "capture/PhotoFile.h"

#include <cstring>
#include <new>

#include "records/BmpFormat.h"

namespace {
void Put16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}
void Put32(uint8_t* p, uint32_t v) {
    Put16(p, static_cast<uint16_t>(v));
    Put16(p + 2, static_cast<uint16_t>(v >> 16));
}
} // namespace

std::vector<uint8_t> MakePhotoFile(int32_t width, int32_t height, const uint8_t* frame, size_t length) {
    if (!frame || length > UINT32_MAX - kBmpHeadersSize)
        length = 0;
    std::vector<uint8_t> file;
    try {
        file.resize(kBmpHeadersSize + length);
    } catch (const std::bad_alloc&) {
        return {};
    }
    uint8_t* p = file.data();
    Put16(p, kBmpSignature);
    Put32(p + 2, static_cast<uint32_t>(file.size()));
    Put32(p + 10, kBmpHeadersSize);
    // the header as connected: a positive height means the bottom row first
    WriteBmpInfoHeader(p + kBmpFileHeaderSize, width, height, 24);
    if (length)
        std::memcpy(p + kBmpHeadersSize, frame, length);
    return file;
}
