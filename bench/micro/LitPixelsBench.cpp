// How long the self-test's lit-pixel measure takes on snapshots of the sizes
// the player meets, beside a plain loop doing the same arithmetic on the same
// bytes (the floor), and the texture download that comes before it.
#include <benchmark/benchmark.h>

#include <gdk/gdk.h>

#include <cstdint>
#include <vector>

#include "common/ReferenceLitPixels.h"
#include "platform/Bitmap.h"
#include "platform/gtk/ImageGtk.h"
#include "selftest/LitPixels.h"

namespace {

using velmorin::Bitmap;

// A snapshot-like picture: opaque premultiplied B, G, R, A, with dark and lit
// areas mixed (about half the samples are lit) and a band of translucent
// pixels so the un-premultiplying branch is taken now and then, as it is on
// real snapshots where the page draws with alpha.
Bitmap makeSnapshot(std::int64_t width, std::int64_t height) {
    Bitmap bitmap;
    bitmap.width = width;
    bitmap.height = height;
    bitmap.stride = static_cast<std::size_t>(width) * 4;
    bitmap.order = velmorin::ChannelOrder::bgra;
    bitmap.alpha = velmorin::AlphaMode::premultiplied;
    bitmap.pixels.resize(bitmap.stride * static_cast<std::size_t>(height));
    std::uint32_t state = 12345;
    for (std::int64_t y = 0; y < height; ++y) {
        for (std::int64_t x = 0; x < width; ++x) {
            state = state * 1664525u + 1013904223u;
            std::uint8_t* pixel = bitmap.pixels.data() + y * bitmap.stride + x * 4;
            const bool lit = ((x / 37) + (y / 23)) % 2 == 0;
            const std::uint8_t alpha = (y % 97) < 5 ? static_cast<std::uint8_t>(128) : 255;
            const unsigned level = lit ? 40u + (state >> 24) % 200u : (state >> 24) % 9u;
            for (int c = 0; c < 3; ++c) {
                pixel[c] = static_cast<std::uint8_t>(level * alpha / 255u);
            }
            pixel[3] = alpha;
        }
    }
    return bitmap;
}

std::int64_t sampleCount(std::int64_t width, std::int64_t height) {
    const auto stride = velmorin::samplingStride;
    return ((width + stride - 1) / stride) * ((height + stride - 1) / stride);
}

void setCounters(benchmark::State& state, std::int64_t width, std::int64_t height) {
    const auto samples = static_cast<double>(sampleCount(width, height));
    state.counters["samples"] = samples;
    // Seconds per sample, shown by the library in its own units (ns).
    state.counters["per_sample"] = benchmark::Counter(
        samples, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// The program's measure, on whole numbers.
void measure(benchmark::State& state) {
    const auto width = state.range(0);
    const auto height = state.range(1);
    const Bitmap bitmap = makeSnapshot(width, height);
    for (auto _ : state) {
        benchmark::DoNotOptimize(velmorin::measureLitPixels(bitmap));
    }
    setCounters(state, width, height);
}

std::uint8_t unpremultiply(std::uint8_t channel, std::uint8_t alpha) {
    const unsigned straight = (channel * 255u + alpha / 2u) / alpha;
    return static_cast<std::uint8_t>(straight > 255u ? 255u : straight);
}

// The floor: one plain loop over the bytes with the same arithmetic (the same
// samples, un-premultiplying, the sum in doubles, the same threshold), and
// nothing between the loop and the bytes.
double floorMeasure(const std::uint8_t* pixels, std::size_t stride, std::int64_t width,
                    std::int64_t height) {
    std::int64_t lit = 0;
    std::int64_t samples = 0;
    for (std::int64_t y = 0; y < height; y += 4) {
        const std::uint8_t* row = pixels + static_cast<std::size_t>(y) * stride;
        for (std::int64_t x = 0; x < width; x += 4) {
            const std::uint8_t* p = row + x * 4;
            std::uint8_t b = p[0];
            std::uint8_t g = p[1];
            std::uint8_t r = p[2];
            const std::uint8_t a = p[3];
            if (a < 255) {
                if (a == 0) {
                    r = g = b = 0;
                } else {
                    r = unpremultiply(r, a);
                    g = unpremultiply(g, a);
                    b = unpremultiply(b, a);
                }
            }
            const double sum = r / 255.0 + g / 255.0 + b / 255.0;
            lit += sum > 0.12 ? 1 : 0;
            ++samples;
        }
    }
    return static_cast<double>(lit) / static_cast<double>(samples) * 100.0;
}

using LoopMeasure = double (*)(const std::uint8_t*, std::size_t, std::int64_t, std::int64_t);

// Times a loop of this file on a snapshot, once it is seen to give the
// program's value.
void timeLoop(benchmark::State& state, LoopMeasure loop) {
    const auto width = state.range(0);
    const auto height = state.range(1);
    const Bitmap bitmap = makeSnapshot(width, height);
    const double expected = velmorin::measureLitPixels(bitmap);
    if (loop(bitmap.pixels.data(), bitmap.stride, width, height) != expected) {
        state.SkipWithError("the loop does not give the program's value");
        return;
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(loop(bitmap.pixels.data(), bitmap.stride, width, height));
    }
    setCounters(state, width, height);
}

void floorLoop(benchmark::State& state) {
    timeLoop(state, floorMeasure);
}

// The same decision in integers: for 8-bit channels r/255 + g/255 + b/255 is
// above 0.12 exactly when r + g + b is 31 or more (30/255 and 31/255 lie far
// from 0.12 on either side, beyond any rounding of the double sum), and
// un-premultiplying maps to the same straight values.
double integerFloorMeasure(const std::uint8_t* pixels, std::size_t stride, std::int64_t width,
                           std::int64_t height) {
    std::int64_t lit = 0;
    std::int64_t samples = 0;
    for (std::int64_t y = 0; y < height; y += 4) {
        const std::uint8_t* row = pixels + static_cast<std::size_t>(y) * stride;
        for (std::int64_t x = 0; x < width; x += 4) {
            const std::uint8_t* p = row + x * 4;
            unsigned sum;
            const std::uint8_t a = p[3];
            if (a == 255) {
                sum = p[0] + p[1] + p[2];
            } else if (a == 0) {
                sum = 0;
            } else {
                sum = unpremultiply(p[0], a) + unpremultiply(p[1], a) + unpremultiply(p[2], a);
            }
            lit += sum >= 31 ? 1 : 0;
            ++samples;
        }
    }
    return static_cast<double>(lit) / static_cast<double>(samples) * 100.0;
}

void integerFloorLoop(benchmark::State& state) {
    timeLoop(state, integerFloorMeasure);
}

// The reference the tests check the program's measure against: the lit test
// on doubles, through the program's pixel reading. What the whole-number
// test saves is the difference.
void referenceMeasure(benchmark::State& state) {
    const auto width = state.range(0);
    const auto height = state.range(1);
    const Bitmap bitmap = makeSnapshot(width, height);
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            velmorin::test::sampleLitPixels(velmorin::test::ReferencePixels(bitmap)));
    }
    setCounters(state, width, height);
}

velmorin::gtk::GObjectPtr<GdkTexture> makeTexture(const Bitmap& bitmap) {
    GBytes* bytes = g_bytes_new(bitmap.pixels.data(), bitmap.pixels.size());
    GdkTexture* texture =
        gdk_memory_texture_new(static_cast<int>(bitmap.width), static_cast<int>(bitmap.height),
                               GDK_MEMORY_DEFAULT, bytes, bitmap.stride);
    g_bytes_unref(bytes);
    return velmorin::gtk::GObjectPtr<GdkTexture>::adopt(texture);
}

// The snapshot path before the measure: ImageGtk::bitmap() downloads the
// texture into a fresh Bitmap.
void textureToBitmap(benchmark::State& state) {
    const auto width = state.range(0);
    const auto height = state.range(1);
    const velmorin::gtk::ImageGtk image(makeTexture(makeSnapshot(width, height)));
    for (auto _ : state) {
        auto bitmap = image.bitmap();
        benchmark::DoNotOptimize(bitmap->pixels.data());
    }
    state.SetBytesProcessed(state.iterations() * width * height * 4);
}

// The whole self-test step: download, then measure.
void textureMeasure(benchmark::State& state) {
    const auto width = state.range(0);
    const auto height = state.range(1);
    const velmorin::gtk::ImageGtk image(makeTexture(makeSnapshot(width, height)));
    for (auto _ : state) {
        benchmark::DoNotOptimize(velmorin::measureLitPixels(&image));
    }
    setCounters(state, width, height);
}

void sizes(benchmark::internal::Benchmark* b) {
    b->Args({640, 360})->Args({1920, 1080})->Args({3840, 2160})->ArgNames({"w", "h"});
    b->Unit(benchmark::kMicrosecond);
}

}  // namespace

BENCHMARK(measure)->Apply(sizes);
BENCHMARK(floorLoop)->Apply(sizes);
BENCHMARK(integerFloorLoop)->Apply(sizes);
BENCHMARK(referenceMeasure)->Apply(sizes);
BENCHMARK(textureToBitmap)->Apply(sizes);
BENCHMARK(textureMeasure)->Apply(sizes);
