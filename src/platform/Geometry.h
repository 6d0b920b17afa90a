#pragma once

namespace velmorin {

// Sizes and rectangles in points, the unit the screen reports its frame in.
// Values stay unrounded here; a backend rounds only where its toolkit needs
// whole pixels.
struct Size {
    double width = 0.0;
    double height = 0.0;

    friend bool operator==(const Size&, const Size&) = default;
};

struct Rect {
    double x = 0.0;
    double y = 0.0;
    double width = 0.0;
    double height = 0.0;

    friend bool operator==(const Rect&, const Rect&) = default;
};

}  // namespace velmorin
