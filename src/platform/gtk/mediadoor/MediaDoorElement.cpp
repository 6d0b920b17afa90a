// A GStreamer plugin with one source element, for the URLs of the player's
// own scheme. The engine's media player hands a media element's URL to
// GStreamer, which looks for an element that claims the URL's scheme; none of
// GStreamer's own does for app:, so without this plugin <audio> and <video>
// fail on every file of the demo folder.
//
// The element opens the file through openResource(), the same code that
// answers the page's other requests, so media obey the same rules: a URL
// that leaves the folder opens nothing. Unlike those requests, media then
// refuse a file that a link inside the folder leads to outside it: the file
// is opened, its real path found from the open descriptor, and nothing of it
// is read. It then reads the file in place, piece by piece, from wherever the
// demuxer seeks to (seeking moves the offset, it does not read the file
// again from its start), rather than whole into memory.

#include <gst/base/gstbasesrc.h>
#include <gst/gst.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <optional>
#include <string>

#include "platform/gtk/mediadoor/MediaDoorNames.h"
#include "scheme/MediaReadModes.h"
#include "scheme/PageContract.h"
#include "scheme/PathResolution.h"
#include "scheme/ResourceFile.h"

namespace {

GST_DEBUG_CATEGORY_STATIC(mediaDoorDebug);
#define GST_CAT_DEFAULT mediaDoorDebug

// Large enough that a file is read in few calls.
constexpr guint pushBlockSize = 64 * 1024;

struct VelmorinMediaDoor {
    GstBaseSrc parent;
    gchar* uri;
    // The open file while the element runs, -1 while it is stopped.
    int fd;
    guint64 size;
    // Chosen from the file's first bytes each time it is opened, and kept
    // after it is closed: GStreamer may open the file only to answer the
    // scheduling query, before the element runs.
    velmorin::MediaReadModes modes;
};

struct VelmorinMediaDoorClass {
    GstBaseSrcClass parentClass;
};

void velmorin_media_door_uri_handler_init(gpointer iface, gpointer);

G_DEFINE_TYPE_WITH_CODE(VelmorinMediaDoor, velmorin_media_door, GST_TYPE_BASE_SRC,
                        G_IMPLEMENT_INTERFACE(GST_TYPE_URI_HANDLER,
                                              velmorin_media_door_uri_handler_init))

VelmorinMediaDoor* asMediaDoor(gpointer object) {
    return reinterpret_cast<VelmorinMediaDoor*>(object);
}

GstStaticPadTemplate sourceTemplate =
    GST_STATIC_PAD_TEMPLATE("src", GST_PAD_SRC, GST_PAD_ALWAYS, GST_STATIC_CAPS_ANY);

// The bytes of the open file `fd` from `offset` on, as many as there are up
// to mediaSniffLength.
std::string bytesAt(int fd, std::uint64_t offset) {
    std::string bytes(velmorin::mediaSniffLength, '\0');
    ssize_t count = -1;
    do {
        count = pread(fd, bytes.data(), bytes.size(), static_cast<off_t>(offset));
    } while (count < 0 && errno == EINTR);
    bytes.resize(count > 0 ? static_cast<std::size_t>(count) : 0);
    return bytes;
}

// Whether the open file `fd` lies inside `folder` once every link on the way
// to either is followed. The folder's rule is that of the path text, and a
// link inside the folder can lead out of it; what the engine's sandbox shows
// differs from one install to another (from the .deb it shows /usr/share,
// read-only, with the demo folder in it), so media do not rely on it.
bool reallyInside(const char* folder, int fd) {
    g_autofree gchar* opened =
        g_file_read_link(("/proc/self/fd/" + std::to_string(fd)).c_str(), nullptr);
    char* root = realpath(folder, nullptr);
    const bool inside = opened != nullptr && root != nullptr && velmorin::liesInside(root, opened);
    free(root);
    return inside;
}

gboolean start(GstBaseSrc* base) {
    auto* self = asMediaDoor(base);
    const char* folder = std::getenv(velmorin::gtk::mediaFolderVariable);
    std::optional<velmorin::ResourceFile> resource;
    // Without the player's folder (the plugin loaded by some other program),
    // every URL is refused.
    if (folder != nullptr && folder[0] == '/' && self->uri != nullptr) {
        resource = velmorin::openResource(folder, self->uri);
    }
    struct stat status {};
    if (!resource || !reallyInside(folder, resource->file.get()) ||
        fstat(resource->file.get(), &status) != 0) {
        // Not found: the engine gives the element the same error as for a
        // file it cannot play, MEDIA_ERR_SRC_NOT_SUPPORTED.
        // The URL is the page's and may hold any bytes; GStreamer drops a
        // debug text that is not UTF-8, with a warning of its own.
        g_autofree gchar* shown =
            g_utf8_make_valid(self->uri != nullptr ? self->uri : "no URI", -1);
        GST_ELEMENT_ERROR(self, RESOURCE, NOT_FOUND, ("No such media file."), ("%s", shown));
        return FALSE;
    }
    self->size = static_cast<guint64>(status.st_size);
    const std::string first = bytesAt(resource->file.get(), 0);
    self->modes = velmorin::mediaReadModes(
        first, bytesAt(resource->file.get(), velmorin::mediaFrameOffset(first)), self->size);
    self->fd = resource->file.release();
    GST_DEBUG_OBJECT(self, "opened %s, %" G_GUINT64_FORMAT " bytes", resource->path.c_str(),
                     self->size);
    return TRUE;
}

gboolean stop(GstBaseSrc* base) {
    auto* self = asMediaDoor(base);
    if (self->fd >= 0) {
        close(self->fd);
        self->fd = -1;
    }
    return TRUE;
}

gboolean isSeekable(GstBaseSrc*) {
    return TRUE;
}

gboolean getSize(GstBaseSrc* base, guint64* size) {
    *size = asMediaDoor(base)->size;
    return TRUE;
}

// The scheduling query asks whether the demuxer may read the file itself
// (pull mode), or only take what the element reads on in its own thread
// (push mode). The answer is GStreamer's own file source's, both, unless the
// content wants push alone (see mediaReadModes()). Asked before the element
// runs, the base class opens the file for a moment to learn whether it can
// be read anywhere, and the modes are then known too.
gboolean query(GstBaseSrc* base, GstQuery* query) {
    auto* parentClass = GST_BASE_SRC_CLASS(velmorin_media_door_parent_class);
    if (GST_QUERY_TYPE(query) != GST_QUERY_SCHEDULING) {
        return parentClass->query(base, query);
    }
    GstQuery* opening = gst_query_new_scheduling();
    const gboolean answered = parentClass->query(base, opening);
    const gboolean readable = answered && gst_query_has_scheduling_mode(opening, GST_PAD_MODE_PULL);
    gst_query_unref(opening);
    if (!answered) {
        return FALSE;
    }
    gst_query_set_scheduling(query, GST_SCHEDULING_FLAG_SEEKABLE, 1, -1, 0);
    if (readable && asMediaDoor(base)->modes == velmorin::MediaReadModes::pushAndPull) {
        gst_query_add_scheduling_mode(query, GST_PAD_MODE_PULL);
    }
    gst_query_add_scheduling_mode(query, GST_PAD_MODE_PUSH);
    return TRUE;
}

GstFlowReturn fill(GstBaseSrc* base, guint64 offset, guint length, GstBuffer* buffer) {
    auto* self = asMediaDoor(base);
    if (self->fd < 0) {
        return GST_FLOW_FLUSHING;
    }
    GstMapInfo map;
    if (!gst_buffer_map(buffer, &map, GST_MAP_WRITE)) {
        GST_ELEMENT_ERROR(self, RESOURCE, READ, (nullptr), ("could not map a buffer"));
        return GST_FLOW_ERROR;
    }
    gsize filled = 0;
    while (filled < length) {
        const auto count = pread(self->fd, map.data + filled, length - filled,
                                 static_cast<off_t>(offset + filled));
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count < 0) {
            gst_buffer_unmap(buffer, &map);
            GST_ELEMENT_ERROR(self, RESOURCE, READ, (nullptr),
                              ("read failed: %s", g_strerror(errno)));
            return GST_FLOW_ERROR;
        }
        if (count == 0) {
            break;
        }
        filled += static_cast<gsize>(count);
    }
    gst_buffer_unmap(buffer, &map);
    if (filled == 0) {
        return GST_FLOW_EOS;
    }
    gst_buffer_resize(buffer, 0, static_cast<gssize>(filled));
    GST_BUFFER_OFFSET(buffer) = offset;
    GST_BUFFER_OFFSET_END(buffer) = offset + filled;
    return GST_FLOW_OK;
}

void finalize(GObject* object) {
    auto* self = asMediaDoor(object);
    g_free(self->uri);
    G_OBJECT_CLASS(velmorin_media_door_parent_class)->finalize(object);
}

void velmorin_media_door_class_init(VelmorinMediaDoorClass* klass) {
    G_OBJECT_CLASS(klass)->finalize = finalize;
    auto* elementClass = GST_ELEMENT_CLASS(klass);
    gst_element_class_add_static_pad_template(elementClass, &sourceTemplate);
    gst_element_class_set_static_metadata(elementClass, "Velmorin HD demo file source",
                                          "Source/File", "Reads the player's app: media files",
                                          "The Velmorin HD developers");
    auto* baseClass = GST_BASE_SRC_CLASS(klass);
    baseClass->start = start;
    baseClass->stop = stop;
    baseClass->is_seekable = isSeekable;
    baseClass->get_size = getSize;
    baseClass->fill = fill;
    baseClass->query = query;
}

void velmorin_media_door_init(VelmorinMediaDoor* self) {
    self->uri = nullptr;
    self->fd = -1;
    self->size = 0;
    self->modes = velmorin::MediaReadModes::pushAlone;
    gst_base_src_set_blocksize(GST_BASE_SRC(self), pushBlockSize);
}

GstURIType uriType(GType) {
    return GST_URI_SRC;
}

const gchar* const* uriProtocols(GType) {
    static const gchar* const protocols[] = {velmorin::demoScheme, nullptr};
    return protocols;
}

gchar* getUri(GstURIHandler* handler) {
    return g_strdup(asMediaDoor(handler)->uri);
}

gboolean setUri(GstURIHandler* handler, const gchar* uri, GError** error) {
    auto* self = asMediaDoor(handler);
    GST_OBJECT_LOCK(self);
    const bool running = GST_STATE(self) > GST_STATE_READY;
    if (!running) {
        g_free(self->uri);
        self->uri = g_strdup(uri);
    }
    GST_OBJECT_UNLOCK(self);
    if (running) {
        g_set_error_literal(error, GST_URI_ERROR, GST_URI_ERROR_BAD_STATE,
                            "The URI of a playing source cannot change.");
        return FALSE;
    }
    return TRUE;
}

void velmorin_media_door_uri_handler_init(gpointer iface, gpointer) {
    auto* uriInterface = static_cast<GstURIHandlerInterface*>(iface);
    uriInterface->get_type = uriType;
    uriInterface->get_protocols = uriProtocols;
    uriInterface->get_uri = getUri;
    uriInterface->set_uri = setUri;
}

#define VELMORIN_TEXT(word) #word
#define VELMORIN_WORD_TEXT(word) VELMORIN_TEXT(word)
// The element has the plugin's name.
constexpr const char* elementName = VELMORIN_WORD_TEXT(VELMORIN_MEDIA_DOOR_NAME);

gboolean pluginInit(GstPlugin* plugin) {
    GST_DEBUG_CATEGORY_INIT(mediaDoorDebug, elementName, 0, "Velmorin HD app: media");
    return gst_element_register(plugin, elementName, GST_RANK_PRIMARY,
                                velmorin_media_door_get_type());
}

}  // namespace

#define PACKAGE "velmorin-hd"
GST_PLUGIN_DEFINE(GST_VERSION_MAJOR, GST_VERSION_MINOR, VELMORIN_MEDIA_DOOR_NAME,
                  "The media of the Velmorin HD player's app: URLs", pluginInit, VELMORIN_VERSION,
                  "MIT/X11", "velmorin-hd", VELMORIN_HOMEPAGE)
