#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace velmorin {

// The order of the four 8-bit channels of one pixel in memory.
enum class ChannelOrder {
    rgba,
    bgra,
};

enum class AlphaMode {
    straight,
    premultiplied,
};

// A decoded image: rows of 8-bit sRGB pixels, top row first. It is plain data
// so that measuring it needs no toolkit.
struct Bitmap {
    std::int64_t width = 0;
    std::int64_t height = 0;
    std::size_t stride = 0;  // Bytes from the start of one row to the next.
    ChannelOrder order = ChannelOrder::rgba;
    AlphaMode alpha = AlphaMode::straight;
    std::vector<std::uint8_t> pixels;
};

}  // namespace velmorin
