#include "scheme/MediaReadModes.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "common/NamedRows.h"

namespace velmorin {
namespace {

using namespace std::string_view_literals;

struct ModesCase {
    std::string_view firstBytes;
    MediaReadModes expected;
};

// The first bytes of each kind of file a page plays, and of files too short
// or too strange to be one.
const ModesCase rows[] = {
    {"OggS"sv, MediaReadModes::pushAndPull},
    {"ID3\x04"sv, MediaReadModes::pushAndPull},
    {"\xFF\xFB\x50\xC4"sv, MediaReadModes::pushAndPull},  // MPEG-1 layer III
    {"\xFF\xF3\x64\xC4"sv, MediaReadModes::pushAndPull},  // MPEG-2 layer III
    {"\xFF\xF1\x50\x80"sv, MediaReadModes::pushAndPull},  // ADTS AAC
    {"\x1A\x45\xDF\xA3"sv, MediaReadModes::pushAlone},    // Matroska, WebM
    {"RIFF"sv, MediaReadModes::pushAlone},
    {"fLaC"sv, MediaReadModes::pushAlone},
    {"\0\0\0\x20"sv, MediaReadModes::pushAlone},  // an MP4 box
    {"oggs"sv, MediaReadModes::pushAlone},
    {"Ogg"sv, MediaReadModes::pushAlone},
    {"ID"sv, MediaReadModes::pushAlone},
    {"\xFF"sv, MediaReadModes::pushAlone},
    {"\xFF\xD8\xFF\xE0"sv, MediaReadModes::pushAlone},  // a JPEG: no frame sync
    {""sv, MediaReadModes::pushAlone},
};

TEST(MediaReadModes, ComeFromTheFirstBytes) {
    test::expectEachMapped(mediaReadModes, rows);
}

}  // namespace
}  // namespace velmorin
