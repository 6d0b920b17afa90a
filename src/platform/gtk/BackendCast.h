#pragma once

#include <glib.h>

#include <memory>
#include <typeinfo>

namespace velmorin::gtk {

// The backend's own type behind an object of the platform seam. Every object
// the program hands to the backend was made by the backend, so any other
// type (or none) is a programming error: the program stops there with a
// message instead of going on with a part silently missing.
template <typename Backend, typename Seam>
Backend& backendCast(Seam* object) {
    auto* backend = dynamic_cast<Backend*>(object);
    if (backend == nullptr) {
        g_error("velmorin-hd: a %s given to the GTK backend is not its %s", typeid(Seam).name(),
                typeid(Backend).name());
    }
    return *backend;
}

template <typename Backend, typename Seam>
Backend& backendCast(Seam& object) {
    return backendCast<Backend>(&object);
}

// Takes over an object handed over with its ownership.
template <typename Backend, typename Seam>
std::unique_ptr<Backend> backendCast(std::unique_ptr<Seam> object) {
    Backend& backend = backendCast<Backend>(object.get());
    object.release();
    return std::unique_ptr<Backend>(&backend);
}

template <typename Backend, typename Seam>
std::shared_ptr<Backend> backendCast(std::shared_ptr<Seam> object) {
    Backend& backend = backendCast<Backend>(object.get());
    return std::shared_ptr<Backend>(std::move(object), &backend);
}

}  // namespace velmorin::gtk
