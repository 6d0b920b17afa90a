#pragma once

#include <cstdint>

#include "platform/Bitmap.h"

namespace velmorin {

class Image;

// A colour in sRGB, each component from 0.0 to 1.0.
struct Rgb {
    double red = 0.0;
    double green = 0.0;
    double blue = 0.0;
};

inline constexpr std::int64_t samplingStride = 4;
// A sample is lit when red + green + blue is strictly greater than this. For
// 8-bit pixels that means a sum of 31 or more (0.12 * 255 is 30.6).
inline constexpr double litThreshold = 0.12;
inline constexpr double percentFactor = 100.0;
// What the measure gives when the snapshot has no pixels to be had.
inline constexpr double noImageValue = -1.0;

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
            const double sum = colour.red + colour.green + colour.blue;
            if (sum > litThreshold) {
                ++lit;
            }
            ++samples;
        }
    }
    return static_cast<double>(lit) / static_cast<double>(samples) * percentFactor;
}

// Reads a Bitmap as straight sRGB colours. Premultiplied pixels are
// un-premultiplied back to whole 8-bit values first, so every component stays
// a multiple of 1/255. A fully transparent pixel shows nothing of its colour
// and counts as black.
class BitmapPixels {
public:
    explicit BitmapPixels(const Bitmap& bitmap) : bitmap_(bitmap) {}

    std::int64_t height() const { return bitmap_.height; }
    std::int64_t width() const { return bitmap_.width; }
    Rgb rgb(std::int64_t x, std::int64_t y) const;

    // The straight 8-bit red, green and blue of pixel (x, y).
    struct Channels {
        std::uint8_t red = 0;
        std::uint8_t green = 0;
        std::uint8_t blue = 0;
    };
    Channels channels(std::int64_t x, std::int64_t y) const;

private:
    const Bitmap& bitmap_;
};

// For 8-bit components k / 255 the lit test comes down to whole numbers: the
// sum of the three is above 0.12 exactly when k adds up to 31 or more (30
// gives 0.1176..., 31 gives 0.1215...; the rounding of the double sum is far
// smaller than either gap).
inline constexpr unsigned litChannelSum = 31;

// The same measure as sampleLitPixels(BitmapPixels(bitmap)), with the lit
// test done on whole numbers, which spares three divisions per sample.
double measureLitPixels(const Bitmap& bitmap);

// The measure of a snapshot: -1.0 when there is no image or no bitmap can be
// had from it.
double measureLitPixels(const Image* snapshot);

}  // namespace velmorin
