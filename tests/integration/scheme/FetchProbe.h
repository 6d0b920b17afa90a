#pragma once

#include <webkit/webkit.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/TextFields.h"
#include "integration/support/EngineWait.h"
#include "platform/SchemeTask.h"

namespace velmorin::test {

// What the page saw of one fetch() of a URL.
struct FetchResult {
    std::string url;  // As asked for.
    bool ok = false;  // The promise resolved (with any status).

    // When it resolved:
    int status = 0;
    std::optional<std::string> contentType;
    std::optional<std::string> contentLength;
    std::string responseUrl;
    std::size_t size = 0;
    std::uint32_t checksum = 0;
    // The body itself, when it is small enough to be sent back whole.
    std::optional<Bytes> body;

    // When it was rejected:
    std::string errorName;
    std::string errorMessage;

    // One line for failure messages.
    std::string describe() const;
};

struct FetchOptions {
    // Sent as the request's Range header when not empty.
    std::string range;
    // Bodies up to this size come back whole.
    std::size_t keepBodiesUpTo = 256 * 1024;
};

// Fetches each URL in turn from the page shown in `view` (relative URLs
// resolve against it) and reports what the page got. Empty when the script
// itself failed or timed out; `problem` then says why.
std::optional<std::vector<FetchResult>> fetchAll(WebKitWebView* view,
                                                 const std::vector<std::string>& urls,
                                                 const FetchOptions& options, std::string& problem);

// 32-bit FNV-1a, the checksum the page computes over each body.
std::uint32_t fnv1a(const std::uint8_t* data, std::size_t size);
inline std::uint32_t fnv1a(const Bytes& bytes) {
    return fnv1a(bytes.data(), bytes.size());
}

bool containsText(const Bytes& bytes, std::string_view text);

}  // namespace velmorin::test
