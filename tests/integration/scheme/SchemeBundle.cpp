#include "SchemeBundle.h"

#include <gdk/gdk.h>
#include <glib.h>

#include <stdexcept>

#include "FetchProbe.h"

namespace velmorin::test {

namespace fs = std::filesystem;

namespace {

// A small PNG with a different color in each column, so it is no blank image.
Bytes logoPng() {
    constexpr int width = SchemeBundle::logoWidth;
    constexpr int height = SchemeBundle::logoHeight;
    Bytes pixels(static_cast<std::size_t>(width * height * 4));
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            auto* pixel = &pixels[static_cast<std::size_t>((y * width + x) * 4)];
            pixel[0] = static_cast<std::uint8_t>(x * 36);
            pixel[1] = static_cast<std::uint8_t>(y * 60);
            pixel[2] = 200;
            pixel[3] = 255;
        }
    }
    GBytes* data = g_bytes_new(pixels.data(), pixels.size());
    GdkTexture* texture =
        gdk_memory_texture_new(width, height, GDK_MEMORY_R8G8B8A8, data, width * 4);
    g_bytes_unref(data);
    GBytes* png = gdk_texture_save_to_png_bytes(texture);
    g_object_unref(texture);
    gsize size = 0;
    const auto* bytes = static_cast<const std::uint8_t*>(g_bytes_get_data(png, &size));
    Bytes result(bytes, bytes + size);
    g_bytes_unref(png);
    return result;
}

// Bytes from a fixed generator: the same file each run, with every byte value.
Bytes patternBytes(std::size_t size, std::uint32_t seed) {
    Bytes bytes(size);
    std::uint32_t state = seed;
    for (auto& byte : bytes) {
        state = state * 1664525U + 1013904223U;
        byte = static_cast<std::uint8_t>(state >> 24);
    }
    return bytes;
}

std::string indexPage() {
    return std::string(R"html(<!doctype html>
<html>
<head>
<meta charset="utf-8">
<title>scheme page</title>
<style>
html, body { margin: 0; width: 100%; height: 100%; overflow: hidden;
             background: rgb()html") +
           std::to_string(SchemeBundle::backgroundRed) + ", " +
           std::to_string(SchemeBundle::backgroundGreen) + ", " +
           std::to_string(SchemeBundle::backgroundBlue) + R"html(); }
#logo { position: absolute; left: 0; top: 0; }
</style>
<script type="module" src="main.js"></script>
</head>
<body>
<img id="logo" src="logo.png" alt="">
</body>
</html>
)html";
}

}  // namespace

SchemeBundle::SchemeBundle()
    : secretMarker(uniqueMarker("VELMORIN-SECRET")),
      neighbourMarker(uniqueMarker("VELMORIN-NEIGHBOUR")),
      controlMarker(uniqueMarker("VELMORIN-CONTROL")) {
    const auto& tree = tree_;
    tree.writeDemo("index.html", indexPage());
    tree.writeDemo("main.js",
                   "import { answer } from 'app://demo/sub/answer.js';\n"
                   "window.answerModuleUrl = answer.from;\n"
                   "document.title = 'module answer ' + answer.value;\n");
    tree.writeDemo("sub/answer.js",
                   "export const answer = { value: 6 * 7, from: import.meta.url };\n");
    tree.writeDemo("sub/x.js", "window.subX = 'inside the sub folder';\n");
    tree.writeDemo("a.js", "window.aLoaded = true;\n");
    tree.writeDemo("lib.min.js", "(function(){window.lib=1})();\n");
    tree.writeDemo("empty.js", "");
    tree.writeDemo("a b.js", "window.spaced = 'a b';\n");
    tree.writeDemo("style.css", "body { color: white; }\n");
    tree.writeDemo("data.json", "{\"frames\": [1, 2, 3], \"title\": \"Velmorin\"}\n");
    tree.writeDemo("code.wasm", Bytes{0x00, 0x61, 0x73, 0x6d, 0x01, 0x00, 0x00, 0x00});
    tree.writeDemo("sound.mp3", patternBytes(4099, 3));
    tree.writeDemo("noext", "a file with no extension\n");
    Bytes everyValue(1024);
    for (std::size_t index = 0; index < everyValue.size(); ++index) {
        everyValue[index] = static_cast<std::uint8_t>(index % 256);
    }
    tree.writeDemo("bytes.bin", everyValue);
    const Bytes logo = logoPng();
    tree.writeDemo("logo.png", logo);
    tree.writeDemo("logo.PNG", logo);
    tree.writeDemo("big.bin", patternBytes(bigSize, 11));
    tree.writeDemo("control.txt", "control " + controlMarker + "\n");
    tree.addSpecialEntries();

    const std::string secret = "secret " + secretMarker + "\n";
    for (const auto* name : {"secret.txt", "x.js", "index.html"}) {
        tree.write(name, secret);
    }
    const std::string neighbour = "window.neighbour = '" + neighbourMarker + "';\n";
    for (const auto* folder : {"demo2", "demo.bak"}) {
        tree.write(fs::path(folder) / "x.js", neighbour);
    }
    secretChecksum = fnv1a(reinterpret_cast<const std::uint8_t*>(secret.data()), secret.size());
    neighbourChecksum =
        fnv1a(reinterpret_cast<const std::uint8_t*>(neighbour.data()), neighbour.size());
}

Bytes SchemeBundle::demoBytes(const std::string& name) const {
    if (!fs::is_regular_file(demoFile(name))) {
        throw std::runtime_error("no such demo file: " + name);
    }
    return bytesOf(readWhole(demoFile(name)));
}

}  // namespace velmorin::test
