// Fuzzes the mapping of request URLs to files of the demo folder.
//
// Every input is read as a URL twice, as it is and after "app://demo/". On
// each, an accepted file must lie strictly inside the root: it starts with the
// root and "/", and holds no NUL, no "." or ".." component and no empty
// component. The URL path reading and the name taken from a path are fuzzed
// on raw bytes too, where only a crash or a sanitizer report counts.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "scheme/PathResolution.h"
#include "scheme/UrlPath.h"

namespace {

using velmorin::relativeName;
using velmorin::resolveResource;
using velmorin::standardizePath;
using velmorin::urlPath;

[[noreturn]] void fail(const char* what, std::string_view url, std::string_view result) {
    std::fprintf(stderr, "%s\n  url:    %.*s\n  result: %.*s\n", what, static_cast<int>(url.size()),
                 url.data(), static_cast<int>(result.size()), result.data());
    std::abort();
}

// The components of an absolute path after its leading "/".
bool hasBadComponent(std::string_view path) {
    std::size_t start = 1;
    while (start <= path.size()) {
        auto end = path.find('/', start);
        if (end == std::string_view::npos) {
            end = path.size();
        }
        const auto component = path.substr(start, end - start);
        if (component.empty() || component == "." || component == "..") {
            return true;
        }
        start = end + 1;
    }
    return false;
}

void checkResolution(std::string_view root, std::string_view url) {
    const auto resolved = resolveResource(root, url);
    if (!resolved) {
        return;
    }
    const std::string_view file = *resolved;
    if (!file.starts_with(root) || file.size() <= root.size() + 1 || file[root.size()] != '/') {
        fail("resolved outside the root", url, file);
    }
    if (file.find('\0') != std::string_view::npos) {
        fail("resolved name holds a NUL", url, file);
    }
    if (hasBadComponent(file)) {
        fail("resolved name has an empty, \".\" or \"..\" component", url, file);
    }
    if (standardizePath(file) != file) {
        fail("resolved name is not standardized", url, file);
    }
}

void checkStandardized(std::string_view path) {
    const auto standardized = standardizePath(path);
    if (standardized.empty() || standardized.front() != '/' ||
        (standardized != "/" && hasBadComponent(standardized))) {
        fail("standardized path is not clean", path, standardized);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);

    // Two roots: a deep one, and one a single letter long, where an off-by-one
    // in the prefix check would show.
    for (const std::string_view root : {"/srv/velmorin/share/velmorin-hd/demo", "/d"}) {
        checkResolution(root, input);
        checkResolution(root, std::string("app://demo/").append(input));
    }

    // Raw bytes, valid UTF-8 or not.
    const auto path = urlPath(input);
    if (path && path->find('\0') != std::string::npos) {
        fail("URL path holds a NUL", input, *path);
    }
    if (path) {
        (void)relativeName(*path);
    }
    (void)relativeName(input);
    checkStandardized(input);
    return 0;
}
