#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace velmorin {

// How the media door lets GStreamer read a file of the demo folder: the
// element reading on in its own thread and handing the data down (push), or
// also the demuxer reading the file itself where it likes (pull).
enum class MediaReadModes { pushAlone, pushAndPull };

// How many of a file's first bytes, and of its first audio frame, the choice
// looks at: an ID3v2 tag's header is 10 bytes, an ADTS frame's 7.
inline constexpr std::size_t mediaSniffLength = 10;

// Where raw MPEG audio's first frame begins in a file that begins with
// `firstBytes`: after its ID3v2 tag ("ID3", version, flags, a 28-bit size
// and a footer when flagged), or at 0.
std::uint64_t mediaFrameOffset(std::string_view firstBytes);

// The modes for a file of `fileSize` bytes that begins with `firstBytes` and
// whose bytes at mediaFrameOffset() are `frameBytes`. The choice is made from
// the content, not the name, since a page may name a file as it likes:
//
// - Ogg ("OggS") seeks only by reading the file itself: in push mode a seek
//   made before playing is dropped, and playing begins at the start.
// - Raw MPEG audio (MP3, with or without an ID3 tag, and ADTS AAC) has no
//   header that gives its length. In push mode its parser guesses the length
//   from the bit rate after about 1.5 s of frames, so a shorter sound never
//   has a length and never ends; in pull mode it reads to the end at once.
//   But in pull mode a longer file has no length when its metadata come and
//   a seek made before playing never ends, so only a sound shorter than
//   shortMpegAudio (its bytes over the first frame's bit rate) is pulled.
// - Everything else keeps push alone. In pull mode Matroska and WebM seek in
//   the thread that asks, the engine's main thread, and first stop their
//   own reading thread, which can be waiting on the engine's video sink,
//   which waits on the main thread: a looping <video> hung the page for
//   good. In push mode they seek by asking the element for another offset.
//   WAV, FLAC and MP4 carry their length in a header and need neither.
//
//   "OggS\0\2..."                       pushAndPull  (tone.ogg, or tone.bin)
//   "\xFF\xFB\x50\xC4", 3343 bytes      pushAndPull  (0.4 s at 64 kbit/s)
//   "\xFF\xFB\x50\xC4", 80000 bytes     pushAlone    (10 s)
//   "\x1A\x45\xDF\xA3"                  pushAlone    (WebM, whatever its name)
//   "RIFF", "fLaC", ""                  pushAlone
MediaReadModes mediaReadModes(std::string_view firstBytes, std::string_view frameBytes,
                              std::uint64_t fileSize);

// Raw MPEG audio shorter than this many seconds is read in pull mode.
inline constexpr double shortMpegAudio = 2.0;

}  // namespace velmorin
