#include "selftest/LitPixels.h"

#include "platform/Image.h"

namespace velmorin {

namespace {

constexpr double channelScale = 255.0;

std::uint8_t unpremultiply(std::uint8_t channel, std::uint8_t alpha) {
    const unsigned straight = (channel * 255u + alpha / 2u) / alpha;
    return static_cast<std::uint8_t>(straight > 255u ? 255u : straight);
}

}  // namespace

Rgb BitmapPixels::rgb(std::int64_t x, std::int64_t y) const {
    const std::uint8_t* pixel = bitmap_.pixels.data() +
                                static_cast<std::size_t>(y) * bitmap_.stride +
                                static_cast<std::size_t>(x) * 4;
    std::uint8_t red = bitmap_.order == ChannelOrder::rgba ? pixel[0] : pixel[2];
    std::uint8_t green = pixel[1];
    std::uint8_t blue = bitmap_.order == ChannelOrder::rgba ? pixel[2] : pixel[0];
    const std::uint8_t alpha = pixel[3];
    if (bitmap_.alpha == AlphaMode::premultiplied && alpha < 255) {
        if (alpha == 0) {
            return {};
        }
        red = unpremultiply(red, alpha);
        green = unpremultiply(green, alpha);
        blue = unpremultiply(blue, alpha);
    }
    return {red / channelScale, green / channelScale, blue / channelScale};
}

double measureLitPixels(const Bitmap& bitmap) {
    return sampleLitPixels(BitmapPixels(bitmap));
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
