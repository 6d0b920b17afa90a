#include "app/BundleLayout.h"

namespace velmorin {

namespace {

std::string_view parentOf(std::string_view path) {
    const auto slash = path.rfind('/');
    if (slash == std::string_view::npos) {
        return {};
    }
    return path.substr(0, slash);
}

}  // namespace

std::string resourceDirectoryForExecutable(std::string_view executablePath) {
    const auto bundleRoot = parentOf(parentOf(executablePath));
    std::string directory(bundleRoot);
    directory += '/';
    directory += resourceSubdirectory;
    return directory;
}

}  // namespace velmorin
