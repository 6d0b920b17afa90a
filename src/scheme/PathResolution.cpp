#include "scheme/PathResolution.h"

#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

#include "scheme/PageContract.h"
#include "scheme/UrlPath.h"
#include "scheme/Utf8.h"

namespace velmorin {

namespace {

// The length in bytes of the character at `offset`. The program's paths are
// valid UTF-8 (urlPath() checks); in other text a byte that starts no
// well-formed character counts as one of its own.
std::pair<std::uint32_t, std::size_t> codePointAt(std::string_view text, std::size_t offset) {
    const auto character = decodeUtf8At(text, offset);
    if (!character) {
        return {static_cast<std::uint8_t>(text[offset]), 1};
    }
    return {character->codePoint, character->length};
}

// Marks that join the character before them into one user-perceived
// character: the combining diacritical blocks, variation selectors and the
// zero-width joiner.
bool extendsPreviousCharacter(std::uint32_t c) {
    return (c >= 0x0300 && c <= 0x036F) || (c >= 0x1AB0 && c <= 0x1AFF) ||
           (c >= 0x1DC0 && c <= 0x1DFF) || (c >= 0x20D0 && c <= 0x20FF) ||
           (c >= 0xFE00 && c <= 0xFE0F) || (c >= 0xFE20 && c <= 0xFE2F) || c == 0x200D ||
           (c >= 0xE0100 && c <= 0xE01EF);
}

}  // namespace

std::string standardizePath(std::string_view path) {
    std::vector<std::string_view> components;
    std::size_t start = 0;
    while (start <= path.size()) {
        const auto end = std::min(path.find('/', start), path.size());
        const auto component = path.substr(start, end - start);
        if (component == "..") {
            if (!components.empty()) {
                components.pop_back();
            }
        } else if (!component.empty() && component != ".") {
            components.push_back(component);
        }
        start = end + 1;
    }
    std::string standardized;
    for (const auto component : components) {
        standardized += '/';
        standardized += component;
    }
    return standardized.empty() ? std::string("/") : standardized;
}

std::string relativeName(std::string_view path) {
    if (path == "/") {
        return std::string(startPageName);
    }
    if (path.empty()) {
        return {};
    }
    std::size_t offset = codePointAt(path, 0).second;
    while (offset < path.size()) {
        const auto [next, length] = codePointAt(path, offset);
        if (!extendsPreviousCharacter(next)) {
            break;
        }
        offset += length;
    }
    return std::string(path.substr(offset));
}

std::optional<std::string> resolveResource(std::string_view rootPath, std::string_view url) {
    const auto path = urlPath(url);
    if (!path) {
        return std::nullopt;
    }
    std::string joined(rootPath);
    joined += '/';
    joined += relativeName(*path);
    auto resolved = standardizePath(joined);

    if (!liesInside(rootPath, resolved)) {
        return std::nullopt;
    }
    return resolved;
}

bool liesInside(std::string_view rootPath, std::string_view path) {
    return path.size() > rootPath.size() && path.starts_with(rootPath) &&
           path[rootPath.size()] == '/';
}

}  // namespace velmorin
