// The photo file's bytes, and the hand-over of a photo from the camera's
// streaming thread to the page. Needs nothing from the platform.
#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <utility>
#include <vector>

// ".\photo.bmp" for one frame: the 54 header bytes, then the frame exactly as
// delivered (24-bit rows, padded, bottom row first when height is positive);
// bfSize counts the frame's own length. Empty when it cannot be allocated.
std::vector<uint8_t> MakePhotoFile(int32_t width, int32_t height, const uint8_t* frame, size_t length);

// One photo between two threads: a newer one replaces one not yet taken, so
// each has one owner at every moment and none is left behind when the
// message that announces it never arrives.
class CPhotoSlot {
public:
    void Put(std::vector<uint8_t> photo) {
        std::lock_guard<std::mutex> lock(m_lock);
        m_photo.swap(photo); // the older photo is freed outside the lock
    }
    // Empty when none came since the last call.
    std::vector<uint8_t> Take() {
        std::lock_guard<std::mutex> lock(m_lock);
        return std::exchange(m_photo, {});
    }

private:
    std::mutex m_lock;
    std::vector<uint8_t> m_photo;
};
