#include "scheme/MimeTypes.h"

namespace velmorin {

MimeTable demoMimeTable() {
    MimeTable table;
    for (const auto& row : servedTypes) {
        table.emplace(row.extension, row.contentType);
    }
    return table;
}

std::string contentTypeFor(const MimeTable& types, std::string_view extension) {
    const auto found = types.find(extension);
    return std::string(found == types.end() ? fallbackContentType
                                            : std::string_view(found->second));
}

std::string pathExtension(std::string_view path) {
    const auto slash = path.rfind('/');
    const auto name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    const auto dot = name.rfind('.');
    if (dot == std::string_view::npos || dot == 0) {
        return {};
    }
    return std::string(name.substr(dot + 1));
}

}  // namespace velmorin
