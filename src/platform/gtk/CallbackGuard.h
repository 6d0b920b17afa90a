#pragma once

#include <glib.h>

#include <exception>

namespace velmorin::gtk {

// Runs program code from a C callback of the toolkit. An exception must not
// unwind through C frames, so it ends here, reported in one line on standard
// error (standard output belongs to the self-test report). True when the
// code ran to its end.
template <typename Function>
bool guardCallback(const char* where, Function&& function) noexcept {
    try {
        function();
        return true;
    } catch (const std::exception& error) {
        g_printerr("velmorin-hd: %s failed: %s\n", where, error.what());
    } catch (...) {
        g_printerr("velmorin-hd: %s failed\n", where);
    }
    return false;
}

}  // namespace velmorin::gtk
