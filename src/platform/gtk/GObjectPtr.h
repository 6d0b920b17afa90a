#pragma once

#include <glib-object.h>

#include <utility>

namespace velmorin::gtk {

// Owns one reference to a GObject and drops it when destroyed.
template <typename T>
class GObjectPtr {
public:
    GObjectPtr() = default;

    // Takes over a reference the caller already owns (a "transfer full" result).
    static GObjectPtr adopt(T* object) { return GObjectPtr(object); }

    // Takes a new reference, sinking a floating one (fresh widgets start floating).
    static GObjectPtr retain(T* object) {
        if (object != nullptr) {
            g_object_ref_sink(object);
        }
        return GObjectPtr(object);
    }

    ~GObjectPtr() { reset(); }

    GObjectPtr(const GObjectPtr& other) : object_(other.object_) {
        if (object_ != nullptr) {
            g_object_ref(object_);
        }
    }
    GObjectPtr& operator=(const GObjectPtr& other) {
        GObjectPtr copy(other);
        std::swap(object_, copy.object_);
        return *this;
    }
    GObjectPtr(GObjectPtr&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
    GObjectPtr& operator=(GObjectPtr&& other) noexcept {
        if (this != &other) {
            reset();
            object_ = std::exchange(other.object_, nullptr);
        }
        return *this;
    }

    void reset() {
        if (object_ != nullptr) {
            g_object_unref(std::exchange(object_, nullptr));
        }
    }

    T* get() const { return object_; }
    explicit operator bool() const { return object_ != nullptr; }

private:
    explicit GObjectPtr(T* object) : object_(object) {}

    T* object_ = nullptr;
};

}  // namespace velmorin::gtk
