#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/Geometry.h"

namespace velmorin {

class WebView;

// Window style flags; the values match the numbers the program is specified in.
enum class StyleMask : std::uint32_t {
    titled = 1,
    closable = 2,
    miniaturizable = 4,
    resizable = 8,
};

constexpr StyleMask operator|(StyleMask a, StyleMask b) {
    return static_cast<StyleMask>(static_cast<std::uint32_t>(a) | static_cast<std::uint32_t>(b));
}

constexpr bool contains(StyleMask mask, StyleMask flag) {
    return (static_cast<std::uint32_t>(mask) & static_cast<std::uint32_t>(flag)) != 0;
}

enum class Backing {
    buffered = 2,
};

enum class Defer {
    no,
    yes,
};

enum class CollectionBehavior {
    // The window may become the primary window of a full-screen space.
    fullScreenPrimary = 128,
};

enum class Color {
    black,
};

class Window {
public:
    virtual ~Window() = default;

    virtual void setTitle(const std::string& title) = 0;
    virtual void setBackgroundColor(Color color) = 0;
    virtual void setCollectionBehavior(CollectionBehavior behavior) = 0;
    // The view fills the content area and follows its size from then on.
    virtual void setContentView(std::shared_ptr<WebView> view) = 0;
    virtual void center() = 0;
    virtual void makeKeyAndOrderFront() = 0;
    virtual void makeFirstResponder(WebView& view) = 0;
    // Starts the transition to full screen; it completes later, on its own.
    virtual void toggleFullScreen() = 0;
};

}  // namespace velmorin
