#include "scheme/MediaReadModes.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace velmorin {
namespace {

using namespace std::string_view_literals;

struct ModesCase {
    std::string_view firstBytes;
    std::string_view frameBytes;
    std::uint64_t size;
    MediaReadModes expected;
};

constexpr auto mp3At64k = "\xFF\xFB\x50\xC4"sv;          // MPEG-1 layer III, 64 kbit/s
constexpr auto mp3At16k = "\xFF\xE3\x28\xC4"sv;          // MPEG-2.5 layer III, 16 kbit/s
constexpr auto adts = "\xFF\xF1\x50\x80\x2E\x7F\xFC"sv;  // 44.1 kHz, 371-byte frames
constexpr auto id3 = "ID3\x04\0\0\0\0\x02\x01"sv;        // a 257-byte tag

// The first bytes of each kind of file a page plays, of MPEG audio on either
// side of the short sound's length, and of files too short or too strange
// to be one.
const ModesCase rows[] = {
    {"OggS"sv, ""sv, 9672, MediaReadModes::pushAndPull},
    {mp3At64k, mp3At64k, 1880, MediaReadModes::pushAndPull},   // 0.2 s
    {mp3At64k, mp3At64k, 9822, MediaReadModes::pushAndPull},   // 1.2 s
    {mp3At64k, mp3At64k, 16001, MediaReadModes::pushAlone},    // 2.0 s
    {mp3At16k, mp3At16k, 8352, MediaReadModes::pushAlone},     // 4.2 s
    {mp3At16k, mp3At16k, 3000, MediaReadModes::pushAndPull},   // 1.5 s
    {id3, mp3At64k, 267 + 9822, MediaReadModes::pushAndPull},  // 1.2 s after its tag
    {id3, mp3At64k, 267 + 16001, MediaReadModes::pushAlone},
    {id3, "ID3\x04"sv, 1000, MediaReadModes::pushAlone},  // no frame after the tag
    {"\xFF\xF3\x64\xC4"sv, "\xFF\xF3\x64\xC4"sv, 4000, MediaReadModes::pushAndPull},
    {adts, adts, 371 * 40, MediaReadModes::pushAndPull},                           // 0.93 s
    {adts, adts, 371 * 100, MediaReadModes::pushAlone},                            // 2.3 s
    {"\xFF\xFB\x00\xC4"sv, "\xFF\xFB\x00\xC4"sv, 100, MediaReadModes::pushAlone},  // free format
    {"\xFF\xFB\xF0\xC4"sv, "\xFF\xFB\xF0\xC4"sv, 100, MediaReadModes::pushAlone},  // bad rate
    {"\xFF\xEB\x50\xC4"sv, "\xFF\xEB\x50\xC4"sv, 100, MediaReadModes::pushAlone},  // version 1
    {"\x1A\x45\xDF\xA3"sv, "\x1A\x45\xDF\xA3"sv, 100, MediaReadModes::pushAlone},  // WebM
    {"RIFF"sv, "RIFF"sv, 100, MediaReadModes::pushAlone},
    {"fLaC"sv, "fLaC"sv, 100, MediaReadModes::pushAlone},
    {"\0\0\0\x20"sv, "\0\0\0\x20"sv, 100, MediaReadModes::pushAlone},  // an MP4 box
    {"oggs"sv, "oggs"sv, 100, MediaReadModes::pushAlone},
    {"Ogg"sv, "Ogg"sv, 3, MediaReadModes::pushAlone},
    {"\xFF"sv, "\xFF"sv, 1, MediaReadModes::pushAlone},
    {"\xFF\xD8\xFF\xE0"sv, "\xFF\xD8\xFF\xE0"sv, 100, MediaReadModes::pushAlone},  // a JPEG
    {""sv, ""sv, 0, MediaReadModes::pushAlone},
};

TEST(MediaReadModes, ComeFromTheContentAndTheLengthOfMpegAudio) {
    for (const auto& row : rows) {
        EXPECT_EQ(mediaReadModes(row.firstBytes, row.frameBytes, row.size), row.expected)
            << testing::PrintToString(std::string(row.firstBytes)) << " " << row.size;
    }
}

TEST(MediaReadModes, FirstFrameComesAfterTheTag) {
    EXPECT_EQ(mediaFrameOffset(id3), 267u);
    EXPECT_EQ(mediaFrameOffset("ID3\x04\0\x10\0\0\0\x05"sv), 25u);  // with a footer
    EXPECT_EQ(mediaFrameOffset("ID3\x04\0\0\0\0"sv), 0u);           // a cut header
    EXPECT_EQ(mediaFrameOffset(mp3At64k), 0u);
}

}  // namespace
}  // namespace velmorin
