#include "scheme/ResourceFile.h"

#include <utility>

#include "scheme/PathResolution.h"

namespace velmorin {

std::optional<ResourceFile> openResource(std::string_view rootPath, std::string_view url) {
    auto path = resolveResource(rootPath, url);
    if (!path) {
        return std::nullopt;
    }
    auto file = openRegularFile(*path);
    if (!file) {
        return std::nullopt;
    }
    return ResourceFile{std::move(*path), std::move(*file)};
}

}  // namespace velmorin
