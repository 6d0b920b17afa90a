/* The floor the player is measured against: the least a GTK 4 + WebKitGTK 6.0
 * program needs to show one page. A window of the given size holding a web
 * view, the page loaded from a file: URL, and an exit as soon as the page sets
 * the title the player quits on.
 *
 *   velmorin-floor [--size WxH] [--fullscreen] [--file-access]
 *                  [--no-compositing] [--wait-body PREFIX] URL
 *
 * --size         content size of the window (default 640x360, the player's
 *                self-test size)
 * --fullscreen   asks the window manager for full screen, as the player does
 *                when its launch dialog's box is ticked
 * --file-access  lets file: pages read other file: URLs with fetch(), which
 *                WebKit refuses by default
 * --no-compositing
 *                sets the view's hardware acceleration policy to never, as
 *                the player does where the only OpenGL is a software
 *                rasterizer (the engine's defaults otherwise)
 * --wait-body    polls document.body.innerText every 20 ms and, once it starts
 *                with PREFIX, prints it on one line and exits: the throughput
 *                pages report their own timing this way
 *
 * Like the player, the view uses an ephemeral network session, so neither of
 * the two writes caches to disk and the comparison stays like for like; like
 * the player's, it lets sound start without a gesture and keeps the engine's
 * default background.
 */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <gtk/gtk.h>
#include <webkit/webkit.h>

/* The player's exit title, which the build gives from src/page-contract.txt. */
static const char exitTitle[] = VELMORIN_EXIT_TITLE;

static GMainLoop* loop;
static const char* waitPrefix;
static int exitCode = 0;

static void onTitle(WebKitWebView* view, GParamSpec* property, gpointer data) {
    (void)property;
    (void)data;
    const char* title = webkit_web_view_get_title(view);
    if (title != NULL && strcmp(title, exitTitle) == 0) {
        g_main_loop_quit(loop);
    }
}

static gboolean onCloseRequest(GtkWindow* window, gpointer data) {
    (void)window;
    (void)data;
    g_main_loop_quit(loop);
    return TRUE;
}

static void onBodyText(GObject* source, GAsyncResult* result, gpointer data) {
    (void)data;
    GError* error = NULL;
    JSCValue* value =
        webkit_web_view_evaluate_javascript_finish(WEBKIT_WEB_VIEW(source), result, &error);
    if (value == NULL) {
        g_clear_error(&error);
        return;
    }
    char* text = jsc_value_to_string(value);
    if (text != NULL && g_str_has_prefix(text, waitPrefix)) {
        printf("%s\n", text);
        fflush(stdout);
        g_main_loop_quit(loop);
    }
    g_free(text);
    g_object_unref(value);
}

static gboolean pollBody(gpointer data) {
    WebKitWebView* view = WEBKIT_WEB_VIEW(data);
    static const char script[] = "document.body ? document.body.innerText : ''";
    webkit_web_view_evaluate_javascript(view, script, -1, NULL, NULL, NULL, onBodyText, NULL);
    return G_SOURCE_CONTINUE;
}

int main(int argc, char** argv) {
    int width = 640;
    int height = 360;
    gboolean fileAccess = FALSE;
    gboolean fullscreen = FALSE;
    gboolean noCompositing = FALSE;
    const char* url = NULL;
    for (int i = 1; i < argc; ++i) {
        if (strcmp(argv[i], "--size") == 0 && i + 1 < argc) {
            if (sscanf(argv[++i], "%dx%d", &width, &height) != 2) {
                fprintf(stderr, "velmorin-floor: --size wants WxH\n");
                return 2;
            }
        } else if (strcmp(argv[i], "--fullscreen") == 0) {
            fullscreen = TRUE;
        } else if (strcmp(argv[i], "--file-access") == 0) {
            fileAccess = TRUE;
        } else if (strcmp(argv[i], "--no-compositing") == 0) {
            noCompositing = TRUE;
        } else if (strcmp(argv[i], "--wait-body") == 0 && i + 1 < argc) {
            waitPrefix = argv[++i];
        } else if (url == NULL && argv[i][0] != '-') {
            url = argv[i];
        } else {
            fprintf(stderr,
                    "usage: velmorin-floor [--size WxH] [--fullscreen] [--file-access] "
                    "[--no-compositing] [--wait-body PREFIX] URL\n");
            return 2;
        }
    }
    if (url == NULL) {
        fprintf(stderr, "velmorin-floor: no URL\n");
        return 2;
    }

    gtk_init();
    loop = g_main_loop_new(NULL, FALSE);

    WebKitSettings* settings = webkit_settings_new();
    if (fileAccess) {
        webkit_settings_set_allow_file_access_from_file_urls(settings, TRUE);
    }
    webkit_settings_set_media_playback_requires_user_gesture(settings, FALSE);
    if (noCompositing) {
        webkit_settings_set_hardware_acceleration_policy(settings,
                                                         WEBKIT_HARDWARE_ACCELERATION_POLICY_NEVER);
    }
    WebKitWebsitePolicies* policies =
        webkit_website_policies_new_with_policies("autoplay", WEBKIT_AUTOPLAY_ALLOW, NULL);
    WebKitNetworkSession* session = webkit_network_session_new_ephemeral();
    GtkWidget* view =
        GTK_WIDGET(g_object_new(WEBKIT_TYPE_WEB_VIEW, "settings", settings, "website-policies",
                                policies, "network-session", session, NULL));
    g_object_unref(settings);
    g_object_unref(policies);
    g_object_unref(session);

    GtkWidget* window = gtk_window_new();
    gtk_window_set_default_size(GTK_WINDOW(window), width, height);
    gtk_window_set_title(GTK_WINDOW(window), "floor");
    gtk_window_set_child(GTK_WINDOW(window), view);
    g_signal_connect(view, "notify::title", G_CALLBACK(onTitle), NULL);
    g_signal_connect(window, "close-request", G_CALLBACK(onCloseRequest), NULL);
    if (fullscreen) {
        gtk_window_fullscreen(GTK_WINDOW(window));
    }
    gtk_window_present(GTK_WINDOW(window));

    webkit_web_view_load_uri(WEBKIT_WEB_VIEW(view), url);
    if (waitPrefix != NULL) {
        g_timeout_add(20, pollBody, view);
    }

    g_main_loop_run(loop);
    gtk_window_destroy(GTK_WINDOW(window));
    return exitCode;
}
