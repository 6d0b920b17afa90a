#pragma once

#include <cstdint>

#include "platform/Bitmap.h"

namespace velmorin {

class Image;

inline constexpr std::int64_t samplingStride = 4;
inline constexpr double percentFactor = 100.0;
// What the measure gives when the snapshot has no pixels to be had.
inline constexpr double noImageValue = -1.0;

// Reads a Bitmap's pixels as straight 8-bit colours. Premultiplied pixels are
// un-premultiplied back to whole values first. A fully transparent pixel
// shows nothing of its colour and counts as black.
class BitmapPixels {
public:
    explicit BitmapPixels(const Bitmap& bitmap) : bitmap_(bitmap) {}

    std::int64_t height() const { return bitmap_.height; }
    std::int64_t width() const { return bitmap_.width; }

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

// A sample is lit when red + green + blue, each from 0.0 to 1.0, is strictly
// greater than 0.12. For 8-bit components k / 255 that comes down to whole
// numbers: the sum of the three is above 0.12 exactly when k adds up to 31 or
// more (30 gives 0.1176..., 31 gives 0.1215...; the rounding of a double sum
// is far smaller than either gap).
inline constexpr unsigned litChannelSum = 31;

// Whether the bitmap's bytes hold all of its rows: rows at least width * 4
// bytes apart, so that none overlaps the next, and the last one ending inside
// the buffer. A bitmap without a row or without a column holds them all.
bool holdsItsRows(const Bitmap& bitmap);

// The share of lit samples, in percent, over one pixel in sixteen: every
// fourth column of every fourth row, starting at the top-left pixel (0, 0).
// A bitmap with no pixels gives NaN (nothing was sampled, 0 / 0), whatever
// its stride and bytes. One whose bytes do not hold its rows has pixels that
// cannot be had, and gives -1.0 as a snapshot without a bitmap does; no byte
// outside the buffer is ever read.
double measureLitPixels(const Bitmap& bitmap);

// The measure of a snapshot: -1.0 when there is no image or no bitmap can be
// had from it.
double measureLitPixels(const Image* snapshot);

}  // namespace velmorin
