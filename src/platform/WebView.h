#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/Image.h"
#include "platform/SchemeTask.h"

namespace velmorin {

// Kinds of media that need a click or key press before they may play.
enum class MediaTypes {
    none = 0,
    all = -1,
};

enum class CachePolicy {
    useProtocolCachePolicy = 0,
};

struct UrlRequest {
    std::string url;
    CachePolicy cachePolicy = CachePolicy::useProtocolCachePolicy;
    double timeoutSeconds = 60.0;
};

// The outcome of evaluating a script in the page. Either part may be empty;
// a script whose value is undefined or null gives no value.
struct ScriptResult {
    std::optional<std::string> value;
    std::optional<std::string> errorDescription;
};

// A snapshot and the error that came with it; either may be empty.
struct SnapshotResult {
    std::unique_ptr<Image> image;
    std::optional<std::string> errorDescription;
};

// Holds a registration alive; dropping it ends the observation.
class Observation {
public:
    virtual ~Observation() = default;
};

class WebViewConfiguration {
public:
    virtual ~WebViewConfiguration() = default;

    // Every request for a URL of `scheme` goes to `handler` and to no other
    // loader. The configuration keeps the handler alive.
    virtual void setUrlSchemeHandler(std::shared_ptr<SchemeHandler> handler,
                                     const std::string& scheme) = 0;
    virtual void setMediaTypesRequiringUserActionForPlayback(MediaTypes types) = 0;
};

class WebView {
public:
    virtual ~WebView() = default;

    virtual void loadRequest(const UrlRequest& request) = 0;

    // The document title, or nothing when the page has none.
    virtual std::optional<std::string> title() const = 0;

    // The title as it stands after a change: nothing when the page has none.
    using TitleChange = std::function<void(const std::optional<std::string>& title)>;
    // Calls `onChange` on the main thread with the new title after each
    // change, for as long as the returned observation is kept.
    virtual std::unique_ptr<Observation> observeTitle(TitleChange onChange) = 0;

    virtual void evaluateJavaScript(const std::string& script,
                                    std::function<void(ScriptResult)> completion) = 0;

    // Snapshots the visible view.
    virtual void takeSnapshot(std::function<void(SnapshotResult)> completion) = 0;
};

}  // namespace velmorin
