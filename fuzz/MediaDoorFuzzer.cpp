// Fuzzes the media door: openResource(), through which the player's media
// plugin opens the file behind a media element's app: URL. Each input is
// read as a URL as it is, and after "app://demo/", against a small demo
// folder made once in a temporary folder, with files, a subfolder, a link
// inside it, a link that leads out and, beside it, files no URL may reach.
//
// For every URL the door must answer as the scheme's handler does (a file
// for exactly the URLs the handler serves), and a file it opens must be the
// one the resolution names, strictly inside the folder by its path, a
// regular file, and outside the folder by its real location only through the
// one link that leads out, which the handler follows too.

#include <sys/stat.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "scheme/DemoFiles.h"
#include "scheme/PathResolution.h"
#include "scheme/ResourceFile.h"

namespace {

namespace fs = std::filesystem;

constexpr std::string_view linkOut = "away";

struct Tree {
    std::string resources;
    std::string demo;
};

const Tree& tree() {
    static const Tree made = [] {
        char pattern[] = "/tmp/velmorin-media-fuzz-XXXXXX";
        const char* folder = mkdtemp(pattern);
        if (folder == nullptr) {
            std::abort();
        }
        const fs::path resources(folder);
        const fs::path demo = resources / "demo";
        fs::create_directories(demo / "sub" / "deeper");
        fs::create_directories(resources / "demo2");
        for (const char* name :
             {"demo/index.html", "demo/a.js", "demo/sub/x.ogg", "demo/a b.wav", "demo/\xc3\xa1.ogg",
              "demo/sub/deeper/.hidden", "beside.ogg", "demo2/x.ogg"}) {
            std::ofstream(resources / name) << name;
        }
        fs::create_symlink("a.js", demo / "inside");
        fs::create_symlink("../beside.ogg", demo / linkOut);
        return Tree{resources.string(), demo.string()};
    }();
    return made;
}

// The handler's answer to one request: served or not.
class Verdict final : public velmorin::SchemeTask {
public:
    explicit Verdict(std::string url) : url_(std::move(url)) {}
    std::string requestUrl() const override { return url_; }
    void didReceiveResponse(const velmorin::HttpResponse&) override {}
    void didReceiveData(velmorin::Bytes&&) override {}
    void didFinish() override { served = true; }
    void didFailWithError(velmorin::UrlError) override {}

    bool served = false;

private:
    std::string url_;
};

[[noreturn]] void fail(const char* what, const std::string& url) {
    std::fprintf(stderr, "%s\n  url: ", what);
    for (const char c : url) {
        std::fprintf(stderr, "\\x%02x", static_cast<unsigned char>(c));
    }
    std::fprintf(stderr, "\n");
    std::abort();
}

void check(const std::string& url) {
    const Tree& t = tree();
    static velmorin::DemoFiles door(t.resources);
    const auto opened = velmorin::openResource(t.demo, url);
    Verdict verdict(url);
    door.startTask(verdict);
    if (opened.has_value() != verdict.served) {
        fail(opened ? "the media door opened a file the handler refuses"
                    : "the media door refused a file the handler serves",
             url);
    }
    if (!opened) {
        return;
    }
    const std::string prefix = t.demo + "/";
    if (!opened->path.starts_with(prefix)) {
        fail("the opened file's path is not inside the demo folder", url);
    }
    if (velmorin::resolveResource(t.demo, url) != opened->path) {
        fail("the opened file is not the one the resolution names", url);
    }
    struct stat byDescriptor {};
    struct stat byPath {};
    if (fstat(opened->file.get(), &byDescriptor) != 0 || !S_ISREG(byDescriptor.st_mode) ||
        stat(opened->path.c_str(), &byPath) != 0 || byPath.st_ino != byDescriptor.st_ino ||
        byPath.st_dev != byDescriptor.st_dev) {
        fail("the opened file is no regular file at the resolved path", url);
    }
    std::error_code error;
    const auto real = fs::canonical(opened->path, error).string();
    const auto realDemo = fs::canonical(t.demo, error).string() + "/";
    const auto throughLinkOut = opened->path == prefix + std::string(linkOut);
    if (!real.starts_with(realDemo) && !throughLinkOut) {
        fail("the opened file lies outside the demo folder", url);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    check(input);
    check("app://demo/" + input);
    return 0;
}
