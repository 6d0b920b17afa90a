#include "scheme/UrlPath.h"

#include <cstdint>

namespace velmorin {

namespace {

int hexValue(char c) {
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
        const int high = hexValue(text[i + 1]);
        const int low = hexValue(text[i + 2]);
        if (high < 0 || low < 0) {
            return std::nullopt;
        }
        decoded.push_back(static_cast<char>(high * 16 + low));
        i += 2;
    }
    return decoded;
}

bool isValidUtf8(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<std::uint8_t>(text[i]);
        std::size_t length = 0;
        std::uint32_t codePoint = 0;
        if (lead < 0x80) {
            ++i;
            continue;
        } else if ((lead & 0xE0) == 0xC0) {
            length = 2;
            codePoint = lead & 0x1F;
        } else if ((lead & 0xF0) == 0xE0) {
            length = 3;
            codePoint = lead & 0x0F;
        } else if ((lead & 0xF8) == 0xF0) {
            length = 4;
            codePoint = lead & 0x07;
        } else {
            return false;
        }
        if (i + length > text.size()) {
            return false;
        }
        for (std::size_t k = 1; k < length; ++k) {
            const auto continuation = static_cast<std::uint8_t>(text[i + k]);
            if ((continuation & 0xC0) != 0x80) {
                return false;
            }
            codePoint = (codePoint << 6) | (continuation & 0x3F);
        }
        // Overlong forms ("%c0%ae" for "."), surrogates and values beyond
        // U+10FFFF are not UTF-8.
        static constexpr std::uint32_t smallestOfLength[] = {0, 0, 0x80, 0x800, 0x10000};
        if (codePoint < smallestOfLength[length] || codePoint > 0x10FFFF ||
            (codePoint >= 0xD800 && codePoint <= 0xDFFF)) {
            return false;
        }
        i += length;
    }
    return true;
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
