#pragma once

#include <glib-object.h>

#include <initializer_list>
#include <utility>

namespace velmorin::gtk {

// The signal handlers one C++ object connects to one GObject, kept in a
// GSignalGroup: they are disconnected when this goes, and a GObject that
// goes first takes them with it, since the group holds only a weak
// reference to it. Every handler of the backend whose data is a C++ object
// is connected through one of these, held by that object; a handler whose
// data is nothing is connected plainly, for the GObject's whole life.
class SignalHandlers {
public:
    struct Handler {
        const char* signal;
        GCallback callback;
        gpointer data;
    };

    // The group takes every handler before its target (GLib 2.74 refuses a
    // handler added after).
    SignalHandlers(gpointer target, std::initializer_list<Handler> handlers)
        : group_(g_signal_group_new(G_OBJECT_TYPE(target))) {
        for (const auto& handler : handlers) {
            g_signal_group_connect(group_, handler.signal, handler.callback, handler.data);
        }
        g_signal_group_set_target(group_, target);
    }
    ~SignalHandlers() {
        if (group_ != nullptr) {
            g_signal_group_set_target(group_, nullptr);
            g_object_unref(group_);
        }
    }

    SignalHandlers(SignalHandlers&& other) noexcept
        : group_(std::exchange(other.group_, nullptr)) {}
    SignalHandlers(const SignalHandlers&) = delete;
    SignalHandlers& operator=(const SignalHandlers&) = delete;
    SignalHandlers& operator=(SignalHandlers&&) = delete;

private:
    GSignalGroup* group_;
};

}  // namespace velmorin::gtk
