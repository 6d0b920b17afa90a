// Fuzzes the media door's GStreamer element itself, built into the fuzzer
// and registered as a static plugin, the only one GStreamer knows here. Each
// input is read as a URI as it is, and after "app://demo/", against a small
// demo folder made once in a temporary folder: files (one with a space, one
// not ASCII, a hidden one), a subfolder, a link to a file inside, a link that
// leads out, and beside the folder a secret file and a neighbour "demo2".
//
// GStreamer makes the element from the URI as the engine's player has it
// made, and the fuzzer then starts it the way a demuxer does, by activating
// its source pad in pull mode, and reads the first bytes. Properties:
//
// - GStreamer's URI path makes the element exactly for a valid URI of the
//   app: scheme, and it is the media door's; it keeps the URI it was given.
// - The element opens a file exactly when the core's resolution names a
//   regular file whose real path, every link followed, lies inside the
//   folder's real path. A link inside the folder that leads out is refused:
//   the scheme's handler follows it, the media door must not.
// - Every refusal posts a RESOURCE/NOT_FOUND error on the element's bus, and
//   no other error of the element's own; an opened file posts no error.
// - The bytes read are the named file's own first bytes, and never those of
//   a file outside the folder (the secret beside it, reached by "..", escaped
//   dots and the link out, or the neighbour's file).

#include <gst/gst.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>

#include "platform/gtk/mediadoor/MediaDoorNames.h"
#include "scheme/PageContract.h"
#include "scheme/PathResolution.h"

// Defined by the plugin's GST_PLUGIN_DEFINE, built static here.
extern "C" void G_PASTE(gst_plugin_, G_PASTE(VELMORIN_MEDIA_DOOR_NAME, _register))();

namespace {

namespace fs = std::filesystem;

// More than any file of the tree holds, so a read takes a whole file.
constexpr guint readLength = 256;

struct Tree {
    std::string demo;
    // The demo folder's real path followed by "/".
    std::string realInside;
    // The contents of the files outside the folder.
    std::string secret;
    std::string neighbour;
};

std::string contentsOf(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

Tree makeTree() {
    char pattern[] = "/tmp/velmorin-media-fuzz-XXXXXX";
    const char* folder = mkdtemp(pattern);
    if (folder == nullptr) {
        std::abort();
    }
    const fs::path resources(folder);
    const fs::path demo = resources / "demo";
    fs::create_directories(demo / "sub" / "deeper");
    fs::create_directories(resources / "demo2");
    for (const char* name : {"demo/index.html", "demo/a.js", "demo/sub/x.ogg", "demo/a b.wav",
                             "demo/\xc3\xa1.ogg", "demo/sub/deeper/.hidden", "demo2/x.ogg"}) {
        std::ofstream(resources / name) << name;
    }
    std::ofstream(resources / "beside.ogg") << "the secret beside the demo folder";
    fs::create_symlink("a.js", demo / "inside");
    fs::create_symlink("../beside.ogg", demo / "away");
    return Tree{demo.string(), fs::canonical(demo).string() + "/",
                contentsOf(resources / "beside.ogg"), contentsOf(resources / "demo2/x.ogg")};
}

const Tree& tree() {
    static const Tree made = makeTree();
    return made;
}

[[noreturn]] void fail(const char* what, const std::string& uri) {
    std::fprintf(stderr, "%s\n  uri: ", what);
    for (const char c : uri) {
        std::fprintf(stderr, "\\x%02x", static_cast<unsigned char>(c));
    }
    std::fprintf(stderr, "\n");
    std::abort();
}

// The real path of the file the element must open for `uri`, or nothing
// when it must refuse.
std::optional<std::string> fileToOpen(const std::string& uri) {
    const Tree& t = tree();
    const auto path = velmorin::resolveResource(t.demo, uri);
    struct stat status {};
    if (!path || stat(path->c_str(), &status) != 0 || !S_ISREG(status.st_mode)) {
        return std::nullopt;
    }
    std::error_code error;
    const auto real = fs::canonical(*path, error).string();
    if (error || !real.starts_with(t.realInside)) {
        return std::nullopt;
    }
    return real;
}

// What errors the bus holds; it is emptied. A refusal's is RESOURCE/NOT_FOUND,
// the one the engine's player reports; GStreamer's base class of sources
// follows any failed start with a CORE/STATE_CHANGE error of its own.
enum class Errors { none, notFound, other };
Errors takeErrors(GstBus* bus) {
    auto errors = Errors::none;
    for (;;) {
        g_autoptr(GstMessage) message = gst_bus_pop_filtered(bus, GST_MESSAGE_ERROR);
        if (message == nullptr) {
            break;
        }
        g_autoptr(GError) error = nullptr;
        gst_message_parse_error(message, &error, nullptr);
        const bool expected =
            errors == Errors::none
                ? g_error_matches(error, GST_RESOURCE_ERROR, GST_RESOURCE_ERROR_NOT_FOUND)
                : errors == Errors::notFound &&
                      g_error_matches(error, GST_CORE_ERROR, GST_CORE_ERROR_STATE_CHANGE);
        if (errors == Errors::none || !expected) {
            errors = expected ? Errors::notFound : Errors::other;
        }
    }
    // The state changes' messages go too.
    gst_bus_set_flushing(bus, TRUE);
    gst_bus_set_flushing(bus, FALSE);
    return errors;
}

// The first bytes the started element gives from `pad`, or nothing.
std::optional<std::string> firstBytes(GstPad* pad) {
    g_autoptr(GstBuffer) buffer = nullptr;
    if (gst_pad_get_range(pad, 0, readLength, &buffer) != GST_FLOW_OK) {
        return std::nullopt;
    }
    GstMapInfo map;
    std::string bytes;
    if (gst_buffer_map(buffer, &map, GST_MAP_READ)) {
        bytes.assign(reinterpret_cast<const char*>(map.data), map.size);
        gst_buffer_unmap(buffer, &map);
    }
    return bytes;
}

void check(const std::string& uri, GstBus* bus) {
    g_autoptr(GstElement) element =
        gst_element_make_from_uri(GST_URI_SRC, uri.c_str(), nullptr, nullptr);
    // GStreamer gives the scheme in lower case. (gst_uri_has_protocol() would
    // take "ap:" for an app: URI: it compares only the scheme's length.)
    g_autofree gchar* scheme =
        gst_uri_is_valid(uri.c_str()) ? gst_uri_get_protocol(uri.c_str()) : nullptr;
    const bool claimed = scheme != nullptr && std::string_view(scheme) == velmorin::demoScheme;
    if (element == nullptr) {
        if (claimed) {
            fail("GStreamer made no element for an app: URI", uri);
        }
        return;
    }
    if (!claimed) {
        fail("GStreamer made an element for a URI that is no valid app: URI", uri);
    }
    if (std::string_view(GST_OBJECT_NAME(gst_element_get_factory(element))) !=
        G_STRINGIFY(VELMORIN_MEDIA_DOOR_NAME)) {
        fail("the element made is not the media door", uri);
    }
    g_autofree gchar* kept = gst_uri_handler_get_uri(GST_URI_HANDLER(element));
    // GStreamer writes the scheme in lower case; the rest is the element's.
    const auto colon = uri.find(':');
    if (kept == nullptr || g_ascii_strncasecmp(kept, uri.c_str(), colon) != 0 ||
        std::string_view(kept).substr(colon) != std::string_view(uri).substr(colon)) {
        fail("the element does not keep the URI it was given", uri);
    }
    const auto expected = fileToOpen(kept);

    gst_element_set_bus(element, bus);
    gst_element_set_state(element, GST_STATE_READY);
    g_autoptr(GstPad) pad = gst_element_get_static_pad(element, "src");
    const bool started = gst_pad_activate_mode(pad, GST_PAD_MODE_PULL, TRUE);
    const auto bytes = started ? firstBytes(pad) : std::nullopt;
    if (started) {
        gst_pad_activate_mode(pad, GST_PAD_MODE_PULL, FALSE);
    }
    gst_element_set_state(element, GST_STATE_NULL);
    const auto errors = takeErrors(bus);

    if (bytes && (*bytes == tree().secret || *bytes == tree().neighbour)) {
        fail("the element read a file outside the demo folder", uri);
    }
    if (!expected) {
        if (started) {
            fail("the element opened a file it must refuse", uri);
        }
        if (errors != Errors::notFound) {
            fail("a refusal is not a RESOURCE/NOT_FOUND error", uri);
        }
        return;
    }
    if (!started) {
        fail("the element refused a file of the demo folder", uri);
    }
    if (errors != Errors::none) {
        fail("the element posted an error for a file it opened", uri);
    }
    if (bytes != contentsOf(*expected)) {
        fail("the bytes read are not the named file's first bytes", uri);
    }
}

}  // namespace

// Everything that sets the environment runs here, before GStreamer or the
// fuzzer starts any thread.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
    setenv(velmorin::gtk::mediaFolderVariable, tree().demo.c_str(), 1);
    // The tree goes when the fuzzer ends; one that stops on a finding leaves it.
    std::atexit([] { fs::remove_all(fs::path(tree().demo).parent_path()); });
    // No plugin of the system's is loaded, so no other element can claim an
    // input's scheme, and starting takes no scan of the plugins.
    setenv("GST_REGISTRY_DISABLE", "yes", 1);
    gst_init(nullptr, nullptr);
    G_PASTE(gst_plugin_, G_PASTE(VELMORIN_MEDIA_DOOR_NAME, _register))();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static GstBus* const bus = gst_bus_new();
    // GStreamer takes URIs as C strings: the URI ends at the input's first NUL.
    std::string input(reinterpret_cast<const char*>(data), size);
    input.resize(std::min(input.find('\0'), input.size()));
    check(input, bus);
    check("app://demo/" + input, bus);
    return 0;
}
