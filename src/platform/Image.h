#pragma once

#include <optional>

#include "platform/Bitmap.h"

namespace velmorin {

// A snapshot of a view as the platform delivers it.
class Image {
public:
    virtual ~Image() = default;

    // The image's pixels at its own pixel size, or nothing when they cannot
    // be had.
    virtual std::optional<Bitmap> bitmap() const = 0;
};

}  // namespace velmorin
