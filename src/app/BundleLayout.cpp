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

// A folder of the bundle the program at `executablePath` belongs to.
std::string bundleFolder(std::string_view executablePath, std::string_view subdirectory) {
    const auto bundleRoot = parentOf(parentOf(executablePath));
    std::string directory(bundleRoot);
    directory += '/';
    directory += subdirectory;
    return directory;
}

}  // namespace

std::string resourceDirectoryForExecutable(std::string_view executablePath) {
    return bundleFolder(executablePath, resourceSubdirectory);
}

std::string iconDirectoryForExecutable(std::string_view executablePath) {
    return bundleFolder(executablePath, iconSubdirectory);
}

}  // namespace velmorin
