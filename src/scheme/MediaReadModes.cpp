#include "scheme/MediaReadModes.h"

namespace velmorin {

namespace {

// An MPEG audio or ADTS frame begins with 11 (ADTS: 12) bits set.
bool beginsWithFrameSync(std::string_view bytes) {
    return bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
           (static_cast<unsigned char>(bytes[1]) & 0xE0) == 0xE0;
}

}  // namespace

MediaReadModes mediaReadModes(std::string_view firstBytes) {
    if (firstBytes.starts_with("OggS") || firstBytes.starts_with("ID3") ||
        beginsWithFrameSync(firstBytes)) {
        return MediaReadModes::pushAndPull;
    }
    return MediaReadModes::pushAlone;
}

}  // namespace velmorin
