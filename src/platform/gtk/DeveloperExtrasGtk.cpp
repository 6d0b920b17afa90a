#include "platform/gtk/DeveloperExtrasGtk.h"

#if VELMORIN_DEVELOPER_EXTRAS

#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

#include "platform/gtk/CallbackGuard.h"
#include "platform/gtk/UserScriptGtk.h"

namespace velmorin::gtk {

namespace {

constexpr const char* consoleHandlerName = "velmorinConsole";
constexpr std::string_view programPrefix = "velmorin-hd: ";
constexpr std::string_view consolePrefix = "velmorin-hd: console: ";

// Runs in every frame before the page's own scripts. WebKitGTK has no signal
// for console messages, and the engine's own option to print them writes to
// standard output, which belongs to the self-test report alone; so the page's
// console calls, its uncaught errors, its unhandled rejections and the
// elements that failed to load are passed on as text through a message
// handler instead, each as "LEVEL: TEXT". The console still does what it did,
// so the inspector shows the same messages.
constexpr const char* consoleForwarding = R"JS((() => {
  const handlers = window.webkit && window.webkit.messageHandlers;
  const handler = handlers && handlers.velmorinConsole;
  if (!handler) {
    return;
  }
  const post = handler.postMessage.bind(handler);
  const text = (value) => {
    if (typeof value === 'string') {
      return value;
    }
    if (value instanceof Error) {
      return `${value.name}: ${value.message}`;
    }
    try {
      const json = JSON.stringify(value);
      if (json !== undefined) {
        return json;
      }
    } catch (ignored) {
      // A value with cycles is written as its text form below.
    }
    return String(value);
  };
  const send = (level, values) => {
    try {
      post(`${level}: ${values.map(text).join(' ')}`);
    } catch (ignored) {
      // A message that cannot be passed on must not break the page.
    }
  };
  for (const level of ['log', 'info', 'warn', 'error', 'debug']) {
    const original = console[level];
    console[level] = function (...values) {
      send(level, values);
      return original.apply(this, values);
    };
  }
  const originalAssert = console.assert;
  console.assert = function (condition, ...values) {
    if (!condition) {
      send('assert', ['Assertion failed', ...values]);
    }
    return originalAssert.call(this, condition, ...values);
  };
  window.addEventListener('error', (event) => {
    const element = event.target;
    if (element !== window && element && element.tagName) {
      send('error', [`could not load <${element.tagName.toLowerCase()}> ` +
                     (element.currentSrc || element.src || element.href || '')]);
      return;
    }
    const where = event.filename ? ` (${event.filename}:${event.lineno}:${event.colno})` : '';
    const what = event.error !== undefined && event.error !== null ? text(event.error) : event.message;
    send('error', [`Uncaught ${what}${where}`]);
  }, true);
  window.addEventListener('unhandledrejection', (event) => {
    send('error', [`Unhandled rejection: ${text(event.reason)}`]);
  });
})();)JS";

// One line of standard error per line of the message, each written whole, so
// a message of several lines stays readable and every line can be found by
// its prefix. The bytes are written as the page gave them, in UTF-8.
void writeConsoleLines(std::string_view message) {
    while (true) {
        const auto end = message.find('\n');
        std::string line(consolePrefix);
        line.append(message.substr(0, end));
        line.push_back('\n');
        std::fwrite(line.data(), 1, line.size(), stderr);
        if (end == std::string_view::npos) {
            break;
        }
        message.remove_prefix(end + 1);
    }
}

void onConsoleMessage(WebKitUserContentManager*, JSCValue* value, gpointer) {
    guardCallback("console message", [value] {
        std::unique_ptr<char, decltype(&g_free)> text(jsc_value_to_string(value), g_free);
        writeConsoleLines(text != nullptr ? text.get() : "");
    });
}

}  // namespace

void addDeveloperExtras(WebKitWebView* view) {
    // Right-click → Inspect Element opens the inspector.
    webkit_settings_set_enable_developer_extras(webkit_web_view_get_settings(view), TRUE);

    WebKitUserContentManager* content = webkit_web_view_get_user_content_manager(view);
    const std::string signal = std::string("script-message-received::") + consoleHandlerName;
    g_signal_connect(content, signal.c_str(), G_CALLBACK(onConsoleMessage), nullptr);
    webkit_user_content_manager_register_script_message_handler(content, consoleHandlerName,
                                                                nullptr);
    addScriptToEveryFrame(content, consoleForwarding);
}

void writeDeveloperNote(std::string_view text) {
    std::string line(programPrefix);
    line.append(text);
    line.push_back('\n');
    std::fwrite(line.data(), 1, line.size(), stderr);
}

}  // namespace velmorin::gtk

#else

namespace velmorin::gtk {

void addDeveloperExtras(WebKitWebView*) {}

void writeDeveloperNote(std::string_view) {}

}  // namespace velmorin::gtk

#endif
