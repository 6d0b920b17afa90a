#pragma once

#include <glib.h>

#include <exception>

namespace velmorin::gtk {

// Runs program code from a C callback of the toolkit. An exception must not
// unwind through C frames, so it ends here, reported on standard error
// (standard output belongs to the self-test report).
template <typename Function>
void guardCallback(const char* where, Function&& function) noexcept {
    try {
        function();
    } catch (const std::exception& error) {
        g_printerr("velmorin-hd: %s failed: %s\n", where, error.what());
    } catch (...) {
        g_printerr("velmorin-hd: %s failed\n", where);
    }
}

}  // namespace velmorin::gtk
