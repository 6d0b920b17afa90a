#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace velmorin {

using Bytes = std::vector<std::uint8_t>;

struct HttpHeaderField {
    std::string name;
    std::string value;

    friend bool operator==(const HttpHeaderField&, const HttpHeaderField&) = default;
};

struct HttpResponse {
    std::string url;
    int statusCode = 0;
    std::string httpVersion;
    // In the order they are sent.
    std::vector<HttpHeaderField> headerFields;
};

// URL loading errors the program hands to the engine. There is one.
enum class UrlError {
    fileDoesNotExist,
};

// One resource request of the web view, answered by a SchemeHandler. A task
// takes either didReceiveResponse, didReceiveData and didFinish in this order,
// or didFailWithError alone.
class SchemeTask {
public:
    virtual ~SchemeTask() = default;

    // The URL of the request, exactly as the engine carries it.
    virtual std::string requestUrl() const = 0;

    virtual void didReceiveResponse(const HttpResponse& response) = 0;
    // The body moves into the task, so large files are never copied here.
    virtual void didReceiveData(Bytes&& data) = 0;
    virtual void didFinish() = 0;
    virtual void didFailWithError(UrlError error) = 0;
};

class SchemeHandler {
public:
    virtual ~SchemeHandler() = default;

    virtual void startTask(SchemeTask& task) = 0;
    virtual void stopTask(SchemeTask& task) = 0;

    // Some engines play media without asking the scheme's handler: they open
    // the file behind a media URL themselves (WebKitGTK's GStreamer player
    // does). For those, this is the folder the handler answers from, so the
    // backend can let the engine's media player reach its files, and through
    // the same rules; nothing means media of the scheme are not played there.
    virtual std::optional<std::string> mediaFolder() const { return std::nullopt; }
};

}  // namespace velmorin
