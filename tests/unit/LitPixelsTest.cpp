#include "selftest/LitPixels.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "common/NamedRows.h"
#include "common/ReferenceLitPixels.h"
#include "fake/FakePlatform.h"

namespace velmorin {
namespace {

using test::PrintTo;

using fake::filledBitmap;
using fake::Pixel;
using fake::setPixel;
using test::ReferencePixels;
using test::Rgb;
using test::sampleLitPixels;

// A source of colours that remembers which pixels were read.
class SyntheticSource {
public:
    using Colour = std::function<Rgb(std::int64_t, std::int64_t)>;

    SyntheticSource(std::int64_t width, std::int64_t height, Colour colour)
        : width_(width), height_(height), colour_(std::move(colour)) {}

    std::int64_t height() const { return height_; }
    std::int64_t width() const { return width_; }
    Rgb rgb(std::int64_t x, std::int64_t y) const {
        sampled.emplace_back(x, y);
        return colour_(x, y);
    }

    mutable std::vector<std::pair<std::int64_t, std::int64_t>> sampled;

private:
    std::int64_t width_;
    std::int64_t height_;
    Colour colour_;
};

SyntheticSource uniform(std::int64_t width, std::int64_t height, Rgb colour) {
    return SyntheticSource(width, height, [colour](std::int64_t, std::int64_t) { return colour; });
}

TEST(SampleLitPixels, SumMustExceedTheThreshold) {
    const std::pair<Rgb, double> table[] = {
        {{0.12, 0, 0}, 0.0},        // Red exactly at the threshold.
        {{0.04, 0.04, 0.04}, 0.0},  // The threshold split in three.
        {{0.1201, 0, 0}, 100.0},    // Just above it.
    };
    for (const auto& [colour, expected] : table) {
        SCOPED_TRACE(colour.red);
        EXPECT_EQ(sampleLitPixels(uniform(1, 1, colour)), expected);
    }
}

struct GridCase {
    const char* name;
    std::int64_t width;
    std::int64_t height;
    std::vector<std::pair<std::int64_t, std::int64_t>> samples;
};

class SamplingGridTest : public ::testing::TestWithParam<GridCase> {};

TEST_P(SamplingGridTest, EveryFourthPixelFromTheCorner) {
    const auto& row = GetParam();
    const auto source = uniform(row.width, row.height, {1, 1, 1});
    EXPECT_EQ(sampleLitPixels(source), 100.0);
    EXPECT_EQ(source.sampled, row.samples);
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, SamplingGridTest,
    ::testing::Values(GridCase{"oneByOne", 1, 1, {{0, 0}}}, GridCase{"fourByFour", 4, 4, {{0, 0}}},
                      GridCase{"fiveByFive", 5, 5, {{0, 0}, {4, 0}, {0, 4}, {4, 4}}},
                      GridCase{"wide", 9, 1, {{0, 0}, {4, 0}, {8, 0}}},
                      GridCase{"tall", 1, 9, {{0, 0}, {0, 4}, {0, 8}}},
                      GridCase{"eightBySix", 8, 6, {{0, 0}, {4, 0}, {0, 4}, {4, 4}}}),
    test::rowName);

TEST(SampleLitPixels, BrightOnlyOffTheGridCountsNothing) {
    SyntheticSource source(8, 8, [](std::int64_t x, std::int64_t y) {
        return x % 4 == 0 && y % 4 == 0 ? Rgb{} : Rgb{1, 1, 1};
    });
    EXPECT_EQ(sampleLitPixels(source), 0.0);
}

TEST(SampleLitPixels, SharesAreExact) {
    // Three samples in one row: x = 0, 4 and 8.
    const std::pair<std::vector<std::int64_t>, double> table[] = {
        {{}, 0.0},          {{0}, 100.0 / 3.0}, {{8}, 100.0 / 3.0}, {{0, 4}, 200.0 / 3.0},
        {{0, 4, 8}, 100.0},
    };
    for (const auto& [litColumns, expected] : table) {
        SCOPED_TRACE(litColumns.size());
        SyntheticSource source(9, 1, [columns = litColumns](std::int64_t x, std::int64_t) {
            return std::find(columns.begin(), columns.end(), x) != columns.end() ? Rgb{1, 1, 1}
                                                                                 : Rgb{};
        });
        EXPECT_DOUBLE_EQ(sampleLitPixels(source), expected);
    }
}

TEST(SampleLitPixels, NoPixelsIsNotANumber) {
    const std::pair<std::int64_t, std::int64_t> table[] = {{0, 0}, {0, 5}, {5, 0}};
    for (const auto& [width, height] : table) {
        SCOPED_TRACE(std::to_string(width) + "x" + std::to_string(height));
        const auto source = uniform(width, height, {1, 1, 1});
        EXPECT_TRUE(std::isnan(sampleLitPixels(source)));
        EXPECT_TRUE(source.sampled.empty());
        EXPECT_TRUE(
            std::isnan(measureLitPixels(filledBitmap(width, height, {255, 255, 255, 255}))));
    }
}

// Without a row or a column nothing is sampled, whatever the other side,
// the stride and the bytes: the rows of a bitmap 0 pixels wide are not even
// walked, however many there are.
TEST(MeasureBitmap, NoPixelsIsNotANumberWhateverTheRest) {
    constexpr auto most = std::numeric_limits<std::int64_t>::max();
    constexpr auto least = std::numeric_limits<std::int64_t>::min();
    const std::array<Bitmap, 5> table = {{
        {0, most, 0, ChannelOrder::rgba, AlphaMode::straight, {}},
        {most, 0, 0, ChannelOrder::rgba, AlphaMode::straight, {}},
        {-1, most, 4, ChannelOrder::bgra, AlphaMode::premultiplied, {}},
        {most, least, 0, ChannelOrder::rgba, AlphaMode::straight, {}},
        {-3, -3, 0, ChannelOrder::rgba, AlphaMode::straight, {255, 255, 255, 255}},
    }};
    for (const auto& bitmap : table) {
        SCOPED_TRACE(std::to_string(bitmap.width) + "x" + std::to_string(bitmap.height));
        EXPECT_TRUE(std::isnan(measureLitPixels(bitmap)));
    }
}

// The bytes must hold every row, rows a whole row apart; otherwise the
// pixels cannot be had, and nothing past the buffer is read for them.
TEST(MeasureBitmap, BytesThatDoNotHoldTheRowsAreNoBitmap) {
    constexpr auto most = std::numeric_limits<std::int64_t>::max();
    struct Shape {
        std::int64_t width;
        std::int64_t height;
        std::size_t stride;
        std::size_t bytes;
        double expected;
    };
    const Shape table[] = {
        {4, 5, 16, 80, 100.0},   // Exactly the rows.
        {4, 5, 20, 96, 100.0},   // Padded rows, the last without its padding.
        {4, 5, 16, 79, -1.0},    // The last row a byte short, though no sample is in it.
        {1, 1, 4, 0, -1.0},      // No bytes at all.
        {2, 2, 4, 16, -1.0},     // Rows overlapping.
        {most, 1, 0, 16, -1.0},  // A row longer than memory can be.
        {1, most, std::size_t{1} << 62, 16, -1.0},  // Rows past the end of memory.
    };
    for (const auto& [width, height, stride, bytes, expected] : table) {
        SCOPED_TRACE(std::to_string(width) + "x" + std::to_string(height) + " stride " +
                     std::to_string(stride) + ", " + std::to_string(bytes) + " bytes");
        Bitmap bitmap{width, height, stride, ChannelOrder::rgba, AlphaMode::straight, {}};
        bitmap.pixels.assign(bytes, 255);
        EXPECT_EQ(measureLitPixels(bitmap), expected);
        const fake::FakeImage snapshot(bitmap);
        EXPECT_EQ(measureLitPixels(&snapshot), expected);
    }
}

struct BitmapCase {
    const char* name;
    Pixel pixel;  // In memory order.
    ChannelOrder order;
    AlphaMode alpha;
    bool lit;
};

class BitmapPixelTest : public ::testing::TestWithParam<BitmapCase> {};

constexpr auto rgba = ChannelOrder::rgba;
constexpr auto bgra = ChannelOrder::bgra;
constexpr auto straight = AlphaMode::straight;
constexpr auto premultiplied = AlphaMode::premultiplied;

// Every row is a threshold case of the reference measure as well.
TEST_P(BitmapPixelTest, ReadsChannelsAndAlpha) {
    const auto& row = GetParam();
    for (const std::size_t padding : {0u, 12u}) {
        SCOPED_TRACE(padding);
        const Bitmap bitmap = filledBitmap(6, 6, row.pixel, row.order, row.alpha, padding);
        EXPECT_EQ(measureLitPixels(bitmap), row.lit ? 100.0 : 0.0);
        EXPECT_EQ(sampleLitPixels(ReferencePixels(bitmap)), row.lit ? 100.0 : 0.0);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Pixels, BitmapPixelTest,
    ::testing::Values(
        BitmapCase{"black", {0, 0, 0, 255}, rgba, straight, false},
        BitmapCase{"white", {255, 255, 255, 255}, rgba, straight, true},
        BitmapCase{"grey10", {10, 10, 10, 255}, rgba, straight, false},
        BitmapCase{"sum31", {11, 10, 10, 255}, rgba, straight, true},
        BitmapCase{"red30", {30, 0, 0, 255}, rgba, straight, false},
        BitmapCase{"red31", {31, 0, 0, 255}, rgba, straight, true},
        BitmapCase{"green31", {0, 31, 0, 255}, rgba, straight, true},
        BitmapCase{"blue31", {0, 0, 31, 255}, rgba, straight, true},
        // Alpha is never counted as colour.
        BitmapCase{"alphaOnly", {0, 0, 0, 255}, bgra, straight, false},
        BitmapCase{"straightTransparentBright", {255, 255, 255, 0}, rgba, straight, true},
        BitmapCase{"straightHalfAlphaDim", {16, 0, 0, 128}, rgba, straight, false},
        // 16 at half alpha is 32 once un-premultiplied.
        BitmapCase{"premultipliedHalfAlpha", {16, 0, 0, 128}, rgba, premultiplied, true},
        BitmapCase{"premultipliedHalfAlphaBgra", {0, 0, 16, 128}, bgra, premultiplied, true},
        BitmapCase{"premultipliedDim", {10, 0, 0, 128}, rgba, premultiplied, false},
        BitmapCase{"premultipliedOpaque", {31, 0, 0, 255}, rgba, premultiplied, true},
        BitmapCase{"premultipliedOpaqueDim", {30, 0, 0, 255}, rgba, premultiplied, false},
        BitmapCase{"premultipliedTransparent", {200, 200, 200, 0}, rgba, premultiplied, false}),
    test::rowName);

TEST(BitmapPixels, ReadsEitherOrderAndUnpremultipliesToWholeValues) {
    struct Row {
        Pixel pixel;
        ChannelOrder order;
        AlphaMode alpha;
        std::array<int, 3> expected;
    };
    const Row table[] = {
        {{10, 20, 30, 40}, rgba, straight, {10, 20, 30}},
        {{30, 20, 10, 40}, bgra, straight, {10, 20, 30}},
        {{64, 32, 0, 128}, rgba, premultiplied, {128, 64, 0}},
        {{128, 128, 128, 128}, rgba, premultiplied, {255, 255, 255}},
        {{200, 100, 50, 255}, rgba, premultiplied, {200, 100, 50}},
        {{1, 1, 1, 2}, rgba, premultiplied, {128, 128, 128}},
    };
    for (const auto& row : table) {
        SCOPED_TRACE(&row - table);
        const Bitmap bitmap = filledBitmap(1, 1, row.pixel, row.order, row.alpha);
        const Rgb colour = ReferencePixels(bitmap).rgb(0, 0);
        EXPECT_EQ(colour.red, row.expected[0] / 255.0);
        EXPECT_EQ(colour.green, row.expected[1] / 255.0);
        EXPECT_EQ(colour.blue, row.expected[2] / 255.0);
    }
}

TEST(BitmapPixels, RowsFollowTheStride) {
    // Lit pixels only at the samples of the second sampled row, with bright
    // padding that must never be read as a pixel.
    for (const std::size_t padding : {0u, 4u, 20u}) {
        SCOPED_TRACE(padding);
        Bitmap bitmap =
            filledBitmap(8, 8, {0, 0, 0, 255}, ChannelOrder::rgba, AlphaMode::straight, padding);
        for (std::size_t y = 0; y < 8; ++y) {
            std::fill_n(bitmap.pixels.begin() + static_cast<std::ptrdiff_t>(y * bitmap.stride + 32),
                        padding, 255);
        }
        setPixel(bitmap, 0, 4, {255, 255, 255, 255});
        setPixel(bitmap, 4, 4, {255, 255, 255, 255});
        EXPECT_EQ(measureLitPixels(bitmap), 50.0);
    }
}

TEST(BitmapPixels, OneLitOfThreeSamples) {
    Bitmap bitmap = filledBitmap(12, 4, {0, 0, 0, 255});
    setPixel(bitmap, 8, 0, {0, 0, 255, 255});
    EXPECT_DOUBLE_EQ(measureLitPixels(bitmap), 100.0 / 3.0);
    setPixel(bitmap, 4, 0, {255, 0, 0, 255});
    EXPECT_DOUBLE_EQ(measureLitPixels(bitmap), 200.0 / 3.0);
}

// The whole-number measure of a bitmap must agree with the rule on doubles
// for every straight and premultiplied pixel, not only at the thresholds.
TEST(BitmapPixels, WholeNumberTestAgreesWithTheDoubleRule) {
    Bitmap straight = filledBitmap(4, 4, {0, 0, 0, 255});
    Bitmap premultiplied =
        filledBitmap(4, 4, {0, 0, 0, 255}, ChannelOrder::bgra, AlphaMode::premultiplied);
    for (int red = 0; red < 48; ++red) {
        for (int green = 0; green < 48; ++green) {
            for (int blue = 0; blue < 48; ++blue) {
                const auto r = static_cast<std::uint8_t>(red);
                const auto g = static_cast<std::uint8_t>(green);
                const auto b = static_cast<std::uint8_t>(blue);
                const auto a = static_cast<std::uint8_t>(48 + (red * 7 + blue) % 208);
                setPixel(straight, 0, 0, {r, g, b, 255});
                setPixel(premultiplied, 0, 0, {b, g, r, a});
                ASSERT_EQ(measureLitPixels(straight), sampleLitPixels(ReferencePixels(straight)))
                    << red << " " << green << " " << blue;
                ASSERT_EQ(measureLitPixels(premultiplied),
                          sampleLitPixels(ReferencePixels(premultiplied)))
                    << red << " " << green << " " << blue << " alpha " << int{a};
            }
        }
    }
}

TEST(MeasureSnapshot, NoImageOrNoBitmapIsMinusOne) {
    EXPECT_EQ(measureLitPixels(static_cast<const Image*>(nullptr)), -1.0);

    const fake::FakeImage noBitmap(std::nullopt);
    EXPECT_EQ(measureLitPixels(&noBitmap), -1.0);
    EXPECT_EQ(noBitmap.bitmapCalls, 1);

    const fake::FakeImage white(filledBitmap(4, 4, {255, 255, 255, 255}));
    EXPECT_EQ(measureLitPixels(&white), 100.0);
    const fake::FakeImage empty(Bitmap{});
    EXPECT_TRUE(std::isnan(measureLitPixels(&empty)));
}

}  // namespace
}  // namespace velmorin
