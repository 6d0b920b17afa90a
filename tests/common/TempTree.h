#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "platform/SchemeTask.h"

namespace velmorin::test {

// A fresh folder under the system's temporary folder, removed with all it
// holds when the tree is destroyed.
class TempTree {
public:
    // `prefix` names the folder ("velmorin-bundle" gives velmorin-bundle-XXXXXX).
    explicit TempTree(std::string_view prefix);
    ~TempTree();

    TempTree(const TempTree&) = delete;
    TempTree& operator=(const TempTree&) = delete;

    const std::filesystem::path& root() const { return root_; }

    // Writes a file below the root, making its folders, and returns its
    // path; throws when it cannot.
    std::filesystem::path write(const std::filesystem::path& relative, std::string_view text) const;
    std::filesystem::path write(const std::filesystem::path& relative, const Bytes& bytes) const;

private:
    std::filesystem::path root_;
};

// A resource folder laid out like the bundle's: the demo folder, and beside
// it whatever a test puts there for requests never to reach.
class DemoTree : public TempTree {
public:
    using TempTree::TempTree;

    std::filesystem::path demo() const { return root() / "demo"; }
    template <typename Content>
    std::filesystem::path writeDemo(const std::string& name, const Content& content) const {
        return write(std::filesystem::path("demo") / name, content);
    }

    // Entries of the demo folder that are no readable file, each name ending
    // in `suffix`: "pipe", a named pipe with no writer; "loop", a link to
    // itself; and "zero", a link to /dev/zero.
    void addSpecialEntries(std::string_view suffix = "") const;
};

Bytes bytesOf(std::string_view text);
std::string readWhole(const std::filesystem::path& path);

// A word that no file of a test can hold by accident: `prefix`, a dash and a
// number drawn for this call.
std::string uniqueMarker(std::string_view prefix);

}  // namespace velmorin::test
