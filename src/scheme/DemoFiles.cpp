#include "scheme/DemoFiles.h"

#include <utility>

#include "scheme/PathResolution.h"
#include "scheme/ResourceFile.h"

namespace velmorin {

namespace {

constexpr std::string_view demoFolderName = "demo";

}  // namespace

std::string demoFolderPath(std::string_view resourceDirectory) {
    std::string path(resourceDirectory);
    path += '/';
    path += demoFolderName;
    return standardizePath(path);
}

DemoFiles::DemoFiles(std::string_view resourceDirectory)
    : root(demoFolderPath(resourceDirectory)), types(demoMimeTable()) {}

std::optional<std::string> DemoFiles::resolve(std::string_view url) const {
    return resolveResource(root, url);
}

HttpResponse demoResponse(const std::string& requestUrl, const std::string& contentType,
                          std::size_t length) {
    return HttpResponse{
        .url = requestUrl,
        .statusCode = 200,
        .httpVersion = "HTTP/1.1",
        .headerFields = {{"Content-Type", contentType}, {"Content-Length", std::to_string(length)}},
    };
}

void DemoFiles::startTask(SchemeTask& task) {
    const auto url = task.requestUrl();
    const auto resource = openResource(root, url);
    auto bytes = resource ? readWhole(resource->file) : std::nullopt;
    if (!bytes) {
        task.didFailWithError(UrlError::fileDoesNotExist);
        return;
    }
    // The extension is the resolved file's, so "app://demo/?x.png" is still
    // the start page and served as text/html.
    const auto contentType = contentTypeFor(types, pathExtension(resource->path));
    task.didReceiveResponse(demoResponse(url, contentType, bytes->size()));
    task.didReceiveData(std::move(*bytes));
    task.didFinish();
}

void DemoFiles::stopTask(SchemeTask&) {}

std::optional<std::string> DemoFiles::mediaFolder() const {
    return root;
}

}  // namespace velmorin
