#pragma once

#include <gdk/gdk.h>

#include "platform/Image.h"
#include "platform/gtk/GObjectPtr.h"

namespace velmorin::gtk {

// A snapshot as WebKitGTK delivers it: a GdkTexture at the view's pixel size.
class ImageGtk final : public Image {
public:
    explicit ImageGtk(GObjectPtr<GdkTexture> texture) : texture_(std::move(texture)) {}

    // Downloads the texture afresh on every call, so a caller that needs the
    // pixels twice keeps the bitmap. GDK hands out premultiplied 8-bit pixels
    // in the machine's native ARGB order, which on a little-endian machine
    // lies in memory as B, G, R, A.
    std::optional<Bitmap> bitmap() const override;

private:
    GObjectPtr<GdkTexture> texture_;
};

}  // namespace velmorin::gtk
