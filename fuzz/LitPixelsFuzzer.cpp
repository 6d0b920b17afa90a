// Fuzzes the lit-pixel measure on bitmaps of any shape the Bitmap type can
// hold: any width and height, negative and zero included, any stride, either
// channel order and alpha mode, and a buffer that may be shorter or longer
// than the rows need.
//
// The result must be NaN when there is no row or no column, -1.0 when the
// bytes do not hold the rows, and otherwise lie in [0, 100] and equal the
// plain count on doubles (tests/common/ReferenceLitPixels.h) over colours
// read here straight from the bytes, with their own bounds check. The buffer
// is allocated to its exact size, so AddressSanitizer reports any read past
// its end.

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "common/ReferenceLitPixels.h"
#include "platform/Bitmap.h"
#include "selftest/LitPixels.h"

namespace {

using velmorin::AlphaMode;
using velmorin::Bitmap;
using velmorin::ChannelOrder;
using velmorin::test::Rgb;

using Wide = unsigned __int128;

constexpr std::int64_t smallestSide = -2;
constexpr std::int64_t largestSide = 48;
constexpr std::size_t largestPadding = 16;
constexpr std::int64_t largestShortfall = 8;
constexpr std::int64_t largestSurplus = 16;

[[noreturn]] void fail(const char* what, const Bitmap& bitmap, double result, double expected) {
    std::fprintf(
        stderr,
        "%s\n  width %lld, height %lld, stride %zu, %zu bytes, %s, %s\n"
        "  result %.17g, expected %.17g\n",
        what, static_cast<long long>(bitmap.width), static_cast<long long>(bitmap.height),
        bitmap.stride, bitmap.pixels.size(), bitmap.order == ChannelOrder::rgba ? "rgba" : "bgra",
        bitmap.alpha == AlphaMode::straight ? "straight" : "premultiplied", result, expected);
    std::abort();
}

// Whether the rows fit, worked out in 128 bits where nothing can wrap.
bool rowsFit(const Bitmap& bitmap) {
    const Wide rowBytes = static_cast<Wide>(bitmap.width) * 4;
    return bitmap.stride >= rowBytes &&
           static_cast<Wide>(bitmap.height - 1) * bitmap.stride + rowBytes <= bitmap.pixels.size();
}

// Colours read from the bytes on their own, for the reference count:
// un-premultiplied on doubles and rounded half up, which is what the whole
// numbers of the measure must come to.
class PlainPixels {
public:
    explicit PlainPixels(const Bitmap& bitmap) : bitmap_(bitmap) {}

    std::int64_t height() const { return bitmap_.height; }
    std::int64_t width() const { return bitmap_.width; }
    Rgb rgb(std::int64_t x, std::int64_t y) const {
        const Wide offset = static_cast<Wide>(y) * bitmap_.stride + static_cast<Wide>(x) * 4;
        if (offset + 4 > bitmap_.pixels.size()) {
            fail("the reference read outside the buffer", bitmap_, 0, 0);
        }
        const std::uint8_t* pixel = bitmap_.pixels.data() + static_cast<std::size_t>(offset);
        const bool rgba = bitmap_.order == ChannelOrder::rgba;
        const std::uint8_t channels[3] = {rgba ? pixel[0] : pixel[2], pixel[1],
                                          rgba ? pixel[2] : pixel[0]};
        const double alpha = pixel[3];
        Rgb colour;
        double* components[3] = {&colour.red, &colour.green, &colour.blue};
        for (int i = 0; i < 3; ++i) {
            double value = channels[i];
            if (bitmap_.alpha == AlphaMode::premultiplied && alpha < 255) {
                value = alpha == 0 ? 0 : std::min(255.0, std::floor(value * 255.0 / alpha + 0.5));
            }
            *components[i] = value / 255.0;
        }
        return colour;
    }

private:
    const Bitmap& bitmap_;
};

// Mostly shapes near a fitting buffer, where the counting is exercised;
// sometimes any 64-bit sizes over whatever bytes are left.
Bitmap bitmapFrom(FuzzedDataProvider& input) {
    Bitmap bitmap;
    bitmap.order = input.ConsumeBool() ? ChannelOrder::bgra : ChannelOrder::rgba;
    bitmap.alpha = input.ConsumeBool() ? AlphaMode::premultiplied : AlphaMode::straight;
    std::size_t bytes = 0;
    if (input.ConsumeBool()) {
        bitmap.width = input.ConsumeIntegral<std::int64_t>();
        bitmap.height = input.ConsumeIntegral<std::int64_t>();
        bitmap.stride = input.ConsumeIntegral<std::size_t>();
        bytes = input.remaining_bytes();
    } else {
        bitmap.width = input.ConsumeIntegralInRange(smallestSide, largestSide);
        bitmap.height = input.ConsumeIntegralInRange(smallestSide, largestSide);
        const std::int64_t rowBytes = std::max<std::int64_t>(bitmap.width, 0) * 4;
        const auto padding = input.ConsumeIntegralInRange<std::size_t>(0, largestPadding);
        // Now and then a stride a little short of a row.
        bitmap.stride = input.ConsumeBool()
                            ? static_cast<std::size_t>(rowBytes) + padding
                            : static_cast<std::size_t>(rowBytes) -
                                  std::min(padding, static_cast<std::size_t>(rowBytes));
        const std::int64_t needed = std::max<std::int64_t>(bitmap.height - 1, 0) *
                                        static_cast<std::int64_t>(bitmap.stride) +
                                    rowBytes;
        const std::int64_t change = input.ConsumeIntegralInRange(-largestShortfall, largestSurplus);
        bytes = static_cast<std::size_t>(std::max<std::int64_t>(needed + change, 0));
    }
    // Exactly `bytes` long, so the first byte past the end is a red zone.
    const auto content = input.ConsumeRemainingBytes<std::uint8_t>();
    bitmap.pixels = std::vector<std::uint8_t>(bytes);
    for (std::size_t i = 0; i < bytes && !content.empty(); ++i) {
        bitmap.pixels[i] = content[i % content.size()];
    }
    return bitmap;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const Bitmap bitmap = bitmapFrom(input);
    const double result = velmorin::measureLitPixels(bitmap);

    const bool defined = std::isnan(result) || result == velmorin::noImageValue;
    if (!defined && !(result >= 0.0 && result <= velmorin::percentFactor)) {
        fail("the result is neither in [0, 100] nor -1.0 nor NaN", bitmap, result, 0);
    }
    if (bitmap.width <= 0 || bitmap.height <= 0) {
        if (!std::isnan(result)) {
            fail("no row or no column, but the result is a number", bitmap, result, NAN);
        }
        return 0;
    }
    if (!rowsFit(bitmap)) {
        if (result != velmorin::noImageValue) {
            fail("the bytes do not hold the rows, but the result is not -1.0", bitmap, result,
                 velmorin::noImageValue);
        }
        return 0;
    }
    const double expected = velmorin::test::sampleLitPixels(PlainPixels(bitmap));
    if (result != expected) {
        fail("the result differs from the plain count", bitmap, result, expected);
    }
    return 0;
}
