#pragma once

#include <filesystem>
#include <string>

#include "common/TempTree.h"

namespace velmorin::test {

// A throwaway resource folder laid out like the player's: the demo folder
// with a page and files of every kind the tests fetch, and, beside it, files
// no request may ever reach.
//
//   demo/index.html           the page; loads main.js as a module and logo.png
//   demo/main.js              imports sub/answer.js and puts its value in the title
//   demo/sub/answer.js, sub/x.js
//   demo/a.js, lib.min.js, empty.js, "a b.js"
//   demo/style.css, data.json, code.wasm, sound.mp3, noext, bytes.bin
//   demo/logo.png (7x5 pixels), logo.PNG (the same bytes)
//   demo/big.bin              10 MiB
//   demo/control.txt          holds controlMarker, to prove bodies are read
//   demo/pipe                 a named pipe with no writer
//   demo/loop, demo/zero      a link to itself and a link to /dev/zero
//   secret.txt, x.js, index.html     beside demo/, each holding secretMarker
//   demo2/x.js, demo.bak/x.js        neighbours, holding neighbourMarker
class SchemeBundle {
public:
    SchemeBundle();

    const std::filesystem::path& resourceDirectory() const { return tree_.root(); }
    std::filesystem::path demoFile(const std::string& name) const { return tree_.demo() / name; }

    // The bytes of a file of the demo folder, as the tests expect them served.
    Bytes demoBytes(const std::string& name) const;

    // Unique to this bundle; neither appears in anything inside demo/.
    std::string secretMarker;
    std::string neighbourMarker;
    // Appears in demo/control.txt only.
    std::string controlMarker;

    // The checksums of the files outside, for matching bodies that may be
    // too big to come back whole.
    std::uint32_t secretChecksum = 0;
    std::uint32_t neighbourChecksum = 0;

    static constexpr int logoWidth = 7;
    static constexpr int logoHeight = 5;
    static constexpr std::size_t bigSize = 10 * 1024 * 1024;
    // The page's background, as a snapshot shows it.
    static constexpr int backgroundRed = 32;
    static constexpr int backgroundGreen = 160;
    static constexpr int backgroundBlue = 96;
    // What the imported module gives to the title.
    static constexpr const char* moduleTitle = "module answer 42";

private:
    DemoTree tree_{"velmorin-scheme"};
};

}  // namespace velmorin::test
