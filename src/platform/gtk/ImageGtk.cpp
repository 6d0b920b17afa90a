#include "platform/gtk/ImageGtk.h"

#if G_BYTE_ORDER != G_LITTLE_ENDIAN
#error \
    "Snapshot pixels are read as B, G, R, A bytes, the little-endian layout of GDK's default format"
#endif

namespace velmorin::gtk {

std::optional<Bitmap> ImageGtk::bitmap() const {
    if (!texture_) {
        return std::nullopt;
    }
    Bitmap bitmap;
    bitmap.width = gdk_texture_get_width(texture_.get());
    bitmap.height = gdk_texture_get_height(texture_.get());
    bitmap.stride = static_cast<std::size_t>(bitmap.width) * 4;
    bitmap.order = ChannelOrder::bgra;
    bitmap.alpha = AlphaMode::premultiplied;
    if (bitmap.width > 0 && bitmap.height > 0) {
        bitmap.pixels.resize(bitmap.stride * static_cast<std::size_t>(bitmap.height));
        gdk_texture_download(texture_.get(), bitmap.pixels.data(), bitmap.stride);
    }
    return bitmap;
}

}  // namespace velmorin::gtk
