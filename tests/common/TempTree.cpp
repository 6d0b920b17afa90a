#include "common/TempTree.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <iterator>
#include <random>
#include <system_error>

namespace velmorin::test {

namespace fs = std::filesystem;

TempTree::TempTree(std::string_view prefix) {
    std::string pattern = (fs::temp_directory_path() / (std::string(prefix) + "-XXXXXX")).string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        throw std::system_error(errno, std::generic_category(), "cannot make a temporary folder");
    }
    root_ = pattern;
}

TempTree::~TempTree() {
    std::error_code ignored;
    fs::remove_all(root_, ignored);
}

fs::path TempTree::write(const fs::path& relative, std::string_view text) const {
    const fs::path path = root_ / relative;
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    if (!out) {
        throw std::runtime_error("cannot write " + path.string());
    }
    return path;
}

fs::path TempTree::write(const fs::path& relative, const Bytes& bytes) const {
    return write(relative,
                 std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

void DemoTree::addSpecialEntries(std::string_view suffix) const {
    const std::string end(suffix);
    fs::create_directories(demo());
    if (::mkfifo((demo() / ("pipe" + end)).c_str(), 0600) != 0) {
        throw std::system_error(errno, std::generic_category(), "cannot make a named pipe");
    }
    fs::create_symlink("loop" + end, demo() / ("loop" + end));
    fs::create_symlink("/dev/zero", demo() / ("zero" + end));
}

Bytes bytesOf(std::string_view text) {
    return Bytes(text.begin(), text.end());
}

std::string readWhole(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

std::string uniqueMarker(std::string_view prefix) {
    std::random_device seed;
    std::mt19937_64 generator((static_cast<std::uint64_t>(seed()) << 32) ^ seed());
    return std::string(prefix) + "-" + std::to_string(generator());
}

}  // namespace velmorin::test
