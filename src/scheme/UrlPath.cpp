#include "scheme/UrlPath.h"

#include "scheme/Utf8.h"

namespace velmorin {

int hexDigitValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

namespace {

// The encoded path part: after the scheme and the authority, up to the query
// or fragment. "app://demo/x.js?q" gives "/x.js"; "app:x.js" gives "x.js".
std::string_view encodedPathPart(std::string_view url) {
    std::string_view rest = url;
    const auto colon = rest.find(':');
    const auto firstDelimiter = rest.find_first_of("/?#");
    if (colon != std::string_view::npos && colon < firstDelimiter) {
        rest.remove_prefix(colon + 1);
    }
    if (rest.starts_with("//")) {
        rest.remove_prefix(2);
        const auto authorityEnd = rest.find_first_of("/?#");
        rest.remove_prefix(authorityEnd == std::string_view::npos ? rest.size() : authorityEnd);
    }
    const auto pathEnd = rest.find_first_of("?#");
    return rest.substr(0, pathEnd);
}

}  // namespace

std::optional<std::string> percentDecode(std::string_view text) {
    std::string decoded;
    decoded.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            decoded.push_back(text[i]);
            continue;
        }
        if (i + 2 >= text.size()) {
            return std::nullopt;
        }
        const int high = hexDigitValue(text[i + 1]);
        const int low = hexDigitValue(text[i + 2]);
        if (high < 0 || low < 0) {
            return std::nullopt;
        }
        decoded.push_back(static_cast<char>(high * 16 + low));
        i += 2;
    }
    return decoded;
}

std::optional<std::string> urlPath(std::string_view url) {
    auto path = percentDecode(encodedPathPart(url));
    if (!path || !isValidUtf8(*path) || path->find('\0') != std::string::npos) {
        return std::nullopt;
    }
    if (path->size() > 1 && path->back() == '/') {
        path->pop_back();
    }
    return path;
}

}  // namespace velmorin
