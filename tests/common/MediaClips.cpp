#include "common/MediaClips.h"

#include <fstream>
#include <iterator>
#include <stdexcept>

namespace velmorin::test {

Bytes mediaClip(const std::string& name) {
    std::ifstream file(std::string(VELMORIN_TEST_DATA_DIR "/media/") + name, std::ios::binary);
    if (!file) {
        throw std::runtime_error("no media clip " + name + " in tests/data/media");
    }
    return Bytes(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

}  // namespace velmorin::test
