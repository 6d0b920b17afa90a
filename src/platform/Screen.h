#pragma once

#include "platform/Geometry.h"

namespace velmorin {

class Screen {
public:
    virtual ~Screen() = default;

    // The whole frame of the screen in points, menu bar and dock areas included.
    virtual Rect frame() const = 0;
};

}  // namespace velmorin
