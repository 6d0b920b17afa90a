#include "selftest/LitPixels.h"

#include <cstddef>
#include <limits>

#include "platform/Image.h"

namespace velmorin {

namespace {

std::uint8_t unpremultiply(std::uint8_t channel, std::uint8_t alpha) {
    const unsigned straight = (channel * 255u + alpha / 2u) / alpha;
    return static_cast<std::uint8_t>(straight > 255u ? 255u : straight);
}

}  // namespace

bool holdsItsRows(const Bitmap& bitmap) {
    constexpr std::size_t largest = std::numeric_limits<std::size_t>::max();
    if (bitmap.width <= 0 || bitmap.height <= 0) {
        return true;
    }
    const auto width = static_cast<std::size_t>(bitmap.width);
    if (width > largest / 4) {
        return false;
    }
    const std::size_t rowBytes = width * 4;
    if (bitmap.stride < rowBytes) {
        return false;
    }
    // The last row starts (height - 1) strides in and is rowBytes long; both
    // are checked before they are multiplied or added, so neither can wrap.
    const auto rowsBefore = static_cast<std::size_t>(bitmap.height - 1);
    if (rowsBefore > (largest - rowBytes) / bitmap.stride) {
        return false;
    }
    return bitmap.pixels.size() >= rowsBefore * bitmap.stride + rowBytes;
}

BitmapPixels::Channels BitmapPixels::channels(std::int64_t x, std::int64_t y) const {
    const std::uint8_t* pixel = bitmap_.pixels.data() +
                                static_cast<std::size_t>(y) * bitmap_.stride +
                                static_cast<std::size_t>(x) * 4;
    const bool rgbaOrder = bitmap_.order == ChannelOrder::rgba;
    Channels channels{rgbaOrder ? pixel[0] : pixel[2], pixel[1], rgbaOrder ? pixel[2] : pixel[0]};
    const std::uint8_t alpha = pixel[3];
    if (bitmap_.alpha == AlphaMode::premultiplied && alpha < 255) {
        if (alpha == 0) {
            return {};
        }
        channels.red = unpremultiply(channels.red, alpha);
        channels.green = unpremultiply(channels.green, alpha);
        channels.blue = unpremultiply(channels.blue, alpha);
    }
    return channels;
}

double measureLitPixels(const Bitmap& bitmap) {
    // Without a column or without a row nothing is sampled, however many of
    // the other there are: the rows are not even walked.
    if (bitmap.width <= 0 || bitmap.height <= 0) {
        return std::numeric_limits<double>::quiet_NaN();
    }
    if (!holdsItsRows(bitmap)) {
        return noImageValue;
    }
    const BitmapPixels pixels(bitmap);
    std::int64_t lit = 0;
    std::int64_t samples = 0;
    for (std::int64_t y = 0; y < pixels.height(); y += samplingStride) {
        const std::int64_t width = pixels.width();
        for (std::int64_t x = 0; x < width; x += samplingStride) {
            const auto [red, green, blue] = pixels.channels(x, y);
            if (unsigned{red} + unsigned{green} + unsigned{blue} >= litChannelSum) {
                ++lit;
            }
            ++samples;
        }
    }
    return static_cast<double>(lit) / static_cast<double>(samples) * percentFactor;
}

double measureLitPixels(const Image* snapshot) {
    if (snapshot == nullptr) {
        return noImageValue;
    }
    const auto bitmap = snapshot->bitmap();
    if (!bitmap) {
        return noImageValue;
    }
    return measureLitPixels(*bitmap);
}

}  // namespace velmorin
