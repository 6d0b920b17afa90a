#pragma once

// The lit-pixel measure written the plain way, on doubles, as the reference
// the program's whole-number measure (measureLitPixels) is checked against.

#include <cstdint>

#include "platform/Bitmap.h"
#include "selftest/LitPixels.h"

namespace velmorin::test {

// A colour in sRGB, each component from 0.0 to 1.0.
struct Rgb {
    double red = 0.0;
    double green = 0.0;
    double blue = 0.0;
};

// A sample is lit when red + green + blue is strictly greater than this.
inline constexpr double litThreshold = 0.12;

// The share of lit samples, in percent, over one pixel in sixteen: every
// fourth column of every fourth row, starting at the top-left pixel (0, 0).
// A source with no pixels gives NaN (nothing was sampled, 0 / 0).
//
// `Source` offers height(), width() and rgb(x, y); x counts columns from the
// left, y rows from the top.
template <typename Source>
double sampleLitPixels(const Source& source) {
    const std::int64_t height = source.height();
    std::int64_t lit = 0;
    std::int64_t samples = 0;
    for (std::int64_t y = 0; y < height; y += samplingStride) {
        const std::int64_t width = source.width();
        for (std::int64_t x = 0; x < width; x += samplingStride) {
            const Rgb colour = source.rgb(x, y);
            if (colour.red + colour.green + colour.blue > litThreshold) {
                ++lit;
            }
            ++samples;
        }
    }
    return static_cast<double>(lit) / static_cast<double>(samples) * percentFactor;
}

// A Bitmap read as straight sRGB colours, through the program's own channel
// reading, so every component is a multiple of 1/255.
class ReferencePixels {
public:
    explicit ReferencePixels(const Bitmap& bitmap) : pixels_(bitmap) {}

    std::int64_t height() const { return pixels_.height(); }
    std::int64_t width() const { return pixels_.width(); }
    Rgb rgb(std::int64_t x, std::int64_t y) const {
        constexpr double channelScale = 255.0;
        const auto pixel = pixels_.channels(x, y);
        return {pixel.red / channelScale, pixel.green / channelScale, pixel.blue / channelScale};
    }

private:
    BitmapPixels pixels_;
};

}  // namespace velmorin::test
