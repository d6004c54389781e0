// An RGBA picture in memory, rows from the top, tightly packed, with 8 or
// 16 bits a channel: what the host reads from and writes to PNG files.
// 16-bit channels are in the machine's byte order, so that the bytes upload
// as GL_UNSIGNED_SHORT as they are.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>
#include <utility>
#include <vector>

namespace ZevFilter {

// Leaves new elements uninitialised: a large picture then takes memory
// only as its rows are written, so a file that claims a huge size and
// ends early costs what it delivered, not what it claimed.
template <class T>
struct UninitialisedAllocator : std::allocator<T> {
    template <class U>
    struct rebind {
        using other = UninitialisedAllocator<U>;
    };
    UninitialisedAllocator() = default;
    template <class U>
    explicit UninitialisedAllocator(const UninitialisedAllocator<U>& /*other*/) noexcept {}
    template <class U>
    void construct(U* place) noexcept {
        ::new (static_cast<void*>(place)) U;
    }
    template <class U, class... Args>
    void construct(U* place, Args&&... args) {
        ::new (static_cast<void*>(place)) U(std::forward<Args>(args)...);
    }
};

struct RgbaPixels {
    size_t width = 0;
    size_t height = 0;
    int bitDepth = 8;                                             // 8 or 16
    std::vector<uint8_t, UninitialisedAllocator<uint8_t>> bytes;  // rowBytes() * height

    RgbaPixels() = default;
    RgbaPixels(size_t w, size_t h, int depth = 8)
        : width(w), height(h), bitDepth(depth), bytes(w * h * 4 * (depth / 8)) {}

    size_t rowBytes() const { return width * 4 * static_cast<size_t>(bitDepth / 8); }
    uint8_t* row(size_t y) { return bytes.data() + y * rowBytes(); }
    const uint8_t* row(size_t y) const { return bytes.data() + y * rowBytes(); }

    // 8-bit pictures only: the pixel's four channels.
    uint8_t* at(size_t x, size_t y) { return &bytes[(y * width + x) * 4]; }
    const uint8_t* at(size_t x, size_t y) const { return &bytes[(y * width + x) * 4]; }

    // Channel c of pixel (x, y) at either depth, 0 to 255 or 0 to 65535.
    unsigned int sample(size_t x, size_t y, size_t c) const {
        const size_t index = (y * width + x) * 4 + c;
        if (bitDepth == 8) return bytes[index];
        uint16_t value = 0;
        std::memcpy(&value, &bytes[index * 2], sizeof value);
        return value;
    }
    void setSample(size_t x, size_t y, size_t c, unsigned int value) {
        const size_t index = (y * width + x) * 4 + c;
        if (bitDepth == 8) {
            bytes[index] = static_cast<uint8_t>(value);
        } else {
            const auto narrow = static_cast<uint16_t>(value);
            std::memcpy(&bytes[index * 2], &narrow, sizeof narrow);
        }
    }
    unsigned int maxSample() const { return bitDepth == 8 ? 255u : 65535u; }
};

}  // namespace ZevFilter
