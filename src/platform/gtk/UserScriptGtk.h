#pragma once

#include <webkit/webkit.h>

#include <memory>

namespace velmorin::gtk {

// Runs `source` in every frame `content` serves, before the frame's own
// scripts, in the page's own world.
inline void addScriptToEveryFrame(WebKitUserContentManager* content, const char* source) {
    std::unique_ptr<WebKitUserScript, decltype(&webkit_user_script_unref)> script(
        webkit_user_script_new(source, WEBKIT_USER_CONTENT_INJECT_ALL_FRAMES,
                               WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START, nullptr, nullptr),
        webkit_user_script_unref);
    webkit_user_content_manager_add_script(content, script.get());
}

}  // namespace velmorin::gtk
