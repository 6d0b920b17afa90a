// The media door's element, driven by GStreamer alone: found in its
// folder, made from an app: URI, reading the file's own bytes to its end in
// push and in pull mode, from any offset, with the modes its content wants,
// and refusing what the folder's rules refuse.

#include <gst/gst.h>
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "common/MediaClips.h"
#include "common/NamedRows.h"
#include "common/TempTree.h"
#include "platform/gtk/mediadoor/MediaDoorNames.h"

namespace velmorin::test {
namespace {

using gtk::mediaFolderVariable;

struct ElementUnref {
    void operator()(GstElement* element) const {
        gst_element_set_state(element, GST_STATE_NULL);
        gst_object_unref(element);
    }
};
using ElementPtr = std::unique_ptr<GstElement, ElementUnref>;

// What a sink pad linked to the element took in push mode, filled by the
// element's streaming thread.
struct Pushed {
    Bytes bytes;
    std::vector<guint64> offsets;
    bool ended = false;
};
struct Taken {
    Pushed got;
    std::mutex lock;
    std::condition_variable changed;
};

GstFlowReturn takeBuffer(GstPad* pad, GstObject*, GstBuffer* buffer) {
    auto* taken = static_cast<Taken*>(gst_pad_get_element_private(pad));
    GstMapInfo map;
    gst_buffer_map(buffer, &map, GST_MAP_READ);
    const std::lock_guard held(taken->lock);
    taken->got.offsets.push_back(GST_BUFFER_OFFSET(buffer));
    taken->got.bytes.insert(taken->got.bytes.end(), map.data, map.data + map.size);
    gst_buffer_unmap(buffer, &map);
    gst_buffer_unref(buffer);
    return GST_FLOW_OK;
}

// A seek's flush ends before the first bytes from the new offset come, so
// what came before it is dropped there, on the streaming thread, and cannot
// be mixed with what comes after.
gboolean takeEvent(GstPad* pad, GstObject*, GstEvent* event) {
    auto* taken = static_cast<Taken*>(gst_pad_get_element_private(pad));
    if (GST_EVENT_TYPE(event) == GST_EVENT_FLUSH_STOP) {
        const std::lock_guard held(taken->lock);
        taken->got = {};
    } else if (GST_EVENT_TYPE(event) == GST_EVENT_EOS) {
        const std::lock_guard held(taken->lock);
        taken->got.ended = true;
        taken->changed.notify_all();
    }
    gst_event_unref(event);
    return TRUE;
}

Bytes fileBytes(const std::filesystem::path& path) {
    return bytesOf(readWhole(path));
}

class MediaDoorElementTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        setenv("GST_PLUGIN_PATH_1_0", VELMORIN_MEDIA_DOOR_FOLDER, 1);
        gst_init(nullptr, nullptr);
    }

    static void TearDownTestSuite() { gst_deinit(); }

    void SetUp() override {
        for (const char* clip : {"tone-440.ogg", "tone-440.wav", "white.webm", "white.ogv",
                                 "blip-0.4.mp3", "tone-440.mp3"}) {
            tree_.writeDemo(clip, mediaClip(clip));
        }
        // An Ogg file under a name that says otherwise, and a clip beside the
        // folder that a link inside it leads to.
        tree_.writeDemo("tone.bin", mediaClip("tone-440.ogg"));
        tree_.write("beside.wav", mediaClip("tone-440.wav"));
        std::filesystem::create_symlink("../beside.wav", tree_.demo() / "out.wav");
        std::filesystem::create_symlink("tone-440.wav", tree_.demo() / "in.wav");
        setenv(mediaFolderVariable, tree_.demo().c_str(), 1);
    }

    void TearDown() override { unsetenv(mediaFolderVariable); }

    static ElementPtr make(const std::string& uri) {
        return ElementPtr(gst_element_make_from_uri(GST_URI_SRC, uri.c_str(), nullptr, nullptr));
    }

    // Links a sink pad of the test's own to the element's source pad.
    static GstPad* linkSink(GstElement* element, Taken* taken) {
        GstPad* sink = gst_pad_new("sink", GST_PAD_SINK);
        gst_pad_set_element_private(sink, taken);
        gst_pad_set_chain_function(sink, takeBuffer);
        gst_pad_set_event_function(sink, takeEvent);
        GstPad* source = gst_element_get_static_pad(element, "src");
        EXPECT_EQ(gst_pad_link(source, sink), GST_PAD_LINK_OK);
        gst_object_unref(source);
        gst_pad_set_active(sink, TRUE);
        return sink;
    }

    // Plays the element in push mode until its end, from `offset` when given.
    static Pushed readPushed(const std::string& uri, gint64 offset = 0) {
        Taken taken;
        auto element = make(uri);
        GstPad* sink = linkSink(element.get(), &taken);
        gst_element_set_state(element.get(), GST_STATE_PAUSED);
        if (offset > 0) {
            EXPECT_TRUE(gst_element_seek_simple(element.get(), GST_FORMAT_BYTES,
                                                GST_SEEK_FLAG_FLUSH, offset));
        }
        gst_element_set_state(element.get(), GST_STATE_PLAYING);
        Pushed got;
        {
            std::unique_lock held(taken.lock);
            taken.changed.wait_for(held, std::chrono::seconds(10), [&] { return taken.got.ended; });
            got = taken.got;
        }
        gst_element_set_state(element.get(), GST_STATE_NULL);
        gst_object_unref(sink);
        return got;
    }

    // The error the element posts when asked to run, or nothing.
    static std::string runError(const std::string& uri) {
        auto element = make(uri);
        // Linked, so a file that opens never stops on an unlinked pad.
        Taken taken;
        GstPad* sink = linkSink(element.get(), &taken);
        auto* bus = gst_bus_new();
        gst_element_set_bus(element.get(), bus);
        gst_element_set_state(element.get(), GST_STATE_PAUSED);
        std::string outcome = "no error";
        if (GstMessage* message = gst_bus_pop_filtered(bus, GST_MESSAGE_ERROR)) {
            GError* error = nullptr;
            gst_message_parse_error(message, &error, nullptr);
            outcome =
                error->domain == GST_RESOURCE_ERROR && error->code == GST_RESOURCE_ERROR_NOT_FOUND
                    ? "not found"
                    : error->message;
            g_error_free(error);
            gst_message_unref(message);
        }
        gst_element_set_state(element.get(), GST_STATE_NULL);
        gst_object_unref(sink);
        gst_object_unref(bus);
        return outcome;
    }

    DemoTree tree_{"velmorin-element"};
};

TEST_F(MediaDoorElementTest, IsFoundAndMadeFromAnAppUri) {
    auto element = make("app://demo/tone-440.ogg");
    ASSERT_NE(element, nullptr);
    EXPECT_STREQ(GST_OBJECT_NAME(gst_element_get_factory(element.get())), VELMORIN_MEDIA_DOOR_NAME);
    g_autofree gchar* uri = gst_uri_handler_get_uri(GST_URI_HANDLER(element.get()));
    EXPECT_STREQ(uri, "app://demo/tone-440.ogg");
}

TEST_F(MediaDoorElementTest, OffersTheModesTheContentWants) {
    struct Row {
        const char* name;
        bool pull;
    };
    for (const auto& [name, pull] :
         {Row{"tone-440.ogg", true}, Row{"tone.bin", true}, Row{"white.ogv", true},
          Row{"blip-0.4.mp3", true}, Row{"tone-440.mp3", false}, Row{"white.webm", false},
          Row{"tone-440.wav", false}}) {
        SCOPED_TRACE(name);
        auto element = make(std::string("app://demo/") + name);
        GstPad* source = gst_element_get_static_pad(element.get(), "src");
        GstQuery* query = gst_query_new_scheduling();
        EXPECT_TRUE(gst_pad_query(source, query));
        EXPECT_EQ(gst_query_has_scheduling_mode(query, GST_PAD_MODE_PULL), pull);
        EXPECT_TRUE(gst_query_has_scheduling_mode(query, GST_PAD_MODE_PUSH));
        gst_query_unref(query);
        gst_object_unref(source);
    }
}

// Each read from its start, or from a byte offset after a seek, to the end.
TEST_F(MediaDoorElementTest, PushesTheFilesBytesToItsEnd) {
    for (const auto& [name, offset] : {std::pair{"tone-440.ogg", 0}, std::pair{"white.webm", 0},
                                       std::pair{"in.wav", 0}, std::pair{"white.webm", 1000}}) {
        SCOPED_TRACE(std::string(name) + " from " + std::to_string(offset));
        const auto file = fileBytes(tree_.demo() / name);
        const auto taken = readPushed(std::string("app://demo/") + name, offset);
        ASSERT_FALSE(taken.offsets.empty());
        EXPECT_EQ(taken.offsets.front(), static_cast<guint64>(offset));
        EXPECT_EQ(taken.bytes, Bytes(file.begin() + offset, file.end()));
        EXPECT_TRUE(taken.ended);
    }
}

TEST_F(MediaDoorElementTest, AnswersSizeAndReadsAnywhereInPullMode) {
    const auto file = fileBytes(tree_.demo() / "tone-440.ogg");
    Taken taken;
    auto element = make("app://demo/tone-440.ogg");
    GstPad* sink = linkSink(element.get(), &taken);
    GstPad* source = gst_element_get_static_pad(element.get(), "src");
    gst_element_set_state(element.get(), GST_STATE_READY);
    ASSERT_TRUE(gst_pad_activate_mode(source, GST_PAD_MODE_PULL, TRUE));
    gint64 size = 0;
    EXPECT_TRUE(gst_pad_query_duration(source, GST_FORMAT_BYTES, &size));
    EXPECT_EQ(size, static_cast<gint64>(file.size()));
    GstQuery* seeking = gst_query_new_seeking(GST_FORMAT_BYTES);
    EXPECT_TRUE(gst_pad_query(source, seeking));
    gboolean seekable = FALSE;
    gst_query_parse_seeking(seeking, nullptr, &seekable, nullptr, nullptr);
    EXPECT_TRUE(seekable);
    gst_query_unref(seeking);
    // Reads from the middle, then across the end, then past it.
    struct Read {
        guint64 offset;
        guint length;
        GstFlowReturn flow;
        std::size_t got;
    };
    for (const auto& read :
         {Read{4000, 100, GST_FLOW_OK, 100}, Read{file.size() - 10, 100, GST_FLOW_OK, 10},
          Read{file.size(), 100, GST_FLOW_EOS, 0}}) {
        SCOPED_TRACE(read.offset);
        GstBuffer* buffer = nullptr;
        ASSERT_EQ(gst_pad_get_range(source, read.offset, read.length, &buffer), read.flow);
        if (buffer != nullptr) {
            GstMapInfo map;
            gst_buffer_map(buffer, &map, GST_MAP_READ);
            EXPECT_EQ(Bytes(map.data, map.data + map.size),
                      Bytes(file.begin() + read.offset, file.begin() + read.offset + read.got));
            gst_buffer_unmap(buffer, &map);
            gst_buffer_unref(buffer);
        }
    }
    gst_pad_activate_mode(source, GST_PAD_MODE_PULL, FALSE);
    gst_object_unref(source);
    gst_object_unref(sink);
}

TEST_F(MediaDoorElementTest, RefusesWhatTheFolderRefuses) {
    struct Row {
        std::string name;
        std::string uri;
        std::string outcome;
    };
    const Row rows[] = {
        {"a file of the folder", "app://demo/tone-440.wav", "no error"},
        {"a link inside the folder", "app://demo/in.wav", "no error"},
        {"missing", "app://demo/missing.ogg", "not found"},
        {"a subfolder", "app://demo/sub", "not found"},
        {"out by dots", "app://demo/%2e%2e/beside.wav", "not found"},
        {"a link out of the folder", "app://demo/out.wav", "not found"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(runError(row.uri), row.outcome);
    }
    unsetenv(mediaFolderVariable);
    EXPECT_EQ(runError("app://demo/tone-440.wav"), "not found") << "no folder set";
    setenv(mediaFolderVariable, "demo", 1);
    EXPECT_EQ(runError("app://demo/tone-440.wav"), "not found") << "a relative folder";
}

}  // namespace
}  // namespace velmorin::test
